// The command line's tolerance analysis of the solved set-up: the
// sensitivity table, the Monte Carlo and the conic constant of a mirror that
// nulls best at a measured spacing, as text after the report or as the
// "tolerance" object of the JSON.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "analysis/tolerance_file.h"
#include "analysis/tolerance_report.h"
#include "record/run_record.h"

namespace vn::cli {

// The options' part of the usage text.
inline constexpr const char* kToleranceUsage =
    "Tolerance analysis of the solved set-up (exact 3D trace, sensitivities, Monte Carlo):\n"
    "  --tolerance                 add the tolerance analysis of the solved set-up\n"
    "  --tolerances FILE           the build tolerances as JSON, a regular file of at\n"
    "                              most 1 MB (implies --tolerance)\n"
    "  --best-null-spacing X       the conic of a mirror that nulls best at this lens-to-\n"
    "                              mirror spacing (run's unit; implies --tolerance)\n";

class ToleranceOption {
 public:
  // Takes the option when it is one of the analysis's (value() reads its
  // value, flag() refuses one); false for any other option. A file or a
  // number it cannot read throws UsageProblem.
  bool Take(const std::string& option, const std::function<std::string()>& value,
            const std::function<void()>& flag);

  bool wanted() const { return wanted_; }

  // Reads the --tolerances file, when one was given, before the deadline
  // (the command's clock): UsageProblem naming the path when it is no
  // tolerance file, StoppedByTimeout when the clock ran out first.
  void ReadFile(std::chrono::steady_clock::time_point deadline);

  // Analyses the run's solved set-up, stopped where it stands at the
  // deadline (the command line's --timeout).
  void Analyse(const RunRecord& run, std::chrono::steady_clock::time_point deadline);
  // The deadline stopped the analysis before it was complete.
  bool stopped() const;

  // The analysis as text after the report, or as the JSON's "tolerance".
  std::string Text(const RunRecord& run) const;
  std::string Json(const RunRecord& run) const;

 private:
  bool wanted_ = false;
  std::optional<ToleranceReport> report_;  // once analysed
  std::optional<std::string> path_;        // --tolerances, read by ReadFile
  std::optional<ToleranceFile> file_;
  std::optional<double> bestNullSpacing_;  // in the run's unit
};

}  // namespace vn::cli
