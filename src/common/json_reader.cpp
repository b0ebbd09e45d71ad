// The strict JSON reader: a recursive-descent parser over bytes.
#include "common/json_reader.h"

#include <functional>
#include <string>
#include <unordered_set>

#include "common/failure.h"
#include "common/json_text.h"
#include "common/number_text.h"

namespace vn {

namespace {

// Thrown inside the parser at the first fault, with the byte offset it is at.

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void AppendUtf8(std::string& out, unsigned codePoint) {
  const auto byte = [&out](unsigned b) { out += static_cast<char>(b); };
  if (codePoint < 0x80) {
    byte(codePoint);
  } else if (codePoint < 0x800) {
    byte(0xC0 | (codePoint >> 6));
    byte(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    byte(0xE0 | (codePoint >> 12));
    byte(0x80 | ((codePoint >> 6) & 0x3F));
    byte(0x80 | (codePoint & 0x3F));
  } else {
    byte(0xF0 | (codePoint >> 18));
    byte(0x80 | ((codePoint >> 12) & 0x3F));
    byte(0x80 | ((codePoint >> 6) & 0x3F));
    byte(0x80 | (codePoint & 0x3F));
  }
}

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  JsonValue Document() {
    // A byte-order mark is how some editors start a UTF-8 file.
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
    SkipBlanks();
    if (pos_ == text_.size()) Fail("no JSON value (the text is empty)");
    JsonValue value = Value(0);
    SkipBlanks();
    if (pos_ != text_.size()) Fail("more text after the JSON value");
    return value;
  }

 private:
  [[noreturn]] void Fail(std::string what) const { throw Failure(FailureKind::Syntax, what, pos_); }

  // A fault at a byte that is not where any value may go: say whether it is
  // not text at all or just the wrong character.
  [[noreturn]] void FailUnexpected(const char* expected) const {
    if (pos_ == text_.size()) Fail(std::string(expected) + ", found the end of the text");
    if (Utf8SequenceLength(text_, pos_) == 0) Fail("bytes that are not UTF-8 text");
    Fail(expected);
  }

  char Peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }
  bool AtEnd() const { return pos_ >= text_.size(); }

  void SkipBlanks() {
    while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')) {
      ++pos_;
    }
  }

  JsonValue Value(int depth) {
    switch (Peek()) {
      case '{':
        return Object(depth + 1);
      case '[':
        return Array(depth + 1);
      case '"': {
        JsonValue v;
        v.kind = JsonValue::Kind::String;
        v.text = String();
        return v;
      }
      case 't':
        return Literal("true", JsonValue::Kind::Bool, true);
      case 'f':
        return Literal("false", JsonValue::Kind::Bool, false);
      case 'n':
        return Literal("null", JsonValue::Kind::Null, false);
      default:
        if (Peek() == '-' || IsDigit(Peek())) return Number();
        FailUnexpected("expected a value");
    }
  }

  JsonValue Literal(std::string_view word, JsonValue::Kind kind, bool boolean) {
    if (text_.substr(pos_, word.size()) != word) FailUnexpected("expected a value");
    pos_ += word.size();
    JsonValue v;
    v.kind = kind;
    v.boolean = boolean;
    return v;
  }

  // Past the '{' or '[' that opens a container `depth` deep: true when it
  // closes at once with `close`.
  bool OpensEmpty(int depth, char close) {
    if (depth > kMaxJsonDepth) Fail("values nested too deeply");
    ++pos_;
    SkipBlanks();
    if (Peek() != close) return false;
    ++pos_;
    return true;
  }

  // After a member or an element: true when a ',' says another follows,
  // false when `close` ends the container.
  bool AnotherFollows(char close) {
    SkipBlanks();
    if (Peek() == ',') {
      ++pos_;
      SkipBlanks();
      return true;
    }
    if (Peek() != close)
      FailUnexpected(close == '}' ? "expected ',' or '}'" : "expected ',' or ']'");
    ++pos_;
    return false;
  }

  JsonValue Object(int depth) {
    JsonValue v;
    v.kind = JsonValue::Kind::Object;
    if (OpensEmpty(depth, '}')) return v;
    // The keys seen so far, by their place in v.keys, so that a key given
    // twice is found in constant time however many members the object has.
    const auto hash = [&v](std::size_t k) { return std::hash<std::string>{}(v.keys[k]); };
    const auto same = [&v](std::size_t a, std::size_t b) { return v.keys[a] == v.keys[b]; };
    std::unordered_set<std::size_t, decltype(hash), decltype(same)> seen(8, hash, same);
    do {
      if (Peek() != '"') FailUnexpected("expected a key in double quotes");
      const std::size_t keyStart = pos_;
      v.keys.push_back(String());
      if (!seen.insert(v.keys.size() - 1).second) {
        pos_ = keyStart;
        Fail("the key \"" + v.keys.back() + "\" appears twice");
      }
      SkipBlanks();
      if (Peek() != ':') FailUnexpected("expected ':' after the key");
      ++pos_;
      SkipBlanks();
      v.items.push_back(Value(depth));
    } while (AnotherFollows('}'));
    return v;
  }

