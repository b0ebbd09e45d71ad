// The Monte Carlo: its draws are the distribution it claims, its statistics
// agree with the sensitivities where the errors act linearly, the seed alone
// fixes the figures, and a cancel stops it.
#include "analysis/monte_carlo.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "analysis/tolerance_report.h"
#include "common/cancel_token.h"
#include "support/start_up_set_up.h"

namespace vn {
namespace {

using P = BuildParameter;

TEST(MonteCarlo, DrawsAreUniformWithinTheTolerances) {
  // Along a line the draws fill ±T with mean square T²/3; across the axis
  // they fill the disc of radius T with mean square T²/2. Tolerances: five
  // standard errors of the mean of 4000 draws.
  const ToleranceModel& model = test::StartUpToleranceModel();
  const BuildTolerances tolerances = DefaultTolerances(false);
  constexpr int kDraws = 4000;
  std::array<double, kBuildParameterCount> mean{}, meanSquare{};
  for (int i = 0; i < kDraws; ++i) {
    const BuildErrors e = DrawBuildErrors(model, tolerances, 7, i);
    for (int k = 0; k < kBuildParameterCount; ++k) {
      const P p = ParameterAt(k);
      const double t = tolerances.For(p, UnitOf(p, model.input()));
      const double a = e.change[k], b = e.across[k];
      ASSERT_LE(a * a + b * b, t * t * (1 + 1e-15)) << ParameterInfo(p).label;
      mean[k] += a / kDraws;
      meanSquare[k] += (a * a + b * b) / kDraws;
    }
  }
  for (int k = 0; k < kBuildParameterCount; ++k) {
    const P p = ParameterAt(k);
    const double t = tolerances.For(p, UnitOf(p, model.input()));
    const double expected = t * t * (ParameterInfo(p).acrossAxis ? 0.5 : 1.0 / 3.0);
    EXPECT_NEAR(mean[k], 0.0, 5 * t / std::sqrt(3.0 * kDraws)) << ParameterInfo(p).label;
    EXPECT_NEAR(meanSquare[k], expected, 5 * 0.3 * t * t / std::sqrt(kDraws))
        << ParameterInfo(p).label;
  }
}

TEST(MonteCarlo, SmallTolerancesAddUpAsTheSensitivitiesPredict) {
  // With tolerances small enough for every error to act linearly, the mean
  // square of the built set-ups' residual is the design's plus, for each
  // parameter, (1/20 wave · tolerance / its change for 1/20 wave)² times the
  // draw's mean square: the errors' cross terms average out. Tolerance: four
  // standard errors of the sample mean, plus 3% for what is left of the
  // quadratic errors (the source's offset and distance).
  const ToleranceModel& model = test::StartUpToleranceModel();
  BuildTolerances small = DefaultTolerances(false);
  for (double* t : {&small.objectDistance, &small.lensMirrorDistance, &small.lensThickness,
                    &small.radiusPercent, &small.flatFringes, &small.lensIndex, &small.tiltDegrees,
                    &small.decenter, &small.sourceOffset}) {
    *t *= 0.2;
  }
  const SensitivityTable table = ComputeSensitivities(model, small);
  ASSERT_TRUE(table.ok) << table.why;
  const double predicted = PredictedRms(table);

  MonteCarloSettings settings;
  settings.trials = 1500;
  const MonteCarloResult mc = RunMonteCarlo(model, small, settings);
  ASSERT_TRUE(mc.ok) << mc.why;
  ASSERT_EQ(mc.completed, settings.trials);
  double sum = 0.0, sumSquares = 0.0;
  for (const MonteCarloTrial& t : mc.trials) {
    ASSERT_TRUE(t.traced);
    const double s = t.rmsWaves * t.rmsWaves;
    sum += s;
    sumSquares += s * s;
  }
  const double n = mc.trials.size();
  const double mean = sum / n;
  const double standardError = std::sqrt((sumSquares / n - mean * mean) / n);
  EXPECT_NEAR(mean, predicted * predicted, 4 * standardError + 0.03 * mean);
  // And far more than the design's own: the errors are felt.
  EXPECT_GT(mean, 1.5 * table.designRmsWaves * table.designRmsWaves);
}

TEST(MonteCarlo, TheSeedAloneFixesTheFigures) {
  const ToleranceModel& model = test::StartUpToleranceModel();
  const BuildTolerances tolerances = DefaultTolerances(true);
  const auto run = [&](std::uint64_t seed, int threads) {
    MonteCarloSettings settings;
    settings.trials = 96, settings.seed = seed, settings.threads = threads;
    return RunMonteCarlo(model, tolerances, settings);
  };
  const MonteCarloResult one = run(11, 1), two = run(11, 2), other = run(12, 2);
  ASSERT_TRUE(one.ok && two.ok && other.ok);
  ASSERT_EQ(one.trials.size(), two.trials.size());
  for (std::size_t i = 0; i < one.trials.size(); ++i) {
    EXPECT_EQ(one.trials[i].rmsWaves, two.trials[i].rmsWaves) << i;
    EXPECT_EQ(one.trials[i].apparentConic, two.trials[i].apparentConic) << i;
  }
  EXPECT_EQ(one.pvP95, two.pvP95);
  EXPECT_NE(one.trials[0].rmsWaves, other.trials[0].rmsWaves);
}

TEST(MonteCarlo, CancelStopsTheDrawsAndKeepsWhatWasDone) {
  const ToleranceModel& model = test::StartUpToleranceModel();
  MonteCarloSettings settings;
  settings.trials = 100000;
  CancelToken cancel;
  int reports = 0;
  const MonteCarloResult stopped = RunMonteCarlo(model, DefaultTolerances(false), settings, &cancel,
                                                 [&](int completed, int requested) {
                                                   ++reports;
                                                   EXPECT_EQ(requested, settings.trials);
                                                   if (completed >= 40) cancel.Cancel();
                                                 });
  EXPECT_TRUE(stopped.cancelled);
  EXPECT_GE(stopped.completed, 40);
  EXPECT_LT(stopped.completed, 1000);
  EXPECT_EQ(static_cast<int>(stopped.trials.size()), stopped.completed);
  EXPECT_TRUE(stopped.ok);  // the statistics of the set-ups done
  EXPECT_GT(reports, 1);

  // The background job: cancelled from outside, it finishes promptly.
  MonteCarloJob job(std::make_shared<ToleranceModel>(test::StartUpToleranceInput()),
                    DefaultTolerances(false), settings);
  while (job.completed() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  job.Cancel();
  for (int wait = 0; wait < 5000 && !job.finished(); ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_TRUE(job.finished());
  const MonteCarloResult result = job.TakeResult();
  EXPECT_TRUE(result.cancelled);
  EXPECT_LT(result.completed, settings.trials);
}

TEST(MonteCarlo, QuantilesInterpolateBetweenOrderStatistics) {
  const struct {
    std::vector<double> values;
    double q, expected;
  } cases[] = {{{3, 1, 2}, 0.5, 2},
               {{1, 2, 3, 4}, 0.5, 2.5},
               {{1, 2, 3, 4, 5}, 0.95, 4.8},
               {{5}, 0.95, 5},
               {{2, 1}, 0.0, 1},
               {{2, 1}, 1.0, 2},
               {{4, 4, 1, 4, 2}, 0.3, 2.4},
               {{7, 7, 7}, 0.5, 7}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(Quantile(c.values, c.q), c.expected);
}

}  // namespace
}  // namespace vn
