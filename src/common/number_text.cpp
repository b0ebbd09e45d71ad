// The general number form, half-even rounding and the reading of typed numbers.
#include "common/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "common/arithmetic.h"
#include "common/decimal_conversion.h"

namespace vn {

std::string GeneralNumber(double x) {
  if (x == 0.0) return "0";  // negative zero included
  if (std::isnan(x)) return "NaN";
  if (std::isinf(x)) return x < 0 ? "-Infinity" : "Infinity";

  // Round to 15 significant digits: "d.dddddddddddddde[+-]XX". The text is
  // made without the C library's locale, which the toolkit sets from the
  // environment and which would write a decimal comma.
  char buf[64];
  const char* written = WriteScientific(buf, buf + sizeof buf, std::fabs(x), 14);
  const std::string text(buf, static_cast<std::size_t>(written - buf));
  const auto ePos = text.find('e');
  std::string digits = text.substr(0, 1) + text.substr(2, ePos - 2);
  int exponent = 0;
  const char* expFirst = text.c_str() + ePos + 1;
  if (*expFirst == '+') ++expFirst;
  std::from_chars(expFirst, text.c_str() + text.size(), exponent);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string out = x < 0 ? "-" : "";
  if (exponent < -4 || exponent >= 15) {
    // Exponent form: mantissa, "E", sign, at least two exponent digits.
    out += digits[0];
    if (digits.size() > 1) {
      out += '.';
      out.append(digits, 1);
    }
    const int magnitude = std::abs(exponent);
    out += exponent < 0 ? "E-" : "E+";
    if (magnitude < 10) out += '0';
    out += std::to_string(magnitude);
  } else if (exponent >= 0) {
    const std::size_t intDigits = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= intDigits) {
      out += digits + std::string(intDigits - digits.size(), '0');
    } else {
      out += digits.substr(0, intDigits) + "." + digits.substr(intDigits);
    }
  } else {
    out += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
  }
  return out;
}

double Round(double x, int decimals) {
  if (!std::isfinite(x)) return x;
  // The fixed-point text rounds the exact binary value, ties to even; reading
  // it back gives the nearest double to the rounded decimal. Neither step
  // looks at the locale.
  std::vector<char> buf(400 + static_cast<std::size_t>(decimals > 0 ? decimals : 0));
  const char* written =
      WriteFixed(buf.data(), buf.data() + buf.size(), x, decimals < 0 ? 6 : decimals);
  double value = 0.0;
  ReadDecimal(buf.data(), written, value);
  return value;
}

std::string RoundedText(double x, int decimals) { return GeneralNumber(Round(x, decimals)); }

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<double> ReadNumber(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  std::string_view t = text.substr(b, e - b);

  // Check the grammar ourselves: the library readers also take "inf", "nan",
  // hexadecimal and locale-dependent forms, which are not numbers here.
  std::size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  const std::size_t mantissaStart = i;
  std::size_t mantissaDigits = 0;
  while (i < t.size() && IsDigit(t[i])) ++i, ++mantissaDigits;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && IsDigit(t[i])) ++i, ++mantissaDigits;
  }
  if (mantissaDigits == 0) return std::nullopt;
  const std::size_t mantissaEnd = i;
  long long decimalExponent = 0;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    bool expNegative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) expNegative = t[i++] == '-';
    std::size_t expDigits = 0;
    while (i < t.size() && IsDigit(t[i])) {
      if (decimalExponent < 100000) decimalExponent = decimalExponent * 10 + (t[i] - '0');
      ++i, ++expDigits;
    }
    if (expDigits == 0) return std::nullopt;
    if (expNegative) decimalExponent = -decimalExponent;
  }
  if (i != t.size()) return std::nullopt;

  std::string_view unsignedText = t.substr(mantissaStart);
  double value = 0.0;
  const DecimalRead result =
      ReadDecimal(unsignedText.data(), unsignedText.data() + unsignedText.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    // Tell an overflow (not a number) from an underflow (zero): find the
    // decimal order of magnitude of the first significant digit.
    long long order = 0;
    bool seenPoint = false, found = false;
    long long intDigitsBeforeFirst = 0;
    for (std::size_t k = mantissaStart; k < mantissaEnd; ++k) {
      const char c = t[k];
      if (c == '.') {
        seenPoint = true;
        continue;
      }
      if (!found && c != '0') {
        found = true;
        order = seenPoint ? -(intDigitsBeforeFirst + 1) : 0;
        if (!seenPoint) {
          // count the integer digits from here to the point
          long long n = 0;
          for (std::size_t j = k; j < mantissaEnd && t[j] != '.'; ++j) ++n;
          order = n - 1;
        }
        break;
      }
      if (seenPoint) ++intDigitsBeforeFirst;
    }
    if (found && order + decimalExponent > 0) return std::nullopt;  // overflow
    value = 0.0;
  } else if (result.ec != std::errc() || result.end != unsignedText.data() + unsignedText.size()) {
    return std::nullopt;
  }
  if (!std::isfinite(value)) return std::nullopt;
  return negative ? -value : value;
}

double ReadNumberOrFail(std::string_view text, const char* entry) {
  const auto value = ReadNumber(text);
  if (!value) throw RunFailure(FailureKind::NotANumber, std::string(entry) + " is not a number");
  return *value;
}

std::string NumberTextProblem(std::string_view text) {
  if (ReadNumber(text)) return {};
  if (text.find(',') != std::string_view::npos)
    return "has a comma: decimals take a point here (0.5, not 0,5), and thousands no separator.";
  return "is not a number.";
}

std::string FixedText(double x, int decimals) {
  std::string text = RoundedText(x, decimals);
  if (text.find_first_of("eE") != std::string::npos) return text;
  std::size_t point = text.find('.');
  if (point == std::string::npos) {
    point = text.size();
    text += '.';
  }
  const std::size_t have = text.size() - point - 1;
  if (have < static_cast<std::size_t>(decimals)) {
    text.append(static_cast<std::size_t>(decimals) - have, '0');
  }
  return text;
}

}  // namespace vn
