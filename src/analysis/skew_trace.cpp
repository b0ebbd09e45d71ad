// Exact skew-ray trace of the folded null test in three dimensions.
#include "analysis/skew_trace.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "analysis/ray_lanes.h"
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

// ---- One ray, or several side by side (ray_lanes.h) --------------------------

template <typename T>
struct V3 {
  T x, y, z;
};

template <typename T>
inline T Dot(const V3<T>& a, const V3<T>& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}

// A vector given in the fixed frame, seen from the rotated frame, and back
// (Rotation::ApplyInverse and Rotation::Apply).
template <typename T>
inline V3<T> ApplyInverse(const Rotation& r, const V3<T>& v) {
  const auto& m = r.m;
  return {m[0] * v.x + m[3] * v.y + m[6] * v.z, m[1] * v.x + m[4] * v.y + m[7] * v.z,
          m[2] * v.x + m[5] * v.y + m[8] * v.z};
}

template <typename T>
inline V3<T> Apply(const Rotation& r, const V3<T>& v) {
  const auto& m = r.m;
  return {m[0] * v.x + m[1] * v.y + m[2] * v.z, m[3] * v.x + m[4] * v.y + m[5] * v.z,
          m[6] * v.x + m[7] * v.y + m[8] * v.z};
}

inline V3<double> Of(const Vec3& v) { return {v.x, v.y, v.z}; }

// A unit direction from the slopes u = dx/dz and v = dy/dz.
template <typename T>
inline V3<T> DirectionOf(T u, T v) {
  const T scale = 1.0 / Sqrt(1.0 + u * u + v * v);
  return {u * scale, v * scale, scale};
}
inline Vec3 Of(const V3<double>& v) { return {v.x, v.y, v.z}; }

// Where a line meets a surface's sheet through its vertex, in the surface's
// frame: the signed length along the line from its point, and the point met.
template <typename T>
struct Hit {
  T length;
  V3<T> point;
  Mask<T> met;
};

// p and d: the line's point and unit direction in the surface's frame; c the
// curvature, k = 1 + K.
template <typename T>
inline Hit<T> IntersectLocal(double c, double k, const V3<T>& p, const V3<T>& d) {
  // Step 1: carry the line to the vertex plane z' = 0. Solving from there
  // keeps the quadratic's constant term small (c·(x² + y²)), which is what
  // lets the root below pick the sheet through the vertex.
  const T toPlane = -p.z / d.z;
  const T x0 = p.x + toPlane * d.x;
  const T y0 = p.y + toPlane * d.y;

  // Step 2: (x0 + s·dx, y0 + s·dy, s·dz) meets c·(x² + y² + k·z²) − 2·z = 0
  // where A·s² + 2·B·s + C = 0.
  const T A = c * (d.x * d.x + d.y * d.y + k * d.z * d.z);
  const T B = c * (x0 * d.x + y0 * d.y) - d.z;
  const T C = c * (x0 * x0 + y0 * y0);
  const T discriminant = B * B - A * C;

  // Step 3: the root that stays finite as A → 0 (a plane, or a paraboloid met
  // along its axis) lies on the vertex sheet; written as C / (...) it never
  // suffers the cancellation of the schoolbook formula. (The square root of
  // a negative discriminant is NaN, and the ray is marked as missing.)
  const T root = Sqrt(discriminant);
  const T denominator = B < 0.0 ? -B + root : -B - root;
  const T toSurface = C / denominator;

  // Step 4: the point must lie on the sheet through the vertex, where
  // 1 − c·k·z' ≥ 0.
  const T z = toSurface * d.z;
  const T length = toPlane + toSurface;
  const Mask<T> met = (d.z != 0.0) & (discriminant >= 0.0) & (denominator != 0.0) &
                      Not(1.0 - c * k * z < 0.0) & FiniteMask(length);
  return {length, {x0 + toSurface * d.x, y0 + toSurface * d.y, z}, met};
}

