// Lens file names: mirror diameter, focal ratio and the moment of writing.
#include "oslo/lens_file_name.h"

#include <gtest/gtest.h>

#include <string>

#include "oslo/fake_lens_file_platform.h"

namespace vn {
namespace {

using test::FailureOf;

// United States short date and long time of 1:23:45 PM on 5 December 2026.
const ClockText kUsClock{"12/5/2026", "1:23:45 PM"};

TEST(BuildLensFileName, WorkedExamples) {
  // 2286 / 254 / 2 = 4.5, and the same mirror in inches 90 / 10 / 2 = 4.5.
  // 254.5 and 255.5 are exact binary halves, rounded to even: 254 and 256.
  // 2159 / 254 / 2 is exactly 4.25 (254 x 8.5 = 2159): 4.2. 2000 / 200 / 2 = 5
  // has no decimal part. The start-up mirror: 317.5 → 318, 2540 / 317.5 / 2 = 4.
  const struct {
    bool inch;
    double diameter, radius;
    const char* name;
  } cases[] = {
      {false, 254, 2286, "254 mm_F-4.5"},   {true, 10, 90, "10inch_F-4.5"},
      {false, 254.5, 2286, "254 mm_F-4.5"}, {false, 255.5, 2286, "256 mm_F-4.5"},
      {false, 254, 2159, "254 mm_F-4.2"},   {false, 200, 2000, "200 mm_F-5"},
      {false, 317.5, 2540, "318 mm_F-4"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BuildLensFileName("/opt/vn", "/", c.inch, c.diameter, c.radius, kUsClock),
              std::string("/opt/vn/") + c.name + "_created_12_5_2026@1_23_45 PM.len");
  }
  // Other date and time formats: points stay; colons, and slashes that would
  // make folders, become "_".
  EXPECT_EQ(BuildLensFileName("/d", "/", false, 254, 2286, {"05.12.26", "13:23:45"}),
            "/d/254 mm_F-4.5_created_05.12.26@13_23_45.len");
  EXPECT_EQ(BuildLensFileName("/d", "/", false, 254, 2286, {"2026/12/05", "13/23"}),
            "/d/254 mm_F-4.5_created_2026_12_05@13_23.len");
}

TEST(BuildLensFileName, NoDoubledSeparatorAtARoot) {
  const std::string name = "10inch_F-4.5_created_12_5_2026@1_23_45 PM.len";
  EXPECT_EQ(BuildLensFileName("/", "/", true, 10, 90, kUsClock), "/" + name);
  EXPECT_EQ(BuildLensFileName("C:\\", "\\", true, 10, 90, kUsClock), "C:\\" + name);
  EXPECT_EQ(BuildLensFileName("C:\\Vn", "\\", true, 10, 90, kUsClock), "C:\\Vn\\" + name);
}

TEST(BuildLensFileName, ZeroDiameterEndsTheRun) {
  EXPECT_EQ(FailureOf([] { BuildLensFileName("/d", "/", false, 0, 2286, kUsClock); }),
            FailureKind::Arithmetic);
}

}  // namespace
}  // namespace vn
