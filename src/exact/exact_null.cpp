// Starts for the exact null by bracketing over the lens-to-mirror spacing.
#include "exact/exact_null.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "common/constants.h"
#include "engine/optics_primitives.h"
#include "exact/exact_trace.h"
#include "exact/scalar_search.h"

namespace vn {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Spacings are sampled from kFirstSpacing to kLastSpacing of the mirror's
// radius. The difference changes sign once per null and is smooth between
// (a few turning points at most over the range): kExactNullSpacingSamples
// (96) leave several between two nulls of any set-up on our corpus of 300.
constexpr double kFirstSpacing = 0.02;
constexpr double kLastSpacing = 2.0;
// The near-axis ray, as the exact null's own: a tenth of the mirror's edge.
constexpr double kNearAxisFraction = 0.1;
// At most this many nulls are offered as starts.
constexpr std::size_t kMostStarts = 6;

// How much farther from the lens the marginal ray comes back than the
// near-axis ray, at the spacing d2 and the source distance D; nothing when a
// ray cannot be traced or returns parallel to the axis.
std::optional<double> ReturnDifference(const NullTestSystem& system, double D, double d2,
                                       const CancelToken* cancel) {
  if (!(D > 0.0) || !std::isfinite(D)) return std::nullopt;
  const FoldedSystem folded = MakeFoldedSystem(system, D, d2);
  double crossing[2] = {0, 0};
  const double fractions[2] = {1.0, kNearAxisFraction};
  for (int i = 0; i < 2; ++i) {
    const Aim aim = AimAtMirrorHeight(folded, fractions[i] * system.MirrorSemiDiameter, cancel);
    if (aim.failure.failed()) return std::nullopt;
    const DoublePassRay ray = TraceFoldedRay(folded, aim.angle);
    if (ray.failure.failed()) return std::nullopt;
    const auto z = AxisCrossing(ray.returning);
    if (!z || !std::isfinite(*z)) return std::nullopt;
    crossing[i] = *z;
  }
  return crossing[1] - crossing[0];
}

// The difference at the spacing d2 with the paraxial source distance there.
std::optional<double> DifferenceAtSpacing(const NullTestSystem& system, double d2,
                                          const CancelToken* cancel) {
  return ReturnDifference(system, ParaxialObjectDistance(system, d2), d2, cancel);
}

}  // namespace

double ParaxialObjectDistance(const NullTestSystem& s, double lensMirrorDistance) {
  // Gaussian optics in reduced angles (n·u): refraction by a face of power
  // φ is [[1, 0], [−φ, 1]], a gap t in glass of index n is [[1, t/n], [0, 1]].
  // The lens from its source-side to its mirror-side vertex is
  // M = R₂·T·R₁ = [[A, B], [C, E]]. A source D before the lens is imaged s'
  // beyond it when the whole T(s')·M·T(D) has no B element:
  // (A + s'C)·D + B + s'E = 0.
  const double n = s.LensIndex;
  const double phi1 = (n - 1.0) * CurvatureFromRadius(s.LensRadius1);
  const double phi2 = (1.0 - n) * CurvatureFromRadius(s.LensRadius2);
  const double g = s.LensThickness / n;
  const double A = 1.0 - g * phi1;
  const double B = g;
  const double C = -phi1 - phi2 + phi2 * g * phi1;
  const double E = 1.0 - phi2 * g;
  // The source must be imaged onto the mirror's centre of curvature, which
  // lies s' = d2 − R beyond the lens's mirror-side vertex (before it when
  // negative: a virtual image).
  const double sPrime = lensMirrorDistance - (-s.MirrorRadius);
  const double D = -(B + sPrime * E) / (A + sPrime * C);
  return std::isfinite(D) && D > 0.0 ? D : kNaN;
}

ExactNullStarts FindExactNullStarts(const NullTestSystem& system, const CancelToken* cancel,
                                    int samples) {
  samples = std::max(samples, 2);
  ExactNullStarts result;
  const double R = -system.MirrorRadius;
  result.firstSpacing = kFirstSpacing * R;
  result.lastSpacing = kLastSpacing * R;
  result.closestDifference = kNaN;
  result.closestSpacing = kNaN;

  // The mirror alone at its centre of curvature: a flat plate of air in
  // place of the lens.
  NullTestSystem bare = system;
  bare.LensIndex = 1.0;
  bare.LensRadius1 = bare.LensRadius2 = kFlatFaceRadius;
  const auto alone = DifferenceAtSpacing(bare, 0.5 * R, cancel);
  result.mirrorAloneDifference = alone ? *alone : kNaN;

  // ---- Sample the spacings and bracket every change of sign ----
  const double step = (result.lastSpacing - result.firstSpacing) / (samples - 1);
  std::optional<double> previous;
  double previousSpacing = 0;
  for (int i = 0; i < samples; ++i) {
    if (CancelRequested(cancel)) {
      result.cancelled = true;
      return result;
    }
    const double d2 = result.firstSpacing + i * step;
    const auto here = DifferenceAtSpacing(system, d2, cancel);
    if (here && !(std::fabs(*here) >= std::fabs(result.closestDifference))) {
      result.closestDifference = *here;
      result.closestSpacing = d2;
    }
    if (here && previous && ((*here <= 0.0) != (*previous <= 0.0)) &&
        result.starts.size() < kMostStarts) {
      // ---- Narrow the bracket ----
      // Where a ray cannot be traced inside the bracket the function is
      // taken as zero there, which only stops the narrowing at that point:
      // the Newton search then decides whether it is a null.
      const auto f = [&](double x) {
        const auto v = DifferenceAtSpacing(system, x, cancel);
        return v ? *v : 0.0;
      };
      const auto root = FindRootBracketed(f, previousSpacing, d2, 1e-10 * R, 200, cancel);
      if (root) {
        const double D = ParaxialObjectDistance(system, *root);
        if (std::isfinite(D)) result.starts.push_back({D, *root});
      }
    }
    previous = here;
    previousSpacing = d2;
  }
  return result;
}

}  // namespace vn
