// Doubles to decimal text and back, through the C++ library where it has
// the conversions and through {fmt} and fast_float in the browser build.
#include "common/decimal_conversion.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#ifdef __EMSCRIPTEN__
#define FMT_HEADER_ONLY
#include <fast_float/fast_float.h>
#include <fmt/format.h>
#endif

namespace vn {

#ifndef __EMSCRIPTEN__

char* WriteShortest(char* first, char* last, double x) {
  const auto r = std::to_chars(first, last, x);
  return r.ec == std::errc() ? r.ptr : nullptr;
}

char* WriteScientific(char* first, char* last, double x, int precision) {
  const auto r = std::to_chars(first, last, x, std::chars_format::scientific, precision);
  return r.ec == std::errc() ? r.ptr : nullptr;
}

char* WriteFixed(char* first, char* last, double x, int decimals) {
  const auto r = std::to_chars(first, last, x, std::chars_format::fixed, decimals);
  return r.ec == std::errc() ? r.ptr : nullptr;
}

DecimalRead ReadDecimal(const char* first, const char* last, double& value, DecimalForm form) {
  const auto r = std::from_chars(
      first, last, value,
      form == DecimalForm::Fixed ? std::chars_format::fixed : std::chars_format::general);
  return {r.ptr, r.ec};
}

#else

namespace {

char* Copy(char* first, char* last, const fmt::memory_buffer& text) {
  if (text.size() > static_cast<std::size_t>(last - first)) return nullptr;
  return std::copy(text.begin(), text.end(), first);
}

// The exponent as std::to_chars writes it: a sign and at least two digits.
void AppendExponent(std::string& out, int exponent) {
  out += exponent < 0 ? "e-" : "e+";
  const int magnitude = exponent < 0 ? -exponent : exponent;
  if (magnitude < 10) out += '0';
  out += std::to_string(magnitude);
}

}  // namespace

char* WriteShortest(char* first, char* last, double x) {
  // The shortest digits that read back to x (Dragonbox), then the form
  // std::to_chars chooses: fixed or exponent, whichever text is shorter.
  std::string out;
  if (std::signbit(x)) out += '-';
  const double magnitude = std::fabs(x);
  if (magnitude == 0.0) {
    out += '0';
  } else if (std::isinf(magnitude)) {
    out += "inf";
  } else if (std::isnan(magnitude)) {
    out += "nan";
  } else {
    const auto decimal = fmt::detail::dragonbox::to_decimal(magnitude);
    const std::string digits = std::to_string(decimal.significand);
    const int n = static_cast<int>(digits.size());
    const int pointExponent = decimal.exponent + n - 1;  // of the first digit

    std::string scientific(1, digits[0]);
    if (n > 1) scientific += "." + digits.substr(1);
    AppendExponent(scientific, pointExponent);

    std::string fixed;
    if (decimal.exponent > 0) {
      // A whole number beyond the shortest digits is written with all its
      // digits, as printf's "%.0f" would: the exact value, not zeros.
      fixed = fmt::format("{:.0f}", magnitude);
    } else if (decimal.exponent == 0) {
      fixed = digits;
    } else if (pointExponent >= 0) {
      const auto integerDigits = static_cast<std::size_t>(pointExponent + 1);
      fixed = digits.substr(0, integerDigits) + "." + digits.substr(integerDigits);
    } else {
      fixed = "0." + std::string(static_cast<std::size_t>(-pointExponent - 1), '0') + digits;
    }
    out += fixed.size() <= scientific.size() ? fixed : scientific;
  }
  if (out.size() > static_cast<std::size_t>(last - first)) return nullptr;
  return std::copy(out.begin(), out.end(), first);
}

char* WriteScientific(char* first, char* last, double x, int precision) {
  fmt::memory_buffer text;
  fmt::format_to(std::back_inserter(text), "{:.{}e}", x, precision);
  return Copy(first, last, text);
}

char* WriteFixed(char* first, char* last, double x, int decimals) {
  fmt::memory_buffer text;
  fmt::format_to(std::back_inserter(text), "{:.{}f}", x, decimals);
  return Copy(first, last, text);
}

DecimalRead ReadDecimal(const char* first, const char* last, double& value, DecimalForm form) {
  // std::from_chars takes no sign but the minus; neither do we.
  if (first != last && *first == '+') return {first, std::errc::invalid_argument};
  double read = 0.0;
  const auto r =
      fast_float::from_chars(first, last, read,
                             form == DecimalForm::Fixed ? fast_float::chars_format::fixed
                                                        : fast_float::chars_format::general);
  if (r.ec != std::errc()) return {r.ptr, r.ec};
  // This fast_float reads the infinities and NaN's names, which are not
  // decimal numbers here...
  const char* digits = first + (first != last && *first == '-' ? 1 : 0);
  if (digits != last && (*digits == 'i' || *digits == 'I' || *digits == 'n' || *digits == 'N'))
    return {first, std::errc::invalid_argument};
  // ...and gives an infinity for a number too large and zero for one too
  // small, where std::from_chars reports the range and leaves the value.
  bool nonzeroDigit = false;
  for (const char* c = digits; c != r.ptr && *c != 'e' && *c != 'E'; ++c)
    if (*c >= '1' && *c <= '9') nonzeroDigit = true;
  if (std::isinf(read) || (read == 0.0 && nonzeroDigit))
    return {r.ptr, std::errc::result_out_of_range};
  value = read;
  return {r.ptr, std::errc()};
}

#endif

}  // namespace vn
