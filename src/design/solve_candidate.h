// Solving one candidate lens for the lens chooser: the one place where the
// chooser reaches the run.
//
// A candidate is solved exactly as the window's find button would solve it
// with the same entries typed in the user's unit: the run's spacing search
// from its own start values finds the source and spacing distances, the exact
// check retraces that set-up with the true surfaces and finds the exact null,
// and the verdict judges it. The chooser then recommends the exact null, so
// the candidate is also judged there, as if the run had settled on it.
//
// Nothing is shared between calls: every call has its own run and engine, so
// candidates may be solved on several threads at once.
#pragma once

#include <string>

#include "common/cancel_token.h"
#include "common/constants.h"
#include "engine/null_test_engine.h"
#include "exact/exact_check.h"
#include "exact/verdict.h"

namespace vn {

// How many times the run's search may hand control to its host before the
// chooser stops it, as a key press would. A search that converges hands it
// over a few hundred to about 1,500 times (once per step of its nested
// searches); one that swings about the null without settling (a weak or
// small lens, whose spacing correction overshoots) would go on for ever. The
// exact null is then sought from wherever the search stopped, and found as
// well from there: on a mixed list of 600 lenses and orientations, stopping
// at 2,000 rather than 100,000 left every lens that nulls the mirror with the
// same fit and residual, at a twentieth of the time. It is a count, not a
// clock, so that a list ranks the same on every machine.
inline constexpr long kCandidateSearchSteps = 2000;

struct CandidateConditions {
  double wavelengthMicrons = kHeNeWavelengthMicrons;
  // The user's unit: the run reads its entries written in it, and the
  // verdict's sentences give lengths in it.
  bool inchUnits = false;
  long searchSteps = kCandidateSearchSteps;
  // Set by the host to stop the run's search and the exact check at their
  // next step; the solution then comes back with cancelled = true.
  const CancelToken* cancel = nullptr;
};

struct CandidateSolution {
  bool solved = false;           // the run reached its results
  bool searchConverged = false;  // ... and its search met its tolerance
  bool cancelled = false;
  std::string why;  // why the run could not solve the set-up, when it did not
  // The exact check at the run's distances, with the exact null and the
  // verdict on the run's own set-up.
  ExactCheckResult check;
  // The verdict on the exact null's set-up (the distances the chooser
  // recommends), or the run's verdict when no exact null was found.
  Verdict nullVerdict;
};

// `system` holds the mirror and the lens in engine inches (LensRadius1 faces
// the source); lensDiameter is the lens's full diameter in inches, taken as
// its clear diameter by the check, as the run takes it.
CandidateSolution SolveCandidate(const NullTestSystem& system, double lensDiameter,
                                 const CandidateConditions& conditions);

}  // namespace vn
