// The spacing-error exploration that follows the main results: its heads,
// its steps in both modes and both units, and the abort.
#include <gtest/gtest.h>

#include <string>

#include "common/number_text.h"
#include "common/shared_values.h"
#include "run/null_finder.h"
#include "support/recording_host.h"

namespace vn {
namespace {

using test::Lines;
using test::RecordingHost;

struct Exploration {
  SharedValues shared;
  NullFinder finder{shared, nullptr};
  RecordingHost host;
  Exploration(double limit, bool waves, bool inch = false) {
    shared.ErrorLimit = limit;
    shared.ErrorLimitInWaves = waves;
    host.qtrWave = true;
    host.inch = inch;
    host.engine = &finder.engine;
    if (inch) {
      host.entries = {{Entry::MDiam, "12.5"},
                      {Entry::MRoC, "100"},
                      {Entry::Mcc, "-1"},
                      {Entry::LradI, "9e99"},
                      {Entry::lRadM, "-8.11023622047244"},
                      {Entry::lthck, "0.590551181102362"},
                      {Entry::LDiam, "3.1496062992126"},
                      {Entry::LindexR, "1.51509"}};
    }
  }
  std::vector<std::string> Run() {
    finder.FindIt_Click(host);
    return Lines(host.report);
  }
};

// Index of the first line that starts with `head`, or -1.
int Find(const std::vector<std::string>& lines, const std::string& head, int from = 0) {
  for (int i = from; i < static_cast<int>(lines.size()); ++i) {
    if (lines[i].rfind(head, 0) == 0) return i;
  }
  return -1;
}

TEST(SpacingError, AmountModeMakesOneStepEachWay) {
  Exploration e(0.5, false);
  const auto lines = e.Run();
  ASSERT_EQ(e.finder.lastOutcome(), RunOutcome::Completed);
  // Main results, a blank line, the positive pass; a blank line, the negative pass.
  const int main = Find(lines, "Maximum Optical Path Difference");
  ASSERT_GT(main, 0);
  EXPECT_EQ(lines[main + 1], "");
  EXPECT_EQ(lines[main + 2], "Results for lens mirror spacing error of +0.5 mm");
  EXPECT_EQ(lines[main + 3].rfind("Object to Lens Distance         \t\t=\t", 0), 0u);
  EXPECT_EQ(lines[main + 4], "Lens to Mirror Distance         \t\t=\t2076.866 mm");
  const int positiveEnd = Find(lines, "Maximum Optical Path Difference", main + 1);
  EXPECT_EQ(lines[positiveEnd + 1], "");
  EXPECT_EQ(lines[positiveEnd + 2], "Results for lens mirror spacing error of -0.5 mm");
  EXPECT_EQ(lines[positiveEnd + 4], "Lens to Mirror Distance         \t\t=\t2075.866 mm");
  EXPECT_EQ(lines.size(), static_cast<std::size_t>(positiveEnd + 2 + 8));
  EXPECT_EQ(Find(lines, "*** Finding"), -1);
}

TEST(SpacingError, WavesModeReportsTheFirstSpacingBeyondTheLimit) {
  Exploration e(0.125, true);
  const auto lines = e.Run();
  const int positiveHead = Find(lines, "*** Finding 1/8 wave OPD values for positive error");
  ASSERT_GT(positiveHead, 0);
  EXPECT_EQ(lines[positiveHead],
            "*** Finding 1/8 wave OPD values for positive error in mirror - lens spacing ");
  EXPECT_EQ(lines[positiveHead + 1], "");
  const int negativeHead = Find(lines, "*** Finding 1/8 wave OPD values for negative error");
  ASSERT_GT(negativeHead, positiveHead);

  // Each pass's OPD exceeds the limit; the spacing one step (0.0254 mm)
  // shorter would have been within it, so the error is a multiple of 0.0254
  // mm rounded to 3 decimals.
  for (int head : {positiveHead, negativeHead}) {
    const int result = Find(lines, "Results for lens mirror spacing error of ", head);
    const int opd = Find(lines, "Maximum Optical Path Difference", result);
    const double waves = *ReadNumber(lines[opd].substr(lines[opd].find("=\t") + 2,
                                                       lines[opd].size() - 6 - lines[opd].find("=\t") - 2));
    EXPECT_GE(waves, 0.125) << lines[opd];  // beyond the limit, shown to 3 decimals
  }
  EXPECT_EQ(e.finder.lastOutcome(), RunOutcome::Completed);
}

TEST(SpacingError, FirstStepBeyondTheLimitIsOneStep) {
  // A limit below the null's own optical path difference (0.035 waves):
  // every pass stops after its first step of 0.001 inch.
  Exploration mm(0.01, true);
  auto lines = mm.Run();
  EXPECT_NE(Find(lines, "*** Finding 1/100 wave OPD values for positive error"), -1);
  EXPECT_NE(Find(lines, "Results for lens mirror spacing error of +0.025 mm"), -1);
  EXPECT_NE(Find(lines, "Results for lens mirror spacing error of -0.025 mm"), -1);

  Exploration inch(0.01, true, true);
  lines = inch.Run();
  EXPECT_NE(Find(lines, "Results for lens mirror spacing error of +0.001\""), -1);
  EXPECT_NE(Find(lines, "Results for lens mirror spacing error of -0.001\""), -1);
  // The inch amount mode steps by the amount in inches.
  Exploration amount(0.02, false, true);
  lines = amount.Run();
  const int head = Find(lines, "Results for lens mirror spacing error of +0.02\"");
  ASSERT_GT(head, 0);
  EXPECT_EQ(lines[head + 2], "Lens to Mirror Distance         \t\t=\t81.7667\"");
}

TEST(SpacingError, AbortDuringThePositivePassStillReportsBothPasses) {
  Exploration e(0.05, true);
  // Let the main search finish, then press a key early in the positive pass.
  e.host.onYield = [&] {
    if (e.host.reportHistory.size() > 0 &&
        e.host.report.find("Maximum Optical Path Difference") != std::string::npos &&
        e.finder.engine.system.AbortRequested == 0) {
      e.finder.engine.system.AbortRequested = -1;
    }
  };
  const auto lines = e.Run();
  EXPECT_EQ(e.finder.lastOutcome(), RunOutcome::Aborted);
  const int positive = Find(lines, "Results for lens mirror spacing error of +");
  const int negative = Find(lines, "Results for lens mirror spacing error of -");
  ASSERT_GT(positive, 0);
  ASSERT_GT(negative, positive);
  // The negative pass stops after its single step of 0.001 inch.
  EXPECT_EQ(lines[negative], "Results for lens mirror spacing error of -0.025 mm");
  EXPECT_EQ(lines.back(), kAbortLine);
}

}  // namespace
}  // namespace vn
