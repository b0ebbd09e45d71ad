// The program's start-up set-up for the chooser's tests: a 317.5 mm
// paraboloid of radius 2540 mm and the 80 mm plano-convex BK7 lens of radius
// 206 mm, 15 mm thick, at 632.8 nm (index 1.51509), in engine inches.
#pragma once

#include "design/lens_candidate.h"
#include "engine/null_test_engine.h"

namespace vn::test {

inline constexpr double kInchPerMm = 1.0 / 25.4;

inline NullTestSystem StartUpMirror() {
  NullTestSystem mirror;
  mirror.MirrorSemiDiameter = 317.5 / 2 * kInchPerMm;
  mirror.MirrorRadius = -2540 * kInchPerMm;
  mirror.ConicPlusOne = 0.0;
  return mirror;
}

// A lens from its radii, thickness and diameter in millimetres (9e99 flat).
inline LensPrescription LensMm(double sourceRadius, double mirrorRadius, double thickness,
                               double diameter, double index = 1.51509) {
  LensPrescription lens;
  lens.sourceRadius = sourceRadius == 9e99 ? 9e99 : sourceRadius * kInchPerMm;
  lens.mirrorRadius = mirrorRadius == 9e99 ? 9e99 : mirrorRadius * kInchPerMm;
  lens.thickness = thickness * kInchPerMm;
  lens.diameter = diameter * kInchPerMm;
  lens.index = index;
  return lens;
}

inline LensPrescription StartUpLens() { return LensMm(9e99, -206, 15, 80); }

}  // namespace vn::test
