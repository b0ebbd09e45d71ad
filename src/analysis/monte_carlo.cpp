// Monte Carlo of the build on every core.
#include "analysis/monte_carlo.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <mutex>

#include "common/cancel_token.h"
#include "common/helper_threads.h"

namespace vn {

namespace {

// Set-ups a thread takes at a time: a few milliseconds of work, so the
// progress moves smoothly and a cancel is honoured at once.
constexpr int kChunk = 8;
// Draws of a point in the disc before giving up (each succeeds with
// probability π/4; 64 failures in a row have probability 1e-43).
constexpr int kDiscDraws = 64;

// SplitMix64 (Steele, Lea and Flood, "Fast splittable pseudorandom number
// generators", 2014): a tiny generator whose every seed gives a good stream,
// the same on every machine.
class Stream {
 public:
  Stream(std::uint64_t seed, int index)
      : state_(seed * 0x9E3779B97F4A7C15ULL ^
               (static_cast<std::uint64_t>(index) + 1) * 0xC2B2AE3D27D4EB4FULL) {}

  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }

  // Uniform on [−1, 1): the top 53 bits as a fraction.
  double Symmetric() {
    const double unit = static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0);
    return 2.0 * unit - 1.0;
  }

 private:
  std::uint64_t state_;
};

}  // namespace

double Quantile(std::vector<double> values, double q) {
  if (values.empty()) return 0.0;
  const double position = q * static_cast<double>(values.size() - 1);
  const std::size_t below = static_cast<std::size_t>(std::floor(position));
  const std::size_t above = std::min(below + 1, values.size() - 1);
  const double fraction = position - static_cast<double>(below);
  // The two neighbouring order statistics, without sorting them all: the
  // value in place `below` of the sorted values, and the least after it.
  const auto at = values.begin() + static_cast<std::ptrdiff_t>(below);
  std::nth_element(values.begin(), at, values.end());
  const double low = *at;
  const double high = above == below ? low : *std::min_element(at + 1, values.end());
  return low + fraction * (high - low);
}

Histogram MakeHistogram(const std::vector<double>& values, int bins) {
  Histogram histogram;
  if (values.empty() || bins < 1) return histogram;
  const auto [low, high] = std::minmax_element(values.begin(), values.end());
  histogram.low = *low;
  histogram.high = *high > *low ? *high : *low + 1.0;
  if (*high == *low) bins = 1;
  histogram.counts.assign(static_cast<std::size_t>(bins), 0);
  const double width = (histogram.high - histogram.low) / bins;
  for (double v : values) {
    const int bin = std::clamp(static_cast<int>((v - histogram.low) / width), 0, bins - 1);
    ++histogram.counts[static_cast<std::size_t>(bin)];
  }
  return histogram;
}

BuildErrors DrawBuildErrors(const ToleranceModel& model, const BuildTolerances& tolerances,
                            std::uint64_t seed, int index) {
  Stream stream(seed, index);
  BuildErrors errors;
  for (int k = 0; k < kBuildParameterCount; ++k) {
    const BuildParameter parameter = ParameterAt(k);
    const double tolerance = tolerances.For(parameter, UnitOf(parameter, model.input()));
    const std::size_t at = static_cast<std::size_t>(k);
    if (!ParameterInfo(parameter).acrossAxis) {
      errors.change[at] = tolerance * stream.Symmetric();
      continue;
    }
    // Uniform over the disc, by drawing in the square and keeping the
    // points inside: no angle, so no trigonometry in the draw.
    for (int attempt = 0; attempt < kDiscDraws; ++attempt) {
      const double a = stream.Symmetric(), b = stream.Symmetric();
      if (a * a + b * b <= 1.0) {
        errors.change[at] = tolerance * a;
        errors.across[at] = tolerance * b;
        break;
      }
    }
  }
  return errors;
}

