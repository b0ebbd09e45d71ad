// The measured mirror as a block of text after the report and as JSON.
#include <cmath>

#include "common/constants.h"
#include "common/json_text.h"
#include "common/number_text.h"
#include "exact/exact_check.h"
#include "tester/measured_mirror.h"

namespace vn {

namespace {

// Non-symmetric terms under this many waves are within a measurement's
// noise and named as such.
constexpr double kNoticeableWaves = 0.05;

std::string Nm(double x) { return RoundedText(x, 1) + " nm"; }

}  // namespace

std::string MeasuredMirrorText(const MeasuredMirror& m, bool inchUnits) {
  if (!m.ok) return "Measured mirror: " + m.message;
  std::string t = "Measured mirror (the null traced exactly at " +
                  RunLengthText(m.objectDistance, inchUnits) + " source to lens, " +
                  RunLengthText(m.lensMirrorDistance, inchUnits) + " lens to mirror)\n";
  t += "Conic constant: " + RoundedText(m.conic, 4) + " \u00b1 " +
       RoundedText(m.conicUncertainty, 4) + " (wanted " + GeneralNumber(m.wantedConic) + ")";
  if (m.conicSetAsidePercent >= 0.5) {
    t += "; " + RoundedText(m.conicSetAsidePercent, 0) + "% of the area set aside as local defects";
  }
  t += "\n";
  t += "Against the wanted conic, piston, tilt and focus removed: wavefront " +
       RoundedText(m.wavefrontPvWaves, 3) + " waves P-V, " + RoundedText(m.wavefrontRmsWaves, 3) +
       " RMS at " + RoundedText(m.wavelengthMicrons * 1000.0, 1) + " nm; surface " +
       Nm(m.surfacePvNm) + " P-V, " + Nm(m.surfaceRmsNm) + " RMS; Strehl " +
       RoundedText(m.strehl, 3) + "\n";
  t += "Surface height against the wanted conic (+ high):\n";
  for (std::size_t i = 0; i < m.zones.size(); ++i) {
    const bool edge = i + 1 == m.zones.size();
    t += std::string(edge ? "  edge   " : "  zone " + std::to_string(i + 1) + " ") + " r " +
         RunLengthText(m.zones[i].radius, inchUnits) + ": " + Nm(m.zones[i].heightNm) + "\n";
  }
  for (const MirrorTerm& term : m.terms) {
    t += "  " + term.name + " " + RoundedText(term.waves, 3) + " waves at " +
         RoundedText(term.angleDegrees, 0) + "\u00b0: " +
         (term.waves >= kNoticeableWaves
              ? "a centred null makes none: check the lens's and source's alignment, or the "
                "mirror's figure"
              : "within a measurement's noise") +
         "\n";
  }
  t.pop_back();
  return t;
}

std::string MeasuredMirrorJson(const MeasuredMirror& m, bool inchUnits) {
  const double U = inchUnits ? 1.0 : kMmPerInch;
  if (!m.ok) return "{\"error\":" + JsonString(m.message) + "}";
  std::string j = "{\"built_at\":{\"object_distance\":" + JsonNumber(m.objectDistance * U) +
                  ",\"lens_mirror_distance\":" + JsonNumber(m.lensMirrorDistance * U) + "}";
  j += ",\"wavelength_nm\":" + JsonNumber(m.wavelengthMicrons * 1000.0);
  j += ",\"wanted_conic\":" + JsonNumber(m.wantedConic);
  j += ",\"conic\":" + JsonNumber(m.conic);
  j += ",\"conic_uncertainty\":" + JsonNumber(m.conicUncertainty);
  j += ",\"conic_set_aside_percent\":" + JsonNumber(m.conicSetAsidePercent);
  j += ",\"wavefront_pv_waves\":" + JsonNumber(m.wavefrontPvWaves);
  j += ",\"wavefront_rms_waves\":" + JsonNumber(m.wavefrontRmsWaves);
  j += ",\"surface_pv_nm\":" + JsonNumber(m.surfacePvNm);
  j += ",\"surface_rms_nm\":" + JsonNumber(m.surfaceRmsNm);
  j += ",\"strehl\":" + JsonNumber(m.strehl);
  j += ",\"zones\":[";
  for (std::size_t i = 0; i < m.zones.size(); ++i) {
    j += std::string(i ? "," : "") + "{\"radius\":" + JsonNumber(m.zones[i].radius * U) +
         ",\"height_nm\":" + JsonNumber(m.zones[i].heightNm) +
         ",\"edge\":" + (i + 1 == m.zones.size() ? "true" : "false") + "}";
  }
  j += "],\"terms\":[";
  for (std::size_t i = 0; i < m.terms.size(); ++i) {
    j += std::string(i ? "," : "") + "{\"name\":" + JsonString(m.terms[i].name) +
         ",\"waves\":" + JsonNumber(m.terms[i].waves) +
         ",\"angle_degrees\":" + JsonNumber(m.terms[i].angleDegrees) + "}";
  }
  return j + "]}";
}

}  // namespace vn