// The gradient of c·(x² + y² + k·z²) − 2·z, halved, at a local point: the
// surface's normal before normalising, along −z at the vertex.
template <typename T>
inline V3<T> LocalGradient(double c, double k, const V3<T>& p) {
  return {c * p.x, c * p.y, c * k * p.z - 1.0};
}

// Snell's law in vector form (Welford, "Aberrations of Optical Systems",
// §4.7): d' = μ·d + (cos I' − μ·cos I)·N, with N the unit normal along the
// direction of travel and μ = n/n' the ratio of the indices. Works in any
// frame. The mask says where the ray passes: elsewhere it is totally
// reflected and `refracted` is not meaningful.
//
// First N from the surface's gradient, and cos I = N·d.
template <typename T>
inline V3<T> NormalAlong(const V3<T>& d, const V3<T>& gradient, T& cosI) {
  const T scale = 1.0 / Sqrt(Dot(gradient, gradient));
  const V3<T> normal{scale * gradient.x, scale * gradient.y, scale * gradient.z};
  const T dot = Dot(normal, d);
  const Mask<T> against = dot < 0.0;
  cosI = against ? -dot : dot;
  return {against ? -normal.x : normal.x, against ? -normal.y : normal.y,
          against ? -normal.z : normal.z};
}

// Then the law itself.
template <typename T>
inline Mask<T> Snell(const V3<T>& d, const V3<T>& normal, T cosI, double mu, V3<T>& refracted) {
  const T sinSquaredPrime = mu * mu * (1.0 - cosI * cosI);
  const T cosIPrime = Sqrt(1.0 - sinSquaredPrime);
  const T g = cosIPrime - mu * cosI;
  refracted = {mu * d.x + g * normal.x, mu * d.y + g * normal.y, mu * d.z + g * normal.z};
  return Not(sinSquaredPrime > 1.0);
}

template <typename T>
inline Mask<T> Refracted(const V3<T>& d, const V3<T>& gradient, double mu, V3<T>& refracted) {
  T cosI;
  const V3<T> normal = NormalAlong(d, gradient, cosI);
  return Snell(d, normal, cosI, mu, refracted);
}

// d' = d − 2·(d·N)·N, whichever way N points.
template <typename T>
inline V3<T> Reflected(const V3<T>& d, const V3<T>& gradient) {
  const T scale = 2.0 * Dot(gradient, d) / Dot(gradient, gradient);
  return {d.x - scale * gradient.x, d.y - scale * gradient.y, d.z - scale * gradient.z};
}

// Where the ray's line meets the surface's sheet through its vertex: the
// signed length along the ray, and the point and the ray's direction in the
// surface's frame. False when it misses.
inline bool Intersect(const SkewSurface& surface, const SkewRay& ray, double& length, Local& hit) {
  hit = ToLocal(surface, ray);
  const Hit<double> met =
      IntersectLocal(surface.curvature, surface.conicPlusOne, Of(hit.point), Of(hit.direction));
  if (!met.met) return false;
  length = met.length;
  hit.point = Of(met.point);
  return true;
}

inline Vec3 LocalGradient(const SkewSurface& surface, const Vec3& p) {
  return Of(LocalGradient(surface.curvature, surface.conicPlusOne, Of(p)));
}

inline bool Refract(Vec3& d, const Vec3& gradient, double mu) {
  V3<double> refracted;
  if (!Refracted(Of(d), Of(gradient), mu, refracted)) return false;
  d = Of(refracted);
  return true;
}

inline void Reflect(Vec3& d, const Vec3& gradient) { d = Of(Reflected(Of(d), Of(gradient))); }

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

// ---- Many rays at once ------------------------------------------------------
//
// The rays of a pupil are independent, so they are traced surface by
// surface, a block of them at a time, held as columns (one array per
// coordinate) rather than as rays. The loop over a block does the same
// arithmetic on every ray without a branch, which the compiler turns into
// instructions that work on two rays (or more) at once. Each ray's figures
// are those of the one-ray form: the same operations in the same order.

// Rays per block: the columns of a block fit the processor's first-level
// cache together with the loop's code, and nothing is allocated.
constexpr std::size_t kBlockRays = 64;

