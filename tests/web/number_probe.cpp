// Writes and reads a few million numbers through the program's number text
// (the report's general form, fixed decimals, rounding, JSON's shortest form,
// typed entries and grid values) and prints one digest per kind. Built for
// Linux and for the browser, the two must print the same lines: the browser
// build converts with other libraries, and this shows they give the same
// text for every kind of double, ties and extremes included.
//   number_probe [COUNT] [--show N]   (--show prints the first N texts of each kind)
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/decimal_conversion.h"
#include "common/json_text.h"
#include "common/number_text.h"

namespace {

std::uint64_t state = 20261207;
std::uint64_t Next() {  // splitmix64: the same sequence on every system
  std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

struct Digest {
  const char* kind;
  std::uint64_t hash = 1469598103934665603ull;
  long count = 0;
  int shown = 0;
  void Add(const std::string& text, int show) {
    for (unsigned char c : text) hash = (hash ^ c) * 1099511628211ull;
    hash = (hash ^ '\n') * 1099511628211ull;
    ++count;
    if (shown < show) {
      ++shown;
      std::printf("%s: %s\n", kind, text.c_str());
    }
  }
  void Print() const {
    std::printf("%-9s %ld texts, digest %016llx\n", kind, count,
                static_cast<unsigned long long>(hash));
  }
};

double AnyDouble() {
  double x;
  std::uint64_t bits;
  do {
    bits = Next();
    std::memcpy(&x, &bits, sizeof x);
  } while (!std::isfinite(x));
  return x;
}

// A double a user or a file would give: a few digits at a power of ten, or
// a binary fraction that lies exactly halfway between two rounded texts.
double EverydayDouble() {
  const std::uint64_t r = Next();
  const double digits = static_cast<double>(r % 10000000);
  const int kind = static_cast<int>((r >> 32) % 3);
  if (kind == 0) return digits * std::pow(10.0, static_cast<int>((r >> 40) % 24) - 12);
  if (kind == 1) return digits / std::ldexp(1.0, static_cast<int>((r >> 40) % 12));  // ties
  return (r >> 63 ? -1 : 1) * digits / 3.0;
}

std::string Bits(double x) {
  std::uint64_t bits;
  std::memcpy(&bits, &x, sizeof x);
  char text[24];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(bits));
  return text;
}

std::string TypedText() {
  // Mantissas of 1 to 25 digits with a point anywhere, exponents to the
  // edges of the double's range and beyond.
  std::string text;
  const std::uint64_t r = Next();
  if (r & 1) text += '-';
  const int length = 1 + static_cast<int>((r >> 1) % 25);
  const int point = static_cast<int>((r >> 8) % (length + 1));
  for (int i = 0; i < length; ++i) {
    if (i == point) text += '.';
    text += static_cast<char>('0' + Next() % 10);
  }
  if ((r >> 16) % 3 == 0) {
    text += (r >> 20) & 1 ? "e-" : "e";
    text += std::to_string((r >> 24) % 340);
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  long count = argc > 1 ? std::atol(argv[1]) : 1000000;
  const int show = argc > 3 && std::strcmp(argv[2], "--show") == 0 ? std::atoi(argv[3]) : 0;
  Digest json{"json"}, general{"general"}, fixed{"fixed"}, rounded{"rounded"}, typed{"typed"},
      grid{"grid"};
  char buffer[512];
  for (long i = 0; i < count; ++i) {
    const double any = AnyDouble(), everyday = EverydayDouble();
    for (const double x : {any, everyday}) {
      json.Add(vn::JsonNumber(x), show);
      general.Add(vn::GeneralNumber(x), show);
      if (std::fabs(x) < 1e30) {
        const int decimals = static_cast<int>(Next() % 18);
        fixed.Add(vn::FixedText(x, decimals), show);
        char* end = vn::WriteFixed(buffer, buffer + sizeof buffer, x, decimals);
        grid.Add(end ? std::string(buffer, end) : "too long", show);
        rounded.Add(Bits(vn::Round(x, decimals)), show);
      }
    }
    const std::string text = TypedText();
    const auto read = vn::ReadNumber(text);
    typed.Add(text + " " + (read ? Bits(*read) : "not a number"), show);
    double value = 0;
    const auto fixedRead =
        vn::ReadDecimal(text.data(), text.data() + text.size(), value, vn::DecimalForm::Fixed);
    grid.Add(std::to_string(static_cast<int>(fixedRead.ec)) + " " +
                 std::to_string(fixedRead.end - text.data()) + " " + Bits(value),
             show);
  }
  for (const Digest* d : {&json, &general, &fixed, &rounded, &typed, &grid}) d->Print();
  return 0;
}
