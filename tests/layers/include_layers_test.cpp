// The program's layers read top to bottom: the hosts (window, command line)
// above the run, the run above the stages that read a run (lens files,
// tolerances, the exact check and the analyses built on it), those above the
// run's record and host interface, the optical engine and the glass
// catalogs, and everything above common. This test reads every source file's
// project includes and fails on any include that runs back up a layer or
// into a host.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Rank of each folder: a file may include only folders of its own rank or
// below. Folders of the same rank may not include each other (each is its
// own stage), except where listed in kAllowedSideways.
const std::map<std::string, int> kRank = {
    {"common", 0},   {"engine", 1}, {"glass", 1},  {"record", 2},   {"oslo", 3},
    {"tolerance", 3}, {"exact", 3}, {"setup", 3},  {"analysis", 3}, {"run", 4},
    {"ui", 5},       {"cli", 5},    {"app", 6},
};

struct Include {
  std::string file;
  int line;
  std::string target;
};

std::vector<Include> ProjectIncludes(const fs::path& file, const std::string& shownAs) {
  std::vector<Include> out;
  std::ifstream in(file);
  std::string text;
  int line = 0;
  while (std::getline(in, text)) {
    ++line;
    const auto start = text.find("#include \"");
    if (start == std::string::npos || text.find_first_not_of(" \t") != start) continue;
    const auto first = start + 10;
    const auto last = text.find('"', first);
    if (last != std::string::npos) out.push_back({shownAs, line, text.substr(first, last - first)});
  }
  return out;
}

TEST(Layers, NoIncludeRunsBackUp) {
  const fs::path root = VN_SOURCE_DIR;
  std::vector<std::pair<std::string, fs::path>> folders;  // (layer, folder)
  for (const auto& entry : fs::directory_iterator(root / "src"))
    if (entry.is_directory()) folders.emplace_back(entry.path().filename().string(), entry.path());
  folders.emplace_back("cli", root / "cli");
  folders.emplace_back("app", root / "app");

  int filesRead = 0;
  for (const auto& [layer, folder] : folders) {
    const auto rank = kRank.find(layer);
    ASSERT_NE(rank, kRank.end()) << "folder " << layer << " has no place among the layers";
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
      const auto ext = entry.path().extension();
      if (ext != ".h" && ext != ".cpp") continue;
      ++filesRead;
      const std::string shown = fs::relative(entry.path(), root).string();
      for (const Include& inc : ProjectIncludes(entry.path(), shown)) {
        const auto slash = inc.target.find('/');
        if (slash == std::string::npos) continue;  // a generated or local header
        const std::string targetLayer = inc.target.substr(0, slash);
        const auto targetRank = kRank.find(targetLayer);
        if (targetRank == kRank.end()) continue;
        if (targetLayer == layer) continue;
        EXPECT_LT(targetRank->second, rank->second)
            << inc.file << ":" << inc.line << " (" << layer << ") includes " << inc.target
            << " (" << targetLayer << ")";
      }
    }
  }
  EXPECT_GT(filesRead, 50);
}

}  // namespace
