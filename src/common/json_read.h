// JSON reading: a small strict reader for the files a user hands the program.
//
// It takes exactly RFC 8259 JSON and refuses everything else with a message
// naming the line and column: comments, trailing commas, single quotes,
// leading zeros, NaN and Infinity, numbers too large for a double, control
// characters or invalid UTF-8 in strings, unpaired surrogate escapes,
// duplicate keys in an object, anything after the value, and nesting deeper
// than 64 levels. A UTF-8 byte-order mark at the start is passed over (some
// editors write one). Numbers are read with std::from_chars, never through
// the C library's locale.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vn {

struct JsonValue {
  enum class Kind { Null, Bool, Number, String, Array, Object };
  Kind kind = Kind::Null;
  bool boolean = false;
  double number = 0;
  std::string text;                                        // String
  std::vector<JsonValue> items;                            // Array
  std::vector<std::pair<std::string, JsonValue>> members;  // Object, in the file's order

  // The member of that name of an object, or null.
  const JsonValue* Find(std::string_view key) const;
};

struct JsonReading {
  std::optional<JsonValue> value;
  std::string error;  // "line 3, column 14: expected ',' or '}'" when value is empty
};

JsonReading ReadJson(std::string_view text);

}  // namespace vn
