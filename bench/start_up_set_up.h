// The program's start-up set-up for the benchmarks, in inches as the engine
// has it.
#pragma once

#include "common/constants.h"
#include "exact/exact_check.h"

namespace vn::bench {

// The program's start-up set-up in inches: a 317.5 mm paraboloid of radius
// 2540 mm, a plano-convex BK7 lens of radius 206 mm, 15 mm thick, at 632.8 nm,
// at the distances the run's null search settles on.
inline vn::ExactCheckInput StartUpSetUp() {
  constexpr double kInchPerMm = inchFromMm(1.0);
  vn::ExactCheckInput input;
  input.system.MirrorSemiDiameter = 317.5 / 2 * kInchPerMm;
  input.system.MirrorRadius = -2540 * kInchPerMm;
  input.system.ConicPlusOne = 0.0;
  input.system.LensRadius1 = 9e99;
  input.system.LensRadius2 = -206 * kInchPerMm;
  input.system.LensThickness = 15 * kInchPerMm;
  input.system.LensIndex = 1.51509;
  input.objectDistance = 204.817 * kInchPerMm;
  input.lensMirrorDistance = 2076.366 * kInchPerMm;
  input.wavelengthMicrons = kHeNeWavelengthMicrons;
  input.lensClearSemiDiameter = 40 * kInchPerMm;
  return input;
}

}  // namespace vn::bench
