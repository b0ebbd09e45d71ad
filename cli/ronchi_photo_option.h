// The command line's Ronchi photo: a photo of the bands seen through the
// null at the set-up as built, fitted to a conic mirror's bands, as text
// after the report or as the "ronchi_photo" object of the JSON.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "exact/exact_check.h"
#include "record/run_record.h"
#include "tester/ronchi_photo.h"

namespace vn::cli {

// The options' part of the usage text.
inline constexpr const char* kRonchiPhotoUsage =
    "A Ronchigram photo through the null (lengths in the run's unit):\n"
    "  --ronchi-photo FILE         fit a photo (PNG or JPEG, at most 64 MB and 64\n"
    "                              megapixels) of the bands seen through the lens to a\n"
    "                              conic mirror's: dK, the grating's offset and its\n"
    "                              rotation; needs --grating N[/in|/mm]; --grating-offset X\n"
    "                              is the first guess and says the side of focus (inside\n"
    "                              when not given); taken at --built-at when given\n"
    "  --photo-outline X,Y,R       the mirror's outline in the photo, pixels from the top\n"
    "                              left corner (default: found in the photo)\n";

class RonchiPhotoOption {
 public:
  // Takes --ronchi-photo and --photo-outline (value() reads the value);
  // false for any other option. A value it cannot read throws UsageProblem.
  bool Take(const std::string& option, const std::function<std::string()>& value);

  // The grating as --grating and --grating-offset gave it (lines per inch;
  // the offset in the run's unit). Throws UsageProblem for options that do
  // not go together.
  void CheckUsage(std::optional<double> linesPerInch, std::optional<double> offsetGuess);

  bool wanted() const { return path_.has_value(); }
  void SetBuiltAt(std::optional<std::pair<double, double>> builtAt) { builtAt_ = builtAt; }

  // Reads and decodes the photo before the deadline: UsageProblem naming
  // the path when it is no picture, StoppedByTimeout when the clock ran out.
  void ReadFile(std::chrono::steady_clock::time_point deadline);

  // Fits the photo at the set-up as built: --built-at, else the check's
  // recommended distances, else the run's. Stopped where it stands at the
  // deadline.
  void Fit(const RunRecord& run, const std::optional<ExactCheckResult>& check,
           std::chrono::steady_clock::time_point deadline);

  bool stopped() const { return fit_ && fit_->cancelled; }
  // The photo could not be fitted (exit status 1).
  bool failed() const { return fit_ && !fit_->ok && !fit_->cancelled; }

  std::string Text(const RunRecord& run) const;
  std::string Json(const RunRecord& run) const;

 private:
  std::optional<std::string> path_;
  std::optional<PhotoOutline> outline_;
  double linesPerInch_ = 0;
  std::optional<double> offsetGuess_;                 // in the run's unit
  std::optional<std::pair<double, double>> builtAt_;  // in the run's unit
  GreyImage photo_;
  std::string setUpSource_;
  std::optional<RonchiPhotoFit> fit_;
};

}  // namespace vn::cli
