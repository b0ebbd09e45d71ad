// The command line's residual export and tester's pictures.
#include "cli/tester_option.h"

#include <cmath>
#include <filesystem>
#include <iostream>

#include "cli/cli_support.h"
#include "common/constants.h"
#include "common/json_text.h"
#include "common/number_text.h"
#include "exact/exact_check.h"
#include "record/solved_set_up.h"
#include "tester/mirror_through_null.h"
#include "tester/picture_files.h"
#include "tester/residual_files.h"

namespace vn::cli {

namespace {

double NumberOf(const std::string& option, const std::string& text) {
  const auto x = ReadNumber(text);
  if (!x) throw UsageProblem(option + " takes a number, not '" + text + "'");
  return *x;
}

// "100", "100/in" or "4/mm": lines per inch.
double LinesPerInch(const std::string& text) {
  std::string number = text;
  double perInch = 1.0;
  if (const auto slash = text.find('/'); slash != std::string::npos) {
    const std::string unit = text.substr(slash + 1);
    number = text.substr(0, slash);
    if (unit == "mm") {
      perInch = kMmPerInch;
    } else if (unit != "in" && unit != "inch") {
      throw UsageProblem("--grating takes lines per inch or per mm: 100/in or 4/mm");
    }
  }
  const double lines = NumberOf("--grating", number);
  if (!(lines > 0.0)) throw UsageProblem("--grating takes a positive number of lines");
  return lines * perInch;
}

}  // namespace

bool TesterOption::Take(const std::string& option, const std::function<std::string()>& value,
                        const std::function<void()>& flag) {
  (void)flag;
  const auto length = [&] { return NumberOf(option, value()); };
  if (option == "--export-residual") {
    exportFolder_ = value();
    // An empty folder name would mean the current folder, which nobody
    // asking for a folder means (as with --save-oslo).
    if (exportFolder_->empty()) throw UsageProblem("--export-residual needs a folder");
    return true;
  }
  if (option == "--at") {
    const std::string at = value();
    if (at == "null") {
      at_ = TesterDistances::Recommended;
    } else if (at == "report") {
      at_ = TesterDistances::Report;
    } else {
      throw UsageProblem("--at takes null or report");
    }
    atGiven_ = true;
    return true;
  }
  if (option == "--view") {
    const std::string kind = value();
    if (kind == "ronchi") {
      view_ = TesterViewKind::Ronchi;
    } else if (kind == "foucault") {
      view_ = TesterViewKind::Foucault;
    } else if (kind == "fringes") {
      view_ = TesterViewKind::Fringes;
    } else {
      throw UsageProblem("--view takes ronchi, foucault or fringes");
    }
    return true;
  }
  if (option == "--out") {
    out_ = value();
  } else if (option == "--size") {
    const double size = NumberOf(option, value());
    if (!(size >= 64 && size <= 4096) || size != std::floor(size)) {
      throw UsageProblem("--size takes a whole number of pixels from 64 to 4096");
    }
    sizePx_ = static_cast<int>(size);
  } else if (option == "--grating") {
    linesPerInch_ = LinesPerInch(value());
    gratingGiven_ = true;
    return true;
  } else if (option == "--grating-offset") {
    gratingOffset_ = length();
    gratingOffsetGiven_ = true;
    return true;
  } else if (option == "--knife-offset") {
    knifeOffset_ = length();
  } else if (option == "--knife-edge") {
    knifeEdge_ = length();
  } else if (option == "--slit") {
    slit_ = length();
    if (!(*slit_ >= 0.0)) throw UsageProblem("--slit takes a width, 0 or more");
  } else if (option == "--tilt") {
    tilt_ = NumberOf(option, value());
  } else if (option == "--defocus") {
    defocus_ = NumberOf(option, value());
  } else if (option == "--delta-k") {
    deltaK_ = NumberOf(option, value());
  } else {
    return false;
  }
  viewOptionGiven_ = true;
  return true;
}

void TesterOption::CheckUsage(bool ronchiPhoto) const {
  if (atGiven_ && !wanted()) throw UsageProblem("--at needs --export-residual or --view");
  if (view_ && !out_) throw UsageProblem("--view needs --out FILE.png or FILE.svg");
  const bool gratingAlone = (gratingGiven_ || gratingOffsetGiven_) && !ronchiPhoto;
  if (!view_ && (viewOptionGiven_ || gratingAlone)) {
    throw UsageProblem("the picture's options need --view ronchi|foucault|fringes");
  }
  if (out_) {
    const std::string extension = std::filesystem::path(*out_).extension().string();
    if (extension != ".png" && extension != ".svg" && extension != ".PNG" && extension != ".SVG") {
      throw UsageProblem("--out takes a file name ending in .png or .svg");
    }
  }
}

int TesterOption::Run(const RunRecord& run, const std::optional<ExactCheckResult>& check,
                      std::chrono::steady_clock::time_point deadline) {
  if (!wanted()) return 0;
  if (!run.solved) {
    std::cerr << "vantry-null-cli: no solved set-up to show the tester's view of\n";
    return 1;
  }
  const double inches = inchFromUnit(1.0, run.setup.inch);
  int status = 0;
  // The tracing and the drawing run against the command's clock; what it
  // stops is not written.
  WithDeadline(deadline, [&](const CancelToken& cancel) {
    const SolvedSetUp input = SolvedSetUpOf(run);
    const TesterSetUp chosen =
        ChooseTesterSetUp(input, check ? check->verdict.recommended : RecommendedSetUp(), at_);
    traced_ = chosen;
    std::cerr << "vantry-null-cli: the tester's files and pictures are traced "
              << chosen.description << "\n";
    const TesterModel model(chosen, &cancel);
    const auto stopped = [&](const char* what) {
      if (!cancel.Cancelled()) return false;
      std::cerr << "vantry-null-cli: --timeout stopped the " << what << " before it finished\n";
      status = 3;
      return true;
    };

    if (exportFolder_) {
      const MirrorThroughNull perfect = model.Mirror(0.0);
      if (!stopped("residual export")) {
        const ResidualExport written = WriteResidualFiles(perfect, *exportFolder_, run.setup.inch);
        if (!written.ok) {
          std::cerr << "vantry-null-cli: --export-residual: " << written.why << "\n";
          status = 1;
        } else {
          for (const std::string& path : written.paths) std::cerr << path << "\n";
          written_.insert(written_.end(), written.paths.begin(), written.paths.end());
          std::cerr << ResidualSummary(perfect) << "\n";
        }
      }
    }

    if (view_ && status != 3) {
      TesterViewSettings settings;
      settings.kind = *view_;
      settings.sizePx = sizePx_;
      settings.gratingLinesPerInch = linesPerInch_;
      if (gratingOffset_) settings.gratingOffset = *gratingOffset_ * inches;
      settings.knifeOffset = knifeOffset_ * inches;
      settings.knifeEdge = knifeEdge_ * inches;
      // The default slit: a round width in the run's unit.
      settings.sourceWidth = slit_ ? *slit_ * inches : run.setup.inch ? 0.001 : inchFromMm(0.025);
      settings.tiltFringes = tilt_;
      settings.defocusWaves = defocus_;
      settings.inchUnits = run.setup.inch;
      settings.cancel = &cancel;
      // The caption must not praise a set-up the verdict rejects.
      if (check) settings.verdict = check->verdict.status;
      const TesterPicture picture = RenderTesterView(model.Mirror(deltaK_), settings);
      if (stopped("drawing")) return;
      // A file already there is the user's: the picture takes a free name
      // beside it, as the lens files do, and says so.
      const FileWriteResult written = WriteTesterPictureUnderFreeName(picture, *out_);
      if (!written.written()) {
        std::cerr << "vantry-null-cli: --view: cannot write " << *out_ << ": " << written.why
                  << "\n";
        status = 1;
      } else {
        if (written.path != *out_) {
          std::cerr << "vantry-null-cli: " << *out_ << " exists and is kept; the picture is "
                    << written.path << "\n";
        }
        std::cerr << written.path << "\n";
        written_.push_back(written.path);
      }
    }
  });
  return status;
}

std::string TesterOption::Json(const RunRecord& run) const {
  if (!traced_) return "null";
  const double U = unitFromInch(1.0, run.setup.inch);
  std::string files = "[";
  for (std::size_t i = 0; i < written_.size(); ++i) {
    if (i > 0) files += ',';
    files += JsonString(written_[i]);
  }
  return "{\"asked\":" + JsonString(TesterDistancesCode(traced_->asked)) +
         ",\"at\":" + JsonString(TesterDistancesCode(traced_->shown)) +
         ",\"object_distance\":" + JsonNumber(traced_->setUp.objectDistance * U) +
         ",\"lens_mirror_distance\":" + JsonNumber(traced_->setUp.lensMirrorDistance * U) +
         ",\"traced_at\":" + JsonString(traced_->description) + ",\"files\":" + files + "]}";
}

}  // namespace vn::cli
