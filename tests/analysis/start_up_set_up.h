// The program's start-up set-up for the tolerance tests: a 317.5 mm
// paraboloid of radius 2540 mm with a plano-convex BK7 lens (flat toward the
// source, −206 mm toward the mirror, 15 mm thick, 80 mm across) at 632.8 nm,
// at the distances the run's series trace settles on. Inches, as the
// engine has them.
#pragma once

#include "analysis/tolerance_model.h"
#include "exact/exact_check.h"

namespace vn::test {

inline constexpr double kMm = 1.0 / 25.4;  // inches per millimetre

inline SolvedSetUp StartUpToleranceInput() {
  SolvedSetUp in;
  NullTestSystem& s = in.system;
  s.MirrorSemiDiameter = 317.5 / 2 * kMm, s.MirrorRadius = -2540 * kMm, s.ConicPlusOne = 0.0;
  s.LensRadius1 = 9e99, s.LensRadius2 = -206 * kMm, s.LensThickness = 15 * kMm;
  s.LensIndex = 1.51509;
  in.objectDistance = 204.817 * kMm, in.lensMirrorDistance = 2076.366 * kMm;
  in.wavelengthMicrons = 0.6328, in.lensClearSemiDiameter = 40 * kMm;
  in.glassName = "BK7";
  return in;
}

inline SolvedSetUp MeridionalCheckInput(const SolvedSetUp& in) {
  SolvedSetUp e;
  e.system = in.system;
  e.objectDistance = in.objectDistance, e.lensMirrorDistance = in.lensMirrorDistance;
  e.wavelengthMicrons = in.wavelengthMicrons, e.lensClearSemiDiameter = in.lensClearSemiDiameter;
  return e;
}

}  // namespace vn::test