struct RayBlock {
  std::size_t count = 0;
  // The rays, global frame; optical path from the source, inches. They
  // point at the block's first ray in the columns of a whole pupil
  // (RayColumns), or into `own` when the rays come and go one by one.
  double *px, *py, *pz, *dx, *dy, *dz, *path;
  // 1 while the ray goes on, 0 once a surface has stopped it.
  std::array<double, kBlockRays> alive;
  // What the last surface did to a ray that met it going on: 0 passed,
  // 1 missed, 2 totally reflected.
  std::array<double, kBlockRays> fault;
  // Where each ray met the last surface, in that surface's frame, and the
  // signed length along the ray to it.
  std::array<double, kBlockRays> hitX, hitY, hitZ, length;
  // The ray's direction in a tilted surface's frame: turned once, in the
  // first sweep over the block, and read by the sweeps after it.
  std::array<double, kBlockRays> turnedX, turnedY, turnedZ;
  // A refracting surface's unit normal there, along the ray, in its frame,
  // and the cosine of the angle of incidence.
  std::array<double, kBlockRays> normalX, normalY, normalZ, cosI;
  // Per ray 0, or all bits set where the ray's line met the surface's sheet.
  std::array<std::int64_t, kBlockRays> met;
  std::array<std::array<double, kBlockRays>, 7> own;

  void UseOwn() {
    px = own[0].data();
    py = own[1].data();
    pz = own[2].data();
    dx = own[3].data();
    dy = own[4].data();
    dz = own[5].data();
    path = own[6].data();
  }
  void Use(RayColumns& columns, std::size_t first) {
    px = &columns.px[first];
    py = &columns.py[first];
    pz = &columns.pz[first];
    dx = &columns.dx[first];
    dy = &columns.dy[first];
    dz = &columns.dz[first];
    path = &columns.path[first];
  }
};

