// The exact check as report text and as JSON.
#include <cmath>
#include <string>

#include "common/json_text.h"
#include "common/number_text.h"
#include "exact/exact_check.h"

namespace vn {

namespace {

constexpr double kMmPerInch = 25.4;

// The run's unit: inches with the inch sign and 4 decimals, or millimetres
// with " mm" and 3 decimals. Small offsets such as the best focus get one
// decimal more.
struct Unit {
  double factor;
  int decimals;
  const char* suffix;
};

Unit UnitOf(bool inchUnits) { return inchUnits ? Unit{1.0, 4, "\""} : Unit{kMmPerInch, 3, " mm"}; }

std::string Length(double inches, const Unit& unit, int extraDecimals = 0) {
  return RoundedText(inches * unit.factor, unit.decimals + extraDecimals) + unit.suffix;
}

std::string Waves(double waves) { return RoundedText(waves, 4); }

}  // namespace

std::string ExactCheckText(const ExactCheckResult& result, bool inchUnits) {
  const Unit unit = UnitOf(inchUnits);
  std::string text = "Exact check\n";
  if (!result.ok) return text + "Not available: " + result.message;

  text += "Wavefront about best focus      = " + Waves(result.pvWaves) + " waves P-V, " +
          Waves(result.rmsWaves) + " waves RMS\n";
  text += "Strehl ratio                    = " + RoundedText(result.strehl, 4) + "\n";
  text += "Best focus beyond the source    = " + Length(result.bestFocusOffset, unit, 1) + "\n";
  text += "Wavefront about the source      = " + Waves(result.pvWavesSource) + " waves P-V, " +
          Waves(result.rmsWavesSource) + " waves RMS\n";
  const auto& h = result.lensHeights;
  text +=
      "Marginal ray on the lens, out   = " + Length(h[0], unit) + ", " + Length(h[1], unit) + "\n";
  text +=
      "Marginal ray on the lens, back  = " + Length(h[2], unit) + ", " + Length(h[3], unit) + "\n";
  if (result.lensHeightsExceedClearAperture) {
    text += "Warning: the marginal ray passes outside the lens's clear semi-diameter of " +
            Length(result.lensClearSemiDiameter, unit) + "\n";
  }
  const auto& null = result.exactNull;
  if (null.converged) {
    text += "Exact null: Object to Lens     = " + Length(null.objectDistance, unit) + "\n";
    text += "Exact null: Lens to Mirror     = " + Length(null.lensMirrorDistance, unit) + "\n";
    text += "Exact null: wavefront          = " + Waves(null.pvWaves) + " waves P-V, " +
            Waves(null.rmsWaves) + " waves RMS";
  } else {
    text += "Exact null not found: " + null.message;
  }
  return text;
}

std::string ExactCheckJson(const ExactCheckResult& result, bool inchUnits) {
  const double factor = inchUnits ? 1.0 : kMmPerInch;
  std::string json = "{";
  json += "\"ok\": " + std::string(result.ok ? "true" : "false");
  json += ", \"message\": " + JsonString(result.message);
  json += ", \"unit\": " + JsonString(inchUnits ? "in" : "mm");
  json += ", \"wavelength_microns\": " + JsonNumber(result.wavelengthMicrons);
  json += ", \"pv_waves\": " + JsonNumber(result.pvWaves);
  json += ", \"rms_waves\": " + JsonNumber(result.rmsWaves);
  json += ", \"strehl\": " + JsonNumber(result.strehl);
  json += ", \"best_focus_offset\": " + JsonNumber(result.bestFocusOffset * factor);
  json += ", \"pv_waves_source\": " + JsonNumber(result.pvWavesSource);
  json += ", \"rms_waves_source\": " + JsonNumber(result.rmsWavesSource);
  json += ", \"lens_heights\": [";
  for (std::size_t i = 0; i < result.lensHeights.size(); ++i) {
    json += (i ? ", " : "") + JsonNumber(result.lensHeights[i] * factor);
  }
  json += "]";
  json += ", \"lens_heights_exceed_clear_aperture\": " +
          std::string(result.lensHeightsExceedClearAperture ? "true" : "false");
  const auto& null = result.exactNull;
  json += ", \"exact_null\": {";
  json += "\"object_distance\": " + JsonNumber(null.objectDistance * factor);
  json += ", \"lens_mirror_distance\": " + JsonNumber(null.lensMirrorDistance * factor);
  json += ", \"pv_waves\": " + JsonNumber(null.pvWaves);
  json += ", \"rms_waves\": " + JsonNumber(null.rmsWaves);
  json += ", \"converged\": " + std::string(null.converged ? "true" : "false");
  json += ", \"message\": " + JsonString(null.message);
  json += "}}";
  return json;
}

}  // namespace vn
