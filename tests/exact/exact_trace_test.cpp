// The exact trace against closed-form optics: the paraboloid's sag and focus,
// the ellipsoid's foci, the shift of a plane-parallel plate and the image of
// the stop through it; and the typed failure each kind of untraceable ray
// ends in.
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
    ASSERT_EQ(MoveToSurface(ray, mirror, 1.0), TraceFault::None);
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
    ASSERT_EQ(MoveToSurface(ray, mirror, 1.0), TraceFault::None);
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
    ASSERT_FALSE(out.failure.failed());
    const double shift = 1.0 - std::cos(u) / std::sqrt(1.5 * 1.5 - std::sin(u) * std::sin(u));
    EXPECT_NEAR(AxisCrossing(out.returning).value_or(0.0) + 5.0, shift, 1e-13) << "angle " << u;
    EXPECT_NEAR(std::atan2(out.returning.dy, out.returning.dz), u, 1e-15);
  }
  // Seen through the plate, the mirror's vertex (the stop) appears nearer
  // by t·(1 − 1/n): the exit pupil lies at 1 + 40 − 1/3 inches.
  EXPECT_NEAR(ExitPupilZ(folded).value_or(0.0), 41.0 - 1.0 / 3.0, 1e-9);
}

TEST(ExactTrace, UntraceableRaysSayWhatStoppedThemAndWhere) {
  // Each system is built so that one thing stops the ray (figures by hand):
  // a 0.5-inch lens of index 1.5, flat toward the source, its mirror-side face
  // of radius 1 inch convex toward the mirror, the source 5 inches out.
  NullTestSystem bead{.MirrorSemiDiameter = 1.0,
                      .MirrorRadius = -50.0,
                      .ConicPlusOne = 1.0,
                      .LensRadius1 = 9e99,
                      .LensRadius2 = -1.0,
                      .LensThickness = 0.5,
                      .LensIndex = 1.5};
  // A thin biconvex lens (radii ±1, 0.1 thick) whose faces cross about 0.31
  // inch from the axis.
  NullTestSystem crossing = bead;
  crossing.LensRadius1 = 1.0, crossing.LensThickness = 0.1;
  // No lens power (index 1) and a hemisphere of radius 1 an inch away: a ray
  // near its rim meets it almost edge-on and is thrown forward.
  NullTestSystem hemisphere = bead;
  hemisphere.LensRadius2 = 9e99, hemisphere.LensIndex = 1.0, hemisphere.MirrorRadius = -1.0;
  const struct {
    const char* what;
    FoldedSystem folded;
    double angle;
    TraceFault fault;
    TraceSurface surface;
  } cases[] = {
      // At 0.83 inch up the inner face leans 56° and the ray meets it at
      // about 50°, past the critical 41.8°.
      {"TIR", MakeFoldedSystem(bead, 5.0, 10.0), std::atan(0.8 / 5.0),
       TraceFault::TotalInternalReflection, TraceSurface::LensMirrorSide},
      // 1.2 inches up, above the 1-inch sphere's reach.
      {"miss", MakeFoldedSystem(bead, 5.0, 10.0), std::atan(1.2 / 5.0), TraceFault::MissedSurface,
       TraceSurface::LensMirrorSide},
      // The source 0.1 inch inside the glass.
      {"behind", MakeFoldedSystem(bead, -0.1, 10.0), 0.01, TraceFault::BehindSource,
       TraceSurface::LensSourceSide},
      // 0.6 inch up the source-side face is at z = +0.2, the other at −0.1.
      {"cross", MakeFoldedSystem(crossing, 5.0, 10.0), std::atan(0.6 / 5.0),
       TraceFault::SurfaceBehindRay, TraceSurface::LensMirrorSide},
      // Met 0.99 inch up, the normal is 82° off the axis: reflected forward.
      {"forward", MakeFoldedSystem(hemisphere, 100.0, 1.0), std::atan(0.99 / 101.5),
       TraceFault::NotReturned, TraceSurface::Mirror},
  };
  for (const auto& c : cases) {
    const TraceFailure f = TraceFoldedRay(c.folded, c.angle).failure;
    EXPECT_EQ(f.fault, c.fault) << c.what;
    EXPECT_EQ(f.surface, c.surface) << c.what;
    EXPECT_FALSE(f.returning) << c.what;
  }
  // Aiming: with the inner face hollow toward the mirror (radius +1) the
  // lens spreads the rays, but those above about 0.56 inch on it are totally
  // reflected there before any reaches 20 inches on the mirror; aiming there
  // names what stops them. A flat, powerless set-up cannot send a ray steeper
  // than the search's limit, so no ray reaches a mirror height a hundred times
  // its distance.
  NullTestSystem spreading = bead;
  spreading.LensRadius2 = 1.0;
  const TraceFailure aimed =
      AimAtMirrorHeight(MakeFoldedSystem(spreading, 5.0, 10.0), 20.0).failure;
  EXPECT_EQ(aimed.fault, TraceFault::TotalInternalReflection);
  EXPECT_EQ(aimed.surface, TraceSurface::LensMirrorSide);
  NullTestSystem flat = hemisphere;
  flat.MirrorRadius = -1e9;
  EXPECT_EQ(AimAtMirrorHeight(MakeFoldedSystem(flat, 1.0, 1.0), 250.0).failure.fault,
            TraceFault::NoRayReachesZone);
}

}  // namespace
}  // namespace vn
