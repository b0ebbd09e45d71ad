// --design and --rank-lenses through the real executable: what scripts rely
// on (standard output, standard error, exit status). The figures are the
// core's; here only what the command line adds.
#include <gtest/gtest.h>

#include <string>

#include "support/child_process.h"
#include "support/files.h"

namespace vn {
namespace {

TEST(ChooserCli, DesignsThePlanoConvexLensInTextAndJson) {
  const test::ChildResult text = test::RunCli("--design --form plano-convex");
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_TRUE(text.Has("1. plano-convex, flat toward the source: nulls the mirror\n")) << text.out;
  EXPECT_TRUE(text.Has("    Verdict: ok\n"));
  EXPECT_TRUE(text.err.empty());

  // The same figures whatever the C library's locale: no decimal commas.
  const test::ChildResult json = test::RunCli("--design --form plano-convex --json");
  const test::ChildResult comma =
      test::RunCli("--design --form plano-convex --json", "LC_ALL=de_DE.UTF-8");
  EXPECT_EQ(json.status, 0);
  EXPECT_EQ(json.out, comma.out);
  EXPECT_TRUE(json.Has("\"form\":\"plano_convex\"") && json.Has("\"source_radius\":9e+99"));

  // In inches, the start-up entries converted.
  const test::ChildResult inch = test::RunCli("--design --form plano-convex --units inch --json");
  EXPECT_TRUE(inch.Has("\"units\":\"inch\",\"mirror\":{\"diameter\":12.5,\"roc\":100,"));
}

TEST(ChooserCli, RanksAListNamingItsBadRow) {
  const std::string list = test::TempFile("vn_chooser_list.csv",
                                          "name,part,r1,r2,ct,dia,glass\n"
                                          "Start-up,SU-1,206,flat,15,80,BK7\n"
                                          "Broken,B-1,206,flat,15,eighty,BK7\n");
  const test::ChildResult r = test::RunCli("--rank-lenses '" + list + "'");
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
}

TEST(ChooserCli, ExitStatusSaysHowItEnded) {
  const std::string none = test::TempFile("vn_chooser_none.csv", "A,B,abc,flat,1,2,BK7\n");
  const std::string weak = test::TempFile("vn_chooser_weak.csv", "A,B,10,flat,5,12,BK7\n");
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
      {"--rank-lenses", " '" + none + "'", 1, "no lens could be read from the list"},
      {"--design --timeout 0", "", 3, "--timeout stopped the design before it finished"},
      {"--strict --rank-lenses", " '" + weak + "'", 4, ""},
  };
  for (const auto& c : cases) {
    const test::ChildResult r = test::RunCli(c.args + c.extra);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args << "\n" << r.err;
  }
}

}  // namespace
}  // namespace vn
