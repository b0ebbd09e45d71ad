// The command line against what users give it by mistake or in bulk: files
// far too large, FIFOs, devices and folders where a file belongs, lists of a
// million rows, set-up entries no run can take; and residual sets written by
// many runs into one folder at once, or onto a full disk. Every case must end
// on its own with the exit status that says why; the bound each case gets
// is generous, since the test checks that it ends, not how fast.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "record/setup_file.h"
#include "support/child_process.h"
#include "support/files.h"

namespace vn {
namespace {

namespace fs = std::filesystem;
using test::FileText;
using test::TextLines;

// Far beyond the second or so each case takes (under the sanitizers too):
// a case that reads on past its clock, or waits on a FIFO, meets it.
constexpr double kBoundSeconds = 60;

// A fresh folder that also writes the test's input files.
struct Folder : test::TempFolder {
  explicit Folder(const std::string& name) : TempFolder("limits_" + name) {}
  std::string Write(const std::string& name, const std::string& text) const {
    test::WriteText(*this / name, text);
    return *this / name;
  }
};

struct Ended {
  int status = -1;  // -2: still running at the bound, and killed
  std::string err;
};

// Runs the command line with `args`, killing it at the bound.
Ended RunWithin(const Folder& logs, const std::vector<std::string>& args) {
  static int count = 0;
  const std::string base = logs.path + "/run" + std::to_string(++count);
  const pid_t pid = test::StartChild(VN_CLI_PATH, args, base + ".out", base + ".err");
  const auto start = std::chrono::steady_clock::now();
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() - start > std::chrono::duration<double>(kBoundSeconds)) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return {-2, FileText(base + ".err")};
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, FileText(base + ".err")};
}

// Each case: what is given, the exit status that says why, and what stderr
// must say. The clock (--timeout 1) runs from the command's start, reading
// included; a file that is no file is refused without being opened for a
// writer or read without end.
TEST(CliLimits, HugeFilesFifosAndFoldersEndWithTheirReason) {
  Folder files("files"), logs("logs");
  std::string keys = "{";
  for (int k = 0; k < 1000000; ++k) keys.append("\"k").append(std::to_string(k)).append("\":1,");
  keys.back() = '}';
  const std::string millionKeys = files.Write("million_keys.json", keys);
  // Just under the cap, with the first key again at the end: the whole
  // object must be read to find it, in linear time.
  std::string many = "{";
  for (int k = 0; k < 80000; ++k) many.append("\"k").append(std::to_string(k)).append("\":1,");
  const std::string twice = files.Write("twice.json", many + "\"k0\":2}");
  std::string rows;
  for (int k = 0; k < 1000000; ++k) rows += "a,,1,1,1,1,1.5\n";
  const std::string millionRows = files.Write("million_rows.csv", rows);
  const std::string fifo = files.path + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

  const struct {
    std::vector<std::string> args;
    int status;
    std::string says;
  } cases[] = {
      {{"--tolerances", millionKeys}, 2, millionKeys + ": it is larger than 1 MB"},
      {{"--tolerances", twice}, 2, "the key \"k0\" appears twice"},
      {{"--rank-lenses", millionRows}, 3, "--timeout stopped the "},
      {{"--setup", fifo}, 2, "--setup " + fifo + ": The file could not be read (it is a FIFO"},
      {{"--tolerances", fifo}, 2, "--tolerances " + fifo + ": it is a FIFO, not a file"},
      {{"--rank-lenses", fifo}, 2, "--rank-lenses " + fifo + ": it is a FIFO, not a file"},
      {{"--tolerances", files.path}, 2, files.path + ": it is a folder, not a file"},
      {{"--rank-lenses", files.path}, 2, files.path + ": it is a folder, not a file"},
      {{"--rank-lenses", "/dev/zero"}, 2, "/dev/zero: it is a device, not a file"},
      {{"--setup", "/dev/zero"}, 2, "(it is a device, not a file)"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--timeout", "1"});
    const Ended r = RunWithin(logs, args);
    EXPECT_EQ(r.status, c.status) << c.args[0] << " " << c.args[1] << "\n" << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args[1] << "\n" << r.err;
  }
}

// An entry of a set-up file that no run can take is named with the file,
// instead of the run's one error message; an option typed over it wins.
TEST(CliLimits, ASetUpEntryNoRunCanTakeIsNamedWithItsFile) {
  Folder files("setup");
  const struct {
    Entry entry;
    std::string text;
    std::string says;
  } cases[] = {
      {Entry::ConicConstant, "NaN", "the entry \"conic\" (\"NaN\") is not a number"},
      {Entry::MirrorRadiusOfCurvature, "1e308",
       "the entry \"mirror_roc\" (\"1e308\") is beyond the largest number a set-up can hold"},
      {Entry::LensDiameter, std::string(60000, '8'),
       "the entry \"lens_diameter\" (\"88888888888888888888\"...) is 60000 characters long"},
  };
  for (const auto& c : cases) {
    SetupFile setup;
    setup.Text(c.entry) = c.text;
    const std::string path = files.path + "/bad.vnull";
    ASSERT_TRUE(WriteSetupFile(path, setup).written());
    const test::ChildResult r = test::RunChild(VN_CLI_PATH, {"--setup", path});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("vantry-null-cli: --setup " + path + ": " + c.says), std::string::npos)
        << r.err.substr(0, 300);
  }
  SetupFile setup;
  setup.Text(Entry::ConicConstant) = "NaN";
  ASSERT_TRUE(WriteSetupFile(files.path + "/typed_over.vnull", setup).written());
  EXPECT_EQ(
      test::RunChild(VN_CLI_PATH, {"--setup", files.path + "/typed_over.vnull", "--conic", "-1"})
          .status,
      0);
}

