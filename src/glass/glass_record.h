// One catalog glass and its refractive index by the Schott dispersion formula.
//
// The makers publish each glass as six coefficients of the power series
//   n² = A0 + A1·λ² + A2·λ⁻² + A3·λ⁻⁴ + A4·λ⁻⁶ + A5·λ⁻⁸      (λ in micrometres)
// so A0 is dimensionless, A1 is in µm⁻², A2 in µm², A3 in µm⁴ and so on.
#pragma once

#include <string>
#include <string_view>

namespace vn {

struct GlassRecord {
  // The built-in row the glass came from: NAME|A0|A1|A2|A3|A4|A5.
  std::string CatalogRow;
  // Name as the lists show it and as it goes into reports and lens files,
  // marks included ("FK1*", "O_BSL3").
  std::string Name;
  double A0 = 0;  // constant term
  double A1 = 0;  // coefficient of λ²
  double A2 = 0;  // coefficient of λ⁻²
  double A3 = 0;  // coefficient of λ⁻⁴
  double A4 = 0;  // coefficient of λ⁻⁶
  double A5 = 0;  // coefficient of λ⁻⁸

  bool operator==(const GlassRecord&) const = default;
};

// Splits a catalog row at its first six "|": the name before the first, A0
// to A4 between them and A5 after the sixth. The rows are compiled in and
// checked by the build, so a malformed one is a damaged program: it throws
// Failure(ProgramData) rather than being passed over.
GlassRecord ParseGlassRow(std::string_view row);

// Refractive index of `glass` at `wavelengthNm` nanometres. Every step is
// checked: a wavelength of 0 (division by zero), an absurd wavelength that
// overflows or underflows a power of λ, or a negative sum under the root
// throws RunFailure. Over 350-850 nm every built-in glass gives a valid index.
double GlassIndex(const GlassRecord& glass, double wavelengthNm);

// Reference wavelengths of the glass data line, in nanometres: the helium d
// line and the hydrogen C and F lines.
inline constexpr double kWavelengthDNm = 587.56;
inline constexpr double kWavelengthCNm = 656.3;
inline constexpr double kWavelengthFNm = 486.1;

// The catalog figures of a glass: index at the d line and Abbe number
// V = (nd − 1) / (nF − nC).
struct GlassDispersion {
  double nd = 0;
  double V = 0;
};
GlassDispersion CatalogDispersion(const GlassRecord& glass);

// The index as the refractive-index dialog shows it and sends to the lens
// index entry: rounded to five decimals, in the general number form.
std::string RoundedIndexText(const GlassRecord& glass, double wavelengthNm);

}  // namespace vn
