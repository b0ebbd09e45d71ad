// How long the engine and a whole headless run take.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "common/constants.h"
#include "common/shared_values.h"
#include "engine/null_test_engine.h"
#include "headless_host.h"
#include "record/run_host.h"
#include "run/null_finder.h"
#include "run/null_solve.h"

namespace vn {
namespace {

NullTestSystem WorkedSystem() {
  NullTestSystem s;
  s.LensRadius1 = 9e99;
  s.LensRadius2 = inchFromMm(-206);
  s.LensThickness = 0.25;
  s.LensIndex = 1.51509;
  s.MirrorRadius = -100;
  s.ConicPlusOne = 0;
  s.MirrorSemiDiameter = 6.25;
  return s;
}

void BM_TraceDoublePass(benchmark::State& state) {
  NullTestEngine e;
  e.system = WorkedSystem();
  double L, Y2, Ym;
  for (auto _ : state) {
    e.TraceDoublePass(1.0, 8.0, 80.0, L, Y2, Ym);
    benchmark::DoNotOptimize(L);
  }
}
BENCHMARK(BM_TraceDoublePass);

void BM_FindMarginalSA(benchmark::State& state) {
  NullTestEngine e;
  e.system = WorkedSystem();
  for (auto _ : state) {
    double D = 7.87264, h = 1.25, SA = 0;
    e.FindMarginalSA(80, 6.25, D, h, SA);
    benchmark::DoNotOptimize(SA);
  }
}
BENCHMARK(BM_FindMarginalSA);

using bench::HeadlessHost;

// The spacing search alone, as the run makes it from its start values
// (start-up set-up in inches), without the echo and the report.
void BM_NullSearch(benchmark::State& state) {
  NullTestEngine e;
  e.system = WorkedSystem();
  e.system.MirrorRadius = -100;
  e.system.LensThickness = inchFromMm(15);
  int iterations = 0;
  for (auto _ : state) {
    const double f = 1 / ((1 / e.system.LensRadius1 + (-1) / e.system.LensRadius2) * 0.51509);
    double D = 0.5 * f, d2 = 100 - f, h = ((d2 - 100) / -100) * 6.25, SA = 0;
    const double gain = std::pow(100 / 6.25 / 4, 1.5) * f / inchFromMm(80);
    iterations = 0;
    do {
      e.FindMarginalSA(d2, 6.25, D, h, SA);
      ++iterations;
      if (std::fabs(SA) > 0.0001) d2 += std::clamp(gain * SA, -1.0, 1.0);
    } while (std::fabs(SA) > 0.0001);
    benchmark::DoNotOptimize(d2);
  }
  state.counters["iterations"] = iterations;
}
BENCHMARK(BM_NullSearch)->Unit(benchmark::kMicrosecond);

void BM_StartUpRunMm(benchmark::State& state) {
  SharedValues shared;
  NullFinder finder(shared, nullptr);
  HeadlessHost host;
  for (auto _ : state) {
    finder.Run(host.entries, host);
    benchmark::DoNotOptimize(host.report.size());
  }
}
BENCHMARK(BM_StartUpRunMm)->Unit(benchmark::kMicrosecond);

void BM_StartUpRunInch(benchmark::State& state) {
  SharedValues shared;
  NullFinder finder(shared, nullptr);
  HeadlessHost host(/*inchEntries=*/true);
  for (auto _ : state) {
    finder.Run(host.entries, host);
    benchmark::DoNotOptimize(host.report.size());
  }
}
BENCHMARK(BM_StartUpRunInch)->Unit(benchmark::kMicrosecond);

// The same run given as numbers, as the lens chooser makes it for each
// candidate: no text read, echoed or composed.
void BM_StartUpSolveNumbers(benchmark::State& state) {
  NullSetup setup;
  setup.mirrorDiameter = 317.5, setup.mirrorRadiusOfCurvature = 2540, setup.conicConstant = -1;
  setup.sourceSideRadius = 9e99, setup.mirrorSideRadius = -206, setup.centreThickness = 15;
  setup.lensDiameter = 80, setup.lensIndex = 1.51509, setup.glassName = "BK7";
  const CancelToken cancel;
  RunHost quiet;
  for (auto _ : state) {
    const RunRecord record = SolveNull(setup, RunOptions{}, cancel, quiet);
    benchmark::DoNotOptimize(record.solution.MaxOPDWaves);
  }
}
BENCHMARK(BM_StartUpSolveNumbers)->Unit(benchmark::kMicrosecond);

void BM_ExploreWaves005(benchmark::State& state) {
  SharedValues shared;
  shared.ErrorLimit = 0.05;
  shared.ErrorLimitInWaves = true;
  NullFinder finder(shared, nullptr);
  HeadlessHost host;
  host.entries.exploreSpacingError = true;
  for (auto _ : state) {
    finder.Run(host.entries, host);
    benchmark::DoNotOptimize(host.report.size());
  }
  // Steps of 0.0254 mm taken by the two passes, read back from their heads.
  double steps = 0;
  for (const char* head : {"spacing error of +", "spacing error of -"}) {
    const auto at = host.report.find(head);
    if (at != std::string::npos) {
      steps += std::fabs(std::stod(host.report.substr(at + std::strlen(head) - 1))) / 0.0254;
    }
  }
  state.counters["steps"] = std::round(steps);
}
BENCHMARK(BM_ExploreWaves005)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vn
