// The 300 random set-ups of the corpus end to end: the run and its exact
// check, each set-up timed on its own, the median and the worst reported.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "../tests/support/null_corpus.h"

namespace vn {
namespace {

void BM_NullCorpus300(benchmark::State& state) {
  const std::vector<NullSetup> corpus = test::ReadNullCorpus();
  std::vector<double> seconds(corpus.size(), 0.0);
  int usable = 0, stopped = 0;
  for (auto _ : state) {
    usable = stopped = 0;
    for (std::size_t i = 0; i < corpus.size(); ++i) {
      const auto start = std::chrono::steady_clock::now();
      const test::CorpusOutcome o = test::SolveCorpusSetUp(corpus[i]);
      seconds[i] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      if (o.check.verdict.recommended.available &&
          o.check.verdict.status != VerdictStatus::NotANull)
        ++usable;
      if (o.run.stoppedAtStepLimit) ++stopped;
    }
  }
  std::vector<double> sorted = seconds;
  std::sort(sorted.begin(), sorted.end());
  state.counters["median_ms"] = 1e3 * sorted[sorted.size() / 2];
  state.counters["worst_ms"] = 1e3 * sorted.back();
  state.counters["usable"] = usable;
  state.counters["step_limited"] = stopped;
}
BENCHMARK(BM_NullCorpus300)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace vn
