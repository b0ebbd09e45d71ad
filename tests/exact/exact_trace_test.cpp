// The exact trace against closed-form optics: the paraboloid's sag and focus,
// the ellipsoid's foci and the shift of a plane-parallel plate.
#include "exact/exact_trace.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/null_test_engine.h"

namespace vn {
namespace {

VectorRay RayAt(double z, double y, double angle) {
  return {.z = z, .y = y, .dz = std::cos(angle), .dy = std::sin(angle)};
}

TEST(ExactTrace, ParaboloidMeetsRaysAtItsExactSagAndFocusesThem) {
  // A concave paraboloid of radius 100 facing −z: the sag is exactly −y²/(2R)
  // and every ray parallel to the axis reflects through the focus R/2 from
  // the vertex. Tolerances: rounding in lengths of ~100 inches.
  const ConicSurface mirror{80.0, -1.0 / 100.0, 0.0};
  for (double y : {0.01, 1.0, 6.25, 20.0}) {
    VectorRay ray = RayAt(-5.0, y, 0.0);
    ASSERT_TRUE(MoveToSurface(ray, mirror, 1.0));
    EXPECT_NEAR(ray.z - 80.0, -y * y / 200.0, 1e-13) << "height " << y;
    EXPECT_NEAR(ray.opticalPath, ray.z + 5.0, 1e-13);  // air: the geometric length
    ReflectAt(ray, mirror);
    EXPECT_NEAR(AxisCrossing(ray).value_or(0.0), 80.0 - 50.0, 1e-11) << "height " << y;
  }
}

TEST(ExactTrace, EllipsoidImagesOneFocusOnTheOther) {
  // Vertex radius R = 100, K = −0.36 (eccentricity 0.6): semi-major axis
  // a = R/(1+K) = 156.25, foci a·(1 ∓ e) = 62.5 and 250 from the vertex. Rays
  // from the near focus all pass through the far one with the same optical
  // path 2a, steep rays included. Tolerance: rounding in ~300-inch lengths.
  const double R = 100.0, K = -0.36, e = 0.6, a = R / (1.0 + K);
  const ConicSurface mirror{300.0, -1.0 / R, 1.0 + K};
  const double nearFocus = 300.0 - a * (1.0 - e), farFocus = 300.0 - a * (1.0 + e);
  for (double angle : {0.001, 0.05, 0.2, 0.6}) {
    VectorRay ray = RayAt(nearFocus, 0.0, angle);
    ASSERT_TRUE(MoveToSurface(ray, mirror, 1.0));
    ReflectAt(ray, mirror);
    EXPECT_NEAR(AxisCrossing(ray).value_or(0.0), farFocus, 1e-10) << "angle " << angle;
    EXPECT_NEAR(ray.opticalPath + std::hypot(ray.z - farFocus, ray.y), 2.0 * a, 1e-11);
  }
}

TEST(ExactTrace, PlaneParallelPlateShiftsTheSourceByTheKnownAmount) {
  // A 1-inch plate of index 1.5 (the program's flat faces, radius 9e99) moves
  // the virtual source of a ray at angle u by t·(1 − cos u / √(n² − sin² u))
  // (Smith, "Modern Optical Engineering", plane-parallel plates) and leaves
  // its direction unchanged. Tolerance: rounding in ~5-inch lengths.
  const NullTestSystem system{.MirrorSemiDiameter = 6.0,
                              .MirrorRadius = -50.0,
                              .ConicPlusOne = 1.0,
                              .LensRadius1 = 9e99,
                              .LensRadius2 = 9e99,
                              .LensThickness = 1.0,
                              .LensIndex = 1.5};
  const FoldedSystem folded = MakeFoldedSystem(system, 5.0, 40.0);
  for (double u : {1e-4, 0.05, 0.1, 0.3}) {
    const DoublePassRay out = TraceFoldedRay(folded, u, true);
    ASSERT_TRUE(out.complete);
    const double shift = 1.0 - std::cos(u) / std::sqrt(1.5 * 1.5 - std::sin(u) * std::sin(u));
    EXPECT_NEAR(AxisCrossing(out.returning).value_or(0.0) + 5.0, shift, 1e-13) << "angle " << u;
    EXPECT_NEAR(std::atan2(out.returning.dy, out.returning.dz), u, 1e-15);
  }
}

}  // namespace
}  // namespace vn
