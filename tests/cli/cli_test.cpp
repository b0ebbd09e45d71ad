// The command-line program through its real executable: what scripts rely on
// (standard output, standard error, exit status). The report's own texts are
// pinned by the run's tests; here only what the command line adds.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>

#include "cli/cli_process.h"
#include "record/setup_file.h"
#include "run/null_finder.h"

namespace vn {
namespace {

TEST(Cli, PrintsTheReportWithUnixLineEnds) {
  const CliResult r = RunCli("");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.find('\r'), std::string::npos);
  EXPECT_EQ(r.out.rfind("Using these Mirror Parameters\n\nDiameter =\t\t-> 317.5mm\n", 0), 0u);
  EXPECT_TRUE(r.out.ends_with("\t=\t0.035 Waves\n"));  // one final LF after the last line
  EXPECT_TRUE(r.err.empty());
  // Inch defaults are the start-up entries converted as the units switch does.
  const CliResult inch = RunCli("--units inch");
  EXPECT_TRUE(inch.Has("Diameter =\t\t-> 12.5\"\n") &&
              inch.Has("-> 3.54330708661417E+98\" Flat\n"));
}

TEST(Cli, ExitStatusSaysHowTheRunEnded) {
  const CliResult failed = RunCli("--mirror-roc abc");
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(failed.out,
            "Using these Mirror Parameters\n\nDiameter =\t\t-> 317.5mm\n"
            "Mirror Radius of Curvature =\t-> abc mm\n\n");  // the report as it was left
  EXPECT_EQ(failed.err,
            "Hmmm, how did that happen?\nPlease check your data entries, seems there is a problem "
            "reading one of your entries as a Numerical Value\n**OR**\nThe program converged to an "
            "infinity (IE division by zero)\n");
  const CliResult aborted = RunCli("--timeout 0");  // a key press at the first yield
  EXPECT_EQ(aborted.status, 3);
  EXPECT_TRUE(aborted.Has("Results: \n"));
  EXPECT_TRUE(aborted.out.ends_with(std::string(kAbortLine) + "\n"));
}

TEST(Cli, UsageErrorsPrintNothingOnStdoutAndExitWith2) {
  // Bad options, and what the dialogs would refuse, with their own messages.
  const struct {
    const char* args;
    const char* message;
  } cases[] = {
      {"--bogus", "unknown option"},
      {"--units metres", "mm or inch"},
      {"--mirror-roc", "needs a value"},
      {"--timeout soon", "--timeout"},
      {"--json=yes", "takes no value"},
      {"--glass BK77", "close matches: BK7"},
      {"--wavelength 349.9", "Wavelength needs to be between 350 to 850nm"},
      {"--wavelength 850.1", "Wavelength needs to be between 350 to 850nm"},
      {"--wavelength abc", "wave length data must be a numeric value!"},
      {"--explore amount=abc", "Error margin data is not a numerical value!"},
      {"--explore waves=0.3", "0.25, 0.125, 0.1 or 0.05"},
  };
  for (const auto& c : cases) {
    const CliResult r = RunCli(c.args);
    EXPECT_EQ(r.status, 2) << c.args;
    EXPECT_TRUE(r.out.empty()) << c.args;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << ": " << r.err;
  }
}

TEST(Cli, JsonCarriesTheResultsInTheRunsUnit) {
  const CliResult r = RunCli("--json --exact");
  EXPECT_EQ(r.out.rfind("{\"units\":\"mm\",", 0), 0u);
  for (const char* key : {"\"object_distance\":204.81", "\"lens_mirror_distance\":2076.36",
                          "\"mirror_diameter\":317.5", "\"converged\":true", "\"exact_null\":"}) {
    EXPECT_TRUE(r.Has(key)) << key;
  }
  EXPECT_TRUE(RunCli("--json --lens-diameter 0").Has("\"error\":\"Hmmm, how did that happen?\""));
}

TEST(Cli, GlassWavelengthAndExplorationActAsTheDialogs) {
  // SF11 at 546.1 nm: the dialog's rounded index, and the echo names both.
  EXPECT_TRUE(RunCli("--glass SF11 --wavelength 546.1")
                  .Has("Refractive Index =\t\t-> 1.7919  = SF11 @ 546.1nm\n"));
  // A typed index wins, but the glass stays the run's, as in the window.
  EXPECT_TRUE(RunCli("--glass F2 --index 1.6").Has("-> 1.6  = F2 @ 632.8nm\n"));
  const CliResult list = RunCli("--list-glasses");
  EXPECT_TRUE(list.Has("Schott\t49\tBK7\t1.5168\t64.142\n") && list.Has("Ohara\t275\tTPH55\t"));
  EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 241 + 276);
  EXPECT_TRUE(
      RunCli("--explore amount=0.5").Has("\n\nResults for lens mirror spacing error of -0.5 mm\n"));
  EXPECT_TRUE(RunCli("--explore waves=0.25").Has("*** Finding 1/4 wave OPD values for positive"));
  EXPECT_FALSE(RunCli("--explore amount=0").Has("spacing error"));  // 0 takes the check back
}

