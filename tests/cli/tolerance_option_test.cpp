// The command line's tolerance analysis through the real executable: the
// text block and the JSON object a script reads, the usage error of a bad
// spacing, and the clock.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "common/json_reader.h"
#include "support/child_process.h"
#include "support/files.h"

namespace vn {
namespace {

TEST(CliTolerance, PrintsTheAnalysisAfterTheReportAndInTheJson) {
  const std::string few = test::TempFile("vn_few.json", "{\"trials\": 100, \"seed\": 3}");
  const test::ChildResult text =
      test::RunChild(VN_CLI_PATH, {"--tolerances", few, "--best-null-spacing", "2077.366"});
  EXPECT_EQ(text.status, 0) << text.err;
  // After the report, with the file's figures and the spacing asked about;
  // the block's own text is the core's.
  EXPECT_TRUE(text.Has("\n\nTolerances\nExact trace of 289 rays")) << text.out;
  EXPECT_TRUE(text.Has("(seed 3)"));
  EXPECT_TRUE(text.Has("with the lens 2077.366 mm from it"));

  // The inch run's default spacing tolerance is 0.04", the file's unit being the run's.
  const test::ChildResult json =
      test::RunChild(VN_CLI_PATH, {"--units", "inch", "--json", "--tolerances", few});
  ASSERT_EQ(json.status, 0) << json.err;
  const JsonReading r = ReadJson(json.out);
  ASSERT_TRUE(r.value) << r.error.Message();
  EXPECT_EQ(r.value->Member("tolerance")
                ->Member("monte_carlo")
                ->Member("tolerances")
                ->Member("lens_mirror_distance")
                ->number,
            0.04);
}

// A bad file's reasons are the tolerance file's own tests; the command
// line's own refusal is a spacing that is no length.
TEST(CliTolerance, RefusesASpacingThatIsNoLengthWithExitStatus2) {
  const test::ChildResult out = test::RunChild(VN_CLI_PATH, {"--best-null-spacing", "0"});
  EXPECT_EQ(out.status, 2);
  EXPECT_TRUE(out.out.empty());
  EXPECT_NE(out.err.find("--best-null-spacing takes a positive length in the run's unit\n"),
            std::string::npos)
      << out.err;
}

// --timeout bounds the analysis as it bounds the run: a Monte Carlo of a
// million set-ups takes about a minute, so the run and its check end,
// the analysis stops where it stands, says so, and the exit status is 3.
TEST(CliTolerance, TheTimeoutStopsTheAnalysis) {
  const std::string many = test::TempFile("vn_many.json", "{\"trials\": 1000000}");
  const auto start = std::chrono::steady_clock::now();
  const test::ChildResult out =
      test::RunChild(VN_CLI_PATH, {"--timeout", "1", "--tolerances", many});
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  const std::string said = out.out + out.err;
  EXPECT_EQ(out.status, 3) << said;
  EXPECT_LT(took.count(), 30.0);
  EXPECT_TRUE(out.Has("Results: "));
  EXPECT_EQ(said.find("Stopped by a key press"), std::string::npos) << "the run itself ended";
  EXPECT_NE(said.find("--timeout stopped the tolerance analysis before it finished"),
            std::string::npos)
      << said;
}

}  // namespace
}  // namespace vn
