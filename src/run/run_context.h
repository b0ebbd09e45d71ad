// The state of one run while it runs: the record it fills, the set-up being
// traced, and the host and engine it works through. The spacing search, the
// evaluation, the lens-file export and the spacing-error exploration are
// stages of one procedure that share it.
#pragma once

#include "engine/null_test_engine.h"
#include "oslo/lens_file_export.h"
#include "record/run_host.h"
#include "record/run_record.h"

namespace vn {

struct RunContext {
  RunContext(RunHost& host, NullTestEngine& engine, LensFilePlatform* platform, RunRecord& record)
      : host(host), engine(engine), platform(platform), record(record) {}

  RunHost& host;
  NullTestEngine& engine;
  LensFilePlatform* platform;  // null: lens files cannot be written
  RunRecord& record;
  // The set-up being traced: the search's current guess, the solution once
  // it has converged, then each pass of the exploration in turn.
  SetupFigures now;
  // The search's gain from marginal aberration to a spacing step.
  double SpacingGain = 0;
  // Steps since the progress was last shown; the exploration goes on
  // counting from where the search stopped.
  int SearchCount = 0;
  LensExportRun exportRun;

  bool Aborted() const { return engine.Cancelled(); }

  // One step of a search has been made: every eleventh shows the progress.
  void ShowProgress() {
    if (++SearchCount <= 10) return;
    SearchCount = 0;
    host.Searching(now);
  }
  // Traces the set-up being traced at 0.1, 0.7 and 1 of the marginal height
  // and derives the tolerance and the optical path difference.
  void EvaluateSetup();
  // The export step for the set-up being traced, under the given title.
  void ExportStep(const std::string& title);
};

}  // namespace vn
