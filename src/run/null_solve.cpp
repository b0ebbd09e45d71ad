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

}  // namespace

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
    record.FocalLength = ThinLensFocalLength(record.system);

    // The search and the solved set-up.
    const bool converged = SearchSpacing(run);
    run.EvaluateSetup();
    record.solution = run.now;
    record.solved = true;
    record.converged = converged;
    host.Solved(record);

    run.ExportStep("Vantry_Null_Best");
    if (options.exploration) ExploreSpacingError(run, *options.exploration);

    record.writtenFiles = run.exportRun.writtenPaths;
    record.outcome = engine.Cancelled() ? RunOutcome::Aborted : RunOutcome::Completed;
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
