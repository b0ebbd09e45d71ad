// The Foucault page's entries as the user typed them (zones, knife readings,
// the distances the test was built at), read as a reduction takes them, and
// written as the readings file the command line reads (--foucault).
//
// The texts follow the one number rule: a point for the decimals whatever
// the locale, and a comma is refused with its reason, never read as a
// separator. A row left blank is no zone; a row half filled is a problem.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "analysis/foucault_reduction.h"
#include "record/setup_file.h"

namespace vn {

// The readings of the entries, or the first problem with them.
struct FoucaultEntriesReading {
  std::vector<FoucaultReading> readings;  // in inches, in the rows' order
  // The distances the readings were taken at, inches, when the entries give them.
  std::optional<std::pair<double, double>> builtAt;
  std::string problem;     // empty when everything reads; a sentence otherwise
  int problemRow = -1;     // the zone's row (from 0) the problem is in, or -1
  int problemColumn = -1;  // 0 the radius, 1 the reading, or -1
};

// Reads the entries typed in the run's unit (`inchUnits`).
FoucaultEntriesReading ReadFoucaultEntries(const FoucaultSetupEntries& entries, bool inchUnits);

// The readings as a CSV file --foucault reads: a header line, then each
// zone's radius and reading as typed, one zone a line, LF line ends. Rows
// left blank are left out.
std::string FoucaultCsvText(const FoucaultSetupEntries& entries);

// The zones of a readings file (ReadFoucaultCsv) as the page's texts.
std::vector<FoucaultSetupEntries::Zone> FoucaultZonesOfCsv(const FoucaultCsv& csv);

}  // namespace vn
