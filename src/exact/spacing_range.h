// How far the lens-to-mirror spacing may be off the recommended set-up before
// the test's wavefront exceeds a P-V limit, found by exact traces.
//
// The spacing-error exploration of the run answers the same question from
// the run's approximate optical path difference. This answer retraces the
// set-up exactly (exact_check.h): the spacing moves from the exact null's by
// δ, the source is moved so that the return image stands where it stood at
// the null (the tester refocuses by moving the source), and the wavefront's
// P-V is measured about its best focus. Each side's end is bracketed by
// stepping out from the null with doubling steps and then closed by Brent's
// method on P-V(δ) − limit.
//
// Lengths are inches, the engine's unit; the text and JSON forms convert to
// the run's unit.
#pragma once

#include <limits>
#include <string>

#include "common/cancel_token.h"

namespace vn {

struct SolvedSetUp;
struct RecommendedSetUp;
struct RunRecord;

// The P-V limit the range is found for when the run's exploration gives
// none in waves: a quarter wave, the test's own tolerance.
inline constexpr double kDefaultSpacingRangeLimitWaves = 0.25;

// The limit for `run`: its exploration's, when that was asked for in waves;
// else the default.
double SpacingRangeLimitWaves(const RunRecord& run);

// One end of the range.
struct SpacingRangeEnd {
  static constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();
  bool found = false;  // the range ends on this side
  // Why the range ends there when the P-V is still within the limit: the
  // set-up cannot be traced beyond (the source reaches the lens, a ray
  // misses). Empty when the P-V limit ends it.
  std::string untraceableBeyond;
  double spacingChange = kUnknown;  // inches from the null's spacing, + longer
  double lensMirrorDistance = kUnknown;
  double objectDistance = kUnknown;  // the source refocused there
  double pvWaves = kUnknown;         // measured at the end: the limit, to the search's tolerance
};

struct ExactSpacingRange {
  bool ok = false;  // both ends were sought (see each end's `found`)
  bool cancelled = false;
  std::string why;  // why there is no range, when !ok
  double limitWaves = 0;
  double nullLensMirrorDistance = SpacingRangeEnd::kUnknown;  // inches
  double nullObjectDistance = SpacingRangeEnd::kUnknown;
  double nullPvWaves = SpacingRangeEnd::kUnknown;
  // How far each side was searched without reaching the limit, inches.
  double searchedTo = SpacingRangeEnd::kUnknown;
  SpacingRangeEnd shorter, longer;
};

// The range of spacing about `recommended` (an exact null of `input`'s
// system) within `limitWaves` P-V. Never throws; stops at its next step once
// `cancel` is set (cancelled = true).
ExactSpacingRange FindExactSpacingRange(const SolvedSetUp& input,
                                        const RecommendedSetUp& recommended, double limitWaves,
                                        const CancelToken* cancel = nullptr);

// The range as lines of the exact check's report block ("\n" between them,
// none at the end), lengths in the run's unit.
std::string ExactSpacingRangeText(const ExactSpacingRange& range, bool inchUnits);

// The range as one JSON object, lengths in the run's unit.
std::string ExactSpacingRangeJson(const ExactSpacingRange& range, bool inchUnits);

}  // namespace vn
