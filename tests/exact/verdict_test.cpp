// The verdict on real runs: the set-ups that once passed as nulls although
// they were none, set-ups that must stay ok, and each reason's trigger. Each
// case is the run the window or the command line would make from the typed
// entries, then the exact check of its solved set-up.
#include "exact/verdict.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "exact/exact_check.h"
#include "record/solved_set_up.h"
#include "run/null_finder.h"
#include "support/recording_host.h"

namespace vn {
namespace {

struct Judged {
  RunRecord run;
  ExactCheckResult check;
  std::vector<std::string> codes;
};

// The run from the start-up entries with `changes` typed over them, and its
// exact check; abortAfterYields ≥ 0 presses "a key" after that many yields.
Judged Judge(const std::map<Entry, std::string>& changes, long abortAfterYields = -1) {
  test::RecordingHost host;
  for (const auto& [entry, text] : changes) host.entries[entry] = text;
  SharedValues shared;
  NullFinder finder(shared, nullptr);
  host.finder = &finder;
  host.abortAfterYields = abortAfterYields;
  host.RunWith(finder);
  Judged j{finder.lastRun(), RunExactCheck(SolvedSetUpOf(finder.lastRun())), {}};
  for (const VerdictReason& r : j.check.verdict.reasons) j.codes.push_back(r.code);
  return j;
}

bool Has(const Judged& j, const std::string& code) {
  return std::find(j.codes.begin(), j.codes.end(), code) != j.codes.end();
}

using E = Entry;

TEST(Verdict, SetUpsThatPassedAsNullsAreCalledWhatTheyAre) {
  const struct {
    const char* what;
    std::map<Entry, std::string> entries;
    VerdictStatus status;
    std::vector<const char*> codes;
  } cases[] = {
      // An oblate mirror with a negative lens: the search ends with the
      // source 0.002 mm from the lens and "0 Waves"; an independent exact
      // trace gives 1.24 waves P-V.
      {"oblate, negative lens",
       {{E::MirrorDiameter, "200"},
        {E::MirrorRadiusOfCurvature, "2000"},
        {E::ConicConstant, "1"},
        {E::MirrorSideRadius, "100"},
        {E::CentreThickness, "3"},
        {E::LensDiameter, "50"}},
       VerdictStatus::NotANull,
       {"no_exact_null", "residual_over_quarter_wave", "degenerate_null"}},
      // Its neighbour ends with the source 0.002 mm inside the lens.
      {"oblate neighbour",
       {{E::MirrorDiameter, "250"},
        {E::MirrorRadiusOfCurvature, "2400"},
        {E::ConicConstant, "0.8"},
        {E::MirrorSideRadius, "120"},
        {E::CentreThickness, "4"},
        {E::LensDiameter, "60"}},
       VerdictStatus::NotANull,
       {"no_exact_null", "object_distance_not_positive"}},
      // Conic 0.5 with the start-up lens: a working diameter of 518 m.
      {"conic 0.5",
       {{E::ConicConstant, "0.5"}},
       VerdictStatus::NotANull,
       {"no_exact_null", "residual_over_quarter_wave", "degenerate_null"}},
      // f/2.5: more than a quarter wave at the report's distances, and the
      // exact null does better.
      {"f/2.5 paraboloid",
       {{E::MirrorRadiusOfCurvature, "1587.5"}},
       VerdictStatus::NotANull,
       {"residual_over_quarter_wave", "report_off_exact_null"}},
      {"f/2.5, 400 mm",
       {{E::MirrorDiameter, "400"}, {E::MirrorRadiusOfCurvature, "2000"}, {E::LensDiameter, "100"}},
       VerdictStatus::NotANull,
       {"residual_over_quarter_wave"}},
      // A sphere: the lens is used over a few millimetres, and a sphere needs
      // none; the degenerate exact null is found.
      {"sphere",
       {{E::ConicConstant, "0"}},
       VerdictStatus::Caution,
       {"sphere_needs_no_lens", "degenerate_null"}},
      // Equiconvex, 5 mm thick, radii 50 mm: at 80 mm across its faces cross.
      {"lens that cannot exist",
       {{E::SourceSideRadius, "50"}, {E::MirrorSideRadius, "-50"}, {E::CentreThickness, "5"}},
       VerdictStatus::NotANull,
       {"lens_cannot_exist", "residual_over_eighth_wave"}},
      // The start-up marginal ray crosses the lens 29 mm out: a 50 mm lens
      // is too small, at the report's distances and at the exact null.
      {"lens too small",
       {{E::LensDiameter, "50"}},
       VerdictStatus::NotANull,
       {"marginal_ray_outside_lens", "marginal_ray_outside_lens"}},
  };
  for (const auto& c : cases) {
    const Judged j = Judge(c.entries);
    EXPECT_EQ(j.check.verdict.status, c.status) << c.what;
    EXPECT_EQ(j.codes, std::vector<std::string>(c.codes.begin(), c.codes.end())) << c.what;
  }
  // The residual is measured even for the degenerate set-up: 1.24 waves P-V
  // from the independent trace, rays back 10 to 16 mm beyond the source.
  const Judged oblate = Judge(cases[0].entries);
  EXPECT_NEAR(oblate.check.pvWaves, 1.24, 0.005);
  double nearest = 1e9, farthest = -1e9;
  for (std::size_t i = 1; i < oblate.check.zones.size(); ++i) {
    nearest = std::min(nearest, oblate.check.zones[i].interceptBeyondSource * 25.4);
    farthest = std::max(farthest, oblate.check.zones[i].interceptBeyondSource * 25.4);
  }
  EXPECT_GT(nearest, 9.5);
  EXPECT_LT(farthest, 16.5);
}

TEST(Verdict, GoodSetUpsStayOkAndRecommendTheExactNull) {
  // The start-up paraboloid and slower or milder mirrors, in both units: a
  // residual well under an eighth of a wave, the lens wide enough, the
  // report's distances costing nothing worth saying.
  const std::map<Entry, std::string> cases[] = {
      {},
      {{E::MirrorRadiusOfCurvature, "3810"}},
      {{E::MirrorRadiusOfCurvature, "6350"}},
      {{E::ConicConstant, "-0.5"}, {E::MirrorRadiusOfCurvature, "3000"}},
      {{E::MirrorDiameter, "200"},
       {E::MirrorRadiusOfCurvature, "2000"},
       {E::ConicConstant, "-1.5"}},
  };
  for (const auto& entries : cases) {
    const Judged j = Judge(entries);
    EXPECT_EQ(j.check.verdict.status, VerdictStatus::Ok) << j.check.verdict.reasons.size();
    const RecommendedSetUp& r = j.check.verdict.recommended;
    ASSERT_TRUE(r.available);
    EXPECT_EQ(r.objectDistance, j.check.exactNull.objectDistance);
    EXPECT_NEAR(r.objectDistance - r.objectDistanceChange, j.run.solution.ObjectDistance, 1e-12);
    EXPECT_LE(r.reportCostWaves, 0.05);
    EXPECT_LT(r.pvWaves, 0.125);
  }
  // The start-up set-up: the exact null is λ/32 and the report's distances,
  // 0.09 mm and 0.4 mm from it, cost under a thousandth of a wave.
  const Judged startUp = Judge({});
  EXPECT_EQ(WaveFractionText(startUp.check.verdict.recommended.pvWaves), "λ/32");
  EXPECT_LT(std::fabs(startUp.check.verdict.recommended.reportCostWaves), 0.001);
}

TEST(Verdict, AStoppedSearchIsNoNullAndTextsFollowTheRunsUnit) {
  // A key press after the first yields: the search never converged.
  const Judged stopped = Judge({}, 5);
  EXPECT_FALSE(stopped.run.converged);
  EXPECT_TRUE(Has(stopped, "search_not_converged"));
  // The report's figures are no null; the exact null, found from the
  // check's own start, is the one to set up, and only a caution remains.
  EXPECT_TRUE(stopped.check.exactNull.ownStart);
  EXPECT_TRUE(stopped.check.verdict.recommended.available);
  EXPECT_EQ(stopped.check.verdict.status, VerdictStatus::Caution);

  // An inch run says its lengths in inches: the 1.9685" lens (50 mm) is
  // crossed 1.15" from the axis, outside its 0.98425" semi-diameter (0.9842
  // to four decimals, half to even on the binary value).
  test::RecordingHost host;
  host.inch = true;
  test::UseStartUpEntriesInInches(host.entries);
  host.entries[E::LensDiameter] = "1.9685";
  SharedValues shared;
  NullFinder finder(shared, nullptr);
  host.RunWith(finder);
  const ExactCheckResult inch = RunExactCheck(SolvedSetUpOf(finder.lastRun()));
  ASSERT_FALSE(inch.verdict.reasons.empty());
  EXPECT_NE(inch.verdict.reasons[0].text.find("clear semi-diameter of 0.9842\""), std::string::npos)
      << inch.verdict.reasons[0].text;
}

}  // namespace
}  // namespace vn
