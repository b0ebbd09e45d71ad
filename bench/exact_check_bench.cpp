// Cost of the exact check of the start-up set-up, exact null search and
// verdict included: it runs once after every solve (the command line makes it
// for every run, to give its verdict), so it must stay well under 2 ms.
#include <benchmark/benchmark.h>

#include "exact/exact_check.h"

namespace {

// The program's start-up set-up in inches: a 317.5 mm paraboloid of radius
// 2540 mm, a plano-convex BK7 lens of radius 206 mm, 15 mm thick, at 632.8 nm,
// at the distances the run's null search settles on.
vn::ExactCheckInput StartUpSetUp() {
  constexpr double kInchPerMm = 1.0 / 25.4;
  vn::ExactCheckInput input;
  input.system.MirrorSemiDiameter = 317.5 / 2 * kInchPerMm;
  input.system.MirrorRadius = -2540 * kInchPerMm;
  input.system.ConicPlusOne = 0.0;
  input.system.LensRadius1 = 9e99;
  input.system.LensRadius2 = -206 * kInchPerMm;
  input.system.LensThickness = 15 * kInchPerMm;
  input.system.LensIndex = 1.51509;
  input.objectDistance = 204.817 * kInchPerMm;
  input.lensMirrorDistance = 2076.366 * kInchPerMm;
  input.wavelengthMicrons = 0.6328;
  input.lensClearSemiDiameter = 40 * kInchPerMm;
  return input;
}

void BM_ExactCheckStartUp(benchmark::State& state) {
  const vn::ExactCheckInput input = StartUpSetUp();
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

}  // namespace
