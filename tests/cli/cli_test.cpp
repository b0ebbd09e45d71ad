// The command-line program through its real executable: what scripts rely on
// (standard output, standard error, exit status).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

#include "run/null_finder.h"

namespace vn {
namespace {

struct CliResult {
  int status = -1;
  std::string out, err;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs the program with the given arguments (already quoted for the shell).
CliResult RunCli(const std::string& args) {
  const std::string base = ::testing::TempDir() + "vn_cli_" +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name();
  const std::string cmd = std::string("'") + VN_CLI_PATH + "' " + args + " >'" + base +
                          ".out' 2>'" + base + ".err' </dev/null";
  CliResult r;
  const int raw = std::system(cmd.c_str());
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = ReadAll(base + ".out");
  r.err = ReadAll(base + ".err");
  return r;
}

TEST(Cli, StartUpRunPrintsTheReportWithUnixLineEnds) {
  const CliResult r = RunCli("");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.find('\r'), std::string::npos);
  EXPECT_EQ(r.out.rfind("Using these Mirror Parameters\n\nDiameter =\t\t-> 317.5mm\n", 0), 0u);
  EXPECT_NE(r.out.find("Lens to Mirror Distance         \t\t=\t2076.366 mm\n"), std::string::npos);
  // The last report line has no line end of its own: exactly one final LF.
  EXPECT_EQ(r.out.substr(r.out.size() - 15), "\t=\t0.035 Waves\n");
  EXPECT_TRUE(r.err.empty());
}

TEST(Cli, InchDefaultsAreTheConvertedStartUpEntries) {
  const CliResult r = RunCli("--units inch");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Diameter =\t\t-> 12.5\"\n"), std::string::npos);
  EXPECT_NE(r.out.find("Mirror Radius of Curvature =\t-> 100\"\n"), std::string::npos);
  EXPECT_NE(r.out.find("-> 3.54330708661417E+98\" Flat\n"), std::string::npos);
  EXPECT_NE(r.out.find("Object to Lens Distance         \t\t=\t8.0637\"\n"), std::string::npos);
}

TEST(Cli, EntriesAreTakenAsTyped) {
  const CliResult r = RunCli("--conic -1.0 --mirror-roc ' -2540 ' --index 1.51509");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("-> -1 (Parabola)\n"), std::string::npos);
  EXPECT_NE(r.out.find("Mirror Radius of Curvature =\t->  -2540  mm\n"), std::string::npos);
}

TEST(Cli, FailedRunLeavesItsReportAndExitsWith1) {
  const CliResult r = RunCli("--mirror-roc abc");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out,
            "Using these Mirror Parameters\n\nDiameter =\t\t-> 317.5mm\n"
            "Mirror Radius of Curvature =\t-> abc mm\n\n");
  EXPECT_EQ(r.err,
            "Hmmm, how did that happen?\nPlease check your data entries, seems there is a problem "
            "reading one of your entries as a Numerical Value\n**OR**\nThe program converged to an "
            "infinity (IE division by zero)\n");
}

TEST(Cli, TimeoutAbortsLikeAKeyPressAndExitsWith3) {
  const CliResult r = RunCli("--timeout 0");
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.out.find("Results: \n"), std::string::npos);
  EXPECT_EQ(r.out.substr(r.out.size() - std::string(kAbortLine).size() - 1),
            std::string(kAbortLine) + "\n");
}

TEST(Cli, UsageErrorsPrintNothingOnStdoutAndExitWith2) {
  for (const char* args : {"--bogus", "--units metres", "--mirror-roc", "--timeout -1",
                           "--timeout soon", "--json=yes", "extra"}) {
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_TRUE(r.out.empty()) << args;
    EXPECT_FALSE(r.err.empty()) << args;
  }
}

TEST(Cli, JsonCarriesTheResultsInTheRunsUnit) {
  const CliResult mm = RunCli("--json");
  EXPECT_EQ(mm.status, 0);
  EXPECT_EQ(mm.out.rfind("{\"units\":\"mm\",", 0), 0u);
  EXPECT_NE(mm.out.find("\"object_distance\":204.81"), std::string::npos);
  EXPECT_NE(mm.out.find("\"lens_mirror_distance\":2076.36"), std::string::npos);
  EXPECT_NE(mm.out.find("\"converged\":true"), std::string::npos);
  EXPECT_NE(mm.out.find("\"mirror_diameter\":317.5"), std::string::npos);

  const CliResult failed = RunCli("--json --lens-diameter 0");
  EXPECT_EQ(failed.status, 1);
  EXPECT_NE(failed.out.find("\"error\":\"Hmmm, how did that happen?\""), std::string::npos);
}

