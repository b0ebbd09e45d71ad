// Exact vector ray trace of the folded null-test system.
//
// The run's own trace follows each ray with a four-term series for the
// mirror's sag; this one intersects every ray with the true surfaces: the
// mirror as the full conic c·(y² + (1+K)·z²) − 2·z = 0 in its vertex frame,
// the lens faces as exact spheres (or exact planes), and it bends rays with
// Snell's law and the law of reflection in vector form. Optical path is summed
// as index × geometric length, so the wavefront can be read from it.
//
// A ray that cannot go on says why and where (TraceFailure): it missed a
// surface, was totally reflected, met a surface behind it (the source inside
// the lens, faces that cross), or was sent away from the source. The exact
// check and the verdict read these; nothing here throws.
//
// Meridional plane only: a point is (z, y), z along the axis from the source
// toward the mirror, y the height. z = 0 at the lens's source-side vertex;
// source at −D, lens vertices at 0 and t, mirror vertex at t + d2. Lengths are
// inches. Radii and curvatures are positive when the centre of curvature lies
// toward +z (toward the mirror), so the concave mirror facing the lens has a
// negative curvature.
#pragma once

#include <array>
#include <limits>
#include <optional>
#include <vector>

#include "common/cancel_token.h"
#include "engine/null_test_engine.h"

namespace vn {

struct PathPoint {
  double z = 0;  // inches along the axis
  double y = 0;  // inches above the axis
};

// A meridional ray: a point, a unit direction and the optical path travelled
// from the source to that point.
struct VectorRay {
  double z = 0, y = 0;     // position, inches
  double dz = 1, dy = 0;   // unit direction
  double opticalPath = 0;  // Σ index × length from the source, inches
};

// A rotationally symmetric conic (sphere, plane, paraboloid, ...) with its
// vertex on the axis at vertexZ. curvature = 1/r (0 for a plane);
// conicPlusOne = 1 + K (1 for a sphere, 0 for a paraboloid).
struct ConicSurface {
  double vertexZ = 0;
  double curvature = 0;
  double conicPlusOne = 1;
};

// What stopped a ray.
enum class TraceFault {
  None,
  MissedSurface,            // the ray's line does not meet the surface
  TotalInternalReflection,  // no refracted ray leaves the surface
  BehindSource,             // the lens's source-side face lies behind the source
  SurfaceBehindRay,         // the next surface lies behind the ray: the faces cross there
  NotReturned,              // the ray is sent away from the source instead of back to it
  NoRayReachesZone,         // no ray through the lens meets the mirror at the height aimed at
};

// The surfaces of the folded system, in the order light meets them.
enum class TraceSurface { None, LensSourceSide, LensMirrorSide, Mirror };

// What stopped a ray, and where: the surface, out toward the mirror or back
// toward the source, and the ray's height (inches from the axis) at the last
// surface it reached. fault None: nothing did.
struct TraceFailure {
  TraceFault fault = TraceFault::None;
  TraceSurface surface = TraceSurface::None;
  bool returning = false;
  double height = std::numeric_limits<double>::quiet_NaN();
  bool failed() const { return fault != TraceFault::None; }
};

// Moves the ray along its line to the sheet of the surface that passes
// through the vertex, adding index × length to its optical path. Fails with
// MissedSurface when the line misses that sheet, and with SurfaceBehindRay
// when the surface lies behind the ray (a ray only travels forward); the ray
// is then left where it was.
TraceFault MoveToSurface(VectorRay& ray, const ConicSurface& surface, double index);

// Unit normal of the surface at a point on it, pointing toward −z at the
// vertex (toward the source).
PathPoint SurfaceNormal(const ConicSurface& surface, double z, double y);

// Snell's law in vector form at the surface point the ray sits on, from
// index n to index nPrime. Fails with TotalInternalReflection.
TraceFault RefractAt(VectorRay& ray, const ConicSurface& surface, double n, double nPrime);

// The law of reflection in vector form.
void ReflectAt(VectorRay& ray, const ConicSurface& surface);

// Where the ray's line meets the axis (y = 0), or nothing for a ray parallel
// to the axis.
std::optional<double> AxisCrossing(const VectorRay& ray);

// The four surfaces of one set-up, in inches.
struct FoldedSystem {
  double sourceZ = 0;      // −D
  ConicSurface lensFront;  // source-side face
  ConicSurface lensBack;   // mirror-side face
  ConicSurface mirror;
  double lensIndex = 1;
};

FoldedSystem MakeFoldedSystem(const NullTestSystem& system, double objectDistance,
                              double lensMirrorDistance);

// One ray followed from the source out to the mirror and back through the
// lens. When failure.failed(), nothing after the point it names is meaningful.
struct DoublePassRay {
  TraceFailure failure;
  double mirrorHeight = 0;
  // Heights on the lens: source-side face out, mirror-side face out,
  // mirror-side face back, source-side face back.
  std::array<double, 4> lensHeights{};
  VectorRay returning;            // just after the last refraction
  std::vector<PathPoint> points;  // source, four lens points and the mirror point
};

// Traces the ray leaving the source at launchAngle (radians from the axis,
// positive upward). With outwardOnly set it stops at the mirror.
DoublePassRay TraceFoldedRay(const FoldedSystem& system, double launchAngle,
                             bool outwardOnly = false);

// The launch angle of the ray that meets the mirror at a given height, or
// why there is none: the failure of the first ray past the traceable ones
// (what stops rays short of that height), else NoRayReachesZone.
struct Aim {
  double angle = 0;
  TraceFailure failure;
};

// Finds the ray meeting the mirror at height mirrorHeight (> 0) by a
// bracketed root search on the launch angle (abandoned, with
// NoRayReachesZone, once *cancel is set).
Aim AimAtMirrorHeight(const FoldedSystem& system, double mirrorHeight,
                      const CancelToken* cancel = nullptr);

// Where the image of the mirror's vertex plane (the aperture stop) formed by
// the lens on the way back lies on the axis: the exit pupil near the source,
// found with a near-axis ray. Nothing when that image is at infinity.
std::optional<double> ExitPupilZ(const FoldedSystem& system);

}  // namespace vn
