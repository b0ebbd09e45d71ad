// Catalog rows into glass records, and the Schott dispersion formula.
#include "glass/glass_record.h"

#include <cmath>
#include <stdexcept>

#include "common/arithmetic.h"
#include "common/failure.h"
#include "common/number_text.h"

namespace vn {

GlassRecord ParseGlassRow(std::string_view row) {
  // Find the first six separators, each search starting just past the last.
  std::size_t bars[6];
  std::size_t from = 0;
  for (std::size_t& bar : bars) {
    bar = row.find('|', from);
    if (bar == std::string_view::npos) {
      throw Failure(FailureKind::ProgramData,
                    "glass catalog row without six '|': " + std::string(row));
    }
    from = bar + 1;
  }

  GlassRecord glass;
  glass.CatalogRow = std::string(row);
  glass.Name = std::string(row.substr(0, bars[0]));
  double* const coefficients[6] = {&glass.A0, &glass.A1, &glass.A2,
                                   &glass.A3, &glass.A4, &glass.A5};
  for (int k = 0; k < 6; ++k) {
    const std::size_t first = bars[k] + 1;
    const std::size_t last = k < 5 ? bars[k + 1] : row.size();
    const auto value = ReadNumber(row.substr(first, last - first));
    if (!value) {
      throw Failure(FailureKind::ProgramData,
                    "glass catalog row with a non-numeric coefficient: " + std::string(row));
    }
    *coefficients[k] = *value;
  }
  return glass;
}

double GlassIndex(const GlassRecord& glass, double wavelengthNm) {
  // Even powers of the wavelength in micrometres.
  const double L2 =
      Quotient(Finite(std::pow(wavelengthNm, 2), "glass index"), 1000000.0, "glass index");
  const double L4 = Finite(L2 * L2, "glass index");
  const double L6 = Finite(L4 * L2, "glass index");
  const double L8 = Finite(L4 * L4, "glass index");

  // n² term by term, in the order of the published formula; an underflowed
  // power of λ shows up here as a division by zero.
  double s = Finite(L2 * glass.A1 + glass.A0, "glass index");
  s = Finite(s + Quotient(glass.A2, L2, "glass index"), "glass index");
  s = Finite(s + Quotient(glass.A3, L4, "glass index"), "glass index");
  s = Finite(s + Quotient(glass.A4, L6, "glass index"), "glass index");
  s = Finite(s + Quotient(glass.A5, L8, "glass index"), "glass index");

  // The root of a negative sum is an invalid operation (NaN).
  return Finite(std::sqrt(s), "glass index");
}

GlassDispersion CatalogDispersion(const GlassRecord& glass) {
  GlassDispersion d;
  d.nd = GlassIndex(glass, kWavelengthDNm);
  const double nC = GlassIndex(glass, kWavelengthCNm);
  const double nF = GlassIndex(glass, kWavelengthFNm);
  d.V = Quotient(d.nd - 1, nF - nC, "Abbe number");
  return d;
}

std::string RoundedIndexText(const GlassRecord& glass, double wavelengthNm) {
  return RoundedText(GlassIndex(glass, wavelengthNm), 5);
}

}  // namespace vn
