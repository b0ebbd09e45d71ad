// The exact trace against closed-form optics: conic sags, the focal
// properties of the paraboloid and the ellipsoid, a spherical mirror with the
// source off its centre, and the longitudinal shift of a plane-parallel plate.
#include "exact/exact_trace.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/null_test_engine.h"

namespace vn {
namespace {

// The residual of c·(y² + k·z'²) − 2·z' at a point: zero on the surface.
double SurfaceResidual(const ConicSurface& s, double z, double y) {
  const double zl = z - s.vertexZ;
  return s.curvature * (y * y + s.conicPlusOne * zl * zl) - 2.0 * zl;
}

VectorRay RayAt(double z, double y, double angle) {
  VectorRay ray;
  ray.z = z;
  ray.y = y;
  ray.dz = std::cos(angle);
  ray.dy = std::sin(angle);
  return ray;
}

TEST(ConicIntersection, ParaboloidMetAlongTheAxisLiesAtItsExactSag) {
  // A concave paraboloid of radius 100 facing −z: z' = −y²/(2R) exactly, so
  // the only error is rounding (a few units in 1e-15 of the vertex position).
  const ConicSurface mirror{80.0, -1.0 / 100.0, 0.0};
  for (double y : {0.25, 1.0, 3.0, 6.25, 12.0}) {
    VectorRay ray = RayAt(-5.0, y, 0.0);
    ASSERT_TRUE(MoveToSurface(ray, mirror, 1.0));
    EXPECT_NEAR(ray.z - 80.0, -y * y / 200.0, 1e-13) << "height " << y;
    EXPECT_DOUBLE_EQ(ray.y, y);
    // Optical path in air is the geometric length from z = −5.
    EXPECT_NEAR(ray.opticalPath, ray.z + 5.0, 1e-13);
  }
}

TEST(ConicIntersection, SlantRaysLandOnTheVertexSheetOfEveryConic) {
  // Sphere, prolate and oblate ellipsoids, paraboloid and a hyperboloid, met
  // by rays going either way along the axis. The point must satisfy the
  // surface equation (to rounding, ~1e-14 relative to the terms 2·z') and lie
  // on the sheet through the vertex, i.e. within the sag of the vertex, not
  // near the far side of a closed conic or on the second sheet.
  const double conicsPlusOne[] = {1.0, 0.4, 1.7, 0.0, -1.5};
  for (double k : conicsPlusOne) {
    for (double curvature : {-1.0 / 20.0, 1.0 / 20.0}) {
      const ConicSurface s{10.0, curvature, k};
      for (double direction : {1.0, -1.0}) {
        VectorRay ray = RayAt(10.0 - direction * 7.0, 0.3, direction > 0 ? 0.2 : 3.14159265 - 0.2);
        ASSERT_TRUE(MoveToSurface(ray, s, 1.5)) << "k " << k;
        EXPECT_NEAR(SurfaceResidual(s, ray.z, ray.y), 0.0, 1e-13) << "k " << k;
        EXPECT_LT(std::fabs(ray.z - 10.0), 0.5) << "k " << k << " c " << curvature;
        EXPECT_GE(1.0 - curvature * k * (ray.z - 10.0), 0.0);
      }
    }
  }
}

TEST(ConicIntersection, PlaneAndMiss) {
  // The program's flat face is the radius 9e99; it must be an exact plane.
  EXPECT_EQ(CurvatureFromRadius(9e99), 0.0);
  EXPECT_EQ(CurvatureFromRadius(-9e99), 0.0);
  EXPECT_DOUBLE_EQ(CurvatureFromRadius(-8.0), -0.125);
  const ConicSurface flat{2.0, 0.0, 1.0};
  VectorRay ray = RayAt(0.0, 1.0, 0.3);
  ASSERT_TRUE(MoveToSurface(ray, flat, 1.0));
  EXPECT_DOUBLE_EQ(ray.z, 2.0);
  EXPECT_NEAR(ray.y, 1.0 + 2.0 * std::tan(0.3), 1e-15);
  // A ray passing above a sphere of radius 1 misses it, whether parallel to
  // the axis or climbing steeply past it.
  const ConicSurface ball{5.0, 1.0, 1.0};
  VectorRay above = RayAt(0.0, 1.5, 0.0);
  EXPECT_FALSE(MoveToSurface(above, ball, 1.0));
  VectorRay steep = RayAt(0.0, 0.0, 1.2);
  EXPECT_FALSE(MoveToSurface(steep, ball, 1.0));
}

TEST(Reflection, ParallelRaysMeetAtTheParaboloidsFocus) {
  // A paraboloid sends every ray parallel to its axis through its focus, R/2
  // from the vertex: an exact property that tests the sag, the normal and
  // the reflection together. Tolerance: rounding in the crossing of lines
  // ~50 inches long.
  const ConicSurface mirror{80.0, -1.0 / 100.0, 0.0};
  for (double y : {0.01, 1.0, 6.25, 20.0}) {
    VectorRay ray = RayAt(0.0, y, 0.0);
    ASSERT_TRUE(MoveToSurface(ray, mirror, 1.0));
    ReflectAt(ray, mirror);
    const auto focus = AxisCrossing(ray);
    ASSERT_TRUE(focus);
    EXPECT_NEAR(*focus, 80.0 - 50.0, 1e-11) << "height " << y;
  }
}

TEST(Reflection, EllipsoidImagesOneFocusOnTheOther) {
  // Ellipsoid of vertex radius R = 100 and conic constant K = −0.36
  // (eccentricity 0.6): semi-major axis a = R/(1+K) = 156.25, foci at
  // a·(1 ∓ e) = 62.5 and 250 from the vertex. Rays from the near focus all
  // pass through the far one, and their optical paths are equal (2a).
  const double R = 100.0, K = -0.36, e = 0.6;
  const double a = R / (1.0 + K);
  const ConicSurface mirror{300.0, -1.0 / R, 1.0 + K};
  const double nearFocus = 300.0 - a * (1.0 - e), farFocus = 300.0 - a * (1.0 + e);
  for (double angle : {0.001, 0.05, 0.2, 0.6}) {
    VectorRay ray = RayAt(nearFocus, 0.0, angle);
    ASSERT_TRUE(MoveToSurface(ray, mirror, 1.0));
    ReflectAt(ray, mirror);
    const auto crossing = AxisCrossing(ray);
    ASSERT_TRUE(crossing);
    EXPECT_NEAR(*crossing, farFocus, 1e-10) << "angle " << angle;
    const double toFar = std::hypot(ray.z - farFocus, ray.y);
    EXPECT_NEAR(ray.opticalPath + toFar, 2.0 * a, 1e-11);
  }
}

TEST(Reflection, SphericalMirrorWithTheSourceOffItsCentre) {
  // Reflection in a circle mirrors the incoming line about the radius CP, so
  // the reflected ray passes through P and through the source reflected about
  // CP, S* = C + e·(cos 2φ, sin 2φ). Its axis crossing, measured from C:
  //   x = e·cos 2φ − (R·cos φ − e·cos 2φ)·e·sin 2φ / (R·sin φ − e·sin 2φ),
  // independent of the trace's conic intersection. Here through an
  // index-1 lens with curved faces, which must do nothing at all.
  NullTestSystem system;
  system.MirrorSemiDiameter = 6.0;
  system.MirrorRadius = -100.0;
  system.ConicPlusOne = 1.0;
  system.LensRadius1 = 50.0;
  system.LensRadius2 = -50.0;
  system.LensThickness = 0.5;
  system.LensIndex = 1.0;
  const double D = 10.0, d2 = 89.0;  // source 0.5 inch beyond the centre
  const FoldedSystem folded = MakeFoldedSystem(system, D, d2);
  const double centreZ = folded.mirror.vertexZ - 100.0;
  const double e = folded.sourceZ - centreZ;
  for (double height : {0.6, 3.0, 6.0}) {
    const auto angle = AimAtMirrorHeight(folded, height);
    ASSERT_TRUE(angle);
    const DoublePassRay ray = TraceFoldedRay(folded, *angle);
    ASSERT_TRUE(ray.complete);
    EXPECT_NEAR(ray.mirrorHeight, height, 1e-12);
    const double phi = std::asin(height / 100.0);
    const double expected = e * std::cos(2 * phi) - (100.0 * std::cos(phi) - e * std::cos(2 * phi)) *
                                                        e * std::sin(2 * phi) /
                                                        (100.0 * std::sin(phi) - e * std::sin(2 * phi));
    const auto crossing = AxisCrossing(ray.returning);
    ASSERT_TRUE(crossing);
    // Rounding in lines ~100 inches long, magnified by the shallow final ray.
    EXPECT_NEAR(*crossing - centreZ, expected, 1e-9) << "height " << height;
  }
}

// Longitudinal shift of a plane-parallel plate of thickness t and index n for
// a ray at angle u: t·(1 − cos u / √(n² − sin² u)) (Smith, "Modern Optical
// Engineering", plane parallel plates).
double PlateShift(double t, double n, double u) {
  return t * (1.0 - std::cos(u) / std::sqrt(n * n - std::sin(u) * std::sin(u)));
}

TEST(PlaneParallelPlate, ShiftsTheVirtualSourceByTheKnownAmount) {
  NullTestSystem system;
  system.MirrorSemiDiameter = 6.0;
  system.MirrorRadius = -50.0;
  system.ConicPlusOne = 1.0;
  system.LensRadius1 = 9e99;
  system.LensRadius2 = 9e99;
  system.LensThickness = 1.0;
  system.LensIndex = 1.5;
  const FoldedSystem folded = MakeFoldedSystem(system, 5.0, 40.0);
  for (double u : {1e-4, 0.05, 0.1, 0.3}) {
    const DoublePassRay out = TraceFoldedRay(folded, u, true);
    ASSERT_TRUE(out.complete);
    const auto virtualSource = AxisCrossing(out.returning);
    ASSERT_TRUE(virtualSource);
    EXPECT_NEAR(*virtualSource - (-5.0), PlateShift(1.0, 1.5, u), 1e-13) << "angle " << u;
    // The flat faces leave the ray's direction unchanged.
    EXPECT_NEAR(std::atan2(out.returning.dy, out.returning.dz), u, 1e-15);
  }
}

TEST(PlaneParallelPlate, DoublePassSphericalAberration) {
  // Put the sphere's centre on the virtual source of the ray at angle u: that
  // ray meets the mirror square-on and comes back exactly to the source. A
  // near-axis ray sees its virtual source x = Δ(u) − Δ(0) nearer the mirror
  // than the centre, at s = R + x from the vertex; the paraxial mirror
  // equation 1/s + 1/s' = 2/R images it at s' = R·(R + x)/(R + 2·x), and the
  // plate shifts that image by Δ(0) toward the source on the way back.
  const double t = 1.0, n = 1.5, D = 5.0, R = 50.0, u = 0.1;
  NullTestSystem system;
  system.MirrorSemiDiameter = 6.0;
  system.MirrorRadius = -R;
  system.ConicPlusOne = 1.0;
  system.LensRadius1 = 9e99;
  system.LensRadius2 = 9e99;
  system.LensThickness = t;
  system.LensIndex = n;
  const double centreZ = -D + PlateShift(t, n, u);
  const FoldedSystem folded = MakeFoldedSystem(system, D, centreZ + R - t);

  const DoublePassRay marginal = TraceFoldedRay(folded, u);
  ASSERT_TRUE(marginal.complete);
  EXPECT_NEAR(*AxisCrossing(marginal.returning), -D, 1e-12);
  // Both passes cross the flat faces at the same heights, mirrored.
  EXPECT_NEAR(marginal.lensHeights[0], marginal.lensHeights[3], 1e-12);
  EXPECT_NEAR(marginal.lensHeights[1], marginal.lensHeights[2], 1e-12);

  const double x = PlateShift(t, n, u) - PlateShift(t, n, 0.0);
  const double imageDistance = R * (R + x) / (R + 2.0 * x);
  const double expected = folded.mirror.vertexZ - imageDistance - PlateShift(t, n, 0.0) + D;
  // A ray at 1e-4 rad is paraxial to about 1e-6 of the aberration (the next
  // term grows as the angle squared); 1e-5 of it still resolves the mirror
  // equation's second-order term 2·x²/R, about 4e-5 of the aberration.
  const DoublePassRay nearAxis = TraceFoldedRay(folded, 1e-4);
  ASSERT_TRUE(nearAxis.complete);
  EXPECT_NEAR(*AxisCrossing(nearAxis.returning) + D, expected, 1e-5 * expected);
}

TEST(Refraction, ObeysSnellsLawAndTotalReflection) {
  // n·sin I = n'·sin I' about the surface normal, for a ray entering and
  // leaving glass at a tilted point of a sphere; the direction stays a unit
  // vector (to rounding).
  const ConicSurface face{0.0, 1.0 / 8.0, 1.0};
  VectorRay ray = RayAt(-3.0, 0.5, 0.15);
  ASSERT_TRUE(MoveToSurface(ray, face, 1.0));
  const PathPoint normal = SurfaceNormal(face, ray.z, ray.y);
  const double sinBefore = normal.z * ray.dy - normal.y * ray.dz;
  ASSERT_TRUE(RefractAt(ray, face, 1.0, 1.6));
  const double sinAfter = normal.z * ray.dy - normal.y * ray.dz;
  EXPECT_NEAR(1.0 * sinBefore, 1.6 * sinAfter, 1e-15);
  EXPECT_NEAR(std::hypot(ray.dz, ray.dy), 1.0, 1e-15);

  // From glass of index 1.5 into air the critical angle is asin(1/1.5) ≈
  // 41.8°: at 45° on a flat face the ray cannot leave.
  const ConicSurface flat{0.0, 0.0, 1.0};
  VectorRay steep = RayAt(0.0, 0.0, 0.785398);
  EXPECT_FALSE(RefractAt(steep, flat, 1.5, 1.0));
  VectorRay shallow = RayAt(0.0, 0.0, 0.7);
  EXPECT_TRUE(RefractAt(shallow, flat, 1.5, 1.0));
}

TEST(DoublePass, AgreesWithTheEnginesLensRefraction) {
  // The engine traces the lens with exact spherical trigonometry (only its
  // mirror is approximate), so for a ray aimed at height h on the first
  // vertex plane its height on the lens's mirror-side face must agree with
  // the vector trace to rounding. Set-up: the engine's worked plano-convex
  // lens in inches.
  NullTestEngine engine;
  engine.system.MirrorSemiDiameter = 6.25;
  engine.system.MirrorRadius = -100.0;
  engine.system.ConicPlusOne = 0.0;
  engine.system.LensRadius1 = 9e99;
  engine.system.LensRadius2 = -206.0 / 25.4;
  engine.system.LensThickness = 0.25;
  engine.system.LensIndex = 1.51509;
  const FoldedSystem folded = MakeFoldedSystem(engine.system, 8.0, 80.0);
  for (double h : {0.1, 0.5, 1.0}) {
    double L = 0, Y2 = 0, Ym = 0;
    engine.TraceDoublePass(h, 8.0, 80.0, L, Y2, Ym);
    const DoublePassRay ray = TraceFoldedRay(folded, std::atan(h / 8.0), true);
    ASSERT_TRUE(ray.complete);
    EXPECT_NEAR(ray.lensHeights[0], h, 1e-14);
    EXPECT_NEAR(ray.lensHeights[1], Y2, 1e-12) << "h " << h;
  }
}

TEST(Aiming, FindsTheRayForEveryMirrorHeightOrSaysItCannot) {
  NullTestSystem system;
  system.MirrorSemiDiameter = 6.25;
  system.MirrorRadius = -100.0;
  system.ConicPlusOne = 0.0;
  system.LensRadius1 = 9e99;
  system.LensRadius2 = -206.0 / 25.4;
  system.LensThickness = 15.0 / 25.4;
  system.LensIndex = 1.51509;
  const FoldedSystem folded = MakeFoldedSystem(system, 8.06, 81.75);
  for (double height : {1e-6, 0.00625, 0.625, 6.25}) {
    const auto angle = AimAtMirrorHeight(folded, height);
    ASSERT_TRUE(angle) << height;
    const DoublePassRay ray = TraceFoldedRay(folded, *angle, true);
    // The root is settled to a few units in the last place of the angle.
    EXPECT_NEAR(ray.mirrorHeight, height, 1e-13 * std::max(1.0, height)) << height;
  }
  EXPECT_FALSE(AimAtMirrorHeight(folded, 0.0));
  EXPECT_FALSE(AimAtMirrorHeight(folded, -1.0));
  // A strongly curved lens face (radius 1.2 inch) caps the heights a ray can
  // reach beyond it; far beyond that cap there is no ray to find.
  system.LensRadius2 = -1.2;
  const FoldedSystem capped = MakeFoldedSystem(system, 8.06, 81.75);
  EXPECT_FALSE(AimAtMirrorHeight(capped, 1000.0));
}

}  // namespace
}  // namespace vn
