// The run: read and echo the entries, search the lens-to-mirror spacing that
// nulls the marginal aberration, evaluate the solved system and report it;
// then the lens-file export and, when asked for, the spacing-error exploration.
#include "run/null_finder.h"

#include <cmath>

#include "common/arithmetic.h"
#include "common/constants.h"
#include "common/number_text.h"
#include "engine/optics_primitives.h"
#include "engine/surface_ops.h"
#include "run/run_context.h"
#include "run/spacing_error.h"

namespace vn {

namespace {

constexpr double kSearchTolerance = 0.0001;  // inches, in both units
constexpr double kMaxSpacingStep = 1.0;      // inches, in both units
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

}  // namespace

void RunContext::ShowProgress() {
  if (++SearchCount <= 10) return;
  SearchCount = 0;
  const double U = units.factor;
  SetReport(EchoText + "Object-Lens =" + GeneralNumber(now.ObjectDistance * U) + " " + kCrLf +
            "Lens-Mirror = " + GeneralNumber(now.LensMirrorDistance * U) + " " + kCrLf +
            "Marginal SA = " + GeneralNumber(now.MarginalSA * U) + " " + kCrLf);
}

std::string RunContext::ResultLines() const {
  const double U = units.factor;
  const SetupFigures& v = now;
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

void RunContext::EvaluateSetup() {
  SetupFigures& v = now;
  double L = 0, Y2 = 0, Ym = 0;
  const double D = v.ObjectDistance, d2 = v.LensMirrorDistance, h = v.LensRayHeight;
  engine.TraceDoublePass(0.1 * h, D, d2, L, Y2, Ym);
  v.Intercept10 = L;
  engine.TraceDoublePass(0.7 * h, D, d2, L, Y2, Ym);
  v.Intercept70 = L;
  engine.TraceDoublePass(h, D, d2, L, Y2, Ym);
  v.Intercept100 = L;
  v.WorkingSemiDiameter = Y2;

  // Longitudinal aberration allowed for a quarter wave: (D / 2h)² × 0.008 mm,
  // whatever the unit of the run. Rayleigh's quarter-wave limit on primary
  // spherical aberration, measured from best focus, is a longitudinal spread
  // of 16·λ·N² for a cone of focal ratio N; here N = D / 2h is the ratio of
  // the cone leaving the source, and λ = 0.5 µm (the eye's most sensitive
  // wavelength, whatever the test's), so 16·λ = 0.008 mm.
  v.QuarterWaveTolerance =
      Finite(std::pow(Quotient(D, 2 * h, "ray height 0"), 2.0) * inchFromMm(0.008));

  // Spread of the three return points; a later value replaces the current
  // one only when strictly larger.
  double spread = std::fabs(v.Intercept70 - v.Intercept10);
  const double a = std::fabs(v.Intercept100 - v.Intercept10);
  if (a > spread) spread = a;
  const double b = std::fabs(v.Intercept100 - v.Intercept70);
  if (b > spread) spread = b;
  v.MaxOPDWaves = Quotient(spread, v.QuarterWaveTolerance * 4, "tolerance 0");
}

void RunContext::ExportStep(const std::string& title) {
  if (platform == nullptr) return;
  ExportLensFile(exportRun, title, record, now, host, *platform);
}

namespace {

// ---- Echo ---------------------------------------------------------------------
// Reads every entry into the engine's system, writing the echo of the mirror
// and the lens as it goes, so that a run ended by an entry shows how far it
// read. The entry being read is named in the record until it has been read.
void ReadAndEcho(RunContext& run) {
  RunRecord& rec = run.record;
  const RunInputs& in = rec.inputs;
  const RunUnits& u = run.units;
  NullTestSystem& sys = run.engine.system;

  const auto entered = [&](Entry e, const char* name) {
    rec.failedEntry = e;
    const double value = ReadNumberOrFail(in.Text(e), name);
    rec.failedEntry.reset();
    return value;
  };
  const auto length = [&](Entry e, const char* name) {
    return u.EngineFromEntered(entered(e, name));
  };

  // ---- The mirror ----
  run.SetReport(std::string("Using these Mirror Parameters") + kCrLf + kCrLf + "Diameter =" + kTab +
                kTab + "-> " + in.Text(Entry::MDiam) + u.mirrorDiamUnit + kCrLf);
  sys.MirrorSemiDiameter = length(Entry::MDiam, "MDiam") * 0.5;

  run.AppendReport(std::string("Mirror Radius of Curvature =") + kTab + "-> " +
                   in.Text(Entry::MRoC) + u.lengthUnit + kCrLf);
  // The mirror is always concave toward the lens, whatever sign was typed.
  sys.MirrorRadius = -std::fabs(length(Entry::MRoC, "MRoC"));

  const double k = entered(Entry::Mcc, "Mcc");
  run.AppendReport(ConicLine(k, in.Text(Entry::Mcc)) + kCrLf);
  sys.ConicPlusOne = k + 1.0;

  run.AppendReport(kCrLf);

  // ---- The lens ----
  // A lens length as the echo shows it: as typed in a millimetre run, as the
  // number read in an inch run (read first, so a bad entry fails before its
  // line is written).
  const auto lensLength = [&](Entry e, const char* name, const std::string& head,
                              double& enteredValue, const char* lineEnd) {
    // A line that ends with its length (thickness, diameter) is written
    // whole, line end included, before its entry is read; a radius line
    // waits for its shape word.
    if (u.lensEchoAsTyped) {
      run.AppendReport(head + in.Text(e) + u.lengthUnit + lineEnd);
      enteredValue = entered(e, name);
    } else {
      enteredValue = entered(e, name);
      run.AppendReport(head + RoundedText(enteredValue, 6) + u.lengthUnit + lineEnd);
    }
    return u.EngineFromEntered(enteredValue);
  };

  double r1 = 0, r2 = 0, t = 0, dia = 0;
  sys.LensRadius1 = lensLength(Entry::LradI, "LradI",
                               std::string("Lens Parameters") + kCrLf + kCrLf +
                                   "Sign Convention: With mirror on right, ) = -ve, ( = +ve" +
                                   kCrLf + "Image Side Radius = " + kTab + "-> ",
                               r1, "");
  run.AppendReport(ShapeWord(r1, u.flatLimitSource, true) + kCrLf);

  sys.LensRadius2 = lensLength(Entry::lRadM, "lRadM",
                               std::string("Mirror Side Radius =") + kTab + kTab + "-> ", r2, "");
  run.AppendReport(ShapeWord(r2, u.flatLimitMirror, false) + kCrLf);

  sys.LensThickness =
      lensLength(Entry::lthck, "lthck", std::string("Thickness =") + kTab + kTab + "-> ", t, kCrLf);
  rec.LensDiameter = lensLength(Entry::LDiam, "LDiam",
                                std::string("Diameter =") + kTab + kTab + "-> ", dia, kCrLf);

  run.AppendReport(std::string("Refractive Index =") + kTab + kTab + "-> " +
                   in.Text(Entry::LindexR) + " " + " = " + in.GlassName + " @ " +
                   GeneralNumber(in.TestWavelength * 1000) + "nm" + kCrLf);
  sys.LensIndex = entered(Entry::LindexR, "LindexR");

  // Thin-lens focal length; the thickness does not enter.
  rec.FocalLength = Quotient(1.0,
                             Finite(ThinLensPower(Quotient(1.0, sys.LensRadius1),
                                                  Quotient(1.0, sys.LensRadius2), sys.LensIndex)),
                             "focal length");
  const std::string focal = u.inch ? RoundedText(rec.FocalLength, u.focalDecimals)
                                   : RoundedText(mmFromInch(rec.FocalLength), u.focalDecimals);
  run.AppendReport(std::string("Lens Focal Length = ") + kTab + "-> " + focal + u.lengthUnit +
                   kCrLf);
}

// ---- Spacing search -------------------------------------------------------------
// From the thin-lens start values, moves the lens-to-mirror spacing against
// the marginal aberration (the engine refocuses the source at each step)
// until the aberration is within the search's tolerance or the run is asked
// to stop. Returns whether it met the tolerance.
bool SearchSpacing(RunContext& run) {
  RunRecord& rec = run.record;
  SetupFigures& v = run.now;
  NullTestEngine& engine = run.engine;
  const double H = rec.system.MirrorSemiDiameter;
  const double R = rec.system.MirrorRadius;  // negative: concave toward the lens
  v.ObjectDistance = 0.5 * rec.FocalLength;
  v.LensMirrorDistance = Finite(-R - rec.FocalLength);
  v.LensRayHeight = Finite(Quotient(v.LensMirrorDistance + R, R, "mirror radius 0") * H);
  // The mirror's focal ratio sets the gain that turns the marginal
  // aberration into a spacing correction.
  const double F = Quotient(Quotient(-R, H, "mirror diameter 0"), 4);
  run.SpacingGain =
      Quotient(SignedPower(F, 1.5) * rec.FocalLength, rec.LensDiameter, "lens diameter 0");
  run.EchoText = run.report;
  run.SearchCount = 0;

  for (;;) {
    engine.FindMarginalSA(v.LensMirrorDistance, H, v.ObjectDistance, v.LensRayHeight, v.MarginalSA);
    ++rec.searchIterations;
    run.ShowProgress();
    if (std::fabs(v.MarginalSA) > kSearchTolerance) {
      double step = Finite(run.SpacingGain * v.MarginalSA);
      if (step > kMaxSpacingStep) {
        step = kMaxSpacingStep;
      } else if (step < -kMaxSpacingStep) {
        step = -kMaxSpacingStep;
      }
      v.LensMirrorDistance = Finite(v.LensMirrorDistance + step);
    }
    run.Yield();
    engine.SpinProgress();
    if (std::fabs(v.MarginalSA) <= kSearchTolerance || engine.Aborted()) break;
  }
  return std::fabs(v.MarginalSA) <= kSearchTolerance && !engine.Aborted();
}

// ---- Results ----------------------------------------------------------------------
// Evaluates the solved set-up, shows the results block under the echo and
// keeps the solution in the record.
void ReportSolution(RunContext& run, bool converged) {
  run.EvaluateSetup();
  run.SetReport(run.EchoText + "Results: " + kCrLf + run.ResultLines());
  run.record.solution = run.now;
  run.record.solved = true;
  run.record.converged = converged;
}

}  // namespace

void NullFinder::FindIt_Click(RunHost& host) {
  host.FocusReport();
  if (runBusy_) return;
  runBusy_ = true;
  host.SetEntriesEnabled(false);
  Run(host);
  host.SetEntriesEnabled(true);
  host.SetFindCaption(kFindCaption);
  host.ShowAbortNotice(false);
  // Events queued during the run are handled now; a click of the find button
  // among them still finds the run busy and only moves the focus.
  host.YieldToEvents();
  runBusy_ = false;
}

void NullFinder::Run(RunHost& host) {
  record_ = RunRecord{};
  RunInputs& in = record_.inputs;
  for (std::size_t i = 0; i < kEntryCount; ++i) in.entries[i] = host.EntryText(Entry(i));
  in.inch = host.InchUnitsSelected();
  in.saveLensFile = host.IsChecked(CheckBox::SaveOslo);
  in.GlassName = shared_.GlassName;
  in.TestWavelength = shared_.TestWavelength;

  RunContext run(host, engine_, shared_, platform_, in.inch ? RunUnits::Inch() : RunUnits::Mm(),
                 record_);
  engine_.setFindCaption = [&host](const std::string& c) { host.SetFindCaption(c); };
  engine_.yieldToEvents = [&host] { host.YieldToEvents(); };

  // Start of the run.
  engine_.system.AbortRequested = 0;
  run.exportRun.SaveLensFile = in.saveLensFile;
  run.exportRun.folderOverride = lensFolderOverride;
  run.exportRun.offerLaunch = lensFolderOverride.empty();
  run.SetReport("");
  host.ShowAbortNotice(true);

  try {
    ReadAndEcho(run);
    record_.system = engine_.system;
    ReportSolution(run, SearchSpacing(run));

    run.ExportStep("Vantry_Null_Best");
    ExploreSpacingError(run);
    host.SetFindCaption(kFindCaption);
    host.ShowAbortNotice(false);

    record_.writtenFiles = run.exportRun.writtenPaths;
    if (engine_.Aborted()) {
      run.AppendReport(std::string(kCrLf) + kAbortLine);
      record_.outcome = RunOutcome::Aborted;
    } else {
      record_.outcome = RunOutcome::Completed;
    }
  } catch (const RunFailure& failure) {
    // The common error report: the report keeps what it had.
    record_.writtenFiles = run.exportRun.writtenPaths;
    record_.outcome = RunOutcome::Failed;
    record_.failureDetail = failure.what();
    if (failure.kind() == FailureKind::File) record_.fileProblem = failure.what();
    host.ShowMessage(kFailureTitle, kFailureText);
  }
}

}  // namespace vn
