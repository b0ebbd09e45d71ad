// The skew-ray trace against closed-form optics: a tilted plate's lateral
// shift, Prentice's rule for a decentered lens, surfaces turned about their
// centres of curvature, and the sphere tested at its centre.
#include "analysis/skew_trace.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <set>
#include <vector>

#include "analysis/pupil_wavefront.h"
#include "support/bare_mirror.h"
#include "support/start_up_set_up.h"

namespace vn {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kDegree = kPi / 180.0;

// A surface of the given vertex and curvature, square to the axis.
SkewSurface Surface(const Vec3& vertex, double curvature = 0.0) {
  SkewSurface surface;
  surface.vertex = vertex;
  surface.curvature = curvature;
  return surface;
}

// A ray crossing a surface from index n to nPrime; false if it cannot.
bool Cross(SkewRay& ray, const SkewSurface& surface, double n, double nPrime) {
  return MoveToSurface(ray, surface, n) && RefractAt(ray, surface, n, nPrime);
}

TEST(SkewTrace, TiltedPlateShiftsTheRayByTheClosedForm) {
  // A plate of thickness t turned by θ shifts a ray sideways by
  // t·sin θ·(1 − cos θ / √(n² − sin² θ)) and leaves its direction alone
  // (Smith, "Modern Optical Engineering", plane-parallel plates). The plate
  // is turned about its own centre; the ray runs along the axis. Tolerance:
  // rounding in lengths of a few inches.
  const double t = 0.5;
  for (const double n : {1.5, 1.8}) {
    for (const double degrees : {1.0, 10.0, 30.0, 60.0}) {
      const double theta = degrees * kDegree;
      const Rotation turn = RotationAboutX(theta);
      const Vec3 centre{0, 0, 0.5 * t};
      const SkewSurface front = TurnedAbout(SkewSurface{}, turn, centre);
      const SkewSurface back = TurnedAbout(Surface({0, 0, t}), turn, centre);
      SkewRay ray{.position = {0, 0, -3}, .direction = {0, 0, 1}};
      ASSERT_TRUE(Cross(ray, front, 1.0, n) && Cross(ray, back, n, 1.0));
      const double s = std::sin(theta);
      const double shift = t * s * (1.0 - std::cos(theta) / std::sqrt(n * n - s * s));
      EXPECT_NEAR(std::fabs(ray.position.y), shift, 1e-14) << n << " " << degrees;
      EXPECT_NEAR(ray.position.x, 0.0, 1e-15);
      EXPECT_NEAR(ray.direction.y, 0.0, 1e-15);
      EXPECT_NEAR(ray.direction.z, 1.0, 1e-15);
    }
  }
}

TEST(SkewTrace, DecenteredLensDeviatesAnAxialRayByPrenticesRule) {
  // A lens of power P moved across by d bends a ray along the old axis by
  // the angle whose tangent is d·P (Prentice's rule), toward the lens's own
  // axis. Power of a thick lens in air: P = (n−1)(c1 − c2) + (n−1)²·t·c1·c2/n
  // with our sign of curvature. The exact trace adds the lens's spherical
  // aberration at height d, of relative size (d·P)², under 1e-4 here.
  struct Lens {
    double r1, r2, t, n;
  };
  for (const Lens lens : {Lens{10, -10, 0.2, 1.5}, Lens{9e99, -5, 0.3, 1.6}, Lens{-8, -4, 0.1, 1.5},
                          Lens{6, 12, 0.2, 1.7}}) {
    const double c1 = IsFlatRadius(lens.r1) ? 0.0 : 1.0 / lens.r1, c2 = 1.0 / lens.r2;
    const double power =
        (lens.n - 1) * (c1 - c2) + (lens.n - 1) * (lens.n - 1) * lens.t * c1 * c2 / lens.n;
    for (const double d : {0.002, 0.01, 0.03}) {
      const SkewSurface front = Surface({0, d, 0}, c1);
      const SkewSurface back = Surface({0, d, lens.t}, c2);
      SkewRay ray{.position = {0, 0, -1}, .direction = {0, 0, 1}};
      ASSERT_TRUE(Cross(ray, front, 1.0, lens.n) && Cross(ray, back, lens.n, 1.0));
      const double deviation = ray.direction.y / ray.direction.z;
      EXPECT_NEAR(deviation, d * power, 1e-4 * std::fabs(d * power))
          << lens.r1 << " " << lens.r2 << " d " << d;
      EXPECT_EQ(ray.direction.x, 0.0);
    }
  }
}

// A ray's figures as bits, so that NaN and the sign of zero compare too.
std::array<std::uint64_t, 7> Bits(const SkewRay& ray) {
  const auto b = [](double x) { return std::bit_cast<std::uint64_t>(x); };
  return {b(ray.position.x),  b(ray.position.y),  b(ray.position.z), b(ray.direction.x),
          b(ray.direction.y), b(ray.direction.z), b(ray.opticalPath)};
}

TEST(SkewTrace, RaysTracedTogetherKeepTheirOneRayFiguresToTheBit) {
  // Traced together, rays go through the same operations in the same order
  // as one by one, whether the processor takes them two or four at a time:
  // the figures must agree to the bit (the reports print them). A tilted and
  // decentered lens makes every surface take its rotations; the fan of
  // slopes spans several blocks and reaches rays that miss the lens or are
  // not sent back, whose stops and figures must agree as well.
  const SolvedSetUp in = test::StartUpToleranceInput();
  const AsBuilt build{.setUp = in,
                      .lensTiltX = 0.4 * kDegree,
                      .lensTiltY = -0.2 * kDegree,
                      .lensDecenterX = 0.01,
                      .lensDecenterY = -0.02,
                      .sourceOffsetX = 0.003};
  const SkewSetUp setUp = MakeSkewSetUp(build);
  std::vector<std::array<double, 2>> slopes;
  for (int i = -8; i <= 8; ++i) {
    for (int j = -4; j <= 4; ++j) slopes.push_back({0.4 * i, 0.1 * j});
  }
  const std::size_t count = slopes.size();
  std::vector<SkewRay> rays(count);
  std::vector<SkewTraceStop> stops(count);
  std::vector<std::array<double, 2>> points(count);
  TraceAllToMirror(setUp, slopes, rays, stops, points);
  std::vector<SkewRay> back = rays;
  std::vector<SkewTraceStop> backStops = stops;
  TraceAllFromMirror(setUp, back, backStops);

  int traced = 0, stopped = 0;
  std::set<SkewTraceStop> kinds;
  for (std::size_t i = 0; i < count; ++i) {
    SkewRay one;
    std::array<double, 2> point{};
    const SkewTraceStop stop = TraceToMirror(setUp, slopes[i][0], slopes[i][1], one, point);
    ASSERT_EQ(stop, stops[i]) << i;
    EXPECT_EQ(Bits(one), Bits(rays[i])) << i;
    if (stop == SkewTraceStop::Complete) {
      EXPECT_EQ(std::bit_cast<std::uint64_t>(point[0]), std::bit_cast<std::uint64_t>(points[i][0]));
      EXPECT_EQ(std::bit_cast<std::uint64_t>(point[1]), std::bit_cast<std::uint64_t>(points[i][1]));
    }
    SkewTraceStop oneStop = stops[i];
    TraceAllFromMirror(setUp, std::span(&one, 1), std::span(&oneStop, 1));
    ASSERT_EQ(oneStop, backStops[i]) << i;
    EXPECT_EQ(Bits(one), Bits(back[i])) << i;
    (oneStop == SkewTraceStop::Complete ? traced : stopped) += 1;
    kinds.insert(oneStop);
  }
  EXPECT_GT(traced, 40);
  EXPECT_GT(stopped, 40);
  EXPECT_GE(kinds.size(), 2u);
}

// The wavefront of a set-up over the plan's pupil, about its best point.
PupilWavefront Wavefront(const SkewSetUp& setUp, const PupilPlan& plan) {
  return MeasurePupilWavefront(plan, setUp, 0.6328);
}

TEST(SkewTrace, SphereAtItsCentreTurnedAboutTheCentreStaysPerfect) {
  // Every ray from the centre of curvature meets a sphere square-on and
  // retraces itself, however the sphere is turned about that centre; the
  // plate of index 1 in front of it does nothing. A paraboloid turned the same
  // way is no longer symmetric about the source: the contrast shows the
  // turn reaches the trace. Tolerance: 1e-6 wave is ~2.5e-11 inch of path.
  const SolvedSetUp in = test::BareMirrorAtCentre(6.25, 100.0, 0.0);
  const Vec3 centre{0, 0, -in.objectDistance};
  for (const double degrees : {0.0, 0.5, 3.0}) {
    for (const double conicPlusOne : {1.0, 0.0}) {
      AsBuilt build{.setUp = in};
      build.setUp.system.ConicPlusOne = conicPlusOne;
      SkewSetUp setUp = MakeSkewSetUp(build);
      setUp.mirror = TurnedAbout(
          setUp.mirror, RotationAboutY(0.3 * degrees * kDegree) * RotationAboutX(degrees * kDegree),
          centre);
      const PupilPlan plan = MakePupilPlan(setUp, in.system.MirrorSemiDiameter);
      ASSERT_TRUE(plan.ok) << plan.why;
      const PupilWavefront w = Wavefront(setUp, plan);
      ASSERT_TRUE(w.ok) << w.why;
      if (conicPlusOne == 1.0) {
        EXPECT_LT(w.pvWaves, 1e-6) << degrees;
        EXPECT_NEAR(w.referencePoint.z, centre.z, 1e-9);
      } else if (degrees > 0.0) {
        EXPECT_GT(w.rmsWaves, 0.5) << degrees;
      }
    }
  }
}

TEST(SkewTrace, LensFaceTurnedAboutItsOwnCentreChangesNothing) {
  // A spherical face turned about its centre of curvature is the same
  // sphere. Turned by the same angle about its vertex it is a tilted face:
  // the contrast is a clear change. Tolerance: rounding of a wavefront
  // traced twice along slightly different arithmetic, far under 1e-6 wave.
  const SolvedSetUp in = test::StartUpToleranceInput();
  const AsBuilt build{.setUp = in};
  const SkewSetUp design = MakeSkewSetUp(build);
  const PupilPlan plan = MakePupilPlan(design, in.system.MirrorSemiDiameter);
  ASSERT_TRUE(plan.ok) << plan.why;
  const PupilWavefront reference = Wavefront(design, plan);
  ASSERT_TRUE(reference.ok);
  const Rotation turn = RotationAboutX(1.0 * kDegree);
  const SkewSurface& back = design.lensBack;
  const Vec3 centreOfBack = back.vertex + Vec3{0, 0, 1.0 / back.curvature};

  SkewSetUp aboutCentre = design, aboutVertex = design;
  aboutCentre.lensBack = TurnedAbout(back, turn, centreOfBack);
  aboutVertex.lensBack = TurnedAbout(back, turn, back.vertex);
  const PupilWavefront same = MeasurePupilWavefront(plan, aboutCentre, 0.6328, &reference.waves);
  const PupilWavefront changed = MeasurePupilWavefront(plan, aboutVertex, 0.6328, &reference.waves);
  ASSERT_TRUE(same.ok && changed.ok) << same.why << changed.why;
  EXPECT_LT(same.pvWaves, 1e-6);
  EXPECT_GT(changed.rmsWaves, 0.1);
}

}  // namespace
}  // namespace vn
