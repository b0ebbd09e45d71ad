// The exact check of the set-up a run has just solved.
#pragma once

#include "exact/exact_check.h"
#include "run/null_finder.h"

namespace vn {

// The check's input from a run's summary: the solved distances, the lens's
// clear semi-diameter (half its entered diameter) and the test wavelength.
ExactCheckInput ExactCheckInputOf(const RunSummary& run, double wavelengthMicrons);

}  // namespace vn
