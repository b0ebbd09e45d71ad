// Reading JSON text: a strict reader for the program's own small files (the
// set-up files), the counterpart of json_text.h.
//
// The whole text must be one JSON value as RFC 8259 defines it, and nothing
// else: no comments, no trailing commas, no single quotes, no NaN or infinity,
// no key twice in one object. The text must be UTF-8; a leading byte-order
// mark is skipped, any byte that is not part of a well-formed UTF-8 sequence
// is refused. Escapes are decoded to UTF-8, surrogate pairs included; a lone
// surrogate is refused. Numbers are read without the C library's locale, and
// one too large for a double is refused. Values nest at most kMaxJsonDepth
// deep, so a hostile file cannot exhaust the stack.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vn {

inline constexpr int kMaxJsonDepth = 32;

struct JsonValue {
  enum class Kind { Null, Bool, Number, String, Array, Object };
  Kind kind = Kind::Null;
  bool boolean = false;
  double number = 0;
  std::string text;  // a string's value, UTF-8
  // An array's elements; an object's member values, in the order of the text.
  std::vector<JsonValue> items;
  // An object's member names, one for each of items.
  std::vector<std::string> keys;

  // The member of an object with that name, or nullptr (also for non-objects).
  const JsonValue* Member(std::string_view key) const;
};

// Where and why a text is not JSON. Lines and columns count from 1; columns
// count characters, not bytes.
struct JsonSyntaxError {
  std::size_t line = 0;
  std::size_t column = 0;
  std::string what;  // "expected ',' or '}'"
  // "line 3, column 7: expected ',' or '}'"
  std::string Message() const;
};

struct JsonReading {
  std::optional<JsonValue> value;  // set when the text is JSON
  JsonSyntaxError error;           // otherwise why not
};

JsonReading ReadJson(std::string_view text);

}  // namespace vn
