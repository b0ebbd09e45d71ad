// Number text: the general number form, half-even rounding and reading typed
// numbers. Expected texts are the report's own examples; they must match to
// the character.
#include "common/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "support/comma_locale.h"

namespace vn {
namespace {

TEST(GeneralNumber, WritesTheReportExamples) {
  const struct {
    double x;
    const char* text;
  } cases[] = {
      {399.930, "399.93"},
      {80, "80"},
      {632.8000000000001, "632.8"},  // 0.6328 × 1000, the echoed wavelength
      {0.00002, "2E-05"},
      {9e99, "9E+99"},
      {9e99 / 25.4, "3.54330708661417E+98"},  // the flat radius converted to inches
      {-206 / 25.4, "-8.11023622047244"},
      {15 / 25.4, "0.590551181102362"},
      {80 / 25.4, "3.1496062992126"},
      {0.5, "0.5"},
      {-0.5, "-0.5"},
      {0.0001, "0.0001"},  // the smallest magnitude written without exponent
      {0.00012345, "0.00012345"},
      {1e15, "1E+15"},  // the first magnitude written with one
      {999999999999999, "999999999999999"},
      {123456789.123456789, "123456789.123457"},  // 15 significant digits
      {1e100, "1E+100"},
      {1.5e-300, "1.5E-300"},
      // The exponent form is judged after rounding to 15 digits.
      {std::nextafter(0.0001, 0.0), "0.0001"},
      {999999999999999.9, "1E+15"},
  };
  for (const auto& c : cases) EXPECT_EQ(GeneralNumber(c.x), c.text) << c.x;
}

TEST(Round, TiesGoToTheEvenDigit) {
  EXPECT_EQ(Round(254.5, 0), 254);
  EXPECT_EQ(Round(255.5, 0), 256);
  EXPECT_EQ(Round(4.25, 1), 4.2);
  EXPECT_EQ(Round(4.35, 1), 4.3);    // 4.35 is stored a little below the tie
  EXPECT_EQ(Round(0.125, 2), 0.12);  // an exact binary tie
  EXPECT_EQ(Round(0.375, 2), 0.38);
  EXPECT_EQ(RoundedText(80.123456, 3), "80.123");
  EXPECT_EQ(RoundedText(3.14159265, 4), "3.1416");
  EXPECT_EQ(RoundedText(12.5, 3), "12.5");
  EXPECT_EQ(RoundedText(-2.5, 0), "-2");
  EXPECT_EQ(RoundedText(1e300, 9), "1E+300");
  // Negative zero is not negative.
  EXPECT_EQ(GeneralNumber(-0.0), "0");
  EXPECT_EQ(RoundedText(-0.0004, 3), "0");
}

TEST(ReadNumber, AcceptsDecimalNotation) {
  const struct {
    const char* text;
    double value;
  } cases[] = {{"317.5", 317.5}, {"9e99", 9e99}, {"-206", -206}, {"1.51509", 1.51509},
               {"-1.0", -1.0},   {"+2", 2},      {".5", 0.5},    {"5.", 5},
               {"1E+05", 1e5},   {"  15\t", 15}, {"-0", -0.0},   {"1e-999", 0.0},
               {"0.000e999", 0}, {"00012", 12}};
  for (const auto& c : cases) {
    const auto v = ReadNumber(c.text);
    ASSERT_TRUE(v.has_value()) << c.text;
    EXPECT_EQ(*v, c.value) << c.text;
  }
}

TEST(ReadNumber, RefusesEverythingElse) {
  // "\u2013" is an en dash, which a word processor puts for a minus.
  for (const char* text : {"",    " ",     "abc",    "1,5", "0x1p3", "inf",     "-inf", "nan",
                           "NaN", "1e999", "-1e400", "1 2", "1e",    "e5",      ".",    "-",
                           "+-1", "1.2.3", "&H10",   "1d5", "12abc", "\u20135", "1e+",  "--1"}) {
    EXPECT_FALSE(ReadNumber(text).has_value()) << '"' << text << '"';
  }
}

TEST(ReadNumber, RoundTripsTheGeneralNumberForm) {
  // Text written by the program reads back to within the 15 digits it kept,
  // and writing the read value again gives the same text.
  std::mt19937_64 rng(20261206);
  std::uniform_real_distribution<double> mantissa(-10, 10);
  std::uniform_int_distribution<int> exponent(-300, 300);
  for (int i = 0; i < 20000; ++i) {
    const double x = mantissa(rng) * std::pow(10.0, exponent(rng));
    if (!std::isfinite(x)) continue;
    const std::string text = GeneralNumber(x);
    const auto back = ReadNumber(text);
    ASSERT_TRUE(back.has_value()) << text;
    EXPECT_EQ(GeneralNumber(*back), text);
    EXPECT_LE(std::fabs(*back - x), std::fabs(x) * 1e-14) << text;
  }
}

TEST(NumberText, IsTheSameUnderACommaLocale) {
  // The start-up run's figures, written and read under "C" and again under a
  // locale whose decimal separator is a comma: a German user once got "204"
  // for 204.817.
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> mantissa(-10, 10);
  std::uniform_int_distribution<int> exponent(-20, 20);
  std::vector<double> values = {204.81679568857592, 2076.366, 58.3, 399.93, 0.6328, 1.51509};
  for (int i = 0; i < 2000; ++i) values.push_back(mantissa(rng) * std::pow(10.0, exponent(rng)));
  std::vector<std::string> inC;
  for (double x : values) inC.push_back(GeneralNumber(x) + "|" + RoundedText(x, 3));

  test::CommaLocale comma;
  EXPECT_EQ(GeneralNumber(204.81679568857592), "204.816795688576");
  EXPECT_EQ(RoundedText(204.81679568857592, 3), "204.817");
  EXPECT_EQ(ReadNumber("1.51509"), 1.51509);
  EXPECT_FALSE(ReadNumber("1,51509").has_value());
  // Every field's rule: the point alone; a comma is named, never read.
  EXPECT_EQ(NumberTextProblem("-0.1"), "");
  EXPECT_EQ(NumberTextProblem("9e99"), "");
  for (const char* comma : {"-0,1", "1,000", "2,5e3", ","})
    EXPECT_TRUE(NumberTextProblem(comma).starts_with("has a comma")) << comma;
  EXPECT_EQ(NumberTextProblem("abc"), "is not a number.");
  for (std::size_t i = 0; i < values.size(); ++i)
    EXPECT_EQ(GeneralNumber(values[i]) + "|" + RoundedText(values[i], 3), inC[i]) << values[i];
}

}  // namespace
}  // namespace vn
