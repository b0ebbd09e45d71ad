// The command-line program through its real executable: what scripts rely on
// (standard output, standard error, exit status). The report's own texts are
// pinned by the run's tests; here only what the command line adds.
#include <gtest/gtest.h>

#include <string>

#include "record/setup_file.h"
#include "run/null_finder.h"
#include "support/child_process.h"
#include "support/files.h"

namespace vn {
namespace {

TEST(Cli, PrintsTheReportWithUnixLineEnds) {
  const test::ChildResult r = test::RunCli("");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.find('\r'), std::string::npos);
  EXPECT_EQ(r.out.rfind("Using these Mirror Parameters\n\nDiameter =\t\t-> 317.5mm\n", 0), 0u);
  EXPECT_TRUE(r.out.ends_with("\t=\t0.035 Waves\n"));  // one final LF after the last line
  EXPECT_TRUE(r.err.empty());
  // Inch defaults are the start-up entries converted as the units switch does.
  const test::ChildResult inch = test::RunCli("--units inch");
  EXPECT_TRUE(inch.Has("Diameter =\t\t-> 12.5\"\n") &&
              inch.Has("-> 3.54330708661417E+98\" Flat\n"));
}

TEST(Cli, ExitStatusSaysHowTheRunEnded) {
  const test::ChildResult failed = test::RunCli("--mirror-roc abc");
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(failed.out,
            "Using these Mirror Parameters\n\nDiameter =\t\t-> 317.5mm\n"
            "Mirror Radius of Curvature =\t-> abc mm\n\n");  // the report as it was left
  // The entries' own check names the field first; the run's message follows unchanged.
  EXPECT_EQ(failed.err,
            "vantry-null-cli: warning: Radius of Curvature is not a number.\n"
            "Hmmm, how did that happen?\nPlease check your data entries, seems there is a problem "
            "reading one of your entries as a Numerical Value\n**OR**\nThe program converged to an "
            "infinity (IE division by zero)\n");
  const test::ChildResult aborted = test::RunCli("--timeout 0");  // a key press at the first yield
  EXPECT_EQ(aborted.status, 3);
  EXPECT_TRUE(aborted.Has("Results: \n"));
  EXPECT_TRUE(aborted.out.ends_with(std::string(kAbortLine) + "\n"));
  // With no time left the exact check stops at once as well, and says so.
  const test::ChildResult late = test::RunCli("--exact --timeout 0");
  EXPECT_EQ(late.status, 3);
  EXPECT_TRUE(late.Has("  - The exact check was stopped before it finished"));
  EXPECT_NE(late.err.find("--timeout stopped the exact check"), std::string::npos);
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
      {"--wavelength abc", "wave length data must be a numeric value!"},
      {"--explore amount=abc", "Error margin data is not a numerical value!"},
      {"--explore waves=0.3", "0.25, 0.125, 0.1 or 0.05"},
      {"--save-oslo ''", "--save-oslo needs a folder"},
      // The tester's pictures.
      {"--view ronchi", "--view needs --out FILE.png or FILE.svg"},
      {"--view moire --out x.png", "--view takes ronchi, foucault or fringes"},
      {"--tilt 3", "the picture's options need --view ronchi|foucault|fringes"},
      {"--view ronchi --out x.jpg", "--out takes a file name ending in .png or .svg"},
      {"--view ronchi --out x.png --grating 100/ft",
       "--grating takes lines per inch or per mm: 100/in or 4/mm"},
      {"--view ronchi --out x.png --size 20",
       "--size takes a whole number of pixels from 64 to 4096"},
      {"--export-residual ''", "--export-residual needs a folder"},
      {"--exact-pictures ''", "--exact-pictures needs a folder"},
  };
  for (const auto& c : cases) {
    const test::ChildResult r = test::RunCli(c.args);
    EXPECT_EQ(r.status, 2) << c.args;
    EXPECT_TRUE(r.out.empty()) << c.args;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << ": " << r.err;
  }
}