MonteCarloResult RunMonteCarlo(const ToleranceModel& model, const BuildTolerances& tolerances,
                               const MonteCarloSettings& settings, const CancelToken* cancel,
                               const std::function<void(int, int)>& progress) {
  MonteCarloResult result;
  result.seed = settings.seed;
  result.requested = std::max(settings.trials, 0);
  result.tolerances = tolerances;
  if (!model.ok()) {
    result.why = model.message();
    return result;
  }
  const int count = result.requested;
  result.trials.assign(static_cast<std::size_t>(count), MonteCarloTrial{});
  std::vector<char> done(static_cast<std::size_t>(count), 0);

  // The design's own apparent conic: a trial's is measured from it.
  const double designConic = model.ApparentConicChange(model.design().waves);
  std::atomic<int> next{0}, completed{0};
  std::atomic<bool> failed{false};
  std::mutex failureMutex;
  std::string failure;
  const auto stopped = [&] { return failed.load() || CancelRequested(cancel); };

  // Takes chunks of set-ups until none are left; false when there were none.
  const auto workOneChunk = [&]() -> bool {
    const int start = next.fetch_add(kChunk);
    if (start >= count) return false;
    for (int i = start; i < std::min(start + kChunk, count) && !stopped(); ++i) {
      const PupilWavefront w = model.Measure(DrawBuildErrors(model, tolerances, settings.seed, i));
      MonteCarloTrial& trial = result.trials[static_cast<std::size_t>(i)];
      trial.index = i;
      trial.traced = w.ok;
      if (w.ok) {
        trial.rmsWaves = w.rmsWaves;
        trial.pvWaves = w.pvWaves;
        trial.apparentConic =
            model.conicConstant() + model.ApparentConicChange(w.waves) - designConic;
      }
      done[static_cast<std::size_t>(i)] = 1;
      completed.fetch_add(1);
    }
    return true;
  };
  const auto worker = [&] {
    try {
      while (!stopped() && workOneChunk()) {
      }
    } catch (const std::exception& e) {
      const std::lock_guard<std::mutex> lock(failureMutex);
      failure = e.what();
      failed.store(true);
    }
  };

  int threadCount = settings.threads > 0 ? settings.threads
                                         : static_cast<int>(std::thread::hardware_concurrency());
  threadCount = std::clamp(threadCount, 1, std::max(1, count / kChunk));
  std::vector<std::thread> helpers = StartHelperThreads(threadCount - 1, worker);
  // The calling thread works too, and reports the progress between chunks.
  try {
    while (!stopped() && workOneChunk()) {
      if (progress) progress(completed.load(), count);
    }
  } catch (const std::exception& e) {
    const std::lock_guard<std::mutex> lock(failureMutex);
    failure = e.what();
    failed.store(true);
  }
  for (std::thread& helper : helpers) helper.join();
  result.completed = completed.load();
  if (progress) progress(result.completed, count);
  if (failed.load()) {
    result.why = "the Monte Carlo failed: " + failure;
    return result;
  }
  result.cancelled = result.completed < count;

  // Statistics, in the order the set-ups were drawn.
  std::vector<double> rms, pv, conic;
  int good = 0;
  for (int i = 0; i < count; ++i) {
    if (!done[static_cast<std::size_t>(i)]) continue;
    const MonteCarloTrial& trial = result.trials[static_cast<std::size_t>(i)];
    if (!trial.traced) {
      ++result.untraced;
      continue;
    }
    rms.push_back(trial.rmsWaves);
    pv.push_back(trial.pvWaves);
    conic.push_back(trial.apparentConic);
    if (trial.pvWaves < kGoodNullPvWaves) ++good;
  }
  if (result.cancelled) {
    // Keep only the set-ups that were measured, in their order.
    std::vector<MonteCarloTrial> kept;
    for (int i = 0; i < count; ++i) {
      if (done[static_cast<std::size_t>(i)])
        kept.push_back(result.trials[static_cast<std::size_t>(i)]);
    }
    result.trials = std::move(kept);
  }
  if (rms.empty()) {
    result.why =
        result.completed == 0 ? "no set-up was measured" : "no set-up drawn could be traced";
    return result;
  }
  result.rmsMedian = Quantile(rms, 0.5);
  result.rmsP95 = Quantile(rms, 0.95);
  result.pvMedian = Quantile(pv, 0.5);
  result.pvP95 = Quantile(pv, 0.95);
  result.conicMedian = Quantile(conic, 0.5);
  result.conicLow = Quantile(conic, 0.025);
  result.conicHigh = Quantile(conic, 0.975);
  const double n = static_cast<double>(result.completed);
  result.probabilityGood = good / n;
  result.probabilityError = std::sqrt(result.probabilityGood * (1.0 - result.probabilityGood) / n);
  result.ok = true;
  return result;
}

MonteCarloJob::MonteCarloJob(std::shared_ptr<const ToleranceModel> model,
                             const BuildTolerances& tolerances, const MonteCarloSettings& settings)
    : model_(std::move(model)), requested_(settings.trials) {
  thread_ = std::thread([this, tolerances, settings] {
    result_ = RunMonteCarlo(*model_, tolerances, settings, &cancel_,
                            [this](int completed, int) { completed_.store(completed); });
    finished_.store(true);
  });
}

MonteCarloJob::~MonteCarloJob() {
  Cancel();
  if (thread_.joinable()) thread_.join();
}

MonteCarloResult MonteCarloJob::TakeResult() {
  if (!finished_.load()) return {};
  if (thread_.joinable()) thread_.join();
  return std::move(result_);
}

}  // namespace vn
