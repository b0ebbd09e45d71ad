// --design and --rank-lenses through the real executable: what scripts rely
// on (standard output, standard error, exit status). The figures are the
// core's; here only what the command line adds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "cli/cli_process.h"

namespace vn {
namespace {

bool Says(const CliResult& r, const std::string& s) { return r.err.find(s) != std::string::npos; }

// The program's output with the C library's locale of its environment set
// to one that writes decimal commas.
CliResult RunCliInCommaLocale(const std::string& args) {
  const char* previous = std::getenv("LC_ALL");
  const std::string kept = previous != nullptr ? previous : "";
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  CliResult r = RunCli(args);
  if (previous != nullptr) {
    setenv("LC_ALL", kept.c_str(), 1);
  } else {
    unsetenv("LC_ALL");
  }
  return r;
}

std::string WriteList(const std::string& name, const std::string& text) {
  const std::string path = ::testing::TempDir() + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

TEST(ChooserCli, DesignsThePlanoConvexLensInTextAndJson) {
  const CliResult text = RunCli("--design --form plano-convex");
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_TRUE(text.Has("1. plano-convex, flat toward the source: nulls the mirror\n")) << text.out;
  EXPECT_TRUE(text.Has("    Verdict: ok\n"));
  EXPECT_TRUE(text.err.empty());

  // The same figures whatever the C library's locale: no decimal commas.
  const CliResult json = RunCli("--design --form plano-convex --json");
  const CliResult comma = RunCliInCommaLocale("--design --form plano-convex --json");
  EXPECT_EQ(json.status, 0);
  EXPECT_EQ(json.out, comma.out);
  EXPECT_EQ(json.out.rfind("{\"units\":\"mm\",", 0), 0u);
  EXPECT_TRUE(json.out.ends_with("}]}\n"));
  EXPECT_TRUE(json.Has("\"form\":\"plano_convex\"") && json.Has("\"source_radius\":9e+99"));

  // In inches, the start-up entries converted.
  const CliResult inch = RunCli("--design --form plano-convex --units inch --json");
  EXPECT_EQ(inch.status, 0);
  EXPECT_TRUE(inch.Has("\"units\":\"inch\",\"mirror\":{\"diameter\":12.5,\"roc\":100,"));
}

TEST(ChooserCli, RanksAListNamingItsBadRow) {
  const std::string list = WriteList("vn_chooser_list.csv",
                                     "name,part,r1,r2,ct,dia,glass\n"
                                     "Start-up,SU-1,206,flat,15,80,BK7\n"
                                     "Broken,B-1,206,flat,15,eighty,BK7\n");
  const CliResult r = RunCli("--rank-lenses '" + list + "'");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "vantry-null-cli: " + list +
                       ": row 3, column 6 (diameter): \"eighty\" is not a number of millimetres; "
                       "the row is left out\n");
  EXPECT_TRUE(r.Has("1 lens from the list, each both ways round\n"));
  EXPECT_TRUE(
      r.Has("1. Start-up (SU-1), row 2, turned round: plano-convex, flat toward the "
            "source; nulls the mirror\n"))
      << r.out;
  EXPECT_TRUE(r.Has("2. Start-up (SU-1), row 2, as listed:"));

  const CliResult json = RunCli("--rank-lenses '" + list + "' --json --top 1");
  EXPECT_TRUE(json.Has("\"problems\":[{\"row\":3,\"column\":6,\"warning\":false,"));
  EXPECT_TRUE(json.Has("\"orientation\":\"reversed\""));
  EXPECT_FALSE(json.Has("\"rank\":2"));
}

TEST(ChooserCli, ExitStatusSaysHowItEnded) {
  const std::string none = WriteList("vn_chooser_none.csv", "A,B,abc,flat,1,2,BK7\n");
  const std::string weak = WriteList("vn_chooser_weak.csv", "A,B,10,flat,5,12,BK7\n");
  const struct {
    const char* args;
    std::string extra;
    int status;
    const char* says;
  } cases[] = {
      {"--design --rank-lenses x.csv", "", 2, "give --design or --rank-lenses, not both"},
      {"--design --form round", "", 2, "--form takes plano-convex, best-form or both"},
      {"--design --thickness abc", "", 2, "the lens thickness \"abc\" is not a number"},
      {"--design --explore waves=0.25", "", 2,
       "--explore is not an option of --design or --rank-lenses"},
      {"--rank-lenses /nonexistent/list.csv", "", 2,
       "--rank-lenses /nonexistent/list.csv: No such file or directory"},
      {"--rank-lenses /", "", 2, "--rank-lenses /: it is a folder, not a file"},
      {"--rank-lenses", " '" + none + "'", 1, "no lens could be read from the list"},
      {"--design --timeout 0", "", 3, "--timeout stopped the design before it finished"},
      {"--strict --rank-lenses", " '" + weak + "'", 4, ""},
  };
  for (const auto& c : cases) {
    const CliResult r = RunCli(c.args + c.extra);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
    EXPECT_TRUE(Says(r, c.says)) << c.args << "\n" << r.err;
  }
}

TEST(ChooserCli, HelpListsTheChoosersOptions) {
  const CliResult r = RunCli("--help");
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.Has("  --design ") && r.Has("  --rank-lenses FILE.csv "));
}

}  // namespace
}  // namespace vn
