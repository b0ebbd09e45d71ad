// The export step: when a file is written, where and under which name, whole
// or not at all, and when the user is asked to open it in OSLO.
#include "oslo/lens_file_export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "common/app_info.h"
#include "common/arithmetic.h"
#include "oslo/fake_lens_file_platform.h"

namespace vn {
namespace {

using testing::FakeLensFilePlatform;
using testing::FileBytes;
using testing::RecordingHost;
using testing::TestFolder;
using Names = std::vector<std::string>;

// A 254 mm mirror of radius 2286 mm (f/4.5); the optics do not matter here.
LensFileSnapshot Snapshot() {
  LensFileSnapshot s;
  s.WorkingSemiDiameter = 1.15;
  s.ObjectDistance = 8.06367;
  s.LensMirrorDistance = 81.7467;
  s.MirrorSemiDiameter = 5;
  s.LradI = "9e99", s.lthck = "15", s.lRadM = "-206", s.Mcc = "-1", s.LDiam = "80";
  s.MRoC = "2286", s.MDiam = "254", s.GlassName = "BK7", s.TestWavelength = 0.6328;
  return s;
}
const std::string kName = "254 mm_F-4.5_created_12_5_2026@1_23_45 PM.len";

// A run with "Save Oslo file" checked, its program in a folder of its own.
struct ExportBench {
  explicit ExportBench(const std::string& name) : folder(name) {
    platform.programFolder = folder.path();
    run.SaveLensFile = true;
  }
  void Export(const std::string& title, const LensFileSnapshot& snap = Snapshot()) {
    ExportLensFile(run, title, snap, host, platform);
  }
  TestFolder folder;
  FakeLensFilePlatform platform;
  RecordingHost host;
  LensExportRun run;
};

TEST(ExportLensFile, ThreeFilesOfOneSecondBesideTheProgram) {
  ExportBench b("export_write");
  b.Export("Vantry_Null_Best");
  b.Export("Vantry_Null_Positive_Error_Margin");
  b.Export("Vantry_Null_Negative_Error_Margin");
  // The first keeps the name; the later ones of the same second are numbered
  // instead of replacing it. The probe's scratch file is gone.
  const std::string stem = b.folder.path() + "/" + kName.substr(0, kName.size() - 4);
  EXPECT_EQ(b.run.writtenPaths, (Names{stem + ".len", stem + "_2.len", stem + "_3.len"}));
  EXPECT_EQ(b.folder.Names().size(), 3u);
  EXPECT_EQ(FileBytes(stem + ".len"), ComposeLensFile("Vantry_Null_Best", Snapshot(), 25.4));
  EXPECT_EQ(FileBytes(stem + "_3.len"),
            ComposeLensFile("Vantry_Null_Negative_Error_Margin", Snapshot(), 25.4));
  EXPECT_TRUE(b.host.messages.empty());
  EXPECT_TRUE(b.host.questions.empty());  // the fake associates nothing
  EXPECT_EQ(b.run.LensFileProgram, "NO_ASSOCIATION");
}

TEST(ExportLensFile, GlassRule) {
  // Box unchecked: nothing written, nothing said, whatever the glass.
  for (const char* glass : {"BK7", ""}) {
    ExportBench b("export_unchecked");
    b.run.SaveLensFile = false;
    LensFileSnapshot snap = Snapshot();
    snap.GlassName = glass;
    b.Export("Vantry_Null_Best", snap);
    EXPECT_TRUE(b.folder.Names().empty() && b.host.messages.empty()) << "glass " << glass;
  }
  // Box checked, no glass: one message for the three exports, then silence.
  ExportBench b("export_noglass");
  LensFileSnapshot snap = Snapshot();
  snap.GlassName = "";
  for (int i = 0; i < 3; ++i) b.Export("Vantry_Null_Best", snap);
  ASSERT_EQ(b.host.messages.size(), 1u);
  EXPECT_EQ(b.host.messages[0].first, kAppTitle);
  EXPECT_EQ(b.host.messages[0].second,
            "Alas, you must visit the Refractive index menu above.\r\n"
            "Oslo needs to know Glass Type used, not just refractive index, sorry.");
  EXPECT_FALSE(b.run.SaveLensFile);
  EXPECT_TRUE(b.folder.Names().empty());
  EXPECT_TRUE(b.platform.probedFiles.empty());
}

TEST(ExportLensFile, ReadOnlyProgramFolderFallsBackToDocuments) {
  ExportBench b("export_fallback");
  TestFolder documents("export_documents");
  b.platform.programFolder = "/usr/bin";
  b.platform.programFolderWritable = false;
  b.platform.documentsFolder = documents.path();
  b.Export("Vantry_Null_Best");
  EXPECT_EQ(b.run.writtenPaths, Names{documents.path() + "/" + kName});
  EXPECT_EQ(b.platform.probedFiles, Names{documents.path() + "/qwerty_test_figure_ext.len"});
  EXPECT_EQ(documents.Names(), Names{kName});
}

TEST(ExportLensFile, WriteFailureEndsTheRunAndLeavesNothing) {
  ExportBench b("export_fail");
  std::ofstream(b.folder.path() + "/plain file") << "x";
  // A folder that does not exist, and one that cannot (below a file).
  const Names folders{b.folder.path() + "/missing", b.folder.path() + "/plain file/sub"};
  for (const std::string& folder : folders) {
    b.platform.programFolder = folder;
    try {
      b.Export("Vantry_Null_Best");
      ADD_FAILURE() << "wrote into " << folder;
    } catch (const RunFailure& f) {
      EXPECT_EQ(f.kind(), FailureKind::File);
    }
  }
  EXPECT_EQ(b.folder.Names(), Names{"plain file"});  // no temporary file left
  EXPECT_TRUE(b.run.writtenPaths.empty());
  EXPECT_TRUE(b.platform.probedFiles.empty());  // no launch offer after a failure
}

TEST(WriteFileWhole, FailedRenameRemovesTheTemporaryFile) {
  TestFolder folder("whole_rename");
  // The name is taken by a folder that is not empty: the temporary file is
  // written but cannot be renamed over it.
  const std::string target = folder.path() + "/taken.len";
  std::filesystem::create_directory(target);
  std::ofstream(target + "/inside") << "x";
  try {
    WriteFileWhole(target, "text\r\n");
    ADD_FAILURE() << "renamed over a folder";
  } catch (const RunFailure& f) {
    EXPECT_EQ(f.kind(), FailureKind::File);
  }
  EXPECT_EQ(folder.Names(), Names{"taken.len"});
}

TEST(ExportLensFile, LaunchOffer) {
  struct Case {
    bool oslo, yes, commandLine;
    std::size_t questions, launches;
  };
  // Asked only when OSLO opens lens files, never from the command line;
  // opened only on Yes. The file stays in every case.
  for (const Case& c : {Case{true, true, false, 1, 1}, Case{true, false, false, 1, 0},
                        Case{false, true, false, 0, 0}, Case{true, true, true, 0, 0}}) {
    ExportBench b("export_launch");
    b.platform.answerCode = 42;
    b.platform.answerPath = c.oslo ? "C:\\OSLO\\oslo.exe" : "/usr/bin/gedit";
    b.host.answerYes = c.yes;
    b.run.offerLaunch = !c.commandLine;
    b.Export("Vantry_Null_Best");
    ASSERT_EQ(b.host.questions.size(), c.questions);
    if (c.questions) {
      EXPECT_EQ(b.host.questions[0].first, kAppTitle);
      EXPECT_EQ(b.host.questions[0].second, "Launch Oslo File Now?");
    }
    ASSERT_EQ(b.platform.launches.size(), c.launches);
    if (c.launches) {
      EXPECT_EQ(b.platform.launches[0].first, b.folder.path() + "/" + kName);
    }
    EXPECT_EQ(b.folder.Names(), Names{kName});
  }
}

TEST(ExportLensFile, ChosenFolderTakesTheFiles) {
  ExportBench b("export_override");
  TestFolder chosen("export_chosen");
  b.run.folderOverride = chosen.path();
  b.Export("Vantry_Null_Best");
  EXPECT_EQ(chosen.Names(), Names{kName});
  EXPECT_TRUE(b.folder.Names().empty());
}

}  // namespace
}  // namespace vn
