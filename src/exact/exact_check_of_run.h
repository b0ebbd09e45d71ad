// The exact check of the set-up a run has just solved.
#pragma once

#include "exact/exact_check.h"
#include "run/null_finder.h"

namespace vn {

// The check's input from a run's summary: the solved distances, the lens's
// clear semi-diameter (half its entered diameter), the test wavelength, the
// run's unit and whether its search converged (for the verdict).
ExactCheckInput ExactCheckInputOf(const RunSummary& run, double wavelengthMicrons);

}  // namespace vn
