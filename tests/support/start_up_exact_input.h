// The exact check's input for the program's start-up set-up: a 317.5 mm
// paraboloid of radius 2540 mm with a plano-convex BK7 lens (flat toward the
// source, -206 mm toward the mirror, 15 mm thick, 80 mm across) at 632.8 nm,
// at the distances the run settles on. Lengths in inches, the engine's unit.
#pragma once

#include "exact/exact_check.h"

namespace vn::test {

// `mirrorDiameterMm` lets a test tell several checks apart.
inline SolvedSetUp StartUpExactInput(double mirrorDiameterMm = 317.5) {
  constexpr double kMm = 1.0 / 25.4;  // inches per millimetre
  SolvedSetUp in;
  NullTestSystem& s = in.system;
  s.MirrorSemiDiameter = mirrorDiameterMm / 2 * kMm, s.MirrorRadius = -2540 * kMm;
  s.ConicPlusOne = 0.0, s.LensRadius1 = 9e99, s.LensRadius2 = -206 * kMm;
  s.LensThickness = 15 * kMm, s.LensIndex = 1.51509;
  in.wavelengthMicrons = 0.6328, in.lensClearSemiDiameter = 40 * kMm;
  in.objectDistance = 204.817 * kMm, in.lensMirrorDistance = 2076.366 * kMm;
  return in;
}

}  // namespace vn::test
