// The mirror read back from a measurement through the null. The
// measurements are made here: the exact trace of a mirror that differs from
// the design through the null (a conic of its own, and a figure error added
// as the path it changes, 2·h·cos α), written as DFTFringe saves a
// wavefront. What the reduction gives back is compared with the mirror that
// was made.
#include "tester/measured_mirror.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "analysis/zernike_series.h"
#include "dftfringe_files.h"
#include "support/files.h"
#include "support/start_up_set_up.h"
#include "tester/measured_mirror_files.h"
#include "tester/mirror_through_null.h"

namespace vn {
namespace {

using Figure = std::function<double(double rho)>;  // surface height, nm, + high

// The conic r² = 2Rz − (1+K)z² solved for z, toward the light from the vertex.
double Sag(double r, double R, double K) {
  return r * r / (R + std::sqrt(R * R - (1.0 + K) * r * r));
}

struct Made {
  SolvedSetUp at;  // the set-up and the distances the measurement was taken at
  double deltaK = 0;
  Figure figure = [](double) { return 0.0; };
  double astigmatismWaves = 0;  // Z4 added, as a misaligned test would
  double comaYWaves = 0;        // Z7: coma along +y, the top of the picture
};

// The measurement as DFTFringe would save it: the mirror's wavefront through
// the null, traced exactly, with the figure's path added.
std::string Measure(const Made& made) {
  const MirrorThroughNull mirror = TesterModel(made.at).Mirror(made.deltaK);
  EXPECT_TRUE(mirror.ok) << mirror.why;
  const ZernikeSeries traced(mirror.zernike);
  const NullTestSystem& s = made.at.system;
  const double a = s.MirrorSemiDiameter, R = -s.MirrorRadius, K = s.ConicPlusOne - 1 + made.deltaK;
  const double lambdaNm = made.at.wavelengthMicrons * 1000.0;
  const auto waves = [&](double x, double y) {
    const double rho = std::hypot(x, y), r = rho * a;
    // The normal's angle to the axis: dz/dr = r / (R − (1+K)·z).
    const double slope = r / (R - (1.0 + K) * Sag(r, R, K));
    const double cosAlpha = 1.0 / std::sqrt(1.0 + slope * slope);
    return traced.At(x, y) + 2.0 * made.figure(rho) * cosAlpha / lambdaNm +
           made.astigmatismWaves * (x * x - y * y) +
           made.comaYWaves * (3.0 * (x * x + y * y) - 2.0) * y;
  };
  return test::DftWavefrontText(401, waves, 2 * a * kMmPerInch, R * kMmPerInch, lambdaNm);
}

// The height of the mirror made, against the design's conic, nm, with the
// a + b·ρ² that fits it best over the area taken out (the midpoint rule in
// u = ρ², 20000 steps: far finer than a nanometre).
std::function<double(double)> MadeHeights(const Made& made) {
  const NullTestSystem& s = made.at.system;
  const double a = s.MirrorSemiDiameter, R = -s.MirrorRadius, K = s.ConicPlusOne - 1;
  const auto raw = [=](double rho) {
    const double r = rho * a;
    return (Sag(r, R, K + made.deltaK) - Sag(r, R, K)) * kMmPerInch * 1e6 + made.figure(rho);
  };
  double s0 = 0, s1 = 0, s2 = 0, t0 = 0, t1 = 0;
  const int steps = 20000;
  for (int i = 0; i < steps; ++i) {
    const double u = (i + 0.5) / steps, v = raw(std::sqrt(u));
    s0 += 1, s1 += u, s2 += u * u, t0 += v, t1 += u * v;
  }
  const double b = (s0 * t1 - s1 * t0) / (s0 * s2 - s1 * s1), c = (t0 - b * s1) / s0;
  return [=](double rho) { return raw(rho) - c - b * rho * rho; };
}

MeasuredMirror Reduce(const std::string& wft, const SolvedSetUp& builtAt) {
  const MeasuredWavefront w = ReadMeasuredWavefront(wft, "made.wft", {});
  EXPECT_TRUE(w.ok) << w.why;
  return ReduceMeasurement(w, builtAt);
}

// Conic within 0.001 and every zone within 2 nm: the figures a mirror maker
// figures to (a 0.001 change of K moves the edge of this f/4 mirror about
// 5 nm).
void ExpectMirrorMade(const MeasuredMirror& m, const Made& made, const std::string& what) {
  ASSERT_TRUE(m.ok) << what << ": " << m.why;
  const double K = made.at.system.ConicPlusOne - 1 + made.deltaK;
  EXPECT_NEAR(m.conic, K, 1e-3) << what;
  EXPECT_LT(m.conicUncertainty, 1e-3) << what;
  const auto expected = MadeHeights(made);
  ASSERT_GE(m.zones.size(), 4u);
  EXPECT_DOUBLE_EQ(m.zones.back().radius, made.at.system.MirrorSemiDiameter);
  for (const MirrorZone& zone : m.zones) {
    const double rho = zone.radius / made.at.system.MirrorSemiDiameter;
    EXPECT_NEAR(zone.heightNm, expected(rho), 2.0) << what << " at " << rho;
  }
}

TEST(MeasuredMirror, GivesBackTheMirrorMade) {
  const SolvedSetUp design = test::StartUpExactInput();
  const Figure turnedEdge = [](double rho) {
    return rho > 0.9 ? -30.0 * std::pow((rho - 0.9) / 0.1, 2.0) : 0.0;
  };
  const Figure centralHill = [](double rho) { return 25.0 * std::exp(-std::pow(rho / 0.12, 2.0)); };
  const struct {
    const char* what;
    Made made;
  } cases[] = {{"conic +0.05", {design, 0.05}},
               {"conic -0.05", {design, -0.05}},
               {"turned edge", {design, 0.0, turnedEdge, 0.1, 0.05}},
               {"central hill", {design, 0.0, centralHill}}};
  for (const auto& c : cases) {
    const MeasuredMirror m = Reduce(Measure(c.made), design);
    ExpectMirrorMade(m, c.made, c.what);
    // The surface's RMS is that of the made heights (focus and piston out).
    if (c.made.astigmatismWaves == 0.0) {
      const auto heights = MadeHeights(c.made);
      double sum = 0;
      for (int i = 0; i < 4000; ++i) sum += std::pow(heights(std::sqrt((i + 0.5) / 4000)), 2.0);
      EXPECT_NEAR(m.surfaceRmsNm, std::sqrt(sum / 4000), 0.5) << c.what;
      EXPECT_NEAR(m.strehl, std::exp(-std::pow(2 * kPi * m.wavefrontRmsWaves, 2.0)), 1e-12);
      // The map: the centre's height as made, nothing outside the mirror.
      const int half = m.mapSize / 2;
      EXPECT_NEAR(m.mapNm[static_cast<std::size_t>(half * m.mapSize + half)],
                  MadeHeights(c.made)(0.0), 2.0)
          << c.what;
      EXPECT_TRUE(std::isnan(m.mapNm[0]));
    } else {
      // The added astigmatism and coma, named, the coma toward the top: the
      // file's first row is the top of the mirror.
      EXPECT_NEAR(m.terms[0].waves, 0.1, 2e-3) << c.what;
      EXPECT_NEAR(m.terms[0].angleDegrees, 0.0, 1.0) << c.what;
      EXPECT_NEAR(m.terms[1].waves, 0.05, 2e-3) << c.what;
      EXPECT_NEAR(m.terms[1].angleDegrees, 90.0, 1.0) << c.what;
    }
  }
}

// The mirror's files: the profile's CSV, the map's PNG and the SVG with both.
TEST(MeasuredMirror, WritesProfileMapAndPicture) {
  const SolvedSetUp design = test::StartUpExactInput();
  const MeasuredMirror m = Reduce(Measure({design, 0.05}), design);
  ASSERT_TRUE(m.ok) << m.why;
  const test::TempFolder folder("measured_files");
  for (const char* name : {"m.csv", "m.png", "m.svg"}) {
    EXPECT_EQ(WriteMeasuredMirror(m, folder / name, false), "") << name;
  }
  const std::vector<std::string> csv = test::TextLines(test::FileText(folder / "m.csv"));
  EXPECT_EQ(csv[0], "what,radius_mm,height_nm");
  EXPECT_EQ(csv.size(), 1 + m.profileRadius.size() + m.zones.size());
  EXPECT_EQ(test::FileText(folder / "m.png").substr(1, 3), "PNG");
  EXPECT_NE(test::FileText(folder / "m.svg").find("wanted conic"), std::string::npos);
  EXPECT_NE(WriteMeasuredMirror(m, folder / "m.txt", false), "");
}

// The same mirror measured with the lens 3 mm further from the mirror and
// the source 1 mm nearer the lens: through the right distances it is the
// same mirror; through the design's it is not.
TEST(MeasuredMirror, SameMirrorAtAnotherSpacing) {
  SolvedSetUp moved = test::StartUpExactInput();
  moved.lensMirrorDistance -= 3.0 * test::kMm;
  moved.objectDistance -= 1.0 * test::kMm;
  const Made made{moved, 0.05};
  const std::string measured = Measure(made);
  ExpectMirrorMade(Reduce(measured, moved), made, "at the moved spacing");
  const MeasuredMirror wrong = Reduce(measured, test::StartUpExactInput());
  ASSERT_TRUE(wrong.ok) << wrong.why;
  EXPECT_GT(std::fabs(wrong.conic - (-0.95)), 5e-3);
  // Distances the one validity check refuses: no reduction, and its reason.
  moved.lensMirrorDistance = 0;
  EXPECT_EQ(Reduce(measured, moved).why,
            "no set-up to trace the null of: the lens-to-mirror distance must be positive");
}

}  // namespace
}  // namespace vn
