// Exact vector ray trace of the folded null-test system.
#include "exact/exact_trace.h"

#include <cmath>
#include <limits>

#include "common/cancel_token.h"
#include "engine/optics_primitives.h"
#include "exact/scalar_search.h"

namespace vn {

TraceFault MoveToSurface(VectorRay& ray, const ConicSurface& surface, double index) {
  // Step 1: carry the ray to the surface's vertex plane. Solving from there
  // keeps the constant term of the quadratic small (it is then c·y²), which is
  // what lets the root formula below pick the sheet through the vertex.
  if (ray.dz == 0.0) return TraceFault::MissedSurface;
  const double toPlane = (surface.vertexZ - ray.z) / ray.dz;
  const double y0 = ray.y + toPlane * ray.dy;

  // Step 2: in the vertex frame (z' = 0 on the plane) the line y0 + s·dy,
  // s·dz meets c·(y² + k·z'²) − 2·z' = 0 where A·s² + 2·B·s + C = 0.
  const double c = surface.curvature;
  const double k = surface.conicPlusOne;
  const double A = c * (ray.dy * ray.dy + k * ray.dz * ray.dz);
  const double B = c * y0 * ray.dy - ray.dz;
  const double C = c * y0 * y0;
  const double discriminant = B * B - A * C;
  if (discriminant < 0.0) return TraceFault::MissedSurface;

  // Step 3: the root that stays finite as A → 0 (a plane, or a paraboloid met
  // along its axis) is the one on the vertex sheet; written as C / (...) it
  // never suffers the cancellation of the schoolbook formula.
  const double root = std::sqrt(discriminant);
  const double denominator = B < 0.0 ? -B + root : -B - root;
  if (denominator == 0.0) return TraceFault::MissedSurface;
  const double toSurface = C / denominator;

  // Step 4: the point must lie on the sheet through the vertex, where
  // 1 − c·k·z' ≥ 0 (that is √(1 − k·c²·y²) in the sag formula).
  const double zLocal = toSurface * ray.dz;
  if (1.0 - c * k * zLocal < 0.0) return TraceFault::MissedSurface;

  // Step 5: light only travels forward. A step back by more than rounding in
  // the positions means the surface lies behind the ray's point.
  const double length = toPlane + toSurface;
  const double rounding = 1e-13 * (std::fabs(ray.z) + std::fabs(surface.vertexZ));
  if (length < -rounding) return TraceFault::SurfaceBehindRay;
  const double z = ray.z + length * ray.dz;
  const double y = ray.y + length * ray.dy;
  if (!std::isfinite(z) || !std::isfinite(y)) return TraceFault::MissedSurface;
  ray.z = z;
  ray.y = y;
  ray.opticalPath = ray.opticalPath + index * length;
  return TraceFault::None;
}

PathPoint SurfaceNormal(const ConicSurface& surface, double z, double y) {
  // Gradient of c·(y² + k·z'²) − 2·z', halved: (c·k·z' − 1, c·y).
  const double c = surface.curvature;
  const double nz = c * surface.conicPlusOne * (z - surface.vertexZ) - 1.0;
  const double ny = c * y;
  const double length = std::sqrt(nz * nz + ny * ny);
  return {nz / length, ny / length};
}

TraceFault RefractAt(VectorRay& ray, const ConicSurface& surface, double n, double nPrime) {
  // Vector Snell's law (Welford, "Aberrations of Optical Systems", §4.7):
  // d' = μ·d + (cos I' − μ·cos I)·N with N along the direction of travel.
  PathPoint normal = SurfaceNormal(surface, ray.z, ray.y);
  double cosI = normal.z * ray.dz + normal.y * ray.dy;
  if (cosI < 0.0) {
    normal = {-normal.z, -normal.y};
    cosI = -cosI;
  }
  const double mu = n / nPrime;
  const double sinSquaredPrime = mu * mu * (1.0 - cosI * cosI);
  if (sinSquaredPrime > 1.0) return TraceFault::TotalInternalReflection;
  const double cosIPrime = std::sqrt(1.0 - sinSquaredPrime);
  const double g = cosIPrime - mu * cosI;
  ray.dz = mu * ray.dz + g * normal.z;
  ray.dy = mu * ray.dy + g * normal.y;
  return TraceFault::None;
}

void ReflectAt(VectorRay& ray, const ConicSurface& surface) {
  // d' = d − 2·(d·N)·N, whichever way N points.
  const PathPoint normal = SurfaceNormal(surface, ray.z, ray.y);
  const double cosI = normal.z * ray.dz + normal.y * ray.dy;
  ray.dz = ray.dz - 2.0 * cosI * normal.z;
  ray.dy = ray.dy - 2.0 * cosI * normal.y;
}

std::optional<double> AxisCrossing(const VectorRay& ray) {
  if (ray.dy == 0.0) return std::nullopt;
  const double z = ray.z - ray.y / ray.dy * ray.dz;
  if (!std::isfinite(z)) return std::nullopt;
  return z;
}

FoldedSystem MakeFoldedSystem(const NullTestSystem& system, double objectDistance,
                              double lensMirrorDistance) {
  FoldedSystem folded;
  folded.sourceZ = -objectDistance;
  folded.lensFront = {0.0, CurvatureFromRadius(system.LensRadius1), 1.0};
  folded.lensBack = {system.LensThickness, CurvatureFromRadius(system.LensRadius2), 1.0};
  // The mirror is concave toward the lens: its centre of curvature lies on
  // the source side, so its curvature is negative in the +z convention.
  folded.mirror = {system.LensThickness + lensMirrorDistance, -1.0 / std::fabs(system.MirrorRadius),
                   system.ConicPlusOne};
  folded.lensIndex = system.LensIndex;
  return folded;
}

namespace {

// One leg of the trace: move to a surface, then bend the ray there. The
// failure names the surface and the height the ray had before the step.
struct Leg {
  const ConicSurface& surface;
  TraceSurface name;
  bool returning;
  double indexBefore, indexAfter;
};

TraceFailure FailureAt(TraceFault fault, const Leg& leg, double height) {
  return {fault, leg.name, leg.returning, height};
}

TraceFailure Refracting(VectorRay& ray, const Leg& leg) {
  const double before = ray.y;
  if (const TraceFault f = MoveToSurface(ray, leg.surface, leg.indexBefore); f != TraceFault::None)
    return FailureAt(f, leg, before);
  if (const TraceFault f = RefractAt(ray, leg.surface, leg.indexBefore, leg.indexAfter);
      f != TraceFault::None)
    return FailureAt(f, leg, ray.y);
  return {};
}

// The double-pass trace. With `record` unset it leaves the ray's points out,
// and allocates nothing: the searches that aim a ray trace it dozens of
// times and read only its height on the mirror and its failure.
DoublePassRay TraceFolded(const FoldedSystem& system, double launchAngle, bool outwardOnly,
                          bool record) {
  DoublePassRay result;
  if (record) result.points.reserve(6);
  const auto mark = [&](const VectorRay& at) {
    if (record) result.points.push_back({at.z, at.y});
  };
  VectorRay ray;
  ray.z = system.sourceZ;
  ray.y = 0.0;
  ray.dz = std::cos(launchAngle);
  ray.dy = std::sin(launchAngle);
  mark(ray);
  const double n = system.lensIndex;
  using S = TraceSurface;

  // Out: air → source-side face → glass → mirror-side face → air → mirror.
  // The first face met behind the source means the source sits inside the lens.
  const Leg frontOut{system.lensFront, S::LensSourceSide, false, 1.0, n};
  result.failure = Refracting(ray, frontOut);
  if (result.failure.fault == TraceFault::SurfaceBehindRay)
    result.failure.fault = TraceFault::BehindSource;
  if (result.failure.failed()) return result;
  result.lensHeights[0] = ray.y;
  mark(ray);
  result.failure = Refracting(ray, {system.lensBack, S::LensMirrorSide, false, n, 1.0});
  if (result.failure.failed()) return result;
  result.lensHeights[1] = ray.y;
  mark(ray);
  const Leg mirror{system.mirror, S::Mirror, false, 1.0, 1.0};
  const double leaving = ray.y;
  if (const TraceFault f = MoveToSurface(ray, system.mirror, 1.0); f != TraceFault::None) {
    result.failure = FailureAt(f, mirror, leaving);
    return result;
  }
  result.mirrorHeight = ray.y;
  mark(ray);
  if (outwardOnly) {
    result.returning = ray;
    return result;
  }

  // Back: reflection, mirror-side face, glass, source-side face, air.
  ReflectAt(ray, system.mirror);
  if (ray.dz >= 0.0) {
    result.failure = FailureAt(TraceFault::NotReturned, mirror, ray.y);
    return result;
  }
  result.failure = Refracting(ray, {system.lensBack, S::LensMirrorSide, true, 1.0, n});
  if (result.failure.failed()) return result;
  result.lensHeights[2] = ray.y;
  mark(ray);
  const Leg frontBack{system.lensFront, S::LensSourceSide, true, n, 1.0};
  result.failure = Refracting(ray, frontBack);
  if (result.failure.failed()) return result;
  result.lensHeights[3] = ray.y;
  mark(ray);
  result.returning = ray;
  if (!(ray.dz < 0.0)) result.failure = FailureAt(TraceFault::NotReturned, frontBack, ray.y);
  return result;
}

}  // namespace

DoublePassRay TraceFoldedRay(const FoldedSystem& system, double launchAngle, bool outwardOnly) {
  return TraceFolded(system, launchAngle, outwardOnly, true);
}

Aim AimAtMirrorHeight(const FoldedSystem& system, double mirrorHeight, const CancelToken* cancel) {
  Aim aim;
  aim.failure = {TraceFault::NoRayReachesZone, TraceSurface::Mirror, false, mirrorHeight};
  if (!(mirrorHeight > 0.0)) return aim;
  // Height on the mirror as a function of the launch angle; a ray that
  // misses or is totally reflected counts as overshooting, so that the
  // bracket shrinks back toward the rays that get through.
  const auto heightError = [&](double angle) {
    const DoublePassRay ray = TraceFolded(system, angle, true, false);
    if (ray.failure.failed()) return 1.0;
    return ray.mirrorHeight - mirrorHeight;
  };

  // A first guess from a near-axis ray, where the height grows in proportion
  // to the angle, then widen the bracket until the target is passed.
  const double probe = 1e-6;
  const DoublePassRay near = TraceFolded(system, probe, true, false);
  if (near.failure.failed()) {
    aim.failure = near.failure;
    return aim;
  }
  if (!(near.mirrorHeight > 0.0)) return aim;
  double high = probe * mirrorHeight / near.mirrorHeight;
  if (!(high > 0.0) || !std::isfinite(high)) return aim;
  double low = 0.0;
  const double limit = 1.5;  // radians: no ray leaving the source steeper reaches the lens
  bool bracketed = false;
  for (int i = 0; i < 60 && high < limit; ++i) {
    if (CancelRequested(cancel)) return aim;
    const double error = heightError(high);
    if (error >= 0.0) {
      bracketed = true;
      break;
    }
    low = high;
    high = high * 1.25;
  }
  if (!bracketed) return aim;
  // The height error at the bracket's low end is negative (angle 0 gives
  // height 0); the root is therefore bracketed. A tolerance of a few units in
  // the last place of the angle keeps finite differences of the traced
  // figures smooth.
  const double tolerance = 4e-16 * high;
  const auto angle = FindRootBracketed(heightError, low, high, tolerance, 200, cancel);
  if (!angle) return aim;
  // A bracket that closed on the edge of the traceable rays (the last ray
  // through the lens below the target, the first failing one above it) is no
  // answer: what stops that ray is what keeps the zone out of reach.
  const DoublePassRay check = TraceFolded(system, *angle, true, false);
  if (check.failure.failed()) {
    aim.failure = check.failure;
    return aim;
  }
  if (std::fabs(check.mirrorHeight - mirrorHeight) > 1e-9 * std::fmax(1.0, mirrorHeight)) {
    const DoublePassRay beyond = TraceFolded(system, high, true, false);
    if (beyond.failure.failed()) aim.failure = beyond.failure;
    return aim;
  }
  aim.angle = *angle;
  aim.failure = {};
  return aim;
}

std::optional<double> ExitPupilZ(const FoldedSystem& system) {
  // A ray from the mirror's vertex at a small angle, back through the lens:
  // where it crosses the axis is the stop's image. At 1e-7 radians its
  // departure from the paraxial image is of order 1e-14 of the distance.
  constexpr double kAngle = 1e-7;
  VectorRay ray;
  ray.z = system.mirror.vertexZ;
  ray.dz = -std::cos(kAngle);
  ray.dy = std::sin(kAngle);
  const double n = system.lensIndex;
  if (MoveToSurface(ray, system.lensBack, 1.0) != TraceFault::None ||
      RefractAt(ray, system.lensBack, 1.0, n) != TraceFault::None ||
      MoveToSurface(ray, system.lensFront, n) != TraceFault::None ||
      RefractAt(ray, system.lensFront, n, 1.0) != TraceFault::None) {
    return std::nullopt;
  }
  return AxisCrossing(ray);
}

}  // namespace vn