  JsonValue Array(int depth) {
    JsonValue v;
    v.kind = JsonValue::Kind::Array;
    if (OpensEmpty(depth, ']')) return v;
    do {
      v.items.push_back(Value(depth));
    } while (AnotherFollows(']'));
    return v;
  }

  // Four hexadecimal digits after "\u".
  unsigned Hex4() {
    unsigned value = 0;
    for (int k = 0; k < 4; ++k) {
      const int digit = HexValue(Peek());
      if (AtEnd() || digit < 0) Fail("expected four hexadecimal digits after \\u");
      value = value * 16 + static_cast<unsigned>(digit);
      ++pos_;
    }
    return value;
  }

  std::string String() {
    std::string out;
    ++pos_;  // the opening quote
    for (;;) {
      if (AtEnd()) Fail("a string without its closing quote");
      const char c = Peek();
      if (c == '"') {
        ++pos_;
        return out;
      }
      const auto byte = static_cast<unsigned char>(c);
      if (byte < 0x20)
        Fail("a control character inside a string (it must be written as an escape)");
      if (byte >= 0x80) {
        const std::size_t length = Utf8SequenceLength(text_, pos_);
        if (length == 0) Fail("bytes that are not UTF-8 text");
        out.append(text_.substr(pos_, length));
        pos_ += length;
        continue;
      }
      ++pos_;
      if (c != '\\') {
        out += c;
        continue;
      }
      const char e = Peek();
      ++pos_;
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
          const std::size_t escapeStart = pos_ - 2;
          unsigned codePoint = Hex4();
          if (codePoint >= 0xD800 && codePoint <= 0xDBFF) {
            // A high surrogate: the low one must follow at once.
            if (text_.substr(pos_, 2) != "\\u") {
              pos_ = escapeStart;
              Fail("a lone surrogate escape");
            }
            pos_ += 2;
            const unsigned low = Hex4();
            if (low < 0xDC00 || low > 0xDFFF) {
              pos_ = escapeStart;
              Fail("a lone surrogate escape");
            }
            codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (low - 0xDC00);
          } else if (codePoint >= 0xDC00 && codePoint <= 0xDFFF) {
            pos_ = escapeStart;
            Fail("a lone surrogate escape");
          }
          AppendUtf8(out, codePoint);
          break;
        }
        default:
          pos_ -= 2;
          Fail("an unknown escape in a string");
      }
    }
  }

  // -? (0 | [1-9][0-9]*) (. [0-9]+)? ([eE] [+-]? [0-9]+)?
  JsonValue Number() {
    const std::size_t start = pos_;
    const auto digits = [this] {
      std::size_t n = 0;
      while (IsDigit(Peek())) ++pos_, ++n;
      return n;
    };
    if (Peek() == '-') ++pos_;
    if (Peek() == '0') {
      ++pos_;
      if (IsDigit(Peek())) Fail("a number with a leading zero");
    } else if (digits() == 0) {
      FailUnexpected("expected a digit");
    }
    if (Peek() == '.') {
      ++pos_;
      if (digits() == 0) FailUnexpected("expected a digit after the decimal point");
    }
    if (Peek() == 'e' || Peek() == 'E') {
      ++pos_;
      if (Peek() == '+' || Peek() == '-') ++pos_;
      if (digits() == 0) FailUnexpected("expected a digit in the exponent");
    }
    // The JSON form is a narrower form of what a user may type, so the
    // program's own locale-free reader reads it (an underflow as zero).
    const auto value = ReadNumber(text_.substr(start, pos_ - start));
    if (!value) {
      pos_ = start;
      Fail("a number too large for the program");
    }
    JsonValue v;
    v.kind = JsonValue::Kind::Number;
    v.number = *value;
    return v;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

const JsonValue* JsonValue::Member(std::string_view key) const {
  if (kind != Kind::Object) return nullptr;
  for (std::size_t k = 0; k < keys.size(); ++k) {
    if (keys[k] == key) return &items[k];
  }
  return nullptr;
}

std::string JsonSyntaxError::Message() const {
  return "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + what;
}

JsonReading ReadJson(std::string_view text) {
  JsonReading reading;
  try {
    reading.value = Parser(text).Document();
  } catch (const Failure& fault) {
    if (fault.kind() != FailureKind::Syntax) throw;
    // Line and column of the fault: lines end at LF, and a column counts the
    // characters before it on its line (UTF-8 continuation bytes are not
    // characters of their own).
    reading.error.line = 1;
    reading.error.column = 1;
    for (std::size_t i = 0; i < fault.where() && i < text.size(); ++i) {
      const auto byte = static_cast<unsigned char>(text[i]);
      if (byte == '\n') {
        ++reading.error.line;
        reading.error.column = 1;
      } else if ((byte & 0xC0u) != 0x80u) {
        ++reading.error.column;
      }
    }
    reading.error.what = fault.what();
  }
  return reading;
}

}  // namespace vn
