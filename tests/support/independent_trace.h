// A meridional trace of the null test written apart from the program's
// tracers, to judge them: long double throughout, surfaces met by Newton's
// method on their explicit sag, Snell's law and reflection in angles rather
// than vectors, rays aimed by regula falsi. z runs along the axis from the
// lens's source-side vertex toward the mirror, in inches.
#pragma once

#include <cmath>
#include <functional>
#include <optional>

#include "engine/null_test_engine.h"

namespace vn::test {

using Real = long double;
inline constexpr Real kPiL = 3.14159265358979323846264338327950288L;

struct Face {
  Real vertexZ, c, k;  // vertex, curvature (+ toward the mirror), 1 + conic constant
  // A departure from the conic toward the light (−z) at a height y, inches;
  // its slope by central differences.
  std::function<double(double)> bump = {};
  Real Sag(Real y) const {
    return c * y * y / (1 + std::sqrt(1 - k * c * c * y * y)) - (bump ? bump(y) : 0.0);
  }
  Real Slope(Real y) const {
    const double e = 1e-5;
    return c * y / std::sqrt(1 - k * c * c * y * y) -
           (bump ? (bump(y + e) - bump(y - e)) / (2 * e) : 0.0);
  }
};

struct TracedRay {
  Real z, y, angle, path;  // position, direction of travel from the +z axis, optical path
};

// Newton's method on z(t) − (vertex + sag(y(t))) along the ray.
inline bool Meet(TracedRay& r, const Face& f, Real n) {
  const Real cz = std::cos(r.angle), cy = std::sin(r.angle);
  Real t = (f.vertexZ - r.z) / cz;
  for (int i = 0; i < 60; ++i) {
    const Real y = r.y + t * cy;
    const Real g = r.z + t * cz - f.vertexZ - f.Sag(y);
    const Real step = g / (cz - f.Slope(y) * cy);
    if (!std::isfinite(step)) return false;
    t -= step;
    if (std::fabs(step) < 1e-19L * (1 + std::fabs(t))) break;
  }
  if (!(t > 0)) return false;
  r.z += t * cz, r.y += t * cy, r.path += n * t;
  return std::isfinite(r.y);
}

inline Real NormalAngle(const Face& f, const TracedRay& r) {
  Real a = std::atan2(-f.Slope(r.y), Real(1));
  if (std::cos(r.angle - a) < 0) a += kPiL;
  return a;
}

inline bool Refract(TracedRay& r, const Face& f, Real n1, Real n2) {
  const Real a = NormalAngle(f, r);
  const Real s = n1 / n2 * std::sin(r.angle - a);
  if (std::fabs(s) > 1) return false;
  r.angle = a + std::asin(s);
  return true;
}

inline void Reflect(TracedRay& r, const Face& f) {
  r.angle = 2 * NormalAngle(f, r) - r.angle + kPiL;
}

struct IndependentSetUp {
  Face front, back, mirror;
  Real n, sourceZ, edge;

  // The engine's system with the source D before the lens and the mirror d2
  // beyond it.
  IndependentSetUp(const NullTestSystem& s, double D, double d2) {
    const auto curvature = [](double r) { return std::fabs(r) > 1e30 ? Real(0) : 1 / Real(r); };
    front = {0, curvature(s.LensRadius1), 1};
    back = {s.LensThickness, curvature(s.LensRadius2), 1};
    mirror = {Real(s.LensThickness) + d2, -1 / std::fabs(Real(s.MirrorRadius)), s.ConicPlusOne};
    n = s.LensIndex, sourceZ = -Real(D), edge = s.MirrorSemiDiameter;
  }

  // The ray leaving the source at angle u, out and back through the lens.
  std::optional<TracedRay> Trace(Real u, Real* mirrorHeight) const {
    TracedRay r{sourceZ, 0, u, 0};
    if (!Meet(r, front, 1) || !Refract(r, front, 1, n) || !Meet(r, back, n) ||
        !Refract(r, back, n, 1) || !Meet(r, mirror, 1))
      return std::nullopt;
    *mirrorHeight = r.y;
    Reflect(r, mirror);
    if (!Meet(r, back, 1) || !Refract(r, back, 1, n) || !Meet(r, front, n) ||
        !Refract(r, front, n, 1))
      return std::nullopt;
    return r;
  }

  // Regula falsi (Illinois) on the launch angle for a mirror height, from a
  // guess of it; nothing when a ray below that height does not trace.
  std::optional<TracedRay> Aim(Real height, Real& guess) const {
    Real lo = 0, flo = -height, hi = guess * 1.05L + 1e-9L, fhi = 0, h = 0;
    for (;;) {
      if (hi > 1.5L || !Trace(hi, &h)) return std::nullopt;
      if ((fhi = h - height) >= 0) break;
      lo = hi, flo = fhi, hi *= 1.5L;
    }
    Real u = hi;
    for (int i = 0, side = 0; i < 200 && hi - lo > 1e-20L * hi; ++i) {
      u = (lo * fhi - hi * flo) / (fhi - flo);
      if (!Trace(u, &h)) return std::nullopt;
      const Real fu = h - height;
      if (fu == 0) break;
      if (fu < 0) {
        lo = u, flo = fu;
        if (side == -1) fhi /= 2;
        side = -1;
      } else {
        hi = u, fhi = fu;
        if (side == 1) flo /= 2;
        side = 1;
      }
    }
    guess = u;
    return Trace(u, &h);
  }

  // Where the ray that meets the mirror at `height` comes back across the axis.
  std::optional<double> ReturnOfZone(Real height) const {
    Real guess = 1e-3L;
    const auto r = Aim(height, guess);
    if (!r) return std::nullopt;
    return static_cast<double>(r->z - r->y / std::tan(r->angle));
  }
};

}  // namespace vn::test
