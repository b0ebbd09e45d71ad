// Cost of reading a measurement taken through the null back to the mirror: a
// 640 × 640 .wft (the size of a large interferogram's wavefront) read from
// its text and reduced, the exact traces of the null included, in well under
// 50 ms.
#include <benchmark/benchmark.h>

#include <sstream>

#include "../tests/support/start_up_set_up.h"
#include "analysis/zernike_series.h"
#include "common/number_text.h"
#include "tester/measured_mirror.h"
#include "tester/mirror_through_null.h"

namespace {

// The start-up null's residual for a mirror of conic −0.95, as a 640-wide
// .wft with its outline at (N − 1)/2.
std::string MeasuredWft640() {
  const vn::MirrorThroughNull mirror = vn::TesterModel(vn::test::StartUpExactInput()).Mirror(0.05);
  const vn::ZernikeSeries series(mirror.zernike);
  const int n = 640;
  const double c = 0.5 * (n - 1);
  std::string text = "640\n640\n";
  for (int k = 0; k < n; ++k) {
    for (int col = 0; col < n; ++col) {
      const double x = (col - c) / c, y = ((n - 1 - k) - c) / c;
      text += x * x + y * y <= 1.0 ? vn::GeneralNumber(vn::Round(series.At(x, y), 9)) : "0";
      text += '\n';
    }
  }
  return text + "outside ellipse 319.5 319.5 319.5 319.5\nDIAM 317.5\nROC 2540\nLambda 632.8\n";
}

void BM_MeasuredMirror640(benchmark::State& state) {
  const std::string text = MeasuredWft640();
  const vn::SolvedSetUp null = vn::test::StartUpExactInput();
  for (auto _ : state) {
    const vn::MeasuredWavefront w = vn::ReadMeasuredWavefront(text, "bench.wft", {});
    const vn::MeasuredMirror m = vn::ReduceMeasurement(w, null);
    if (!m.ok) state.SkipWithError(m.why.c_str());
    benchmark::DoNotOptimize(m.conic);
  }
}
BENCHMARK(BM_MeasuredMirror640)->Unit(benchmark::kMillisecond);

}  // namespace
