// The run from typed entries: the echo of the mirror and the lens as they are
// read, then the solve, whose progress, results and exploration passes this
// layer turns into the report's text.
#include "run/null_finder.h"

#include <cmath>
#include <utility>

#include "common/arithmetic.h"
#include "common/constants.h"
#include "common/number_text.h"
#include "record/run_units.h"
#include "run/null_solve.h"
#include "run/spacing_error.h"

namespace vn {

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kTab = "\t";

// The conic line of the echo; k is the conic constant as read.
std::string ConicLine(double k, const std::string& typed) {
  std::string line = std::string("Mirror Conic Constant = ") + kTab;
  if (k == 0) return line + "-> 0 (Sphere)";
  if (k < 0 && k > -1) return line + "-> " + typed + " (Ellipse)";
  if (k == -1) return line + "-> -1 (Parabola)";
  if (k < -1) return line + "-> " + typed + " (Hyperbola)";
  return line + "-> " + typed + " (Oblate Spheroid)";
}

// Shape word of a lens face, judged on the radius in the entered unit. With
// the mirror on the right a positive source-side radius bulges toward the
// source (convex) and a positive mirror-side radius is hollow toward the mirror.
std::string ShapeWord(double r, double flatLimit, bool sourceSide) {
  if (r > 0) return r > flatLimit ? " Flat" : (sourceSide ? " Convex" : " Concave");
  return r < -flatLimit ? " Flat" : (sourceSide ? " Concave" : " Convex");
}

std::string ValueLine(const char* label, const char* tabs, double v, const RunUnits& u) {
  return std::string(label) + tabs + "=" + kTab + RoundedText(v, u.resultDecimals) + u.lengthUnit +
         kCrLf;
}

// The seven result lines, "Object to Lens Distance" to "Maximum Optical Path
// Difference", of one traced set-up.
std::string ResultLines(const SetupFigures& v, const RunUnits& units) {
  const double U = units.factor;
  std::string text;
  text += ValueLine("Object to Lens Distance         ", "\t\t", v.ObjectDistance * U, units);
  text += ValueLine("Lens to Mirror Distance         ", "\t\t", v.LensMirrorDistance * U, units);
  text += ValueLine("Working Diameter of Lens        ", "\t", 2 * v.WorkingSemiDiameter * U, units);
  text += ValueLine("70% Zone Spherical Aberration   ", "\t", v.ZonalSA() * U, units);
  text += ValueLine("Marginal Spherical Aberration   ", "\t", v.MarginalSpread() * U, units);
  text += ValueLine("Quarter-wave Tolerence          ", "\t", v.QuarterWaveTolerance * U, units);
  text += std::string("Maximum Optical Path Difference ") + kTab + "=" + kTab +
          RoundedText(v.MaxOPDWaves, units.resultDecimals) + " Waves";
  return text;
}

// The report as the run goes: the echo, then the progress lines under it,
// the results block, and each exploration pass's block. It shows every
// change on the host, and hands the host its turns and the run's messages.
class RunReport : public RunHost {
 public:
  RunReport(ReportHost& host, RunUnits units) : host_(host), units_(units) {}

  const std::string& text() const { return report_; }
  void Set(std::string text) {
    report_ = std::move(text);
    host_.ShowReport(report_);
  }
  void Append(const std::string& text) {
    report_ += text;
    host_.ShowReport(report_);
  }
  // The report as it stands is the base of the search's progress lines.
  void EchoDone() { base_ = report_; }

