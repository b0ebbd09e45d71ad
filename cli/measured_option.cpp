// The command line's measured mirror.
#include "cli/measured_option.h"

#include <filesystem>

#include "cli/cli_support.h"
#include "common/constants.h"
#include "common/number_text.h"
#include "tester/measured_mirror_files.h"

namespace vn::cli {

bool MeasuredOption::Take(const std::string& option, const std::function<std::string()>& value) {
  if (option == "--measured") {
    file_ = value();
    if (file_->empty()) throw UsageProblem("--measured needs a file");
    return true;
  }
  if (option == "--measured-wavelength") {
    const auto nm = ReadNumber(value());
    if (!nm || !(*nm >= 350.0 && *nm <= 850.0)) {
      throw UsageProblem("--measured-wavelength takes a wavelength from 350 to 850 nm");
    }
    wavelengthNm_ = *nm;
  } else if (option == "--mirror-out") {
    out_ = value();
    const std::string extension = std::filesystem::path(*out_).extension().string();
    if (extension != ".csv" && extension != ".png" && extension != ".svg" && extension != ".CSV" &&
        extension != ".PNG" && extension != ".SVG") {
      throw UsageProblem("--mirror-out takes a file name ending in .csv, .png or .svg");
    }
  } else if (option == "--measured-units") {
    const std::string units = value();
    if (units != "waves" && units != "nm") throw UsageProblem("--measured-units takes waves or nm");
    nm_ = units == "nm";
  } else {
    return false;
  }
  extraGiven_ = true;
  return true;
}

void MeasuredOption::CheckUsage() const {
  if (extraGiven_ && !file_) throw UsageProblem("the measurement's options need --measured FILE");
}

void MeasuredOption::Reduce(const RunRecord& run, const std::optional<ExactCheckResult>& check,
                            std::chrono::steady_clock::time_point deadline) {
  if (!file_) return;
  MeasuredMirror failed;
  if (!run.solved) {
    failed.why = "no solved set-up to read the measurement through";
    mirror_ = failed;
    note_ = "vantry-null-cli: --measured: " + failed.why;
    return;
  }
  const double inches = inchFromUnit(1.0, run.setup.inch);
  const double testNm = run.setup.testWavelength * 1000.0;

  // The solved set-up at the distances the test was built at.
  SolvedSetUp builtAt = SolvedSetUpOf(run);
  if (builtAt_) {
    builtAt.objectDistance = builtAt_->first * inches;
    builtAt.lensMirrorDistance = builtAt_->second * inches;
  } else if (check && check->verdict.recommended.available) {
    builtAt.objectDistance = check->verdict.recommended.objectDistance;
    builtAt.lensMirrorDistance = check->verdict.recommended.lensMirrorDistance;
  } else {
    note_ =
        "vantry-null-cli: --measured: the exact check recommends no distances; the "
        "report's are taken as those the test was built at (give --built-at)";
  }

  MeasurementReading how;
  how.wavelengthNm = wavelengthNm_;
  how.testWavelengthNm = testNm;
  how.valuesInNm = nm_;
  const MeasuredWavefront measured = ReadMeasuredWavefrontFile(*file_, how, deadline);
  WithDeadline(deadline, [&](const CancelToken& cancel) {
    mirror_ = ReduceMeasurement(measured, builtAt, &cancel);
  });
  if (!mirror_->ok) {
    note_ = "vantry-null-cli: --measured: " + mirror_->why;
  } else if (out_) {
    const std::string why = WriteMeasuredMirror(*mirror_, *out_, run.setup.inch);
    note_ = why.empty() ? *out_ : "vantry-null-cli: --mirror-out: " + why;
    outFailed_ = !why.empty();
  }
}

std::string MeasuredOption::Text(const RunRecord& run) const {
  return mirror_ ? MeasuredMirrorText(*mirror_, run.setup.inch) : std::string();
}

std::string MeasuredOption::Json(const RunRecord& run) const {
  return mirror_ ? MeasuredMirrorJson(*mirror_, run.setup.inch, *file_) : std::string("null");
}

}  // namespace vn::cli
