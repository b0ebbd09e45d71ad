// Set-ups for the tester's tests, in inches as the engine has them.
#pragma once

#include "exact/exact_check.h"

namespace vn::test {

inline constexpr double kInchPerMm = 1.0 / 25.4;

// The program's start-up set-up: a 317.5 mm paraboloid of radius 2540 mm, a
// plano-convex BK7 lens (flat toward the source, −206 mm toward the mirror,
// 15 mm thick, 80 mm across) at 632.8 nm, at the distances the run settles on.
inline ExactCheckInput StartUpNull() {
  ExactCheckInput in;
  NullTestSystem& s = in.system;
  s.MirrorSemiDiameter = 317.5 / 2 * kInchPerMm;
  s.MirrorRadius = -2540 * kInchPerMm;
  s.ConicPlusOne = 0.0;
  s.LensRadius1 = 9e99;
  s.LensRadius2 = -206 * kInchPerMm;
  s.LensThickness = 15 * kInchPerMm;
  s.LensIndex = 1.51509;
  in.objectDistance = 204.817 * kInchPerMm;
  in.lensMirrorDistance = 2076.366 * kInchPerMm;
  in.wavelengthMicrons = 0.6328;
  in.lensClearSemiDiameter = 40 * kInchPerMm;
  return in;
}

// A bare conic mirror tested at the centre of curvature of its vertex
// sphere: the "lens" is a thin plate of index 1, which bends no ray, so the
// source sits exactly at the centre of curvature and the test has no null.
inline ExactCheckInput BareMirrorAtCentre(double semiDiameter, double radius, double conic) {
  ExactCheckInput in;
  NullTestSystem& s = in.system;
  s.MirrorSemiDiameter = semiDiameter;
  s.MirrorRadius = -radius;
  s.ConicPlusOne = 1.0 + conic;
  s.LensRadius1 = 9e99;
  s.LensRadius2 = 9e99;
  s.LensThickness = 0.1;
  s.LensIndex = 1.0;
  in.objectDistance = 0.25 * radius;
  in.lensMirrorDistance = radius - in.objectDistance - s.LensThickness;
  in.wavelengthMicrons = 0.6328;
  return in;
}

}  // namespace vn::test
