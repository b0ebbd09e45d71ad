// The 300 random set-ups of the corpus end to end: the run and its exact
// check, each set-up timed on its own, the median and the worst reported:
// in wall-clock time, and in processor time (std::clock, one thread), which
// a machine shared with other work inflates far less.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <vector>

#include "../tests/support/null_corpus.h"

namespace vn {
namespace {

void BM_NullCorpus300(benchmark::State& state) {
  const std::vector<NullSetup> corpus = test::ReadNullCorpus();
  std::vector<double> seconds(corpus.size(), 0.0), cpuSeconds(corpus.size(), 0.0);
  int usable = 0, stopped = 0;
  for (auto _ : state) {
    usable = stopped = 0;
    for (std::size_t i = 0; i < corpus.size(); ++i) {
      const auto start = std::chrono::steady_clock::now();
      const std::clock_t cpuStart = std::clock();
      const test::CorpusOutcome o = test::SolveCorpusSetUp(corpus[i]);
      seconds[i] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      cpuSeconds[i] = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
      if (o.check.verdict.recommended.available &&
          o.check.verdict.status != VerdictStatus::NotANull)
        ++usable;
      if (o.run.stoppedAtStepLimit) ++stopped;
    }
  }
  for (auto* times : {&seconds, &cpuSeconds}) std::sort(times->begin(), times->end());
  state.counters["median_ms"] = 1e3 * seconds[seconds.size() / 2];
  state.counters["worst_ms"] = 1e3 * seconds.back();
  state.counters["cpu_median_ms"] = 1e3 * cpuSeconds[cpuSeconds.size() / 2];
  state.counters["cpu_worst_ms"] = 1e3 * cpuSeconds.back();
  state.counters["usable"] = usable;
  state.counters["step_limited"] = stopped;
}
BENCHMARK(BM_NullCorpus300)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace vn
