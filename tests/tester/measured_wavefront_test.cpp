// Reading measurements: each form into the same grid (rows upside down as
// the files have the top first, the outline, the wavelength), and the files
// that must be refused, with what the user is told.
#include "tester/measured_wavefront.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/comma_locale.h"

namespace vn {
namespace {

double At(const MeasuredWavefront& w, int row, int col) {
  return w.waves[static_cast<std::size_t>(row * w.width + col)];
}

TEST(MeasuredWavefront, ReadsEachFormIntoOneGrid) {
  test::CommaLocale comma;
  // A 3×4 .wft: its first line of values is the top row (grid row 2); 0 is
  // no data; the outline and wavelength from the trailer.
  const MeasuredWavefront wft = ReadMeasuredWavefront(
      "4\n3\n1\n2\n3\n4\n5\n0\n7\n8\n9\n10\n11\n1.5e-1\n"
      "outside ellipse 1.5 1 1.4 1.4\nDIAM 317.5\nROC 2540\nLambda 632.8\nDo Not use null\n",
      "a.wft", {});
  ASSERT_TRUE(wft.ok) << wft.why;
  EXPECT_EQ(wft.width, 4);
  EXPECT_EQ(At(wft, 2, 0), 1.0);
  EXPECT_TRUE(std::isnan(At(wft, 1, 1)));
  EXPECT_EQ(At(wft, 0, 3), 0.15);
  EXPECT_EQ(wft.centreX, 1.5);
  EXPECT_EQ(wft.radius, 1.4);
  EXPECT_EQ(*wft.wavelengthNm, 632.8);
  EXPECT_EQ(*wft.diameterMm, 317.5);

  // A CSV grid in nm at the given wavelength: the same orientation, blank
  // cells no data, the outline the largest circle.
  MeasurementReading nm;
  nm.valuesInNm = true;
  nm.wavelengthNm = 500;
  const MeasuredWavefront grid =
      ReadMeasuredWavefront("50,100,150\n200,,250\n300,350,400\n", "b.CSV", nm);
  ASSERT_TRUE(grid.ok) << grid.why;
  EXPECT_EQ(At(grid, 2, 0), 0.1);
  EXPECT_EQ(At(grid, 0, 2), 0.8);
  EXPECT_TRUE(std::isnan(At(grid, 1, 1)));
  EXPECT_EQ(grid.radius, 1.0);

  // Term lists: a .zrn read until the first word that is not a number, a
  // CSV column; the grid is their sum, Z8's centre is +1 times its term.
  for (const auto& [text, name] : {std::pair{"0\n0\n0\n0\n0\n0\n0\n0\n0.25\nend\n", "c.zrn"},
                                   std::pair{"0\n0\n0\n0\n0\n0\n0\n0\n0.25\n", "d.csv"}}) {
    const MeasuredWavefront terms = ReadMeasuredWavefront(text, name, {});
    ASSERT_TRUE(terms.ok) << terms.why;
    EXPECT_NEAR(At(terms, 200, 200), 0.25, 1e-12) << name;
    EXPECT_NEAR(At(terms, 200, 400), 0.25, 1e-12) << name;
    EXPECT_FALSE(terms.wavelengthNm.has_value());
  }
}

TEST(MeasuredWavefront, RefusesWhatIsNotAMeasurement) {
  MeasurementReading at532;
  at532.wavelengthNm = 532;
  const struct {
    const char* text;
    const char* name;
    MeasurementReading how;
    const char* message;
  } cases[] = {
      {"3\n3\n1\n1\n1\n1\n", "short.wft", {}, "short.wft: the grid stops after 4 of its 9 values"},
      {"3\n3\n1\n1\nx\n1\n1\n1\n1\n1\n1\n",
       "word.wft",
       {},
       "word.wft: line 5 of the grid is not a number"},
      {"9999\n3\n",
       "huge.wft",
       {},
       "huge.wft: not a .wft: its first two lines are not a width and a height from 3 to 4096"},
      {"3\n3\n1\n1\n1\n1\n1\n1\n1\n1\n1\nLambda 632.8\n", "other.wft", at532,
       "other.wft: it says it was measured at 632.8 nm, not at the 532 nm given"},
      {"3\n3\n0\n0\n0\n0\n0\n0\n0\n0\n0\n",
       "empty.wft",
       {},
       "empty.wft: holds no data inside the mirror"},
      {"1,2,3\n4,5\n6,7,8\n", "ragged.csv", {}, "ragged.csv: row 2 has 2 cells, the first 3"},
      {"nothing\n", "none.zrn", {}, "none.zrn: holds no Zernike terms"},
      {"1\n", "m.txt", {}, "m.txt: a measurement is a .wft, .zrn or .csv file"},
  };
  for (const auto& c : cases) {
    const MeasuredWavefront w = ReadMeasuredWavefront(c.text, c.name, c.how);
    EXPECT_FALSE(w.ok) << c.name;
    EXPECT_EQ(w.why, c.message);
  }
  EXPECT_FALSE(ReadMeasuredWavefrontFile("/nonexistent/m.wft", {}).ok);
}

}  // namespace
}  // namespace vn
