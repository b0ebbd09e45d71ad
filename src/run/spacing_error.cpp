// Spacing-error exploration: how far may the lens-to-mirror spacing be off?
//
// In the shop the spacing is set with a tape measure. After the main results
// each direction is explored in turn: the spacing is moved step by step (or
// by one chosen amount), the tester refocuses (the source distance is solved
// again) and the refocused test is judged by its optical path difference.
#include "run/spacing_error.h"

#include <cmath>

#include "common/arithmetic.h"
#include "common/number_text.h"
#include "run/run_context.h"

namespace vn {

namespace {

// Spacing step of the waves mode: 0.001 inch (0.0254 mm in a millimetre run).
constexpr double kWavesModeStep = 0.001;

std::string FindingHead(double errorLimit, const char* direction) {
  return "*** Finding 1/" + RoundedText(Quotient(1.0, errorLimit), 2) + " wave OPD values for " +
         direction + " error in mirror - lens spacing " + kCrLf + kCrLf;
}

// One direction of the exploration: sign +1 lengthens the lens-to-mirror
// spacing, -1 shortens it.
void SpacingErrorPass(RunContext& run, double nominalSpacing, int sign, const std::string& title) {
  SetupFigures& v = run.now;
  const NullTestSystem& sys = run.engine.system;
  const SharedValues& shared = run.shared;
  const double U = run.units.factor;

  run.EchoText = run.report + kCrLf + kCrLf;
  if (shared.ErrorLimitInWaves) {
    run.EchoText += FindingHead(shared.ErrorLimit, sign > 0 ? "positive" : "negative");
  }

  for (;;) {
    v.ObjectDistance = 0.5 * run.record.FocalLength;  // the main search's first guess
    const double step =
        shared.ErrorLimitInWaves ? kWavesModeStep : run.units.EngineFromEntered(shared.ErrorLimit);
    v.LensMirrorDistance = Finite(v.LensMirrorDistance + sign * step);
    v.LensRayHeight = Quotient(sys.MirrorSemiDiameter * (v.LensMirrorDistance + sys.MirrorRadius),
                               sys.MirrorRadius, "mirror radius 0");
    run.engine.FindMarginalSA(v.LensMirrorDistance, sys.MirrorSemiDiameter, v.ObjectDistance,
                              v.LensRayHeight, v.MarginalSA);
    run.ShowProgress();
    run.EvaluateSetup();
    run.engine.SpinProgress();
    run.Yield();
    // The waves mode steps on while the test stays within the limit; the
    // amount mode makes exactly one step.
    const bool withinLimit = !(std::fabs(v.MaxOPDWaves) > shared.ErrorLimit);
    if (!(withinLimit && !run.Aborted() && shared.ErrorLimitInWaves)) break;
  }

  const double spacingError = Round((v.LensMirrorDistance - nominalSpacing) * U, 3);
  std::string head = sign > 0 ? "Results for lens mirror spacing error of +"
                              : "Results for lens mirror spacing error of ";
  head += GeneralNumber(spacingError) + run.units.unitMark + kCrLf;
  run.SetReport(run.EchoText + head + run.ResultLines());
  run.record.exploration->passes.push_back({v.LensMirrorDistance - nominalSpacing, v});
  run.ExportStep(title);
}

}  // namespace

void ExploreSpacingError(RunContext& run) {
  if (!run.host.IsChecked(CheckBox::QtrWave)) return;
  run.record.exploration = {run.shared.ErrorLimit, run.shared.ErrorLimitInWaves, {}};
  const double nominalSpacing = run.now.LensMirrorDistance;
  const bool inch = run.units.inch;
  SpacingErrorPass(
      run, nominalSpacing, +1,
      inch ? "Vantry_Null_Positive_Spacing_Error" : "Vantry_Null_Positive_Error_Margin");
  run.now.LensMirrorDistance = nominalSpacing;
  SpacingErrorPass(
      run, nominalSpacing, -1,
      inch ? "Vantry_Null_Negeative_Spacing_Error" : "Vantry_Null_Negative_Error_Margin");
}

}  // namespace vn
