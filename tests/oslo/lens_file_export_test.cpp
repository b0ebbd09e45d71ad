// The export step: when a file is written, where and under which name, whole
// or not at all, and when the user is asked to open it in OSLO.
#include "oslo/lens_file_export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "oslo/fake_lens_file_platform.h"
#include "support/recording_host.h"

namespace vn {
namespace {

using Names = std::vector<std::string>;

// The start-up mirror, 317.5 mm of radius 2540 mm, named after the fake's clock.
const std::string kName = "318 mm_F-4_created_12_5_2026@1_23_45 PM.len";

// A run with "Save Oslo file" checked, its program in a folder of its own.
struct ExportBench {
  explicit ExportBench(const std::string& name) : folder(name) {
    platform.programFolder = folder.path, run.SaveLensFile = true;
  }
  void Export(const char* glass = "BK7") {
    RunRecord record = test::StartupRecord();
    record.setup.glassName = glass;
    ExportLensFile(run, "Vantry_Null_Best", record, record.solution, host, platform);
  }
  test::TempFolder folder;
  test::FakeLensFilePlatform platform;
  test::RecordingHost host;
  LensExportRun run;
};

// Files of the same second are numbered instead of replacing the first, and
// hold the composed text. With the box clear nothing is written or said,
// whatever the glass; with no glass the three exports of a run bring one
// message, no file and no probe.
TEST(ExportLensFile, NumberedFilesAndTheGlassRule) {
  ExportBench b("export_write"), clear("export_clear"), noGlass("export_noglass");
  clear.run.SaveLensFile = false;
  for (const char* glass : {"BK7", "BK7", ""}) b.Export(), clear.Export(glass), noGlass.Export("");
  const std::string stem = b.folder.path + "/" + kName.substr(0, kName.size() - 4);
  EXPECT_EQ(b.run.writtenPaths, (Names{stem + ".len", stem + "_2.len", stem + "_3.len"}));
  EXPECT_EQ(
      test::FileText(stem + "_2.len"),
      ComposeLensFile("Vantry_Null_Best", test::StartupRecord(), test::StartupRecord().solution));
  EXPECT_TRUE(clear.folder.Names().empty() && clear.host.messages.empty());
  EXPECT_EQ(noGlass.host.messages.size(), 1u);  // its text: the run test
  EXPECT_TRUE(noGlass.folder.Names().empty() && noGlass.platform.probes.empty());
}

// An installed program's folder is read-only: the file, and the probe, go to
// the documents folder.
TEST(ExportLensFile, ReadOnlyProgramFolderMeansDocuments) {
  ExportBench b("export_fallback");
  test::TempFolder documents("export_documents");
  b.platform.programFolderWritable = false, b.platform.documentsFolder = documents.path;
  b.Export();
  EXPECT_EQ(documents.Names(), Names{kName});
  EXPECT_EQ(b.platform.probes,
            Names{documents.path + "/qwerty_test_figure_ext.len: ok to delete\r\n"});
  EXPECT_TRUE(b.folder.Names().empty());
}

// A folder that does not exist, and a name taken by a folder that is not
// empty, so that the temporary file is written but cannot be renamed: each
// ends the run, and no file is left behind.
TEST(ExportLensFile, WriteFailureEndsTheRunAndLeavesNothing) {
  ExportBench b("export_fail");
  b.platform.programFolder = b.folder.path + "/missing";
  EXPECT_EQ(test::FailureOf([&] { b.Export(); }), FailureKind::File);
  EXPECT_TRUE(b.run.writtenPaths.empty() && b.platform.probes.empty());  // nor a launch offer
  const std::string taken = b.folder.path + "/taken.len";
  std::filesystem::create_directories(taken + "/inside");
  EXPECT_FALSE(WriteWholeFile(taken, "text\r\n").written());
  EXPECT_EQ(b.folder.Names(), Names{"taken.len"});
}

// Asked only when OSLO opens lens files, never from the command line; opened
// only on Yes. The file stays in every case.
TEST(ExportLensFile, LaunchOffer) {
  const std::tuple<const char*, bool, bool, std::string> cases[] = {
      {"/opt/OSLO/o", true, false, "Launch Oslo File Now? opened " + kName},
      {"/opt/OSLO/o", false, false, "Launch Oslo File Now?"},
      {"/usr/bin/gedit", true, false, ""},
      {"/opt/OSLO/o", true, true, ""}};
  for (const auto& [program, yes, commandLine, seen] : cases) {
    ExportBench b("export_launch");
    b.platform.answerCode = kFindExecutableSuccess, b.platform.answerPath = program;
    b.host.yesAnswer = yes, b.run.offerLaunch = !commandLine;
    b.Export();
    std::string said;
    for (const auto& m : b.host.messages) said += m.text;
    for (const auto& [file, dir] : b.platform.launches)
      said += " opened " + file.substr(dir.size() + 1);
    EXPECT_EQ(said, seen) << program << yes << commandLine;
    EXPECT_EQ(b.folder.Names(), Names{kName});
  }
}

}  // namespace
}  // namespace vn
