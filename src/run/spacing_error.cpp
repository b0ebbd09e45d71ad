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

// One direction of the exploration: sign +1 lengthens the lens-to-mirror
// spacing, -1 shortens it.
void SpacingErrorPass(RunContext& run, const SpacingErrorLimit& limit, double nominalSpacing,
                      int sign, const std::string& title) {
  SetupFigures& v = run.now;
  const NullTestSystem& sys = run.engine.system;

  run.host.PassStarting(run.record, sign);
  for (;;) {
    v.ObjectDistance = 0.5 * run.record.FocalLength;  // the main search's first guess
    const double step = limit.inWaves ? kWavesModeStep : run.record.setup.InchesFrom(limit.limit);
    v.LensMirrorDistance = Finite(v.LensMirrorDistance + sign * step);
    v.LensRayHeight = Quotient(sys.MirrorSemiDiameter * (v.LensMirrorDistance + sys.MirrorRadius),
                               sys.MirrorRadius, "mirror radius 0");
    run.engine.FindMarginalSA(v.LensMirrorDistance, sys.MirrorSemiDiameter, v.ObjectDistance,
                              v.LensRayHeight, v.MarginalSA);
    run.ShowProgress();
    run.EvaluateSetup();
    run.engine.Step();
    // The waves mode steps on while the test stays within the limit; the
    // amount mode makes exactly one step.
    const bool withinLimit = !(std::fabs(v.MaxOPDWaves) > limit.limit);
    if (!(withinLimit && !run.Aborted() && limit.inWaves)) break;
  }

  run.record.exploration->passes.push_back({v.LensMirrorDistance - nominalSpacing, v});
  run.host.PassDone(run.record, sign);
  run.ExportStep(title);
}

}  // namespace

std::string FindingHead(double errorLimit, int sign) {
  return "*** Finding 1/" + RoundedText(Quotient(1.0, errorLimit), 2) + " wave OPD values for " +
         (sign > 0 ? "positive" : "negative") + " error in mirror - lens spacing " + "\r\n\r\n";
}

void ExploreSpacingError(RunContext& run, const SpacingErrorLimit& limit) {
  run.record.exploration = {limit.limit, limit.inWaves, {}};
  const double nominalSpacing = run.now.LensMirrorDistance;
  const bool inch = run.record.setup.inch;
  SpacingErrorPass(
      run, limit, nominalSpacing, +1,
      inch ? "Vantry_Null_Positive_Spacing_Error" : "Vantry_Null_Positive_Error_Margin");
  run.now.LensMirrorDistance = nominalSpacing;
  SpacingErrorPass(
      run, limit, nominalSpacing, -1,
      inch ? "Vantry_Null_Negeative_Spacing_Error" : "Vantry_Null_Negative_Error_Margin");
}

}  // namespace vn
