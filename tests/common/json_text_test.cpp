// JSON text: every string the program writes is valid UTF-8 JSON whatever
// bytes were typed, and numbers read back to the same double.
#include "common/json_text.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <random>

#include "support/comma_locale.h"

namespace vn {
namespace {

TEST(JsonString, EscapesControlsAndReplacesBytesThatAreNotUtf8) {
  const struct {
    std::string_view in;
    const char* out;
  } cases[] = {
      {"BK7", "\"BK7\""},
      {"a\"b\\c", "\"a\\\"b\\\\c\""},
      {"1\r\n2\t\x01", "\"1\\r\\n2\\t\\u0001\""},
      {"\xC3\xA9 \xE2\x80\x94 \xF0\x9F\x94\xAD", "\"\xC3\xA9 \xE2\x80\x94 \xF0\x9F\x94\xAD\""},
      // A mirror radius typed as the bytes FF FE then "12".
      {"\xFF\xFE"
       "12",
       "\"\xEF\xBF\xBD\xEF\xBF\xBD"
       "12\""},
      {"\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},                  // overlong "/"
      {"\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},  // a surrogate
      {"\xF4\x90\x80\x80",
       "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},  // past U+10FFFF
      {"\xE2\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},              // cut short
  };
  for (const auto& c : cases) EXPECT_EQ(JsonString(c.in), c.out) << c.in;
}

TEST(JsonNumber, IsTheShortestRoundTripUnderAnyLocale) {
  test::CommaLocale comma;
  EXPECT_EQ(JsonNumber(204.81679568857592), "204.81679568857592");
  EXPECT_EQ(JsonNumber(-0.0), "0");
  EXPECT_EQ(JsonNumber(9e99), "9e+99");
  EXPECT_EQ(JsonNumber(std::numeric_limits<double>::infinity()), "null");
  EXPECT_EQ(JsonNumber(std::nan("")), "null");
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> x(-1e6, 1e6);
  for (int i = 0; i < 1000; ++i) {
    const double value = x(rng);
    const std::string text = JsonNumber(value);
    double back = 0;
    std::from_chars(text.data(), text.data() + text.size(), back);
    EXPECT_EQ(back, value) << text;
  }
}

}  // namespace
}  // namespace vn
