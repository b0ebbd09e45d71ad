// The command line's Foucault reduction through the real executable: where
// its block goes, the set-up it reduces at, and the usage errors of a bad
// readings file or --built-at.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/json_reader.h"
#include "support/child_process.h"
#include "support/files.h"

namespace vn {
namespace {

// A mirror a little under-corrected, read on a scale with its zero anywhere.
const char* kReadings =
    "zone (mm),knife (mm)\r\n20,10\r\n50,10.01\r\n\r\n80,10.03\r\n110,10.045\r\n";

TEST(CliFoucault, ReducesAtTheRecommendedOrTheGivenSetUpInAnyLocale) {
  const std::string file = test::TempFile("vn_readings.csv", kReadings);
  // A German desktop's locale must not turn the figures into commas.
  const test::ChildResult text = test::RunCli("--foucault '" + file + "'", "LC_ALL=de_DE.UTF-8");
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_TRUE(
      text.Has("\n\nFoucault readings through the null\nSet up as built: source to lens "
               "204.73 mm, lens to mirror 2076.765 mm (the exact check's recommended "
               "distances)\nMirror's conic constant: -1."))
      << text.out;
  EXPECT_TRUE(text.Has("    50.0      10.010  ")) << text.out;
  // A scatter finer than the length columns' decimals still shows.
  EXPECT_TRUE(text.Has("scatter about the fit: 0.0015 mm RMS, 2 degrees")) << text.out;

  // At the set-up given, in the run's unit: the same readings read through
  // another set-up give another conic.
  const test::ChildResult json =
      test::RunChild(VN_CLI_PATH, {"--json", "--foucault", file, "--built-at", "204.817,2076.366"});
  ASSERT_EQ(json.status, 0) << json.err;
  const JsonReading r = ReadJson(json.out);
  ASSERT_TRUE(r.value) << r.error.Message();
  const JsonValue* f = r.value->Member("foucault");
  EXPECT_EQ(f->Member("built_at")->Member("lens_mirror_distance")->number, 2076.366);
  EXPECT_EQ(f->Member("zones")->items.size(), 4u);
  EXPECT_GT(f->Member("conic_uncertainty")->number, 0.0);
}

TEST(CliFoucault, RefusesBadReadingsAndSetUpsWithExitStatus2) {
  const std::string good = test::TempFile("vn_good.csv", kReadings);
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"--foucault", test::TempFile("vn_bad.csv", "zone,knife\n20,10\n50;10.01;3\n")},
       "vn_bad.csv: line 3 is not a zone's radius and a reading, two numbers separated by a "
       "comma\n"},
      {{"--foucault", test::TempFile("vn_comma.csv", "zone,knife\n20,10\n50,10,01\n")},
       "vn_comma.csv: line 3 is not"},
      {{"--foucault", test::TempFile("vn_empty.csv", "zone,knife\n")},
       "vn_empty.csv: it holds no readings below its header line\n"},
      {{"--foucault", ::testing::TempDir()}, "it is a folder, not a file"},
      {{"--foucault", good, "--built-at", "204.8"}, "--built-at takes two positive lengths"},
      {{"--foucault", good, "--built-at", "204.8,-3"}, "--built-at takes two positive lengths"},
      {{"--built-at", "204.8,2076"},
       "vantry-null-cli: --built-at needs --measured FILE, --foucault FILE.csv or --ronchi-photo "
       "FILE\n"},
  };
  for (const auto& c : cases) {
    const test::ChildResult r = test::RunChild(VN_CLI_PATH, c.args);
    EXPECT_EQ(r.status, 2) << c.args[1];
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
  }
}

}  // namespace
}  // namespace vn
