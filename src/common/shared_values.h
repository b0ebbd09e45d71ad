// Values the whole program shares for as long as it runs: the lens glass and
// test wavelength chosen in the refractive-index dialog, and the limit of the
// spacing-error exploration chosen in its dialog. Nothing is saved between
// starts of the program.
#pragma once

#include <string>

#include "common/constants.h"

namespace vn {

struct SharedValues {
  // Glass of the lens as the catalog lists it (marks included); "BK7" at start.
  std::string GlassName = "BK7";
  // Test wavelength in micrometres; the helium-neon line at start.
  double TestWavelength = kHeNeWavelengthMicrons;
  // Spacing-error exploration: the largest optical path difference in waves
  // when ErrorLimitInWaves, otherwise a spacing error in the run's display unit.
  double ErrorLimit = 0;
  bool ErrorLimitInWaves = false;
};

}  // namespace vn
