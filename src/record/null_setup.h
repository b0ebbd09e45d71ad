// A null-test set-up as numbers: the mirror and the lens with their lengths
// in the unit they were given in, the lens glass and the test wavelength.
// This is what a run solves, whoever calls it: the window and the command
// line (from the typed entries), the lens chooser (from its candidates) and
// the tests.
#pragma once

#include <array>
#include <cmath>
#include <optional>
#include <string>

#include "common/constants.h"
#include "engine/null_test_engine.h"
#include "record/run_host.h"

namespace vn {

struct NullSetup {
  bool inch = false;  // the lengths below are inches, else millimetres

  // ---- The mirror ----
  double mirrorDiameter = 0;
  // Either sign: the mirror is always concave toward the lens.
  double mirrorRadiusOfCurvature = 0;
  double conicConstant = 0;  // K: 0 sphere, -1 paraboloid, below -1 hyperboloid

  // ---- The lens ----
  // Signed: positive when the face's centre of curvature lies toward the
  // mirror. A flat face is the radius 9e99.
  double sourceSideRadius = 0;
  double mirrorSideRadius = 0;
  double centreThickness = 0;
  double lensDiameter = 0;
  double lensIndex = 0;
  std::string glassName;                           // as the catalog lists it; "" when not known
  double testWavelength = kHeNeWavelengthMicrons;  // micrometres

  // The entries exactly as typed, indexed by Entry, beside the numbers read
  // from them, when the set-up was typed: the echo and the lens file show
  // what was typed.
  std::optional<std::array<std::string, kEntryCount>> typed;

  // An entry as the report and the lens file show it: as typed, or the
  // number in the general number form when the set-up was given as numbers.
  std::string ShownText(Entry e) const;

  // A length of this set-up in engine inches.
  double InchesFrom(double length) const { return inchFromUnit(length, inch); }

  // The engine's system: inches, the mirror's radius negative, and the
  // conic as K + 1, which the mirror's sag series reads.
  NullTestSystem EngineSystem() const {
    NullTestSystem s;
    s.MirrorSemiDiameter = InchesFrom(mirrorDiameter) * 0.5;
    s.MirrorRadius = -std::fabs(InchesFrom(mirrorRadiusOfCurvature));
    s.ConicPlusOne = conicConstant + 1.0;
    s.LensRadius1 = InchesFrom(sourceSideRadius);
    s.LensRadius2 = InchesFrom(mirrorSideRadius);
    s.LensThickness = InchesFrom(centreThickness);
    s.LensIndex = lensIndex;
    return s;
  }
};

}  // namespace vn
