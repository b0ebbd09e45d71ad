// Zernike polynomials in the Fringe order and their fit: the order against
// the published Fringe table, the polynomials against their textbook forms,
// the quadrature of the pupil against integrals over the disc, and the fit
// against sums of known terms.
#include "analysis/zernike.h"

#include <gtest/gtest.h>

#include <cmath>

#include "analysis/pupil_wavefront.h"

namespace vn {
namespace {

constexpr double kPi = 3.141592653589793;

TEST(Zernike, FringeOrderFollowsTheFringeTable) {
  // The University of Arizona Fringe set, Z1–Z36 one-based (Wyant and
  // Creath, "Basic Wavefront Aberration Theory", table 13.2), then the same
  // rule continued to the 49th term.
  struct Row {
    int index;  // zero-based
    int n, m;
    bool sine;
  };
  const Row table[] = {{0, 0, 0, false},  {1, 1, 1, false},  {2, 1, 1, true},    {3, 2, 0, false},
                       {4, 2, 2, false},  {5, 2, 2, true},   {6, 3, 1, false},   {7, 3, 1, true},
                       {8, 4, 0, false},  {9, 3, 3, false},  {10, 3, 3, true},   {11, 4, 2, false},
                       {13, 5, 1, false}, {15, 6, 0, false}, {16, 4, 4, false},  {24, 8, 0, false},
                       {25, 5, 5, false}, {34, 9, 1, true},  {35, 10, 0, false}, {36, 6, 6, false},
                       {47, 11, 1, true}, {48, 12, 0, false}};
  for (const Row& row : table) {
    const ZernikeTerm term = FringeTerm(row.index);
    EXPECT_EQ(term.n, row.n) << row.index;
    EXPECT_EQ(term.m, row.m) << row.index;
    EXPECT_EQ(term.sine, row.sine) << row.index;
  }
  for (int j = 0; j < 100; ++j) EXPECT_EQ(FringeIndex(FringeTerm(j)), j);
}

TEST(Zernike, PolynomialsMatchTheirTextbookForms) {
  // Wyant and Creath, table 13.2, at points inside the disc and on its edge.
  for (const double rho : {0.0, 0.3, 0.71, 1.0}) {
    for (const double theta : {0.0, 0.4, 2.5}) {
      const double x = rho * std::cos(theta), y = rho * std::sin(theta);
      const double r2 = rho * rho;
      const struct {
        int index;
        double value;
      } cases[] = {
          {3, 2 * r2 - 1},
          {4, r2 * std::cos(2 * theta)},
          {7, (3 * r2 - 2) * rho * std::sin(theta)},
          {8, 6 * r2 * r2 - 6 * r2 + 1},
          {11, (4 * r2 - 3) * r2 * std::cos(2 * theta)},
          {15, 20 * r2 * r2 * r2 - 30 * r2 * r2 + 12 * r2 - 1},
          {35, 252 * std::pow(rho, 10) - 630 * std::pow(rho, 8) + 560 * std::pow(rho, 6) -
                   210 * std::pow(rho, 4) + 30 * r2 - 1},
      };
      for (const auto& c : cases) {
        EXPECT_NEAR(ZernikeValue(FringeTerm(c.index), x, y), c.value, 1e-12)
            << c.index << " at " << rho << ", " << theta;
      }
    }
  }
  // Peak-normalised: every radial polynomial is 1 at the edge.
  for (int j = 0; j < 49; ++j) {
    const ZernikeTerm t = FringeTerm(j);
    EXPECT_NEAR(ZernikeRadial(t.n, t.m, 1.0), 1.0, 1e-12) << j;
  }
}

TEST(Zernike, RingsAndSpokesIntegrateTheDiscExactly) {
  // ∫ Z_j·Z_k dA / π over the unit disc is 0 for j ≠ k and, for a term
  // of degree n and frequency m, 1/(n+1) when m = 0 and 1/(2(n+1))
  // otherwise (Born and Wolf, §9.2). The rings and spokes must give it to
  // rounding for the reported terms.
  const std::vector<PupilPoint> points = RingsAndSpokes({});
  double total = 0.0;
  for (const PupilPoint& p : points) total += p.weight;
  EXPECT_NEAR(total, 1.0, 1e-14);
  for (int j = 0; j < kReportedFringeTerms; ++j) {
    for (int k = j; k < kReportedFringeTerms; ++k) {
      double sum = 0.0;
      for (const PupilPoint& p : points) {
        sum += p.weight * ZernikeValue(FringeTerm(j), p.x, p.y) *
               ZernikeValue(FringeTerm(k), p.x, p.y);
      }
      const ZernikeTerm t = FringeTerm(j);
      const double expected = j != k ? 0.0 : (t.m == 0 ? 1.0 : 0.5) / (t.n + 1);
      EXPECT_NEAR(sum, expected, 1e-13) << j << ", " << k;
    }
  }
}

TEST(Zernike, FitRecoversTheTermsOfASum) {
  // A wavefront made of known terms, sampled on rings and spokes and on a
  // square grid clipped to the disc, is fitted back to its coefficients.
  std::vector<double> coefficients(kReportedFringeTerms);
  for (int j = 0; j < kReportedFringeTerms; ++j)
    coefficients[j] = std::sin(1.7 * j + 0.3) / (j + 1);

  std::vector<std::array<double, 2>> rings, grid;
  std::vector<double> ringWeights, gridWeights;
  for (const PupilPoint& p : RingsAndSpokes({})) {
    rings.push_back({p.x, p.y});
    ringWeights.push_back(p.weight);
  }
  for (int i = -20; i <= 20; ++i) {
    for (int k = -20; k <= 20; ++k) {
      const double x = i / 20.0, y = k / 20.0;
      if (x * x + y * y > 1.0) continue;
      grid.push_back({x, y});
      gridWeights.push_back(1.0);
    }
  }
  for (const auto& [points, weights] :
       {std::pair{rings, ringWeights}, std::pair{grid, gridWeights}}) {
    const ZernikeFit fit(points, weights, kReportedFringeTerms);
    ASSERT_TRUE(fit.ok());
    std::vector<double> values;
    for (const auto& p : points) values.push_back(ZernikeSum(coefficients, p[0], p[1]));
    const std::vector<double> fitted = fit.Fit(values);
    ASSERT_EQ(fitted.size(), coefficients.size());
    for (int j = 0; j < kReportedFringeTerms; ++j)
      EXPECT_NEAR(fitted[j], coefficients[j], 1e-11) << j;
  }
}

TEST(Zernike, FitRefusesPointsThatCannotTellTheTermsApart) {
  // One spoke sees no sine terms; two points cannot carry four terms.
  std::vector<std::array<double, 2>> spoke;
  for (int i = 0; i <= 10; ++i) spoke.push_back({i / 10.0, 0.0});
  EXPECT_FALSE(ZernikeFit(spoke, std::vector<double>(spoke.size(), 1.0), 4).ok());
  EXPECT_FALSE(ZernikeFit({{0.1, 0.2}, {0.3, 0.1}}, {1.0, 1.0}, 4).ok());
  EXPECT_TRUE(ZernikeFit(spoke, std::vector<double>(spoke.size(), 1.0), 2).Fit({1.0}).empty());
}

}  // namespace
}  // namespace vn
