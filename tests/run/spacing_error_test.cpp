// The spacing-error exploration that follows the main results: its heads,
// its steps in both modes and both units, and the abort.
#include <gtest/gtest.h>

#include <string>

#include "common/shared_values.h"
#include "run/null_finder.h"
#include "support/recording_host.h"

namespace vn {
namespace {

using test::Lines;

struct Exploration {
  SharedValues shared;
  NullFinder finder{shared, nullptr};
  test::RecordingHost host;
  Exploration(double limit, bool waves, bool inch = false) {
    shared.ErrorLimit = limit;
    shared.ErrorLimitInWaves = waves;
    host.qtrWave = true;
    host.inch = inch;
    host.finder = &finder;
    if (inch) test::UseStartUpEntriesInInches(host.entries);
    host.RunWith(finder);
    lines = Lines(host.report);
  }
  // Index of the first line from `from` that starts with `head`, or -1.
  int Find(const std::string& head, int from = 0) const {
    for (int i = from; i < static_cast<int>(lines.size()); ++i) {
      if (lines[i].rfind(head, 0) == 0) return i;
    }
    return -1;
  }
  std::vector<std::string> lines;
};

TEST(SpacingError, AmountModeMakesOneStepEachWay) {
  // 0.5 mm each way from the solved 2076.366 mm; no "*** Finding" heads.
  const Exploration e(0.5, false);
  ASSERT_EQ(e.finder.lastRun().outcome, RunOutcome::Completed);
  const int main = e.Find("Maximum Optical Path Difference");
  EXPECT_EQ(e.lines[main + 1], "");
  EXPECT_EQ(e.lines[main + 2], "Results for lens mirror spacing error of +0.5 mm");
  EXPECT_EQ(e.lines[main + 4], "Lens to Mirror Distance         \t\t=\t2076.866 mm");
  const int positiveEnd = e.Find("Maximum Optical Path Difference", main + 1);
  EXPECT_EQ(e.lines[positiveEnd + 1], "");
  EXPECT_EQ(e.lines[positiveEnd + 2], "Results for lens mirror spacing error of -0.5 mm");
  EXPECT_EQ(e.lines[positiveEnd + 4], "Lens to Mirror Distance         \t\t=\t2075.866 mm");
  EXPECT_EQ(e.lines.size(), static_cast<std::size_t>(positiveEnd + 2 + 8));
  EXPECT_EQ(e.Find("*** Finding"), -1);
  // In inches the amount is in inches: 81.7467 + 0.02.
  const Exploration inch(0.02, false, true);
  const int head = inch.Find("Results for lens mirror spacing error of +0.02\"");
  ASSERT_GT(head, 0);
  EXPECT_EQ(inch.lines[head + 2], "Lens to Mirror Distance         \t\t=\t81.7667\"");
}

TEST(SpacingError, WavesModeReportsTheFirstSpacingBeyondTheLimit) {
  const Exploration e(0.125, true);
  const int positive = e.Find("*** Finding 1/8 wave OPD values for positive error");
  const int negative = e.Find("*** Finding 1/8 wave OPD values for negative error");
  ASSERT_GT(positive, 0);
  ASSERT_GT(negative, positive);
  EXPECT_EQ(e.lines[positive],
            "*** Finding 1/8 wave OPD values for positive error in mirror - lens spacing ");
  for (int head : {positive, negative}) {
    // Beyond the limit: the last step's optical path difference, shown to 3 decimals.
    const std::string& opd = e.lines[e.Find("Maximum Optical Path Difference", head)];
    EXPECT_GE(std::stod(opd.substr(opd.find("=\t") + 2)), 0.125) << opd;
  }
}

TEST(SpacingError, FirstStepBeyondTheLimitIsOneStep) {
  // A limit below the null's own 0.035 waves: one step of 0.001 inch each way.
  const Exploration mm(0.01, true);
  EXPECT_NE(mm.Find("Results for lens mirror spacing error of +0.025 mm"), -1);  // 0.0254 rounded
  EXPECT_NE(mm.Find("Results for lens mirror spacing error of -0.025 mm"), -1);
  const Exploration inch(0.01, true, true);
  EXPECT_NE(inch.Find("Results for lens mirror spacing error of +0.001\""), -1);
  EXPECT_NE(inch.Find("Results for lens mirror spacing error of -0.001\""), -1);
}

TEST(SpacingError, AbortDuringThePositivePassStillReportsBothPasses) {
  SharedValues shared;
  shared.ErrorLimit = 0.05;
  shared.ErrorLimitInWaves = true;
  NullFinder finder(shared, nullptr);
  test::RecordingHost host;
  host.qtrWave = true;
  // A key press as soon as the main results are in the report.
  host.onYield = [&] {
    if (host.report.find("Maximum Optical Path Difference") != std::string::npos) {
      finder.RequestAbort();
    }
  };
  host.RunWith(finder);
  EXPECT_EQ(finder.lastRun().outcome, RunOutcome::Aborted);
  const auto lines = Lines(host.report);
  EXPECT_NE(host.report.find("Results for lens mirror spacing error of +"), std::string::npos);
  // The negative pass stops after its single step of 0.001 inch.
  EXPECT_NE(host.report.find("Results for lens mirror spacing error of -0.025 mm"),
            std::string::npos);
  EXPECT_EQ(lines.back(), kAbortLine);
}

}  // namespace
}  // namespace vn
