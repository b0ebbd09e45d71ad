// Ranking a list: every lens both ways round, those that cannot null the
// mirror last with their verdicts, the same order on any number of threads,
// progress counted and cancelling honoured.
#include "design/lens_ranking.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <thread>

#include "common/cancel_token.h"
#include "design/parallel_jobs.h"
#include "support/start_up_set_up.h"

namespace vn {
namespace {

using test::LensMm;
using test::StartUpMirror;

ListedLens Listed(const char* name, LensPrescription lens) {
  ListedLens l;
  l.name = name;
  l.lens = lens;
  return l;
}

// The start-up lens as a maker lists it (convex face first), a lens far too
// strong for the mirror (its own aberration swamps the null), one that
// diverges, and a symmetric biconvex lens.
std::vector<ListedLens> MixedList() {
  return {Listed("too strong", LensMm(10, 9e99, 5, 12)),
          Listed("start-up", LensMm(206, 9e99, 15, 80)),
          Listed("diverging", LensMm(-100, 9e99, 3, 50)),
          Listed("biconvex", LensMm(1030, -1030, 8, 100))};
}

RankingRequest StartUpRequest(int threads = 0) {
  RankingRequest r;
  r.mirror = StartUpMirror();
  r.threads = threads;
  return r;
}

TEST(LensRanking, ALensThatCannotNullIsRankedLastWithItsVerdict) {
  const std::vector<ListedLens> list = MixedList();
  const LensRanking ranking = RankLenses(list, StartUpRequest());
  ASSERT_FALSE(ranking.cancelled);
  // Every lens both ways round, the symmetric one once: nothing dropped.
  ASSERT_EQ(ranking.entries.size(), 7u);
  const auto name = [&](const RankedLens& e) { return list[e.listIndex].name; };

  // Those that null first, best first; then those that cannot.
  std::size_t firstCannot = ranking.entries.size();
  for (std::size_t i = 0; i < ranking.entries.size(); ++i) {
    const RankedLens& e = ranking.entries[i];
    if (e.figures.fit == CandidateFit::CannotNull) {
      firstCannot = std::min(firstCannot, i);
      EXPECT_EQ(e.figures.verdict.status, VerdictStatus::NotANull) << name(e);
      EXPECT_FALSE(e.figures.verdict.reasons.empty()) << name(e);
    } else {
      EXPECT_LT(i, firstCannot) << name(e) << " ranked after a lens that cannot null";
    }
    if (i > 0) {
      EXPECT_FALSE(RanksBefore(e.figures, ranking.entries[i - 1].figures));
    }
  }
  for (const RankedLens& e : ranking.entries) {
    if (name(e) == "diverging" || name(e) == "too strong") {
      EXPECT_EQ(e.figures.fit, CandidateFit::CannotNull) << name(e);
    }
  }
  // The start-up lens nulls best with its flat face toward the source, as
  // the program's own start-up set-up has it.
  const auto startUp = std::find_if(ranking.entries.begin(), ranking.entries.end(),
                                    [&](const RankedLens& e) { return name(e) == "start-up"; });
  ASSERT_NE(startUp, ranking.entries.end());
  EXPECT_TRUE(startUp->reversed);
  EXPECT_EQ(startUp->lens.sourceRadius, 9e99);
  const auto biconvex = std::find_if(ranking.entries.begin(), ranking.entries.end(),
                                     [&](const RankedLens& e) { return name(e) == "biconvex"; });
  EXPECT_TRUE(biconvex->symmetric);
}

TEST(LensRanking, TheSameOnAnyNumberOfThreads) {
  const std::vector<ListedLens> list = MixedList();
  const LensRanking one = RankLenses(list, StartUpRequest(1));
  const LensRanking two = RankLenses(list, StartUpRequest(2));
  ASSERT_EQ(one.entries.size(), two.entries.size());
  for (std::size_t i = 0; i < one.entries.size(); ++i) {
    EXPECT_EQ(one.entries[i].listIndex, two.entries[i].listIndex);
    EXPECT_EQ(one.entries[i].reversed, two.entries[i].reversed);
    // Bit for bit: no state is shared between the threads' runs.
    const CandidateFigures &a = one.entries[i].figures, &b = two.entries[i].figures;
    EXPECT_TRUE(a.pvWaves == b.pvWaves || (std::isnan(a.pvWaves) && std::isnan(b.pvWaves)));
    EXPECT_TRUE(a.objectDistance == b.objectDistance ||
                (std::isnan(a.objectDistance) && std::isnan(b.objectDistance)));
  }
  // A million threads asked for: a few per core, never more than the jobs.
  const int cores = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
  EXPECT_EQ(ThreadCountFor(1000000, 1000000), kThreadsPerCore * cores);
  EXPECT_EQ(ThreadCountFor(1000000, 3), std::min(3, kThreadsPerCore * cores));
}

TEST(LensRanking, CountsProgressAndStopsWhenCancelled) {
  const std::vector<ListedLens> list = MixedList();
  std::size_t calls = 0, last = 0;
  RankLenses(list, StartUpRequest(2), [&](std::size_t done, std::size_t total) {
    ++calls;
    EXPECT_EQ(total, 8u);  // both ways round, counted whether solved or not
    EXPECT_EQ(done, last + 1);
    last = done;
  });
  EXPECT_EQ(calls, 8u);

  CancelToken cancel;
  RankingRequest request = StartUpRequest(1);
  request.conditions.cancel = &cancel;
  const LensRanking stopped = RankLenses(list, request, [&](std::size_t done, std::size_t) {
    if (done >= 3) cancel.Cancel();
  });
  EXPECT_TRUE(stopped.cancelled);
  EXPECT_LE(stopped.entries.size(), 3u);
}

}  // namespace
}  // namespace vn
