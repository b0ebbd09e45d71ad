// The command line's tester's side of the solved set-up: the null's residual
// as files for interferogram software, and the Ronchigram, Foucault
// shadowgram or interferogram of the mirror through the null as a picture.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "exact/exact_check.h"
#include "record/run_record.h"
#include "tester/null_views.h"
#include "tester/tester_distances.h"

namespace vn::cli {

// The options' part of the usage text.
inline constexpr const char* kTesterUsage =
    "What the tester sees through the solved null (lengths in the run's unit):\n"
    "  --export-residual DIR       write null_residual.zrn, .wft and .csv into DIR: the\n"
    "                              residual a perfect mirror shows through the null, in\n"
    "                              waves, as the mirror's error (paths on stderr); a set\n"
    "                              whose names are taken goes to null_residual_2.* etc.\n"
    "  --view ronchi|foucault|fringes\n"
    "                              draw what a perfect mirror looks like through the null\n"
    "  --out FILE.png|FILE.svg     where --view writes its picture (path on stderr); a\n"
    "                              FILE that exists is kept: FILE_2.png etc. is written\n"
    "  --size PIXELS               the mirror's picture, 64 to 4096 pixels across (512)\n"
    "  --grating N[/in|/mm]        Ronchi grating, lines per inch or per mm (100/in)\n"
    "  --grating-offset X          grating inside (+) or outside (-) the return focus\n"
    "                              (default: where about 4 bands cross the mirror)\n"
    "  --knife-offset X            knife inside (+) or outside (-) the return focus (0)\n"
    "  --knife-edge X              knife edge across the beam from the axis, + toward\n"
    "                              the knife's side; the knife comes from the right (0)\n"
    "  --slit X                    width of the source slit (0.025 mm, 0.001 in)\n"
    "  --tilt N                    tilt fringes across the interferogram (5)\n"
    "  --defocus W                 defocus of the interferogram, waves (0)\n"
    "  --delta-k X                 show a mirror whose conic differs from the design's\n"
    "                              by X instead of a perfect one\n"
    "  --at null|report            the distances the residual and the picture are\n"
    "                              traced at: the recommended set-up, the exact null\n"
    "                              (default; the report's when no exact null exists),\n"
    "                              or the report's; the files and the summary say which\n"
    "A residual or picture that cannot be written makes the exit status 1; --timeout\n"
    "stops the tracing and drawing too (exit status 3, nothing written).\n";

class TesterOption {
 public:
  // Takes the option when it is one of these (value() reads its value,
  // flag() refuses one); false for any other option. A value it cannot read
  // throws UsageProblem.
  bool Take(const std::string& option, const std::function<std::string()>& value,
            const std::function<void()>& flag);

  // Throws UsageProblem for options that do not go together. The grating's
  // options also serve a Ronchi photo (`ronchiPhoto`) without --view.
  void CheckUsage(bool ronchiPhoto = false) const;

  // --grating and --grating-offset as given (lines per inch; the run's unit).
  std::optional<double> GivenLinesPerInch() const {
    return gratingGiven_ ? std::optional<double>(linesPerInch_) : std::nullopt;
  }
  std::optional<double> GratingOffset() const { return gratingOffset_; }

  bool wanted() const { return exportFolder_.has_value() || view_.has_value(); }

  // Exports and draws for the last run's solved set-up before the deadline
  // (the command's clock); messages and paths on standard error. 0 when all
  // was written, 1 when something was not, 3 when the deadline stopped the
  // work (nothing is then written of what it stopped).
  // `check` is the run's exact check, whose recommended set-up is the
  // default distances.
  int Run(const RunRecord& run, const std::optional<ExactCheckResult>& check,
          std::chrono::steady_clock::time_point deadline);

  // The "tester" member of the run's JSON object: the distances traced at
  // and the files written.
  std::string Json(const RunRecord& run) const;

 private:
  std::optional<std::string> exportFolder_;
  std::optional<TesterViewKind> view_;
  std::optional<std::string> out_;
  int sizePx_ = 512;
  double linesPerInch_ = 100;
  // Lengths as given, in the run's unit (converted when the run is known).
  std::optional<double> gratingOffset_, slit_;
  double knifeOffset_ = 0, knifeEdge_ = 0;
  double tilt_ = 5, defocus_ = 0, deltaK_ = 0;
  bool viewOptionGiven_ = false;  // a picture's option other than the grating's
  bool gratingGiven_ = false, gratingOffsetGiven_ = false;
  bool atGiven_ = false;
  TesterDistances at_ = TesterDistances::Recommended;
  // What Run did: the set-up it traced and the files it wrote.
  std::optional<TesterSetUp> traced_;
  std::vector<std::string> written_;
};

}  // namespace vn::cli
