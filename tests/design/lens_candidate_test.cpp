// One candidate lens: the adapter gives what the find button and the exact
// check give for the same entries; the fit, the notes and the ranking order.
#include "design/lens_candidate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "common/cancel_token.h"
#include "design/start_up_mirror.h"
#include "exact/exact_check.h"
#include "record/solved_set_up.h"
#include "run/null_finder.h"
#include "support/recording_host.h"

namespace vn {
namespace {

using test::LensMm;
using test::StartUpLens;
using test::StartUpMirror;

TEST(SolveCandidate, GivesWhatTheRunAndTheExactCheckGiveForTheSameEntries) {
  // The window's run of the start-up entries, then its exact check.
  test::RecordingHost host;
  SharedValues shared;
  NullFinder finder(shared, nullptr);
  host.RunWith(finder);
  const ExactCheckResult expected = RunExactCheck(SolvedSetUpOf(finder.lastRun()));

  const CandidateSolution s =
      SolveCandidate(SetUpWith(StartUpMirror(), StartUpLens()), 80 * test::kInchPerMm, {});
  ASSERT_TRUE(s.solved && s.searchConverged);
  // The same set-up, given as numbers in inches rather than typed in
  // millimetres: the two differ by the last bit of a conversion (x / 25.4
  // against x × (1 / 25.4)), which moves the exact null by far less than a
  // billionth of an inch and the wavefront by far less than a millionth of
  // a wave, digits no report shows.
  EXPECT_NEAR(s.check.exactNull.objectDistance, expected.exactNull.objectDistance, 1e-9);
  EXPECT_NEAR(s.check.exactNull.lensMirrorDistance, expected.exactNull.lensMirrorDistance, 1e-8);
  EXPECT_NEAR(s.check.pvWaves, expected.pvWaves, 1e-6);
  EXPECT_EQ(s.check.verdict.status, expected.verdict.status);
  EXPECT_EQ(s.nullVerdict.status, VerdictStatus::Ok);
}

TEST(SolveCandidate, InchAndMillimetreEntriesFindTheSameNull) {
  CandidateConditions inch;
  inch.inchUnits = true;
  const NullTestSystem system = SetUpWith(StartUpMirror(), StartUpLens());
  const CandidateSolution a = SolveCandidate(system, 80 * test::kInchPerMm, {});
  const CandidateSolution b = SolveCandidate(system, 80 * test::kInchPerMm, inch);
  // The entries differ in their last digits only (15 significant), and the
  // exact null is solved to 1e-12 of the set-up's length.
  EXPECT_NEAR(a.check.exactNull.objectDistance, b.check.exactNull.objectDistance, 1e-9);
  EXPECT_NEAR(a.check.exactNull.pvWaves, b.check.exactNull.pvWaves, 1e-9);
}

TEST(SolveCandidate, StopsASearchThatDoesNotSettleAndStillFindsTheExactNull) {
  // A weak plano-convex lens, flat toward the mirror: the run's spacing
  // correction overshoots and its search swings about the null for ever.
  const LensPrescription weak = LensMm(683.4, 9e99, 15, 80);
  const CandidateSolution s = SolveCandidate(SetUpWith(StartUpMirror(), weak), weak.diameter, {});
  EXPECT_TRUE(s.solved);
  EXPECT_FALSE(s.searchConverged);
  EXPECT_FALSE(s.cancelled);
  EXPECT_TRUE(s.check.exactNull.converged);
  // Judged at the exact null, the stopped search is no reason against it.
  for (const VerdictReason& r : s.nullVerdict.reasons) EXPECT_NE(r.code, "search_not_converged");
}

TEST(SolveCandidate, ALensWithoutConvergingPowerIsNotRun) {
  const CandidateSolution s =
      SolveCandidate(SetUpWith(StartUpMirror(), LensMm(-100, 9e99, 3, 50)), 1, {});
  EXPECT_FALSE(s.solved);
  EXPECT_EQ(s.nullVerdict.status, VerdictStatus::NotANull);
  ASSERT_EQ(s.nullVerdict.reasons.size(), 1u);
  EXPECT_EQ(s.nullVerdict.reasons[0].code, "no_converging_power");
}

TEST(SolveCandidate, ACancelledCandidateSaysSo) {
  CancelToken cancel;
  cancel.Cancel();
  CandidateConditions c;
  c.cancel = &cancel;
  const CandidateSolution s = SolveCandidate(SetUpWith(StartUpMirror(), StartUpLens()), 1, c);
  EXPECT_TRUE(s.cancelled);
}

TEST(EvaluateCandidate, TheRoomAndTheClearApertureMakeANullTight) {
  // The start-up lens with no limits, then with each limit just on either
  // side of its own figures.
  const CandidateFigures free = EvaluateCandidate(StartUpMirror(), StartUpLens(), {});
  ASSERT_EQ(free.fit, CandidateFit::Fits);
  const double D = free.objectDistance, L = free.sourceToMirror, W = free.workingDiameter;
  const double mm = test::kInchPerMm, lensDiameter = 80 * mm;
  const auto length = [](double inches) { return RunLengthText(inches, false); };
  struct Case {
    const char* what;
    double clearFraction, minSourceToLens, maxSourceToMirror;
    CandidateFit fit;
    std::string note;
  } cases[] = {
      {"no limits", 0.9, 0, 0, CandidateFit::Fits, ""},
      {"room enough", W / lensDiameter + 0.001, D - mm, L + mm, CandidateFit::Fits, ""},
      {"source too near", 0.9, D + mm, 0, CandidateFit::Tight,
       "The source stands " + length(D) + " from the lens, nearer than the " + length(D + mm) +
           " you need."},
      {"room too short", 0.9, 0, L - mm, CandidateFit::Tight,
       "The source stands " + length(L) + " from the mirror, further than the " + length(L - mm) +
           " you have."},
      {"clear aperture too small", 0.7, 0, 0, CandidateFit::Tight,
       "The beam is " + length(W) + " wide on the lens, wider than its clear aperture of 56 mm " +
           "(70% of 80 mm)."},
  };
  for (const Case& c : cases) {
    ChooserConditions conditions;
    conditions.clearApertureFraction = c.clearFraction;
    conditions.minSourceToLens = c.minSourceToLens;
    conditions.maxSourceToMirror = c.maxSourceToMirror;
    const CandidateFigures f = EvaluateCandidate(StartUpMirror(), StartUpLens(), conditions);
    EXPECT_EQ(f.fit, c.fit) << c.what;
    EXPECT_EQ(f.notes.empty() ? std::string() : f.notes[0], c.note) << c.what;
    EXPECT_EQ(f.margin, f.clearAperture - f.workingDiameter) << c.what;
  }
  // The exact null's own distances add up.
  EXPECT_DOUBLE_EQ(L, D + 15 * mm + free.lensMirrorDistance);
}

TEST(RanksBefore, FitThenResidualAsShownThenMargin) {
  const auto figures = [](CandidateFit fit, double pv, double margin) {
    CandidateFigures f;
    f.fit = fit;
    f.pvWaves = pv;
    f.margin = margin;
    return f;
  };
  using F = CandidateFit;
  struct Case {
    CandidateFigures a, b;
    bool before;
  } cases[] = {
      {figures(F::Fits, 0.2, 0), figures(F::Tight, 0.01, 10), true},        // fit first
      {figures(F::Tight, 0.2, 0), figures(F::CannotNull, 0.01, 10), true},  // ... every time
      {figures(F::Fits, 0.021, 0), figures(F::Fits, 0.022, 10), true},      // then residual
      {figures(F::Fits, 0.0212, 1), figures(F::Fits, 0.0208, 2), false},    // equal as shown:
      {figures(F::Fits, 0.0208, 2), figures(F::Fits, 0.0212, 1), true},     // the margin decides
      {figures(F::Fits, 0.02, 1), figures(F::Fits, 0.02, 1), false},        // strict
      {figures(F::CannotNull, NAN, NAN), figures(F::CannotNull, 0.5, 1), false},  // unknown last
  };
  for (const Case& c : cases) EXPECT_EQ(RanksBefore(c.a, c.b), c.before);
}

TEST(LensPrescription, TurningRoundSwapsTheFacesAndTheirSigns) {
  const LensPrescription pcx = LensMm(9e99, -206, 15, 80);
  const LensPrescription turned = Reversed(pcx);
  EXPECT_DOUBLE_EQ(turned.sourceRadius, 206 * test::kInchPerMm);
  EXPECT_EQ(turned.mirrorRadius, 9e99);
  EXPECT_EQ(Reversed(turned).mirrorRadius, pcx.mirrorRadius);
  // Turning a thin lens round keeps its power.
  EXPECT_DOUBLE_EQ(ThinLensFocalLength(turned), ThinLensFocalLength(pcx));
}

TEST(LensPrescription, ShapeWordsFollowTheFaces) {
  const struct {
    double r1, r2;
    const char* words;
  } cases[] = {
      {9e99, -206, "plano-convex, flat toward the source"},
      {206, 9e99, "plano-convex, flat toward the mirror"},
      {9e99, 206, "plano-concave, flat toward the source"},
      {100, -100, "biconvex"},
      {-100, 100, "biconcave"},
      {-300, -150, "positive meniscus, hollow toward the source"},
      {150, 300, "positive meniscus, hollow toward the mirror"},
      {-150, -300, "negative meniscus, hollow toward the source"},
  };
  for (const auto& c : cases) EXPECT_EQ(ShapeWords(LensMm(c.r1, c.r2, 5, 50)), c.words);
}

}  // namespace
}  // namespace vn
