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

// The most steps of the engine (a mirror Newton step, an object-distance
// iteration, a step of the spacing search) the spacing search may take. On
// 300 random set-ups every search that converged to a set-up that can be
// built needed at most 1.55 million (two more converged only after 8.4 and
// 10.6 million steps, both to a source behind the lens, which is no null);
// three million, about twice that, take under a second on one core and keep
// a stalled set-up's whole run, its exact null included, within 2 s. A search
// that has not converged by then stops as a key press would stop it, and its
// report says so.
inline constexpr long long kSearchStepLimit = 3'000'000;

// The line that ends the report of a search stopped by its step limit.
inline constexpr const char* kStepLimitLine =
    "*** The search stopped by itself after 3000000 steps without converging: the figures above "
    "are not a converged null.";

// Solves `setup`: the spacing search from the thin-lens start values, the
// evaluation of the solved set-up, the lens-file export when asked for (with
// `lensFiles`; none: no file is written) and the spacing-error exploration
// when asked for. A cancel makes every loop stop at its next step; the run
// then still evaluates the values reached, and the record says it was
// stopped. A search that has not converged within kSearchStepLimit steps
// stops by itself in the same way (record.stoppedAtStepLimit). Arithmetic
// that leaves the finite numbers during the search of a set-up that
// describes a mirror and a lens ends the search without results
// (record.searchFailure), as does a lens without power, which gives the
// search no start (record.lensWithoutPower). Arithmetic that fails in a
// direction of the spacing-error exploration ends that direction without a
// pass (record.explorationFailure says where). Elsewhere it, or a lens file
// that cannot be written, ends the run with outcome Failed. It never throws.
RunRecord SolveNull(const NullSetup& setup, const RunOptions& options, const CancelToken& cancel,
                    RunHost& host, LensFilePlatform* lensFiles = nullptr);

// Whether the lens has power as a thin lens: false when its faces curve
// alike (equal radii, or both flat) in a glass denser than air, which
// leaves the search no start.
bool LensHasPower(const NullTestSystem& system);

// The thin-lens focal length of the set-up's lens, engine inches; the
// thickness does not enter. Throws RunFailure when the faces give no power.
double ThinLensFocalLength(const NullTestSystem& system);

}  // namespace vn
