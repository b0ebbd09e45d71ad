// The bracketed root finder and minimiser on functions that defeat plain
// secant or Newton steps.
#include "exact/scalar_search.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vn {
namespace {

TEST(FindRootBracketed, SettlesHardRootsWithinTheTolerance) {
  struct Case {
    const char* name;
    double (*f)(double);
    double a, b, root;
  };
  const Case cases[] = {
      // Flat near the root (triple root): interpolation crawls, bisection must take over.
      {"cubic", [](double x) { return (x - 0.3) * (x - 0.3) * (x - 0.3); }, -1.0, 2.0, 0.3},
      // Steep step: a secant overshoots far out of the bracket.
      {"tanh", [](double x) { return std::tanh(50.0 * (x - 0.7)); }, 0.0, 1.0, 0.7},
      // Ordinary smooth root, from a wide bracket.
      {"cosine", [](double x) { return std::cos(x) - x; }, 0.0, 10.0, 0.7390851332151607},
      // Root exactly at an end of the bracket.
      {"end", [](double x) { return x - 2.0; }, 2.0, 5.0, 2.0},
  };
  for (const Case& c : cases) {
    const auto root = FindRootBracketed(c.f, c.a, c.b, 1e-14);
    ASSERT_TRUE(root) << c.name;
    // The bracket is closed to 1e-14; the cubic's root is only determined to
    // the cube root of rounding in f (~1e-5 relative), hence its wider margin.
    EXPECT_NEAR(*root, c.root, std::string(c.name) == "cubic" ? 1e-5 : 1e-13) << c.name;
  }
}

TEST(FindRootBracketed, RefusesWhatItCannotBracket) {
  // No sign change, a function that is not a number, or too few iterations.
  EXPECT_FALSE(FindRootBracketed([](double x) { return x * x + 1.0; }, -1.0, 1.0, 1e-12));
  EXPECT_FALSE(FindRootBracketed([](double) { return std::nan(""); }, -1.0, 1.0, 1e-12));
  EXPECT_FALSE(
      FindRootBracketed([](double x) { return std::tanh(50.0 * (x - 0.7)); }, -1e6, 1e6, 1e-12, 3));
}

TEST(MinimiseBracketed, FindsTheBottomOfSmoothAndKinkedValleys) {
  // A parabola's vertex is found to far better than the bracket tolerance by
  // the final interpolation; a kinked |x| valley only to the tolerance.
  const double parabola = MinimiseBracketed([](double x) { return 3.0 * (x - 1.25) * (x - 1.25) + 2.0; },
                                            -10.0, 10.0, 1e-6);
  EXPECT_NEAR(parabola, 1.25, 1e-8);
  const double kink = MinimiseBracketed([](double x) { return std::fabs(x + 0.4); }, -1.0, 3.0, 1e-9);
  EXPECT_NEAR(kink, -0.4, 1e-9);
  // A minimum at the bracket's end is approached to the tolerance.
  const double edge = MinimiseBracketed([](double x) { return x; }, 0.0, 1.0, 1e-9);
  EXPECT_NEAR(edge, 0.0, 1e-9);
}

}  // namespace
}  // namespace vn
