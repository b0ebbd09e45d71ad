// The run as a function of numbers: a set-up, what to do besides solving it,
// a cancel token and a host in, the run's record out. The window, the
// command line, the lens chooser and the tests all solve through it; the
// report's text is a view of the record (run/run_report.h).
#pragma once

#include "common/cancel_token.h"
#include "record/run_host.h"
#include "record/run_record.h"

namespace vn {

class LensFilePlatform;

// Solves `setup`: the spacing search from the thin-lens start values, the
// evaluation of the solved set-up, the lens-file export when asked for (with
// `lensFiles`; none: no file is written) and the spacing-error exploration
// when asked for. A cancel makes every loop stop at its next step; the run
// then still evaluates the values reached, and the record says it was
// stopped. Arithmetic that leaves the finite numbers, or a lens file that
// cannot be written, ends the run with outcome Failed; it never throws.
RunRecord SolveNull(const NullSetup& setup, const RunOptions& options, const CancelToken& cancel,
                    RunHost& host, LensFilePlatform* lensFiles = nullptr);

// The thin-lens focal length of the set-up's lens, engine inches; the
// thickness does not enter. Throws RunFailure when the faces give no power.
double ThinLensFocalLength(const NullTestSystem& system);

}  // namespace vn