TEST(Cli, SaveOsloWritesIntoTheFolderAndNamesTheFiles) {
  const std::string dir = ::testing::TempDir() + "vn_cli_lens_files";
  std::system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "'").c_str());
  const CliResult r = RunCli("--save-oslo '" + dir + "' --explore amount=0.5");
  EXPECT_EQ(r.status, 0);
  std::istringstream paths(r.err);  // one written path per line
  int files = 0;
  for (std::string path; std::getline(paths, path); ++files) {
    EXPECT_EQ(path.rfind(dir + "/318 mm_F-4_created_", 0), 0u) << path;
    const std::string text = ReadAll(path);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 44);
  }
  EXPECT_EQ(files, 3);
  EXPECT_EQ(RunCli("--save-oslo /nonexistent/folder").status, 1);
}

TEST(Cli, ExactCheckFollowsAnUnchangedReportWithTheVerdictFirst) {
  const CliResult exact = RunCli("--exact");
  const CliResult plain = RunCli("");
  EXPECT_EQ(exact.out.substr(0, plain.out.size() - 1) + "\n", plain.out);
  EXPECT_EQ(exact.out.substr(plain.out.size() - 1, 26), "\n\nExact check\nVerdict: ok\n");
  EXPECT_TRUE(exact.Has("Distances to set up (the exact null):\n  Object to Lens = 204.73 mm"));
}

TEST(Cli, AVerdictOtherThanOkWarnsOnceAndStrictMakesItExit4) {
  // The sphere (caution) and the oblate mirror with a negative lens (not a
  // null), against the start-up set-up (ok): one warning line on stderr
  // without --exact, the exit status unchanged unless --strict.
  const char* sphere = "--conic 0";
  const char* oblate =
      "--mirror-diameter 200 --mirror-roc 2000 --conic 1 --mirror-side-radius 100 --thickness 3 "
      "--lens-diameter 50";
  for (const auto& [args, status] :
       {std::pair{sphere, "caution: A spherical mirror needs no null lens"},
        std::pair{oblate, "not a null: At the report's distances the wavefront"}}) {
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.status, 0) << args;
    EXPECT_EQ(
        r.err.rfind(std::string("vantry-null-cli: warning: the exact check's verdict is ") + status,
                    0),
        0u)
        << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(RunCli(std::string(args) + " --strict").status, 4) << args;
    EXPECT_TRUE(RunCli(std::string(args) + " --exact").err.empty()) << args;
  }
  const CliResult good = RunCli("--strict");
  EXPECT_EQ(good.status, 0);
  EXPECT_TRUE(good.err.empty()) << good.err;
}

TEST(Cli, TheOnceEndlessExactCheckEndsWellWithinASecond) {
  // The start-up set-up scaled to a 635 m mirror once made the exact check
  // search forever; it now ends on its own (exit 0, not 3: the timeout did
  // not stop it), with a verdict (62 waves, as its size says) and the
  // recommended distances. Its processor time is measured, not the clock's,
  // so that a loaded machine does not fail the test; it takes about 0.1 s.
  rusage before{}, after{};
  getrusage(RUSAGE_CHILDREN, &before);
  const CliResult r = RunCli(
      "--mirror-diameter 635000 --mirror-roc 5080000 --mirror-side-radius -412000 "
      "--thickness 30000 --lens-diameter 160000 --exact --json --timeout 5");
  getrusage(RUSAGE_CHILDREN, &after);
  const auto seconds = [](const timeval& t) { return t.tv_sec + 1e-6 * t.tv_usec; };
  EXPECT_LT(seconds(after.ru_utime) + seconds(after.ru_stime) - seconds(before.ru_utime) -
                seconds(before.ru_stime),
            1.0);
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(
      r.Has("\"verdict\":{\"status\":\"not_a_null\",\"reasons\":[{\"code\":"
            "\"residual_over_quarter_wave\""));
  EXPECT_TRUE(r.Has("\"recommended\":{\"object_distance\":409460.9"));
  // With no time left the check stops at once, says so, and exits with 3.
  const CliResult late = RunCli("--exact --timeout 0");
  EXPECT_EQ(late.status, 3);
  EXPECT_TRUE(late.Has("  - The exact check was stopped before it finished"));
  EXPECT_NE(late.err.find("--timeout stopped the exact check"), std::string::npos);
}

