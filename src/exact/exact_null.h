// Where to look for the exact null of a set-up without the run's distances:
// starts for the exact check's Newton search, found by bracketing over the
// lens-to-mirror spacing.
//
// For each spacing d2 the paraxial source distance D(d2) is the one at which
// the lens images the source onto the mirror's centre of curvature, so that
// the light near the axis comes back to the source. What is left to null is
// the difference between where the marginal ray and a near-axis ray come
// back: a function of d2 alone. It is sampled over spacings from a fiftieth
// of the mirror's radius to twice it, and every change of sign between two
// traceable samples is narrowed by Brent's method. Each root is a start from
// which the two-distance Newton search converges in a few steps.
//
// When no spacing changes the sign, no exact null exists for this lens: the
// result then says which side the marginal ray stays on and by how much at
// best, and whether that is the side the mirror puts it on without the lens
// (the lens corrects too little, or the wrong way) or the other side (the
// lens corrects too much).
//
// Lengths are engine inches. Every loop ends on its own (a fixed number of
// samples, Brent's iteration limit) and stops once the cancel flag is set.
#pragma once

#include <vector>

#include "common/cancel_token.h"
#include "engine/null_test_engine.h"

namespace vn {

struct ExactNullStart {
  double objectDistance = 0;      // D, inches
  double lensMirrorDistance = 0;  // d2, inches
};

struct ExactNullStarts {
  std::vector<ExactNullStart> starts;  // one per root, in rising spacing
  bool cancelled = false;
  // With no start: the spacings sampled, and the smallest difference found
  // between the marginal and the near-axis rays' return points (inches,
  // positive: the marginal ray comes back farther from the lens), at which
  // spacing. NaN when no sample could be traced.
  double firstSpacing = 0, lastSpacing = 0;
  double closestDifference = 0;
  double closestSpacing = 0;
  // The same difference for the mirror alone, tested at its centre of
  // curvature without the lens.
  double mirrorAloneDifference = 0;
};

// The paraxial source distance at which the lens images the source onto the
// mirror's centre of curvature with the spacing d2; NaN when the lens would
// need a virtual source (the distance is not positive) or none exists.
double ParaxialObjectDistance(const NullTestSystem& system, double lensMirrorDistance);

// The spacings are sampled at `samples` points (at least 2); the default
// leaves several samples between two nulls of any set-up on our corpus.
inline constexpr int kExactNullSpacingSamples = 96;
ExactNullStarts FindExactNullStarts(const NullTestSystem& system, const CancelToken* cancel,
                                    int samples = kExactNullSpacingSamples);

}  // namespace vn
