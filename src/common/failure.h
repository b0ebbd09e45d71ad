// The core's one failure: a code that says what kind of failure it is, and a
// sentence that says what failed. Thrown where work cannot go on and caught
// where the work began, which turns it into its result: the run's one error
// report, a refused file, a lens-list row's problem, a stopped analysis.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace vn {

enum class FailureKind {
  // A run's failures; each ends the run with the one common error report.
  NotANumber,  // an entry that does not read as a number
  Arithmetic,  // arithmetic that left the finite numbers
  File,        // a file that could not be written or removed
  // Reading a user's text or file.
  Syntax,     // text that does not read: JSON, a lens list's row, a chooser entry
  Damaged,    // a file of ours with missing or wrong members
  OtherFile,  // a file of some other kind than the one asked for
  Newer,      // a file saved by a newer version of the program
  // Long work.
  Stopped,  // the user (or the clock) stopped it
  // The program's own data (the glass catalogs) do not read: a fault of the build.
  ProgramData,
};

class Failure : public std::runtime_error {
 public:
  // `where`: the place in the text read where the failure lies (a byte of a
  // JSON text, a column of a lens list's row), 0 when it has none.
  Failure(FailureKind kind, const std::string& sentence, std::size_t where = 0)
      : std::runtime_error(sentence), kind_(kind), where_(where) {}
  FailureKind kind() const { return kind_; }
  std::size_t where() const { return where_; }

 private:
  FailureKind kind_;
  std::size_t where_;
};

// The run's failures are Failures of its three kinds.
using RunFailure = Failure;

}  // namespace vn
