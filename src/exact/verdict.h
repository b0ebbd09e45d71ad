// The verdict on a solved set-up: whether the null the run found is one a
// user can build and trust, every reason that says otherwise, and which
// distances to set up.
//
// It is judged from the run's facts (its distances, whether its search
// converged, the lens's diameter, radii and thickness) and from the exact
// check of the same set-up (exact_check.h). Thresholds and why they are what
// they are stand beside each in verdict.cpp.
#pragma once

#include <limits>
#include <string>
#include <vector>

namespace vn {

struct SolvedSetUp;
struct ExactCheckResult;

// In rising order of gravity: the verdict's status is its gravest reason's.
enum class VerdictStatus { Ok, Caution, NotANull };

struct VerdictReason {
  VerdictStatus severity = VerdictStatus::Caution;
  std::string code;  // stable, for scripts: "residual_over_quarter_wave", ...
  std::string text;  // one plain sentence with its numbers, in the run's unit
};

// The distances to set up: the exact null's, with the wavefront there and
// what the report's distances would cost instead. Lengths in inches; NaN
// where nothing could be computed.
struct RecommendedSetUp {
  static constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();
  bool available = false;  // an exact null was found
  double objectDistance = kUnknown;
  double lensMirrorDistance = kUnknown;
  double pvWaves = kUnknown;  // about best focus
  double rmsWaves = kUnknown;
  double strehl = kUnknown;
  // Exact null minus the report's distance.
  double objectDistanceChange = kUnknown;
  double lensMirrorDistanceChange = kUnknown;
  // P-V at the report's distances minus P-V here: what setting up the
  // report's figures instead costs (negative: they do better).
  double reportCostWaves = kUnknown;
};

struct Verdict {
  VerdictStatus status = VerdictStatus::Ok;
  std::vector<VerdictReason> reasons;
  RecommendedSetUp recommended;
};

// "ok", "caution", "not_a_null": the JSON form.
const char* VerdictStatusCode(VerdictStatus status);

// "ok", "caution", "not a null": the words of the report and the window.
const char* VerdictStatusWords(VerdictStatus status);

// A wavefront error as a fraction of a wave: "λ/32", "λ/4.5", "1.24λ".
std::string WaveFractionText(double waves);

// What setting up the report's distances instead of the exact null's costs,
// in one wording and one rounding wherever it is shown (the report's exact
// check, the verdict's reasons, the window): "0.0001 waves P-V worse",
// "0.0012 waves P-V better".
std::string ReportCostText(double reportCostWaves);

// Judges the set-up of `input` from its exact check `check`. Reads the
// check's figures and typed failures; never throws.
Verdict JudgeSetUp(const SolvedSetUp& input, const ExactCheckResult& check);

}  // namespace vn
