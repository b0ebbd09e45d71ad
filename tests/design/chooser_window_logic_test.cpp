// The "Choose lens" window's logic without the window: a chosen lens typed
// into the main window gives, through the find button, the very figures its
// row showed; the entries' errors; the job that keeps the window free.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "design/chooser_entries.h"
#include "design/chooser_job.h"
#include "design/chooser_rows.h"
#include "exact/exact_check.h"
#include "record/solved_set_up.h"
#include "run/null_finder.h"
#include "support/recording_host.h"
#include "support/start_up_set_up.h"

namespace vn {
namespace {

TEST(ChosenLens, GivesTheRowsFiguresThroughTheFindButton) {
  for (const bool inch : {false, true}) {
    ChooserEntries entries;
    entries.inch = inch;
    if (inch) {
      entries.mirrorDiameter = "12.5";
      entries.mirrorRoc = "100";
      entries.thickness = "0.590551181102362";
      entries.lensDiameter = "3.1496062992126";
    }
    const ChooserReading reading = ReadChooserEntries(entries);
    ASSERT_TRUE(reading.inputs) << reading.why;
    DesignRequest request = reading.inputs->design;
    request.bestForm = false;
    const DesignResult result = DesignLens(request);
    const std::vector<ChooserRow> rows = DesignRows(result, "BK7", inch);
    ASSERT_EQ(rows.size(), 1u);

    // Typed into the main window's fields, as the window does.
    const LensEntryTexts texts = EntryTextsFor(rows[0], inch);
    test::RecordingHost host;
    host.inch = inch;
    if (inch) test::UseStartUpEntriesInInches(host.entries);
    host.entries[Entry::SourceSideRadius] = texts.sourceRadius;
    host.entries[Entry::MirrorSideRadius] = texts.mirrorRadius;
    host.entries[Entry::CentreThickness] = texts.thickness;
    host.entries[Entry::LensDiameter] = texts.diameter;
    host.entries[Entry::LensIndex] = texts.index;
    SharedValues shared;
    NullFinder finder(shared, nullptr);
    host.RunWith(finder);
    const ExactCheckResult check = RunExactCheck(SolvedSetUpOf(finder.lastRun()));
    const CandidateFigures& shown = result.candidates[0].figures;
    EXPECT_EQ(check.exactNull.objectDistance, shown.objectDistance) << inch;
    EXPECT_EQ(check.exactNull.lensMirrorDistance, shown.lensMirrorDistance) << inch;
    EXPECT_EQ(check.exactNull.pvWaves, shown.pvWaves) << inch;
  }
}

TEST(ChooserEntries, NameTheEntryThatIsNotUsable) {
  using E = ChooserEntries;
  const struct {
    std::string E::*entry;
    std::string typed;
    const char* problem;
  } cases[] = {
      {&E::mirrorDiameter, "abc", "the mirror diameter \"abc\" is not a number"},
      // A decimal comma is refused by name, never read as a separator.
      {&E::lensDiameter, "7,5",
       "the lens diameter \"7,5\" has a comma: decimals take a point here (0.5, not 0,5), and "
       "thousands no separator"},
      {&E::mirrorRoc, "0", "the mirror radius of curvature must not be 0"},
      {&E::index, "0.9", "the refractive index must be more than 1"},
      {&E::thickness, "20:10",
       "the lens thickness range \"20:10\" must run from the smaller to the larger"},
      {&E::lensDiameter, "60:x", "the lens diameter \"x\" is not a number"},
      {&E::minSourceToLens, "-5", "the shortest source-to-lens distance must be more than 0"},
      {&E::clearAperturePercent, "120",
       "the clear aperture must be more than 0% and at most 100% of the diameter"},
  };
  for (const auto& c : cases) {
    E e;
    e.*c.entry = c.typed;
    const ChooserReading reading = ReadChooserEntries(e);
    EXPECT_FALSE(reading.inputs);
    EXPECT_EQ(reading.why, c.problem);
  }
  // Ranges, and an empty room limit for none.
  ChooserEntries e;
  e.thickness = "10:20";
  e.maxSourceToMirror.push_back(' ');  // blanks only
  const ChooserReading reading = ReadChooserEntries(e);
  ASSERT_TRUE(reading.inputs);
  EXPECT_DOUBLE_EQ(reading.inputs->design.thicknessMax, 20 * test::kMm);
  EXPECT_EQ(reading.inputs->setting.conditions.maxSourceToMirror, 0.0);
}

DesignRequest StartUpDesign() {
  ChooserReading reading = ReadChooserEntries({});
  DesignRequest request = reading.inputs->design;
  request.bestForm = false;
  return request;
}

TEST(ChooserJob, CancelEndsTheWorkSoon) {
  ChooserJob job;
  DesignRequest request = StartUpDesign();
  request.bestForm = true;  // several seconds of work
  job.StartDesign(request);
  job.Cancel();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 10000 && job.Running(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_FALSE(job.Running());
  // A candidate's solve stops at its next step; a second is generous.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_TRUE(job.TakeDesign()->cancelled);
  // Destroying a job that runs waits for it, and does not hang.
  ChooserJob running;
  running.StartDesign(request);
}

}  // namespace
}  // namespace vn