TEST(Cli, JsonVerdictWritesNullForDistancesNotFound) {
  // The neighbour of the oblate case ends with the source inside the lens:
  // no exact null, so nothing to recommend, and null rather than 0.
  const CliResult r = RunCli(
      "--mirror-diameter 250 --mirror-roc 2400 --conic 0.8 --mirror-side-radius 120 "
      "--thickness 4 --lens-diameter 60 --json --exact");
  EXPECT_TRUE(r.Has("{\"code\":\"object_distance_not_positive\""));
  EXPECT_TRUE(r.Has("\"recommended\":{\"object_distance\":null,\"lens_mirror_distance\":null"));
  EXPECT_TRUE(r.Has("\"pv_waves\":null"));
}

// A set-up file stands for the options it holds; any other option given
// overrides it, before or after it on the line.
TEST(Cli, SetupFileIsTheBaseThatOptionsOverride) {
  const std::string file = ::testing::TempDir() + "vn_cli_inch.vnull";
  SetupFile setup;
  setup.inch = true;
  setup.entries = {"10", "90", "-1", "9e99", "-8", "0.5", "3", "1.7"};
  setup.glassName = "SF11";
  setup.wavelengthMicrons = 0.5461;
  ASSERT_TRUE(WriteSetupFile(file, setup).written());
  const std::string same =
      "--units inch --mirror-diameter 10 --mirror-roc 90 --conic -1 --source-radius 9e99 "
      "--mirror-side-radius -8 --thickness 0.5 --lens-diameter 3 --glass SF11 --wavelength "
      "546.1 --index 1.7";
  const CliResult fromFile = RunCli("--setup '" + file + "'");
  EXPECT_EQ(fromFile.status, 0);
  EXPECT_EQ(fromFile.out, RunCli(same).out);
  EXPECT_TRUE(fromFile.Has("-> 1.7  = SF11 @ 546.1nm\n"));
  const CliResult before = RunCli("--mirror-roc 80 --setup '" + file + "'");
  EXPECT_EQ(before.out, RunCli("--setup '" + file + "' --mirror-roc 80").out);
  EXPECT_EQ(before.out, RunCli(same + " --mirror-roc 80").out);
  // Another unit converts the file's lengths as the units switch would.
  const CliResult mm = RunCli("--setup '" + file + "' --units mm --json");
  EXPECT_TRUE(mm.Has("\"units\":\"mm\",\"inputs\":{\"mirror_diameter\":254,\"mirror_roc\":2286,"))
      << mm.out;
}

TEST(Cli, SetupFileThatCannotBeReadIsAUsageError) {
  const std::string dir = ::testing::TempDir();
  const auto write = [&](const std::string& name, const std::string& text) {
    std::ofstream(dir + name, std::ios::binary) << text;
    return "--setup '" + dir + name + "'";
  };
  const std::string newer = SetupFileText(SetupFile{});
  const struct {
    std::string args;
    std::string message;
  } cases[] = {
      {write("vn_cli_cut.vnull", newer.substr(0, 40)),
       "vn_cli_cut.vnull: The file is damaged (line 3, column 5: a string without"},
      {write("vn_cli_newer.vnull",
             newer.substr(0, newer.find("1,")) + "2," + newer.substr(newer.find("1,") + 2)),
       "vn_cli_newer.vnull: The file was saved by a newer version of Vantry Null"},
      {"--setup '" + dir + "vn_cli_missing.vnull'", "The file could not be read"},
      {"--setup", "option --setup needs a value"},
  };
  for (const auto& c : cases) {
    const CliResult r = RunCli(c.args);
    EXPECT_EQ(r.status, 2) << c.args;
    EXPECT_TRUE(r.out.empty()) << c.args;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << ": " << r.err;
  }
}

}  // namespace
}  // namespace vn
