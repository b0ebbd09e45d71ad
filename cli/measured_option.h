// The command line's reading of a measurement taken through the null: the
// mirror's figure and conic, as text after the report or as the JSON's
// "measured_mirror".
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "exact/exact_check.h"
#include "record/run_record.h"
#include "tester/measured_mirror.h"

namespace vn::cli {

inline constexpr const char* kMeasuredUsage =
    "A measurement taken through the null, back to the mirror:\n"
    "  --measured FILE             the wavefront measured through the null: a .wft grid\n"
    "                              as DFTFringe saves it, a .zrn term list, or a CSV grid\n"
    "                              or term list; reports the mirror's figure and conic\n"
    "  --built-at D,d2             the source-to-lens and lens-to-mirror distances the\n"
    "                              test was built at, for --measured and --foucault (run's\n"
    "                              unit; default the exact check's recommended distances)\n"
    "  --measured-wavelength NM    the measurement's wavelength where the file gives none\n"
    "                              (default the test's; it must be the test's)\n"
    "  --measured-units waves|nm   the values of a .zrn or CSV (waves)\n"
    "  --mirror-out FILE           the measured mirror as FILE.csv (profile and zones),\n"
    "                              FILE.png (surface map) or FILE.svg (both; path on stderr)\n"
    "A measurement that cannot be read or reduced makes the exit status 1.\n";

class MeasuredOption {
 public:
  // Takes the option when it is one of these; false for any other. A value
  // it cannot read throws UsageProblem.
  bool Take(const std::string& option, const std::function<std::string()>& value);
  // Throws UsageProblem for options that do not go together.
  void CheckUsage() const;

  bool wanted() const { return file_.has_value(); }
  // The distances the test was built at (--built-at), in the run's unit.
  void SetBuiltAt(std::optional<std::pair<double, double>> builtAt) { builtAt_ = builtAt; }

  // Reads and reduces the measurement for the run's solved set-up, at the
  // given distances or the check's recommended ones, by the deadline.
  void Reduce(const RunRecord& run, const std::optional<ExactCheckResult>& check,
              std::chrono::steady_clock::time_point deadline);
  bool reduced() const { return mirror_ && mirror_->ok; }
  bool failed() const { return !reduced() || outFailed_; }
  bool stopped() const { return mirror_ && mirror_->cancelled; }

  std::string Text(const RunRecord& run) const;
  std::string Json(const RunRecord& run) const;
  // What goes to standard error: why it failed, or which distances were
  // assumed.
  const std::string& note() const { return note_; }

 private:
  std::optional<std::string> file_;
  std::optional<std::string> out_;
  std::optional<std::pair<double, double>> builtAt_;  // run's unit
  std::optional<double> wavelengthNm_;
  bool nm_ = false;
  bool extraGiven_ = false;
  std::optional<MeasuredMirror> mirror_;
  std::string note_;
  bool outFailed_ = false;
};

}  // namespace vn::cli
