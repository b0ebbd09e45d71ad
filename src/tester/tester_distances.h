// Which distances the tester's files and views describe.
//
// The residual a tester subtracts, and the Ronchigram or shadowgram they
// compare with, belong to one set-up: the one they build. By default that is
// the set-up the verdict recommends, the exact null; the report's own
// distances are the other choice. Where no exact null was found, the
// report's distances are all there is, and the texts say so.
#pragma once

#include <cstdint>
#include <string>

#include "exact/verdict.h"
#include "record/solved_set_up.h"

namespace vn {

enum class TesterDistances : std::uint8_t { Recommended, Report };

struct TesterSetUp {
  SolvedSetUp setUp;  // at the distances described
  TesterDistances asked = TesterDistances::Recommended;
  TesterDistances shown = TesterDistances::Recommended;
  // Which distances, and their figures in the run's unit, as the files'
  // trailers and the summaries state them: "at the recommended set-up (the
  // exact null): Object to Lens 204.73 mm, Lens to Mirror 2076.765 mm".
  std::string description;
};

// The set-up at the distances asked for: `report` as the run solved it, or
// at `recommended`'s when that is available; the report's, saying so, when
// the recommended set-up was asked for and none exists.
TesterSetUp ChooseTesterSetUp(const SolvedSetUp& report, const RecommendedSetUp& recommended,
                              TesterDistances asked);

// "null" or "report": the command line's --at and the JSON's words.
const char* TesterDistancesCode(TesterDistances distances);

}  // namespace vn
