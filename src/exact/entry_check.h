// What the eight entries alone show is wrong, before any run: a field that is
// not a number (a comma typed for the point included), a size that is not
// positive or too large for any mirror, a lens larger than its mirror, a lens
// face too strongly curved for the lens's diameter or too thick at its rim to
// leave an edge, and an index that is not the named glass's. The window marks
// each field as it is typed; the command line notes them on stderr. A run
// still reads the entries its own way and reports as it always has; only a
// size beyond any mirror keeps the window from starting one, since no search
// ends on it by itself.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "common/constants.h"
#include "record/null_setup.h"
#include "record/run_host.h"

namespace vn {

// Lengths above this are no mirror or lens this program sets up (the largest
// mirrors made are some 8 m across); far above it the searches never meet
// their tolerances. 100 m, in inches.
inline constexpr double kLargestLengthInch = inchFromMm(100000.0);

enum class EntrySeverity {
  Note,   // true but worth saying (the index is not the glass's)
  Wrong,  // the set-up cannot be what was meant
  Absurd  // too large for any set-up: the window does not run it
};

// The entries as typed, with what else a run reads when it starts: the
// unit, and the glass and wavelength the index is for.
struct TypedEntries {
  std::array<std::string, kEntryCount> texts;  // indexed by Entry
  bool inch = false;                           // lengths in inches, else millimetres
  std::string glassName;                       // as the catalog lists it
  double testWavelength = 0;                   // micrometres

  const std::string& Text(Entry e) const { return texts[static_cast<std::size_t>(e)]; }
};

// The typed entries a run read, from its set-up (all texts empty when the
// set-up was given as numbers).
TypedEntries TypedEntriesOf(const NullSetup& setup);

struct EntryProblem {
  Entry entry;
  EntrySeverity severity;
  std::string text;  // a sentence that names the field: "Mirror Diameter must be ..."
};

// Every problem of the entries, at most one per field (the first that
// applies). Lengths are read in the unit of `in.inch`.
std::vector<EntryProblem> CheckEntries(const TypedEntries& in);

// The problem of one field, if any.
std::optional<EntryProblem> ProblemOf(const std::vector<EntryProblem>& problems, Entry entry);

// The most severe problem (the first of equal ones), if any.
std::optional<EntryProblem> FirstProblem(const std::vector<EntryProblem>& problems);

// Whether the results of a run that read `ran` still belong to entries `now`:
// the same texts, unit, glass and wavelength.
bool SameEntries(const TypedEntries& ran, const TypedEntries& now);

}  // namespace vn
