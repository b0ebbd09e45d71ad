// The bracketed root finder and minimiser on functions that defeat plain
// secant or Newton steps.
#include "exact/scalar_search.h"

#include <gtest/gtest.h>

#include <cmath>

#include "common/cancel_token.h"

namespace vn {
namespace {

TEST(ScalarSearch, SettlesAwkwardRootsAndMinimaOrRefuses) {
  // Roots closed to 1e-14, checked to 1e-13 for rounding; a triple root is
  // only determined to the cube root of rounding in f (~1e-5).
  struct Case {
    double (*f)(double);
    double a, b, root, tolerance;
  };
  const Case cases[] = {
      // Flat near the root: interpolation crawls, bisection must take over.
      {[](double x) { return (x - 0.3) * (x - 0.3) * (x - 0.3); }, -1.0, 2.0, 0.3, 1e-5},
      // Steep step: a secant step overshoots far out of the bracket.
      {[](double x) { return std::tanh(50.0 * (x - 0.7)); }, 0.0, 1.0, 0.7, 1e-13},
      // cos x = x from a wide bracket (the Dottie number), and a root at an end.
      {[](double x) { return std::cos(x) - x; }, 0.0, 10.0, 0.7390851332151607, 1e-13},
      {[](double x) { return x - 2.0; }, 2.0, 5.0, 2.0, 1e-13},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(FindRootBracketed(c.f, c.a, c.b, 1e-14).value_or(-99.0), c.root, c.tolerance);
  }
  // No sign change, or a function that is not a number: nothing to return.
  EXPECT_FALSE(FindRootBracketed([](double x) { return x * x + 1.0; }, -1.0, 1.0, 1e-12));
  EXPECT_FALSE(FindRootBracketed([](double) { return std::nan(""); }, -1.0, 1.0, 1e-12));

  // The final parabolic step puts a parabola's vertex far inside the 1e-6
  // bracket; a kinked |x| valley is found only to its tolerance.
  EXPECT_NEAR(
      MinimiseBracketed([](double x) { return 3.0 * (x - 1.25) * (x - 1.25); }, -10.0, 10.0, 1e-6),
      1.25, 1e-8);
  EXPECT_NEAR(MinimiseBracketed([](double x) { return std::fabs(x + 0.4); }, -1.0, 3.0, 1e-9), -0.4,
              1e-9);
}

TEST(ScalarSearch, EndsOnItsOwnWhenTheToleranceIsBelowTheDoublesSpacing) {
  // Near 4e5 adjacent doubles are 6e-11 apart: a bracket of 1e-12 can never
  // be reached, yet both searches must end (on their iteration limits) with
  // the answer to the doubles' spacing; and a set cancel flag ends them at
  // once.
  const auto valley = [](double x) { return (x - 409702.5) * (x - 409702.5); };
  EXPECT_NEAR(MinimiseBracketed(valley, 409000.0, 410000.0, 1e-12), 409702.5, 1e-6);
  const auto line = [](double x) { return x - 409702.5; };
  EXPECT_NEAR(FindRootBracketed(line, 409000.0, 410000.0, 1e-12).value_or(0.0), 409702.5, 1e-9);
  CancelToken cancel;
  cancel.Cancel();
  int calls = 0;
  const auto counted = [&](double x) { return ++calls, valley(x); };
  MinimiseBracketed(counted, 409000.0, 410000.0, 1e-12, &cancel);
  EXPECT_FALSE(FindRootBracketed(counted, 409000.0, 410000.0, 1e-12, 200, &cancel));
  EXPECT_LE(calls, 4);  // the starting points only
}

}  // namespace
}  // namespace vn
