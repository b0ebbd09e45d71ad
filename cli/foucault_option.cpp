// The command line's Foucault reduction.
#include "cli/foucault_option.h"

#include <iostream>

#include "cli/cli_support.h"
#include "common/constants.h"
#include "common/number_text.h"
#include "common/user_file.h"
#include "record/solved_set_up.h"

namespace vn::cli {

bool FoucaultOption::Take(const std::string& option, const std::function<std::string()>& value) {
  if (option == "--foucault") {
    path_ = value();
  } else {
    return false;
  }
  return true;
}

void FoucaultOption::CheckUsage() const {}

void FoucaultOption::ReadFile(std::chrono::steady_clock::time_point deadline) {
  if (!path_) return;
  const std::string text = ReadOptionFile("--foucault", *path_, kMaxReadingsFileBytes, deadline);
  const FoucaultCsv csv = ReadFoucaultCsv(text);
  if (!csv.why.empty()) throw UsageProblem("--foucault " + *path_ + ": " + csv.why);
  readings_ = csv.readings;
}

void FoucaultOption::Reduce(const RunRecord& run, const std::optional<ExactCheckResult>& check,
                            std::chrono::steady_clock::time_point deadline) {
  reduction_.reset();
  if (!wanted() || !run.solved) return;
  const double inches = inchFromUnit(1.0, run.setup.inch);
  std::string source;
  const SolvedSetUp input = SetUpAsBuilt(run, check, builtAt_, source);
  std::vector<FoucaultReading> readings = readings_;
  for (FoucaultReading& r : readings) {
    r.zoneRadius *= inches;
    r.knife *= inches;
  }
  WithDeadline(deadline, [&](const CancelToken& cancel) {
    reduction_ = ReduceFoucaultReadings(input, readings, &cancel);
  });
  reduction_->setUpSource = source;
  if (failed())
    std::cerr << "vantry-null-cli: --foucault " << *path_ << ": " << reduction_->why << "\n";
}

std::string FoucaultOption::Text(const RunRecord& run) const {
  if (!reduction_)
    return "Foucault readings through the null\nNo solved set-up to reduce them for.";
  return FoucaultText(*reduction_, run.setup.inch);
}

std::string FoucaultOption::Json(const RunRecord& run) const {
  if (!reduction_) return "null";
  return FoucaultJson(*reduction_, run.setup.inch);
}

}  // namespace vn::cli
