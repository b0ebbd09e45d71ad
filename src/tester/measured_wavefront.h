// A wavefront measured through the null, read from the files interferogram
// software saves: DFTFringe's .wft grid and .zrn term list, and a
// spreadsheet's CSV grid or term list.
//
// Every form becomes one grid in waves at the measurement's wavelength, in
// the mirror-error sign of interferogram reports (positive where the mirror
// looks high), with the mirror's outline: grid row 0 at the bottom (y up),
// column 0 at the left as the tester sees the mirror.
//  - .wft: width and height, then width×height values with the file's first
//    row the top of the picture; an exact 0 is "no data". Trailer lines by
//    their exact starts: "outside" (fields 2, 3, 4 the outline's centre x, y
//    and radius; without it (w−1)/2 − 2 about the grid's centre), "DIAM" and
//    "ROC" in mm, "Lambda" in nm. Values are waves at Lambda.
//  - .zrn: numbers only, one term a line, zero-based Fringe order,
//    peak-normalised, up to 49; no wavelength (the test's, or the one given).
//  - .csv: one number a line (or one row of numbers): a term list as above;
//    a table of rows: a grid whose first row is the top, empty cells or 0
//    "no data", the outline the largest circle about the grid's centre.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace vn {

struct MeasuredWavefront {
  bool ok = false;
  std::string why;  // why not, naming the file, when !ok

  int width = 0, height = 0;
  std::vector<double> waves;           // waves[row * width + col], NaN where no data
  double centreX = 0, centreY = 0;     // the outline's centre, grid steps
  double radius = 0;                   // the outline's radius, grid steps
  std::optional<double> wavelengthNm;  // from the file, when it says
  std::optional<double> diameterMm;    // from a .wft's trailer
  std::optional<double> radiusOfCurvatureMm;
  std::string kind;      // "wft", "zrn", "csv grid" or "csv terms"
  std::string fileName;  // as given, for messages
};

// How to read what a file does not say.
struct MeasurementReading {
  std::optional<double> wavelengthNm;      // the measurement's wavelength, when given
  std::optional<double> testWavelengthNm;  // the set-up's, for values in nm without one
  bool valuesInNm = false;  // CSV and .zrn values are nanometres of wavefront, not waves
};

// The largest measurement file read: a 4096² grid with room to spare.
inline constexpr std::size_t kMaxMeasurementBytes = 400u * 1024u * 1024u;

// The text of a file, its name for messages (its extension decides the form).
MeasuredWavefront ReadMeasuredWavefront(const std::string& text, const std::string& fileName,
                                        const MeasurementReading& how);
// The file at `path`, read as every user's file is (a regular file within
// its cap, refused by name otherwise), before `deadline`.
MeasuredWavefront ReadMeasuredWavefrontFile(
    const std::string& path, const MeasurementReading& how,
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max());

// A term list on an n×n grid whose outline has the radius (n−1)/2.
MeasuredWavefront WavefrontFromTerms(const std::vector<double>& terms, int n);

}  // namespace vn
