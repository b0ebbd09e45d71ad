// The exact check of a solved set-up: the start-up null test against figures
// worked out independently, a perfect spherical set-up, the paraboloid's
// closed-form aberration, the scaling of one set-up from millimetres to
// kilometres, failures that must come back as typed values, cancellation,
// and the text and JSON forms.
#include "exact/exact_check.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <utility>

#include "common/cancel_token.h"
#include "support/bare_mirror.h"
#include "support/start_up_set_up.h"

namespace vn {
namespace {

using test::kMm;
using test::StartUpExactInput;
constexpr int kZone10 = kExactCheckZoneSteps / 10, kZone70 = 7 * kExactCheckZoneSteps / 10;

TEST(ExactCheck, StartUpSetUpMatchesTheReferenceFiguresAndNullsExactly) {
  // Reference figures worked out independently of this code: 0.031 waves
  // P-V and 0.006 RMS about best focus, best focus about 8 µm beyond the
  // source; the exact null near D = 204.73 mm, d2 = 2076.77 mm with the same
  // wavefront. The reference figures are rounded in their last quoted digit,
  // so the tolerances allow one or two units there.
  const ExactCheckResult first = RunExactCheck(StartUpExactInput());
  ASSERT_TRUE(first.ok) << first.why;
  EXPECT_NEAR(first.pvWaves, 0.031, 0.002);
  EXPECT_NEAR(first.rmsWaves, 0.006, 0.001);
  EXPECT_NEAR(first.bestFocusOffset / kMm, 0.008, 0.002);
  EXPECT_GE(first.rmsWavesSource, first.rmsWaves);  // best focus is the least RMS
  ASSERT_TRUE(first.exactNull.converged) << first.exactNull.why;
  EXPECT_NEAR(first.exactNull.objectDistance / kMm, 204.73, 0.02);
  EXPECT_NEAR(first.exactNull.lensMirrorDistance / kMm, 2076.77, 0.02);
  EXPECT_NEAR(first.exactNull.pvWaves, 0.031, 0.002);
  EXPECT_NEAR(first.exactNull.rmsWaves, 0.006, 0.001);

  // At the exact null's distances the marginal and 10% rays come back to the
  // source to within the solver's 1e-10 inch plus rounding; the 70% zone,
  // where the residual zonal aberration lives, misses by tens of µm.
  SolvedSetUp nulled = StartUpExactInput();
  nulled.objectDistance = first.exactNull.objectDistance;
  nulled.lensMirrorDistance = first.exactNull.lensMirrorDistance;
  const ExactCheckResult again = RunExactCheck(nulled);
  ASSERT_TRUE(again.ok) << again.why;
  EXPECT_NEAR(again.zones.back().interceptBeyondSource, 0.0, 2e-10);
  EXPECT_NEAR(again.zones[kZone10].interceptBeyondSource, 0.0, 2e-10);
  EXPECT_GT(std::fabs(again.zones[kZone70].interceptBeyondSource), 1e-4);
  // The start-up marginal ray crosses the lens about 28-29 mm from the axis,
  // outside a 25 mm clear semi-diameter.
  nulled.lensClearSemiDiameter = 25 * kMm;
  EXPECT_TRUE(RunExactCheck(nulled).lensHeightsExceedClearAperture);
}

TEST(ExactCheck, SphereAtItsCentreThroughAnIndexOneLensIsPerfect) {
  // Closed form: every ray meets the sphere square-on and retraces itself, so
  // intercepts and wavefront vanish up to rounding (1e-6 waves is ~2.5e-11
  // inch of path), and the exact null is where it started.
  const SolvedSetUp input = test::BareMirrorAtCentre(6.25, 100.0, 0.0);
  const ExactCheckResult result = RunExactCheck(input);
  ASSERT_TRUE(result.ok) << result.why;
  EXPECT_LT(result.pvWaves, 1e-6);
  EXPECT_LT(result.pvWavesSource, 1e-6);
  for (const ZoneSample& zone : result.zones) {
    EXPECT_NEAR(zone.interceptBeyondSource, 0.0, 1e-10) << zone.zoneFraction;
  }
  ASSERT_TRUE(result.exactNull.converged) << result.exactNull.why;
  EXPECT_NEAR(result.exactNull.objectDistance, input.objectDistance, 1e-9);
  EXPECT_NEAR(result.exactNull.lensMirrorDistance, input.lensMirrorDistance, 1e-9);
}

TEST(ExactCheck, ParaboloidAboutItsCentreOfCurvatureHasItsClosedFormAberration) {
  // Through an index-1 lens the light meets a paraboloid z = y²/2R from its
  // centre of curvature; the source-to-mirror distance is then
  // √(R² + y⁴/4R²) exactly, so the returning path about the source exceeds
  // the axial one by 2·(√(R² + y⁴/4R²) − R) ≈ y⁴/4R³ (Fermat: to first order
  // the wavefront error is the change in the round trip). Here R = 100 and
  // y = 6.25 inches: 3.8147e-4 inch, 15.3 waves. The tolerance of 0.05%
  // covers the second-order term ε²/2R of the rays' miss at the source.
  const ExactCheckResult result = RunExactCheck(test::BareMirrorAtCentre(6.25, 100.0, -1.0));
  ASSERT_TRUE(result.ok) << result.why;
  const double R = 100.0, y = 6.25;
  const double closedForm =
      2.0 * (std::sqrt(R * R + std::pow(y, 4) / (4 * R * R)) - R) * 25400.0 / 0.6328;
  EXPECT_NEAR(result.zones.back().opdSourceWaves, closedForm, 5e-4 * closedForm);
  EXPECT_NEAR(result.pvWavesSource, closedForm, 5e-4 * closedForm);

  // This set-up has no null: through an index-1 lens both return errors
  // depend only on where the source sits relative to the mirror, so no pair
  // of distances zeroes both. The check succeeds; the exact null says why not.
  EXPECT_FALSE(result.exactNull.converged);
  EXPECT_NE(ExactCheckText(result, true).find("Exact null not found: "), std::string::npos);
}

TEST(ExactCheck, OneSetUpFromMillimetresToKilometresScalesAsItsSize) {
  // Scaling every length by s scales every path difference by s: the
  // wavefront in waves grows as s and the exact null's distances as s. From a
  // 3 mm mirror to a 635 m one (the size at which an absolute tolerance once
  // made the search endless), each check must end within a second. The
  // tolerance of 1e-5 is far above the rounding and far below any fault.
  const ExactCheckResult unit = RunExactCheck(StartUpExactInput());
  ASSERT_TRUE(unit.ok && unit.exactNull.converged);
  for (double s : {0.01, 0.1, 10.0, 2000.0}) {
    SolvedSetUp in = StartUpExactInput();
    NullTestSystem& sys = in.system;
    for (double* length :
         {&sys.MirrorSemiDiameter, &sys.MirrorRadius, &sys.LensRadius2, &sys.LensThickness,
          &in.objectDistance, &in.lensMirrorDistance, &in.lensClearSemiDiameter}) {
      *length *= s;
    }
    const auto start = std::chrono::steady_clock::now();
    const ExactCheckResult r = RunExactCheck(in);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 1.0);
    ASSERT_TRUE(r.ok && r.exactNull.converged) << s << ": " << r.why << r.exactNull.why;
    EXPECT_NEAR(r.pvWaves / (s * unit.pvWaves), 1.0, 1e-5) << s;
    EXPECT_NEAR(r.rmsWaves / (s * unit.rmsWaves), 1.0, 1e-5) << s;
    EXPECT_NEAR(r.exactNull.objectDistance / (s * unit.exactNull.objectDistance), 1.0, 1e-9) << s;
    EXPECT_NEAR(r.exactNull.pvWaves / (s * unit.exactNull.pvWaves), 1.0, 1e-5) << s;
  }
}

TEST(ExactCheck, FailuresComeBackAsTypedValuesNotExceptions) {
  const struct {
    void (*spoil)(SolvedSetUp&);
    const char* message;
    TraceFault fault;
  } cases[] = {
      {[](SolvedSetUp& in) { in.system.MirrorRadius = 0.0; }, "mirror radius must not be zero",
       TraceFault::None},
      {[](SolvedSetUp& in) { in.system.MirrorSemiDiameter = 0.0; }, "diameter must be positive",
       TraceFault::None},
      {[](SolvedSetUp& in) { in.objectDistance = 0.0; }, "object distance must be positive",
       TraceFault::None},
      {[](SolvedSetUp& in) { in.system.LensIndex = std::nan(""); }, "not a finite number",
       TraceFault::None},
      {[](SolvedSetUp& in) { in.wavelengthMicrons = 0.0; }, "wavelength must be positive",
       TraceFault::None},
      // A mirror-side face of radius 0.5 inch, a bead: it bends every ray
      // across the axis, so none reaches the mirror above it.
      {[](SolvedSetUp& in) { in.system.LensRadius2 = -0.5; },
       "no ray through the lens reaches the 1% zone of the mirror", TraceFault::NoRayReachesZone},
      // A strong negative lens (mirror-side face hollow, radius 20 mm):
      // rays spread so far that, coming back, those past a third of the
      // mirror's radius pass beside its 20 mm sphere. In glass of index 3
      // behind a 40 mm hollow, they come back so steep that the flat face
      // reflects them totally.
      {[](SolvedSetUp& in) { in.system.LensRadius2 = 20 * kMm; },
       "zone of the mirror misses the lens's mirror-side face on the way back (it left the mirror",
       TraceFault::MissedSurface},
      {[](SolvedSetUp& in) { in.system.LensRadius2 = 40 * kMm, in.system.LensIndex = 3.0; },
       "is totally reflected inside the lens at the lens's source-side face on the way back",
       TraceFault::TotalInternalReflection},
  };
  for (const auto& c : cases) {
    SolvedSetUp input = StartUpExactInput();
    c.spoil(input);
    const ExactCheckResult result = RunExactCheck(input);  // an exception fails the test
    EXPECT_FALSE(result.ok) << c.message;
    EXPECT_EQ(result.failure.fault, c.fault) << c.message;
    EXPECT_NE(result.why.find(c.message), std::string::npos) << result.why;
    EXPECT_NE(ExactCheckText(result, false).find("\nNot available: " + result.why + "\n"),
              std::string::npos);
    // The start-up lens with no object distance still has its exact null,
    // found from the check's own start: it is then the set-up to build.
    const bool ownNull = result.verdict.recommended.available && result.exactNull.ownStart;
    EXPECT_EQ(result.verdict.status, ownNull ? VerdictStatus::Caution : VerdictStatus::NotANull)
        << c.message;
  }
}

TEST(ExactCheck, StopsPromptlyWhenTheHostCancels) {
  // Cancelled before it starts, and by another thread while it runs: each
  // time the check comes back at its next step, says so, and the verdict
  // cannot be ok. A check runs about a millisecond; 0.2 s is generous for a
  // loaded machine.
  CancelToken cancel;
  cancel.Cancel();
  const SolvedSetUp input = StartUpExactInput();
  const ExactCheckResult before = RunExactCheck(input, &cancel);
  EXPECT_TRUE(before.cancelled);
  EXPECT_EQ(before.verdict.status, VerdictStatus::Caution);
  EXPECT_EQ(before.verdict.reasons.back().code, "exact_check_stopped");

  cancel.Reset();
  std::thread canceller([&] { cancel.Cancel(); });
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 1000 && !RunExactCheck(input, &cancel).cancelled; ++i) {
  }
  canceller.join();
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 0.2);
  EXPECT_TRUE(RunExactCheck(input, &cancel).cancelled);
}

