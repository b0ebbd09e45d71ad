// The set-up the tester's files and views describe, and the words for it.
#include "tester/tester_distances.h"

#include <cmath>

#include "exact/exact_check.h"

namespace vn {

TesterSetUp ChooseTesterSetUp(const SolvedSetUp& report, const RecommendedSetUp& recommended,
                              TesterDistances asked) {
  TesterSetUp chosen;
  chosen.setUp = report;
  chosen.asked = asked;
  const bool haveNull = recommended.available && std::isfinite(recommended.objectDistance) &&
                        std::isfinite(recommended.lensMirrorDistance);
  std::string which;
  if (asked == TesterDistances::Recommended && haveNull) {
    chosen.shown = TesterDistances::Recommended;
    chosen.setUp.objectDistance = recommended.objectDistance;
    chosen.setUp.lensMirrorDistance = recommended.lensMirrorDistance;
    which = "at the recommended set-up (the exact null)";
  } else {
    chosen.shown = TesterDistances::Report;
    which = asked == TesterDistances::Recommended
                ? "at the report's distances (no exact null was found to recommend)"
                : "at the report's distances";
  }
  chosen.description =
      which + ": Object to Lens " + RunLengthText(chosen.setUp.objectDistance, report.inchUnits) +
      ", Lens to Mirror " + RunLengthText(chosen.setUp.lensMirrorDistance, report.inchUnits);
  return chosen;
}

const char* TesterDistancesCode(TesterDistances distances) {
  return distances == TesterDistances::Report ? "report" : "null";
}

}  // namespace vn
