// DFTFringe's wavefront files as that program reads and writes them, written
// here from its documented format (the facts in our shared notes on its
// readers), independently of our own writer and reader: the tests read our
// files with it, and write the measurements they make with it.
#pragma once

#include <charconv>
#include <cmath>
#include <locale>
#include <sstream>
#include <string>
#include <vector>

namespace vn::test {

// A .wft as the program holds it: grid row 0 is the file's last row (the
// bottom of the picture), value 0 means "no data".
struct DftWavefront {
  bool ok = false;
  int width = 0, height = 0;
  std::vector<double> grid;                        // grid[row * width + col]
  double centreX = 0, centreY = 0, radius = 0;     // the outline
  double diameterMm = 0, rocMm = 0, lambdaNm = 0;  // 0 when absent
  bool noNull = false;                             // keep its own conic null out
  double At(int row, int col) const { return grid[static_cast<std::size_t>(row * width + col)]; }
};

inline double DftNumber(const std::string& text) {
  double value = std::nan("");
  std::size_t start = text.find_first_not_of(' ');
  if (start == std::string::npos) return value;
  std::from_chars(text.data() + start, text.data() + text.size(), value);
  return value;
}

// Reads as its reader does: width, height, width×height numbers, each file
// row k into grid row height−1−k; then the trailer lines by their exact,
// case-sensitive starts.
inline DftWavefront ReadDftWavefront(const std::string& text) {
  DftWavefront w;
  std::istringstream in(text);
  in.imbue(std::locale::classic());
  if (!(in >> w.width >> w.height) || w.width <= 0 || w.height <= 0) return w;
  w.grid.assign(static_cast<std::size_t>(w.width) * w.height, 0.0);
  for (int k = 0; k < w.height; ++k) {
    for (int col = 0; col < w.width; ++col) {
      std::string word;
      if (!(in >> word)) return w;
      w.grid[static_cast<std::size_t>((w.height - 1 - k) * w.width + col)] = DftNumber(word);
    }
  }
  w.radius = 0.5 * (w.width - 1) - 2.0;  // its default without an outline
  w.centreX = 0.5 * (w.width - 1);
  w.centreY = 0.5 * (w.height - 1);
  const auto startsWith = [](const std::string& line, const char* head) {
    return line.rfind(head, 0) == 0;
  };
  for (std::string line; std::getline(in, line);) {
    if (startsWith(line, "outside")) {
      std::vector<std::string> fields;
      std::string field;
      for (std::istringstream split(line); std::getline(split, field, ' ');)
        fields.push_back(field);
      if (fields.size() < 5) return w;
      w.centreX = DftNumber(fields[2]);
      w.centreY = DftNumber(fields[3]);
      w.radius = DftNumber(fields[4]);
    } else if (startsWith(line, "DIAM")) {
      w.diameterMm = DftNumber(line.substr(4));
    } else if (startsWith(line, "ROC")) {
      w.rocMm = DftNumber(line.substr(3));
    } else if (startsWith(line, "Lambda")) {
      w.lambdaNm = DftNumber(line.substr(6));
    } else if (startsWith(line, "Do Not use null") || startsWith(line, "nulled")) {
      w.noNull = true;
    }
  }
  w.ok = true;
  return w;
}

// A .zrn as its Zernike editor reads it: numbers, one after another, up to
// the first thing that is not a number (QTextStream's rule: the number's
// text ends at white space; a word stops the reading).
inline std::vector<double> ReadDftZernikes(const std::string& text) {
  std::vector<double> terms;
  std::istringstream in(text);
  for (std::string word; in >> word;) {
    double value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size()) break;
    terms.push_back(value);
  }
  return terms;
}

// A wavefront in waves as the program saves one from an interferogram: an
// n×n grid whose outline has the radius (n−1)/2 about the centre, waves(x, y)
// for x, y on the unit disc (y up, the file's first row the top), the
// trailer with the mirror's size and the wavelength.
template <class Waves>
std::string DftWavefrontText(int n, const Waves& waves, double diameterMm, double rocMm,
                             double lambdaNm) {
  const double centre = 0.5 * (n - 1), radius = centre;
  std::ostringstream out;
  out.imbue(std::locale::classic());
  out.precision(12);
  out << n << "\n" << n << "\n";
  for (int k = 0; k < n; ++k) {
    const double y = ((n - 1 - k) - centre) / radius;
    for (int col = 0; col < n; ++col) {
      const double x = (col - centre) / radius;
      double value = 0.0;
      if (x * x + y * y <= 1.0) {
        value = waves(x, y);
        if (value == 0.0) value = 1e-12;
      }
      out << value << "\n";
    }
  }
  out << "outside ellipse " << centre << " " << centre << " " << radius << " " << radius << "\n";
  out << "DIAM " << diameterMm << "\nROC " << rocMm << "\nLambda " << lambdaNm << "\n";
  return out.str();
}

}  // namespace vn::test
