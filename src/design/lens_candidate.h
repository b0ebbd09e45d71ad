// A candidate null lens for a mirror and how well it nulls it: the figures
// the lens chooser ranks candidates by and shows for each.
//
// A candidate is solved as the run solves a lens (solve_candidate.h) and is
// recommended at its exact null: the distances to set up, the wavefront left
// there (P-V about best focus, RMS, Strehl), the width of the beam on the lens
// and its margin inside the lens's clear aperture, and the verdict on that
// set-up. Candidates rank by whether they null the mirror at all and fit the
// room, then by the residual, then by the margin.
//
// Lengths are engine inches; the unit in the conditions is the user's, for
// the run's entries and the sentences.
#pragma once

#include <limits>
#include <string>
#include <vector>

#include "common/cancel_token.h"
#include "common/constants.h"
#include "design/solve_candidate.h"
#include "engine/null_test_engine.h"
#include "exact/verdict.h"

namespace vn {

// Stock lenses are specified clear over about 90% of their diameter; the
// rest is bevel and the seat of the lens in its cell. The beam is asked to
// stay inside that.
inline constexpr double kDefaultClearApertureFraction = 0.9;

// What a candidate is judged by besides its verdict: the test's wavelength,
// the lens's clear aperture and the room the user has.
struct ChooserConditions {
  double wavelengthMicrons = kHeNeWavelengthMicrons;
  bool inchUnits = false;  // the user's unit
  double clearApertureFraction = kDefaultClearApertureFraction;
  double maxSourceToMirror = 0;  // inches; 0: no limit
  double minSourceToLens = 0;    // inches; 0: no limit
  long searchSteps = kCandidateSearchSteps;
  const CancelToken* cancel = nullptr;
};

// One lens as it stands in the test, in inches, radii signed as the run signs
// them (mirror on the right: a positive radius has its centre toward the
// mirror); 9e99 is a flat face.
struct LensPrescription {
  double sourceRadius = 9e99;  // the face toward the source
  double mirrorRadius = 9e99;  // the face toward the mirror
  double thickness = 0;
  double diameter = 0;
  double index = 0;
};

// The same lens turned round: the mirror-side face toward the source.
LensPrescription Reversed(const LensPrescription& lens);

// The mirror of `mirror` (its mirror fields; the lens fields are ignored)
// with `lens` in front of it.
NullTestSystem SetUpWith(const NullTestSystem& mirror, const LensPrescription& lens);

// The thin-lens focal length, as the run's echo gives it: 1/((1/R1 − 1/R2)(n − 1)).
double ThinLensFocalLength(const LensPrescription& lens);

// "plano-convex", "biconvex", "meniscus", ... with the side a flat or hollow
// face turns to: "plano-convex, flat toward the source".
std::string ShapeWords(const LensPrescription& lens);

enum class CandidateFit {
  Fits,        // nulls the mirror with the beam inside the clear aperture, within the room
  Tight,       // nulls it, but the beam overfills the clear aperture or the room is too small
  CannotNull,  // the verdict says it is not a null, or no exact null was found
};

// "fits", "tight", "cannot_null": the JSON form.
const char* CandidateFitCode(CandidateFit fit);

struct CandidateFigures {
  static constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();
  bool nullFound = false;  // the exact null was found
  bool cancelled = false;  // the host stopped the evaluation before it finished
  // At the exact null, inches.
  double objectDistance = kUnknown;      // source to the lens's source-side vertex
  double lensMirrorDistance = kUnknown;  // lens's mirror-side vertex to the mirror's vertex
  double sourceToMirror = kUnknown;      // source to the mirror's vertex
  double workingDiameter = kUnknown;     // twice the marginal ray's widest height on the lens
  double clearAperture = 0;              // the lens's clear diameter
  double margin = kUnknown;              // clear aperture minus working diameter
  // The wavefront left at the exact null, about best focus.
  double pvWaves = kUnknown;
  double rmsWaves = kUnknown;
  double strehl = kUnknown;
  Verdict verdict;  // on the exact null's set-up, or why there is none
  CandidateFit fit = CandidateFit::CannotNull;
  std::vector<std::string> notes;  // why a candidate that nulls is tight, one sentence each
  // How far a tight candidate misses: the sum of its overshoots, each as a
  // fraction of its limit (beam over clear aperture, source nearer than
  // allowed, set-up longer than the room); 0 when it fits.
  double shortfall = 0;
};

// Solves and judges the lens in front of the mirror.
CandidateFigures EvaluateCandidate(const NullTestSystem& mirror, const LensPrescription& lens,
                                   const ChooserConditions& conditions);

// True when a ranks strictly before b: a better fit first; then the smaller
// residual as the chooser shows it (to a thousandth of a wave, finer than any
// shop can see); then the wider margin.
bool RanksBefore(const CandidateFigures& a, const CandidateFigures& b);

}  // namespace vn
