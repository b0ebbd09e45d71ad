// The command line's tolerance analysis.
#include "cli/tolerance_option.h"

#include "analysis/tolerance_report.h"
#include "cli/cli_support.h"
#include "common/cancel_token.h"
#include "common/constants.h"
#include "common/number_text.h"
#include "common/user_file.h"
#include "record/solved_set_up.h"

namespace vn::cli {

void ToleranceOption::Analyse(const RunRecord& run,
                              std::chrono::steady_clock::time_point deadline) {
  report_.reset();
  if (!run.solved) return;
  const ToleranceModel model(SolvedSetUpOf(run));
  MonteCarloSettings settings;
  const BuildTolerances tolerances = file_ ? ResolveTolerances(*file_, run.setup.inch, settings)
                                           : DefaultTolerances(run.setup.inch);
  std::optional<double> spacing;
  if (bestNullSpacing_) {
    spacing = inchFromUnit(*bestNullSpacing_, run.setup.inch);
  }
  WithDeadline(deadline, [&](const CancelToken& cancel) {
    report_ = RunToleranceReport(model, tolerances, settings, spacing, &cancel);
  });
}

void ToleranceOption::ReadFile(std::chrono::steady_clock::time_point deadline) {
  if (!path_) return;
  const std::string text = ReadOptionFile("--tolerances", *path_, kMaxToleranceFileBytes, deadline);
  const ToleranceFileReading reading = ReadToleranceFile(text);
  if (!reading.file) throw UsageProblem("--tolerances " + *path_ + ": " + reading.why);
  file_ = reading.file;
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
    path_ = value();
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
  return ToleranceText(*report_, run.setup.inch);
}

std::string ToleranceOption::Json(const RunRecord& run) const {
  if (!report_) return "null";
  return ToleranceJson(*report_, run.setup.inch);
}

}  // namespace vn::cli
