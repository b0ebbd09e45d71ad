// The exact spacing range against physics: its ends judged by the
// independent three-dimensional trace, and its width against how a spacing
// error aberrates the test.
#include "exact/spacing_range.h"

#include <gtest/gtest.h>

#include <cmath>

#include "analysis/pupil_wavefront.h"
#include "analysis/skew_trace.h"
#include "exact/exact_check.h"
#include "support/bare_mirror.h"
#include "support/start_up_set_up.h"

namespace vn {
namespace {

struct Range {
  ExactSpacingRange range;
  double Width() const { return range.longer.spacingChange - range.shorter.spacingChange; }
};

Range RangeFor(double limitWaves) {
  const SolvedSetUp in = test::StartUpExactInput();
  const ExactCheckResult check = RunExactCheck(in);
  EXPECT_TRUE(check.verdict.recommended.available);
  return {FindExactSpacingRange(in, check.verdict.recommended, limitWaves)};
}

// Each end is where the P-V reaches the limit: the whole pupil traced in
// three dimensions (skew_trace.h, a tracer of its own) at the end's two
// distances, about its best reference point. Forty rings put the sampled
// extremes within a few ten-thousandths of a wave of the true ones; the 1 %
// allows that and the two tracers' difference (2e-4 waves).
TEST(ExactSpacingRange, EndsReachTheLimitByAnIndependentTrace) {
  constexpr double kLimit = 0.125;
  const Range r = RangeFor(kLimit);
  ASSERT_TRUE(r.range.ok) << r.range.why;
  ASSERT_TRUE(r.range.shorter.found && r.range.longer.found);
  EXPECT_LT(r.range.shorter.spacingChange, 0.0);
  EXPECT_GT(r.range.longer.spacingChange, 0.0);
  // The return image beyond the source, by the three-dimensional trace.
  const auto traced = [](double D, double d2) {
    SolvedSetUp at = test::StartUpExactInput();
    at.objectDistance = D;
    at.lensMirrorDistance = d2;
    const SkewSetUp skew = MakeSkewSetUp(AsBuilt{.setUp = at});
    const PupilPlan plan = MakePupilPlan(skew, at.system.MirrorSemiDiameter, {40, 16});
    EXPECT_TRUE(plan.ok) << plan.why;
    PupilWavefront w = MeasurePupilWavefront(plan, skew, at.wavelengthMicrons);
    EXPECT_TRUE(w.ok) << w.why;
    w.referencePoint.z = -D - w.referencePoint.z;
    return w;
  };
  const PupilWavefront atNull = traced(r.range.nullObjectDistance, r.range.nullLensMirrorDistance);
  for (const SpacingRangeEnd* end : {&r.range.shorter, &r.range.longer}) {
    const PupilWavefront atEnd = traced(end->objectDistance, end->lensMirrorDistance);
    EXPECT_NEAR(atEnd.pvWaves, kLimit, 0.01 * kLimit) << end->spacingChange;
    // The source was refocused: the return image stands where it stood at
    // the null (some 10 µm beyond the source), to a micrometre, a
    // hundredth of the quarter-wave depth.
    EXPECT_NEAR(atEnd.referencePoint.z, atNull.referencePoint.z, 1e-3 * test::kMm);
  }
}

// A spacing error δ adds to the null's small residual W0 an aberration
// a·δ + b·δ² (in the wavefront's shape), so for limits well above W0's P-V
// (0.03 waves here) the ends stand at about ±limit/a: the range doubles with
// the limit, and is symmetric about the null but for the second-order term,
// whose share (the ends' mean over the width, about b·δ/a) grows in
// proportion to the range itself. None is left once the limit is below the
// null's own P-V.
TEST(ExactSpacingRange, ScalesWithTheLimitAndIsSymmetricToFirstOrder) {
  const Range eighth = RangeFor(0.125), quarter = RangeFor(0.25), half = RangeFor(0.5),
              whole = RangeFor(1.0);
  for (const Range* r : {&eighth, &quarter, &half, &whole}) {
    ASSERT_TRUE(r->range.ok) << r->range.why;
  }
  const auto asymmetry = [](const Range& r) {
    return (r.range.longer.spacingChange + r.range.shorter.spacingChange) / r.Width();
  };
  EXPECT_LT(eighth.Width(), quarter.Width());
  EXPECT_NEAR(whole.Width() / half.Width(), 2.0, 0.1);
  EXPECT_LT(std::fabs(asymmetry(quarter)), 0.05);
  EXPECT_NEAR(asymmetry(whole) / asymmetry(half), 2.0, 0.2);
  const Range tooTight = RangeFor(0.01);
  EXPECT_FALSE(tooTight.range.ok);
  EXPECT_NE(tooTight.range.why.find("not within 0.01 waves"), std::string::npos)
      << tooTight.range.why;
}

// A "lens" of index 1 bends no ray: moving it changes nothing, and a sphere
// tested at its centre stays perfect whatever the spacing. Toward the
// mirror the range is open as far as it is searched; away from it the
// refocused source (D + d2 stays R less the plate) reaches the lens when
// the spacing has grown by D, and the range ends there, saying why.
TEST(ExactSpacingRange, AnInertLensEndsTheRangeOnlyWhereTheSourceMeetsIt) {
  const SolvedSetUp in = test::BareMirrorAtCentre(4.0, 80.0, 0.0);
  const RecommendedSetUp at{.available = true,
                            .objectDistance = in.objectDistance,
                            .lensMirrorDistance = in.lensMirrorDistance};
  const ExactSpacingRange range = FindExactSpacingRange(in, at, 0.05);
  ASSERT_TRUE(range.ok) << range.why;
  EXPECT_FALSE(range.shorter.found);
  EXPECT_DOUBLE_EQ(range.searchedTo, 0.5 * at.lensMirrorDistance);
  ASSERT_TRUE(range.longer.found);
  EXPECT_NEAR(range.longer.spacingChange, at.objectDistance, 1e-3);
  EXPECT_LT(range.longer.pvWaves, 1e-3);
  EXPECT_FALSE(range.longer.untraceableBeyond.empty());
  const std::string text = ExactSpacingRangeText(range, true);
  EXPECT_NE(text.find("from no end within -29.95\" to +"), std::string::npos) << text;
  EXPECT_NE(text.find("beyond it the set-up cannot be traced: "), std::string::npos) << text;
}

}  // namespace
}  // namespace vn
