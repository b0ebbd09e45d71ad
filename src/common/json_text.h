// JSON text: the one way the program writes numbers and strings into JSON.
//
// Numbers are written as the shortest text that reads back to the same double
// ("204.81679568857592"), never through the C library's locale; JSON has no
// infinity or NaN, so a figure that could not be computed is null. Strings are
// always valid UTF-8: a byte that is not part of a well-formed UTF-8 sequence
// (a typed entry may hold any bytes) is replaced by U+FFFD, the replacement
// character, and control characters are escaped.
#pragma once

#include <string>
#include <string_view>

namespace vn {

std::string JsonNumber(double x);

// The text in double quotes, escaped as above.
std::string JsonString(std::string_view text);

// The length of the well-formed UTF-8 sequence starting at text[i], or 0 when
// the byte there does not start one (overlong forms, surrogates and values
// past U+10FFFF included).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i);

}  // namespace vn
