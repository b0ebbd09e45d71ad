// The state of one run while it runs: the record it fills, the set-up being
// traced, and the host and engine it works through. The echo, the spacing
// search, the evaluation, the lens-file export and the spacing-error
// exploration are stages of one procedure that share it.
#pragma once

#include <string>

#include "common/shared_values.h"
#include "engine/null_test_engine.h"
#include "oslo/lens_file_export.h"
#include "record/run_host.h"
#include "record/run_record.h"
#include "record/run_units.h"

namespace vn {

inline constexpr const char* kCrLf = "\r\n";

struct RunContext {
  RunContext(RunHost& host, NullTestEngine& engine, const SharedValues& shared,
             LensFilePlatform* platform, RunUnits units, RunRecord& record)
      : host(host),
        engine(engine),
        shared(shared),
        platform(platform),
        units(units),
        record(record) {}

  RunHost& host;
  NullTestEngine& engine;
  const SharedValues& shared;  // the exploration's limit
  LensFilePlatform* platform;  // null: lens files cannot be written (tests)
  RunUnits units;
  RunRecord& record;
  // The set-up being traced: the search's current guess, the solution once
  // it has converged, then each pass of the exploration in turn.
  SetupFigures now;
  // The search's gain from marginal aberration to a spacing step.
  double SpacingGain = 0;
  // Steps since the progress lines were last shown; the report's text as it
  // stands before them.
  int SearchCount = 0;
  std::string EchoText;
  LensExportRun exportRun;
  std::string report;  // what TextOut holds; the run is its only writer

  void SetReport(std::string text) {
    report = std::move(text);
    host.SetReportText(report);
  }
  void AppendReport(const std::string& text) {
    report += text;
    host.SetReportText(report);
  }
  void Yield() { host.YieldToEvents(); }
  bool Aborted() const { return engine.Aborted(); }

  // One step of a search has been made: every eleventh shows the progress
  // lines under EchoText.
  void ShowProgress();
  // The seven result lines, "Object to Lens Distance" to "Maximum Optical
  // Path Difference", of the set-up being traced.
  std::string ResultLines() const;
  // Traces the set-up being traced at 0.1, 0.7 and 1 of the marginal height
  // and derives the tolerance and the optical path difference.
  void EvaluateSetup();
  // The export step for the set-up being traced, under the given title.
  void ExportStep(const std::string& title);
};

}  // namespace vn
