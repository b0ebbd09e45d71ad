// The null's residual in the files interferogram software reads.
//
// A user who tests through the null with an interferometer reduces the
// interferograms in software and must subtract what a perfect mirror shows
// through this null. The files are those of the popular free interferogram
// program (DFTFringe) and a spreadsheet's:
//  - .zrn: the 49 Zernike coefficients of the residual, one a line, in the
//    zero-based Fringe order, peak-normalised, in waves at the test
//    wavelength;
//  - .wft: the residual on a square grid, width and height, then one value a
//    line (the file's first row is the wavefront's top row, y largest; 0
//    outside the mirror, and never exactly 0 inside it, where the program
//    reads 0 as "no data"), then the trailer: the mirror's outline in grid
//    units, its diameter and radius of curvature in millimetres, the
//    wavelength in nanometres, and the line that tells the program not to
//    subtract its own null, since this wavefront already is the null's
//    residual. Use the .wft to subtract the residual: the program's reader
//    of a .zrn adds a 50th term and treats the surface as needing its own
//    conic null, so the .zrn is for reading the terms;
//  - .csv: the residual and the returning rays zone by zone.
// All in the sign of mirror_through_null.h: the wavefront error of the
// mirror that a perfect mirror would appear to have.
#pragma once

#include <string>
#include <vector>

#include "tester/mirror_through_null.h"

namespace vn {

// The .wft grid: kWftGridSize values a side, the mirror's edge
// kWftPupilRadius grid steps from the centre, (N − 1)/2: the program's
// "Subtract wavefronts" stretches both grids to one size, and its own
// wavefronts have the edge there. A smaller radius would leave a ring of the
// residual unsubtracted at the edge.
inline constexpr int kWftGridSize = 401;
inline constexpr double kWftPupilRadius = 0.5 * (kWftGridSize - 1);

// Each file ends by saying which set-up the residual was traced at
// (ResidualTrailer), in a form its reader passes over: after the .zrn's 49
// numbers, among the .wft's trailer lines, as the .csv's last line
// beginning "#".
std::string ResidualTrailer(const MirrorThroughNull& mirror);
std::string ZrnText(const MirrorThroughNull& mirror);
std::string WftText(const MirrorThroughNull& mirror);
// Lengths in the run's unit (inches or millimetres).
std::string CurvesCsv(const MirrorThroughNull& mirror, bool inchUnits);

// What the export says about the residual, for the command line and the
// window: its size, the fit and its spherical terms.
std::string ResidualSummary(const MirrorThroughNull& mirror);

struct ResidualExport {
  bool ok = false;
  std::string why;                 // why not, when !ok
  std::vector<std::string> paths;  // the files written
};

// Writes the residual set into `folder` (which must exist) as one unit: the
// three files under the first free set of names, null_residual.zrn, .wft and
// .csv, else null_residual_2.*, null_residual_3.* and so on, as the lens
// files take "_2", so that a set is never mixed with another export's, nor
// replaces one. The .zrn claims the set's name in one step (no other export
// takes a set whose .zrn is held); each file is written whole through a
// temporary file and takes its name only when that name is free. A failure
// removes the members already written: nothing new is left beside an older
// set. `paths` holds the three files, .zrn first.
ResidualExport WriteResidualFiles(const MirrorThroughNull& mirror, const std::string& folder,
                                  bool inchUnits);

// The path of member `extension` of set `number` in `folder`:
// "folder/null_residual.zrn" for 1, "folder/null_residual_2.zrn" for 2.
std::string ResidualSetPath(const std::string& folder, int number, const char* extension);

}  // namespace vn
