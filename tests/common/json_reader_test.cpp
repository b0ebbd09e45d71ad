// The strict JSON reader: what RFC 8259 allows reads to the right values
// under any locale, and everything else is refused at the right place.
#include "common/json_reader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>

#include "support/comma_locale.h"

namespace vn {
namespace {

TEST(ReadJson, ReadsValuesUnderACommaLocale) {
  test::CommaLocale comma;
  const JsonReading r = ReadJson(
      "\xEF\xBB\xBF {\"n\": [0.6328, -0, 1E+2, 5e-400, -12],\r\n"
      " \"s\": \"a\\\"\\\\\\/\\b\\f\\n\\r\\t\\u00e9\\u20AC\\ud83d\\udd2d\xC3\xA9\","
      " \"t\": true, \"f\": false, \"z\": null, \"o\": {}, \"a\": []}");
  ASSERT_TRUE(r.value) << r.error.Message();
  const JsonValue& v = *r.value;
  const JsonValue* n = v.Member("n");
  ASSERT_TRUE(n != nullptr && n->items.size() == 5);
  // 0.6328 must not stop at a decimal comma; 5e-400 underflows to zero.
  const double expected[] = {0.6328, 0.0, 100.0, 0.0, -12.0};
  for (int k = 0; k < 5; ++k) EXPECT_EQ(n->items[k].number, expected[k]) << k;
  EXPECT_TRUE(std::signbit(n->items[1].number));
  EXPECT_EQ(v.Member("s")->text, "a\"\\/\b\f\n\r\t\xC3\xA9\xE2\x82\xAC\xF0\x9F\x94\xAD\xC3\xA9");
  EXPECT_TRUE(v.Member("t")->boolean && v.Member("t")->kind == JsonValue::Kind::Bool);
  EXPECT_FALSE(v.Member("f")->boolean);
  EXPECT_EQ(v.Member("z")->kind, JsonValue::Kind::Null);
  EXPECT_EQ(v.Member("o")->kind, JsonValue::Kind::Object);
  EXPECT_EQ(v.Member("a")->kind, JsonValue::Kind::Array);
  EXPECT_EQ(v.Member("missing"), nullptr);
  EXPECT_EQ(n->Member("n"), nullptr);  // an array has no members
}

TEST(ReadJson, RefusesWhatIsNotStrictJsonAtItsPlace) {
  const struct {
    std::string text;
    const char* message;
  } cases[] = {
      {"", "line 1, column 1: no JSON value (the text is empty)"},
      {"{\"a\": 1,}", "line 1, column 9: expected a key in double quotes"},
      {"[1, 2,]", "line 1, column 7: expected a value"},
      {"{\"a\" 1}", "line 1, column 6: expected ':' after the key"},
      {"{\"a\": 1 \"b\": 2}", "line 1, column 9: expected ',' or '}'"},
      {"[1 2]", "line 1, column 4: expected ',' or ']'"},
      {"{\"a\": 1", "line 1, column 8: expected ',' or '}', found the end of the text"},
      {"{\"a\": 1, \"a\": 2}", "line 1, column 10: the key \"a\" appears twice"},
      {"{} {}", "line 1, column 4: more text after the JSON value"},
      {"[NaN]", "line 1, column 2: expected a value"},
      {"[01]", "line 1, column 3: a number with a leading zero"},
      {"[1.]", "line 1, column 4: expected a digit after the decimal point"},
      {"[1e]", "line 1, column 4: expected a digit in the exponent"},
      {"[-]", "line 1, column 3: expected a digit"},
      {"[1e999]", "line 1, column 2: a number too large for the program"},
      {"\"abc", "line 1, column 5: a string without its closing quote"},
      {"\"a\tb\"",
       "line 1, column 3: a control character inside a string (it must be written "
       "as an escape)"},
      {"\"\\x\"", "line 1, column 2: an unknown escape in a string"},
      {"\"\\u12G4\"", "line 1, column 6: expected four hexadecimal digits after \\u"},
      {"\"\\ud83d\"", "line 1, column 2: a lone surrogate escape"},
      {"\"\\udd2d\"", "line 1, column 2: a lone surrogate escape"},
      // Columns count characters: the é before the fault is one.
      {"{\"\xC3\xA9\": \"\xFF\"}", "line 1, column 8: bytes that are not UTF-8 text"},
      {"[\"\xC0\xAF\"]", "line 1, column 3: bytes that are not UTF-8 text"},  // overlong
      {std::string("[\"a\0b\"]", 7),
       "line 1, column 4: a control character inside a string "
       "(it must be written as an escape)"},
      {"\xEF\xBB\xBF", "line 1, column 2: no JSON value (the text is empty)"},
  };
  for (const auto& c : cases) {
    const JsonReading r = ReadJson(c.text);
    EXPECT_FALSE(r.value) << c.text;
    EXPECT_EQ(r.error.Message(), c.message) << c.text;
  }
}

TEST(ReadJson, NestsToItsLimitAndNoFurther) {
  const auto nested = [](int depth) {
    return std::string(static_cast<std::size_t>(depth), '[') +
           std::string(static_cast<std::size_t>(depth), ']');
  };
  EXPECT_TRUE(ReadJson(nested(kMaxJsonDepth)).value);
  const JsonReading deep = ReadJson(nested(kMaxJsonDepth + 1));
  EXPECT_EQ(deep.error.what, "values nested too deeply");
  EXPECT_EQ(deep.error.column, static_cast<std::size_t>(kMaxJsonDepth + 1));
  // Far deeper than any stack would take, still a clean refusal.
  EXPECT_FALSE(ReadJson(std::string(1000000, '[')).value);
}

// A key given twice is found however wide the object: 100,000 members with
// the first key again at the end. Checked against every earlier key, as a
// plain search would, that is 5e9 comparisons, which took a minute and a
// half; found in linear time, it takes milliseconds (seconds under the
// sanitizers). The bound is twenty times the slowest linear reading seen.
TEST(ReadJson, FindsAKeyGivenTwiceInAVeryWideObject) {
  std::string text = "{";
  for (int k = 0; k < 100000; ++k) text.append("\"key").append(std::to_string(k)).append("\":1,");
  const auto start = std::chrono::steady_clock::now();
  const JsonReading wide = ReadJson(text + "\"last\":2}");
  const JsonReading twice = ReadJson(text + "\"key0\":2}");
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(took.count(), 20.0);
  ASSERT_TRUE(wide.value);
  EXPECT_EQ(wide.value->keys.size(), 100001u);
  EXPECT_EQ(wide.value->Member("key99999")->number, 1);
  EXPECT_EQ(twice.error.what, "the key \"key0\" appears twice");
  EXPECT_EQ(twice.error.column, text.size() + 1);
}

}  // namespace
}  // namespace vn
