// The command line's Ronchi photo through the real executable: a PNG of a
// known mirror's bands fitted at the set-up it was taken at, and the files
// and options it refuses with its own words.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/json_reader.h"
#include "support/child_process.h"
#include "support/files.h"
#include "support/ronchi_photos.h"
#include "tester/png_file.h"

namespace vn {
namespace {

// A mirror of ΔK +0.05 photographed with the grating 0.2 inch (5.08 mm)
// inside focus at the report's distances: fitted there, in millimetres and
// in a German locale, it gives its conic back (−1 + 0.05) within 0.01.
TEST(CliRonchiPhoto, FitsAPhotoAtTheSetUpItWasTakenAt) {
  test::Shot shot;
  shot.deltaK = 0.05;
  shot.rotationDeg = 5;
  const std::string file = test::TempFile("vn_ronchi.png", PngBytes(test::Photo(shot)));
  const std::vector<std::string> args = {"--ronchi-photo",   file,         "--grating",
                                         "100/in",           "--built-at", "204.817,2076.366",
                                         "--grating-offset", "5"};
  // The outline as marked by hand: the mirror's centre and radius in the
  // photo as drawn.
  std::vector<std::string> json = args;
  json.insert(json.begin(), {"--json", "--photo-outline", "260,230,200"});
  const test::ChildResult r = test::RunChild(VN_CLI_PATH, json);
  ASSERT_EQ(r.status, 0) << r.err;
  const JsonReading reading = ReadJson(r.out);
  ASSERT_TRUE(reading.value) << reading.error.Message();
  const JsonValue* fit = reading.value->Member("ronchi_photo");
  ASSERT_NE(fit, nullptr);
  EXPECT_TRUE(fit->Member("ok")->boolean);
  EXPECT_NEAR(fit->Member("delta_k")->number, 0.05, 0.01);
  EXPECT_NEAR(fit->Member("conic")->number, -0.95, 0.01);
  EXPECT_NEAR(fit->Member("grating_offset")->number, 5.08, 0.05);  // mm
  EXPECT_EQ(fit->Member("built_at")->Member("lens_mirror_distance")->number, 2076.366);
  EXPECT_EQ(fit->Member("outline")->Member("radius")->number, 200);

  std::string line;
  for (const std::string& a : args) line += "'" + a + "' ";
  const test::ChildResult text = test::RunCli(line, "LC_ALL=de_DE.UTF-8");
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_TRUE(
      text.Has("\n\nRonchi photo through the null\nSet up as built: source to lens "
               "204.817 mm, lens to mirror 2076.366 mm (as given)\n"))
      << text.out;
  EXPECT_TRUE(text.Has("Mirror's conic constant: -0.9")) << text.out;
}

// What is no photo, or too much of one, is refused before the run with the
// program's own words (exit status 2), never a crash.
TEST(CliRonchiPhoto, RefusesBrokenHugeAndMissingPhotos) {
  test::Shot shot;
  shot.width = 120;
  shot.height = 100;
  shot.radiusPx = 40;
  shot.centreX = 60;
  shot.centreY = 50;
  const std::string png = PngBytes(test::Photo(shot));
  // A header that claims 20000 × 20000 pixels (IHDR's width and height,
  // big-endian, after the 8-byte signature and the chunk's length and type).
  std::string huge = png;
  const std::string side = {'\0', '\0', '\x4e', '\x20'};
  huge.replace(16, 4, side);
  huge.replace(20, 4, side);
  const std::string truncated = test::TempFile("vn_cut.png", png.substr(0, png.size() / 3));
  const std::string words = test::TempFile("vn_words.png", "not a picture at all\n");
  const std::string giant = test::TempFile("vn_huge.png", huge);
  const std::string folder = std::filesystem::path(words).parent_path().string();
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"--ronchi-photo", words, "--grating", "100"},
       "--ronchi-photo " + words + ": it is not a PNG or JPEG picture that can be read"},
      {{"--ronchi-photo", truncated, "--grating", "4/mm"},
       "--ronchi-photo " + truncated + ": the picture is damaged or in a form that cannot be read"},
      {{"--ronchi-photo", giant, "--grating", "100"},
       "the picture is 20000 x 20000 pixels, more than the 64 megapixels read"},
      {{"--ronchi-photo", folder, "--grating", "100"}, "--ronchi-photo " + folder + ": "},
      {{"--ronchi-photo", words}, "--ronchi-photo needs --grating N[/in|/mm]"},
      {{"--ronchi-photo", words, "--grating", "100", "--grating-offset", "0"},
       "--grating-offset for a photo must say the side of focus: not 0"},
      {{"--grating", "100"}, "the picture's options need --view ronchi|foucault|fringes"},
      {{"--ronchi-photo", words, "--grating", "100", "--photo-outline", "1,2"},
       "--photo-outline takes the centre and the radius in pixels, X,Y,R, the radius positive"},
      {{"--photo-outline", "1,2,3"}, "--photo-outline needs --ronchi-photo FILE"},
  };
  for (const Case& c : cases) {
    const test::ChildResult r = test::RunChild(VN_CLI_PATH, c.args);
    EXPECT_EQ(r.status, 2) << c.args[1] << "\n" << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
  }
}

}  // namespace
}  // namespace vn
