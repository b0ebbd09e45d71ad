// Lens files from the command line as scripts use it: hundreds of runs writing
// into one folder at once each keep their own whole files, and a file that
// cannot be written is explained after the error box.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "run/null_finder.h"
#include "support/child_process.h"
#include "support/files.h"

namespace vn {
namespace {

namespace fs = std::filesystem;
using test::FileText;
using test::TextLines;

// A lens file is whole when it has its 44 lines, each ended by CR LF.
bool Whole(const std::string& text) {
  std::size_t lines = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\n') continue;
    if (i == 0 || text[i - 1] != '\r') return false;
    ++lines;
  }
  return lines == 44 && text.ends_with("\r\n");
}

// Runs side by side, as a script starting them in the background does: each
// run writes three files (the solved set-up and both exploration passes)
// into one folder, all named after the same mirror and the same few seconds,
// so most names are wanted by many runs at once. Each run's thickness, copied
// as typed into its files, tells whose text a file holds. Every run must end
// well and name three paths of its own, each a whole file with that run's
// thickness and the pass's title, and the folder must hold exactly those
// files (no temporary file left over).
TEST(CliLensFiles, HundredsOfRunsSideBySideKeepEveryFile) {
#if defined(__SANITIZE_ADDRESS__)
  constexpr int kRuns = 100;  // each sanitized run starts far slower
#else
  constexpr int kRuns = 300;
#endif
  test::TempFolder lensFiles("cli_side_by_side"), logs("cli_side_by_side_logs");
  const auto thickness = [](int k) { return "15." + std::to_string(1000 + k).substr(1); };
  const auto log = [&](int k) { return logs.path + "/" + std::to_string(k); };

  const auto start = std::chrono::steady_clock::now();
  std::vector<pid_t> runs;
  for (int k = 0; k < kRuns; ++k) {
    runs.push_back(test::StartChild(
        VN_CLI_PATH,
        {"--thickness", thickness(k), "--save-oslo", lensFiles.path, "--explore", "amount=0.5"},
        "/dev/null", log(k)));
  }
  std::vector<int> status;
  for (pid_t pid : runs) status.push_back(test::WaitChild(pid));
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;

  const char* titles[] = {"Vantry_Null_Best", "Vantry_Null_Positive_Error_Margin",
                          "Vantry_Null_Negative_Error_Margin"};
  std::set<std::string> paths;
  int failures = 0;
  for (int k = 0; k < kRuns; ++k) {
    const auto written = TextLines(FileText(log(k)));
    const bool ok = status[k] == 0 && written.size() == 3;
    EXPECT_TRUE(ok) << "run " << k << " status " << status[k] << ": " << FileText(log(k));
    if (!ok) {
      ++failures;
      continue;
    }
    for (std::size_t f = 0; f < 3; ++f) {
      const std::string text = FileText(written[f]);
      EXPECT_TRUE(written[f].starts_with(lensFiles.path + "/318 mm_F-4_created_")) << written[f];
      EXPECT_TRUE(Whole(text)) << written[f];
      EXPECT_NE(text.find("\r\nTH " + thickness(k) + "\r\n"), std::string::npos)
          << "run " << k << " reported " << written[f] << ", which holds another run's text";
      EXPECT_NE(text.find(std::string("LEN NEW \"") + titles[f] + "\""), std::string::npos);
      EXPECT_TRUE(paths.insert(written[f]).second) << written[f] << " reported twice";
    }
  }
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(paths.size(), std::size_t{3 * kRuns});
  EXPECT_EQ(lensFiles.Names().size(), std::size_t{3 * kRuns});
  std::cout << kRuns << " runs side by side wrote " << lensFiles.Names().size() << " lens files in "
            << static_cast<int>(took.count() * 1000) << " ms\n";
}

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
