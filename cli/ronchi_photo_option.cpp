// The command line's Ronchi photo fit.
#include "cli/ronchi_photo_option.h"

#include <cmath>
#include <iostream>

#include "cli/cli_support.h"
#include "cli/photo_file.h"
#include "common/constants.h"
#include "common/number_text.h"
#include "record/solved_set_up.h"

namespace vn::cli {

bool RonchiPhotoOption::Take(const std::string& option, const std::function<std::string()>& value) {
  if (option == "--ronchi-photo") {
    path_ = value();
  } else if (option == "--photo-outline") {
    // "X,Y,R": three numbers, the radius positive.
    const std::string text = value();
    const std::size_t first = text.find(','), second = text.find(',', first + 1);
    std::optional<double> x, y, r;
    if (first != std::string::npos && second != std::string::npos &&
        text.find(',', second + 1) == std::string::npos) {
      x = ReadNumber(text.substr(0, first));
      y = ReadNumber(text.substr(first + 1, second - first - 1));
      r = ReadNumber(text.substr(second + 1));
    }
    if (!x || !y || !r || !(*r > 0)) {
      throw UsageProblem(
          "--photo-outline takes the centre and the radius in pixels, X,Y,R, the radius "
          "positive");
    }
    outline_ = PhotoOutline{*x, *y, *r};
  } else {
    return false;
  }
  return true;
}

void RonchiPhotoOption::CheckUsage(std::optional<double> linesPerInch,
                                   std::optional<double> offsetGuess) {
  if (outline_ && !path_) throw UsageProblem("--photo-outline needs --ronchi-photo FILE");
  if (!path_) return;
  if (!linesPerInch) throw UsageProblem("--ronchi-photo needs --grating N[/in|/mm]");
  linesPerInch_ = *linesPerInch;
  offsetGuess_ = offsetGuess;
  if (offsetGuess_ && *offsetGuess_ == 0.0) {
    throw UsageProblem("--grating-offset for a photo must say the side of focus: not 0");
  }
}

void RonchiPhotoOption::ReadFile(std::chrono::steady_clock::time_point deadline) {
  if (path_) photo_ = ReadPhoto("--ronchi-photo", *path_, deadline);
}

void RonchiPhotoOption::Fit(const RunRecord& run, const std::optional<ExactCheckResult>& check,
                            std::chrono::steady_clock::time_point deadline) {
  fit_.reset();
  if (!wanted() || !run.solved) return;
  const double inches = inchFromUnit(1.0, run.setup.inch);
  const SolvedSetUp input = SetUpAsBuilt(run, check, builtAt_, setUpSource_);
  WithDeadline(deadline, [&](const CancelToken& cancel) {
    const TesterModel model(input, &cancel);
    RonchiPhotoSettings settings;
    settings.gratingLinesPerInch = linesPerInch_;
    if (offsetGuess_) settings.gratingOffset = *offsetGuess_ * inches;
    settings.outline = outline_;
    settings.cancel = &cancel;
    fit_ = FitRonchiPhoto(model, photo_, settings);
  });
  fit_->setUpSource = setUpSource_;
  if (failed())
    std::cerr << "vantry-null-cli: --ronchi-photo " << *path_ << ": " << fit_->why << "\n";
}

std::string RonchiPhotoOption::Text(const RunRecord& run) const {
  if (!fit_) return "Ronchi photo through the null\nNo solved set-up to fit it for.";
  return RonchiPhotoText(*fit_, run.setup.inch);
}

std::string RonchiPhotoOption::Json(const RunRecord& run) const {
  if (!fit_) return "null";
  return RonchiPhotoJson(*fit_, run.setup.inch);
}

}  // namespace vn::cli
