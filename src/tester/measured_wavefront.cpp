// Reading a wavefront measured through the null from interferogram files.
#include "tester/measured_wavefront.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <limits>

#include "analysis/zernike_series.h"
#include "common/decimal_conversion.h"
#include "common/number_text.h"
#include "common/user_file.h"

namespace vn {

namespace {

constexpr double kNoData = std::numeric_limits<double>::quiet_NaN();
// Grids from 3 to 4096 values a side: smaller holds no mirror, larger no
// interferogram program writes.
constexpr int kLargestGrid = 4096;
constexpr int kTermsRead = 49;

// The lines of a text, without their line ends (LF or CR LF).
std::vector<std::string_view> Lines(const std::string& text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::size_t stop = end;
    if (stop > start && text[stop - 1] == '\r') --stop;
    lines.emplace_back(text.data() + start, stop - start);
    start = end + 1;
  }
  return lines;
}

bool StartsWith(std::string_view line, std::string_view head) {
  return line.substr(0, head.size()) == head;
}

// A grid value: the common plain form ("-0.012345678") straight through
// the fixed-form reading, anything else as a typed number reads.
std::optional<double> GridNumber(std::string_view text) {
  double x = 0.0;
  const char* end = text.data() + text.size();
  const DecimalRead read = ReadDecimal(text.data(), end, x, DecimalForm::Fixed);
  if (read.ec == std::errc() && read.end == end && text[0] != '+' && std::isfinite(x)) return x;
  return ReadNumber(text);
}

MeasuredWavefront Failed(const std::string& fileName, const std::string& why) {
  MeasuredWavefront w;
  w.why = fileName + ": " + why;
  return w;
}

// The value of a trailer line: the number after its keyword.
std::optional<double> TrailerValue(std::string_view line, std::size_t keyword) {
  return ReadNumber(line.substr(keyword));
}

MeasuredWavefront ReadWft(const std::string& text, const std::string& fileName) {
  const std::vector<std::string_view> lines = Lines(text);
  if (lines.size() < 2) return Failed(fileName, "not a .wft: no width and height");
  const auto width = ReadNumber(lines[0]), height = ReadNumber(lines[1]);
  const auto gridSide = [](const std::optional<double>& x) {
    return x && *x >= 3 && *x <= kLargestGrid && *x == std::floor(*x);
  };
  if (!gridSide(width) || !gridSide(height)) {
    return Failed(fileName,
                  "not a .wft: its first two lines are not a width and a height from 3 "
                  "to 4096");
  }
  MeasuredWavefront w;
  w.kind = "wft";
  w.width = static_cast<int>(*width);
  w.height = static_cast<int>(*height);
  const std::size_t count = static_cast<std::size_t>(w.width) * w.height;
  if (lines.size() < 2 + count) {
    return Failed(fileName, "the grid stops after " + std::to_string(lines.size() - 2) +
                                " of its " + std::to_string(count) + " values");
  }
  w.waves.assign(count, kNoData);
  for (std::size_t k = 0; k < count; ++k) {
    const auto value = GridNumber(lines[2 + k]);
    if (!value) {
      return Failed(fileName, "line " + std::to_string(3 + k) + " of the grid is not a number");
    }
    // The file's first row is the top: grid row height − 1.
    const std::size_t fileRow = k / static_cast<std::size_t>(w.width);
    const std::size_t col = k % static_cast<std::size_t>(w.width);
    const std::size_t row = static_cast<std::size_t>(w.height) - 1 - fileRow;
    if (*value != 0.0) w.waves[row * static_cast<std::size_t>(w.width) + col] = *value;
  }
  w.centreX = 0.5 * (w.width - 1);
  w.centreY = 0.5 * (w.height - 1);
  w.radius = 0.5 * (w.width - 1) - 2.0;
  for (std::size_t i = 2 + count; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (StartsWith(line, "outside")) {
      // Split on single spaces, as its reader does.
      std::vector<std::string_view> fields;
      std::size_t start = 0;
      while (start <= line.size()) {
        std::size_t end = line.find(' ', start);
        if (end == std::string_view::npos) end = line.size();
        fields.push_back(line.substr(start, end - start));
        start = end + 1;
      }
      const auto cx = fields.size() > 4 ? ReadNumber(fields[2]) : std::nullopt;
      const auto cy = fields.size() > 4 ? ReadNumber(fields[3]) : std::nullopt;
      const auto r = fields.size() > 4 ? ReadNumber(fields[4]) : std::nullopt;
      if (!cx || !cy || !r || !(*r > 1.0)) {
        return Failed(fileName, "its outline line does not read as centre x, centre y, radius");
      }
      w.centreX = *cx, w.centreY = *cy, w.radius = *r;
    } else if (StartsWith(line, "DIAM")) {
      w.diameterMm = TrailerValue(line, 4);
    } else if (StartsWith(line, "ROC")) {
      w.radiusOfCurvatureMm = TrailerValue(line, 3);
    } else if (StartsWith(line, "Lambda")) {
      w.wavelengthNm = TrailerValue(line, 6);
    }
  }
  w.ok = true;
  return w;
}

// The cells of a CSV line (commas, semicolons or tabs between them).
std::vector<std::string_view> Cells(std::string_view line) {
  std::vector<std::string_view> cells;
  std::size_t start = 0;
  while (start <= line.size()) {
    std::size_t end = line.find_first_of(",;\t", start);
    if (end == std::string_view::npos) end = line.size();
    cells.push_back(line.substr(start, end - start));
    start = end + 1;
  }
  return cells;
}

bool Blank(std::string_view text) { return text.find_first_not_of(" \t") == std::string::npos; }

// Terms one a line until the first thing that is not a number (a .zrn as
// its editor reads it), or one row of a CSV.
MeasuredWavefront ReadTerms(const std::vector<double>& terms, const std::string& fileName,
                            const char* kind) {
  if (terms.empty()) return Failed(fileName, "holds no Zernike terms");
  if (terms.size() > kTermsRead) {
    return Failed(fileName, "holds " + std::to_string(terms.size()) +
                                " terms; up to 49 Zernike terms are read");
  }
  MeasuredWavefront w = WavefrontFromTerms(terms, 401);
  w.kind = kind;
  return w;
}

MeasuredWavefront ReadCsv(const std::string& text, const std::string& fileName) {
  std::vector<std::vector<std::string_view>> rows;
  for (std::string_view line : Lines(text)) {
    if (!Blank(line)) rows.push_back(Cells(line));
  }
  if (rows.empty()) return Failed(fileName, "is empty");
  // A term list: one number a line, or one row.
  if (rows.size() == 1 || rows[0].size() == 1) {
    std::vector<double> terms;
    for (const auto& row : rows) {
      for (std::string_view cell : row) {
        const auto x = ReadNumber(cell);
        if (!x) return Failed(fileName, "a term '" + std::string(cell) + "' is not a number");
        terms.push_back(*x);
      }
    }
    if (rows.size() > 1 || terms.size() <= kTermsRead)
      return ReadTerms(terms, fileName, "csv terms");
  }
  MeasuredWavefront w;
  w.kind = "csv grid";
  w.width = static_cast<int>(rows[0].size());
  w.height = static_cast<int>(rows.size());
  if (w.width < 3 || w.height < 3 || w.width > kLargestGrid || w.height > kLargestGrid) {
    return Failed(fileName, "a grid must have 3 to 4096 rows and columns");
  }
  w.waves.assign(static_cast<std::size_t>(w.width) * w.height, kNoData);
  for (int k = 0; k < w.height; ++k) {
    if (static_cast<int>(rows[k].size()) != w.width) {
      return Failed(fileName, "row " + std::to_string(k + 1) + " has " +
                                  std::to_string(rows[k].size()) + " cells, the first " +
                                  std::to_string(w.width));
    }
    for (int col = 0; col < w.width; ++col) {
      const std::string_view cell = rows[k][col];
      if (Blank(cell)) continue;
      const auto x = ReadNumber(cell);
      if (!x) {
        return Failed(fileName, "row " + std::to_string(k + 1) + " column " +
                                    std::to_string(col + 1) + " is not a number");
      }
      if (*x != 0.0) w.waves[static_cast<std::size_t>((w.height - 1 - k) * w.width + col)] = *x;
    }
  }
  w.centreX = 0.5 * (w.width - 1);
  w.centreY = 0.5 * (w.height - 1);
  w.radius = 0.5 * (std::min(w.width, w.height) - 1);
  w.ok = true;
  return w;
}

}  // namespace

