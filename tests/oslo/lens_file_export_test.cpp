// The export step: when a file is written, where and under which name, whole
// or not at all, and when the user is asked to open it in OSLO.
#include "oslo/lens_file_export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "common/app_info.h"
#include "oslo/fake_lens_file_platform.h"
#include "support/recording_host.h"

namespace vn {
namespace {

using testing::FailureOf;
using testing::FileBytes;
using testing::TestFolder;
using Names = std::vector<std::string>;

// The start-up mirror, 317.5 mm of radius 2540 mm, named after the fake's clock.
const std::string kName = "318 mm_F-4_created_12_5_2026@1_23_45 PM.len";
LensFileSnapshot Snapshot(const char* glass = "BK7") {
  LensFileSnapshot s = testing::StartupSnapshot();
  s.GlassName = glass;
  return s;
}

// A run with "Save Oslo file" checked, its program in a folder of its own.
struct ExportBench {
  explicit ExportBench(const std::string& name) : folder(name) {
    platform.programFolder = folder.path;
    run.SaveLensFile = true;
  }
  void Export(const LensFileSnapshot& snap = Snapshot()) {
    ExportLensFile(run, "Vantry_Null_Best", snap, host, platform);
  }
  TestFolder folder;
  testing::FakeLensFilePlatform platform;
  test::RecordingHost host;
  LensExportRun run;
};

// Files of the same second are numbered instead of replacing the first; each
// holds the composed text; the probe's scratch file is gone.
TEST(ExportLensFile, FilesOfOneSecondBesideTheProgram) {
  ExportBench b("export_write");
  for (int i = 0; i < 3; ++i) b.Export();
  const std::string stem = b.folder.path + "/" + kName.substr(0, kName.size() - 4);
  EXPECT_EQ(b.run.writtenPaths, (Names{stem + ".len", stem + "_2.len", stem + "_3.len"}));
  EXPECT_EQ(b.folder.Names().size(), 3u);
  EXPECT_EQ(FileBytes(stem + "_2.len"), ComposeLensFile("Vantry_Null_Best", Snapshot(), 25.4));
  EXPECT_TRUE(b.host.messages.empty());  // the fake associates nothing: no offer
}

TEST(ExportLensFile, GlassRule) {
  // Box clear: nothing written, nothing said, whatever the glass.
  for (const char* glass : {"BK7", ""}) {
    ExportBench b("export_clear");
    b.run.SaveLensFile = false;
    b.Export(Snapshot(glass));
    EXPECT_TRUE(b.folder.Names().empty() && b.host.messages.empty()) << "glass " << glass;
  }
  // Box checked, no glass: one message for the three exports of a run, no file.
  ExportBench b("export_noglass");
  for (int i = 0; i < 3; ++i) b.Export(Snapshot(""));
  ASSERT_EQ(b.host.messages.size(), 1u);
  EXPECT_EQ(b.host.messages[0].title, kAppTitle);
  EXPECT_EQ(b.host.messages[0].text,
            "Alas, you must visit the Refractive index menu above.\r\n"
            "Oslo needs to know Glass Type used, not just refractive index, sorry.");
  EXPECT_TRUE(b.folder.Names().empty());
  EXPECT_TRUE(b.platform.probedFiles.empty());
}

// An installed program's folder is read-only: the files, and the probe, go to
// the documents folder; a folder chosen on the command line wins over both.
TEST(ExportLensFile, WhereTheFilesGo) {
  ExportBench b("export_fallback");
  TestFolder documents("export_documents"), chosen("export_chosen");
  b.platform.programFolderWritable = false;
  b.platform.documentsFolder = documents.path;
  b.Export();
  EXPECT_EQ(b.run.writtenPaths, Names{documents.path + "/" + kName});
  EXPECT_EQ(b.platform.probedFiles, Names{documents.path + "/qwerty_test_figure_ext.len"});
  EXPECT_EQ(documents.Names(), Names{kName});
  b.run.folderOverride = chosen.path;
  b.Export();
  EXPECT_EQ(chosen.Names(), Names{kName});
  EXPECT_TRUE(b.folder.Names().empty());
}

// A folder that does not exist, one that cannot (below a file), and a name
// taken by a folder that is not empty, so that the temporary file is written
// but cannot be renamed: each ends the run, and no file is left behind.
TEST(ExportLensFile, WriteFailureEndsTheRunAndLeavesNothing) {
  ExportBench b("export_fail");
  std::ofstream(b.folder.path + "/plain file") << "x";
  for (const std::string folder : {"/missing", "/plain file/sub"}) {
    b.platform.programFolder = b.folder.path + folder;
    EXPECT_EQ(FailureOf([&] { b.Export(); }), FailureKind::File) << folder;
  }
  EXPECT_TRUE(b.run.writtenPaths.empty());
  EXPECT_TRUE(b.platform.probedFiles.empty());  // no launch offer after a failure
  const std::string taken = b.folder.path + "/taken.len";
  std::filesystem::create_directories(taken + "/inside");
  EXPECT_EQ(FailureOf([&] { WriteFileWhole(taken, "text\r\n"); }), FailureKind::File);
  EXPECT_EQ(b.folder.Names(), (Names{"plain file", "taken.len"}));
}

// Asked only when OSLO opens lens files, never from the command line; opened
// only on Yes. The file stays in every case.
TEST(ExportLensFile, LaunchOffer) {
  const struct {
    bool oslo, yes, commandLine;
    std::size_t questions, launches;
  } cases[] = {{true, true, false, 1, 1},
               {true, false, false, 1, 0},
               {false, true, false, 0, 0},
               {true, true, true, 0, 0}};
  for (const auto& c : cases) {
    ExportBench b("export_launch");
    b.platform.answerCode = kFindExecutableSuccess;
    b.platform.answerPath = c.oslo ? "C:\\OSLO\\oslo.exe" : "/usr/bin/gedit";
    b.host.yesAnswer = c.yes;
    b.run.offerLaunch = !c.commandLine;
    b.Export();
    ASSERT_EQ(b.host.messages.size(), c.questions);
    for (const auto& m : b.host.messages) EXPECT_EQ(m.text, "Launch Oslo File Now?");
    ASSERT_EQ(b.platform.launches.size(), c.launches);
    for (const auto& l : b.platform.launches) EXPECT_EQ(l.first, b.folder.path + "/" + kName);
    EXPECT_EQ(b.folder.Names(), Names{kName});
  }
}

}  // namespace
}  // namespace vn