TEST(Cli, GlassAndWavelengthActAsTheRefractiveIndexDialog) {
  // SF11 at 546.1 nm: the dialog's rounded index goes into the index entry,
  // and the echo names the glass and the wavelength.
  const CliResult r = RunCli("--glass SF11 --wavelength 546.1");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Refractive Index =\t\t-> 1.7919  = SF11 @ 546.1nm\n"), std::string::npos);
  // A typed index wins, but the glass stays the run's, as in the window.
  const CliResult typed = RunCli("--glass F2 --index 1.6");
  EXPECT_NE(typed.out.find("-> 1.6  = F2 @ 632.8nm\n"), std::string::npos);
  // The default glass is BK7; the wavelength alone recomputes its index.
  const CliResult bk7 = RunCli("--wavelength 632.8");
  EXPECT_NE(bk7.out.find("-> 1.51509  = BK7 @ 632.8nm\n"), std::string::npos);
}

TEST(Cli, RefusedChoicesAreUsageErrors) {
  // What the dialogs would refuse: exit 2, their own message, nothing on stdout.
  const struct {
    const char* args;
    const char* message;
  } cases[] = {
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

TEST(Cli, ListGlassesGivesBothCatalogsInListOrder) {
  const CliResult r = RunCli("--list-glasses");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Schott\t49\tBK7\t1.5168\t64.142\n"), std::string::npos);
  EXPECT_EQ(r.out.rfind("Schott\t0\tBaF12*\t", 0), 0u);
  EXPECT_NE(r.out.find("Ohara\t275\tTPH55\t"), std::string::npos);
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 241 + 276);
}

TEST(Cli, ExploreChoosesAsTheDialogWould) {
  const CliResult amount = RunCli("--explore amount=0.5");
  EXPECT_EQ(amount.status, 0);
  EXPECT_NE(amount.out.find("\n\nResults for lens mirror spacing error of +0.5 mm\n"), std::string::npos);
  EXPECT_NE(amount.out.find("\n\nResults for lens mirror spacing error of -0.5 mm\n"), std::string::npos);
  const CliResult waves = RunCli("--explore waves=0.25");
  EXPECT_NE(waves.out.find("*** Finding 1/4 wave OPD values for positive error in mirror - lens spacing \n\n"),
            std::string::npos);
  // An amount of 0 takes the check back: no exploration.
  const CliResult zero = RunCli("--explore amount=0");
  EXPECT_EQ(zero.out.find("spacing error"), std::string::npos);
}

TEST(Cli, SaveOsloWritesIntoTheFolderAndNamesTheFiles) {
  const std::string dir = ::testing::TempDir() + "vn_cli_lens_files";
  std::system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "'").c_str());
  const CliResult r = RunCli("--save-oslo '" + dir + "' --explore amount=0.5");
  EXPECT_EQ(r.status, 0);
  // Three paths on stderr, one per line, each a written 44-line file.
  std::istringstream paths(r.err);
  std::string path;
  int files = 0;
  while (std::getline(paths, path)) {
    ++files;
    EXPECT_EQ(path.rfind(dir + "/318 mm_F-4_created_", 0), 0u) << path;
    const std::string text = ReadAll(path);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 44);
  }
  EXPECT_EQ(files, 3);
  const CliResult missing = RunCli("--save-oslo /nonexistent/folder");
  EXPECT_EQ(missing.status, 1);
}

TEST(Cli, ExactCheckFollowsTheReport) {
  const CliResult r = RunCli("--exact");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("0.035 Waves\n\nExact check\n"), std::string::npos);
  const CliResult json = RunCli("--exact --json");
  EXPECT_NE(json.out.find("\"exact\":{"), std::string::npos);
  EXPECT_NE(json.out.find("\"exact_null\":"), std::string::npos);
  // The report itself is the same with and without the check.
  const CliResult plain = RunCli("");
  EXPECT_EQ(r.out.substr(0, plain.out.size() - 1), plain.out.substr(0, plain.out.size() - 1));
}

}  // namespace
}  // namespace vn
