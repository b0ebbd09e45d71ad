// Cost of the exact check of the start-up set-up, exact null search and
// verdict included: it runs once after every solve (the command line makes it
// for every run, to give its verdict), so it must stay well under 2 ms.
#include <benchmark/benchmark.h>

#include "../tests/support/start_up_set_up.h"
#include "exact/exact_check.h"

namespace {

using vn::test::StartUpExactInput;

void BM_ExactCheckStartUp(benchmark::State& state) {
  const vn::SolvedSetUp input = StartUpExactInput();
  for (auto _ : state) {
    vn::ExactCheckResult result = vn::RunExactCheck(input);
    benchmark::DoNotOptimize(result);
    if (!result.ok || !result.exactNull.converged ||
        result.verdict.status != vn::VerdictStatus::Ok) {
      state.SkipWithError("exact check failed");
    }
  }
}
BENCHMARK(BM_ExactCheckStartUp)->Unit(benchmark::kMillisecond);

// The spacing range about the start-up set-up's exact null for the
// exploration's eighth of a wave: it follows the check with --exact and in
// the window, on the check's thread.
void BM_ExactSpacingRangeStartUp(benchmark::State& state) {
  const vn::SolvedSetUp input = StartUpExactInput();
  const vn::ExactCheckResult check = vn::RunExactCheck(input);
  for (auto _ : state) {
    vn::ExactSpacingRange range =
        vn::FindExactSpacingRange(input, check.verdict.recommended, 0.125);
    benchmark::DoNotOptimize(range);
    if (!range.ok || !range.shorter.found || !range.longer.found) {
      state.SkipWithError("spacing range failed");
    }
  }
}
BENCHMARK(BM_ExactSpacingRangeStartUp)->Unit(benchmark::kMillisecond);

}  // namespace
