// A candidate lens solved by the run on its numbers, then checked exactly
// and judged at its exact null.
#include "design/solve_candidate.h"

#include <cmath>

#include "common/constants.h"
#include "engine/optics_primitives.h"
#include "record/solved_set_up.h"
#include "run/null_solve.h"

namespace vn {

namespace {

// Spacings sampled for a candidate's own starts (see below).
constexpr int kChooserSpacingSamples = 24;

// The run's host for a candidate: nothing to show, and a cancel once the
// search has used up its steps or the chooser asks to stop.
class CandidateSteps : public RunHost {
 public:
  CandidateSteps(const CandidateConditions& conditions, CancelToken& stop)
      : conditions_(conditions), stop_(stop) {}

  void Step() override {
    ++steps_;
    if (CancelRequested(conditions_.cancel) || steps_ > conditions_.searchSteps) stop_.Cancel();
  }

 private:
  const CandidateConditions& conditions_;
  CancelToken& stop_;
  long steps_ = 0;
};

// The candidate as the run takes a set-up: its own lengths, in inches, so
// the engine traces exactly the candidate's numbers.
NullSetup SetupOf(const NullTestSystem& system, double lensDiameter,
                  const CandidateConditions& conditions) {
  NullSetup setup;
  setup.inch = true;
  setup.mirrorDiameter = 2.0 * system.MirrorSemiDiameter;
  setup.mirrorRadiusOfCurvature = -system.MirrorRadius;
  setup.conicConstant = system.ConicPlusOne - 1.0;
  setup.sourceSideRadius = system.LensRadius1;
  setup.mirrorSideRadius = system.LensRadius2;
  setup.centreThickness = system.LensThickness;
  setup.lensDiameter = lensDiameter;
  setup.lensIndex = system.LensIndex;
  setup.testWavelength = conditions.wavelengthMicrons;
  return setup;
}

Verdict NotSolved(const char* code, std::string text) {
  Verdict verdict;
  verdict.status = VerdictStatus::NotANull;
  verdict.reasons.push_back({VerdictStatus::NotANull, code, std::move(text)});
  return verdict;
}

// The verdict on the exact null's set-up, from the check's own measurement
// of it: the same judgement the run's set-up gets, made at the distances the
// chooser tells the user to set up, which the search already met.
Verdict JudgeAtExactNull(const SolvedSetUp& input, const ExactCheckResult& check) {
  const auto& null = check.exactNull;
  if (!null.converged || !std::isfinite(null.pvWaves)) return check.verdict;
  SolvedSetUp atNull = input;
  atNull.objectDistance = null.objectDistance;
  atNull.lensMirrorDistance = null.lensMirrorDistance;
  atNull.searchConverged = true;
  ExactCheckResult there;
  there.ok = true;
  there.cancelled = check.cancelled;
  there.wavelengthMicrons = check.wavelengthMicrons;
  there.pvWaves = null.pvWaves;
  there.rmsWaves = null.rmsWaves;
  there.strehl = null.strehl;
  there.lensHeights = null.lensHeights;
  there.lensClearSemiDiameter = check.lensClearSemiDiameter;
  there.exactNull = null;
  // The marginal ray's heights there are the exact null's own: its reason is
  // given once, as the exact null's.
  there.lensHeightsExceedClearAperture = false;
  return JudgeSetUp(atNull, there);
}

}  // namespace

CandidateSolution SolveCandidate(const NullTestSystem& system, double lensDiameter,
                                 const CandidateConditions& conditions) {
  CandidateSolution solution;

  // The run starts its search with the source at half the thin-lens focal
  // length: a lens without a positive one gives it no start.
  const double power =
      ThinLensPower(1.0 / system.LensRadius1, 1.0 / system.LensRadius2, system.LensIndex);
  if (!(power > 0.0) || !std::isfinite(power)) {
    solution.why =
        "the lens has no positive thin-lens focal length, and the run starts its search with "
        "the source at half of it";
    solution.nullVerdict =
        NotSolved("no_converging_power", "The run cannot solve this set-up: " + solution.why + ".");
    return solution;
  }

  // The run's test wavelength is the one the exact check traces at.
  CancelToken stop;
  CandidateSteps steps(conditions, stop);
  const RunRecord run =
      SolveNull(SetupOf(system, lensDiameter, conditions), RunOptions{}, stop, steps);
  solution.cancelled = CancelRequested(conditions.cancel);
  if (!run.solved) {
    solution.why = "the run ended with its error message (" + run.failureDetail + ")";
    solution.nullVerdict =
        NotSolved("run_failed", "The run cannot solve this set-up: " + solution.why + ".");
    return solution;
  }
  solution.solved = true;
  solution.searchConverged = run.converged;

  SolvedSetUp input = SolvedSetUpOf(run);
  input.inchUnits = conditions.inchUnits;  // the verdict speaks the user's unit
  // The search was most likely stopped by the chooser's step count, close
  // to the null: the exact null is sought from there first. A lens that
  // cannot be made (a face too steep for its diameter, or no edge left) is
  // not a null whatever its exact null, so the spacings are not searched
  // for one.
  ExactCheckOptions options;
  options.startFromStoppedSearch = true;
  const double edge =
      LensEdgeThickness(system.LensThickness, CurvatureFromRadius(system.LensRadius1),
                        CurvatureFromRadius(system.LensRadius2), input.lensClearSemiDiameter);
  options.ownStarts = edge > 0.0;
  // A candidate reaches them only when its stopped search led nowhere:
  // coarse steps over the spacings find its null, if it has a clear one,
  // at a quarter of the cost; a run on this lens alone samples them finely.
  options.ownStartSamples = kChooserSpacingSamples;
  solution.check = RunExactCheck(input, conditions.cancel, options);
  solution.cancelled = solution.cancelled || solution.check.cancelled;
  solution.nullVerdict = JudgeAtExactNull(input, solution.check);
  return solution;
}

}  // namespace vn
