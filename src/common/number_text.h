// Number text: how numbers become report text and how entry text becomes numbers.
//
// GeneralNumber writes the program's general number form: at most 15
// significant digits, no trailing zeros or point, "." as decimal separator, a
// leading zero below 1, a minus sign for negatives only ("-0" is written "0"),
// and exponent form ("2E-05", "9E+99") only for magnitudes below 0.0001 or of
// 1E15 and above, judged after rounding to 15 digits.
//
// Round(x, n) rounds the exact binary value of x to n decimals, a tie going to
// the even digit (254.5 -> 254, 255.5 -> 256, 4.25 -> 4.2).
//
// ReadNumber accepts what a user types for a decimal number:
//   [blanks] [+|-] digits [. [digits]] [(e|E) [+|-] digits] [blanks]
// (at least one digit before or after the point). Blanks are spaces and tabs.
// Nothing else is a number: "", "1,5", "0x1p3", "inf", "nan", "1 2", "&H10".
// A value too large for a double ("1e999") is not a number either; one too
// small to be represented reads as zero with its sign.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vn {

std::string GeneralNumber(double x);

double Round(double x, int decimals);

// Round(x, decimals) written in the general number form.
std::string RoundedText(double x, int decimals);

// Round(x, decimals) written with exactly that many decimals ("-1.0000"),
// so that columns of figures line up.
std::string FixedText(double x, int decimals);

std::optional<double> ReadNumber(std::string_view text);

// ReadNumber, or RunFailure(NotANumber) naming the entry.
double ReadNumberOrFail(std::string_view text, const char* entry);

// The one rule of every field where a number is typed: the point is the
// decimal separator, whatever the user's locale, and nothing is read any
// other way. Empty when `text` reads as a number; otherwise why not, in
// words that follow the field's name. A comma gets its own sentence: typed
// for a decimal point it must never pass for a separator or be dropped, and
// the user must learn why the field refuses it.
std::string NumberTextProblem(std::string_view text);

}  // namespace vn
