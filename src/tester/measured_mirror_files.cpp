// The measured mirror's profile, map and picture files.
#include "tester/measured_mirror_files.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>

#include "common/constants.h"
#include "common/number_text.h"
#include "common/whole_file.h"
#include "pictures/drawing.h"
#include "tester/png_file.h"

namespace vn {

std::string MeasuredMirrorCsv(const MeasuredMirror& m, bool inchUnits) {
  const double unit = inchUnits ? 1.0 : kMmPerInch;
  const int decimals = inchUnits ? 5 : 3;
  std::string csv = std::string("what,radius_") + (inchUnits ? "in" : "mm") + ",height_nm\n";
  for (std::size_t k = 0; k < m.profileRadius.size(); ++k) {
    csv += "profile," + RoundedText(m.profileRadius[k] * unit, decimals) + "," +
           RoundedText(m.profileHeightNm[k], 2) + "\n";
  }
  for (std::size_t k = 0; k < m.zones.size(); ++k) {
    csv += std::string(k + 1 == m.zones.size() ? "edge," : "zone,") +
           RoundedText(m.zones[k].radius * unit, decimals) + "," +
           RoundedText(m.zones[k].heightNm, 2) + "\n";
  }
  return csv;
}

GreyImage MeasuredMirrorMap(const MeasuredMirror& m) {
  GreyImage image(m.mapSize, m.mapSize, 128);
  double low = 0.0, high = 0.0;
  for (double h : m.mapNm) {
    if (std::isnan(h)) continue;
    low = std::min(low, h), high = std::max(high, h);
  }
  const double span = std::max(high - low, 1e-9);
  for (int i = 0; i < m.mapSize; ++i) {
    for (int j = 0; j < m.mapSize; ++j) {
      const double h = m.mapNm[static_cast<std::size_t>(i * m.mapSize + j)];
      if (std::isnan(h)) continue;
      image.at(j, i) = static_cast<std::uint8_t>(std::lround(255.0 * (h - low) / span));
    }
  }
  return image;
}

std::string MeasuredMirrorSvg(const MeasuredMirror& m, bool inchUnits) {
  // The profile's plot: height against radius, the wanted conic the zero
  // line, the zones marked; the map to its right.
  constexpr int kPlotW = 480, kPlotH = 300, kLeft = 60, kTop = 40, kMapPx = 300;
  const double unit = inchUnits ? 1.0 : kMmPerInch;
  const double edge = m.zones.empty() ? 1.0 : m.zones.back().radius;
  double low = -1.0, high = 1.0;
  for (double h : m.profileHeightNm) low = std::min(low, h), high = std::max(high, h);
  const auto px = [&](double r) { return kLeft + kPlotW * r / edge; };
  const auto py = [&](double h) { return kTop + kPlotH * (high - h) / (high - low); };
  const auto n = [](double x) { return RoundedText(x, 2); };
  const int width = kLeft + kPlotW + 40 + kMapPx + 20, height = kTop + kPlotH + 60;
  std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(width) +
         "\" height=\"" + std::to_string(height) + "\">\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  svg += "<g font-family=\"sans-serif\" font-size=\"12\">\n";
  svg +=
      "<text x=\"" + std::to_string(kLeft) + "\" y=\"20\" font-weight=\"bold\">" +
      XmlEscaped("Measured mirror: conic " + RoundedText(m.conic, 4) + " \u00b1 " +
                 RoundedText(m.conicUncertainty, 4) + " (wanted " + GeneralNumber(m.wantedConic) +
                 "), surface " + RoundedText(m.surfaceRmsNm, 1) + " nm RMS") +
      "</text>\n";
  // The wanted conic: height 0.
  svg += "<line x1=\"" + n(px(0)) + "\" y1=\"" + n(py(0)) + "\" x2=\"" + n(px(edge)) + "\" y2=\"" +
         n(py(0)) + "\" stroke=\"grey\" stroke-dasharray=\"4 3\"/>\n";
  svg += "<text x=\"" + n(px(edge) - 90) + "\" y=\"" + n(py(0) - 4) +
         "\" fill=\"grey\">wanted conic</text>\n";
  svg += "<polyline fill=\"none\" stroke=\"black\" points=\"";
  for (std::size_t k = 0; k < m.profileRadius.size(); ++k) {
    svg += n(px(m.profileRadius[k])) + "," + n(py(m.profileHeightNm[k])) + " ";
  }
  svg += "\"/>\n";
  for (const MirrorZone& zone : m.zones) {
    svg +=
        "<circle cx=\"" + n(px(zone.radius)) + "\" cy=\"" + n(py(zone.heightNm)) + "\" r=\"3\"/>\n";
  }
  svg += "<rect x=\"" + std::to_string(kLeft) + "\" y=\"" + std::to_string(kTop) + "\" width=\"" +
         std::to_string(kPlotW) + "\" height=\"" + std::to_string(kPlotH) +
         "\" fill=\"none\" stroke=\"black\"/>\n";
  svg += "<text x=\"" + std::to_string(kLeft) + "\" y=\"" + std::to_string(kTop + kPlotH + 20) +
         "\">0</text><text x=\"" + std::to_string(kLeft + kPlotW - 60) + "\" y=\"" +
         std::to_string(kTop + kPlotH + 20) + "\">" + RoundedText(edge * unit, inchUnits ? 3 : 1) +
         (inchUnits ? " in" : " mm") + "</text>\n";
  svg += "<text x=\"4\" y=\"" + std::to_string(kTop + 12) + "\">" + RoundedText(high, 1) +
         " nm</text><text x=\"4\" y=\"" + std::to_string(kTop + kPlotH) + "\">" +
         RoundedText(low, 1) + " nm</text>\n";
  svg += "<text x=\"" + std::to_string(kLeft) + "\" y=\"" + std::to_string(kTop + kPlotH + 40) +
         "\">surface height against the wanted conic (+ high), along the radius</text>\n";
  svg += "</g>\n";
  if (m.mapSize > 0) {
    svg += "<image x=\"" + std::to_string(kLeft + kPlotW + 40) + "\" y=\"" + std::to_string(kTop) +
           "\" width=\"" + std::to_string(kMapPx) + "\" height=\"" + std::to_string(kMapPx) +
           "\" href=\"data:image/png;base64," + Base64(PngBytes(MeasuredMirrorMap(m))) + "\"/>\n";
  }
  return svg + "</svg>\n";
}

std::string WriteMeasuredMirror(const MeasuredMirror& m, const std::string& path, bool inchUnits) {
  if (!m.ok) return "no measured mirror to write: " + m.why;
  std::string extension = std::filesystem::path(path).extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string bytes;
  if (extension == ".csv") {
    bytes = MeasuredMirrorCsv(m, inchUnits);
  } else if (extension == ".png") {
    bytes = PngBytes(MeasuredMirrorMap(m));
  } else if (extension == ".svg") {
    bytes = MeasuredMirrorSvg(m, inchUnits);
  } else {
    return path + ": the mirror is written as .csv, .png or .svg";
  }
  if (const FileWriteResult written = WriteWholeFile(path, bytes); !written.written()) {
    return "cannot write " + path + ": " + written.why;
  }
  return "";
}

}  // namespace vn
