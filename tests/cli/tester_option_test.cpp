// The tester's options through the real executable: the files and pictures
// they write, the paths on standard error, and the usage they refuse.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "cli/cli_process.h"

namespace vn {
namespace {

std::filesystem::path Folder(const char* name) {
  const auto folder = std::filesystem::path(::testing::TempDir()) / name;
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

TEST(TesterOption, ExportsTheResidualAndNamesTheFiles) {
  const auto folder = Folder("vn_tester_export");
  const CliResult r = RunCli("--export-residual '" + folder.string() + "'");
  EXPECT_EQ(r.status, 0) << r.err;
  for (const char* name : {"null_residual.zrn", "null_residual.wft", "null_residual.csv"}) {
    const std::string path = (folder / name).string();
    EXPECT_NE(r.err.find(path + "\n"), std::string::npos) << r.err;
    EXPECT_GT(std::filesystem::file_size(path), 100u);
  }
  EXPECT_NE(r.err.find("Residual of a perfect mirror through the null"), std::string::npos);
  // The report on standard output is the run's own.
  EXPECT_EQ(r.out.rfind("Using these Mirror Parameters", 0), 0u);
}

TEST(TesterOption, DrawsEachViewAsPngOrSvg) {
  const auto folder = Folder("vn_tester_views");
  const std::pair<const char*, const char*> views[] = {
      {"--view ronchi --grating 4/mm --grating-offset 5", "r.png"},
      {"--view foucault --knife-offset -0.5 --knife-edge 0.01 --slit 0.02", "f.svg"},
      {"--view fringes --tilt 3 --defocus 0.5 --delta-k -0.1 --size 200", "i.png"}};
  for (const auto& [options, name] : views) {
    const std::string path = (folder / name).string();
    const CliResult r = RunCli(std::string(options) + " --out '" + path + "'");
    EXPECT_EQ(r.status, 0) << options << ": " << r.err;
    EXPECT_NE(r.err.find(path + "\n"), std::string::npos) << r.err;
    const std::string file = ReadAll(path);
    const std::string start = std::string(name).ends_with(".png") ? "\x89PNG" : "<?xml";
    EXPECT_EQ(file.rfind(start, 0), 0u) << name;
  }
  // A picture already there is the user's: the next one takes a free name
  // beside it, as lens files do, and says so.
  const std::string first = (folder / "r.png").string(), second = (folder / "r_2.png").string();
  const std::string before = ReadAll(first);
  const CliResult again = RunCli("--view ronchi --out '" + first + "'");
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_NE(again.err.find(first + " exists and is kept; the picture is " + second + "\n"),
            std::string::npos)
      << again.err;
  EXPECT_EQ(ReadAll(first), before);
  EXPECT_EQ(ReadAll(second).rfind("\x89PNG", 0), 0u);
  // The caption says what was drawn, in the run's unit (its lines joined).
  const std::string svg = std::regex_replace(ReadAll((folder / "f.svg").string()),
                                             std::regex("</text>\n<text[^>]*>"), " ");
  EXPECT_NE(svg.find("Knife from the right, 0.5 mm outside the return focus, its edge 10 \u00b5m "
                     "right of the axis"),
            std::string::npos);
}

TEST(TesterOption, RefusesOptionsThatDoNotGoTogether) {
  const std::pair<const char*, const char*> cases[] = {
      {"--view ronchi", "--view needs --out FILE.png or FILE.svg"},
      {"--view moire --out x.png", "--view takes ronchi, foucault or fringes"},
      {"--tilt 3", "the picture's options need --view ronchi|foucault|fringes"},
      {"--view ronchi --out x.jpg", "--out takes a file name ending in .png or .svg"},
      {"--view ronchi --out x.png --grating 100/ft",
       "--grating takes lines per inch or per mm: 100/in or 4/mm"},
      {"--view ronchi --out x.png --size 20",
       "--size takes a whole number of pixels from 64 to 4096"},
      {"--export-residual ''", "--export-residual needs a folder"},
  };
  for (const auto& [args, message] : cases) {
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(r.err, std::string("vantry-null-cli: ") + message + "\n") << args;
    EXPECT_TRUE(r.out.empty()) << args;
  }
  // A folder that cannot be written: the run is done, the export fails.
  const CliResult r = RunCli("--export-residual /nonexistent-folder");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("--export-residual: cannot write /nonexistent-folder/null_residual.zrn"),
            std::string::npos)
      << r.err;
  // The picture's errors name its path.
  const CliResult view = RunCli("--view ronchi --out /nonexistent-folder/r.png");
  EXPECT_EQ(view.status, 1);
  EXPECT_NE(view.err.find("--view: cannot write /nonexistent-folder/r.png: "), std::string::npos)
      << view.err;
}

}  // namespace
}  // namespace vn
