// The start-up run hosted by the main window (offscreen) beside the same run
// hosted by a bare RunHost: the window's share of a run is what its report
// updates, caption changes and event handling add, and it should stay small
// (the window's run within 1.5 times the headless one).
#ifdef VN_BENCH_WINDOW

#include <benchmark/benchmark.h>

#include <QAbstractButton>
#include <QApplication>
#include <QPixmap>
#include <QThread>
#include <filesystem>
#include <memory>
#include <string>

#include "../tests/support/start_up_set_up.h"
#include "common/shared_values.h"
#include "common/whole_file.h"
#include "headless_host.h"
#include "record/run_host.h"
#include "run/null_finder.h"
#include "ui/form_main.h"
#include "ui/mirror_view.h"

namespace vn {
namespace {

// One application for every benchmark of the program, on the offscreen platform.
QApplication& App() {
  static int argc = 1;
  static char name[] = "vn_bench";
  static char* argv[] = {name, nullptr};
  static std::unique_ptr<QApplication> app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QApplication>(argc, argv);
  }();
  return *app;
}

using bench::HeadlessHost;

// Runs with the spacing-error exploration take longer (two more searches);
// the exploration's limit is the error dialog's first choice, 0.125 wave.
void ChooseExploration(benchmark::State& state, SharedValues& shared) {
  if (state.range(1) == 0) return;
  shared.ErrorLimit = 0.125;
  shared.ErrorLimitInWaves = true;
}

void BM_StartupRunHeadless(benchmark::State& state) {
  SharedValues shared;
  NullFinder finder(shared, nullptr);
  HeadlessHost host;
  ChooseExploration(state, shared);
  host.entries.exploreSpacingError = state.range(1) != 0;
  for (auto _ : state) {
    finder.Run(host.entries, host);
    benchmark::DoNotOptimize(host.report.data());
  }
  if (finder.lastRun().outcome != RunOutcome::Completed)
    state.SkipWithError("run did not complete");
}
// Args: (unused, explore).
BENCHMARK(BM_StartupRunHeadless)->Args({0, 0})->Args({0, 1})->Unit(benchmark::kMillisecond);

void BM_StartupRunInWindow(benchmark::State& state) {
  App();
  SharedValues shared;
  NullFinder finder(shared, nullptr);
  FormMain window(shared, finder);
  ChooseExploration(state, shared);
  window.findChild<QAbstractButton*>("CHk_QtrWave")->setChecked(state.range(1) != 0);
  if (state.range(0)) window.show();
  QCoreApplication::processEvents();
  auto* findIt = window.findChild<QAbstractButton*>("FindIt");
  for (auto _ : state) {
    // The button's own handler, as a click reaches it (the button's pressed
    // look is the toolkit's, not the run's).
    emit findIt->clicked();
    benchmark::DoNotOptimize(finder.lastRun().outcome);
    // What the window does once the run has returned (painting the report,
    // the exact check and its pictures) is measured below, not here.
    state.PauseTiming();
    QCoreApplication::processEvents();
    state.ResumeTiming();
  }
  if (finder.lastRun().outcome != RunOutcome::Completed)
    state.SkipWithError("run did not complete");
}
// Args: (window shown, explore). A hidden window does all but the painting.
BENCHMARK(BM_StartupRunInWindow)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond);

// The whole click as the user sees it: the run, then the window painting the
// report and making and drawing the exact check.
void BM_StartupRunThenDisplay(benchmark::State& state) {
  App();
  SharedValues shared;
  NullFinder finder(shared, nullptr);
  FormMain window(shared, finder);
  window.show();
  QCoreApplication::processEvents();
  auto* findIt = window.findChild<QAbstractButton*>("FindIt");
  for (auto _ : state) {
    findIt->click();
    QCoreApplication::processEvents();
  }
}
BENCHMARK(BM_StartupRunThenDisplay)->Unit(benchmark::kMillisecond);

// The "Mirror" tab redrawn with a measured mirror shown (figures, profile and
// map, 700 × 600), as a resize or a tab switch redraws it: within 30 ms.
void BM_MirrorTabRedraw(benchmark::State& state) {
  App();
  const std::string path = std::filesystem::temp_directory_path() / "vn_bench_mirror.zrn";
  if (!WriteWholeFile(path, "0\n0\n0\n0\n0.02\n0\n0\n0\n0.1\n").written()) {
    state.SkipWithError("cannot write the measurement");
    return;
  }
  const SolvedSetUp null = test::StartUpExactInput();
  MirrorView view;
  view.resize(700, 600);
  view.show();
  view.Open(QString::fromStdString(path), null);
  for (int i = 0; i < 1000 && !view.HasMirror(); ++i) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(5);
  }
  if (!view.HasMirror()) {
    state.SkipWithError("no mirror");
    return;
  }
  for (auto _ : state) {
    const QPixmap drawn = view.grab();
    benchmark::DoNotOptimize(drawn.cacheKey());
  }
}
BENCHMARK(BM_MirrorTabRedraw)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vn

#endif  // VN_BENCH_WINDOW