TEST(ExactCheckText, ReportsTheVerdictFirstInTheRunsUnit) {
  // Golden text: the verdict and its reasons, the distances to set up with
  // the wavefront there, then the figures; millimetres to the run's 3
  // decimals (one more for the small focus offset), trailing zeros dropped,
  // waves to 4 decimals.
  ExactCheckResult result;
  result.ok = true, result.pvWaves = 0.03083, result.rmsWaves = 0.00632, result.strehl = 0.99842;
  result.bestFocusOffset = 0.008 * kMm, result.lensHeights = {1.0, 1.25, 1.25, 1.0};
  result.pvWavesSource = 0.0931, result.rmsWavesSource = 0.0346;
  result.exactNull.converged = true, result.exactNull.objectDistance = 204.7305 * kMm;
  result.exactNull.lensMirrorDistance = 2076.765 * kMm;
  result.exactNull.pvWaves = 0.0307, result.exactNull.rmsWaves = 0.0058;
  result.verdict.status = VerdictStatus::Caution;
  result.verdict.reasons = {{VerdictStatus::Caution, "degenerate_null", "One."},
                            {VerdictStatus::Caution, "sphere_needs_no_lens", "Two."}};
  RecommendedSetUp& r = result.verdict.recommended;
  r.available = true, r.objectDistance = 204.7305 * kMm, r.lensMirrorDistance = 2076.765 * kMm;
  r.objectDistanceChange = -0.0865 * kMm, r.lensMirrorDistanceChange = 0.399 * kMm;
  r.pvWaves = 0.0307, r.rmsWaves = 0.0058, r.strehl = 0.99867, r.reportCostWaves = 0.00013;
  EXPECT_EQ(ExactCheckText(result, false),
            "Exact check\n"
            "Verdict: caution\n"
            "  - One.\n"
            "  - Two.\n"
            "Distances to set up (the exact null):\n"
            "  Object to Lens = 204.73 mm (report 204.817 mm)\n"
            "  Lens to Mirror = 2076.765 mm (report 2076.366 mm)\n"
            "  Wavefront there = 0.0307 waves P-V (λ/33), 0.0058 waves RMS, Strehl 0.9987\n"
            "  At the report's distances it is 0.0001 waves P-V worse\n"
            "Wavefront about best focus      = 0.0308 waves P-V, 0.0063 waves RMS\n"
            "Strehl ratio                    = 0.9984\n"
            "Best focus beyond the source    = 0.008 mm\n"
            "Wavefront about the source      = 0.0931 waves P-V, 0.0346 waves RMS\n"
            "Marginal ray on the lens, out   = 25.4 mm, 31.75 mm\n"
            "Marginal ray on the lens, back  = 31.75 mm, 25.4 mm\n"
            "Exact null: Object to Lens     = 204.73 mm\n"
            "Exact null: Lens to Mirror     = 2076.765 mm\n"
            "Exact null: wavefront          = 0.0307 waves P-V, 0.0058 waves RMS");
  // Waves as a fraction: whole denominators from λ/10, one decimal below.
  const std::pair<double, const char*> fractions[] = {{0.03125, "λ/32"},
                                                      {0.25, "λ/4"},
                                                      {0.2216, "λ/4.5"},
                                                      {1.2372, "1.24λ"},
                                                      {0.0, "under λ/1000"}};
  for (const auto& [waves, text] : fractions) EXPECT_EQ(WaveFractionText(waves), text) << waves;
}

