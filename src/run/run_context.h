// The state of one run: the run variables shared by the echo, the spacing
// search, the evaluation, the lens-file export and the spacing-error
// exploration, which are stages of one procedure.
#pragma once

#include <cstdint>
#include <string>

#include "common/shared_values.h"
#include "engine/null_test_engine.h"
#include "oslo/lens_file_export.h"
#include "run/run_host.h"
#include "run/run_units.h"

namespace vn {

inline constexpr const char* kCrLf = "\r\n";
inline constexpr const char* kFindCaption = "Find Null Variables";

struct RunVariables {
  // Engine inches throughout.
  double ObjectDistance = 0;      // D: source to the lens's source-side vertex
  double LensMirrorDistance = 0;  // d2: lens's mirror-side vertex to the mirror vertex
  double LensRayHeight = 0;       // h: marginal ray's height on the lens
  double MarginalSA = 0;
  double SpacingGain = 0;
  std::int32_t SearchCount = 0;
  std::string EchoText;
  double Intercept10 = 0, Intercept70 = 0, Intercept100 = 0;
  double WorkingSemiDiameter = 0;
  double QuarterWaveTolerance = 0;
  double MaxOPDWaves = 0;
  double LensDiameter = 0;
  double FocalLength = 0;
  // Not among the classical run variables: how many spacing-search
  // iterations ran, for the command line's JSON.
  int searchIterations = 0;
};

struct RunContext {
  RunHost& host;
  NullTestEngine& engine;
  SharedValues& shared;
  LensFilePlatform* platform;  // null: lens files cannot be written (tests)
  RunUnits units;
  RunVariables v;
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

  // The three progress lines shown during a search.
  std::string ProgressLines() const;
  // The seven result lines, "Object to Lens Distance" to "Maximum Optical Path Difference".
  std::string ResultLines() const;
  // Traces the solved system at 0.1, 0.7 and 1 of the marginal height and
  // derives the tolerance and the optical path difference.
  void EvaluateSolvedSystem();
  // The export step for the current system, under the given title.
  void ExportStep(const std::string& title);
};

// The spacing-error exploration that may follow the main results.
void ExploreSpacingError(RunContext& run);

}  // namespace vn
