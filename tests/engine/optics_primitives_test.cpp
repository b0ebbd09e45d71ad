// The shared optics primitives against closed forms: the sag of a sphere and
// a paraboloid, a plano-convex lens's edge, the lensmaker's formula, and the
// degrees Gauss quadrature integrates exactly.
#include "engine/optics_primitives.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vn {
namespace {

TEST(OpticsPrimitives, FacesAndSagsFollowTheirClosedForms) {
  // A face typed 9e99 is flat and has no curvature; 1e30 itself is a radius.
  EXPECT_EQ(CurvatureFromRadius(9e99), 0.0);
  EXPECT_EQ(CurvatureFromRadius(-9e99), 0.0);
  EXPECT_EQ(CurvatureFromRadius(-200.0), -1.0 / 200.0);
  EXPECT_FALSE(IsFlatRadius(1e30));

  // A sphere of radius R: z = R − √(R² − h²), with the sign of R; the root
  // form agrees to rounding. At h = R (a hemisphere, R = 32 so that c·h is
  // exactly 1) the sag is R; past it,
  // nothing.
  for (double R : {206.0, -206.0, 40.0}) {
    for (double h : {0.0, 1.0, 20.0, 39.9}) {
      const double expected = std::copysign(std::fabs(R) - std::sqrt(R * R - h * h), R);
      EXPECT_NEAR(SphereSag(1.0 / R, h), expected, 1e-12 * std::fabs(R)) << R << " " << h;
    }
  }
  EXPECT_EQ(SphereSag(1.0 / 32.0, 32.0), 32.0);
  EXPECT_TRUE(std::isnan(SphereSag(1.0 / 40.0, 40.001)));

  // A paraboloid (k = −1) is h²/(2R) at every height, however far out; an
  // oblate spheroid (k + 1 = 2) reaches only R/√2.
  EXPECT_DOUBLE_EQ(ConicSag(1.0 / 2540.0, 0.0, 158.75), 158.75 * 158.75 / (2 * 2540.0));
  EXPECT_DOUBLE_EQ(ConicSag(1.0 / 10.0, 0.0, 100.0), 500.0);
  EXPECT_TRUE(std::isnan(ConicSag(1.0 / 10.0, 2.0, 7.1)));

  // A plano-convex lens, flat toward the source: edge = t − (R − √(R² − a²))
  // for the mirror-side radius −R.
  const double R = 206.0, a = 40.0, t = 15.0;
  EXPECT_NEAR(LensEdgeThickness(t, 0.0, -1.0 / R, a), t - (R - std::sqrt(R * R - a * a)), 1e-12);
  EXPECT_TRUE(std::isnan(LensEdgeThickness(t, 1.0 / 30.0, 0.0, a)));
}

TEST(OpticsPrimitives, LensPowerFollowsTheLensmakersFormula) {
  // An equiconvex lens of n = 1.5 has f = R thin; a plano-convex one f = R/(n − 1)
  // whatever its thickness (a flat face has no thickness term).
  const double n = 1.5;
  EXPECT_DOUBLE_EQ(1.0 / ThinLensPower(1.0 / 100, -1.0 / 100, n), 100.0);
  EXPECT_DOUBLE_EQ(1.0 / ThickLensPower(0.0, -1.0 / 50, 20.0, n), 100.0);
  // A ball lens (t = 2R): f = nR / (2(n − 1)).
  EXPECT_NEAR(1.0 / ThickLensPower(1.0 / 10, -1.0 / 10, 20.0, n), n * 10 / (2 * (n - 1)), 1e-12);
  // Thickness 0 is the thin lens.
  EXPECT_EQ(ThickLensPower(1.0 / 80, 1.0 / 300, 0.0, n), ThinLensPower(1.0 / 80, 1.0 / 300, n));
}

// ∫ x^k over [−1, 1]: 2/(k + 1) for even k, 0 for odd.
double Moment(int k) { return k % 2 ? 0.0 : 2.0 / (k + 1); }

double Apply(const QuadratureRule& rule, int k) {
  double sum = 0.0;
  for (std::size_t i = 0; i < rule.nodes.size(); ++i)
    sum += rule.weights[i] * std::pow(rule.nodes[i], k);
  return sum;
}

TEST(OpticsPrimitives, GaussRulesIntegrateTheirDegreesExactly) {
  // A rule of n nodes is exact exactly up to its degree: Legendre 2n − 1,
  // Lobatto 2n − 3. The first degree beyond it must miss, or the nodes are
  // not the Gauss ones.
  for (int n : {2, 3, 7, 16}) {
    const QuadratureRule legendre = GaussLegendreRule(n);
    ASSERT_EQ(legendre.nodes.size(), static_cast<std::size_t>(n));
    for (int k = 0; k <= 2 * n - 1; ++k) EXPECT_NEAR(Apply(legendre, k), Moment(k), 1e-14) << n;
    EXPECT_GT(std::fabs(Apply(legendre, 2 * n) - Moment(2 * n)), 1e-12) << n;

    const QuadratureRule lobatto = GaussLobattoRule(n);
    EXPECT_EQ(lobatto.nodes.front(), 1.0);
    EXPECT_EQ(lobatto.nodes.back(), -1.0);
    for (int k = 0; k <= 2 * n - 3; ++k) EXPECT_NEAR(Apply(lobatto, k), Moment(k), 1e-14) << n;
    EXPECT_GT(std::fabs(Apply(lobatto, 2 * n - 2) - Moment(2 * n - 2)), 1e-12) << n;
  }
}

}  // namespace
}  // namespace vn
