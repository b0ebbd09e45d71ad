// The run on numbers: search the lens-to-mirror spacing that nulls the
// marginal aberration, evaluate the solved system; then the lens-file export
// and, when asked for, the spacing-error exploration.
#include "run/null_solve.h"

#include <cmath>

#include "common/arithmetic.h"
#include "common/constants.h"
#include "engine/optics_primitives.h"
#include "engine/surface_ops.h"
#include "run/run_context.h"
#include "run/spacing_error.h"

namespace vn {

namespace {

constexpr double kSearchTolerance = 0.0001;  // inches, in both units
constexpr double kMaxSpacingStep = 1.0;      // inches, in both units

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
    engine.Step();
    if (std::fabs(v.MarginalSA) <= kSearchTolerance || engine.Cancelled()) break;
  }
  return std::fabs(v.MarginalSA) <= kSearchTolerance && !engine.Cancelled();
}

// Whether the system describes a mirror and a lens the search can trace:
// positive sizes, a glass denser than air. Arithmetic that fails on such a
// set-up says something about its optics, not about its entries.
bool SearchableSetUp(const NullTestSystem& s, const RunRecord& record) {
  const double lensDiameter = record.LensDiameter;
  return s.MirrorSemiDiameter > 0 && s.MirrorRadius < 0 && s.LensThickness > 0 &&
         lensDiameter > 0 && s.LensIndex > 1 && std::isfinite(s.ConicPlusOne) &&
         s.LensRadius1 != 0 && s.LensRadius2 != 0 && std::isfinite(record.FocalLength) &&
         lensDiameter < -s.MirrorRadius && s.LensThickness < -s.MirrorRadius;
}

}  // namespace

bool LensHasPower(const NullTestSystem& s) {
  // Only faces that curve alike count here. Anything else (a glass no denser
  // than air, a face of radius 0, a radius that is not a number) is left to
  // the run's own arithmetic and its error message.
  return !(s.LensIndex > 1.0 && 1.0 / s.LensRadius1 - 1.0 / s.LensRadius2 == 0.0);
}

double ThinLensFocalLength(const NullTestSystem& s) {
  return Quotient(1.0,
                  Finite(ThinLensPower(Quotient(1.0, s.LensRadius1), Quotient(1.0, s.LensRadius2),
                                       s.LensIndex)),
                  "focal length");
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

RunRecord SolveNull(const NullSetup& setup, const RunOptions& options, const CancelToken& cancel,
                    RunHost& host, LensFilePlatform* lensFiles) {
  RunRecord record;
  record.setup = setup;
  record.options = options;

  NullTestEngine engine;
  engine.cancel = &cancel;
  engine.onStep = [&host] { host.Step(); };
  RunContext run(host, engine, lensFiles, record);
  run.exportRun.SaveLensFile = options.saveLensFile;
  run.exportRun.folderOverride = options.lensFolder;
  run.exportRun.offerLaunch = options.lensFolder.empty();

  try {
    // The system, the lens's diameter and its focal length, engine inches.
    engine.system = setup.EngineSystem();
    record.system = engine.system;
    record.LensDiameter = setup.InchesFrom(setup.lensDiameter);
    // A lens whose faces curve alike has no power as a thin lens: the
    // search, which starts with the source at half the focal length, has no
    // start. The run ends without results; the exact check says whether the
    // lens can null the mirror all the same.
    if (!LensHasPower(record.system)) {
      record.lensWithoutPower = true;
      record.searchFailure = "the lens has no power as a thin lens: its faces curve alike";
      record.outcome = cancel.Cancelled() ? RunOutcome::Aborted : RunOutcome::Completed;
      return record;
    }
    record.FocalLength = ThinLensFocalLength(record.system);

    // The search and the solved set-up. The search may take kSearchStepLimit
    // steps of the engine; a search that has not converged by then stops as
    // a key press would stop it. The exploration after a converged search is
    // not limited.
    engine.stepLimit = kSearchStepLimit;
    bool converged = false;
    try {
      converged = SearchSpacing(run);
      record.stoppedAtStepLimit = !converged && engine.StepLimitReached() && !cancel.Cancelled();
      if (converged) engine.stepLimit = 0;
      run.EvaluateSetup();
    } catch (const RunFailure& failure) {
      if (failure.kind() != FailureKind::Arithmetic || !SearchableSetUp(record.system, record))
        throw;
      // Finite entries that describe a mirror and a lens, but the search's
      // rays left the finite numbers: the set-up has no null the search can
      // reach. The run ends without results; the exact check says why.
      record.stoppedAtStepLimit = false;
      record.searchFailure = failure.what();
      record.outcome = cancel.Cancelled() ? RunOutcome::Aborted : RunOutcome::Completed;
      return record;
    }
    record.solution = run.now;
    record.solved = true;
    record.converged = converged;
    host.Solved(record);

    run.ExportStep("Vantry_Null_Best");
    if (options.exploration) ExploreSpacingError(run, *options.exploration);

    record.writtenFiles = run.exportRun.writtenPaths;
    record.outcome = cancel.Cancelled() ? RunOutcome::Aborted : RunOutcome::Completed;
  } catch (const RunFailure& failure) {
    // The run ends here; the record keeps what the run had reached.
    record.writtenFiles = run.exportRun.writtenPaths;
    record.outcome = RunOutcome::Failed;
    record.failureDetail = failure.what();
    if (failure.kind() == FailureKind::File) record.fileProblem = failure.what();
  }
  return record;
}

}  // namespace vn
