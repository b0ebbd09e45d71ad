// Spacing-error exploration: how far may the lens-to-mirror spacing be off?
// It follows the main results when "Null lens to mirror spacing error" is
// checked, and appends one result block per direction to the report and to
// the run's record.
#pragma once

namespace vn {

struct RunContext;

void ExploreSpacingError(RunContext& run);

}  // namespace vn
