// The command line's Foucault reduction: knife readings at the zones of a
// Couder mask, read through the null at the set-up as built, reduced to the
// mirror's conic, departure, profile and wavefront, as text after the report
// or as the "foucault" object of the JSON.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "analysis/foucault_reduction.h"
#include "exact/exact_check.h"
#include "record/run_record.h"

namespace vn::cli {

// The options' part of the usage text.
inline constexpr const char* kFoucaultUsage =
    "Foucault readings through the null (lengths in the run's unit):\n"
    "  --foucault FILE.csv         reduce knife readings to the mirror's conic: a header\n"
    "                              line, then per zone its mean radius on the mirror and\n"
    "                              the knife's reading along the axis (larger = farther\n"
    "                              from the mirror, any zero), a regular file of at most\n"
    "                              256 KB (taken at --built-at, below)\n";

class FoucaultOption {
 public:
  // Takes --foucault (value() reads the value); false for
  // any other option. A value it cannot read throws UsageProblem.
  bool Take(const std::string& option, const std::function<std::string()>& value);

  // Throws UsageProblem for options that do not go together.
  void CheckUsage() const;

  bool wanted() const { return path_.has_value(); }
  // The set-up the readings were taken at (--built-at), in the run's unit.
  void SetBuiltAt(std::optional<std::pair<double, double>> builtAt) { builtAt_ = builtAt; }

  // Reads the readings file before the deadline (the command's clock):
  // UsageProblem naming the path when it holds no readings,
  // StoppedByTimeout when the clock ran out first.
  void ReadFile(std::chrono::steady_clock::time_point deadline);

  // Reduces the readings at the set-up as built: --built-at, else the
  // check's recommended distances, else the run's. Stopped where it stands
  // at the deadline.
  void Reduce(const RunRecord& run, const std::optional<ExactCheckResult>& check,
              std::chrono::steady_clock::time_point deadline);

  bool stopped() const { return reduction_ && reduction_->cancelled; }
  // The reduction could not be made from these readings (exit status 1).
  bool failed() const { return reduction_ && !reduction_->ok && !reduction_->cancelled; }

  std::string Text(const RunRecord& run) const;
  std::string Json(const RunRecord& run) const;

 private:
  std::optional<std::string> path_;
  std::optional<std::pair<double, double>> builtAt_;  // in the run's unit
  std::vector<FoucaultReading> readings_;             // in the run's unit, as read
  std::optional<FoucaultReduction> reduction_;
};

}  // namespace vn::cli
