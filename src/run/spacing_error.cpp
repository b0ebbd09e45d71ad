// Spacing-error exploration: how far may the lens-to-mirror spacing be off?
//
// In the shop the spacing is set with a tape measure. After the main results
// each direction is explored in turn: the spacing is moved step by step (or
// by one chosen amount), the tester refocuses (the source distance is solved
// again) and the refocused test is judged by its optical path difference.
#include "run/spacing_error.h"

#include <cmath>
#include <string>

#include "common/arithmetic.h"
#include "common/constants.h"
#include "common/failure.h"
#include "common/number_text.h"
#include "run/run_context.h"

namespace vn {

namespace {

// Spacing step of the waves mode: 0.001 inch (0.0254 mm in a millimetre run).
constexpr double kWavesModeStep = 0.001;

// A length in the run's unit, as the report gives it.
std::string LengthText(double inches, bool inch) {
  return inch ? RoundedText(inches, 4) + " inch" : RoundedText(mmFromInch(inches), 3) + " mm";
}

// Why a direction of the exploration stopped, in the optics' words, added to
// what the record already says.
void NoteUntraceable(RunContext& run, double spacing, double nominalSpacing,
                     const RunFailure& failure) {
  const bool inch = run.record.setup.inch;
  std::string& text = run.record.explorationFailure;
  if (!text.empty()) text += "; ";
  text += "at a lens-to-mirror spacing of " + LengthText(spacing, inch) + " (" +
          LengthText(std::fabs(spacing - nominalSpacing), inch) +
          (spacing > nominalSpacing ? " longer" : " shorter") +
          " than the null's) the refocused test cannot be traced (" + failure.what() + ")";
}

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
    const double spacing = v.LensMirrorDistance + sign * step;
    try {
      v.LensMirrorDistance = Finite(spacing);
      v.LensRayHeight = Quotient(sys.MirrorSemiDiameter * (v.LensMirrorDistance + sys.MirrorRadius),
                                 sys.MirrorRadius, "mirror radius 0");
      run.engine.FindMarginalSA(v.LensMirrorDistance, sys.MirrorSemiDiameter, v.ObjectDistance,
                                v.LensRayHeight, v.MarginalSA);
      run.ShowProgress();
      run.EvaluateSetup();
    } catch (const RunFailure& failure) {
      if (failure.kind() != FailureKind::Arithmetic) throw;
      // The spacing has moved where the refocused test cannot be traced (the
      // lens past the mirror, or its light lost on the way): this direction
      // ends here without a result, and the run's own null stands.
      NoteUntraceable(run, spacing, nominalSpacing, failure);
      return;
    }
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