  void Step() override { host_.Step(); }
  void Searching(const SetupFigures& now) override {
    const double U = units_.factor;
    Set(base_ + "Object-Lens =" + GeneralNumber(now.ObjectDistance * U) + " " + kCrLf +
        "Lens-Mirror = " + GeneralNumber(now.LensMirrorDistance * U) + " " + kCrLf +
        "Marginal SA = " + GeneralNumber(now.MarginalSA * U) + " " + kCrLf);
  }
  void Solved(const RunRecord& record) override {
    Set(base_ + "Results: " + kCrLf + ResultLines(record.solution, units_));
  }
  void PassStarting(const RunRecord& record, int sign) override {
    base_ = report_ + kCrLf + kCrLf;
    if (record.exploration->inWaves) base_ += FindingHead(record.exploration->limit, sign);
  }
  void PassDone(const RunRecord& record, int sign) override {
    const SpacingErrorResult& pass = record.exploration->passes.back();
    std::string head = sign > 0 ? "Results for lens mirror spacing error of +"
                                : "Results for lens mirror spacing error of ";
    head += GeneralNumber(Round(pass.spacingError * units_.factor, 3)) + units_.unitMark + kCrLf;
    Set(base_ + head + ResultLines(pass.figures, units_));
  }
  void ShowMessage(const std::string& title, const std::string& text) override {
    host_.ShowMessage(title, text);
  }
  bool AskYesNo(const std::string& title, const std::string& text) override {
    return host_.AskYesNo(title, text);
  }

 private:
  ReportHost& host_;
  RunUnits units_;
  std::string report_;
  std::string base_;  // the report under the progress lines or the next block
};

// ---- Echo ---------------------------------------------------------------------
// Reads every entry into the set-up, writing the echo of the mirror and the
// lens as it goes, so that a run ended by an entry shows how far it read.
// The entry being read is named in the record until it has been read.
void ReadAndEcho(RunRecord& rec, RunReport& report, const RunUnits& u) {
  NullSetup& setup = rec.setup;
  const auto typed = [&](Entry e) -> const std::string& {
    return (*setup.typed)[static_cast<std::size_t>(e)];
  };
  const auto entered = [&](Entry e, const char* name) {
    rec.failedEntry = e;
    const double value = ReadNumberOrFail(typed(e), name);
    rec.failedEntry.reset();
    return value;
  };

  // ---- The mirror ----
  report.Set(std::string("Using these Mirror Parameters") + kCrLf + kCrLf + "Diameter =" + kTab +
             kTab + "-> " + typed(Entry::MirrorDiameter) + u.mirrorDiamUnit + kCrLf);
  setup.mirrorDiameter = entered(Entry::MirrorDiameter, "mirror diameter");

  report.Append(std::string("Mirror Radius of Curvature =") + kTab + "-> " +
                typed(Entry::MirrorRadiusOfCurvature) + u.lengthUnit + kCrLf);
  setup.mirrorRadiusOfCurvature =
      entered(Entry::MirrorRadiusOfCurvature, "mirror radius of curvature");

  setup.conicConstant = entered(Entry::ConicConstant, "conic constant");
  report.Append(ConicLine(setup.conicConstant, typed(Entry::ConicConstant)) + kCrLf);

  report.Append(kCrLf);

  // ---- The lens ----
  // A lens length as the echo shows it: as typed in a millimetre run, as the
  // number read in an inch run (read first, so a bad entry fails before its
  // line is written). A line that ends with its length (thickness, diameter)
  // is written whole, line end included, before its entry is read; a radius
  // line waits for its shape word.
  const auto lensLength = [&](Entry e, const char* name, const std::string& head,
                              const char* lineEnd) {
    if (u.lensEchoAsTyped) {
      report.Append(head + typed(e) + u.lengthUnit + lineEnd);
      return entered(e, name);
    }
    const double value = entered(e, name);
    report.Append(head + RoundedText(value, 6) + u.lengthUnit + lineEnd);
    return value;
  };

  setup.sourceSideRadius =
      lensLength(Entry::SourceSideRadius, "source-side radius",
                 std::string("Lens Parameters") + kCrLf + kCrLf +
                     "Sign Convention: With mirror on right, ) = -ve, ( = +ve" + kCrLf +
                     "Image Side Radius = " + kTab + "-> ",
                 "");
  report.Append(ShapeWord(setup.sourceSideRadius, u.flatLimitSource, true) + kCrLf);

  setup.mirrorSideRadius =
      lensLength(Entry::MirrorSideRadius, "mirror-side radius",
                 std::string("Mirror Side Radius =") + kTab + kTab + "-> ", "");
  report.Append(ShapeWord(setup.mirrorSideRadius, u.flatLimitMirror, false) + kCrLf);

  setup.centreThickness = lensLength(Entry::CentreThickness, "centre thickness",
                                     std::string("Thickness =") + kTab + kTab + "-> ", kCrLf);
  setup.lensDiameter = lensLength(Entry::LensDiameter, "lens diameter",
                                  std::string("Diameter =") + kTab + kTab + "-> ", kCrLf);

  report.Append(std::string("Refractive Index =") + kTab + kTab + "-> " + typed(Entry::LensIndex) +
                " " + " = " + setup.glassName + " @ " + GeneralNumber(setup.testWavelength * 1000) +
                "nm" + kCrLf);
  setup.lensIndex = entered(Entry::LensIndex, "refractive index");

  // The thin-lens focal length, in the unit of the run; a lens whose faces
  // curve alike has none, and the run says so rather than fail.
  if (!LensHasPower(setup.EngineSystem())) {
    report.Append(std::string("Lens Focal Length = ") + kTab + "-> " + kNoPowerFocalLength + kCrLf);
    return;
  }
  const double focalLength = ThinLensFocalLength(setup.EngineSystem());
  const std::string focal = u.inch ? RoundedText(focalLength, u.focalDecimals)
                                   : RoundedText(mmFromInch(focalLength), u.focalDecimals);
  report.Append(std::string("Lens Focal Length = ") + kTab + "-> " + focal + u.lengthUnit + kCrLf);
}

}  // namespace

