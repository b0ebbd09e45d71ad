// The conversions between doubles and decimal text that every number the
// program writes or reads goes through, with no locale anywhere:
//   WriteShortest    the shortest text that reads back to the same double, in
//                    fixed or exponent form, whichever is shorter (fixed on a tie);
//   WriteScientific  d.ddd…e±XX with `precision` digits after the point;
//   WriteFixed       fixed notation with `decimals` digits after the point;
//   ReadDecimal      the nearest double to a decimal text (no sign, no "inf",
//                    no hexadecimal), in general form or fixed form only.
// Each rounds the exact binary value, a tie going to the even digit, and reads
// to the nearest double, ties to even. They are std::to_chars and
// std::from_chars where the C++ library has them for double; in the browser
// build, whose library lacks them, the same results come from {fmt}'s exact
// formatting and fast_float's reading (proven equal on millions of numbers
// by the browser build's number check).
#pragma once

#include <charconv>

namespace vn {

// Each returns the end of the text written, or nullptr when it does not fit
// in [first, last).
char* WriteShortest(char* first, char* last, double x);
char* WriteScientific(char* first, char* last, double x, int precision);
char* WriteFixed(char* first, char* last, double x, int decimals);

enum class DecimalForm { General, Fixed };

struct DecimalRead {
  const char* end = nullptr;   // one past the last character read
  std::errc ec = std::errc();  // invalid_argument: no number at `first`;
                               // result_out_of_range: beyond a double's range
};
DecimalRead ReadDecimal(const char* first, const char* last, double& value,
                        DecimalForm form = DecimalForm::General);

}  // namespace vn