// One leg (Meet) for every ray of the block, as many rays at a time as the
// lane type V holds. A ray already stopped keeps its figures; one stopped
// here keeps those Meet leaves it with. The work goes in sweeps over the
// block, the points met, the normals there (when refracting) and then the
// rays bent: each ray's chain of divisions and square roots is then short
// enough for the processor to work on several rays' chains at once. True
// when the surface stopped a ray.
//
// kFromPoint: every ray of the block stands at the point `from` (the source,
// for the first surface out): its place in the surface's frame is worked
// out once, the same figures every lane would give.
template <typename V, bool kTilted, bool kReflect, bool kFromPoint = false>
bool MeetAll(RayBlock& b, const SkewSurface& surface, double n, double mu, const Vec3& from = {}) {
  // Everything the sweeps read besides the columns, held in locals: the
  // columns are written through memcpy, which as far as the compiler knows
  // could change anything else reachable, and it would read it again.
  const Rotation axes = surface.axes;
  const Vec3 vertex = surface.vertex;
  const double c = surface.curvature;
  const double k = surface.conicPlusOne;
  const std::size_t count = b.count;
  double* const px = b.px;
  double* const py = b.py;
  double* const pz = b.pz;
  double* const dx = b.dx;
  double* const dy = b.dy;
  double* const dz = b.dz;
  double* const path = b.path;
  const auto pair = [](const auto& column, std::size_t i) { return LoadLanes<V>(&column[i]); };
  const auto put = [](auto& column, std::size_t i, V value) { StoreLanes(&column[i], value); };
  // The rays in the global frame, and their directions in the surface's
  // (ToLocal).
  const V3<V> start{V{} + from.x, V{} + from.y, V{} + from.z};
  const auto global = [&](std::size_t i, V3<V>& position, V3<V>& direction) {
    position = kFromPoint ? start : V3<V>{pair(px, i), pair(py, i), pair(pz, i)};
    direction = {pair(dx, i), pair(dy, i), pair(dz, i)};
  };
  const V3<double> fromOffset{from.x - vertex.x, from.y - vertex.y, from.z - vertex.z};
  const V3<double> fromLocal = kTilted ? ApplyInverse(axes, fromOffset) : fromOffset;
  const auto localDirection = [&](std::size_t i, const V3<V>& direction) {
    return kTilted ? V3<V>{pair(b.turnedX, i), pair(b.turnedY, i), pair(b.turnedZ, i)} : direction;
  };

  // The points met.
  for (std::size_t i = 0; i < count; i += kLanesOf<V>) {
    V3<V> position, direction;
    global(i, position, direction);
    const V3<V> offset{position.x - vertex.x, position.y - vertex.y, position.z - vertex.z};
    const V3<V> p = kFromPoint ? V3<V>{V{} + fromLocal.x, V{} + fromLocal.y, V{} + fromLocal.z}
                    : kTilted  ? ApplyInverse(axes, offset)
                               : offset;
    const V3<V> d = kTilted ? ApplyInverse(axes, direction) : direction;
    if constexpr (kTilted) {
      put(b.turnedX, i, d.x);
      put(b.turnedY, i, d.y);
      put(b.turnedZ, i, d.z);
    }
    const Hit<V> hit = IntersectLocal(c, k, p, d);
    put(b.hitX, i, hit.point.x);
    put(b.hitY, i, hit.point.y);
    put(b.hitZ, i, hit.point.z);
    put(b.length, i, hit.length);
    std::memcpy(&b.met[i], &hit.met, sizeof hit.met);
  }

  // The normals there.
  if constexpr (!kReflect) {
    for (std::size_t i = 0; i < count; i += kLanesOf<V>) {
      const V3<V> d = localDirection(i, V3<V>{pair(dx, i), pair(dy, i), pair(dz, i)});
      const V3<V> point{pair(b.hitX, i), pair(b.hitY, i), pair(b.hitZ, i)};
      V cosI;
      const V3<V> normal = NormalAlong(d, LocalGradient(c, k, point), cosI);
      put(b.normalX, i, normal.x);
      put(b.normalY, i, normal.y);
      put(b.normalZ, i, normal.z);
      put(b.cosI, i, cosI);
    }
  }

  // The rays bent there.
  Mask<V> stopped{};
  for (std::size_t i = 0; i < count; i += kLanesOf<V>) {
    V3<V> position, direction;
    global(i, position, direction);
    const V3<V> d = localDirection(i, direction);
    const V length = pair(b.length, i);
    Mask<V> met;
    std::memcpy(&met, &b.met[i], sizeof met);
    V3<V> bent;
    Mask<V> passes = met | Not(met);  // every lane
    if constexpr (kReflect) {
      const V3<V> point{pair(b.hitX, i), pair(b.hitY, i), pair(b.hitZ, i)};
      bent = Reflected(d, LocalGradient(c, k, point));
    } else {
      const V3<V> normal{pair(b.normalX, i), pair(b.normalY, i), pair(b.normalZ, i)};
      passes = Snell(d, normal, pair(b.cosI, i), mu, bent);
    }
    const V3<V> out = kTilted ? Apply(axes, bent) : bent;

    // Keep what applies to each ray; when every ray went on, that is all of
    // it (the common case, without the selections).
    const Mask<V> going = pair(b.alive, i) != 0.0;
    const Mask<V> moved = going & met;
    const Mask<V> turned = moved & passes;
    const V zero = V{} + 0.0;
    if (!Any(Not(turned))) {
      put(px, i, position.x + length * direction.x);
      put(py, i, position.y + length * direction.y);
      put(pz, i, position.z + length * direction.z);
      put(path, i, pair(path, i) + n * length);
      put(dx, i, out.x);
      put(dy, i, out.y);
      put(dz, i, out.z);
      put(b.fault, i, zero);
      continue;
    }
    put(px, i, moved ? position.x + length * direction.x : position.x);
    put(py, i, moved ? position.y + length * direction.y : position.y);
    put(pz, i, moved ? position.z + length * direction.z : position.z);
    const V travelled = pair(path, i);
    put(path, i, moved ? travelled + n * length : travelled);
    put(dx, i, turned ? out.x : direction.x);
    put(dy, i, turned ? out.y : direction.y);
    put(dz, i, turned ? out.z : direction.z);
    const V one = zero + 1.0, two = zero + 2.0;
    put(b.fault, i, going ? (met ? (passes ? zero : two) : one) : zero);
    put(b.alive, i, turned ? one : zero);
    stopped |= going & Not(turned);
  }
  return Any(stopped);
}

