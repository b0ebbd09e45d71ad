// The tolerance analysis as a whole, and its text, JSON and CSV forms.
#include <algorithm>
#include <cmath>
#include <string>

#include "analysis/tolerance_report.h"
#include "common/cancel_token.h"
#include "common/constants.h"
#include "common/json_text.h"
#include "common/number_text.h"

namespace vn {

namespace {

// The run's unit: millimetres with " mm" or inches with the inch sign.
double LengthFactor(bool inchUnits) { return unitFromInch(1.0, inchUnits); }
const char* LengthSuffix(bool inchUnits) { return inchUnits ? "\"" : " mm"; }

// x to `digits` significant digits in the general number form.
std::string Significant(double x, int digits) {
  if (x == 0.0 || !std::isfinite(x)) return GeneralNumber(x);
  const int order = static_cast<int>(std::floor(std::log10(std::fabs(x))));
  return RoundedText(x, std::max(0, digits - 1 - order));
}

// Pads to a width in characters (UTF-8 code points, so "±" and "°" count once).
std::string Pad(std::string text, std::size_t width) {
  std::size_t characters = 0;
  for (unsigned char c : text) characters += (c & 0xC0) != 0x80;
  if (characters < width) text.append(width - characters, ' ');
  return text;
}

std::string Waves(double waves) { return FixedText(waves, 4); }

// A label inside a sentence: "Lens tilt" becomes "lens tilt".
std::string InSentence(const char* label) {
  std::string text = label;
  if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z')
    text[0] = static_cast<char>(text[0] - 'A' + 'a');
  return text;
}

std::string UnitName(ChangeUnit unit, bool inchUnits) {
  switch (unit) {
    case ChangeUnit::Length:
      return inchUnits ? "in" : "mm";
    case ChangeUnit::Percent:
      return "percent";
    case ChangeUnit::Fringes:
      return "fringes";
    case ChangeUnit::Index:
      return "index";
    case ChangeUnit::Nanometres:
      return "nm";
    case ChangeUnit::Degrees:
      return "degrees";
  }
  return "";
}

// A figure in a parameter's unit, lengths converted to the run's unit.
double Shown(double value, ChangeUnit unit, bool inchUnits) {
  return unit == ChangeUnit::Length ? value * LengthFactor(inchUnits) : value;
}

// The two changes of a row in one column: "±0.0504°" when they are equal
// and opposite, otherwise "+7.55 mm / -7.13 mm"; a side that is not reached
// within the search reads "beyond +13.5 mm".
std::string ChangesText(const SensitivityRow& row, bool inchUnits) {
  const auto side = [&](const std::optional<double>& change, double sign) {
    if (change) return ChangeText(*change, row.unit, inchUnits);
    return "beyond " + ChangeText(sign * row.searchLimit, row.unit, inchUnits);
  };
  if (row.plus && row.minus &&
      ChangeText(*row.plus, row.unit, inchUnits, false) ==
          ChangeText(-*row.minus, row.unit, inchUnits, false)) {
    return "±" + ChangeText(*row.plus, row.unit, inchUnits, false);
  }
  return side(row.plus, 1.0) + " / " + side(row.minus, -1.0);
}

std::string ToleranceOf(const SensitivityRow& row, bool inchUnits) {
  if (row.tolerance == 0.0) return "exact";
  return "±" + ChangeText(row.tolerance, row.unit, inchUnits, false);
}

std::string JsonOptional(const std::optional<double>& value, double factor) {
  return value ? JsonNumber(*value * factor) : "null";
}

std::string CsvNumber(double x) { return std::isfinite(x) ? JsonNumber(x) : ""; }

std::string CsvText(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string TolerancesLine(const BuildTolerances& t, bool inchUnits) {
  const auto length = [&](double inches) {
    return inches == 0.0 ? std::string("exact")
                         : "±" + ChangeText(inches, ChangeUnit::Length, inchUnits, false);
  };
  const auto other = [&](double value, ChangeUnit unit) {
    return value == 0.0 ? std::string("exact") : "±" + ChangeText(value, unit, inchUnits, false);
  };
  return "source to lens " + length(t.objectDistance) + ", lens to mirror " +
         length(t.lensMirrorDistance) + ", thickness " + length(t.lensThickness) + ", radii " +
         other(t.radiusPercent, ChangeUnit::Percent) + ", flat faces " +
         other(t.flatFringes, ChangeUnit::Fringes) + ",\n  index " +
         other(t.lensIndex, ChangeUnit::Index) + ", wavelength " +
         other(t.wavelengthNm, ChangeUnit::Nanometres) + ", tilt " +
         other(t.tiltDegrees, ChangeUnit::Degrees) + ", decenter " + length(t.decenter) +
         ", source off the axis " + length(t.sourceOffset);
}

}  // namespace

std::string ChangeText(double change, ChangeUnit unit, bool inchUnits, bool withSign) {
  std::string number = Significant(Shown(change, unit, inchUnits), 3);
  if (withSign && change > 0.0) number = "+" + number;
  switch (unit) {
    case ChangeUnit::Length:
      return number + LengthSuffix(inchUnits);
    case ChangeUnit::Percent:
      return number + "%";
    case ChangeUnit::Fringes:
      return number + (std::fabs(change) == 1.0 ? " fringe" : " fringes");
    case ChangeUnit::Index:
      return number;
    case ChangeUnit::Nanometres:
      return number + " nm";
    case ChangeUnit::Degrees:
      return number + "°";
  }
  return number;
}

std::string NominalText(const SensitivityRow& row, bool inchUnits) {
  switch (row.parameter) {
    case BuildParameter::ObjectDistance:
    case BuildParameter::LensMirrorDistance:
    case BuildParameter::LensThickness:
    case BuildParameter::SourceSideRadius:
    case BuildParameter::MirrorSideRadius:
      if (IsFlatRadius(row.nominal)) return "flat";
      return RoundedText(row.nominal * LengthFactor(inchUnits), inchUnits ? 4 : 3) +
             LengthSuffix(inchUnits);
    case BuildParameter::LensIndex:
      return RoundedText(row.nominal, 5);
    case BuildParameter::Wavelength:
      return RoundedText(row.nominal, 1) + " nm";
    case BuildParameter::LensTilt:
      return "0°";
    default:
      return std::string("0") + LengthSuffix(inchUnits);
  }
}

std::string LooksLikeText(const SensitivityRow& row) {
  // Piston aside, the largest term, and the next when it is at least a
  // third as large.
  std::size_t first = 0, second = 0;
  for (std::size_t j = 1; j < row.zernike.size(); ++j) {
    if (first == 0 || std::fabs(row.zernike[j]) > std::fabs(row.zernike[first])) {
      second = first;
      first = j;
    } else if (second == 0 || std::fabs(row.zernike[j]) > std::fabs(row.zernike[second])) {
      second = j;
    }
  }
  if (first == 0) return "";
  const auto term = [&](std::size_t j) {
    const double c = row.zernike[j];
    return ZernikeTermName(FringeTerm(static_cast<int>(j))) + " " + (c > 0.0 ? "+" : "") +
           RoundedText(c, 3);
  };
  std::string text = term(first);
  if (second != 0 && std::fabs(row.zernike[second]) >= std::fabs(row.zernike[first]) / 3.0) {
    text += ", " + term(second);
  }
  return text;
}

std::string ConicText(double k) { return FixedText(k, 4); }

std::string MonteCarloLines(const MonteCarloResult& mc) {
  std::string text = "Residual RMS: median " + Waves(mc.rmsMedian) +
                     " waves, 95% of set-ups below " + Waves(mc.rmsP95) + " waves.\n";
  text += "Residual P-V: median " + Waves(mc.pvMedian) + " waves, 95% of set-ups below " +
          Waves(mc.pvP95) + " waves.\n";
  text += "Under 1/8 wave P-V: " + GeneralNumber(Round(100.0 * mc.probabilityGood, 1)) +
          "% of set-ups (±" + GeneralNumber(Round(100.0 * mc.probabilityError, 1)) + "%).\n";
  text += "Apparent conic constant: median " + ConicText(mc.conicMedian) +
          ", 95% of set-ups between " + ConicText(mc.conicLow) + " and " + ConicText(mc.conicHigh) +
          ".";
  if (mc.untraced > 0) {
    text += "\n" + std::to_string(mc.untraced) +
            " set-ups could not be traced (rays missed the lens or mirror).";
  }
  return text;
}

std::string ConicFromSpacingText(const ConicFromSpacing& c, double designConic, bool inchUnits) {
  if (!c.ok) return "The conic constant for that spacing could not be found: " + c.why;
  const double factor = LengthFactor(inchUnits);
  const int decimals = inchUnits ? 4 : 3;
  return "A mirror that nulls best with the lens " +
         RoundedText(c.measuredSpacing * factor, decimals) + LengthSuffix(inchUnits) +
         " from it (" + ChangeText(c.spacingChange, ChangeUnit::Length, inchUnits) +
         " from the computed spacing) has the conic constant K = " + ConicText(c.conicConstant) +
         ".\nA mirror of K = " + ConicText(designConic) + " nulls best at " +
         RoundedText(c.designBestSpacing * factor, decimals) + LengthSuffix(inchUnits) +
         " (least RMS after refocusing, the source and lens where the run put them).";
}

double PredictedRms(const SensitivityTable& table,
                    std::array<double, kBuildParameterCount>* shares) {
  std::array<double, kBuildParameterCount> added{};
  double total = 0.0;
  for (const SensitivityRow& row : table.rows) {
    // RMS per unit of change, from the two changes for 1/20 wave (their
    // mean size); a parameter that never costs 1/20 wave within its search
    // counts as costing nothing.
    double size = 0.0;
    int sides = 0;
    if (row.plus) size += std::fabs(*row.plus), ++sides;
    if (row.minus) size += std::fabs(*row.minus), ++sides;
    if (sides == 0 || row.tolerance == 0.0) continue;
    const double perUnit = table.targetRmsWaves / (size / sides);
    const double drawMeanSquare = ParameterInfo(row.parameter).acrossAxis ? 0.5 : 1.0 / 3.0;
    const double meanSquare = perUnit * perUnit * row.tolerance * row.tolerance * drawMeanSquare;
    added[static_cast<std::size_t>(row.parameter)] = meanSquare;
    total += meanSquare;
  }
  if (shares != nullptr) {
    for (std::size_t k = 0; k < added.size(); ++k)
      (*shares)[k] = total > 0.0 ? added[k] / total : 0.0;
  }
  return std::sqrt(table.designRmsWaves * table.designRmsWaves + total);
}

ToleranceReport RunToleranceReport(const ToleranceModel& model, const BuildTolerances& tolerances,
                                   const MonteCarloSettings& monteCarlo,
                                   std::optional<double> measuredSpacing, const CancelToken* cancel,
                                   const std::function<void(int, int)>& progress) {
  ToleranceReport report;
  report.tolerances = tolerances;
  report.table = ComputeSensitivities(model, tolerances, cancel);
  if (report.table.ok)
    report.predictedRmsWaves = PredictedRms(report.table, &report.meanSquareShare);
  if (report.table.ok && monteCarlo.trials > 0) {
    report.monteCarlo = RunMonteCarlo(model, tolerances, monteCarlo, cancel, progress);
  }
  if (measuredSpacing) report.conicFromSpacing = ConicFromBestNullSpacing(model, *measuredSpacing);
  return report;
}

std::string ToleranceText(const ToleranceReport& report, bool inchUnits) {
  const SensitivityTable& table = report.table;
  std::string text = "Tolerances\n";
  if (!table.ok) return text + "Not available: " + table.why;

  text += "Exact trace of " + std::to_string(table.rays) +
          " rays over the whole mirror in three dimensions, at " +
          RoundedText(table.wavelengthMicrons * 1000.0, 1) + " nm.\n";
  text += "As designed: " + Waves(table.designPvWaves) + " waves P-V, " +
          Waves(table.designRmsWaves) + " waves RMS about the best reference point.\n\n";
  text +=
      "How far each build figure may be off before the wavefront changes by 1/20 wave RMS\n"
      "after you refocus, what that change looks like (Zernike terms, waves at the edge), and\n"
      "the conic constant the mirror then seems to have when the figure is off by the tolerance:\n";
  text += "  " + Pad("Build figure", 21) + Pad("Design", 14) + Pad("Off by for 1/20 wave", 28) +
          Pad("Looks like", 38) + "Mirror seems at ±tolerance\n";
  for (const SensitivityRow& row : table.rows) {
    std::string conic = "exact";
    if (row.tolerance != 0.0) {
      conic = ToleranceOf(row, inchUnits) + ": K = " + ConicText(row.apparentConicPlus) + " / " +
              ConicText(row.apparentConicMinus);
    }
    text += "  " + Pad(ParameterInfo(row.parameter).label, 21) +
            Pad(NominalText(row, inchUnits), 14) + Pad(ChangesText(row, inchUnits), 28) +
            Pad(LooksLikeText(row), 38) + conic + "\n";
  }

  text += table.dispersionGlass.empty()
              ? "The lens index is not a catalog glass's at this wavelength: the wavelength's\n"
                "line counts only the change of the wave's length, not of the index.\n"
              : "The wavelength's line includes the index's change through " +
                    table.dispersionGlass + "'s dispersion.\n";

  // What to tighten: each tolerance's share of the expected added mean square.
  std::vector<std::pair<double, BuildParameter>> ranked;
  for (int k = 0; k < kBuildParameterCount; ++k) {
    const double share = report.meanSquareShare[static_cast<std::size_t>(k)];
    if (share >= 0.005) ranked.emplace_back(share, ParameterAt(k));
  }
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  text += "\nWithin the tolerances a set-up is expected to reach " +
          Waves(report.predictedRmsWaves) +
          " waves RMS\n(root of the mean square, the errors acting independently).";
  if (!ranked.empty()) {
    text += "\nWhere the errors' part comes from:";
    for (std::size_t i = 0; i < ranked.size(); ++i) {
      text += std::string(i == 0 ? " " : ", ") + InSentence(ParameterInfo(ranked[i].second).label) +
              " " + GeneralNumber(Round(100.0 * ranked[i].first, 0)) + "%";
    }
    text += ".";
  }
  text += "\n";

  if (report.monteCarlo) {
    const MonteCarloResult& mc = *report.monteCarlo;
    text += "\nMonte Carlo: " + std::to_string(mc.completed) +
            " set-ups drawn within the tolerances (seed " + std::to_string(mc.seed) +
            "), each refocused";
    text += mc.cancelled ? ", stopped before all " + std::to_string(mc.requested) + " were done.\n"
                         : ".\n";
    text += "Tolerances: " + TolerancesLine(mc.tolerances, inchUnits) + ".\n";
    text += mc.ok ? MonteCarloLines(mc) + "\n" : "No statistics: " + mc.why + "\n";
  }

  if (report.conicFromSpacing) {
    text += "\n" + ConicFromSpacingText(*report.conicFromSpacing, table.conicConstant, inchUnits) +
            "\n";
  }
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

std::string ToleranceJson(const ToleranceReport& report, bool inchUnits) {
  const SensitivityTable& table = report.table;
  const double factor = LengthFactor(inchUnits);
  std::string json = "{";
  json += "\"ok\":" + std::string(table.ok ? "true" : "false");
  json += ",\"message\":" + JsonString(table.why);
  json += ",\"wavelength_microns\":" + JsonNumber(table.wavelengthMicrons);
  json += ",\"rays\":" + std::to_string(table.rays);
  json += ",\"target_rms_waves\":" + JsonNumber(table.targetRmsWaves);
  json += ",\"design\":{\"pv_waves\":" + JsonNumber(table.designPvWaves) +
          ",\"rms_waves\":" + JsonNumber(table.designRmsWaves) +
          ",\"conic\":" + JsonNumber(table.conicConstant) + "}";
  json += ",\"dispersion_glass\":" + JsonString(table.dispersionGlass);
  json += ",\"predicted_rms_waves\":" + JsonNumber(report.predictedRmsWaves);
  json += ",\"sensitivities\":[";
  for (std::size_t i = 0; i < table.rows.size(); ++i) {
    const SensitivityRow& row = table.rows[i];
    const double f = row.unit == ChangeUnit::Length ? factor : 1.0;
    const bool lengthNominal = row.parameter == BuildParameter::SourceSideRadius ||
                               row.parameter == BuildParameter::MirrorSideRadius ||
                               row.unit == ChangeUnit::Length;
    json += i == 0 ? "{" : ", {";
    json += "\"parameter\":" + JsonString(ParameterInfo(row.parameter).key);
    json += ",\"label\":" + JsonString(ParameterInfo(row.parameter).label);
    json += ",\"change_unit\":" + JsonString(UnitName(row.unit, inchUnits));
    json += ",\"design\":" + (IsFlatRadius(row.nominal)
                                  ? std::string("null")
                                  : JsonNumber(row.nominal * (lengthNominal ? factor : 1.0)));
    json += ",\"plus\":" + JsonOptional(row.plus, f);
    json += ",\"minus\":" + JsonOptional(row.minus, f);
    json += ",\"search_limit\":" + JsonNumber(row.searchLimit * f);
    json += ",\"tolerance\":" + JsonNumber(row.tolerance * f);
    json += ",\"apparent_conic_plus\":" + JsonNumber(row.apparentConicPlus);
    json += ",\"apparent_conic_minus\":" + JsonNumber(row.apparentConicMinus);
    json += ",\"mean_square_share\":" +
            JsonNumber(report.meanSquareShare[static_cast<std::size_t>(row.parameter)]);
    json += ",\"zernike_fringe_waves\":[";
    for (std::size_t j = 0; j < row.zernike.size(); ++j) {
      if (j) json += ',';
      json += JsonNumber(row.zernike[j]);
    }
    json += "],\"problem\":" + JsonString(row.why) + "}";
  }
  json += "]";

  json += ",\"monte_carlo\":";
  if (!report.monteCarlo) {
    json += "null";
  } else {
    const MonteCarloResult& mc = *report.monteCarlo;
    const BuildTolerances& t = mc.tolerances;
    json += "{\"ok\":" + std::string(mc.ok ? "true" : "false");
    json += ",\"message\":" + JsonString(mc.why);
    json += ",\"cancelled\":" + std::string(mc.cancelled ? "true" : "false");
    json += ",\"seed\":" + std::to_string(mc.seed);
    json += ",\"requested\":" + std::to_string(mc.requested);
    json += ",\"completed\":" + std::to_string(mc.completed);
    json += ",\"untraced\":" + std::to_string(mc.untraced);
    json += ",\"tolerances\":{\"object_distance\":" + JsonNumber(t.objectDistance * factor) +
            ",\"lens_mirror_distance\":" + JsonNumber(t.lensMirrorDistance * factor) +
            ",\"lens_thickness\":" + JsonNumber(t.lensThickness * factor) +
            ",\"radius_percent\":" + JsonNumber(t.radiusPercent) +
            ",\"flat_fringes\":" + JsonNumber(t.flatFringes) +
            ",\"lens_index\":" + JsonNumber(t.lensIndex) +
            ",\"wavelength_nm\":" + JsonNumber(t.wavelengthNm) +
            ",\"tilt_degrees\":" + JsonNumber(t.tiltDegrees) +
            ",\"decenter\":" + JsonNumber(t.decenter * factor) +
            ",\"source_offset\":" + JsonNumber(t.sourceOffset * factor) + "}";
    json += ",\"rms_waves\":{\"median\":" + JsonNumber(mc.rmsMedian) +
            ",\"p95\":" + JsonNumber(mc.rmsP95) + "}";
    json += ",\"pv_waves\":{\"median\":" + JsonNumber(mc.pvMedian) +
            ",\"p95\":" + JsonNumber(mc.pvP95) + "}";
    json += ",\"probability_pv_below_eighth_wave\":" + JsonNumber(mc.probabilityGood);
    json += ",\"probability_standard_error\":" + JsonNumber(mc.probabilityError);
    json += ",\"apparent_conic\":{\"median\":" + JsonNumber(mc.conicMedian) +
            ",\"p2_5\":" + JsonNumber(mc.conicLow) + ",\"p97_5\":" + JsonNumber(mc.conicHigh) + "}";
    std::vector<double> rms;
    for (const MonteCarloTrial& trial : mc.trials) {
      if (trial.traced) rms.push_back(trial.rmsWaves);
    }
    const Histogram histogram = MakeHistogram(rms, 20);
    json += ",\"rms_histogram\":{\"low\":" + JsonNumber(histogram.low) +
            ",\"high\":" + JsonNumber(histogram.high) + ",\"counts\":[";
    for (std::size_t j = 0; j < histogram.counts.size(); ++j) {
      if (j) json += ',';
      json += std::to_string(histogram.counts[j]);
    }
    json += "]}}";
  }

  if (report.conicFromSpacing) {
    const ConicFromSpacing& c = *report.conicFromSpacing;
    json += ",\"conic_from_spacing\":{\"ok\":" + std::string(c.ok ? "true" : "false") +
            ",\"message\":" + JsonString(c.why) +
            ",\"measured_spacing\":" + JsonNumber(c.measuredSpacing * factor) +
            ",\"spacing_change\":" + JsonNumber(c.spacingChange * factor) +
            ",\"design_best_spacing\":" + JsonNumber(c.designBestSpacing * factor) +
            ",\"conic\":" + (c.ok ? JsonNumber(c.conicConstant) : std::string("null")) + "}";
  }
  json += "}";
  return json;
}

std::string SensitivityCsv(const SensitivityTable& table, bool inchUnits) {
  std::string csv =
      "parameter,change_unit,design,plus,minus,tolerance,apparent_conic_plus,apparent_conic_minus";
  for (int j = 1; j <= kReportedFringeTerms; ++j) csv += ",Z" + std::to_string(j);
  csv += "\n";
  const auto field = [&csv](const std::string& text) {
    csv += ',';
    csv += text;
  };
  const auto optional = [](const std::optional<double>& x, double f) {
    return x ? CsvNumber(*x * f) : std::string();
  };
  for (const SensitivityRow& row : table.rows) {
    const double f = row.unit == ChangeUnit::Length ? LengthFactor(inchUnits) : 1.0;
    const bool lengthNominal = row.unit == ChangeUnit::Length ||
                               row.parameter == BuildParameter::SourceSideRadius ||
                               row.parameter == BuildParameter::MirrorSideRadius;
    csv += CsvText(ParameterInfo(row.parameter).key);
    field(CsvText(UnitName(row.unit, inchUnits)));
    const double nominal = row.nominal * (lengthNominal ? LengthFactor(inchUnits) : 1.0);
    field(IsFlatRadius(row.nominal) ? std::string() : CsvNumber(nominal));
    field(optional(row.plus, f));
    field(optional(row.minus, f));
    field(CsvNumber(row.tolerance * f));
    field(CsvNumber(row.apparentConicPlus));
    field(CsvNumber(row.apparentConicMinus));
    for (std::size_t j = 0; j < static_cast<std::size_t>(kReportedFringeTerms); ++j) {
      field(j < row.zernike.size() ? CsvNumber(row.zernike[j]) : std::string());
    }
    csv += "\n";
  }
  return csv;
}

std::string MonteCarloCsv(const MonteCarloResult& result) {
  std::string csv = "set_up,traced,rms_waves,pv_waves,apparent_conic\n";
  for (const MonteCarloTrial& t : result.trials) {
    csv += std::to_string(t.index + 1) + "," + (t.traced ? "1" : "0");
    if (t.traced) {
      csv += "," + CsvNumber(t.rmsWaves) + "," + CsvNumber(t.pvWaves) + "," +
             CsvNumber(t.apparentConic);
    } else {
      csv += ",,,";
    }
    csv += "\n";
  }
  return csv;
}

}  // namespace vn
