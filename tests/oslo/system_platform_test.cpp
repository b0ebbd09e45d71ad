// The real lens-file platform of the system the tests run on (the Windows
// shell under wine in the Windows build, /proc and the environment on
// Linux): the answers that need no desktop associations and no clock agree on
// both systems.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "oslo/fake_lens_file_platform.h"
#include "oslo/lens_file_platform.h"

namespace vn {
namespace {

namespace fs = std::filesystem;

// The program's folder is the one that holds this test program, and it ends
// without a separator.
TEST(SystemLensFilePlatform, ProgramFolderHoldsTheProgram) {
  const std::unique_ptr<LensFilePlatform> platform = MakeSystemLensFilePlatform();
  const std::string folder = platform->ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), platform->Separator().back());
  EXPECT_TRUE(fs::is_regular_file(folder + platform->Separator() + VN_TEST_PROGRAM)) << folder;
}

// Writable means a file can be made there: a fresh folder is, a missing one
// and a plain file are not. The documents folder is a writable folder.
TEST(SystemLensFilePlatform, WritableFoldersAndTheDocumentsFolder) {
  const std::unique_ptr<LensFilePlatform> platform = MakeSystemLensFilePlatform();
  test::TempFolder folder("system_writable");
  const std::string file = folder.path + "/plain.txt";
  std::ofstream(file) << "x";
  EXPECT_TRUE(platform->IsFolderWritable(folder.path));
  EXPECT_FALSE(platform->IsFolderWritable(folder.path + "/missing"));
  EXPECT_FALSE(platform->IsFolderWritable(file));
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"plain.txt"});  // the probe left nothing

  const std::string documents = platform->DocumentsFolder();
  EXPECT_TRUE(fs::is_directory(documents)) << documents;
  EXPECT_TRUE(platform->IsFolderWritable(documents)) << documents;
}

// Before any association is looked up, a missing folder and a missing file
// get the shell's error numbers on every system.
TEST(SystemLensFilePlatform, MissingFolderAndFileGetTheirCodes) {
  const std::unique_ptr<LensFilePlatform> platform = MakeSystemLensFilePlatform();
  test::TempFolder folder("system_codes");
  const std::string sep = platform->Separator();
  FindExecutableBuffer buffer;
  buffer.fill(' ');
  EXPECT_EQ(platform->FindExecutable(folder.path + sep + "missing" + sep + "a.len",
                                     folder.path + sep + "missing", buffer),
            kPathNotFound);
  EXPECT_EQ(platform->FindExecutable(folder.path + sep + "a.len", folder.path, buffer),
            kFileNotFound);
}

}  // namespace
}  // namespace vn
