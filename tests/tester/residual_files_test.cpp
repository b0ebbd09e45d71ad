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
#include "dftfringe_files.h"
#include "support/bare_mirror.h"
#include "support/comma_locale.h"
#include "support/files.h"
#include "support/start_up_set_up.h"
#include "tester/mirror_through_null.h"

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

  // The .zrn as the program reads it: 49 numbers, one a line, then the
  // line that names the set-up, where its reading stops.
  const std::string zrnText = FileText(folder / "null_residual.zrn");
  const std::vector<std::string> zrn = TextLines(zrnText);
  ASSERT_EQ(zrn.size(), 50u);
  const std::vector<double> c = test::ReadDftZernikes(zrnText);
  ASSERT_EQ(c.size(), 49u);
  for (int j = 0; j < 49; ++j) EXPECT_EQ(c[j], Number(zrn[j]));
  EXPECT_EQ(zrn[49], "Residual traced " + mirror.tracedAt);

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

  // The .wft read as DFTFringe reads it: the grid upside down, the outline
  // from its trailer, an exact 0 as no data. Its outline is the grid's
  // (N−1)/2 circle, every point inside it holds data, none outside.
  const test::DftWavefront wft = test::ReadDftWavefront(FileText(folder / "null_residual.wft"));
  ASSERT_TRUE(wft.ok);
  const int n = wft.width;
  ASSERT_EQ(wft.height, n);
  EXPECT_EQ(wft.centreX, 0.5 * (n - 1));
  EXPECT_EQ(wft.centreY, 0.5 * (n - 1));
  EXPECT_EQ(wft.radius, 0.5 * (n - 1));
  EXPECT_EQ(wft.diameterMm, 317.5);
  EXPECT_EQ(wft.rocMm, 2540.0);
  EXPECT_EQ(wft.lambdaNm, 632.8);
  EXPECT_TRUE(wft.noNull);
  std::vector<std::array<double, 2>> points;
  std::vector<double> values;
  for (int row = 0; row < n; ++row) {
    for (int col = 0; col < n; ++col) {
      const double x = (col - wft.centreX) / wft.radius, y = (row - wft.centreY) / wft.radius;
      const bool inside = x * x + y * y <= 1.0;
      ASSERT_EQ(wft.At(row, col) != 0.0, inside) << "row " << row << " col " << col;
      // Its own fit: a mask two pixels inside the outline (every other
      // pixel is plenty for 49 terms).
      if (std::hypot(x, y) * wft.radius <= wft.radius - 2.0 && (row + col) % 2 == 0) {
        points.push_back({x, y});
        values.push_back(wft.At(row, col));
      }
    }
  }
  // Its fit of the grid gives the .zrn's terms: same order, same sign.
  const ZernikeFit fit(points, std::vector<double>(points.size(), 1.0), 49);
  ASSERT_TRUE(fit.ok());
  const std::vector<double> gridTerms = fit.Fit(values);
  for (int j = 0; j < 49; ++j) EXPECT_NEAR(gridTerms[j], c[j], 1e-7) << "Z" << j;

  // The .csv: a header, 101 zones and the set-up as a comment line; the
  // residual column is the .zrn's.
  std::vector<std::string> csv = TextLines(FileText(folder / "null_residual.csv"));
  ASSERT_EQ(csv.size(), 103u);
  EXPECT_EQ(csv.back().rfind("# Residual traced at ", 0), 0u);
  EXPECT_EQ(csv.back().find(','), std::string::npos);
  csv.pop_back();
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