bool NullFinder::Run(const RunEntries& entries, ReportHost& host) {
  if (runBusy_) return false;
  runBusy_ = true;
  cancel_.Reset();

  record_ = RunRecord{};
  record_.setup.typed = entries.texts;
  record_.setup.inch = entries.inch;
  record_.setup.glassName = shared_.GlassName;
  record_.setup.testWavelength = shared_.TestWavelength;
  RunOptions& options = record_.options;
  options.saveLensFile = entries.saveLensFile;
  options.lensFolder = lensFolderOverride;
  if (entries.exploreSpacingError) {
    options.exploration = SpacingErrorLimit{shared_.ErrorLimit, shared_.ErrorLimitInWaves};
  }

  const RunUnits units = entries.inch ? RunUnits::Inch() : RunUnits::Mm();
  RunReport report(host, units);
  report.Set("");
  bool read = false;
  try {
    ReadAndEcho(record_, report, units);
    read = true;
  } catch (const RunFailure& failure) {
    record_.outcome = RunOutcome::Failed;
    record_.failureDetail = failure.what();
  }
  if (read) {
    report.EchoDone();
    record_ = SolveNull(record_.setup, options, cancel_, report, platform_);
    if (record_.outcome == RunOutcome::Aborted) {
      report.Append(std::string(kCrLf) + kAbortLine);
    } else if (record_.stoppedAtStepLimit) {
      report.Append(std::string(kCrLf) + kStepLimitLine);
    } else if (record_.lensWithoutPower) {
      report.Append(std::string(kCrLf) + kNoPowerLine);
    } else if (!record_.searchFailure.empty()) {
      report.Append(std::string(kCrLf) + kSearchFailedLine);
    }
    if (!record_.explorationFailure.empty()) {
      report.Append(std::string(kCrLf) + kExplorationStoppedHead + record_.explorationFailure +
                    ".");
    }
  }
  // The common error report: the report keeps what it had.
  if (record_.outcome == RunOutcome::Failed) host.ShowMessage(kFailureTitle, kFailureText);
  runBusy_ = false;
  return true;
}

}  // namespace vn
