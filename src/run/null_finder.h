// The null-finding run: the find button's handler and the run itself, in its
// inch and millimetre variants (one procedure with a unit table).
#pragma once

#include <string>

#include "common/shared_values.h"
#include "engine/null_test_engine.h"
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

class NullFinder {
 public:
  NullFinder(SharedValues& shared, LensFilePlatform* platform)
      : shared_(shared), platform_(platform) {}

  // Where lens files go when set (the command line's --save-oslo), with no
  // launch question.
  std::string lensFolderOverride;

  // The find button: starts a run unless one is in progress.
  void FindIt_Click(RunHost& host);

  // Asks the run in progress to stop at its next step, as a key press in
  // the window does; its figures are then reported as not converged. The
  // hosts' one way to stop a run (the window's keys, the command line's
  // timeout, the chooser's step limit, the tests).
  void RequestAbort() { engine_.system.AbortRequested = -1; }
  // A stop has been asked for and not yet cleared by the next run's start.
  bool AbortRequested() const { return engine_.Aborted(); }

  bool RunBusy() const { return runBusy_; }
  // The record of the last run (or of the run in progress).
  const RunRecord& lastRun() const { return record_; }

 private:
  void Run(RunHost& host);

  SharedValues& shared_;
  LensFilePlatform* platform_;
  // The engine object: the optical system, the abort flag, the spinner.
  NullTestEngine engine_;
  bool runBusy_ = false;
  RunRecord record_;
};

}  // namespace vn
