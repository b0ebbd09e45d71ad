// The null-finding run: the find button's handler and the run itself, in its
// inch and millimetre variants (one procedure with a unit table).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/shared_values.h"
#include "engine/null_test_engine.h"
#include "run/run_host.h"

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

enum class RunOutcome { None, Completed, Aborted, Failed };

// The figures of the last run, in engine inches, for hosts that show more
// than the report (the command line's JSON, the exact check).
struct RunSummary {
  bool inch = false;
  NullTestSystem system;
  double lensDiameter = 0;
  double focalLength = 0;
  double objectDistance = 0;
  double lensMirrorDistance = 0;
  double workingDiameter = 0;
  double zonalSA = 0;
  double marginalSA = 0;
  double quarterWaveTolerance = 0;
  double maxOPDWaves = 0;
  int iterations = 0;
  bool solved = false;  // the main search reached its results block
  // The spacing search met its tolerance rather than being stopped by a key
  // press (or the command line's timeout).
  bool converged = false;
};

class NullFinder {
 public:
  NullFinder(SharedValues& shared, LensFilePlatform* platform)
      : shared_(shared), platform_(platform) {}

  // The engine object: the optical system, the abort flag, the spinner.
  NullTestEngine engine;

  // Where lens files go when set (the command line's --save-oslo), with no
  // launch question.
  std::string lensFolderOverride;

  // The find button: starts a run unless one is in progress.
  void FindIt_Click(RunHost& host);

  bool RunBusy() const { return runBusy_; }
  RunOutcome lastOutcome() const { return lastOutcome_; }
  const std::string& lastFailureDetail() const { return lastFailureDetail_; }
  // The entry whose text the last run could not read as a number, if that is
  // what ended it (not a failure of the arithmetic).
  std::optional<Entry> lastFailedEntry() const { return lastFailedEntry_; }
  // Why the last run could not write a file, "cannot write PATH: REASON" in
  // the system's words; empty when it could. The error box does not say it,
  // so the hosts show it beside the box (standard error, the status bar).
  const std::string& lastFileProblem() const { return lastFileProblem_; }
  const RunSummary& lastSummary() const { return lastSummary_; }
  const std::vector<std::string>& lastWrittenFiles() const { return lastWrittenFiles_; }

 private:
  void Run(RunHost& host);

  SharedValues& shared_;
  LensFilePlatform* platform_;
  bool runBusy_ = false;
  RunOutcome lastOutcome_ = RunOutcome::None;
  std::string lastFailureDetail_;
  std::optional<Entry> lastFailedEntry_;
  std::string lastFileProblem_;
  RunSummary lastSummary_;
  std::vector<std::string> lastWrittenFiles_;
};

}  // namespace vn
