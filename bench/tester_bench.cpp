// Cost of the tester's side of the start-up set-up: a 512 × 512 picture must
// come in well under 100 ms and the residual's export under 50 ms, both from
// the solved set-up (the trace of the pupil and of the pictures' rays
// included), so that the window can redraw as the user turns a control.
#include <benchmark/benchmark.h>

#include "../tests/support/start_up_set_up.h"
#include "tester/mirror_through_null.h"
#include "tester/null_views.h"
#include "tester/picture_files.h"
#include "tester/png_file.h"
#include "tester/residual_files.h"

namespace {

using vn::test::StartUpExactInput;

// From the set-up to the picture: the model, the mirror (ΔK as given) and
// the 512-pixel view, for each kind of view.
void BM_TesterView512(benchmark::State& state) {
  const vn::SolvedSetUp input = StartUpExactInput();
  vn::TesterViewSettings settings;
  settings.kind = static_cast<vn::TesterViewKind>(state.range(0));
  settings.sizePx = 512;
  for (auto _ : state) {
    const vn::TesterModel model(input);
    const vn::TesterPicture picture = vn::RenderTesterView(model.Mirror(-0.05), settings);
    benchmark::DoNotOptimize(picture.disc.pixels.data());
    if (!picture.ok) state.SkipWithError("no picture");
  }
}
BENCHMARK(BM_TesterView512)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// A control turned in the window: the mirror is kept, the picture redrawn.
void BM_TesterRedraw512(benchmark::State& state) {
  const vn::TesterModel model(StartUpExactInput());
  const vn::MirrorThroughNull mirror = model.Mirror(0.0);
  vn::TesterViewSettings settings;
  settings.kind = static_cast<vn::TesterViewKind>(state.range(0));
  settings.sizePx = 512;
  for (auto _ : state) {
    const vn::TesterPicture picture = vn::RenderTesterView(mirror, settings);
    benchmark::DoNotOptimize(picture.disc.pixels.data());
  }
}
BENCHMARK(BM_TesterRedraw512)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The picture's PNG file, caption drawn in, as the command line writes it.
void BM_TesterPng512(benchmark::State& state) {
  const vn::TesterModel model(StartUpExactInput());
  vn::TesterViewSettings settings;
  const vn::TesterPicture picture = vn::RenderTesterView(model.Mirror(0.0), settings);
  for (auto _ : state) {
    const std::string png = vn::PngBytes(vn::LabelledImage(picture));
    benchmark::DoNotOptimize(png.data());
  }
}
BENCHMARK(BM_TesterPng512)->Unit(benchmark::kMillisecond);

// The export from the set-up: the model, the perfect mirror's residual and
// the texts of the three files (the 401 × 401 grid the largest).
void BM_ResidualExport(benchmark::State& state) {
  const vn::SolvedSetUp input = StartUpExactInput();
  for (auto _ : state) {
    const vn::TesterModel model(input);
    const vn::MirrorThroughNull mirror = model.Mirror(0.0);
    const std::string zrn = vn::ZrnText(mirror), wft = vn::WftText(mirror),
                      csv = vn::CurvesCsv(mirror, false);
    benchmark::DoNotOptimize(wft.data());
    if (!mirror.ok) state.SkipWithError("no residual");
  }
}
BENCHMARK(BM_ResidualExport)->Unit(benchmark::kMillisecond);

}  // namespace
