// Monte Carlo of the build: set-ups drawn within the user's tolerances, each
// traced exactly and refocused, and what their residuals and apparent conic
// constants look like.
//
// Every error is drawn uniformly within its ± tolerance: a tape-measure
// reading or a catalogue figure within its tolerance, no value more likely
// than another. The three alignment errors have a direction across the axis;
// they are drawn uniformly over the disc of the tolerance's radius (the
// tolerance bounds their size, in any direction).
//
// Set-up k is drawn from its own random stream, made from the seed and k, so
// the same seed gives the same set-ups and the same figures however many
// threads share the work and in whatever order they finish.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "analysis/tolerance_model.h"
#include "common/cancel_token.h"

namespace vn {

// A null whose own residual stays under 1/8 wave P-V of the wavefront uses
// half the Rayleigh quarter wave and leaves the rest to the mirror; the
// Monte Carlo counts how many built set-ups manage it.
inline constexpr double kGoodNullPvWaves = 0.125;

struct MonteCarloSettings {
  int trials = 10000;
  std::uint64_t seed = 1;
  int threads = 0;  // 0: every core
};

struct MonteCarloTrial {
  int index = 0;        // which set-up of the seed's sequence (from 0)
  bool traced = false;  // false: a ray of this set-up could not be traced
  double rmsWaves = 0;  // the residual about the best reference point
  double pvWaves = 0;
  double apparentConic = 0;  // the conic constant the mirror seems to have
};

// Quantile q (0 to 1) of values by linear interpolation between order
// statistics (the definition most statistics programs use by default).
double Quantile(std::vector<double> values, double q);

struct Histogram {
  double low = 0;   // the left edge of the first bin
  double high = 0;  // the right edge of the last bin
  std::vector<int> counts;
};

// Equal bins from the smallest to the largest value (a single bin of width
// 1 when all values are equal).
Histogram MakeHistogram(const std::vector<double>& values, int bins);

struct MonteCarloResult {
  bool ok = false;
  bool cancelled = false;
  std::string why;  // why no statistics could be made

  std::uint64_t seed = 0;
  int requested = 0;
  int completed = 0;  // set-ups drawn and measured (traced or not)
  int untraced = 0;   // of those, set-ups a ray of which could not be traced
  BuildTolerances tolerances;

  // Over the traced set-ups.
  double rmsMedian = 0, rmsP95 = 0;
  double pvMedian = 0, pvP95 = 0;
  double conicMedian = 0, conicLow = 0, conicHigh = 0;  // conicLow/High: the middle 95 %
  // Share of all completed set-ups (untraced ones count as failing) whose
  // residual stays under 1/8 wave P-V, and its binomial standard error.
  double probabilityGood = 0, probabilityError = 0;

  std::vector<MonteCarloTrial> trials;  // in the order they were drawn
};

// The errors of set-up `index` drawn from the seed.
BuildErrors DrawBuildErrors(const ToleranceModel& model, const BuildTolerances& tolerances,
                            std::uint64_t seed, int index);

// Draws and measures the set-ups on `settings.threads` threads (the calling
// thread among them) and gathers the statistics. `progress`, when given, is
// called on the calling thread with (completed, requested) as the work goes
// on. `cancel`, when set by the host, stops the work after the set-ups in
// hand; the result then has cancelled = true and the statistics of those
// completed.
MonteCarloResult RunMonteCarlo(const ToleranceModel& model, const BuildTolerances& tolerances,
                               const MonteCarloSettings& settings,
                               const CancelToken* cancel = nullptr,
                               const std::function<void(int, int)>& progress = {});

// A Monte Carlo run in the background, for a window that must keep handling
// its events: it starts at once on its own thread, the window polls its
// progress, may cancel it, and takes the result when it is done. Destroying
// the job cancels it and waits for its threads.
class MonteCarloJob {
 public:
  MonteCarloJob(std::shared_ptr<const ToleranceModel> model, const BuildTolerances& tolerances,
                const MonteCarloSettings& settings);
  ~MonteCarloJob();
  MonteCarloJob(const MonteCarloJob&) = delete;
  MonteCarloJob& operator=(const MonteCarloJob&) = delete;

  int completed() const { return completed_.load(); }
  int requested() const { return requested_; }
  bool finished() const { return finished_.load(); }
  void Cancel() { cancel_.Cancel(); }
  // The result once finished() (an empty result before).
  MonteCarloResult TakeResult();

 private:
  std::shared_ptr<const ToleranceModel> model_;
  int requested_ = 0;
  CancelToken cancel_;
  std::atomic<int> completed_{0};
  std::atomic<bool> finished_{false};
  MonteCarloResult result_;
  std::thread thread_;
};

}  // namespace vn
