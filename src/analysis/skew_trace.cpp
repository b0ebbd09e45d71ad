// Exact skew-ray trace of the folded null test in three dimensions.
#include "analysis/skew_trace.h"

#include <cmath>

#include "common/constants.h"
#include "engine/optics_primitives.h"

namespace vn {

namespace {

// The ray's point and direction in the surface's local frame.
struct Local {
  Vec3 point;
  Vec3 direction;
};

inline Local ToLocal(const SkewSurface& surface, const SkewRay& ray) {
  const Vec3 offset = ray.position - surface.vertex;
  if (!surface.tilted) return {offset, ray.direction};
  return {surface.axes.ApplyInverse(offset), surface.axes.ApplyInverse(ray.direction)};
}

// Where the ray's line meets the surface's sheet through its vertex: the
// signed length along the ray, and the point and the ray's direction in the
// surface's frame. False when it misses.
inline bool Intersect(const SkewSurface& surface, const SkewRay& ray, double& length, Local& hit) {
  hit = ToLocal(surface, ray);
  const Vec3& p = hit.point;
  const Vec3& d = hit.direction;

  // Step 1: carry the ray to the vertex plane z' = 0. Solving from there keeps
  // the quadratic's constant term small (c·(x² + y²)), which is what lets the
  // root below pick the sheet through the vertex.
  if (d.z == 0.0) return false;
  const double toPlane = -p.z / d.z;
  const double x0 = p.x + toPlane * d.x;
  const double y0 = p.y + toPlane * d.y;

  // Step 2: (x0 + s·dx, y0 + s·dy, s·dz) meets c·(x² + y² + k·z²) − 2·z = 0
  // where A·s² + 2·B·s + C = 0.
  const double c = surface.curvature;
  const double k = surface.conicPlusOne;
  const double A = c * (d.x * d.x + d.y * d.y + k * d.z * d.z);
  const double B = c * (x0 * d.x + y0 * d.y) - d.z;
  const double C = c * (x0 * x0 + y0 * y0);
  const double discriminant = B * B - A * C;
  if (discriminant < 0.0) return false;

  // Step 3: the root that stays finite as A → 0 (a plane, or a paraboloid met
  // along its axis) lies on the vertex sheet; written as C / (...) it never
  // suffers the cancellation of the schoolbook formula.
  const double root = std::sqrt(discriminant);
  const double denominator = B < 0.0 ? -B + root : -B - root;
  if (denominator == 0.0) return false;
  const double toSurface = C / denominator;

  // Step 4: the point must lie on the sheet through the vertex, where
  // 1 − c·k·z' ≥ 0.
  const double z = toSurface * d.z;
  if (1.0 - c * k * z < 0.0) return false;
  length = toPlane + toSurface;
  hit.point = {x0 + toSurface * d.x, y0 + toSurface * d.y, z};
  return std::isfinite(length);
}

// The gradient of c·(x² + y² + k·z²) − 2·z, halved, at a local point: the
// surface's normal before normalising, along −z at the vertex.
inline Vec3 LocalGradient(const SkewSurface& surface, const Vec3& p) {
  const double c = surface.curvature;
  return {c * p.x, c * p.y, c * surface.conicPlusOne * p.z - 1.0};
}

// Snell's law in vector form (Welford, "Aberrations of Optical Systems",
// §4.7): d' = μ·d + (cos I' − μ·cos I)·N, with N the unit normal along the
// direction of travel and μ = n/n' the ratio of the indices. Works in any
// frame; false on total internal reflection.
inline bool Refract(Vec3& d, const Vec3& gradient, double mu) {
  const double length = std::sqrt(Dot(gradient, gradient));
  Vec3 normal = (1.0 / length) * gradient;
  double cosI = Dot(normal, d);
  if (cosI < 0.0) {
    normal = -1.0 * normal;
    cosI = -cosI;
  }
  const double sinSquaredPrime = mu * mu * (1.0 - cosI * cosI);
  if (sinSquaredPrime > 1.0) return false;
  const double cosIPrime = std::sqrt(1.0 - sinSquaredPrime);
  d = mu * d + (cosIPrime - mu * cosI) * normal;
  return true;
}

// d' = d − 2·(d·N)·N, whichever way N points.
inline void Reflect(Vec3& d, const Vec3& gradient) {
  const double scale = 2.0 * Dot(gradient, d) / Dot(gradient, gradient);
  d = d - scale * gradient;
}

// What happens to a ray at a surface of the folded set-up.
enum class Meeting { Refract, Reflect };

// Moves the ray through index n to the surface and refracts it there into
// the index n/mu, or reflects it, working in the surface's frame throughout,
// so that a tilted surface costs one rotation in and one out. `local` gets
// the point met, in the surface's frame. 0: done; 1: missed; 2: totally
// reflected.
inline int Meet(SkewRay& ray, const SkewSurface& surface, double n, double mu, Meeting meeting,
                Vec3& local) {
  double length = 0;
  Local hit;
  if (!Intersect(surface, ray, length, hit)) return 1;
  ray.position = ray.position + length * ray.direction;
  ray.opticalPath = ray.opticalPath + n * length;
  local = hit.point;
  const Vec3 gradient = LocalGradient(surface, hit.point);
  if (meeting == Meeting::Reflect) {
    Reflect(hit.direction, gradient);
  } else if (!Refract(hit.direction, gradient, mu)) {
    return 2;
  }
  ray.direction = surface.tilted ? surface.axes.Apply(hit.direction) : hit.direction;
  return 0;
}

// One leg of the folded set-up: a surface, the index before it and its
// ratio to the index after it, and the stops for a miss and for total
// internal reflection.
struct Leg {
  const SkewSurface* surface;
  double n;
  double mu;
  Meeting meeting;
  SkewTraceStop missed;
  SkewTraceStop totallyReflected;
};

inline SkewTraceStop Pass(SkewRay& ray, const Leg& leg, Vec3& local) {
  switch (Meet(ray, *leg.surface, leg.n, leg.mu, leg.meeting, local)) {
    case 0:
      return SkewTraceStop::Complete;
    case 1:
      return leg.missed;
    default:
      return leg.totallyReflected;
  }
}

std::array<Leg, 3> OutwardLegs(const SkewSetUp& s) {
  using T = SkewTraceStop;
  const double n = s.lensIndex;
  return {
      {{&s.lensFront, 1.0, 1.0 / n, Meeting::Refract, T::MissedLensFrontOut, T::TotalReflectionOut},
       {&s.lensBack, n, n, Meeting::Refract, T::MissedLensBackOut, T::TotalReflectionOut},
       {&s.mirror, 1.0, 1.0, Meeting::Reflect, T::MissedMirror, T::NotReturned}}};
}

std::array<Leg, 2> ReturnLegs(const SkewSetUp& s) {
  using T = SkewTraceStop;
  const double n = s.lensIndex;
  return {{{&s.lensBack, 1.0, 1.0 / n, Meeting::Refract, T::MissedLensBackIn, T::TotalReflectionIn},
           {&s.lensFront, n, n, Meeting::Refract, T::MissedLensFrontIn, T::TotalReflectionIn}}};
}

// A ray leaving the mirror or the lens must head back toward the source.
SkewTraceStop Returning(const SkewRay& ray) {
  return ray.direction.z < 0.0 ? SkewTraceStop::Complete : SkewTraceStop::NotReturned;
}

}  // namespace

Rotation RotationAboutX(double radians) {
  const double c = std::cos(radians), s = std::sin(radians);
  return {{1, 0, 0, 0, c, -s, 0, s, c}};
}

Rotation RotationAboutY(double radians) {
  const double c = std::cos(radians), s = std::sin(radians);
  return {{c, 0, s, 0, 1, 0, -s, 0, c}};
}

Rotation operator*(const Rotation& a, const Rotation& b) {
  Rotation r;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      r.m[3 * i + j] =
          a.m[3 * i] * b.m[j] + a.m[3 * i + 1] * b.m[3 + j] + a.m[3 * i + 2] * b.m[6 + j];
    }
  }
  return r;
}

