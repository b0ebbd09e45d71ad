// The command line's stand-ins for the window's dialogs: choosing a glass and
// a wavelength, choosing the spacing-error exploration, and the extras it can
// print after a run.
#pragma once

#include <chrono>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "common/cancel_token.h"
#include "common/shared_values.h"
#include "exact/exact_check.h"
#include "record/run_record.h"
#include "record/solved_set_up.h"

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

// --timeout passed before the command's work was done (reading a file
// included); the command line exits with 3.
struct StoppedByTimeout : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The command's end: `seconds` after `start` (the command's start: the
// clock runs from there, reading the user's files included), capped at a
// year since the clock's range is finite.
std::chrono::steady_clock::time_point DeadlineAfter(std::chrono::steady_clock::time_point start,
                                                    double seconds);

// The whole of a file named with `option`, read by ReadUserFile with the cap
// of its kind: UsageProblem naming the option and the path when it is no
// file that can be read (a folder, a FIFO, a device, too large, missing),
// StoppedByTimeout when the deadline passed while reading it.
std::string ReadOptionFile(const std::string& option, const std::string& path, std::size_t maxBytes,
                           std::chrono::steady_clock::time_point deadline);

// What the command line says when the system runs out of memory or threads
// (std::bad_alloc, std::system_error): one sentence, without the prefix.
std::string ResourceProblem(const std::exception& e);
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
                  const std::function<void(const CancelToken& cancel)>& work);

// The exact wavefront check of the last run's solved set-up, with its
// verdict, stopped (cancelled = true) once the deadline has passed; nothing
// when the run solved no set-up.
std::optional<ExactCheckResult> CheckLastRun(const RunRecord& run,
                                             std::chrono::steady_clock::time_point deadline);

// Adds the exact spacing range about the check's recommended set-up, for
// the run's exploration limit (or the default), found before the deadline;
// false when the deadline stopped it.
bool AddSpacingRange(ExactCheckResult& check, const RunRecord& run,
                     std::chrono::steady_clock::time_point deadline);

// The exact check's block of the report and its JSON object ("null" without
// a solved set-up), in the last run's unit.
std::string ExactText(const std::optional<ExactCheckResult>& check, const RunRecord& run);
std::string ExactJson(const std::optional<ExactCheckResult>& check, const RunRecord& run);

// The one line of standard error that a verdict other than ok earns when the
// exact block is not printed: the status and its gravest reason.
std::string VerdictWarning(const ExactCheckResult& check);

// "D,d2": the source-to-lens and lens-to-mirror distances of a set-up as
// built (--built-at), in the run's unit. UsageProblem unless both are
// positive numbers.
std::pair<double, double> ReadBuiltAt(const std::string& text);

// The solved set-up as the tester built it for a test read back through the
// null: at --built-at (`builtAt`, the run's unit) when given, else at the
// exact check's recommended distances, else at the report's. `source` says
// which, for the text.
SolvedSetUp SetUpAsBuilt(const RunRecord& run, const std::optional<ExactCheckResult>& check,
                         const std::optional<std::pair<double, double>>& builtAt,
                         std::string& source);

}  // namespace vn::cli
