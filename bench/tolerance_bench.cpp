// Cost of the tolerance analysis of the start-up set-up: the whole
// sensitivity table (it must appear in well under 50 ms), 10,000 and 100,000
// Monte Carlo set-ups, one exact pupil evaluation, and the
// bare trace per ray and surface.
#include <benchmark/benchmark.h>

#include <span>
#include <thread>
#include <vector>

#include "../tests/support/start_up_set_up.h"
#include "analysis/monte_carlo.h"
#include "analysis/sensitivity.h"

namespace {

using vn::BuildParameter;

// A set-up as the Monte Carlo draws them: every default tolerance used up
// about halfway, in mixed directions.
vn::BuildErrors TypicalErrors(const vn::ToleranceModel& model) {
  return vn::DrawBuildErrors(model, vn::DefaultTolerances(false), 1, 0);
}

void BM_SensitivityTableStartUp(benchmark::State& state) {
  const vn::SolvedSetUp input = vn::test::StartUpToleranceInput();
  for (auto _ : state) {
    const vn::ToleranceModel model(input);  // the pupil plan and the design's wavefront too
    const vn::SensitivityTable table =
        vn::ComputeSensitivities(model, vn::DefaultTolerances(false));
    benchmark::DoNotOptimize(table);
    if (!table.ok) state.SkipWithError("sensitivity table failed");
  }
}
BENCHMARK(BM_SensitivityTableStartUp)->Unit(benchmark::kMillisecond);

// `trials` Monte Carlo set-ups on `threads` threads (0: every core).
void MonteCarloOf(benchmark::State& state, int trials) {
  const vn::ToleranceModel model(vn::test::StartUpToleranceInput());
  vn::MonteCarloSettings settings;
  settings.trials = trials;
  settings.threads = static_cast<int>(state.range(0));
  for (auto _ : state) {
    const vn::MonteCarloResult result =
        vn::RunMonteCarlo(model, vn::DefaultTolerances(false), settings);
    benchmark::DoNotOptimize(result);
    if (!result.ok || result.completed != settings.trials)
      state.SkipWithError("Monte Carlo failed");
  }
  state.counters["threads"] =
      settings.threads > 0 ? settings.threads : std::thread::hardware_concurrency();
  state.counters["set_ups_per_s"] = benchmark::Counter(
      static_cast<double>(settings.trials) * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_MonteCarlo10000(benchmark::State& state) { MonteCarloOf(state, 10000); }
BENCHMARK(BM_MonteCarlo10000)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// The window's large Monte Carlo: 100,000 set-ups, which should take at most
// a second on two cores.
void BM_MonteCarlo100000(benchmark::State& state) { MonteCarloOf(state, 100000); }
BENCHMARK(BM_MonteCarlo100000)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// One exact pupil evaluation of a drawn set-up: aiming every ray at its
// point of the mirror, tracing it out and back, and the best reference point.
void BM_ExactPupilEvaluation(benchmark::State& state) {
  const vn::ToleranceModel model(vn::test::StartUpToleranceInput());
  const vn::BuildErrors errors = TypicalErrors(model);
  const std::size_t rays = model.plan().points.size();
  for (auto _ : state) {
    const vn::PupilWavefront w = model.Measure(errors);
    benchmark::DoNotOptimize(w);
    if (!w.ok) state.SkipWithError("pupil evaluation failed");
  }
  state.counters["rays"] = static_cast<double>(rays);
  // Five surfaces a ray at the least (lens, lens, mirror, lens, lens).
  state.counters["ns_per_ray_surface"] =
      benchmark::Counter(static_cast<double>(rays * 5) * state.iterations(),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ExactPupilEvaluation)->Unit(benchmark::kMicrosecond);

// The bare trace: every ray of the pupil out to the mirror and back, surface
// by surface, with the lens tilted (so every surface takes its rotations).
void BM_TraceRaySurfaces(benchmark::State& state) {
  const vn::ToleranceModel model(vn::test::StartUpToleranceInput());
  const vn::SkewSetUp setUp = vn::MakeSkewSetUp(model.Build(TypicalErrors(model)).build);
  const std::vector<std::array<double, 2>>& slopes = model.plan().launch;
  std::vector<vn::SkewRay> rays(slopes.size());
  std::vector<vn::SkewTraceStop> stops(slopes.size());
  std::vector<std::array<double, 2>> points(slopes.size());
  for (auto _ : state) {
    vn::TraceAllToMirror(setUp, slopes, rays, stops, points);
    vn::TraceAllFromMirror(setUp, rays, stops);
    benchmark::DoNotOptimize(rays.data());
  }
  state.counters["ns_per_ray_surface"] =
      benchmark::Counter(static_cast<double>(slopes.size() * 5) * state.iterations(),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TraceRaySurfaces)->Unit(benchmark::kMicrosecond);

}  // namespace