SkewSurface TurnedAbout(const SkewSurface& surface, const Rotation& rotation, const Vec3& pivot) {
  SkewSurface turned = surface;
  turned.vertex = pivot + rotation.Apply(surface.vertex - pivot);
  turned.axes = rotation * surface.axes;
  turned.tilted = true;
  return turned;
}

bool MoveToSurface(SkewRay& ray, const SkewSurface& surface, double index) {
  double length = 0;
  Local hit;
  if (!Intersect(surface, ray, length, hit)) return false;
  ray.position = ray.position + length * ray.direction;
  ray.opticalPath = ray.opticalPath + index * length;
  return true;
}

Vec3 SurfaceNormal(const SkewSurface& surface, const Vec3& point) {
  const Vec3 offset = point - surface.vertex;
  const Vec3 gradient =
      LocalGradient(surface, surface.tilted ? surface.axes.ApplyInverse(offset) : offset);
  const Vec3 normal = (1.0 / std::sqrt(Dot(gradient, gradient))) * gradient;
  return surface.tilted ? surface.axes.Apply(normal) : normal;
}

bool RefractAt(SkewRay& ray, const SkewSurface& surface, double n, double nPrime) {
  return Refract(ray.direction, SurfaceNormal(surface, ray.position), n / nPrime);
}

void ReflectAt(SkewRay& ray, const SkewSurface& surface) {
  Reflect(ray.direction, SurfaceNormal(surface, ray.position));
}

