// The tester's options through the real executable: the files and pictures
// they write and the paths on standard error.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "support/child_process.h"
#include "support/files.h"

namespace vn {
namespace {

TEST(TesterOption, ExportsTheResidualAndNamesTheFiles) {
  const test::TempFolder folder("tester_export");
  const test::ChildResult r = test::RunCli("--export-residual '" + folder.path + "'");
  EXPECT_EQ(r.status, 0) << r.err;
  for (const char* name : {"null_residual.zrn", "null_residual.wft", "null_residual.csv"}) {
    const std::string path = folder / name;
    EXPECT_NE(r.err.find(path + "\n"), std::string::npos) << r.err;
    EXPECT_GT(std::filesystem::file_size(path), 100u);
  }
  EXPECT_NE(r.err.find("Residual of a perfect mirror through the null at the recommended set-up "
                       "(the exact null): Object to Lens "),
            std::string::npos)
      << r.err;
  // The report's distances when asked for: the files' last lines say which
  // (the set-up's numbers as the report gives them), as does the JSON.
  const test::ChildResult report =
      test::RunCli("--export-residual '" + folder.path + "' --at report --json");
  EXPECT_EQ(report.status, 0) << report.err;
  const std::string atReport =
      "Residual traced at the report's distances: Object to Lens 204.817 mm, Lens to Mirror "
      "2076.366 mm";
  EXPECT_EQ(test::TextLines(test::FileText(folder / "null_residual_2.wft")).back(), atReport);
  EXPECT_NE(report.out.find("\"tester\":{\"asked\":\"report\",\"at\":\"report\","
                            "\"object_distance\":204.8167"),
            std::string::npos)
      << report.out;
  EXPECT_EQ(test::RunCli("--export-residual '" + folder.path + "' --at nowhere").status, 2);
  EXPECT_EQ(test::RunCli("--at report").status, 2);
  // The report on standard output is the run's own.
  EXPECT_EQ(r.out.rfind("Using these Mirror Parameters", 0), 0u);
  // A folder that cannot be written: the run is done, the export fails.
  const test::ChildResult failed = test::RunCli("--export-residual /nonexistent-folder");
  EXPECT_EQ(failed.status, 1);
  EXPECT_NE(
      failed.err.find("--export-residual: cannot write /nonexistent-folder/null_residual.zrn"),
      std::string::npos)
      << failed.err;
  // The picture's errors name its path.
  const test::ChildResult view = test::RunCli("--view ronchi --out /nonexistent-folder/r.png");
  EXPECT_EQ(view.status, 1);
  EXPECT_NE(view.err.find("--view: cannot write /nonexistent-folder/r.png: "), std::string::npos)
      << view.err;
}

TEST(TesterOption, DrawsEachViewAsPngOrSvg) {
  const test::TempFolder folder("tester_views");
  const std::pair<const char*, const char*> views[] = {
      {"--view ronchi --grating 4/mm --grating-offset 5", "r.png"},
      {"--view foucault --knife-offset -0.5 --knife-edge 0.01 --slit 0.02", "f.svg"},
      {"--view fringes --tilt 3 --defocus 0.5 --delta-k -0.1 --size 200", "i.png"}};
  for (const auto& [options, name] : views) {
    const std::string path = folder / name;
    const test::ChildResult r = test::RunCli(std::string(options) + " --out '" + path + "'");
    EXPECT_EQ(r.status, 0) << options << ": " << r.err;
    EXPECT_NE(r.err.find(path + "\n"), std::string::npos) << r.err;
    const std::string file = test::FileText(path);
    const std::string start = std::string(name).ends_with(".png") ? "\x89PNG" : "<?xml";
    EXPECT_EQ(file.rfind(start, 0), 0u) << name;
  }
  // A picture already there is the user's: the next one takes a free name
  // beside it, as lens files do, and says so.
  const std::string first = folder / "r.png", second = folder / "r_2.png";
  const std::string before = test::FileText(first);
  const test::ChildResult again = test::RunCli("--view ronchi --out '" + first + "'");
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_NE(again.err.find(first + " exists and is kept; the picture is " + second + "\n"),
            std::string::npos)
      << again.err;
  EXPECT_EQ(test::FileText(first), before);
  EXPECT_EQ(test::FileText(second).rfind("\x89PNG", 0), 0u);
  // The caption says what was drawn, in the run's unit (its lines joined).
  const std::string svg =
      std::regex_replace(test::FileText(folder / "f.svg"), std::regex("</text>\n<text[^>]*>"), " ");
  EXPECT_NE(svg.find("Knife from the right, 0.5 mm outside the return focus, its edge 10 \u00b5m "
                     "right of the axis"),
            std::string::npos);
  EXPECT_NE(svg.find("Traced at the recommended set-up (the exact null): Object to Lens"),
            std::string::npos);
}

}  // namespace
}  // namespace vn
