// The command line's stand-ins for the window's dialogs: choosing a glass and
// a wavelength, choosing the spacing-error exploration, and the extras it can
// print after a run.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "common/shared_values.h"
#include "exact/exact_check.h"
#include "record/run_record.h"

namespace vn {
class LensFilePlatform;
}

namespace vn::cli {

// A usage error, the command line's one failure: an option it does not know
// or that lacks its value (tryHelp: the message points to --help), or a choice
// the dialogs would have refused. The command line exits with 2.
struct UsageProblem : std::runtime_error {
  explicit UsageProblem(const std::string& what, bool tryHelp = false)
      : std::runtime_error(what), tryHelp(tryHelp) {}
  bool tryHelp;
};

// An option the command line does not read as given: the message points to --help.
[[noreturn]] inline void FailUsage(const std::string& what) { throw UsageProblem(what, true); }

// Every glass of both catalogs, one per line.
std::string ListGlasses();
// The same list as a JSON array of {"catalog", "position", "name", "nd", "vd"}
// objects, the figures rounded as in the text list.
std::string ListGlassesJson();

// Emulates the refractive-index dialog: the glass (default the current one)
// and the wavelength become the run's; returns the dialog's rounded index text.
std::string ChooseGlass(const std::optional<std::string>& glass,
                        const std::optional<std::string>& wavelengthNm, SharedValues& shared);

// Emulates the spacing-error dialog for "waves=W" or "amount=X"; returns
// whether the exploration box stays checked.
bool ChooseExploration(const std::string& choice, SharedValues& shared);

std::unique_ptr<LensFilePlatform> MakePlatform();

// Runs `work` with a cancel flag that a watchdog thread raises at `deadline`
// (at once when it has already passed), as a key press stops a run: the
// command line's --timeout for the work after the run.
void WithDeadline(std::chrono::steady_clock::time_point deadline,
                  const std::function<void(const std::atomic<bool>& cancel)>& work);

// The exact wavefront check of the last run's solved set-up, with its
// verdict, stopped (cancelled = true) once the deadline has passed; nothing
// when the run solved no set-up.
std::optional<ExactCheckResult> CheckLastRun(const RunRecord& run,
                                             std::chrono::steady_clock::time_point deadline);

// The exact check's block of the report and its JSON object ("null" without
// a solved set-up), in the last run's unit.
std::string ExactText(const std::optional<ExactCheckResult>& check, const RunRecord& run);
std::string ExactJson(const std::optional<ExactCheckResult>& check, const RunRecord& run);

// The one line of standard error that a verdict other than ok earns when the
// exact block is not printed: the status and its gravest reason.
std::string VerdictWarning(const ExactCheckResult& check);

}  // namespace vn::cli
