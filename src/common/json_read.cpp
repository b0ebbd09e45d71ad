// A strict JSON reader by recursive descent.
#include "common/json_read.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "common/json_text.h"

namespace vn {

namespace {

constexpr int kMaxDepth = 64;

struct Refusal {
  std::size_t at;
  std::string what;
};

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  JsonValue Document() {
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") at_ = 3;
    SkipBlanks();
    JsonValue value = Value(1);
    SkipBlanks();
    if (at_ != text_.size()) Refuse("unexpected text after the value");
    return value;
  }

  // "line L, column C" of a byte offset; columns count characters, not bytes.
  std::string Where(std::size_t offset) const {
    std::size_t line = 1, column = 1;
    for (std::size_t i = 0; i < offset && i < text_.size(); ++i) {
      if (text_[i] == '\n') {
        ++line;
        column = 1;
      } else if ((static_cast<unsigned char>(text_[i]) & 0xC0) != 0x80) {
        ++column;
      }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
  }

 private:
  [[noreturn]] void Refuse(const std::string& what) const { throw Refusal{at_, what}; }

  bool AtEnd() const { return at_ >= text_.size(); }
  char Peek() const { return AtEnd() ? '\0' : text_[at_]; }

  void SkipBlanks() {
    while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')) {
      ++at_;
    }
  }

  void Expect(char c, const char* what) {
    if (Peek() != c) Refuse(std::string("expected ") + what);
    ++at_;
  }

  void Literal(std::string_view word) {
    if (text_.substr(at_, word.size()) != word)
      Refuse("unknown word (JSON knows true, false, null)");
    at_ += word.size();
  }

  JsonValue Value(int depth) {
    if (depth > kMaxDepth) Refuse("nested more than 64 levels deep");
    JsonValue value;
    switch (Peek()) {
      case '{':
        value.kind = JsonValue::Kind::Object;
        Object(value, depth);
        break;
      case '[':
        value.kind = JsonValue::Kind::Array;
        Array(value, depth);
        break;
      case '"':
        value.kind = JsonValue::Kind::String;
        value.text = String();
        break;
      case 't':
        Literal("true");
        value.kind = JsonValue::Kind::Bool;
        value.boolean = true;
        break;
      case 'f':
        Literal("false");
        value.kind = JsonValue::Kind::Bool;
        break;
      case 'n':
        Literal("null");
        break;
      default:
        if (Peek() == '-' || (Peek() >= '0' && Peek() <= '9')) {
          value.kind = JsonValue::Kind::Number;
          value.number = Number();
          break;
        }
        Refuse(AtEnd() ? "the text ends where a value should be" : "expected a value");
    }
    return value;
  }

  void Object(JsonValue& object, int depth) {
    ++at_;  // {
    SkipBlanks();
    if (Peek() == '}') {
      ++at_;
      return;
    }
    for (;;) {
      SkipBlanks();
      if (Peek() != '"') Refuse("expected a name in double quotes");
      const std::size_t nameAt = at_;
      std::string name = String();
      if (object.Find(name) != nullptr) {
        at_ = nameAt;
        Refuse("the name \"" + name + "\" appears twice");
      }
      SkipBlanks();
      Expect(':', "':' after the name");
      SkipBlanks();
      object.members.emplace_back(std::move(name), Value(depth + 1));
      SkipBlanks();
      if (Peek() == ',') {
        ++at_;
        continue;
      }
      Expect('}', "',' or '}'");
      return;
    }
  }

  void Array(JsonValue& array, int depth) {
    ++at_;  // [
    SkipBlanks();
    if (Peek() == ']') {
      ++at_;
      return;
    }
    for (;;) {
      SkipBlanks();
      array.items.push_back(Value(depth + 1));
      SkipBlanks();
      if (Peek() == ',') {
        ++at_;
        continue;
      }
      Expect(']', "',' or ']'");
      return;
    }
  }

  unsigned HexQuad() {
    unsigned code = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = Peek();
      unsigned digit = 0;
      if (c >= '0' && c <= '9') {
        digit = static_cast<unsigned>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        digit = static_cast<unsigned>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        digit = static_cast<unsigned>(c - 'A' + 10);
      } else {
        Refuse("expected four hexadecimal digits after \\u");
      }
      code = code * 16 + digit;
      ++at_;
    }
    return code;
  }

