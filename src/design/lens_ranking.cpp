// Every lens of a list in both orientations, on every core.
#include "design/lens_ranking.h"

#include <algorithm>

namespace vn {

LensRanking RankLenses(const std::vector<ListedLens>& lenses, const RankingRequest& request,
                       const ProgressCallback& progress) {
  // Job 2i is lens i as listed, job 2i + 1 the same lens turned round.
  std::vector<RankedLens> solved(2 * lenses.size());
  std::vector<char> finished(solved.size(), 0);
  std::vector<char> skipped(solved.size(), 0);
  const auto solve = [&](std::size_t job) {
    RankedLens& entry = solved[job];
    entry.listIndex = job / 2;
    entry.reversed = job % 2 == 1;
    const LensPrescription& listed = lenses[entry.listIndex].lens;
    entry.lens = entry.reversed ? Reversed(listed) : listed;
    // A lens with equal and opposite radii is the same lens turned round.
    const LensPrescription turned = Reversed(listed);
    entry.symmetric =
        turned.sourceRadius == listed.sourceRadius && turned.mirrorRadius == listed.mirrorRadius;
    if (entry.symmetric && entry.reversed) {
      skipped[job] = 1;
      return;
    }
    entry.figures = EvaluateCandidate(request.mirror, entry.lens, request.conditions);
    finished[job] = !entry.figures.cancelled;
  };

  LensRanking ranking;
  ranking.cancelled =
      !RunParallel(solved.size(), request.threads, solve, request.conditions.cancel, progress);
  for (std::size_t job = 0; job < solved.size(); ++job) {
    if (skipped[job]) continue;
    if (finished[job]) {
      ranking.entries.push_back(std::move(solved[job]));
    } else {
      ranking.cancelled = true;
    }
  }
  std::stable_sort(
      ranking.entries.begin(), ranking.entries.end(),
      [](const RankedLens& a, const RankedLens& b) { return RanksBefore(a.figures, b.figures); });
  return ranking;
}

}  // namespace vn