TEST(ExactCheckJson, CarriesTheFiguresInTheRunsUnitAndNullForWhatWasNotComputed) {
  // Lengths converted (1 inch = 25.4 mm), strings escaped, and figures that
  // were not computed (NaN, or the last step of an exact null that did not
  // converge) written as null, never 0.
  ExactCheckResult result;
  result.ok = true, result.strehl = std::nan(""), result.bestFocusOffset = 1.0;
  result.exactNull.converged = false, result.exactNull.why = "no \"null\"";
  result.exactNull.objectDistance = 8.0;
  result.verdict.status = VerdictStatus::NotANull;
  result.verdict.reasons = {{VerdictStatus::NotANull, "residual_over_quarter_wave", "Bad."}};
  const std::string mm = ExactCheckJson(result, false);
  for (const char* field :
       {"\"best_focus_offset\":25.4", "\"strehl\":null",
        "\"exact_null\":{\"object_distance\":null,\"lens_mirror_distance\":null",
        "\"message\":\"no \\\"null\\\"\"", "\"converged\":false", "\"failure\":null",
        "\"verdict\":{\"status\":\"not_a_null\",\"reasons\":[{\"code\":"
        "\"residual_over_quarter_wave\",\"text\":\"Bad.\"}]}",
        "\"recommended\":{\"object_distance\":null,\"lens_mirror_distance\":null"}) {
    EXPECT_NE(mm.find(field), std::string::npos) << field << "\n" << mm;
  }
}

}  // namespace
}  // namespace vn
