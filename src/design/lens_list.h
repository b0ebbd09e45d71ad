// A list of lenses to choose from, read from CSV text: the user's own stock,
// or a maker's catalogue saved from a spreadsheet.
//
// One lens per row, in this column order:
//   name, part number, radius 1, radius 2, centre thickness, diameter,
//   glass (a catalog name or a refractive index) [, focal length]
// Lengths are millimetres (or inches when asked). Radius 1 is the face the
// list names first; radii are signed as lens makers sign them, light going
// from the first face to the second: a biconvex lens has a positive radius 1
// and a negative radius 2. A flat face is written flat, plano, inf, infinity
// or ∞. A first row with no number where the radii, the thickness and the
// diameter stand is a header.
// Fields are separated by commas and may be quoted ("Lens, 50 mm" with ""
// for a quote inside); blank rows and rows whose first field starts with #
// are passed over. The text is UTF-8 (a byte-order mark is allowed).
//
// A bad row is named by its row (the line of the file where it starts) and
// its column, and left out; the rest of the list is still read. A doubtful
// row (a focal length the radii do not give, a name that is not UTF-8) is
// kept with a warning. Only the first kMaxListedProblems problems are kept
// with their messages; the others are counted.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/cancel_token.h"
#include "design/lens_candidate.h"

namespace vn {

// The columns in their order, as messages name them.
inline constexpr const char* kLensListColumns[] = {"name",     "part number",      "radius 1",
                                                   "radius 2", "centre thickness", "diameter",
                                                   "glass",    "focal length"};

struct ListedLens {
  int row = 0;  // line of the file where the row starts
  std::string name;
  std::string partNumber;
  // As listed, radius 1 toward the source; lengths in inches, the index at
  // the test wavelength.
  LensPrescription lens;
  std::string glassName;                    // the catalog's name, empty when an index was given
  std::optional<double> vendorFocalLength;  // inches
};

struct LensListProblem {
  int row = 0;
  int column = 0;        // 1 to 8; 0 when the row as a whole is at fault
  bool warning = false;  // the row is still used
  std::string why;       // "row 5, column 3 (radius 1): ..."
};

inline constexpr std::size_t kMaxListedProblems = 30;

struct LensList {
  std::vector<ListedLens> lenses;
  std::vector<LensListProblem> problems;  // in row order, the first kMaxListedProblems
  std::size_t unlistedProblems = 0;       // the problems after those, counted only
  bool stopped = false;                   // the cancel token ended the reading part way
};

struct LensListOptions {
  double wavelengthNm = 632.8;  // the glasses' indices are taken here
  bool inchLengths = false;     // the list's lengths are inches, not millimetres
  // Once set, the reading stops before the next row (a long list against the
  // command line's clock).
  const CancelToken* cancel = nullptr;
};

LensList ReadLensList(std::string_view text, const LensListOptions& options = {});

// The thick-lens focal length, 1/f = (n − 1)(c1 − c2 + (n − 1)·t·c1·c2 / n),
// as makers quote it (Born & Wolf §4.4; Hecht §6.1): inches.
double ThickLensFocalLength(double radius1, double radius2, double thickness, double index);

}  // namespace vn