// One leg for the block, and the stop of each ray it stopped.
template <typename V>
void PassAll(RayBlock& b, const Leg& leg, SkewTraceStop* stops, const Vec3* from = nullptr) {
  const SkewSurface& s = *leg.surface;
  const bool reflect = leg.meeting == Meeting::Reflect;
  bool stopped = false;
  if (from != nullptr && !reflect) {
    stopped = s.tilted ? MeetAll<V, true, false, true>(b, s, leg.n, leg.mu, *from)
                       : MeetAll<V, false, false, true>(b, s, leg.n, leg.mu, *from);
  } else if (s.tilted) {
    stopped = reflect ? MeetAll<V, true, true>(b, s, leg.n, leg.mu)
                      : MeetAll<V, true, false>(b, s, leg.n, leg.mu);
  } else {
    stopped = reflect ? MeetAll<V, false, true>(b, s, leg.n, leg.mu)
                      : MeetAll<V, false, false>(b, s, leg.n, leg.mu);
  }
  if (!stopped) return;
  for (std::size_t i = 0; i < b.count; ++i) {
    if (b.fault[i] == 1.0) stops[i] = leg.missed;
    if (b.fault[i] == 2.0) stops[i] = leg.totallyReflected;
  }
}

// Rays go as many at a time as V holds: a block that is not a whole number
// of them ends with stopped rays of zeros.
template <typename V>
void PadBlock(RayBlock& b) {
  for (std::size_t i = b.count; i % kLanesOf<V> != 0; ++i) {
    b.px[i] = b.py[i] = b.pz[i] = b.dx[i] = b.dy[i] = b.dz[i] = b.path[i] = 0.0;
    b.alive[i] = 0.0;
  }
}

// The stop of each ray that completed the legs but is not headed back
// toward the source (Returning).
void MarkNotReturned(const RayBlock& b, SkewTraceStop* stops) {
  for (std::size_t i = 0; i < b.count; ++i) {
    if (stops[i] == SkewTraceStop::Complete && !(b.dz[i] < 0.0))
      stops[i] = SkewTraceStop::NotReturned;
  }
}

// Writes the block's rays back.
void StoreBlock(const RayBlock& b, std::span<SkewRay> rays) {
  for (std::size_t i = 0; i < b.count; ++i) {
    rays[i].position = {b.px[i], b.py[i], b.pz[i]};
    rays[i].direction = {b.dx[i], b.dy[i], b.dz[i]};
    rays[i].opticalPath = b.path[i];
  }
}

// From the source along the slopes to the mirror, for the block's rays
// (their columns set): the stops and the points met on the mirror.
template <typename V>
void ToMirrorBlock(const SkewSetUp& setUp, const std::array<double, 2>* slopes, RayBlock& block,
                   SkewTraceStop* stops, std::array<double, 2>* mirrorPoints) {
  const std::size_t count = block.count;
  // The slopes, in the columns of the direction they give.
  for (std::size_t i = 0; i < count; ++i) {
    block.dx[i] = slopes[i][0];
    block.dy[i] = slopes[i][1];
  }
  for (std::size_t i = count; i % kLanesOf<V> != 0; ++i) block.dx[i] = block.dy[i] = 0.0;
  // Every ray leaves the source (where the first surface's trace takes them
  // from) with no path behind it; the lanes after the last ray are stopped
  // again by PadBlock.
  const V zero = V{}, one = zero + 1.0;
  for (std::size_t i = 0; i < count; i += kLanesOf<V>) {
    const V3<V> direction = DirectionOf(LoadLanes<V>(&block.dx[i]), LoadLanes<V>(&block.dy[i]));
    StoreLanes(&block.dx[i], direction.x);
    StoreLanes(&block.dy[i], direction.y);
    StoreLanes(&block.dz[i], direction.z);
    StoreLanes(&block.path[i], zero);
    StoreLanes(&block.alive[i], one);
  }
  std::fill(stops, stops + count, SkewTraceStop::Complete);
  PadBlock<V>(block);
  const std::array<Leg, 3> legs = OutwardLegs(setUp);
  PassAll<V>(block, legs[0], stops, &setUp.source);
  PassAll<V>(block, legs[1], stops);
  PassAll<V>(block, legs[2], stops);
  for (std::size_t i = 0; i < count; ++i) mirrorPoints[i] = {block.hitX[i], block.hitY[i]};
  MarkNotReturned(block, stops);
}

