// JSON numbers and strings.
#include "common/json_text.h"

#include <cmath>

#include "common/decimal_conversion.h"

namespace vn {

std::string JsonNumber(double x) {
  if (!std::isfinite(x)) return "null";
  if (x == 0.0) return "0";  // negative zero included
  char buf[64];
  return std::string(buf, WriteShortest(buf, buf + sizeof buf, x));
}

std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) -> unsigned {
    return k < text.size() ? static_cast<unsigned char>(text[k]) : 0u;
  };
  const unsigned b0 = byte(i);
  if (b0 < 0x80) return 1;
  const auto continuation = [&](std::size_t k) { return (byte(k) & 0xC0u) == 0x80u; };
  // The second byte's range rules out overlong forms, surrogates and code
  // points past U+10FFFF (RFC 3629, table 3-7 of the Unicode standard).
  if (b0 >= 0xC2 && b0 <= 0xDF) return continuation(i + 1) ? 2 : 0;
  if (b0 >= 0xE0 && b0 <= 0xEF) {
    const unsigned b1 = byte(i + 1);
    const unsigned low = b0 == 0xE0 ? 0xA0 : 0x80;
    const unsigned high = b0 == 0xED ? 0x9F : 0xBF;
    return b1 >= low && b1 <= high && continuation(i + 2) ? 3 : 0;
  }
  if (b0 >= 0xF0 && b0 <= 0xF4) {
    const unsigned b1 = byte(i + 1);
    const unsigned low = b0 == 0xF0 ? 0x90 : 0x80;
    const unsigned high = b0 == 0xF4 ? 0x8F : 0xBF;
    return b1 >= low && b1 <= high && continuation(i + 2) && continuation(i + 3) ? 4 : 0;
  }
  return 0;
}

std::string JsonString(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = Utf8SequenceLength(text, i);
    if (length == 0) {
      out += "\xEF\xBF\xBD";  // U+FFFD REPLACEMENT CHARACTER
      ++i;
      continue;
    }
    if (length > 1) {
      out.append(text.substr(i, length));
      i += length;
      continue;
    }
    const char c = text[i++];
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
          out += "\\u00";
          out += kHex[(c >> 4) & 0xF];
          out += kHex[c & 0xF];
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

}  // namespace vn
