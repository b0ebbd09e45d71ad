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
  if (!m.ok) return "Measured mirror: " + m.why;
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
    t += "  " + term.name + " " + RoundedText(term.waves, 3) + " waves";
    if (term.waves >= kNoticeableWaves) {
      t += " at " + RoundedText(term.angleDegrees, 0) +
           "\u00b0: a centred null makes none: the lens's or the source's alignment, or the "
           "mirror's figure\n";
    } else {
      t += ": within a measurement's noise\n";
    }
  }
  t.pop_back();
  return t;
}

std::string MeasuredMirrorJson(const MeasuredMirror& m, bool inchUnits, const std::string& file) {
  const double U = inchUnits ? 1.0 : kMmPerInch;
  // Every figure is null when the mirror could not be reduced.
  const auto number = [&](double x) { return m.ok ? JsonNumber(x) : std::string("null"); };
  std::string j = "{\"ok\":" + std::string(m.ok ? "true" : "false") +
                  ",\"message\":" + JsonString(m.ok ? "" : m.why) + ",\"file\":" + JsonString(file);
  j += ",\"built_at\":{\"object_distance\":" + number(m.objectDistance * U) +
       ",\"lens_mirror_distance\":" + number(m.lensMirrorDistance * U) + "}";
  j += ",\"wanted_conic\":" + number(m.wantedConic);
  j += ",\"conic\":" + number(m.conic);
  j += ",\"conic_uncertainty\":" + number(m.conicUncertainty);
  j += ",\"conic_set_aside_percent\":" + number(m.conicSetAsidePercent);
  j += ",\"wavefront_pv_waves\":" + number(m.wavefrontPvWaves);
  j += ",\"wavefront_rms_waves\":" + number(m.wavefrontRmsWaves);
  j += ",\"surface_pv_nm\":" + number(m.surfacePvNm);
  j += ",\"surface_rms_nm\":" + number(m.surfaceRmsNm);
  j += ",\"strehl\":" + number(m.strehl);
  j += ",\"zones\":[";
  for (std::size_t i = 0; m.ok && i < m.zones.size(); ++i) {
    j += std::string(i ? "," : "") + "{\"radius\":" + JsonNumber(m.zones[i].radius * U) +
         ",\"height_nm\":" + JsonNumber(m.zones[i].heightNm) +
         ",\"edge\":" + (i + 1 == m.zones.size() ? "true" : "false") + "}";
  }
  j += "],\"terms\":[";
  for (std::size_t i = 0; m.ok && i < m.terms.size(); ++i) {
    j += std::string(i ? "," : "") + "{\"name\":" + JsonString(m.terms[i].name) +
         ",\"waves\":" + JsonNumber(m.terms[i].waves) +
         ",\"angle_degrees\":" + JsonNumber(m.terms[i].angleDegrees) + "}";
  }
  return j + "]}";
}

}  // namespace vn
