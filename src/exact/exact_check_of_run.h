// The exact check of the set-up a run has just solved.
#pragma once

#include "exact/exact_check.h"
#include "record/run_record.h"

namespace vn {

// The check's input from a run's record: the solved distances, the lens's
// clear semi-diameter (half its entered diameter), the run's test
// wavelength and unit, and whether its search converged (for the verdict).
ExactCheckInput ExactCheckInputOf(const RunRecord& run);

}  // namespace vn
