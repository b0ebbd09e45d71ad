// The two units a run works in. The engine always works in inches; a
// millimetre run divides every entered length by 25.4 on reading and
// multiplies every reported length by 25.4.
#pragma once

#include "common/constants.h"

namespace vn {

struct RunUnits {
  bool inch;                   // FindNullInch or FindNullMm
  double factor;               // engine inches to the reported unit (U)
  const char* mirrorDiamUnit;  // after the mirror diameter in the echo
  const char* lengthUnit;      // after every other length
  bool lensEchoAsTyped;        // lens lengths echoed as typed (mm) or as numbers (inch)
  int focalDecimals;           // decimals of the echoed focal length
  double flatLimitSource;      // |r| beyond which the source-side face is called flat
  double flatLimitMirror;      // the same for the mirror-side face (10000 in both units)
  int resultDecimals;          // decimals of the results block
  const char* unitMark;        // unit after a spacing error in the exploration heads

  static RunUnits Inch() { return {true, 1.0, "\"", "\"", false, 6, 10000.0, 10000.0, 4, "\""}; }
  static RunUnits Mm() {
    return {false, kMmPerInch, "mm", " mm", true, 3, 254000.0, 10000.0, 3, " mm"};
  }
  // An entered length in engine inches.
  double EngineFromEntered(double x) const { return inchFromUnit(x, inch); }
};

}  // namespace vn
