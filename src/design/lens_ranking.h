// Ranking the lenses of a list for a mirror: every lens in both
// orientations, solved and judged at its exact null, best first. A lens that
// cannot null the mirror is ranked last with its verdict, never dropped.
#pragma once

#include <cstddef>
#include <vector>

#include "design/lens_candidate.h"
#include "design/lens_list.h"
#include "design/parallel_jobs.h"
#include "engine/null_test_engine.h"

namespace vn {

struct RankedLens {
  std::size_t listIndex = 0;  // into the list's lenses
  bool reversed = false;      // turned round: the list's radius 2 faces the source
  bool symmetric = false;     // the same either way round: ranked once
  LensPrescription lens;      // as it stands in the test
  CandidateFigures figures;
};

struct RankingRequest {
  NullTestSystem mirror;  // its mirror fields, inches
  ChooserConditions conditions;
  int threads = 0;  // 0: every core
};

struct LensRanking {
  std::vector<RankedLens> entries;  // best first; ties keep the list's order
  // Stopped through request.conditions.cancel: entries then holds only the
  // lenses solved before it.
  bool cancelled = false;
};

// `progress` counts the lenses solved in either orientation (twice the list).
LensRanking RankLenses(const std::vector<ListedLens>& lenses, const RankingRequest& request,
                       const ProgressCallback& progress = {});

}  // namespace vn