// From the mirror back through the lens, for the block's rays (their
// columns set) that reached it.
template <typename V>
void FromMirrorBlock(const SkewSetUp& setUp, RayBlock& block, SkewTraceStop* stops) {
  for (std::size_t i = 0; i < block.count; ++i)
    block.alive[i] = stops[i] == SkewTraceStop::Complete ? 1.0 : 0.0;
  PadBlock<V>(block);
  for (const Leg& leg : ReturnLegs(setUp)) PassAll<V>(block, leg, stops);
  MarkNotReturned(block, stops);
}

template <typename V>
void ToMirrorBlocks(const SkewSetUp& setUp, std::span<const std::array<double, 2>> slopes,
                    std::span<SkewRay> rays, std::span<SkewTraceStop> stops,
                    std::span<std::array<double, 2>> mirrorPoints) {
  RayBlock block;
  block.UseOwn();
  for (std::size_t begin = 0; begin < rays.size(); begin += kBlockRays) {
    block.count = std::min(kBlockRays, rays.size() - begin);
    ToMirrorBlock<V>(setUp, &slopes[begin], block, &stops[begin], &mirrorPoints[begin]);
    StoreBlock(block, rays.subspan(begin, block.count));
  }
}

template <typename V>
void FromMirrorBlocks(const SkewSetUp& setUp, std::span<SkewRay> rays,
                      std::span<SkewTraceStop> stops) {
  RayBlock block;
  block.UseOwn();
  for (std::size_t begin = 0; begin < rays.size(); begin += kBlockRays) {
    block.count = std::min(kBlockRays, rays.size() - begin);
    for (std::size_t i = 0; i < block.count; ++i) {
      const SkewRay& ray = rays[begin + i];
      block.px[i] = ray.position.x;
      block.py[i] = ray.position.y;
      block.pz[i] = ray.position.z;
      block.dx[i] = ray.direction.x;
      block.dy[i] = ray.direction.y;
      block.dz[i] = ray.direction.z;
      block.path[i] = ray.opticalPath;
    }
    FromMirrorBlock<V>(setUp, block, &stops[begin]);
    StoreBlock(block, rays.subspan(begin, block.count));
  }
}

// The same on rays held as columns, traced where they lie.
template <typename V>
void ColumnsToMirror(const SkewSetUp& setUp, std::span<const std::array<double, 2>> slopes,
                     RayColumns& rays, std::size_t first, std::span<SkewTraceStop> stops,
                     std::span<std::array<double, 2>> mirrorPoints) {
  RayBlock block;
  for (std::size_t begin = 0; begin < slopes.size(); begin += kBlockRays) {
    block.count = std::min(kBlockRays, slopes.size() - begin);
    block.Use(rays, first + begin);
    ToMirrorBlock<V>(setUp, &slopes[begin], block, &stops[begin], &mirrorPoints[begin]);
  }
}

template <typename V>
void ColumnsFromMirror(const SkewSetUp& setUp, RayColumns& rays, std::span<SkewTraceStop> stops) {
  RayBlock block;
  for (std::size_t begin = 0; begin < stops.size(); begin += kBlockRays) {
    block.count = std::min(kBlockRays, stops.size() - begin);
    block.Use(rays, begin);
    FromMirrorBlock<V>(setUp, block, &stops[begin]);
  }
}

