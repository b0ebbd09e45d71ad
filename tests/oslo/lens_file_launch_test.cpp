// The association probe: its answer words, the OSLO test and the scratch file.
#include "oslo/lens_file_launch.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "oslo/fake_lens_file_platform.h"

namespace vn {
namespace {

// The shell's error numbers 31, 2, 3, 11 have their words; other errors (0, 5
// access denied, 26 sharing) and a success without a NUL in the buffer keep
// the run's earlier answer; "OSLO" counts in capitals only, and is marked
// "+" here. A query that throws (code −1 of the fake) passes its exception on
// and still has the scratch file deleted. Each time the scratch file was there while asked about,
// and is gone. The folder text ends in the separator, which gets none added.
TEST(ProbeLensFileProgram, AnswerForEachCode) {
  test::TempFolder folder("probe_codes");
  const std::tuple<int, const char*, const char*> cases[] = {
      {31, "", "NO_ASSOCIATION"},       {2, "", "FILE_NOT_FOUND"},      {3, "", "PATH_NOT_FOUND"},
      {11, "", "BAD_FORMAT"},           {0, "", "/opt/OSLO +"},         {5, "", "/opt/OSLO +"},
      {26, "", "/opt/OSLO +"},          {42, "", "/opt/OSLO +"},        {-1, "", "/opt/OSLO threw"},
      {32, "/OSLO 7/o", "/OSLO 7/o +"}, {42, "/opt/Oslo", "/opt/Oslo"},
  };
  for (const auto& [code, path, answer] : cases) {
    test::FakeLensFilePlatform platform;
    platform.answerCode = code, platform.answerPath = path;
    std::string program = "/opt/OSLO", shown;
    try {
      if (ProbeLensFileProgram(program, folder.path + "/", platform)) shown = " +";
    } catch (const std::runtime_error&) {
      shown = " threw";
    }
    EXPECT_EQ(program + shown, answer) << code;
    const std::string scratch = folder.path + "/qwerty_test_figure_ext.len: ok to delete\r\n";
    EXPECT_EQ(platform.probes, std::vector{scratch}) << code;
    EXPECT_TRUE(folder.Names().empty()) << code;
  }
  // A scratch file that cannot be written: no query.
  test::FakeLensFilePlatform platform;
  std::string program;
  EXPECT_EQ(test::FailureOf([&] { ProbeLensFileProgram(program, folder.path + "/no", platform); }),
            FailureKind::File);
  EXPECT_TRUE(platform.probes.empty());
}

}  // namespace
}  // namespace vn
