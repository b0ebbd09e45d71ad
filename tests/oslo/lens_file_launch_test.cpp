// The association probe: its answer words, the OSLO test and the scratch file.
#include "oslo/lens_file_launch.h"

#include <gtest/gtest.h>

#include <string>

#include "oslo/fake_lens_file_platform.h"

namespace vn {
namespace {

using testing::FakeLensFilePlatform;
using testing::TestFolder;
using Names = std::vector<std::string>;

TEST(ProbeLensFileProgram, AnswerForEachCode) {
  TestFolder folder("probe_codes");
  const std::string previous = "C:\\OSLO\\oslo.exe";  // the run's earlier answer
  // The shell's error numbers 31, 2, 3, 11 have their words; other errors
  // (0, 5 access denied, 26 sharing) and a success without a NUL in the
  // buffer keep the previous answer; "OSLO" counts in capitals only.
  const struct {
    int code;
    const char* path;  // the program, for codes of 32 and above
    bool withoutNul;
    std::string answer;
    bool isOslo;
  } cases[] = {{31, "", false, "NO_ASSOCIATION", false},
               {2, "", false, "FILE_NOT_FOUND", false},
               {3, "", false, "PATH_NOT_FOUND", false},
               {11, "", false, "BAD_FORMAT", false},
               {0, "", false, previous, true},
               {5, "", false, previous, true},
               {26, "", false, previous, true},
               {42, "", true, previous, true},
               {32, "D:\\OSLO EDU\\o.exe", false, "D:\\OSLO EDU\\o.exe", true},
               {42, "/opt/oslo/bin/oslo", false, "/opt/oslo/bin/oslo", false},
               {42, "C:\\Oslo\\oslo.exe", false, "C:\\Oslo\\oslo.exe", false}};
  for (const auto& c : cases) {
    FakeLensFilePlatform platform;
    platform.answerCode = c.code, platform.answerPath = c.path;
    platform.answerWithoutNul = c.withoutNul;
    std::string program = previous;
    EXPECT_EQ(ProbeLensFileProgram(program, folder.path, platform), c.isOslo) << c.code;
    EXPECT_EQ(program, c.answer) << c.code;
    // The scratch file was there while asked about, and is gone.
    EXPECT_EQ(platform.probedFiles, Names{folder.path + "/qwerty_test_figure_ext.len"});
    EXPECT_EQ(platform.probedBytes, Names{"ok to delete\r\n"});
    EXPECT_TRUE(folder.Names().empty()) << c.code;
  }
}

TEST(ProbeLensFileProgram, ScratchFileGoesWhenTheQueryThrowsOrCannotBeWritten) {
  TestFolder folder("probe_throw");
  FakeLensFilePlatform platform;
  platform.throwOnFind = true;
  std::string program;
  // A folder text ending in the separator gets none added.
  EXPECT_THROW(ProbeLensFileProgram(program, folder.path + "/", platform), std::runtime_error);
  EXPECT_EQ(platform.probedFiles, Names{folder.path + "/qwerty_test_figure_ext.len"});
  EXPECT_TRUE(folder.Names().empty());
  EXPECT_EQ(
      testing::FailureOf([&] { ProbeLensFileProgram(program, folder.path + "/no", platform); }),
      FailureKind::File);
  EXPECT_EQ(platform.probedFiles.size(), 1u);  // no query without the scratch file
}

}  // namespace
}  // namespace vn
