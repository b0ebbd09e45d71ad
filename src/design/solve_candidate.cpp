// A candidate lens solved by the run with no window behind it, then checked
// exactly and judged at its exact null.
#include "design/solve_candidate.h"

#include <cmath>

#include "common/constants.h"
#include "common/number_text.h"
#include "common/shared_values.h"
#include "engine/optics_primitives.h"
#include "exact/exact_check_of_run.h"
#include "record/headless_run_host.h"
#include "run/null_finder.h"

namespace vn {

namespace {

// The entries a user would type for the set-up, in their unit, and a key
// press once the search has used up its steps or the host asks to stop.
class CandidateHost : public HeadlessRunHost {
 public:
  CandidateHost(const NullTestSystem& system, double lensDiameter,
                const CandidateConditions& conditions, NullFinder& finder)
      : system_(system), lensDiameter_(lensDiameter), conditions_(conditions), finder_(finder) {
    inch = conditions.inchUnits;
  }

  std::string EntryText(Entry entry) override {
    const NullTestSystem& s = system_;
    switch (entry) {
      case Entry::MDiam:
        return Length(2.0 * s.MirrorSemiDiameter);
      case Entry::MRoC:
        return Length(-s.MirrorRadius);
      case Entry::Mcc:
        return GeneralNumber(s.ConicPlusOne - 1.0);
      case Entry::LradI:
        return Radius(s.LensRadius1);
      case Entry::lRadM:
        return Radius(s.LensRadius2);
      case Entry::lthck:
        return Length(s.LensThickness);
      case Entry::LDiam:
        return Length(lensDiameter_);
      case Entry::LindexR:
        return GeneralNumber(s.LensIndex);
    }
    return {};
  }
  void YieldToEvents() override {
    ++steps_;
    const bool cancelled = conditions_.cancel != nullptr && conditions_.cancel->load();
    if (cancelled || steps_ > conditions_.searchSteps) finder_.RequestAbort();
  }

 private:
  std::string Length(double inches) const {
    return GeneralNumber(unitFromInch(inches, conditions_.inchUnits));
  }
  std::string Radius(double inches) const {
    return std::fabs(inches) > kFlatRadius ? std::string("9e99") : Length(inches);
  }

  const NullTestSystem& system_;
  double lensDiameter_;
  const CandidateConditions& conditions_;
  NullFinder& finder_;
  long steps_ = 0;
};

Verdict NotSolved(const char* code, std::string text) {
  Verdict verdict;
  verdict.status = VerdictStatus::NotANull;
  verdict.reasons.push_back({VerdictStatus::NotANull, code, std::move(text)});
  return verdict;
}

// The verdict on the exact null's set-up, from the check's own measurement
// of it: the same judgement the run's set-up gets, made at the distances the
// chooser tells the user to set up, which the search already met.
Verdict JudgeAtExactNull(const ExactCheckInput& input, const ExactCheckResult& check) {
  const auto& null = check.exactNull;
  if (!null.converged || !std::isfinite(null.pvWaves)) return check.verdict;
  ExactCheckInput atNull = input;
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
  SharedValues shared;
  shared.TestWavelength = conditions.wavelengthMicrons;
  NullFinder finder(shared, nullptr);
  CandidateHost host(system, lensDiameter, conditions, finder);
  finder.FindIt_Click(host);
  solution.cancelled = conditions.cancel != nullptr && conditions.cancel->load();
  const RunRecord& run = finder.lastRun();
  if (!run.solved) {
    solution.why = "the run ended with its error message (" + run.failureDetail + ")";
    solution.nullVerdict =
        NotSolved("run_failed", "The run cannot solve this set-up: " + solution.why + ".");
    return solution;
  }
  solution.solved = true;
  solution.searchConverged = run.converged;

  ExactCheckInput input = ExactCheckInputOf(run);
  input.cancel = conditions.cancel;
  solution.check = RunExactCheck(input);
  solution.cancelled = solution.cancelled || solution.check.cancelled;
  solution.nullVerdict = JudgeAtExactNull(input, solution.check);
  return solution;
}

}  // namespace vn