MeasuredWavefront WavefrontFromTerms(const std::vector<double>& terms, int n) {
  MeasuredWavefront w;
  const ZernikeSeries series(terms);
  w.width = w.height = n;
  w.centreX = w.centreY = w.radius = 0.5 * (n - 1);
  w.waves.assign(static_cast<std::size_t>(n) * n, kNoData);
  for (int row = 0; row < n; ++row) {
    for (int col = 0; col < n; ++col) {
      const double x = (col - w.centreX) / w.radius, y = (row - w.centreY) / w.radius;
      if (x * x + y * y <= 1.0) w.waves[static_cast<std::size_t>(row * n + col)] = series.At(x, y);
    }
  }
  w.ok = true;
  return w;
}

MeasuredWavefront ReadMeasuredWavefront(const std::string& text, const std::string& fileName,
                                        const MeasurementReading& how) {
  std::string extension = std::filesystem::path(fileName).extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  MeasuredWavefront w;
  if (extension == ".wft") {
    w = ReadWft(text, fileName);
    if (w.ok && how.valuesInNm) return Failed(fileName, "a .wft holds waves, not nanometres");
  } else if (extension == ".zrn") {
    std::vector<double> terms;
    for (std::string_view line : Lines(text)) {
      const auto x = ReadNumber(line);
      if (!x) break;
      terms.push_back(*x);
    }
    w = ReadTerms(terms, fileName, "zrn");
  } else if (extension == ".csv") {
    w = ReadCsv(text, fileName);
  } else {
    return Failed(fileName, "a measurement is a .wft, .zrn or .csv file");
  }
  if (!w.ok) return w;

  // The wavelength: the file's, or the one given, and they must agree.
  if (how.wavelengthNm) {
    if (w.wavelengthNm && std::fabs(*w.wavelengthNm - *how.wavelengthNm) > 0.05) {
      return Failed(fileName, "it says it was measured at " + GeneralNumber(*w.wavelengthNm) +
                                  " nm, not at the " + GeneralNumber(*how.wavelengthNm) +
                                  " nm given");
    }
    w.wavelengthNm = how.wavelengthNm;
  }
  if (how.valuesInNm) {
    const std::optional<double> lambda = w.wavelengthNm ? w.wavelengthNm : how.testWavelengthNm;
    if (!lambda || !(*lambda > 0.0)) return Failed(fileName, "values in nm need a wavelength");
    for (double& v : w.waves) v /= *lambda;
  }
  bool any = false;
  for (double v : w.waves) {
    if (std::isnan(v)) continue;
    if (!std::isfinite(v)) return Failed(fileName, "holds a value too large to be a wavefront");
    any = true;
  }
  if (!any) return Failed(fileName, "holds no data inside the mirror");
  w.fileName = fileName;
  return w;
}

MeasuredWavefront ReadMeasuredWavefrontFile(const std::string& path, const MeasurementReading& how,
                                            std::chrono::steady_clock::time_point deadline) {
  const UserFileReading reading = ReadUserFile(path, kMaxMeasurementBytes, deadline);
  if (reading.problem == UserFileProblem::TooLarge) {
    return Failed(path, "is larger than a measurement can be");
  }
  if (!reading.bytes) return Failed(path, reading.why);
  return ReadMeasuredWavefront(*reading.bytes, path, how);
}

}  // namespace vn
