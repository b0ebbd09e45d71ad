// Lens files written by whole runs: the solved system and both exploration
// passes, the glass rule across passes, the launch question and a failed
// write ending the run with the common error report.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/shared_values.h"
#include "oslo/fake_lens_file_platform.h"
#include "run/null_finder.h"
#include "support/recording_host.h"

namespace vn {
namespace {

using test::Lines;
using Names = std::vector<std::string>;

// A run from the start-up entries with "Save Oslo file" checked, its lens
// files going to a fresh folder.
struct ExportRun {
  SharedValues shared;
  vn::test::FakeLensFilePlatform platform;
  NullFinder finder{shared, &platform};
  test::RecordingHost host;
  vn::test::TempFolder folder;
  explicit ExportRun(const std::string& name) : folder("run_export_" + name) {
    platform.programFolder = platform.documentsFolder = folder.path;
    host.finder = &finder, host.saveOslo = true;
  }
  std::string File(std::size_t k) { return folder.path + "/" + folder.Names().at(k); }
};

// Three files in one second: the plain name, then _2 and _3, each of 44 lines
// ended by CR LF, the passes' spacings 0.5 mm either side of the solved one.
TEST(RunExport, SolvedSystemAndBothPassesEachWriteAFile) {
  ExportRun r("three");
  r.shared.ErrorLimit = 0.5, r.host.qtrWave = true;
  r.host.RunWith(r.finder);
  ASSERT_EQ(r.finder.lastRun().outcome, RunOutcome::Completed);
  const std::string stem = "318 mm_F-4_created_12_5_2026@1_23_45 PM";
  ASSERT_EQ(r.folder.Names(), (Names{stem + ".len", stem + "_2.len", stem + "_3.len"}));
  const std::pair<const char*, const char*> files[] = {
      {"Vantry_Null_Best", "TH 2076.36553"},
      {"Vantry_Null_Positive_Error_Margin", "TH 2076.86553"},
      {"Vantry_Null_Negative_Error_Margin", "TH 2075.86553"}};
  for (std::size_t k = 0; k < 3; ++k) {
    const auto lines = Lines(vn::test::FileText(r.File(k)));
    ASSERT_EQ(lines.size(), 45u) << k;
    EXPECT_EQ(lines[1], std::string("LEN NEW \"") + files[k].first + "\" 0 6 ");
    EXPECT_EQ(lines[18], files[k].second);
  }
  EXPECT_EQ(r.finder.lastRun().writtenFiles.size(), 3u);
}

TEST(RunExport, NoGlassMeansOneMessageAndNoFileEvenWithExploration) {
  ExportRun r("noglass");
  r.shared.GlassName = "", r.shared.ErrorLimit = 0.5, r.host.qtrWave = true;
  r.host.RunWith(r.finder);
  EXPECT_EQ(r.finder.lastRun().outcome, RunOutcome::Completed);
  ASSERT_EQ(r.host.messages.size(), 1u);
  EXPECT_EQ(r.host.messages[0].text,
            "Alas, you must visit the Refractive index menu above.\r\n"
            "Oslo needs to know Glass Type used, not just refractive index, sorry.");
  EXPECT_TRUE(r.folder.Names().empty());
  EXPECT_NE(r.host.report.find("spacing error of -0.5 mm"), std::string::npos);
}

// The results were already in the report when the export failed.
TEST(RunExport, WriteFailureEndsTheRunWithTheCommonErrorAndNoFile) {
  ExportRun r("unwritable");
  r.platform.programFolder = r.platform.documentsFolder = r.folder.path + "/missing/deeper";
  r.host.RunWith(r.finder);
  EXPECT_EQ(r.finder.lastRun().outcome, RunOutcome::Failed);
  ASSERT_EQ(r.host.messages.size(), 1u);
  EXPECT_EQ(r.host.messages[0].title, "Hmmm, how did that happen?");
  EXPECT_EQ(Lines(r.host.report).back(), "Maximum Optical Path Difference \t=\t0.035 Waves");
  EXPECT_TRUE(r.folder.Names().empty());
  // The box does not say why; the run keeps the reason for its host.
  EXPECT_EQ(r.finder.lastRun().fileProblem,
            "cannot write " + r.folder.path +
                "/missing/deeper/318 mm_F-4_created_12_5_2026@1_23_45 PM.len: No such file or "
                "directory");
  // A failure of another kind has no file problem to tell, and a new run
  // forgets the last one.
  r.host.entries[Entry::MirrorRadiusOfCurvature] = "abc";
  r.host.RunWith(r.finder);
  EXPECT_EQ(r.finder.lastRun().outcome, RunOutcome::Failed);
  EXPECT_EQ(r.finder.lastRun().fileProblem, "");
}

}  // namespace
}  // namespace vn