SkewSetUp MakeSkewSetUp(const AsBuilt& build) {
  const NullTestSystem& s = build.setUp.system;
  SkewSetUp setUp;
  setUp.source = {build.sourceOffsetX, build.sourceOffsetY, -build.setUp.objectDistance};
  setUp.lensIndex = s.LensIndex;

  // The lens: centred first, then turned about its centre and moved across.
  setUp.lensFront.curvature = CurvatureFromRadius(s.LensRadius1);
  setUp.lensBack.curvature = CurvatureFromRadius(s.LensRadius2);
  setUp.lensBack.vertex = {0.0, 0.0, s.LensThickness};
  if (build.lensTiltX != 0.0 || build.lensTiltY != 0.0) {
    const Rotation turn = RotationAboutY(build.lensTiltY) * RotationAboutX(build.lensTiltX);
    const Vec3 centre{0.0, 0.0, 0.5 * s.LensThickness};
    setUp.lensFront = TurnedAbout(setUp.lensFront, turn, centre);
    setUp.lensBack = TurnedAbout(setUp.lensBack, turn, centre);
  }
  const Vec3 decenter{build.lensDecenterX, build.lensDecenterY, 0.0};
  setUp.lensFront.vertex = setUp.lensFront.vertex + decenter;
  setUp.lensBack.vertex = setUp.lensBack.vertex + decenter;

  // The mirror is concave toward the lens: its centre of curvature lies on
  // the source side, so its curvature is negative.
  setUp.mirror.vertex = {0.0, 0.0, s.LensThickness + build.setUp.lensMirrorDistance};
  setUp.mirror.curvature = -1.0 / std::fabs(s.MirrorRadius);
  setUp.mirror.conicPlusOne = s.ConicPlusOne;
  return setUp;
}

const char* SkewTraceStopText(SkewTraceStop stop) {
  switch (stop) {
    case SkewTraceStop::Complete:
      return "is traced";
    case SkewTraceStop::MissedLensFrontOut:
      return "misses the lens's source-side face on the way out";
    case SkewTraceStop::MissedLensBackOut:
      return "misses the lens's mirror-side face on the way out";
    case SkewTraceStop::TotalReflectionOut:
      return "is totally reflected inside the lens on the way out";
    case SkewTraceStop::MissedMirror:
      return "misses the mirror";
    case SkewTraceStop::NotReturned:
      return "is not sent back toward the lens by the mirror";
    case SkewTraceStop::MissedLensBackIn:
      return "misses the lens's mirror-side face on the way back";
    case SkewTraceStop::MissedLensFrontIn:
      return "misses the lens's source-side face on the way back";
    case SkewTraceStop::TotalReflectionIn:
      return "is totally reflected inside the lens on the way back";
  }
  return "cannot be traced";
}

Vec3 DirectionFromSlopes(double u, double v) {
  const double scale = 1.0 / std::sqrt(1.0 + u * u + v * v);
  return {u * scale, v * scale, scale};
}

SkewTraceStop TraceToMirror(const SkewSetUp& setUp, double u, double v, SkewRay& ray,
                            std::array<double, 2>& mirrorPoint) {
  ray.position = setUp.source;
  ray.direction = DirectionFromSlopes(u, v);
  ray.opticalPath = 0.0;
  Vec3 local;
  for (const Leg& leg : OutwardLegs(setUp)) {
    const SkewTraceStop stop = Pass(ray, leg, local);
    if (stop != SkewTraceStop::Complete) return stop;
  }
  mirrorPoint = {local.x, local.y};
  return Returning(ray);
}

void TraceAllToMirror(const SkewSetUp& setUp, std::span<const std::array<double, 2>> slopes,
                      std::span<SkewRay> rays, std::span<SkewTraceStop> stops,
                      std::span<std::array<double, 2>> mirrorPoints) {
  const std::size_t count = rays.size();
  for (std::size_t i = 0; i < count; ++i) {
    rays[i].position = setUp.source;
    rays[i].direction = DirectionFromSlopes(slopes[i][0], slopes[i][1]);
    rays[i].opticalPath = 0.0;
    stops[i] = SkewTraceStop::Complete;
  }
  // Surface by surface: each pass over the rays is a loop of independent
  // work, which the processor overlaps.
  Vec3 local;
  for (const Leg& leg : OutwardLegs(setUp)) {
    for (std::size_t i = 0; i < count; ++i) {
      if (stops[i] == SkewTraceStop::Complete) stops[i] = Pass(rays[i], leg, local);
      if (leg.meeting == Meeting::Reflect) mirrorPoints[i] = {local.x, local.y};
    }
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (stops[i] == SkewTraceStop::Complete) stops[i] = Returning(rays[i]);
  }
}

void TraceAllFromMirror(const SkewSetUp& setUp, std::span<SkewRay> rays,
                        std::span<SkewTraceStop> stops) {
  const std::size_t count = rays.size();
  Vec3 local;
  for (const Leg& leg : ReturnLegs(setUp)) {
    for (std::size_t i = 0; i < count; ++i) {
      if (stops[i] == SkewTraceStop::Complete) stops[i] = Pass(rays[i], leg, local);
    }
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (stops[i] == SkewTraceStop::Complete) stops[i] = Returning(rays[i]);
  }
}

}  // namespace vn
