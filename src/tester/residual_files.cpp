// The null's residual as .zrn, .wft and .csv files.
#include "tester/residual_files.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>
#include <utility>

#include "analysis/zernike.h"
#include "analysis/zernike_series.h"
#include "common/constants.h"
#include "common/decimal_conversion.h"
#include "common/number_text.h"
#include "oslo/file_set.h"

namespace vn {

namespace {

// Waves to 1e-9: a thousand times finer than the files need to rebuild the
// wavefront to a millionth of a wave.
constexpr int kWaveDecimals = 9;

// A data value in fixed notation with its trailing zeros dropped, through
// WriteFixed (never the C library's locale, which may write a comma).
// A value that rounds to zero is written "0", never "-0".
void AppendFixed(std::string& out, double x, int decimals) {
  char buffer[64];
  char* end = WriteFixed(buffer, buffer + sizeof buffer, x, decimals);
  if (end == nullptr) {
    out += "0";
    return;
  }
  char* point = std::find(buffer, end, '.');
  if (point != end) {
    while (end > point + 1 && end[-1] == '0') --end;
    if (end == point + 1) end = point;
  }
  const std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
  out += text == "-0" ? std::string_view("0") : text;
}

// A value inside the mirror: as AppendFixed, but one that rounds to zero is
// written as the smallest step of its sign, since the reader takes an exact
// 0 for a point without data.
void AppendInsideValue(std::string& out, double x) {
  const std::size_t start = out.size();
  AppendFixed(out, x, kWaveDecimals);
  if (out.compare(start, std::string::npos, "0") == 0) {
    out.resize(start);
    out += std::signbit(x) ? "-0.000000001" : "0.000000001";
  }
}

// A small figure to two significant digits ("3.1E-09").
std::string TwoFigures(double x) {
  if (!(std::fabs(x) > 0.0) || !std::isfinite(x)) return GeneralNumber(x);
  const int exponent = static_cast<int>(std::floor(std::log10(std::fabs(x))));
  return GeneralNumber(Round(x, 1 - exponent));
}

}  // namespace

std::string ResidualTrailer(const MirrorThroughNull& mirror) {
  return "Residual traced " + mirror.tracedAt;
}

std::string ZrnText(const MirrorThroughNull& mirror) {
  std::string text;
  for (double c : mirror.zernike) {
    AppendFixed(text, c, kWaveDecimals);
    text += '\n';
  }
  // The reader takes numbers up to the first thing that is not one: a line
  // of words after the 49 ends the list there.
  return text + ResidualTrailer(mirror) + "\n";
}

std::string WftText(const MirrorThroughNull& mirror) {
  const ZernikeSeries series(mirror.zernike);
  const int n = kWftGridSize;
  const double centre = 0.5 * (n - 1);
  std::string text;
  text.reserve(static_cast<std::size_t>(n) * n * 8 + 200);
  text += std::to_string(n) + "\n" + std::to_string(n) + "\n";
  // The program stores row j at y = (j − centre)/radius and reads the file's
  // rows from its last row to its first: the file starts at the top.
  for (int row = n - 1; row >= 0; --row) {
    const double y = (row - centre) / kWftPupilRadius;
    for (int col = 0; col < n; ++col) {
      const double x = (col - centre) / kWftPupilRadius;
      if (x * x + y * y <= 1.0) {
        AppendInsideValue(text, series.At(x, y));
      } else {
        text += '0';
      }
      text += '\n';
    }
  }
  text += "outside ellipse " + GeneralNumber(centre) + " " + GeneralNumber(centre) + " " +
          GeneralNumber(kWftPupilRadius) + " " + GeneralNumber(kWftPupilRadius) + "\n";
  text += "DIAM " + RoundedText(mmFromInch(2.0 * mirror.mirrorSemiDiameter), 6) + "\n";
  text += "ROC " + RoundedText(mmFromInch(mirror.mirrorRadius), 6) + "\n";
  text += "Lambda " + RoundedText(mirror.wavelengthMicrons * 1000.0, 6) + "\n";
  text += "Do Not use null\n";
  // A trailer line the reader does not know is passed over.
  text += ResidualTrailer(mirror) + "\n";
  return text;
}

std::string CurvesCsv(const MirrorThroughNull& mirror, bool inchUnits) {
  const ZernikeSeries series(mirror.zernike);
  const double unit = unitFromInch(1.0, inchUnits);
  const int decimals = inchUnits ? 7 : 6;  // a tenth of a micrometre, or less
  const std::string u = inchUnits ? "in" : "mm";
  std::string text = "zone_percent,mirror_height_" + u +
                     ",residual_waves,axis_crossing_beyond_source_" + u +
                     ",height_at_return_image_" + u + ",seen_at_zone_percent\n";
  for (int i = 0; i <= kRayTableZones; i += kRayTableZones / 100) {
    const double fraction = static_cast<double>(i) / kRayTableZones;
    const VectorRay& ray = mirror.rays[static_cast<std::size_t>(i)];
    text += GeneralNumber(Round(100.0 * fraction, 6)) + ",";
    text += RoundedText(fraction * mirror.mirrorSemiDiameter * unit, decimals) + ",";
    text += RoundedText(series.At(fraction, 0.0), 6) + ",";
    // The axial ray crosses the axis nowhere: its cell stays empty.
    if (const auto crossing = AxisCrossing(ray); crossing && i > 0) {
      text += RoundedText((mirror.sourceZ - *crossing) * unit, decimals);
    }
    text += ",";
    text += RoundedText(mirror.HeightAt(static_cast<std::size_t>(i), mirror.focusZ) * unit,
                        decimals + 3);
    text += ",";
    // Where the tester sees the zone through the null (pupil distortion).
    text += i > 0 ? RoundedText(100.0 * mirror.ApparentRadius(fraction), 3) : "0";
    text += "\n";
  }
  // The set-up last, as a comment line: semicolons, so that it stays one cell.
  std::string trailer = "# " + ResidualTrailer(mirror);
  std::replace(trailer.begin(), trailer.end(), ',', ';');
  return text + trailer + "\n";
}

std::string ResidualSummary(const MirrorThroughNull& mirror) {
  if (!mirror.ok) return "No residual: " + mirror.why;
  const auto term = [&](int index) {
    std::string text = "Z";
    text += std::to_string(index);
    text += ' ';
    text += RoundedText(mirror.zernike[index], 4);
    return text;
  };
  const double beyond = mirror.ImageBeyondSource();
  return "Residual of a perfect mirror through the null " + mirror.tracedAt +
         "; about the best focus: " + RoundedText(mirror.pvWaves, 4) + " waves P-V, " +
         RoundedText(mirror.rmsWaves, 4) + " RMS at " +
         RoundedText(mirror.wavelengthMicrons * 1000.0, 1) +
         " nm; 49 Zernike terms (zero-based Fringe, the mirror's error sign), fit RMS residual " +
         TwoFigures(mirror.fitRmsResidualWaves) + " waves; spherical " + term(8) + ", " + term(15) +
         ", " + term(24) + ", " + term(35) + ", " + term(48) +
         ". Subtract null_residual.wft (\"Subtract wavefronts\" with \"use null\" off): it carries "
         "the outline and the line that keeps the program's own conic null out. The .zrn is for "
         "reading the terms: a surface made from it gets a 50th term and that conic null again. "
         "Pupil coordinates are the mirror's; through the null its 70% zone is seen at " +
         RoundedText(100.0 * mirror.ApparentRadius(0.7), 2) + "% of its edge's radius. " +
         "The return image lies " + RoundedText(mmFromInch(std::fabs(beyond)) * 1000.0, 1) +
         " \u00b5m " + (beyond >= 0 ? "beyond" : "short of") + " the source.";
}

std::string ResidualSetPath(const std::string& folder, int number, const char* extension) {
  std::string name = "null_residual";
  if (number > 1) {
    name += '_';
    name += std::to_string(number);
  }
  name += extension;
  return (std::filesystem::path(folder) / name).string();
}

ResidualExport WriteResidualFiles(const MirrorThroughNull& mirror, const std::string& folder,
                                  bool inchUnits) {
  ResidualExport result;
  if (!mirror.ok) {
    result.why = "no residual to export: " + mirror.why;
    return result;
  }
  // Enough sets for any number of exports into one folder; the search ends
  // so that a folder full of them ends the export instead of searching on.
  const char* const extensions[3] = {".zrn", ".wft", ".csv"};
  FileSetResult set = WriteFileSet(
      [&](int number, std::size_t member) {
        return ResidualSetPath(folder, number, extensions[member]);
      },
      {ZrnText(mirror), WftText(mirror), CurvesCsv(mirror, inchUnits)}, "residual set");
  result.ok = set.ok;
  result.why = std::move(set.why);
  result.paths = std::move(set.paths);
  return result;
}

}  // namespace vn
