// Spacing-error exploration: how far may the lens-to-mirror spacing be off?
// It follows the main results when "Null lens to mirror spacing error" is
// checked, and adds one pass per direction to the run's record.
#pragma once

#include <string>

namespace vn {

struct RunContext;
struct SpacingErrorLimit;

void ExploreSpacingError(RunContext& run, const SpacingErrorLimit& limit);

// The line before a waves-mode pass's progress: "*** Finding 1/4 wave OPD
// values for positive error in mirror - lens spacing " and a blank line.
std::string FindingHead(double errorLimit, int sign);

}  // namespace vn
