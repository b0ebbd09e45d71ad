// The command line's tolerance analysis.
#include "cli/tolerance_option.h"

#include <fstream>
#include <sstream>

#include "analysis/tolerance_report.h"
#include "cli/cli_support.h"
#include "common/constants.h"
#include "common/number_text.h"
#include "exact/exact_check_of_run.h"

namespace vn::cli {

void ToleranceOption::Analyse(const RunRecord& run,
                              std::chrono::steady_clock::time_point deadline) {
  report_.reset();
  if (!run.solved) return;
  const ToleranceModel model(ToleranceInputFrom(ExactCheckInputOf(run), run.inputs.GlassName));
  MonteCarloSettings settings;
  const BuildTolerances tolerances = file_ ? ResolveTolerances(*file_, run.inputs.inch, settings)
                                           : DefaultTolerances(run.inputs.inch);
  std::optional<double> spacing;
  if (bestNullSpacing_) {
    spacing = inchFromUnit(*bestNullSpacing_, run.inputs.inch);
  }
  WithDeadline(deadline, [&](const std::atomic<bool>& cancel) {
    report_ = RunToleranceReport(model, tolerances, settings, spacing, &cancel);
  });
}

bool ToleranceOption::stopped() const {
  return report_ &&
         (report_->table.cancelled || (report_->monteCarlo && report_->monteCarlo->cancelled));
}

bool ToleranceOption::Take(const std::string& option, const std::function<std::string()>& value,
                           const std::function<void()>& flag) {
  if (option == "--tolerance") {
    flag();
  } else if (option == "--tolerances") {
    const std::string path = value();
    std::ifstream in(path, std::ios::binary);
    if (!in) throw UsageProblem("--tolerances: cannot read " + path);
    std::stringstream text;
    text << in.rdbuf();
    const ToleranceFileReading reading = ReadToleranceFile(text.str());
    if (!reading.file) throw UsageProblem("--tolerances: " + path + ": " + reading.why);
    file_ = reading.file;
  } else if (option == "--best-null-spacing") {
    const auto spacing = ReadNumber(value());
    if (!spacing || !(*spacing > 0.0)) {
      throw UsageProblem("--best-null-spacing takes a positive length in the run's unit");
    }
    bestNullSpacing_ = spacing;
  } else {
    return false;
  }
  wanted_ = true;
  return true;
}

std::string ToleranceOption::Text(const RunRecord& run) const {
  if (!report_) return "Tolerances\nNo solved set-up to analyse.";
  return ToleranceText(*report_, run.inputs.inch);
}

std::string ToleranceOption::Json(const RunRecord& run) const {
  if (!report_) return "null";
  return ToleranceJson(*report_, run.inputs.inch);
}

}  // namespace vn::cli
