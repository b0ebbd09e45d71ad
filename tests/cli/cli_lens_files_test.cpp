// Lens files from the command line: a file that cannot be written is
// explained after the error box. Writers side by side in one folder are the
// lens-file writer's own tests (WriteFileUnderFreeName), where the names are
// claimed.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "run/null_finder.h"
#include "support/child_process.h"
#include "support/files.h"

namespace vn {
namespace {

namespace fs = std::filesystem;
using test::TextLines;

// The error box stays as it is; the reason follows it on standard error,
// and nothing is left in the folder. A file-size limit makes the write fail
// part way as a full disk would; root, for whom no folder is read-only, runs
// the read-only case as the user "nobody".
TEST(CliLensFiles, AFileThatCannotBeWrittenIsExplained) {
  test::TempFolder base("cli_unwritable");
  const std::string readOnly = base.path + "/read-only", limited = base.path + "/limited";
  fs::create_directory(readOnly), fs::create_directory(limited);
  ASSERT_EQ(chmod(readOnly.c_str(), 0555), 0);
  // "nobody" may not reach the program where it was built (a checkout in
  // root's home, mode 700): a copy in the test's folder, open to every user,
  // runs that case. Where even that cannot run, the case is left out and
  // says why.
  std::string asNobody = VN_CLI_PATH;
  if (geteuid() == 0) {
    const std::string copy = base.path + "/vantry-null-cli";
    std::error_code failed;
    fs::copy_file(VN_CLI_PATH, copy, failed);
    for (const std::string& path : {base.path, readOnly, copy}) {
      if (!failed) chmod(path.c_str(), path == readOnly ? 0555 : 0755);
    }
    for (fs::path up = fs::path(base.path).parent_path(); !failed && up != up.parent_path();
         up = up.parent_path()) {
      const auto perms = fs::status(up, failed).permissions();
      if ((perms & fs::perms::others_exec) == fs::perms::none) {
        failed = std::make_error_code(std::errc::permission_denied);
      }
    }
    asNobody = failed ? "" : copy;
  }
  struct Case {
    std::string folder;
    test::ChildSetup setup;
    const char* reason;
    std::string program = VN_CLI_PATH;
  };
  std::vector<Case> cases = {
      {base.path + "/missing", {}, "No such file or directory"},
      {limited, {.fileSizeLimit = 256}, "File too large"},
  };
  if (!asNobody.empty()) {
    cases.push_back({readOnly, {.withoutRoot = true}, "Permission denied", asNobody});
  } else {
    std::cout << "The read-only case is left out: the user nobody cannot reach a copy of the "
                 "program in "
              << base.path << " (a folder above it is closed to other users).\n";
  }
  const std::string box = std::string(kFailureTitle) + "\n";
  for (const auto& c : cases) {
    const test::ChildResult r = test::RunChild(c.program, {"--save-oslo", c.folder}, c.setup);
    EXPECT_EQ(r.status, 1) << c.folder;
    const auto lines = TextLines(r.err);
    ASSERT_EQ(lines.size(), 5u) << r.err;
    EXPECT_EQ(lines[0] + "\n", box);
    const std::string said = "vantry-null-cli: cannot write " + c.folder + "/318 mm_F-4_created_";
    EXPECT_TRUE(lines[4].starts_with(said)) << lines[4];
    EXPECT_TRUE(lines[4].ends_with(std::string(".len: ") + c.reason)) << lines[4];
  }
  EXPECT_TRUE(fs::is_empty(readOnly) && fs::is_empty(limited));
}

}  // namespace
}  // namespace vn
