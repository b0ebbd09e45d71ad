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

namespace {

ToleranceReport Analyse(const RunRecord& run, const std::optional<ToleranceFile>& file,
                        const std::optional<double>& bestNullSpacing) {
  const ToleranceModel model(ToleranceInputFrom(ExactCheckInputOf(run), run.inputs.GlassName));
  MonteCarloSettings settings;
  const BuildTolerances tolerances = file ? ResolveTolerances(*file, run.inputs.inch, settings)
                                          : DefaultTolerances(run.inputs.inch);
  std::optional<double> spacing;
  if (bestNullSpacing) spacing = run.inputs.inch ? *bestNullSpacing : *bestNullSpacing / kMmPerInch;
  return RunToleranceReport(model, tolerances, settings, spacing);
}

}  // namespace

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
    if (!reading.file) throw UsageProblem("--tolerances: " + path + ": " + reading.error);
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
  if (!run.solved) return "Tolerances\nNo solved set-up to analyse.";
  return ToleranceText(Analyse(run, file_, bestNullSpacing_), run.inputs.inch);
}

std::string ToleranceOption::Json(const RunRecord& run) const {
  if (!run.solved) return "null";
  return ToleranceJson(Analyse(run, file_, bestNullSpacing_), run.inputs.inch);
}

}  // namespace vn::cli
