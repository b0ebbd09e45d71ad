// A bare mirror at its centre, in inches as the engine has it: the set-up
// whose optics every tracer must get exactly right.
#pragma once

#include "exact/exact_check.h"

namespace vn::test {

// A bare conic mirror tested at the centre of curvature of its vertex
// sphere: the "lens" is a thin plate of index 1, which bends no ray, so the
// source sits exactly at the centre of curvature and the test has no null.
inline SolvedSetUp BareMirrorAtCentre(double semiDiameter, double radius, double conic) {
  SolvedSetUp in;
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
