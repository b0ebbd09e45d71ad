// Cost of fitting a Ronchi photo through the null: a 1000 × 1000 photo of
// the start-up set-up's mirror (ΔK +0.05, blurred and noisy, drawn by the
// tests' own band model), from the grey pixels to ΔK, its uncertainty and
// the rings' shifts (the tester's model built, the outline found, the
// first guess and the fit), must come in under 2 s on 2 cores. The argument
// is the number of threads.
#include <benchmark/benchmark.h>

#include "../tests/support/ronchi_photos.h"
#include "../tests/support/start_up_set_up.h"
#include "tester/ronchi_photo.h"

namespace {

void BM_RonchiPhotoFit1000(benchmark::State& state) {
  vn::test::Shot shot;
  shot.deltaK = 0.05;
  shot.rotationDeg = 6;
  shot.width = shot.height = 1000;
  shot.centreX = 505;
  shot.centreY = 490;
  shot.radiusPx = 440;
  shot.blurPx = 2.5;
  const vn::GreyImage photo = vn::test::Photo(shot);
  const vn::SolvedSetUp input = vn::test::StartUpExactInput();
  int iterations = 0;
  for (auto _ : state) {
    const vn::TesterModel model(input);
    vn::RonchiPhotoSettings settings;
    settings.gratingLinesPerInch = vn::test::kLinesPerInch;
    settings.threads = static_cast<int>(state.range(0));
    const vn::RonchiPhotoFit fit = vn::FitRonchiPhoto(model, photo, settings);
    if (!fit.ok) state.SkipWithError("no fit");
    iterations = fit.iterations;
    benchmark::DoNotOptimize(fit.deltaK);
  }
  state.counters["iterations"] = iterations;
  state.counters["threads"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_RonchiPhotoFit1000)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
