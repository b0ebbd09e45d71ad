// Lens files written by whole runs: the solved system and both exploration
// passes, the glass rule across passes, the launch question and a failed
// write ending the run with the common error report.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/shared_values.h"
#include "oslo/fake_lens_file_platform.h"
#include "run/null_finder.h"
#include "support/recording_host.h"

namespace vn {
namespace {

namespace fs = std::filesystem;
using test::Lines;
using test::RecordingHost;

struct ExportRun {
  SharedValues shared;
  vn::testing::FakeLensFilePlatform platform;
  NullFinder finder{shared, &platform};
  RecordingHost host;
  fs::path folder;
  explicit ExportRun(const std::string& name) {
    folder = fs::path(::testing::TempDir()) / ("vn_run_export_" + name);
    fs::remove_all(folder);
    fs::create_directories(folder);
    platform.programFolder = folder.string();
    platform.documentsFolder = folder.string();
    host.engine = &finder.engine;
    host.saveOslo = true;
  }
  std::vector<fs::path> Files() const {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder)) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
  }
};

TEST(RunExport, SolvedSystemAndBothPassesEachWriteAFile) {
  ExportRun r("three");
  r.shared.ErrorLimit = 0.5;
  r.host.qtrWave = true;
  r.finder.FindIt_Click(r.host);
  ASSERT_EQ(r.finder.lastOutcome(), RunOutcome::Completed);
  const auto files = r.Files();
  ASSERT_EQ(files.size(), 3u);  // one second: the plain name, then _2 and _3
  EXPECT_EQ(files[0].filename(), "318 mm_F-4_created_12_5_2026@1_23_45 PM.len");
  EXPECT_EQ(files[1].filename(), "318 mm_F-4_created_12_5_2026@1_23_45 PM_2.len");
  EXPECT_EQ(files[2].filename(), "318 mm_F-4_created_12_5_2026@1_23_45 PM_3.len");
  const char* titles[] = {"Vantry_Null_Best", "Vantry_Null_Positive_Error_Margin",
                          "Vantry_Null_Negative_Error_Margin"};
  const char* spacings[] = {"TH 2076.36553", "TH 2076.86553", "TH 2075.86553"};
  for (int i = 0; i < 3; ++i) {
    const auto lines = Lines(vn::testing::FileBytes(files[i].string()));
    ASSERT_EQ(lines.size(), 45u) << files[i];  // 44 lines, each ended by CR LF
    EXPECT_EQ(lines[1], std::string("LEN NEW \"") + titles[i] + "\" 0 6 ");
    EXPECT_EQ(lines[18], spacings[i]);
  }
  EXPECT_EQ(r.finder.lastWrittenFiles().size(), 3u);
  EXPECT_TRUE(r.host.messages.empty());  // no association: no question
}

TEST(RunExport, NoGlassMeansOneMessageAndNoFileEvenWithExploration) {
  ExportRun r("noglass");
  r.shared.GlassName = "";
  r.shared.ErrorLimit = 0.5;
  r.host.qtrWave = true;
  r.finder.FindIt_Click(r.host);
  EXPECT_EQ(r.finder.lastOutcome(), RunOutcome::Completed);
  ASSERT_EQ(r.host.messages.size(), 1u);
  EXPECT_EQ(r.host.messages[0].text,
            "Alas, you must visit the Refractive index menu above.\r\n"
            "Oslo needs to know Glass Type used, not just refractive index, sorry.");
  EXPECT_TRUE(r.Files().empty());
  EXPECT_NE(r.host.report.find("spacing error of -0.5 mm"), std::string::npos);
}

TEST(RunExport, OsloAssociationAsksAndLaunchesOnYes) {
  ExportRun r("launch");
  r.platform.answerCode = 42;
  r.platform.answerPath = "C:\\Program Files\\OSLO EDU\\oslo.exe";
  r.host.yesAnswer = true;
  r.finder.FindIt_Click(r.host);
  ASSERT_EQ(r.host.messages.size(), 1u);
  EXPECT_EQ(r.host.messages[0].text, "Launch Oslo File Now?");
  ASSERT_EQ(r.platform.launches.size(), 1u);
  EXPECT_EQ(r.platform.launches[0].first, r.Files()[0].string());
  // The scratch file of the probe is gone; only the lens file is left.
  EXPECT_EQ(r.Files().size(), 1u);
}

TEST(RunExport, WriteFailureEndsTheRunWithTheCommonErrorAndNoFile) {
  ExportRun r("unwritable");
  r.platform.programFolder = (r.folder / "missing" / "deeper").string();
  r.platform.documentsFolder = r.platform.programFolder;
  r.finder.FindIt_Click(r.host);
  EXPECT_EQ(r.finder.lastOutcome(), RunOutcome::Failed);
  ASSERT_EQ(r.host.messages.size(), 1u);
  EXPECT_EQ(r.host.messages[0].title, "Hmmm, how did that happen?");
  // The results were already in the report when the export failed.
  EXPECT_EQ(Lines(r.host.report).back(), "Maximum Optical Path Difference \t=\t0.035 Waves");
  EXPECT_TRUE(r.Files().empty());
  EXPECT_EQ(r.host.caption, "Find Null Variables");
}

}  // namespace
}  // namespace vn
