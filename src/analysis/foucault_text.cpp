// The Foucault reduction as the report's text block and as JSON.
#include <cmath>
#include <string>

#include "analysis/foucault_reduction.h"
#include "common/constants.h"
#include "common/json_text.h"
#include "common/number_text.h"

namespace vn {

namespace {

double LengthFactor(bool inchUnits) { return inchUnits ? 1.0 : kMmPerInch; }

// A length in the run's unit, as a column figure with its unit's decimals.
std::string Length(double inches, bool inchUnits) { return RunLengthText(inches, inchUnits); }

std::string Pad(std::string text, std::size_t width) {
  if (text.size() < width) text.insert(0, width - text.size(), ' ');
  return text;
}

// x to `digits` significant digits in the general number form.
std::string Significant(double x, int digits) {
  if (x == 0.0 || !std::isfinite(x)) return GeneralNumber(x);
  const int order = static_cast<int>(std::floor(std::log10(std::fabs(x))));
  return RoundedText(x, std::max(0, digits - 1 - order));
}

const char* kTermNames[] = {"ρ⁶", "ρ⁸"};

// The conic with its uncertainty, the departure and the readings' scatter,
// one line each.
std::string ConicLines(const FoucaultReduction& r, bool inchUnits) {
  std::string out;
  // The uncertainty to two significant digits, the conic to the same decimal.
  const int decimals = std::clamp(
      1 - static_cast<int>(std::floor(std::log10(std::max(r.conicUncertainty, 1e-6)))), 3, 6);
  out += "Mirror's conic constant: " + RoundedText(r.conic, decimals) + " ± " +
         Significant(r.conicUncertainty, 2) + " (design " + GeneralNumber(r.designConic) + ", ΔK " +
         RoundedText(r.deltaK, decimals) + ")\n";
  out += "Departure beyond the conic, toward the light:";
  if (r.departureNm.empty()) {
    out += r.zones.size() < 5 ? " none fitted (five zones or more are needed)"
                              : " none (the readings ask for none beyond the conic)";
  }
  for (std::size_t j = 0; j < r.departureNm.size(); ++j) {
    out += std::string(j ? "," : "") + " " + kTermNames[j] + " " +
           RoundedText(r.departureNm[j], 1) + " ± " + RoundedText(r.departureUncertaintyNm[j], 1) +
           " nm";
  }
  // The scatter to two significant digits: knife readings are read to a few
  // hundredths of a millimetre, and a good set scatters less than the
  // length columns' decimals show.
  const double scatter = r.rmsResidual * LengthFactor(inchUnits);
  out += "\nReadings' scatter about the fit: " + Significant(scatter, 2) +
         (inchUnits ? "\"" : " mm") + " RMS, " + std::to_string(r.degreesOfFreedom) +
         " degrees of freedom\n";
  return out;
}

// The surface's P-V and the wavefront's figures, two lines (the last without
// its line end).
std::string WavefrontLines(const FoucaultReduction& r) {
  return "Surface P-V " + RoundedText(r.surfacePvNm, 1) + " nm\n" +
         "Wavefront (twice the surface, piston and focus removed) at " +
         GeneralNumber(r.wavelengthMicrons * 1000.0) + " nm: P-V " +
         RoundedText(r.wavefrontPvWaves, 4) + " waves (" + WaveFractionText(r.wavefrontPvWaves) +
         "), RMS " + RoundedText(r.wavefrontRmsWaves, 4) + " waves, Strehl " +
         RoundedText(r.strehl, 3);
}

}  // namespace

std::string FoucaultFiguresText(const FoucaultReduction& r, bool inchUnits) {
  if (!r.ok) return "No reduction: " + r.why + ".";
  return ConicLines(r, inchUnits) + WavefrontLines(r);
}

std::string FoucaultText(const FoucaultReduction& r, bool inchUnits) {
  std::string out = "Foucault readings through the null\n";
  out += "Set up as built: source to lens " + Length(r.objectDistance, inchUnits) +
         ", lens to mirror " + Length(r.lensMirrorDistance, inchUnits) +
         (r.setUpSource.empty() ? "" : " (" + r.setUpSource + ")") + "\n";
  if (!r.ok) return out + "No reduction: " + r.why + ".";
  out += ConicLines(r, inchUnits);
  out += "\n    zone     reading  perfect mirror   from the null   fit residual\n";
  const auto column = [&](double inches, int mmDecimals, std::size_t width) {
    return Pad(FixedText(inches * LengthFactor(inchUnits), inchUnits ? mmDecimals + 1 : mmDecimals),
               width);
  };
  for (const FoucaultZone& z : r.zones) {
    out += column(z.zoneRadius, 1, 8) + column(z.knife, 3, 12) + column(z.perfectReading, 3, 16) +
           column(z.fromNull, 3, 16) + column(z.fitResidual, 3, 15) + "\n";
  }
  out += std::string("(zone radius and readings in ") + (inchUnits ? "inches" : "mm") +
         "; larger readings lie farther from the mirror)\n";
  out += "\nSurface profile, fitted mirror less the design's, toward the light:\n";
  out += "  radius        nm\n";
  for (std::size_t j = 0; j < r.profile.size(); j += 2) {
    out += column(r.profile[j].radius, 1, 8) + Pad(FixedText(r.profile[j].surfaceNm, 1), 10) + "\n";
  }
  return out + WavefrontLines(r);
}

std::string FoucaultJson(const FoucaultReduction& r, bool inchUnits) {
  // Every member is always there: figures null and lists empty when the
  // readings could not be reduced (ok false, message says why).
  const double U = LengthFactor(inchUnits);
  std::string out = "{\"ok\":" + std::string(r.ok ? "true" : "false") +
                    ",\"message\":" + JsonString(r.ok ? "" : r.why) +
                    ",\"built_at\":{\"object_distance\":" + JsonNumber(r.objectDistance * U) +
                    ",\"lens_mirror_distance\":" + JsonNumber(r.lensMirrorDistance * U) + "}";
  out += ",\"design_conic\":" + JsonNumber(r.designConic) + ",\"conic\":" + JsonNumber(r.conic) +
         ",\"conic_uncertainty\":" + JsonNumber(r.conicUncertainty) +
         ",\"delta_k\":" + JsonNumber(r.deltaK) + ",\"departure\":[";
  for (std::size_t j = 0; j < r.departureNm.size(); ++j) {
    out += std::string(j ? "," : "") + "{\"power\":" + std::to_string(6 + 2 * j) +
           ",\"nm\":" + JsonNumber(r.departureNm[j]) +
           ",\"uncertainty_nm\":" + JsonNumber(r.departureUncertaintyNm[j]) + "}";
  }
  out += "],\"degrees_of_freedom\":" + std::to_string(r.degreesOfFreedom) +
         ",\"rms_residual\":" + JsonNumber(r.rmsResidual * U) + ",\"zones\":[";
  for (std::size_t i = 0; i < r.zones.size(); ++i) {
    const FoucaultZone& z = r.zones[i];
    out += std::string(i ? "," : "") + "{\"radius\":" + JsonNumber(z.zoneRadius * U) +
           ",\"reading\":" + JsonNumber(z.knife * U) +
           ",\"perfect_mirror\":" + JsonNumber(z.perfectReading * U) +
           ",\"from_null\":" + JsonNumber(z.fromNull * U) +
           ",\"residual\":" + JsonNumber(z.fitResidual * U) + "}";
  }
  out += "],\"profile\":[";
  for (std::size_t j = 0; j < r.profile.size(); ++j) {
    out += std::string(j ? "," : "") + "{\"radius\":" + JsonNumber(r.profile[j].radius * U) +
           ",\"surface_nm\":" + JsonNumber(r.profile[j].surfaceNm) + "}";
  }
  out += "],\"surface_pv_nm\":" + JsonNumber(r.surfacePvNm) +
         ",\"wavefront_pv_waves\":" + JsonNumber(r.wavefrontPvWaves) +
         ",\"wavefront_rms_waves\":" + JsonNumber(r.wavefrontRmsWaves) +
         ",\"strehl\":" + JsonNumber(r.strehl) + "}";
  return out;
}

}  // namespace vn
