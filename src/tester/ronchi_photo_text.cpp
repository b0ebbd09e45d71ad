// The Ronchi photo's fit as the report's text block and as JSON.
#include <algorithm>
#include <cmath>
#include <string>

#include "common/constants.h"
#include "common/json_text.h"
#include "common/number_text.h"
#include "tester/ronchi_photo.h"

namespace vn {

namespace {

// x to `digits` significant digits.
std::string Significant(double x, int digits) {
  if (x == 0.0 || !std::isfinite(x)) return GeneralNumber(x);
  const int order = static_cast<int>(std::floor(std::log10(std::fabs(x))));
  return RoundedText(x, std::max(0, digits - 1 - order));
}

// The decimals that show an uncertainty to two significant digits.
int DecimalsFor(double uncertainty) {
  return std::clamp(1 - static_cast<int>(std::floor(std::log10(std::max(uncertainty, 1e-6)))), 3,
                    6);
}

std::string Percent(double fraction) { return RoundedText(100 * fraction, 0) + "%"; }

}  // namespace

std::string RonchiPhotoText(const RonchiPhotoFit& f, bool inchUnits) {
  std::string out = "Ronchi photo through the null\n";
  out += "Set up as built: source to lens " + RunLengthText(f.objectDistance, inchUnits) +
         ", lens to mirror " + RunLengthText(f.lensMirrorDistance, inchUnits) +
         (f.setUpSource.empty() ? "" : " (" + f.setUpSource + ")") + "\n";
  if (!f.ok) return out + "No fit: " + f.why + ".";
  out += "Photo " + std::to_string(f.photoWidth) + " x " + std::to_string(f.photoHeight) +
         " pixels; mirror's outline " + (f.outlineFound ? "found" : "as given") + " at (" +
         RoundedText(f.outline.centreX, 1) + ", " + RoundedText(f.outline.centreY, 1) +
         "), radius " + RoundedText(f.outline.radius, 1) + " pixels\n";
  out += "Grating " + RoundedText(f.gratingLinesPerInch, 3) + " lines/in (" +
         RoundedText(f.gratingLinesPerInch / kMmPerInch, 3) + " lines/mm), " +
         RunLengthText(std::fabs(f.gratingOffset), inchUnits) +
         (f.gratingOffset > 0 ? " inside" : " outside") + " the return focus (± " +
         Significant(unitFromInch(f.gratingOffsetUncertainty, inchUnits), 2) +
         (inchUnits ? " in" : " mm") + "), lines turned " + RoundedText(f.rotationDegrees, 1) +
         "° from the vertical: " + RoundedText(f.bandsAcross, 1) + " bands across the mirror\n";
  if (f.conicExplains) {
    const int decimals = DecimalsFor(f.deltaKUncertainty);
    out += "Mirror's conic constant: " + RoundedText(f.conic, decimals) + " ± " +
           Significant(f.deltaKUncertainty, 2) + " (design " + GeneralNumber(f.designConic) +
           ", ΔK " + RoundedText(f.deltaK, decimals) + ")\n";
  } else {
    out +=
        "The bands are not those of a conic mirror: the zones marked below sit off the best "
        "conic's bands by more than the photo's noise and the model explain, so no conic constant "
        "is "
        "given (the best conic would have ΔK " +
        RoundedText(f.bestDeltaK, 3) + "). Look for a turned edge or a zone.\n";
  }
  out += "Photo less the fitted bands: " + RoundedText(100 * f.rmsResidual, 1) +
         "% of white RMS over " + std::to_string(f.pixelsFitted) + " fitted pixels (" +
         std::to_string(f.binning) + " x " + std::to_string(f.binning) + " photo pixels each)\n";
  out += "\n  zone of the mirror   bands off the fit   ± one s.d.\n";
  for (const RonchiZone& z : f.zones) {
    std::string line = "  " + Percent(z.inner) + " to " + Percent(z.outer);
    line.resize(23, ' ');
    std::string off = FixedText(z.offBands, 3);
    off.insert(0, std::max<std::size_t>(0, 17 - std::min<std::size_t>(17, off.size())), ' ');
    std::string sd = FixedText(z.offUncertainty, 3);
    sd.insert(0, std::max<std::size_t>(0, 13 - std::min<std::size_t>(13, sd.size())), ' ');
    out += line + off + sd + (z.unexplained ? "   not explained by a conic" : "") + "\n";
  }
  out += "(shifts in band spacings, radial, in rings of the mirror as seen through the null)";
  return out;
}

std::string RonchiPhotoJson(const RonchiPhotoFit& f, bool inchUnits) {
  // Every member is always there: figures null and lists empty when there
  // is no fit (ok false, message says why).
  const double U = inchUnits ? 1.0 : kMmPerInch;
  std::string out = "{\"ok\":" + std::string(f.ok ? "true" : "false") +
                    ",\"message\":" + JsonString(f.ok ? "" : f.why) +
                    ",\"built_at\":{\"object_distance\":" + JsonNumber(f.objectDistance * U) +
                    ",\"lens_mirror_distance\":" + JsonNumber(f.lensMirrorDistance * U) + "}";
  out += ",\"outline\":{\"x\":" + JsonNumber(f.ok ? f.outline.centreX : kNotComputed) +
         ",\"y\":" + JsonNumber(f.ok ? f.outline.centreY : kNotComputed) +
         ",\"radius\":" + JsonNumber(f.ok ? f.outline.radius : kNotComputed) +
         ",\"found\":" + (f.outlineFound ? "true" : "false") + "}";
  out += ",\"grating_lines_per_inch\":" + JsonNumber(f.gratingLinesPerInch);
  out += ",\"conic_explains\":" + std::string(f.ok && f.conicExplains ? "true" : "false");
  out += ",\"design_conic\":" + JsonNumber(f.designConic) + ",\"conic\":" + JsonNumber(f.conic) +
         ",\"delta_k\":" + JsonNumber(f.deltaK) +
         ",\"delta_k_uncertainty\":" + JsonNumber(f.deltaKUncertainty) +
         ",\"best_delta_k\":" + JsonNumber(f.bestDeltaK) +
         ",\"grating_offset\":" + JsonNumber(f.gratingOffset * U) +
         ",\"grating_offset_uncertainty\":" + JsonNumber(f.gratingOffsetUncertainty * U) +
         ",\"rotation_degrees\":" + JsonNumber(f.rotationDegrees) +
         ",\"bands_across\":" + JsonNumber(f.bandsAcross) +
         ",\"rms_residual\":" + JsonNumber(f.rmsResidual) + ",\"zones\":[";
  for (std::size_t i = 0; i < f.zones.size(); ++i) {
    const RonchiZone& z = f.zones[i];
    out += std::string(i ? "," : "") + "{\"inner\":" + JsonNumber(z.inner) +
           ",\"outer\":" + JsonNumber(z.outer) + ",\"bands_off\":" + JsonNumber(z.offBands) +
           ",\"uncertainty\":" + JsonNumber(z.offUncertainty) +
           ",\"unexplained\":" + (z.unexplained ? "true" : "false") + "}";
  }
  return out + "]}";
}

}  // namespace vn