  static void AppendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  std::string String() {
    ++at_;  // "
    std::string out;
    for (;;) {
      if (AtEnd()) Refuse("the text ends inside a string");
      const unsigned char c = static_cast<unsigned char>(Peek());
      if (c == '"') {
        ++at_;
        return out;
      }
      if (c < 0x20) Refuse("a control character inside a string must be escaped");
      if (c == '\\') {
        ++at_;
        const char e = Peek();
        ++at_;
        switch (e) {
          case '"':
          case '\\':
          case '/':
            out += e;
            break;
          case 'b':
            out += '\b';
            break;
          case 'f':
            out += '\f';
            break;
          case 'n':
            out += '\n';
            break;
          case 'r':
            out += '\r';
            break;
          case 't':
            out += '\t';
            break;
          case 'u': {
            unsigned code = HexQuad();
            if (code >= 0xDC00 && code <= 0xDFFF) Refuse("a low surrogate without a high one");
            if (code >= 0xD800 && code <= 0xDBFF) {
              if (text_.substr(at_, 2) != "\\u") Refuse("a high surrogate without a low one");
              at_ += 2;
              const unsigned low = HexQuad();
              if (low < 0xDC00 || low > 0xDFFF) Refuse("a high surrogate without a low one");
              code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            }
            AppendUtf8(out, code);
            break;
          }
          default:
            --at_;
            Refuse("unknown escape in a string");
        }
        continue;
      }
      const std::size_t length = Utf8SequenceLength(text_, at_);
      if (length == 0) Refuse("a string that is not valid UTF-8");
      out.append(text_.substr(at_, length));
      at_ += length;
    }
  }

  double Number() {
    // -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
    const std::size_t start = at_;
    const auto digits = [&] {
      std::size_t n = 0;
      while (Peek() >= '0' && Peek() <= '9') ++at_, ++n;
      return n;
    };
    if (Peek() == '-') ++at_;
    if (Peek() == '0') {
      ++at_;
      if (Peek() >= '0' && Peek() <= '9') Refuse("a number must not start with 0");
    } else if (digits() == 0) {
      Refuse("expected digits");
    }
    if (Peek() == '.') {
      ++at_;
      if (digits() == 0) Refuse("expected digits after the decimal point");
    }
    if (Peek() == 'e' || Peek() == 'E') {
      ++at_;
      if (Peek() == '+' || Peek() == '-') ++at_;
      if (digits() == 0) Refuse("expected digits in the exponent");
    }
    double value = 0.0;
    const char* first = text_.data() + start;
    const char* last = text_.data() + at_;
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec == std::errc::result_out_of_range) {
      // Too small reads as zero (with its sign); too large is no number. The
      // decimal order of the first significant digit tells them apart.
      std::string_view number(first, static_cast<std::size_t>(last - first));
      const bool negative = number.front() == '-';
      if (negative) number.remove_prefix(1);
      const std::size_t e = std::min(number.find_first_of("eE"), number.size());
      long long exponent = 0;
      for (std::size_t i = e + 1; i < number.size(); ++i) {
        if (number[i] >= '0' && number[i] <= '9') {
          exponent = std::min(exponent * 10 + (number[i] - '0'), 100000LL);
        }
      }
      if (e + 1 < number.size() && number[e + 1] == '-') exponent = -exponent;
      const std::string_view mantissa = number.substr(0, e);
      const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
      const std::string_view integer = mantissa.substr(0, point);
      const std::string_view fraction = point < mantissa.size() ? mantissa.substr(point + 1) : "";
      long long order = 0;
      if (const std::size_t k = integer.find_first_not_of('0'); k != std::string_view::npos) {
        order = static_cast<long long>(integer.size() - 1 - k);
      } else if (const std::size_t f = fraction.find_first_not_of('0');
                 f != std::string_view::npos) {
        order = -static_cast<long long>(f + 1);
      } else {
        return negative ? -0.0 : 0.0;
      }
      if (order + exponent < 0) return negative ? -0.0 : 0.0;
      at_ = start;
      Refuse("a number too large for the program");
    }
    if (ec != std::errc() || ptr != last || !std::isfinite(value)) {
      at_ = start;
      Refuse("not a number");
    }
    return value;
  }

  std::string_view text_;
  std::size_t at_ = 0;
};

}  // namespace

const JsonValue* JsonValue::Find(std::string_view key) const {
  for (const auto& [name, value] : members) {
    if (name == key) return &value;
  }
  return nullptr;
}

JsonReading ReadJson(std::string_view text) {
  Reader reader(text);
  JsonReading reading;
  try {
    reading.value = reader.Document();
  } catch (const Refusal& refusal) {
    reading.error = reader.Where(refusal.at) + ": " + refusal.what;
  }
  return reading;
}

}  // namespace vn
