// The run from the window's fields: reads and echoes the typed entries, then
// solves the set-up they give (run/null_solve.h) and composes the report from
// what the solve tells, as the window, the command line and the tests show it.
#pragma once

#include <array>
#include <string>

#include "common/cancel_token.h"
#include "common/shared_values.h"
#include "record/run_host.h"
#include "record/run_record.h"

namespace vn {

class LensFilePlatform;

// Title and text of the one message box that ends a failed run.
inline constexpr const char* kFailureTitle = "Hmmm, how did that happen?";
inline constexpr const char* kFailureText =
    "Please check your data entries, seems there is a problem reading one of your entries as a "
    "Numerical Value\r\n**OR**\r\nThe program converged to an infinity (IE division by zero)";

// The line that ends the report of a run stopped by a key press, so that
// figures from an unfinished search are never taken for a null.
inline constexpr const char* kAbortLine =
    "*** Stopped by a key press before the search finished: the figures above are not a "
    "converged null.";

// The line that ends the report of a search whose rays left the finite
// numbers: the set-up's verdict says why there is no null.
inline constexpr const char* kSearchFailedLine =
    "*** The search could not go on: its rays left the finite numbers, so there is no null to "
    "report. See the verdict of the exact check.";

// The focal length echoed for a lens whose faces curve alike, and the line
// that ends its report: the search has no start.
inline constexpr const char* kNoPowerFocalLength = "none (the faces curve alike)";
inline constexpr const char* kNoPowerLine =
    "*** The lens has no power as a thin lens (its faces curve alike), so the search has no start "
    "and there is no null to report. See the verdict of the exact check.";

// The head of the line that ends the report of a spacing-error exploration
// that could not go on; the run's own figures above stand.
inline constexpr const char* kExplorationStoppedHead =
    "*** The spacing-error exploration could not go on: ";

// What the window's fields and option boxes hold when a run starts.
struct RunEntries {
  std::array<std::string, kEntryCount> texts;  // indexed by Entry, as typed
  bool inch = false;                           // the units option "Inch", else "mm"
  bool saveLensFile = false;                   // "Save Oslo file"
  bool exploreSpacingError = false;            // "Null lens to mirror spacing error"
};

class NullFinder {
 public:
  // The run reads the glass, the wavelength and the exploration's limit
  // from `shared` when it starts.
  NullFinder(const SharedValues& shared, LensFilePlatform* platform)
      : shared_(shared), platform_(platform) {}

  // Where lens files go when set (the command line's --save-oslo), with no
  // launch question.
  std::string lensFolderOverride;

  // Reads and echoes `entries` and solves the set-up, showing the report on
  // `host`; a failed run ends with the error box. A call while a run is in
  // progress (from the host's turn) is turned away and returns false.
  bool Run(const RunEntries& entries, ReportHost& host);

  // Asks the run in progress to stop at its next step, as a key press in
  // the window does; its figures are then reported as not converged. The
  // request holds until the next run starts.
  void RequestAbort() { cancel_.Cancel(); }
  bool AbortRequested() const { return cancel_.Cancelled(); }

  bool RunBusy() const { return runBusy_; }
  // The record of the last run (or of the run in progress).
  const RunRecord& lastRun() const { return record_; }

 private:
  const SharedValues& shared_;
  LensFilePlatform* platform_;
  CancelToken cancel_;
  bool runBusy_ = false;
  RunRecord record_;
};

}  // namespace vn
