// The strict JSON reader: what it takes, what it refuses and with which
// words, numbers read without the locale, and the program's own JSON read
// back.
#include "common/json_read.h"

#include <gtest/gtest.h>

#include <cmath>

#include "common/json_text.h"
#include "support/comma_locale.h"

namespace vn {
namespace {

TEST(JsonRead, TakesEveryKindOfValue) {
  const JsonReading r = ReadJson(
      "\xEF\xBB\xBF { \"a\" : [1, -2.5e3, 0.125, -0, 1E-400], \"b\": {\"c\": true, \"d\": null},"
      " \"e\": \"x\\u00e9\\ud83d\\ude00\\n\\\"\\\\/\", \"f\": false, \"g\": [] }\r\n");
  ASSERT_TRUE(r.value) << r.error;
  const JsonValue& v = *r.value;
  ASSERT_EQ(v.kind, JsonValue::Kind::Object);
  const JsonValue* a = v.Find("a");
  ASSERT_TRUE(a && a->items.size() == 5);
  EXPECT_EQ(a->items[0].number, 1.0);
  EXPECT_EQ(a->items[1].number, -2500.0);
  EXPECT_EQ(a->items[2].number, 0.125);
  EXPECT_TRUE(std::signbit(a->items[3].number));
  EXPECT_EQ(a->items[4].number, 0.0);  // too small for a double: zero
  EXPECT_TRUE(v.Find("b")->Find("c")->boolean);
  EXPECT_EQ(v.Find("b")->Find("d")->kind, JsonValue::Kind::Null);
  EXPECT_EQ(v.Find("e")->text, "x\xC3\xA9\xF0\x9F\x98\x80\n\"\\/");
  EXPECT_EQ(v.Find("f")->kind, JsonValue::Kind::Bool);
  EXPECT_TRUE(v.Find("g")->items.empty());
  EXPECT_EQ(v.Find("h"), nullptr);
}

TEST(JsonRead, RefusesAnythingElseSayingWhereAndWhy) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"", "line 1, column 1: the text ends where a value should be"},
      {"{\"a\": 1,}", "line 1, column 9: expected a name in double quotes"},
      {"[1, 2,]", "line 1, column 7: expected a value"},
      {"{\"a\": 1 \"b\": 2}", "line 1, column 9: expected ',' or '}'"},
      {"{\"a\": 1, \"a\": 2}", "line 1, column 10: the name \"a\" appears twice"},
      {"{'a': 1}", "line 1, column 2: expected a name in double quotes"},
      {"[01]", "line 1, column 3: a number must not start with 0"},
      {"[1.]", "line 1, column 4: expected digits after the decimal point"},
      {"[.5]", "line 1, column 2: expected a value"},
      {"[1e]", "line 1, column 4: expected digits in the exponent"},
      {"[NaN]", "line 1, column 2: expected a value"},
      {"[Infinity]", "line 1, column 2: expected a value"},
      {"[1e400]", "line 1, column 2: a number too large for the program"},
      {"[tru]", "line 1, column 2: unknown word (JSON knows true, false, null)"},
      {"\"a\tb\"", "line 1, column 3: a control character inside a string must be escaped"},
      {"\"\\x\"", "line 1, column 3: unknown escape in a string"},
      {"\"\\ud83d\"", "line 1, column 8: a high surrogate without a low one"},
      {"\"\\ude00\"", "line 1, column 8: a low surrogate without a high one"},
      {"\"\xC3\x28\"", "line 1, column 2: a string that is not valid UTF-8"},
      {"\"abc", "line 1, column 5: the text ends inside a string"},
      {"{}\n  x", "line 2, column 3: unexpected text after the value"},
      {"// note\n{}", "line 1, column 1: expected a value"},
      {"1 2", "line 1, column 3: unexpected text after the value"},
  };
  for (const auto& c : cases) {
    const JsonReading r = ReadJson(c.text);
    EXPECT_FALSE(r.value) << c.text;
    EXPECT_EQ(r.error, c.error) << c.text;
  }
  std::string deep(65, '[');
  deep += std::string(65, ']');
  EXPECT_EQ(ReadJson(deep).error, "line 1, column 65: nested more than 64 levels deep");
  EXPECT_TRUE(ReadJson(std::string(64, '[') + std::string(64, ']')).value);
}

TEST(JsonRead, ReadsNumbersWithoutTheLocaleAndBackAsWritten) {
  // Under a decimal-comma locale "0.1" is still a tenth, and every number
  // the program writes reads back to the same double.
  test::CommaLocale comma;
  for (const double x : {0.1, -204.81679568857592, 6.02214076e23, 5e-324, 1.0 / 3.0, 1e-5}) {
    std::string text = "[";
    text += JsonNumber(x);
    text += ']';
    const JsonReading r = ReadJson(text);
    ASSERT_TRUE(r.value) << r.error;
    EXPECT_EQ(r.value->items[0].number, x);
  }
}

}  // namespace
}  // namespace vn
