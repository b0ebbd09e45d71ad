// Text and JSON of the lens chooser's results.
#include "design/chooser_text.h"

#include <cmath>

#include "common/constants.h"
#include "common/json_text.h"
#include "common/number_text.h"
#include "design/lens_list.h"
#include "engine/optics_primitives.h"
#include "exact/exact_check.h"

namespace vn {

namespace {

struct Units {
  bool inch = false;
  std::string Length(double inches) const { return RunLengthText(inches, inch); }
  // Lengths a lens maker quotes (thickness, diameter): the general form.
  std::string Size(double inches) const {
    return inch ? RoundedText(inches, 4) + "\"" : RoundedText(mmFromInch(inches), 2) + " mm";
  }
  std::string Json(double inches) const { return JsonNumber(unitFromInch(inches, inch)); }
  // A figure a lens maker quotes, to a billionth of the unit: a radius
  // rounded to 0.1 mm reads 291.3, not the 291.30000000000001 its trip
  // through inches leaves.
  std::string JsonSize(double inches) const {
    return JsonNumber(Round(unitFromInch(inches, inch), 9));
  }
  std::string JsonRadius(double inches) const {
    return IsFlatRadius(inches) ? JsonNumber(kFlatFaceRadius) : JsonSize(inches);
  }
  std::string JsonOrNull(double inches) const {
    return inches > 0.0 ? Json(inches) : std::string("null");
  }
};

// ---- Text ---------------------------------------------------------------------------

std::string SettingLines(const ChooserSetting& s, bool withGlass) {
  const Units u{s.conditions.inchUnits};
  const NullTestSystem& m = s.mirror;
  std::string text = "Mirror " + u.Size(2.0 * m.MirrorSemiDiameter) + " across, radius of " +
                     "curvature " + u.Size(-m.MirrorRadius) + ", conic constant " +
                     GeneralNumber(m.ConicPlusOne - 1.0) + "\n";
  if (withGlass) {
    text += "Glass " + (s.glassName.empty() ? std::string("of index ") : s.glassName + ", index ") +
            GeneralNumber(s.index) + " at " + GeneralNumber(s.wavelengthNm) + " nm\n";
  } else {
    text += "Test wavelength " + GeneralNumber(s.wavelengthNm) + " nm\n";
  }
  text += "Clear aperture " + GeneralNumber(Round(100.0 * s.conditions.clearApertureFraction, 1)) +
          "% of each lens's diameter";
  const double far = s.conditions.maxSourceToMirror, near = s.conditions.minSourceToLens;
  if (far > 0.0) text += "; source to mirror at most " + u.Length(far);
  if (near > 0.0) text += "; source to lens at least " + u.Length(near);
  return text + "\n";
}

// The focal length a lens maker quotes.
double FocalLength(const LensPrescription& lens) {
  return ThickLensFocalLength(lens.sourceRadius, lens.mirrorRadius, lens.thickness, lens.index);
}

}  // namespace

std::string CandidateText(const LensPrescription& lens, const CandidateFigures& f,
                          const std::string& glass, bool inch) {
  const Units u{inch};
  const double focal = FocalLength(lens);
  std::string text =
      "    Lens: source side " + RadiusText(lens.sourceRadius, inch) + ", mirror side " +
      RadiusText(lens.mirrorRadius, inch) + ", " + u.Size(lens.thickness) + " thick, " +
      u.Size(lens.diameter) + " across, " + (glass.empty() ? "" : glass + " ") + "index " +
      GeneralNumber(lens.index) + ", " +
      (std::isfinite(focal) ? "focal length " + u.Size(focal) : "no focal length") + "\n";
  if (f.nullFound) {
    text += "    Set up: source to lens " + u.Length(f.objectDistance) + ", lens to mirror " +
            u.Length(f.lensMirrorDistance) + " (source to mirror " + u.Length(f.sourceToMirror) +
            ")\n";
    text += "    Residual " + RoundedText(f.pvWaves, 3) + " waves P-V (" +
            WaveFractionText(f.pvWaves) + "), " + RoundedText(f.rmsWaves, 4) +
            " waves RMS, Strehl " + RoundedText(f.strehl, 4) + "\n";
    text += "    Beam " + u.Length(f.workingDiameter) + " wide on the lens, clear aperture " +
            u.Length(f.clearAperture) + ": margin " + u.Length(f.margin) + "\n";
  } else {
    text += "    Set up: no exact null was found\n";
  }
  // Why it is tight, apart from the verdict on the null itself.
  for (const std::string& note : f.notes) text += "    Does not fit: " + note + "\n";
  text += "    Verdict: " + std::string(VerdictStatusWords(f.verdict.status)) + "\n";
  for (const VerdictReason& reason : f.verdict.reasons) text += "      - " + reason.text + "\n";
  return text;
}

namespace {

const char* FitWords(CandidateFit fit) {
  switch (fit) {
    case CandidateFit::Fits:
      return "nulls the mirror";
    case CandidateFit::Tight:
      return "nulls the mirror, but does not fit";
    case CandidateFit::CannotNull:
      break;
  }
  return "cannot null the mirror";
}

// ---- JSON ---------------------------------------------------------------------------

std::string SettingJson(const ChooserSetting& s) {
  const Units u{s.conditions.inchUnits};
  const NullTestSystem& m = s.mirror;
  std::string json = "\"units\":" + JsonString(u.inch ? "inch" : "mm");
  json += ",\"mirror\":{\"diameter\":" + u.Json(2.0 * m.MirrorSemiDiameter) +
          ",\"roc\":" + u.Json(-m.MirrorRadius) + ",\"conic\":" + JsonNumber(m.ConicPlusOne - 1.0) +
          "}";
  json += ",\"wavelength_nm\":" + GeneralNumber(s.wavelengthNm);
  json += ",\"clear_aperture_fraction\":" + JsonNumber(s.conditions.clearApertureFraction);
  json += ",\"room\":{\"max_source_to_mirror\":" + u.JsonOrNull(s.conditions.maxSourceToMirror) +
          ",\"min_source_to_lens\":" + u.JsonOrNull(s.conditions.minSourceToLens) + "}";
  return json;
}

std::string StringsJson(const std::vector<std::string>& strings) {
  std::string json = "[";
  for (std::size_t i = 0; i < strings.size(); ++i) {
    if (i > 0) json += ',';
    json += JsonString(strings[i]);
  }
  return json + "]";
}

// The candidate's fields, without the braces.
std::string CandidateJson(const LensPrescription& lens, const CandidateFigures& f, bool inch) {
  const Units u{inch};
  std::string json = "\"fit\":" + JsonString(CandidateFitCode(f.fit));
  json += ",\"shape\":" + JsonString(ShapeWords(lens));
  json += ",\"source_radius\":" + u.JsonRadius(lens.sourceRadius);
  json += ",\"mirror_side_radius\":" + u.JsonRadius(lens.mirrorRadius);
  json += ",\"thickness\":" + u.JsonSize(lens.thickness);
  json += ",\"diameter\":" + u.JsonSize(lens.diameter);
  json += ",\"index\":" + JsonNumber(lens.index);
  json += ",\"focal_length\":" + u.Json(FocalLength(lens));
  json += ",\"object_distance\":" + u.Json(f.objectDistance);
  json += ",\"lens_mirror_distance\":" + u.Json(f.lensMirrorDistance);
  json += ",\"source_to_mirror\":" + u.Json(f.sourceToMirror);
  json += ",\"working_diameter\":" + u.Json(f.workingDiameter);
  json += ",\"clear_aperture\":" + u.Json(f.clearAperture);
  json += ",\"margin\":" + u.Json(f.margin);
  json += ",\"pv_waves\":" + JsonNumber(f.pvWaves);
  json += ",\"pv_fraction\":" +
          (std::isfinite(f.pvWaves) ? JsonString(WaveFractionText(f.pvWaves)) : "null");
  json += ",\"rms_waves\":" + JsonNumber(f.rmsWaves);
  json += ",\"strehl\":" + JsonNumber(f.strehl);
  json += ",\"verdict\":{\"status\":" + JsonString(VerdictStatusCode(f.verdict.status)) +
          ",\"reasons\":[";
  for (std::size_t i = 0; i < f.verdict.reasons.size(); ++i) {
    const VerdictReason& r = f.verdict.reasons[i];
    json += std::string(i ? "," : "") + "{\"code\":" + JsonString(r.code) +
            ",\"text\":" + JsonString(r.text) + "}";
  }
  json += "]}";
  json += ",\"notes\":" + StringsJson(f.notes);
  return json;
}

std::size_t Shown(std::size_t count, std::size_t top) {
  return top == 0 || top > count ? count : top;
}

}  // namespace

std::string RadiusText(double inches, bool inchUnits, int extraDecimals) {
  if (IsFlatRadius(inches)) return "flat";
  return inchUnits ? RoundedText(inches, 4 + extraDecimals) + "\""
                   : RoundedText(mmFromInch(inches), 2 + extraDecimals) + " mm";
}

std::string DesignText(const DesignResult& result, const ChooserSetting& setting) {
  const bool inch = setting.conditions.inchUnits;
  std::string text = "Lens design\n" + SettingLines(setting, true);
  if (result.cancelled) text += "The design was stopped before it finished.\n";
  for (const std::string& problem : result.problems) text += problem + "\n";
  for (std::size_t i = 0; i < result.candidates.size(); ++i) {
    const DesignedLens& d = result.candidates[i];
    const std::string shape = ShapeWords(d.lens);
    text += "\n" + std::to_string(i + 1) + ". " +
            (d.form == LensForm::PlanoConvex ? shape
                                             : std::string(LensFormWords(d.form)) + ", " + shape) +
            ": " + FitWords(d.figures.fit) + "\n";
    text += CandidateText(d.lens, d.figures, setting.glassName, inch);
    text += "    Before rounding the radii: source side " +
            RadiusText(d.unrounded.sourceRadius, inch, 1) + ", mirror side " +
            RadiusText(d.unrounded.mirrorRadius, inch, 1) + ", residual " +
            RoundedText(d.unroundedFigures.pvWaves, 3) + " waves P-V\n";
  }
  if (result.candidates.empty() && !result.cancelled) text += "\nNo lens could be designed.\n";
  return text;
}

std::string DesignJson(const DesignResult& result, const ChooserSetting& setting) {
  const bool inch = setting.conditions.inchUnits;
  const Units u{inch};
  std::string json = "{" + SettingJson(setting);
  json += ",\"glass\":" + (setting.glassName.empty() ? "null" : JsonString(setting.glassName));
  json += ",\"index\":" + JsonNumber(setting.index);
  json += ",\"cancelled\":" + std::string(result.cancelled ? "true" : "false");
  json += ",\"problems\":" + StringsJson(result.problems);
  json += ",\"candidates\":[";
  for (std::size_t i = 0; i < result.candidates.size(); ++i) {
    const DesignedLens& d = result.candidates[i];
    json += std::string(i ? "," : "") + "{\"rank\":" + std::to_string(i + 1) +
            ",\"form\":" + JsonString(LensFormCode(d.form)) + "," +
            CandidateJson(d.lens, d.figures, inch);
    json += ",\"unrounded\":{\"source_radius\":" + u.JsonRadius(d.unrounded.sourceRadius) +
            ",\"mirror_side_radius\":" + u.JsonRadius(d.unrounded.mirrorRadius) +
            ",\"pv_waves\":" + JsonNumber(d.unroundedFigures.pvWaves) +
            ",\"margin\":" + u.Json(d.unroundedFigures.margin) + "}}";
  }
  return json + "]}";
}

std::string RankingText(const LensRanking& ranking, const LensList& list,
                        const ChooserSetting& setting, std::size_t top) {
  const bool inch = setting.conditions.inchUnits;
  std::string text = "Lens ranking\n" + SettingLines(setting, false);
  const std::size_t n = list.lenses.size();
  text +=
      std::to_string(n) + (n == 1 ? " lens" : " lenses") + " from the list, each both ways round\n";
  if (ranking.cancelled) text += "The ranking was stopped before it finished.\n";
  const std::size_t shown = Shown(ranking.entries.size(), top);
  for (std::size_t i = 0; i < shown; ++i) {
    const RankedLens& e = ranking.entries[i];
    const ListedLens& listed = list.lenses[e.listIndex];
    std::string label = listed.name;
    if (!listed.partNumber.empty()) {
      label += label.empty() ? listed.partNumber : " (" + listed.partNumber + ")";
    }
    text += "\n" + std::to_string(i + 1) + ". " + label + ", row " + std::to_string(listed.row) +
            (e.symmetric  ? ", either way round"
             : e.reversed ? ", turned round"
                          : ", as listed") +
            ": " + ShapeWords(e.lens) + "; " + FitWords(e.figures.fit) + "\n";
    text += CandidateText(e.lens, e.figures, listed.glassName, inch);
  }
  if (shown < ranking.entries.size()) {
    text += "\n... and " + std::to_string(ranking.entries.size() - shown) + " more\n";
  }
  return text;
}

std::string RankingJson(const LensRanking& ranking, const LensList& list,
                        const ChooserSetting& setting, std::size_t top) {
  const bool inch = setting.conditions.inchUnits;
  const Units u{inch};
  std::string json = "{" + SettingJson(setting);
  json += ",\"cancelled\":" + std::string(ranking.cancelled ? "true" : "false");
  json += ",\"list\":{\"lenses\":" + std::to_string(list.lenses.size()) + ",\"problems\":[";
  for (std::size_t i = 0; i < list.problems.size(); ++i) {
    const LensListProblem& p = list.problems[i];
    json += std::string(i ? "," : "") + "{\"row\":" + std::to_string(p.row) +
            ",\"column\":" + std::to_string(p.column) +
            ",\"warning\":" + (p.warning ? "true" : "false") + ",\"message\":" + JsonString(p.why) +
            "}";
  }
  json += "],\"unlisted_problems\":" + std::to_string(list.unlistedProblems) + "},\"ranking\":[";
  const std::size_t shown = Shown(ranking.entries.size(), top);
  for (std::size_t i = 0; i < shown; ++i) {
    const RankedLens& e = ranking.entries[i];
    const ListedLens& listed = list.lenses[e.listIndex];
    json += std::string(i ? "," : "") + "{\"rank\":" + std::to_string(i + 1) +
            ",\"row\":" + std::to_string(listed.row) + ",\"name\":" + JsonString(listed.name) +
            ",\"part_number\":" + JsonString(listed.partNumber) +
            ",\"glass\":" + (listed.glassName.empty() ? "null" : JsonString(listed.glassName)) +
            ",\"vendor_focal_length\":" +
            (listed.vendorFocalLength ? u.Json(*listed.vendorFocalLength) : "null") +
            ",\"orientation\":" +
            JsonString(e.symmetric  ? "either"
                       : e.reversed ? "reversed"
                                    : "as_listed") +
            "," + CandidateJson(e.lens, e.figures, inch) + "}";
  }
  return json + "]}";
}

}  // namespace vn
