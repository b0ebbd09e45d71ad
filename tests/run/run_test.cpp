// The null-finding run hosted by a recording host: the echo, the search, the
// results block, the common error report and the abort. Expected texts are the
// report's worked examples, compared to the character; the start-up results
// are the figures the run has always given for the default set-up.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>

#include "common/number_text.h"
#include "common/shared_values.h"
#include "exact/exact_check.h"
#include "record/solved_set_up.h"
#include "run/null_finder.h"
#include "support/recording_host.h"

namespace vn {
namespace {

using test::Lines;
using test::RecordingHost;

struct Fixture {
  SharedValues shared;
  NullFinder finder{shared, nullptr};
  RecordingHost host;
  Fixture() { host.finder = &finder; }
  void Run() { host.RunWith(finder); }
};

const std::vector<std::string> kStartupEchoMm = {
    "Using these Mirror Parameters",
    "",
    "Diameter =\t\t-> 317.5mm",
    "Mirror Radius of Curvature =\t-> 2540 mm",
    "Mirror Conic Constant = \t-> -1 (Parabola)",
    "",
    "Lens Parameters",
    "",
    "Sign Convention: With mirror on right, ) = -ve, ( = +ve",
    "Image Side Radius = \t-> 9e99 mm Flat",
    "Mirror Side Radius =\t\t-> -206 mm Convex",
    "Thickness =\t\t-> 15 mm",
    "Diameter =\t\t-> 80 mm",
    "Refractive Index =\t\t-> 1.51509  = BK7 @ 632.8nm",
    "Lens Focal Length = \t-> 399.93 mm",
};

TEST(Run, StartUpMillimetreReport) {
  Fixture f;
  f.Run();
  const auto lines = Lines(f.host.report);
  ASSERT_EQ(lines.size(), kStartupEchoMm.size() + 8);
  for (std::size_t i = 0; i < kStartupEchoMm.size(); ++i) EXPECT_EQ(lines[i], kStartupEchoMm[i]);
  // The search settles at the figures the default set-up has always given.
  const std::vector<std::string> results = {
      "Results: ",
      "Object to Lens Distance         \t\t=\t204.817 mm",
      "Lens to Mirror Distance         \t\t=\t2076.366 mm",
      "Working Diameter of Lens        \t=\t58.431 mm",
      "70% Zone Spherical Aberration   \t=\t-0.015 mm",
      "Marginal Spherical Aberration   \t=\t-0.002 mm",
      "Quarter-wave Tolerence          \t=\t0.107 mm",
      "Maximum Optical Path Difference \t=\t0.035 Waves",  // no line end after it
  };
  for (std::size_t i = 0; i < results.size(); ++i) EXPECT_EQ(lines[15 + i], results[i]);
  EXPECT_EQ(f.finder.lastRun().outcome, RunOutcome::Completed);
  EXPECT_TRUE(f.host.messages.empty());
  EXPECT_FALSE(f.finder.RunBusy());
  // About ten iterations, so no progress display was ever shown.
  EXPECT_LE(f.finder.lastRun().searchIterations, 10);
  // The record holds what the report shows, in engine inches, and the
  // entries as typed.
  const RunRecord& run = f.finder.lastRun();
  EXPECT_DOUBLE_EQ(run.system.MirrorRadius, -100);
  EXPECT_EQ(RoundedText(run.solution.ObjectDistance * 25.4, 3), "204.817");
  EXPECT_EQ(RoundedText(run.solution.LensMirrorDistance * 25.4, 3), "2076.366");
  EXPECT_EQ(RoundedText(2 * run.solution.WorkingSemiDiameter * 25.4, 3), "58.431");
  EXPECT_EQ(RoundedText(run.solution.MaxOPDWaves, 3), "0.035");
  EXPECT_EQ(run.setup.ShownText(Entry::SourceSideRadius), "9e99");
  EXPECT_TRUE(run.solved && run.converged && !run.exploration && !run.failedEntry);
}

TEST(Run, StartUpInchReport) {
  Fixture f;
  f.host.inch = true;
  f.Run();
  const auto lines = Lines(f.host.report);
  EXPECT_EQ(lines[2], "Diameter =\t\t-> 317.5\"");
  EXPECT_EQ(lines[9], "Image Side Radius = \t-> 9E+99\" Flat");
  EXPECT_EQ(lines[10], "Mirror Side Radius =\t\t-> -206\" Convex");
  EXPECT_EQ(lines[14], "Lens Focal Length = \t-> 399.930109\"");

  // The start-up set-up typed in inches: the same null, reported to 4 decimals.
  Fixture g;
  g.host.inch = true;
  test::UseStartUpEntriesInInches(g.host.entries);
  g.Run();
  const auto inch = Lines(g.host.report);
  EXPECT_EQ(inch[10], "Mirror Side Radius =\t\t-> -8.110236\" Convex");
  EXPECT_EQ(inch[14], "Lens Focal Length = \t-> 15.74528\"");
  EXPECT_EQ(inch[17], "Lens to Mirror Distance         \t\t=\t81.7467\"");
}

TEST(Run, EchoNamesTheConicAndTheShapeOfEachFace) {
  // Conic lines, and shape words at the flat limits of each unit (254000 mm
  // for the source side, 10000 for the mirror side in both units).
  const struct {
    bool inch;
    Entry entry;
    const char* typed;
    int line;
    const char* ending;
  } cases[] = {
      {false, Entry::ConicConstant, "0", 4, "\t-> 0 (Sphere)"},
      {false, Entry::ConicConstant, "-0.5", 4, "\t-> -0.5 (Ellipse)"},
      {false, Entry::ConicConstant, "-1.0", 4, "\t-> -1 (Parabola)"},
      {false, Entry::ConicConstant, "-2", 4, "\t-> -2 (Hyperbola)"},
      {false, Entry::ConicConstant, "3", 4, "\t-> 3 (Oblate Spheroid)"},
      {false, Entry::SourceSideRadius, "300000", 9, " Flat"},
      {false, Entry::SourceSideRadius, "254000", 9, " Convex"},
      {false, Entry::SourceSideRadius, "-254000", 9, " Concave"},
      {false, Entry::SourceSideRadius, "-300000", 9, " Flat"},
      {true, Entry::SourceSideRadius, "10001", 9, " Flat"},
      {true, Entry::SourceSideRadius, "10000", 9, " Convex"},
      {false, Entry::SourceSideRadius, "0", 9, " Concave"},
      {false, Entry::MirrorSideRadius, "20000", 10, " Flat"},
      {false, Entry::MirrorSideRadius, "10000", 10, " Concave"},
      {false, Entry::MirrorSideRadius, "-20000", 10, " Flat"},
      {false, Entry::MirrorSideRadius, "-206", 10, " Convex"},
      {true, Entry::MirrorSideRadius, "-20000", 10, " Flat"},
      {false, Entry::MirrorSideRadius, "0", 10, " Convex"},
  };
  for (const auto& c : cases) {
    Fixture f;
    f.host.inch = c.inch;
    f.host.entries[c.entry] = c.typed;
    f.host.abortAfterYields = 1;  // only the echo matters here
    f.Run();
    const std::string line = Lines(f.host.report)[c.line];
    const std::string ending = c.ending;
    EXPECT_EQ(line.substr(line.size() - std::min(line.size(), ending.size())), ending) << line;
  }
}

TEST(Run, EchoShowsEntriesAsTyped) {
  // An empty glass name leaves nothing between " = " and " @ "; a negative
  // radius of curvature is echoed as typed but is the same concave mirror.
  Fixture f;
  f.shared.GlassName = "";
  f.host.entries[Entry::MirrorRadiusOfCurvature] = "-2540";
  f.Run();
  const auto lines = Lines(f.host.report);
  EXPECT_EQ(lines[13], "Refractive Index =\t\t-> 1.51509  =  @ 632.8nm");
  EXPECT_EQ(lines[3], "Mirror Radius of Curvature =\t-> -2540 mm");
  EXPECT_EQ(lines[16], "Object to Lens Distance         \t\t=\t204.817 mm");
}

TEST(Run, FailingEntryLeavesThePartialReport) {
  const std::string failureText =
      "Please check your data entries, seems there is a problem reading one of your entries as a "
      "Numerical Value\r\n**OR**\r\nThe program converged to an infinity (IE division by zero)";
  const auto echoUpTo = [](std::size_t n) {
    std::string text;
    for (std::size_t i = 0; i < n; ++i) text += kStartupEchoMm[i] + "\r\n";
    return text;
  };
  const struct {
    bool inch;
    Entry entry;
    const char* text;
    std::string report;
  } cases[] = {
      {false, Entry::MirrorDiameter, "abc",
       "Using these Mirror Parameters\r\n\r\nDiameter =\t\t-> abcmm\r\n"},
      {false, Entry::MirrorRadiusOfCurvature, "",
       echoUpTo(3) + "Mirror Radius of Curvature =\t-> " + " mm\r\n"},
      {false, Entry::ConicConstant, "1,5", echoUpTo(4)},  // read before its line is written
      {false, Entry::SourceSideRadius, "flat",
       echoUpTo(9) + "Image Side Radius = \t-> flat mm"},  // the first piece of its line
      // Inch: the lens lengths are read before their line, so rows 1 to 4 only.
      {true, Entry::SourceSideRadius, "flat",
       "Using these Mirror Parameters\r\n\r\nDiameter =\t\t-> 317.5\"\r\nMirror Radius of "
       "Curvature =\t-> 2540\"\r\n" +
           echoUpTo(6).substr(echoUpTo(4).size())},
      // Thickness and diameter lines are written whole, line end included,
      // before their entries are read.
      {false, Entry::CentreThickness, "1e999", echoUpTo(11) + "Thickness =\t\t-> 1e999 mm\r\n"},
      {false, Entry::LensDiameter, "8O", echoUpTo(12) + "Diameter =\t\t-> 8O mm\r\n"},
      {false, Entry::LensIndex, "n/a",
       echoUpTo(13) + "Refractive Index =\t\t-> n/a  = BK7 @ 632.8nm\r\n"},
      {false, Entry::LensIndex, "1",
       echoUpTo(13) + kStartupEchoMm[13].substr(0, 23) + "1  = BK7 @ 632.8nm\r\n"},
  };
  for (const auto& c : cases) {
    Fixture f;
    f.host.inch = c.inch;
    f.host.entries[c.entry] = c.text;
    f.Run();
    EXPECT_EQ(f.finder.lastRun().outcome, RunOutcome::Failed) << c.text;
    ASSERT_EQ(f.host.messages.size(), 1u);
    EXPECT_EQ(f.host.messages[0].title, "Hmmm, how did that happen?");
    EXPECT_EQ(f.host.messages[0].text, failureText);
    EXPECT_EQ(f.host.report, c.report) << c.text;
    // The run names the entry it could not read, and none when the entries
    // were numbers that the arithmetic could not use.
    const std::optional<Entry> unread =
        ReadNumber(c.text) ? std::nullopt : std::optional<Entry>(c.entry);
    EXPECT_EQ(f.finder.lastRun().failedEntry, unread) << c.text;
  }
}

TEST(Run, ZeroMirrorRadiusOrDiameterFailsRightAfterTheEcho) {
  for (Entry e : {Entry::MirrorRadiusOfCurvature, Entry::MirrorDiameter}) {
    Fixture f;
    f.host.entries[e] = "0";
    f.Run();
    EXPECT_EQ(f.finder.lastRun().outcome, RunOutcome::Failed);
    const auto lines = Lines(f.host.report);
    ASSERT_EQ(lines.size(), 16u);  // the whole echo, then nothing
    EXPECT_EQ(lines[14], "Lens Focal Length = \t-> 399.93 mm");
    EXPECT_EQ(f.host.yields, 0);  // no search: not one step
  }
}

TEST(Run, AbortStillGivesACompleteResultsBlockAndSaysSo) {
  Fixture f;
  f.host.abortAfterYields = 20;  // a key press early in the search
  f.Run();
  EXPECT_EQ(f.finder.lastRun().outcome, RunOutcome::Aborted);
  const auto lines = Lines(f.host.report);
  ASSERT_EQ(lines.size(), 15u + 8u + 1u);
  EXPECT_EQ(lines[15], "Results: ");
  EXPECT_EQ(lines[22].rfind("Maximum Optical Path Difference \t=\t", 0), 0u);
  EXPECT_EQ(lines[23], kAbortLine);
  EXPECT_TRUE(f.host.messages.empty());  // an abort is not a failure

  // The next run clears the request and finds the null again.
  f.host.abortAfterYields = -1;
  f.Run();
  EXPECT_EQ(f.finder.lastRun().outcome, RunOutcome::Completed);
  EXPECT_EQ(f.host.report.find(kAbortLine), std::string::npos);
}

TEST(Run, ProgressLinesFromThe11thIterationAndNeverAccumulating) {
  // A lens diameter ten times larger divides the search gain by ten, so the
  // search needs many more than ten iterations.
  Fixture f;
  f.host.entries[Entry::LensDiameter] = "800";
  f.Run();
  ASSERT_EQ(f.finder.lastRun().outcome, RunOutcome::Completed);
  ASSERT_GT(f.finder.lastRun().searchIterations, 22);
  int progressShown = 0;
  std::string echo;
  for (const auto& text : f.host.reportHistory) {
    const auto at = text.find("Object-Lens =");
    if (at == std::string::npos) continue;
    ++progressShown;
    if (echo.empty()) echo = text.substr(0, at);
    EXPECT_EQ(text.substr(0, at), echo);           // the echo, then only the latest three lines
    const auto progress = Lines(text.substr(at));  // three lines, each ended by " " CR LF
    ASSERT_EQ(progress.size(), 4u);
    EXPECT_EQ(progress[1].rfind("Lens-Mirror = ", 0) + progress[2].rfind("Marginal SA = ", 0), 0u);
    EXPECT_EQ(progress[0].back(), ' ');
  }
  EXPECT_EQ(progressShown, f.finder.lastRun().searchIterations / 11);
  EXPECT_NE(echo.find("-> 800 mm"), std::string::npos);
  EXPECT_EQ(f.host.report.find("Object-Lens ="), std::string::npos);  // replaced by the results
}

TEST(Run, SecondRunDuringARunIsTurnedAway) {
  Fixture f;
  int nestedClicks = 0, turnedAway = 0;
  f.host.onYield = [&] {
    if (f.finder.RunBusy() && nestedClicks < 3) {
      ++nestedClicks;
      if (!f.finder.Run(f.host.Entries(), f.host)) ++turnedAway;
    }
  };
  f.Run();
  EXPECT_EQ(turnedAway, 3);
  // One run: the report was cleared exactly once.
  EXPECT_EQ(std::count(f.host.reportHistory.begin(), f.host.reportHistory.end(), ""), 1);
}

TEST(Run, OpticsThatDefeatTheRunStillEndWithTheRunsFiguresAndAVerdict) {
  {
    // Faces of equal radius give no thin-lens power, so the search has no
    // start; the lens is readable, so no error message. As a thick lens it
    // keeps a weak positive power, (n − 1)²·t / (n·r²), which the exact
    // check works from.
    Fixture f;
    f.host.entries[Entry::SourceSideRadius] = "100";
    f.host.entries[Entry::MirrorSideRadius] = "100";
    f.Run();
    const RunRecord& run = f.finder.lastRun();
    EXPECT_TRUE(f.host.messages.empty());
    EXPECT_EQ(run.outcome, RunOutcome::Completed);
    EXPECT_NE(f.host.report.find("Lens Focal Length = \t-> none"), std::string::npos);
    EXPECT_TRUE(f.host.report.ends_with(kNoPowerLine));
    const ExactCheckResult check = RunExactCheck(SolvedSetUpOf(run));
    ASSERT_FALSE(check.verdict.reasons.empty());
    EXPECT_EQ(check.verdict.reasons.front().code, "search_failed");
    EXPECT_NE(check.verdict.reasons.front().text.find("no power"), std::string::npos);
    if (check.exactNull.converged) {
      // The exact null images the source back onto itself through a lens
      // far weaker than the start-up one (400 mm): the source stands well
      // beyond the start-up's 205 mm.
      EXPECT_GT(check.exactNull.objectDistance, inchFromMm(300.0));
    } else {
      EXPECT_EQ(check.verdict.status, VerdictStatus::NotANull);
    }
  }
  {
    // A flat plate has no power even when thick: it cannot send the light
    // back to the source, so there is no null at all.
    Fixture f;
    f.host.entries[Entry::MirrorSideRadius] = "9e99";
    f.Run();
    EXPECT_TRUE(f.host.messages.empty());
    EXPECT_TRUE(f.host.report.ends_with(kNoPowerLine));
    const ExactCheckResult check = RunExactCheck(SolvedSetUpOf(f.finder.lastRun()));
    EXPECT_FALSE(check.exactNull.converged);
    EXPECT_EQ(check.verdict.status, VerdictStatus::NotANull);
  }
  {
    // A spacing error of 5 m: the lengthened test is traced, the shortened
    // one would put the lens behind the mirror. The run's converged null and
    // the lengthened pass stand; the report says where the other stopped.
    Fixture f;
    f.shared.ErrorLimit = 5000;
    f.shared.ErrorLimitInWaves = false;
    f.host.qtrWave = true;
    f.Run();
    const RunRecord& run = f.finder.lastRun();
    EXPECT_TRUE(f.host.messages.empty());
    EXPECT_EQ(run.outcome, RunOutcome::Completed);
    EXPECT_TRUE(run.converged);
    ASSERT_TRUE(run.exploration.has_value());
    ASSERT_EQ(run.exploration->passes.size(), 1u);
    EXPECT_NEAR(run.exploration->passes[0].spacingError, inchFromMm(5000.0), 1e-9);
    EXPECT_NE(run.explorationFailure.find("5000 mm shorter than the null's"), std::string::npos);
    EXPECT_NE(f.host.report.find(std::string(kExplorationStoppedHead) + "at a lens-to-mirror"),
              std::string::npos);
    const ExactCheckResult check = RunExactCheck(SolvedSetUpOf(run));
    EXPECT_EQ(check.verdict.status, VerdictStatus::Ok);
  }
}

TEST(Run, AnyTextInAnyFieldEndsInAReportOrTheErrorMessage) {
  // Odd texts and numbers in every field: every run must end, with its
  // results, the error message or the abort line, and the finder idle again.
  const std::vector<std::string> odd = {
      "",      " ",    "abc",   "1e999", "-0",    "0",      "1e-300",  "1e300", "-1e300",
      "+5",    "5.",   ".5",    "9e99",  "-9e99", "1,5",    "nan",     "inf",   "-",
      "  12 ", "1e-5", "-1e-5", "3",     "-3",    "0.0001", "1e15",    "-1e15", "2",
      "100",   "-100", "1.5",   "-206",  "206",   "1e308",  "4.9e-324"};
  const Entry fields[] = {Entry::MirrorDiameter,   Entry::MirrorRadiusOfCurvature,
                          Entry::ConicConstant,    Entry::SourceSideRadius,
                          Entry::MirrorSideRadius, Entry::CentreThickness,
                          Entry::LensDiameter,     Entry::LensIndex};
  std::mt19937 rng(6122026);
  for (int run = 0; run < 600; ++run) {
    Fixture f;
    f.host.inch = rng() % 2;
    f.host.abortAfterYields = 20000;  // the key press of a patient user
    const int changed = 1 + rng() % 3;
    for (int k = 0; k < changed; ++k) {
      f.host.entries[fields[rng() % 8]] = odd[rng() % odd.size()];
    }
    ASSERT_NO_THROW(f.Run());
    const RunOutcome outcome = f.finder.lastRun().outcome;
    ASSERT_NE(outcome, RunOutcome::None);
    if (outcome == RunOutcome::Failed) {
      EXPECT_EQ(f.host.messages.size(), 1u);
    } else if (!f.finder.lastRun().searchFailure.empty()) {
      // A search whose rays left the finite numbers ends without results,
      // and says so (or that a key stopped it).
      EXPECT_TRUE(f.host.report.ends_with(kSearchFailedLine) ||
                  f.host.report.ends_with(kNoPowerLine) || f.host.report.ends_with(kAbortLine));
    } else {
      EXPECT_NE(f.host.report.find("Maximum Optical Path Difference"), std::string::npos);
      EXPECT_EQ(outcome == RunOutcome::Aborted,
                f.host.report.find(kAbortLine) != std::string::npos);
    }
    EXPECT_FALSE(f.finder.RunBusy());
  }
}

}  // namespace
}  // namespace vn