// The block traces again, compiled for processors with AVX2 and taken when
// the processor has it: four rays to a register instead of two, and the
// same operations on each lane (no fused multiply-add; division and square
// root are correctly rounded in both instruction sets), so the same figures
// to the bit, in fewer instructions (three-operand forms, blends for the
// masks).
#ifdef VN_LANES_AVX2
[[gnu::target("avx2"), gnu::flatten]] void ToMirrorBlocksAvx2(
    const SkewSetUp& setUp, std::span<const std::array<double, 2>> slopes, std::span<SkewRay> rays,
    std::span<SkewTraceStop> stops, std::span<std::array<double, 2>> mirrorPoints) {
  ToMirrorBlocks<Quad>(setUp, slopes, rays, stops, mirrorPoints);
}

[[gnu::target("avx2"), gnu::flatten]] void FromMirrorBlocksAvx2(const SkewSetUp& setUp,
                                                                std::span<SkewRay> rays,
                                                                std::span<SkewTraceStop> stops) {
  FromMirrorBlocks<Quad>(setUp, rays, stops);
}

[[gnu::target("avx2"), gnu::flatten]] void ColumnsToMirrorAvx2(
    const SkewSetUp& setUp, std::span<const std::array<double, 2>> slopes, RayColumns& rays,
    std::size_t first, std::span<SkewTraceStop> stops,
    std::span<std::array<double, 2>> mirrorPoints) {
  ColumnsToMirror<Quad>(setUp, slopes, rays, first, stops, mirrorPoints);
}

[[gnu::target("avx2"), gnu::flatten]] void ColumnsFromMirrorAvx2(const SkewSetUp& setUp,
                                                                 RayColumns& rays,
                                                                 std::span<SkewTraceStop> stops) {
  ColumnsFromMirror<Quad>(setUp, rays, stops);
}
#endif

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

Vec3 DirectionFromSlopes(double u, double v) { return Of(DirectionOf(u, v)); }

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
#ifdef VN_LANES_AVX2
  if (HasAvx2()) return ToMirrorBlocksAvx2(setUp, slopes, rays, stops, mirrorPoints);
#endif
  ToMirrorBlocks<Pair>(setUp, slopes, rays, stops, mirrorPoints);
}

void TraceAllFromMirror(const SkewSetUp& setUp, std::span<SkewRay> rays,
                        std::span<SkewTraceStop> stops) {
#ifdef VN_LANES_AVX2
  if (HasAvx2()) return FromMirrorBlocksAvx2(setUp, rays, stops);
#endif
  FromMirrorBlocks<Pair>(setUp, rays, stops);
}

void RayColumns::Resize(std::size_t count) {
  for (std::vector<double>* column : {&px, &py, &pz, &dx, &dy, &dz, &path})
    column->resize(count + kMostLanes);
}

SkewRay RayColumns::Ray(std::size_t i) const {
  return {{px[i], py[i], pz[i]}, {dx[i], dy[i], dz[i]}, path[i]};
}

void RayColumns::SetRay(std::size_t i, const SkewRay& ray) {
  px[i] = ray.position.x;
  py[i] = ray.position.y;
  pz[i] = ray.position.z;
  dx[i] = ray.direction.x;
  dy[i] = ray.direction.y;
  dz[i] = ray.direction.z;
  path[i] = ray.opticalPath;
}

void TraceColumnsToMirror(const SkewSetUp& setUp, std::span<const std::array<double, 2>> slopes,
                          RayColumns& rays, std::size_t first, std::span<SkewTraceStop> stops,
                          std::span<std::array<double, 2>> mirrorPoints) {
#ifdef VN_LANES_AVX2
  if (HasAvx2()) return ColumnsToMirrorAvx2(setUp, slopes, rays, first, stops, mirrorPoints);
#endif
  ColumnsToMirror<Pair>(setUp, slopes, rays, first, stops, mirrorPoints);
}

void TraceColumnsFromMirror(const SkewSetUp& setUp, RayColumns& rays,
                            std::span<SkewTraceStop> stops) {
#ifdef VN_LANES_AVX2
  if (HasAvx2()) return ColumnsFromMirrorAvx2(setUp, rays, stops);
#endif
  ColumnsFromMirror<Pair>(setUp, rays, stops);
}

}  // namespace vn