// The exact check's pictures go into the folder as one set, named on stderr,
// with the check's text on stdout; a second set takes the _2 names beside
// the first, and a folder that cannot take them ends the call with status 1
// and why.
TEST(Cli, ExactPicturesAreWrittenAsOneSet) {
  test::TempFolder folder("exact_pictures");
  const test::ChildResult first = test::RunChild(VN_CLI_PATH, {"--exact-pictures", folder.path});
  EXPECT_EQ(first.status, 0) << first.err;
  EXPECT_TRUE(first.Has("\nExact check\nVerdict: ok\n"));
  EXPECT_EQ(first.err, folder / "exact_setup.svg\n" + folder / "exact_wavefront.svg\n" +
                           folder / "exact_aberration.svg\n");
  const test::ChildResult second =
      test::RunChild(VN_CLI_PATH, {"--exact-pictures", folder.path, "--units", "inch"});
  EXPECT_EQ(second.status, 0);
  EXPECT_NE(second.err.find(folder / "exact_wavefront_2.svg\n"), std::string::npos);
  EXPECT_EQ(folder.Names(),
            (std::vector<std::string>{"exact_aberration.svg", "exact_aberration_2.svg",
                                      "exact_setup.svg", "exact_setup_2.svg", "exact_wavefront.svg",
                                      "exact_wavefront_2.svg"}));
  EXPECT_NE(test::FileText(folder / "exact_setup_2.svg").find("y (in)"), std::string::npos);
  const test::ChildResult missing =
      test::RunChild(VN_CLI_PATH, {"--exact-pictures", folder / "missing"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("vantry-null-cli: --exact-pictures: cannot write " +
                             folder / "missing/exact_setup.svg: No such file or directory"),
            std::string::npos)
      << missing.err;
}

TEST(Cli, GlassWavelengthAndExplorationActAsTheDialogs) {
  // SF11 at 546.1 nm: the dialog's rounded index, and the echo names both.
  EXPECT_TRUE(test::RunCli("--glass SF11 --wavelength 546.1")
                  .Has("Refractive Index =\t\t-> 1.7919  = SF11 @ 546.1nm\n"));
  // A typed index wins, but the glass stays the run's, as in the window.
  EXPECT_TRUE(test::RunCli("--glass F2 --index 1.6").Has("-> 1.6  = F2 @ 632.8nm\n"));
  // --explore adds the two passes (their spacings and figures: the run's
  // SpacingError tests); 0 takes the check back.
  EXPECT_TRUE(
      test::RunCli("--explore waves=0.125").Has("Results for lens mirror spacing error of +"));
  EXPECT_FALSE(test::RunCli("--explore amount=0").Has("spacing error"));
}

TEST(Cli, ExactCheckFollowsAnUnchangedReportWithTheVerdictFirst) {
  const test::ChildResult exact = test::RunCli("--exact");
  const test::ChildResult plain = test::RunCli("");
  EXPECT_EQ(exact.out.substr(0, plain.out.size() - 1) + "\n", plain.out);
  EXPECT_EQ(exact.out.substr(plain.out.size() - 1, 26), "\n\nExact check\nVerdict: ok\n");
  EXPECT_TRUE(exact.Has("Distances to set up (the exact null):\n  Object to Lens = 204.73 mm"));
}

TEST(Cli, AVerdictOtherThanOkWarnsOnceAndStrictMakesItExit4) {
  // The sphere (caution; the verdicts themselves are the exact check's
  // tests) against the start-up set-up (ok): one warning line on stderr
  // without --exact, the exit status unchanged unless --strict.
  const test::ChildResult r = test::RunCli("--conic 0");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err,
            "vantry-null-cli: warning: the exact check's verdict is caution: A spherical mirror "
            "needs no null lens: test it with the source at its centre of curvature and no lens. "
            "(1 more; see --exact)\n")
      << r.err;
  EXPECT_EQ(test::RunCli("--conic 0 --strict").status, 4);
  EXPECT_TRUE(test::RunCli("--conic 0 --exact").err.empty());
  const test::ChildResult good = test::RunCli("--strict");
  EXPECT_EQ(good.status, 0);
  EXPECT_TRUE(good.err.empty()) << good.err;
}

// A set-up file stands for the options it holds; any other option given
// overrides it, before or after it on the line.
TEST(Cli, SetupFileIsTheBaseThatOptionsOverride) {
  const std::string file = test::TempFile("vn_cli_inch.vnull", "");
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
  const test::ChildResult fromFile = test::RunCli("--setup '" + file + "'");
  EXPECT_EQ(fromFile.status, 0);
  EXPECT_EQ(fromFile.out, test::RunCli(same).out);
  EXPECT_TRUE(fromFile.Has("-> 1.7  = SF11 @ 546.1nm\n"));
  const test::ChildResult before = test::RunCli("--mirror-roc 80 --setup '" + file + "'");
  EXPECT_EQ(before.out, test::RunCli("--setup '" + file + "' --mirror-roc 80").out);
  EXPECT_EQ(before.out, test::RunCli(same + " --mirror-roc 80").out);
  // Another unit converts the file's lengths as the units switch would.
  const test::ChildResult mm = test::RunCli("--setup '" + file + "' --units mm --json");
  EXPECT_TRUE(mm.Has("\"units\":\"mm\",\"inputs\":{\"mirror_diameter\":254,\"mirror_roc\":2286,"))
      << mm.out;
}

// A saved set-up is the run's entries as typed: opened again it gives the
// same report, and a second save keeps the first file.
TEST(Cli, SavedSetupReproducesTheRun) {
  const test::TempFolder folder("cli_save_setup");
  const std::string file = folder / "mine.vnull";
  const std::string entries =
      "--units inch --mirror-diameter 10.0 --mirror-roc 90 --glass SF11 --wavelength 546.1 "
      "--mirror-side-radius -8 --thickness 0.5 --lens-diameter 3";
  const test::ChildResult saved = test::RunCli(entries + " --save-setup '" + file + "'");
  EXPECT_EQ(saved.status, 0);
  EXPECT_EQ(saved.err, file + "\n");
  EXPECT_EQ(saved.out, test::RunCli("--setup '" + file + "'").out);
  const std::string first = test::FileText(file);
  const test::ChildResult again = test::RunCli("--save-setup '" + file + "'");
  EXPECT_EQ(again.status, 0);
  EXPECT_TRUE(again.err.ends_with(folder / "mine_2.vnull\n")) << again.err;
  EXPECT_EQ(test::FileText(file), first);
  EXPECT_EQ(test::RunCli("--setup '" + folder / "mine_2.vnull" + "'").out, test::RunCli("").out);
}

}  // namespace
}  // namespace vn