// ---- Residual sets ------------------------------------------------------------

// The value of line `index` of a text of one number a line.
double NumberOnLine(const std::vector<std::string>& lines, std::size_t index) {
  double x = NAN;
  const std::string& line = lines.at(index);
  std::from_chars(line.data(), line.data() + line.size(), x);
  return x;
}

// A residual set's three files, checked against one another and against the
// run that wrote them: the .wft's trailer gives the mirror's diameter, the
// .csv's last zone lies at its edge, and the wavefront at the centre of the
// .wft grid is the .zrn's terms summed at the pupil's centre, where every
// term but the rotationally symmetric ones vanishes and those (Fringe Z0,
// Z3, Z8, Z15, Z24, Z35, Z48) are +1 and -1 in turn. Returns what is wrong.
std::string SetDisagreement(const std::vector<std::string>& paths, double diameterMm) {
  if (paths.size() != 3) return "not three files";
  const auto zrn = TextLines(FileText(paths[0]));
  const auto wft = TextLines(FileText(paths[1]));
  const auto csv = TextLines(FileText(paths[2]));
  // Each ends with the line that names the set-up traced, the same in all three.
  if (zrn.size() != 50) return paths[0] + " has " + std::to_string(zrn.size()) + " lines";
  if (wft.size() != 2 + 401 * 401 + 6) return paths[1] + " is not whole";
  if (csv.size() != 103) return paths[2] + " is not whole";
  std::string csvTrailer = csv.back().substr(2);
  std::replace(csvTrailer.begin(), csvTrailer.end(), ';', ',');
  if (wft.back() != zrn.back() || csvTrailer != zrn.back()) return "the set-ups named differ";
  double centre = 0;
  const int symmetric[] = {0, 3, 8, 15, 24, 35, 48};
  for (int k = 0; k < 7; ++k) centre += (k % 2 == 0 ? 1 : -1) * NumberOnLine(zrn, symmetric[k]);
  const double wftCentre = NumberOnLine(wft, 2 + 200 * 401 + 200);
  // Both files round to 1e-9 waves.
  if (!(std::fabs(centre - wftCentre) < 1e-8)) return "the .zrn and .wft are of different runs";
  char diam[64];
  std::snprintf(diam, sizeof diam, "DIAM %g", diameterMm);
  if (wft[wft.size() - 5] != diam) return "the .wft is of another mirror: " + wft[wft.size() - 5];
  const std::string edge = csv[csv.size() - 2].substr(4);  // "100,<height>,"
  const double height = std::strtod(edge.c_str(), nullptr);
  if (!(std::fabs(height - diameterMm / 2) < 1e-6)) return "the .csv is of another mirror";
  return "";
}

// Forty runs side by side, each with a mirror of its own diameter, export
// into one folder: each takes a set of its own (null_residual, _2, ...),
// whole and consistent, and the folder holds exactly those 120 files.
TEST(CliResidualSets, FortyExportsSideBySideLeaveFortyWholeSets) {
  constexpr int kRuns = 40;
  Folder sets("sets"), logs("sets_logs");
  const auto diameter = [](int k) { return 280 + k; };
  std::vector<pid_t> runs;
  for (int k = 0; k < kRuns; ++k) {
    runs.push_back(test::StartChild(
        VN_CLI_PATH,
        {"--mirror-diameter", std::to_string(diameter(k)), "--export-residual", sets.path},
        "/dev/null", logs.path + "/" + std::to_string(k)));
  }
  std::set<std::string> stems;
  for (int k = 0; k < kRuns; ++k) {
    EXPECT_EQ(test::WaitChild(runs[k]), 0) << FileText(logs.path + "/" + std::to_string(k));
    std::vector<std::string> paths;
    for (const std::string& line : TextLines(FileText(logs.path + "/" + std::to_string(k)))) {
      if (line.starts_with(sets.path + "/null_residual")) paths.push_back(line);
    }
    ASSERT_EQ(paths.size(), 3u) << "run " << k;
    const std::string stem = paths[0].substr(0, paths[0].size() - 4);
    EXPECT_EQ(paths[1], stem + ".wft");
    EXPECT_EQ(paths[2], stem + ".csv");
    EXPECT_TRUE(stems.insert(stem).second) << stem << " written by two runs";
    EXPECT_EQ(SetDisagreement(paths, diameter(k)), "") << "run " << k << ", " << stem;
  }
  EXPECT_EQ(sets.Names().size(), std::size_t{3 * kRuns});
  EXPECT_TRUE(stems.count(sets.path + "/null_residual") &&
              stems.count(sets.path + "/null_residual_40"));
}

// A disk that fills while a set is written (a file-size limit: the .zrn
// fits, the .wft does not): the export fails naming the file and the
// reason, and no member of the new set is left beside the older set.
TEST(CliResidualSets, AFullDiskLeavesNoMixedSet) {
  Folder sets("full");
  ASSERT_EQ(test::RunChild(VN_CLI_PATH, {"--export-residual", sets.path}).status, 0);
  const std::vector<std::string> before = sets.Names();
  std::map<std::string, std::string> texts;
  for (const std::string& name : before) texts[name] = FileText(sets.path + "/" + name);

  const test::ChildResult r =
      test::RunChild(VN_CLI_PATH, {"--mirror-diameter", "300", "--export-residual", sets.path},
                     {.fileSizeLimit = 100000});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("vantry-null-cli: --export-residual: cannot write " + sets.path +
                       "/null_residual_2.wft: File too large"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(sets.Names(), before);
  for (const auto& [name, text] : texts) EXPECT_EQ(FileText(sets.path + "/" + name), text);
}

}  // namespace
}  // namespace vn