// DFTFringe's "Subtract wavefronts" stretches both grids to one size
// (bilinear, the pupils' centres and edges at (N−1)/2 of each) and subtracts.
// A measured wavefront of a perfect mirror through the null, sampled at
// another size, less our stretched .wft must leave almost nothing: the
// bilinear step alone leaves about 1e-4 waves RMS. A grid whose pupil is two
// steps smaller (our old radius) leaves several times that, in a ring at the
// edge, so the bound tells the two apart.
TEST(ExportedResidual, StretchedWftSubtractsFromMeasuredWavefront) {
  const MirrorThroughNull mirror = TesterModel(test::StartUpExactInput()).Mirror(0.0);
  ASSERT_TRUE(mirror.ok) << mirror.why;
  const test::DftWavefront ours = test::ReadDftWavefront(WftText(mirror));
  ASSERT_TRUE(ours.ok);
  const std::vector<double>& c = mirror.zernike;

  // The residual on an n-grid whose pupil has radius r, 0 outside.
  const auto grid = [&](int n, double r) {
    std::vector<double> g(static_cast<std::size_t>(n) * n, 0.0);
    const double centre = 0.5 * (n - 1);
    for (int row = 0; row < n; ++row) {
      for (int col = 0; col < n; ++col) {
        const double x = (col - centre) / r, y = (row - centre) / r;
        if (x * x + y * y <= 1.0) g[static_cast<std::size_t>(row * n + col)] = ZernikeSum(c, x, y);
      }
    }
    return g;
  };
  // RMS over the measured pupil (two pixels inside its edge) of the
  // measurement less the n-grid stretched bilinearly to m.
  const auto subtracted = [](const std::vector<double>& g, int n, int m,
                             const std::vector<double>& measured) {
    const double scale = static_cast<double>(n - 1) / (m - 1), centre = 0.5 * (m - 1);
    double sum = 0.0;
    int count = 0;
    for (int row = 0; row < m; ++row) {
      for (int col = 0; col < m; ++col) {
        if (std::hypot(row - centre, col - centre) > centre - 2.0) continue;
        const double sr = row * scale, sc = col * scale;
        const int r0 = std::min(static_cast<int>(sr), n - 2),
                  c0 = std::min(static_cast<int>(sc), n - 2);
        const double fr = sr - r0, fc = sc - c0;
        const auto at = [&](int r, int k) { return g[static_cast<std::size_t>(r * n + k)]; };
        const double value = (1 - fr) * ((1 - fc) * at(r0, c0) + fc * at(r0, c0 + 1)) +
                             fr * ((1 - fc) * at(r0 + 1, c0) + fc * at(r0 + 1, c0 + 1));
        const double difference = measured[static_cast<std::size_t>(row * m + col)] - value;
        sum += difference * difference;
        ++count;
      }
    }
    return std::sqrt(sum / count);
  };
  const int n = ours.width;
  for (int m : {640, 300}) {
    const std::vector<double> measured = grid(m, 0.5 * (m - 1));
    EXPECT_LT(subtracted(ours.grid, n, m, measured), 2e-4) << m;
    EXPECT_GT(subtracted(grid(n, 0.5 * (n - 1) - 2.0), n, m, measured), 5e-4) << m;
  }
}

// Z8 of the exact check's own residual at a set-up: its wavefront about best
// focus, zone by zone along the mirror's radius (a tracer of its own, the
// meridional one), turned into the mirror's error sign and projected on the
// primary spherical term, 5·∫ W·Z8·2ρ dρ (∫ Z8²·2ρ dρ = 1/5; piston and
// focus, which the two take about different points, are orthogonal to Z8),
// by Simpson's rule on the check's 100 equal zones.
double CheckedZ8(const SolvedSetUp& at) {
  const ExactCheckResult check = RunExactCheck(at);
  EXPECT_TRUE(check.ok) << check.why;
  const std::size_t n = check.zones.size() - 1;
  double sum = 0.0;
  for (std::size_t i = 0; i <= n; ++i) {
    const ZoneSample& z = check.zones[i];
    const double rho = z.zoneFraction;
    const double weight = (i == 0 || i == n) ? 1.0 : (i % 2 == 1 ? 4.0 : 2.0);
    sum += weight * -z.opdBestFocusWaves * (6 * std::pow(rho, 4) - 6 * rho * rho + 1) * 2 * rho;
  }
  return 5.0 * sum / (3.0 * static_cast<double>(n));
}

// The tester's residual belongs to the distances the user is told to set up:
// by default the exact null's, where the start-up set-up's primary spherical
// differs in sign and size from the report's. Each exported Z8 is the one the
// exact check measures at the distances the export names, to 3e-4 waves (the
// two tracers agree to 2e-4), and the two choices differ by far more.
TEST(ExportedResidual, DescribesTheDistancesChosen) {
  const SolvedSetUp report = test::StartUpExactInput();
  const RecommendedSetUp recommended = RunExactCheck(report).verdict.recommended;
  ASSERT_TRUE(recommended.available);
  double z8[2] = {};
  for (const TesterDistances at : {TesterDistances::Recommended, TesterDistances::Report}) {
    const TesterSetUp chosen = ChooseTesterSetUp(report, recommended, at);
    EXPECT_EQ(chosen.shown, at);
    const MirrorThroughNull mirror = TesterModel(chosen).Mirror(0.0);
    ASSERT_TRUE(mirror.ok) << mirror.why;
    z8[static_cast<int>(at)] = mirror.zernike[8];
    EXPECT_NEAR(mirror.zernike[8], CheckedZ8(chosen.setUp), 3e-4) << mirror.tracedAt;
    // The files and the summary say where.
    const std::string named = at == TesterDistances::Recommended
                                  ? "at the recommended set-up (the exact null): Object to Lens "
                                  : "at the report's distances: Object to Lens 204.817 mm, ";
    EXPECT_NE(WftText(mirror).find("\nResidual traced " + named), std::string::npos);
    EXPECT_NE(ResidualSummary(mirror).find(named), std::string::npos);
  }
  EXPECT_GT(std::fabs(z8[0] - z8[1]), 3e-3);
  // Without an exact null the report's distances are used, and said to be.
  const TesterSetUp fallback =
      ChooseTesterSetUp(report, RecommendedSetUp(), TesterDistances::Recommended);
  EXPECT_EQ(fallback.shown, TesterDistances::Report);
  EXPECT_EQ(fallback.setUp.objectDistance, report.objectDistance);
  EXPECT_NE(fallback.description.find("no exact null was found"), std::string::npos);
}

}  // namespace
}  // namespace vn
