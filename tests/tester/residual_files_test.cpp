// The exported residual: its sign and size against the closed form for a
// bare conic, and the files read back into the wavefront they came from.
#include "tester/residual_files.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/pupil_wavefront.h"
#include "analysis/skew_trace.h"
#include "analysis/zernike.h"
#include "support/comma_locale.h"
#include "support/files.h"
#include "support/start_up_set_up.h"
#include "tester/mirror_through_null.h"
#include "tester_set_ups.h"

namespace vn {
namespace {

using test::FileText;
using test::TextLines;

double Number(const std::string& text) {
  double value = std::nan("");
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  EXPECT_TRUE(result.ec == std::errc() && result.ptr == text.data() + text.size())
      << "not a number: '" << text << "'";
  return value;
}

// The closed form of a bare conic tested at the centre of curvature of its
// vertex sphere. A point of the conic r² = 2Rz − (1+K)z² lies at
// √(R² − K·z²) from that centre (expand (R − z)² + r²), so the light's path
// out and back is 2·√(R² − K·z²) against the sphere's 2R: to first order in
// the aberration the mirror's wavefront error (the negative of the path's
// excess) is W = −2·(√(R² − K·z²) − R) ≈ K·r⁴/(4R³). Its primary spherical
// Fringe term, peak-normalised, is the projection 5·∫ W·Z8·2ρ dρ
// (∫ Z8²·2ρ dρ = 1/5), taken here by Gauss–Legendre in ρ with the exact sag.
double BareConicZ8Waves(double a, double R, double K, double wavelengthMicrons) {
  // 20-point Gauss–Legendre on [0, 1] from the 10 positive nodes on [−1, 1].
  static const double x[10] = {0.0765265211334973, 0.2277858511416451, 0.3737060887154195,
                               0.5108670019508271, 0.6360536807265150, 0.7463319064601508,
                               0.8391169718222188, 0.9122344282513259, 0.9639719272779138,
                               0.9931285991850949};
  static const double w[10] = {0.1527533871307258, 0.1491729864726037, 0.1420961093183820,
                               0.1316886384491766, 0.1181945319615184, 0.1019301198172404,
                               0.0832767415767048, 0.0626720483341091, 0.0406014298003869,
                               0.0176140071391521};
  double sum = 0.0;
  for (int i = 0; i < 10; ++i) {
    for (double sign : {-1.0, 1.0}) {
      const double rho = 0.5 * (1.0 + sign * x[i]);
      const double r = rho * a;
      // Sag of the conic, in the form that holds for every K.
      const double z = r * r / (R * (1.0 + std::sqrt(1.0 - (1.0 + K) * r * r / (R * R))));
      const double W = -2.0 * (std::sqrt(R * R - K * z * z) - R);
      const double z8 = 6.0 * std::pow(rho, 4) - 6.0 * rho * rho + 1.0;
      sum += 0.5 * w[i] * W * z8 * 2.0 * rho;
    }
  }
  return 5.0 * sum * 25400.0 / wavelengthMicrons;
}

// The primary spherical term of a bare conic, measured by the exact trace,
// against the closed form: its sign (a paraboloid's edge stands below the
// vertex sphere, so it looks low: negative) and its size.
//
// The closed form is the wavefront at the mirror, the exit pupil of a bare
// mirror. The pupil wavefront is measured instead on a sphere of radius
// about D about the focus (pupil_wavefront.h). Rays that miss the focus by ε
// travel between the two spheres ε²/2·(1/D − 1/R) further than the radius
// does: a second-order term, which the expected value adds. With the
// wavefront about best focus W = A·(ρ⁴ − ρ²), A = K·a⁴/(4R³), the transverse
// error is ε = (R/a)·dW/dρ = (R/a)·A·(4ρ³ − 2ρ); ε² = (R·A/a)²·(16ρ⁶ − 16ρ⁴ +
// 4ρ²) holds 16/4 − 16/6 = 4/3 of Z8 per (R·A/a)², a longer path, so the
// mirror's Z8 falls by (2/3)·(R·A/a)²·(1/D − 1/R), about 3·|K|·(a/R)² of
// the term (1 % for an f/8 paraboloid). What is left out (the focus's own
// shift, fourth order in the aperture) stays below 0.2 %; the tolerance of
// 0.3 % is ten times finer than any error of sign, factor or unit.
TEST(ExportedResidual, PrimarySphericalOfBareConicMatchesClosedForm) {
  struct Case {
    double a, R, K;
  };
  const Case cases[] = {{3.0, 40.0, -1.0},  // 6" f/3.3 paraboloid
                        {6.25, 100.0, -1.0},
                        {4.0, 60.0, -0.5},
                        {5.0, 80.0, 0.4},    // oblate: a high edge, positive
                        {4.0, 72.0, -2.0}};  // hyperboloid
  for (const Case& c : cases) {
    const SolvedSetUp in = test::BareMirrorAtCentre(c.a, c.R, c.K);
    const TesterModel model(in);
    ASSERT_TRUE(model.ok()) << model.message();
    const MirrorThroughNull mirror = model.Mirror(0.0);
    ASSERT_TRUE(mirror.ok) << mirror.why;
    const double A = c.K * std::pow(c.a, 4) / (4.0 * std::pow(c.R, 3));
    const double secondOrder = -(2.0 / 3.0) * std::pow(c.R * A / c.a, 2) *
                               (1.0 / in.objectDistance - 1.0 / c.R) * 25400.0 /
                               in.wavelengthMicrons;
    const double expected = BareConicZ8Waves(c.a, c.R, c.K, in.wavelengthMicrons) + secondOrder;
    EXPECT_NEAR(mirror.zernike[8], expected, 3e-3 * std::fabs(expected))
        << "a " << c.a << " R " << c.R << " K " << c.K;
    EXPECT_EQ(mirror.zernike[8] < 0, c.K < 0);
    // A centred set-up has no tilt, astigmatism or coma.
    for (int j : {1, 2, 4, 5, 6, 7}) EXPECT_NEAR(mirror.zernike[j], 0.0, 1e-9);
  }
}

// The files read back rebuild the wavefront the exact trace measured, to a
// millionth of a wave: the .zrn's coefficients at the traced pupil points,
// and the .wft's grid against the .zrn. Run under a comma locale, which must
// not reach the numbers.
TEST(ExportedResidual, FilesRebuildTheTracedWavefront) {
  test::CommaLocale comma;
  const SolvedSetUp in = test::StartUpExactInput();
  const TesterModel model(in);
  ASSERT_TRUE(model.ok()) << model.message();
  const MirrorThroughNull mirror = model.Mirror(0.0);
  ASSERT_TRUE(mirror.ok) << mirror.why;

  const test::TempFolder folder("residual");
  const ResidualExport written = WriteResidualFiles(mirror, folder.path, false);
  ASSERT_TRUE(written.ok) << written.why;
  ASSERT_EQ(written.paths.size(), 3u);

  // The .zrn: 49 numbers, one a line.
  const std::vector<std::string> zrn = TextLines(FileText(folder / "null_residual.zrn"));
  ASSERT_EQ(zrn.size(), 49u);
  std::vector<double> c;
  for (const std::string& line : zrn) c.push_back(Number(line));

  // The wavefront as traced, independently of the export: the same pupil,
  // its path excess turned into the mirror's error, x as the tester sees it.
  const PupilPlan plan = MakePupilPlan(MakeSkewSetUp(AsBuilt{.setUp = in}),
                                       in.system.MirrorSemiDiameter, kResidualSampling);
  ASSERT_TRUE(plan.ok);
  const PupilWavefront traced =
      MeasurePupilWavefront(plan, MakeSkewSetUp(AsBuilt{.setUp = in}), in.wavelengthMicrons);
  ASSERT_TRUE(traced.ok);
  double worst = 0.0;
  for (std::size_t i = 0; i < plan.points.size(); ++i) {
    const double rebuilt = ZernikeSum(c, -plan.points[i].x, plan.points[i].y);
    worst = std::max(worst, std::fabs(rebuilt + traced.waves[i]));
  }
  EXPECT_LT(worst, 1e-6);
  EXPECT_LT(mirror.fitRmsResidualWaves, 1e-6);

  // The .wft: its size, 401² values with the top row first, the trailer.
  const std::vector<std::string> wft = TextLines(FileText(folder / "null_residual.wft"));
  const int n = kWftGridSize;
  ASSERT_EQ(wft.size(), static_cast<std::size_t>(2 + n * n + 5));
  EXPECT_EQ(wft[0], std::to_string(n));
  EXPECT_EQ(wft[1], std::to_string(n));
  double worstGrid = 0.0;
  int inside = 0;
  for (int line = 0; line < n * n; ++line) {
    const int row = n - 1 - line / n, col = line % n;
    const double x = (col - 200.0) / kWftPupilRadius, y = (row - 200.0) / kWftPupilRadius;
    const double value = Number(wft[2 + line]);
    if (x * x + y * y > 1.0) {
      ASSERT_EQ(value, 0.0);
      continue;
    }
    ++inside;
    worstGrid = std::max(worstGrid, std::fabs(value - ZernikeSum(c, x, y)));
  }
  EXPECT_LT(worstGrid, 1e-6);
  EXPECT_GT(inside, 120000);
  const std::vector<std::string> trailer(wft.end() - 5, wft.end());
  EXPECT_EQ(trailer[0], "outside ellipse 200 200 198 198");
  EXPECT_EQ(trailer[1], "DIAM 317.5");
  EXPECT_EQ(trailer[2], "ROC 2540");
  EXPECT_EQ(trailer[3], "Lambda 632.8");
  EXPECT_EQ(trailer[4], "Do Not use null1");

  // The .csv: a header and 101 zones; the residual column is the .zrn's.
  const std::vector<std::string> csv = TextLines(FileText(folder / "null_residual.csv"));
  ASSERT_EQ(csv.size(), 102u);
  EXPECT_EQ(csv[0],
            "zone_percent,mirror_height_mm,residual_waves,axis_crossing_beyond_source_mm,"
            "height_at_return_image_mm,seen_at_zone_percent");
  for (std::size_t i = 1; i < csv.size(); ++i) {
    std::vector<std::string> cells;
    std::istringstream row(csv[i]);
    for (std::string cell; std::getline(row, cell, ',');) cells.push_back(cell);
    ASSERT_GE(cells.size(), 3u) << csv[i];
    const double rho = Number(cells[0]) / 100.0;
    EXPECT_NEAR(Number(cells[1]), rho * 158.75, 1e-6);
    EXPECT_NEAR(Number(cells[2]), ZernikeSum(c, rho, 0.0), 1e-6);
  }
}

}  // namespace
}  // namespace vn
