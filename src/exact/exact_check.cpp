// The exact check of a solved null-test set-up: zones, wavefront, best
// focus, lens heights and the exact null.
#include "exact/exact_check.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <optional>

#include "common/cancel_token.h"
#include "common/constants.h"
#include "common/number_text.h"
#include "engine/optics_primitives.h"
#include "exact/exact_null.h"
#include "exact/scalar_search.h"

namespace vn {

namespace {

// The rays that fix the exact null and the drawn rays, as fractions of the
// mirror's edge height.
constexpr double kNearAxisFraction = 0.1;
constexpr double kDrawnFractions[3] = {1.0, 0.7, 0.1};
// The centre zone's axis intercept is the near-paraxial one, taken from a ray
// this close to the axis (its wavefront error is zero by definition).
constexpr double kParaxialFraction = 0.001;
// Zones sampled for the exact null's P-V: its extremes are then sharpened
// between neighbouring zones, so a coarser grid than the drawn one will do.
constexpr int kExactNullZoneSteps = 20;
// The P-V's extremes are bracketed to this fraction of the pupil before a
// last parabolic step: the error is flat there, so even a bracket this wide
// leaves the P-V within (W'' / 2)·1e-6 waves (W'' in waves per unit ρ²,
// a few for a residual of a quarter wave), and the parabola does far better.
constexpr double kExtremeTolerance = 1e-3;

// ---- Quadrature over the pupil's area ----------------------------------------

// Gauss-Legendre nodes and weights on u = ρ² in [0, 1]. The mirror's area
// element 2ρ·dρ is du, and a rotationally symmetric wavefront is a power
// series in ρ², that is in u: the rule integrates it exactly up to u^31
// (ρ^62) and converges fast beyond. Weights sum to 1, so Σ w·W is the mean.
constexpr int kPupilNodes = 16;

struct PupilQuadrature {
  std::array<double, kPupilNodes> u{}, weight{};
};

PupilQuadrature MakePupilQuadrature() {
  // From [−1, 1] to [0, 1]: u = (1 − x)/2, weight halved.
  const QuadratureRule rule = GaussLegendreRule(kPupilNodes);
  PupilQuadrature q;
  for (std::size_t i = 0; i < q.u.size(); ++i) {
    q.u[i] = 0.5 * (1.0 - rule.nodes[i]);
    q.weight[i] = 0.5 * rule.weights[i];
  }
  return q;
}

// Built once, then only read: safe to share between threads.
const PupilQuadrature& Quadrature() {
  static const PupilQuadrature quadrature = MakePupilQuadrature();
  return quadrature;
}

// ---- Problems --------------------------------------------------------------------

// Why part of the check could not be made: a ray that could not be traced
// (with its zone), a problem no single ray names, or the host's request to
// stop. One kind of value for all of them, passed up as it is.
struct Problem {
  bool cancelled = false;
  TraceFailure failure;
  double zoneFraction = kNotComputed;
  std::string what;
};

Problem Cancelled() { return {true, {}, kNotComputed, "the check was stopped before it finished"}; }

std::string Describe(const Problem& problem, bool inchUnits) {
  if (problem.failure.failed())
    return TraceFailureText(problem.failure, problem.zoneFraction, inchUnits);
  return problem.what;
}

// ---- Rays -------------------------------------------------------------------------

// Traces the ray that meets the mirror at the given fraction of its edge
// height out and back; its failure says why it could not be.
DoublePassRay TraceZone(const FoldedSystem& folded, double edgeHeight, double fraction,
                        const CancelToken* cancel) {
  const Aim aim = AimAtMirrorHeight(folded, fraction * edgeHeight, cancel);
  if (aim.failure.failed()) {
    DoublePassRay ray;
    ray.failure = aim.failure;
    return ray;
  }
  return TraceFoldedRay(folded, aim.angle);
}

// The reference sphere: centred on the axial point focusZ and passing through
// the exit pupil's centre pupilZ, or of infinite radius when the pupil is at
// infinity.
struct Reference {
  double focusZ = 0;
  std::optional<double> pupilZ;
};

// The optical path of a returning ray from the source to the reference
// sphere, less the sphere's radius (the same for every ray, so it cancels in
// the wavefront error). The ray's line passes the centre F at the signed
// distance ε, its foot of perpendicular at s0 along the ray; it meets the
// sphere of radius R at s0 ± √(R² − ε²), on the sheet through the pupil. The
// path beyond the foot, ±(√(R² − ε²) − R) = ∓ε² / (R + √(R² − ε²)), is
// written so that it neither cancels for large R nor fails for an infinite
// one. NaN when the ray's line misses the sphere.
double PathToReference(const VectorRay& ray, const Reference& reference) {
  const double toCentreZ = reference.focusZ - ray.z;
  const double toCentreY = -ray.y;
  const double s0 = toCentreZ * ray.dz + toCentreY * ray.dy;
  double path = ray.opticalPath + s0;
  if (!reference.pupilZ) return path;
  const double epsilon = toCentreZ * ray.dy - toCentreY * ray.dz;
  const double radius = std::fabs(*reference.pupilZ - reference.focusZ);
  const double rootSquared = (radius - epsilon) * (radius + epsilon);
  if (rootSquared < 0.0) return kNotComputed;
  // The returning light travels toward −z: a pupil at smaller z than the
  // centre lies beyond the focus, on the far sheet (+); otherwise before it.
  const double sheet = *reference.pupilZ < reference.focusZ ? 1.0 : -1.0;
  const double beyondFoot = epsilon * epsilon / (radius + std::sqrt(rootSquared));
  if (std::isfinite(beyondFoot)) path = path - sheet * beyondFoot;
  return path;
}

// ---- One set-up ------------------------------------------------------------------

struct Wavefront {
  double pvWaves = kNotComputed;
  double rmsWaves = kNotComputed;
};

// Everything the check derives from one set-up.
struct SetUpAnalysis {
  FoldedSystem folded;
  double edgeHeight = 0;
  double wavelengthMicrons = 0;
  const CancelToken* cancel = nullptr;

  VectorRay chief;  // the axial ray back at the lens's source-side vertex
  std::optional<double> pupilZ;
  std::vector<DoublePassRay> zones;  // equal steps in mirror height, the edge last
  std::vector<VectorRay> nodes;      // at the quadrature's nodes
  double focusZ = 0;
  std::vector<double> opdAtFocus;  // waves, per zone from the centre (0 there)
  std::vector<double> opdAtSource;
  Wavefront atFocus;
  Wavefront atSource;
};

double ZoneFraction(int i, int steps) { return static_cast<double>(i) / steps; }

// Wavefront error of a returning ray about the reference, in waves.
double OpdWaves(const SetUpAnalysis& setUp, const VectorRay& ray, const Reference& reference) {
  const double chiefPath = PathToReference(setUp.chief, reference);
  return (PathToReference(ray, reference) - chiefPath) * kMicronsPerInch / setUp.wavelengthMicrons;
}

std::vector<double> ZoneOpd(const SetUpAnalysis& setUp, const Reference& reference) {
  std::vector<double> opd(setUp.zones.size() + 1, 0.0);
  for (std::size_t i = 0; i < setUp.zones.size(); ++i)
    opd[i + 1] = OpdWaves(setUp, setUp.zones[i].returning, reference);
  return opd;
}

// RMS over the mirror's area, piston removed; NaN when a ray misses the
// reference sphere.
double RmsAbout(const SetUpAnalysis& setUp, const Reference& reference) {
  const PupilQuadrature& q = Quadrature();
  std::array<double, kPupilNodes> w{};
  double mean = 0.0;
  for (int k = 0; k < kPupilNodes; ++k) {
    w[k] = OpdWaves(setUp, setUp.nodes[k], reference);
    mean += q.weight[k] * w[k];
  }
  double variance = 0.0;
  for (int k = 0; k < kPupilNodes; ++k) {
    const double deviation = w[k] - mean;
    variance += q.weight[k] * deviation * deviation;
  }
  return std::sqrt(variance);
}

// How the path to the reference sphere changes as its centre moves along
// the axis, per unit of movement: the derivative of PathToReference with
// respect to focusZ (dR/dz = ±1 as the pupil lies before or beyond it).
double PathSlope(const VectorRay& ray, const Reference& reference) {
  double slope = ray.dz;
  if (!reference.pupilZ) return slope;
  const double toCentreZ = reference.focusZ - ray.z;
  const double epsilon = toCentreZ * ray.dy + ray.y * ray.dz;
  const double radius = std::fabs(*reference.pupilZ - reference.focusZ);
  const double sheet = *reference.pupilZ < reference.focusZ ? 1.0 : -1.0;
  const double root = std::sqrt((radius - epsilon) * (radius + epsilon));
  if (!(root > 0.0)) return kNotComputed;
  // d/dz of R − √(R² − ε²), with dR/dz = sheet and dε/dz = dy.
  const double beyondFootSlope = sheet - (radius * sheet - epsilon * ray.dy) / root;
  return slope - sheet * beyondFootSlope;
}

// The axial point about which the RMS is least. Each ray's error W depends
// on the centre's position z almost linearly (exactly so about a sphere of
// infinite radius, where dW/dz = dz − dz_chief): the least-squares step
// z ← z − cov(W, W') / var(W') over the quadrature is then Gauss-Newton's,
// and settles in two or three steps. It ends when a step is below 1e-15 of
// the distances involved, or after 30 steps.
std::optional<Problem> FindBestFocus(SetUpAnalysis& setUp) {
  const PupilQuadrature& q = Quadrature();
  double focusZ = setUp.folded.sourceZ;
  const double scale = std::fabs(focusZ) + (setUp.pupilZ ? std::fabs(*setUp.pupilZ) : 0.0) +
                       std::fabs(setUp.chief.z);
  for (int step = 0; step < 30; ++step) {
    if (CancelRequested(setUp.cancel)) return Cancelled();
    const Reference reference{focusZ, setUp.pupilZ};
    const double chiefPath = PathToReference(setUp.chief, reference);
    const double chiefSlope = PathSlope(setUp.chief, reference);
    std::array<double, kPupilNodes> w{}, slope{};
    double meanW = 0.0, meanSlope = 0.0;
    for (int k = 0; k < kPupilNodes; ++k) {
      w[k] = PathToReference(setUp.nodes[k], reference) - chiefPath;
      slope[k] = PathSlope(setUp.nodes[k], reference) - chiefSlope;
      meanW += q.weight[k] * w[k];
      meanSlope += q.weight[k] * slope[k];
    }
    double covariance = 0.0, variance = 0.0;
    for (int k = 0; k < kPupilNodes; ++k) {
      covariance += q.weight[k] * (w[k] - meanW) * (slope[k] - meanSlope);
      variance += q.weight[k] * (slope[k] - meanSlope) * (slope[k] - meanSlope);
    }
    const double move = -covariance / variance;
    if (!std::isfinite(move)) {
      return Problem{false,
                     {},
                     kNotComputed,
                     "no best-focus point was found: the returning rays miss the reference "
                     "sphere through the exit pupil"};
    }
    focusZ += move;
    if (std::fabs(move) <= 1e-15 * scale) break;
  }
  setUp.focusZ = focusZ;
  return std::nullopt;
}

// The wavefront's P-V and RMS about the reference. The P-V starts from the
// zones' spread; a largest or smallest error between the centre and the edge
// is then sought between the zones on either side of it, tracing new rays,
// so that the spread does not depend on where the zones happen to fall.
Wavefront Measure(const SetUpAnalysis& setUp, const Reference& reference,
                  const std::vector<double>& opd) {
  Wavefront result;
  result.rmsWaves = RmsAbout(setUp, reference);
  const auto [lowest, highest] = std::minmax_element(opd.begin(), opd.end());
  double low = *lowest, high = *highest;
  const int steps = static_cast<int>(setUp.zones.size());
  for (const bool forHigh : {true, false}) {
    const int i = static_cast<int>((forHigh ? highest : lowest) - opd.begin());
    if (i <= 0 || i >= steps) continue;  // the centre or the edge: already exact
    const double sign = forHigh ? -1.0 : 1.0;
    const auto signedOpd = [&](double fraction) {
      const DoublePassRay ray = TraceZone(setUp.folded, setUp.edgeHeight, fraction, setUp.cancel);
      const double w =
          ray.failure.failed() ? kNotComputed : OpdWaves(setUp, ray.returning, reference);
      return std::isnan(w) ? HUGE_VAL : sign * w;
    };
    const double best =
        MinimiseBracketed(signedOpd, ZoneFraction(i - 1, steps), ZoneFraction(i + 1, steps),
                          kExtremeTolerance, setUp.cancel);
    const double value = signedOpd(best);
    if (std::isfinite(value)) {
      if (forHigh)
        high = std::max(high, -value);
      else
        low = std::min(low, value);
    }
  }
  result.pvWaves = high - low;
  return result;
}

// Traces every zone and quadrature node of one set-up and measures its
// wavefront about its best focus and about the source.
std::optional<Problem> AnalyseSetUp(const NullTestSystem& system, double objectDistance,
                                    double lensMirrorDistance, double wavelengthMicrons,
                                    int zoneSteps, const CancelToken* cancel,
                                    SetUpAnalysis& setUp) {
  setUp.folded = MakeFoldedSystem(system, objectDistance, lensMirrorDistance);
  setUp.edgeHeight = system.MirrorSemiDiameter;
  setUp.wavelengthMicrons = wavelengthMicrons;
  setUp.cancel = cancel;

  const DoublePassRay chief = TraceFoldedRay(setUp.folded, 0.0);
  if (chief.failure.failed()) return Problem{false, chief.failure, 0.0, {}};
  setUp.chief = chief.returning;
  setUp.pupilZ = ExitPupilZ(setUp.folded);

  for (int i = 1; i <= zoneSteps; ++i) {
    if (CancelRequested(cancel)) return Cancelled();
    const double fraction = ZoneFraction(i, zoneSteps);
    DoublePassRay ray = TraceZone(setUp.folded, setUp.edgeHeight, fraction, cancel);
    if (CancelRequested(cancel)) return Cancelled();
    if (ray.failure.failed()) return Problem{false, ray.failure, fraction, {}};
    setUp.zones.push_back(std::move(ray));
  }
  const PupilQuadrature& q = Quadrature();
  for (int k = 0; k < kPupilNodes; ++k) {
    if (CancelRequested(cancel)) return Cancelled();
    const double fraction = std::sqrt(q.u[k]);
    const DoublePassRay ray = TraceZone(setUp.folded, setUp.edgeHeight, fraction, cancel);
    if (CancelRequested(cancel)) return Cancelled();
    if (ray.failure.failed()) return Problem{false, ray.failure, fraction, {}};
    setUp.nodes.push_back(ray.returning);
  }

  if (auto problem = FindBestFocus(setUp)) return problem;
  const Reference atFocus{setUp.focusZ, setUp.pupilZ};
  const Reference atSource{setUp.folded.sourceZ, setUp.pupilZ};
  setUp.opdAtFocus = ZoneOpd(setUp, atFocus);
  setUp.opdAtSource = ZoneOpd(setUp, atSource);
  setUp.atFocus = Measure(setUp, atFocus, setUp.opdAtFocus);
  setUp.atSource = Measure(setUp, atSource, setUp.opdAtSource);
  if (CancelRequested(cancel)) return Cancelled();
  if (!std::isfinite(setUp.atFocus.pvWaves) || !std::isfinite(setUp.atFocus.rmsWaves) ||
      !std::isfinite(setUp.atSource.pvWaves) || !std::isfinite(setUp.atSource.rmsWaves)) {
    return Problem{false,
                   {},
                   kNotComputed,
                   "the returning rays miss the reference sphere through the exit pupil"};
  }
  return std::nullopt;
}

// ---- The exact null --------------------------------------------------------------

// Where the marginal and the near-axis rays come back, inches beyond the
// source: the two numbers the exact null drives to zero.
struct ReturnErrors {
  std::array<double, 2> errors{};
  std::optional<Problem> problem;
};

ReturnErrors ReturnErrorsAt(const NullTestSystem& system, double D, double d2,
                            const CancelToken* cancel) {
  ReturnErrors result;
  if (!(D > 0.0) || !(d2 > 0.0)) {
    result.problem = Problem{false, {}, kNotComputed, "a distance is not positive"};
    return result;
  }
  const FoldedSystem folded = MakeFoldedSystem(system, D, d2);
  const double fractions[2] = {1.0, kNearAxisFraction};
  for (int i = 0; i < 2; ++i) {
    const DoublePassRay ray = TraceZone(folded, system.MirrorSemiDiameter, fractions[i], cancel);
    if (CancelRequested(cancel)) {
      result.problem = Cancelled();
      return result;
    }
    if (ray.failure.failed()) {
      result.problem = Problem{false, ray.failure, fractions[i], {}};
      return result;
    }
    const auto crossing = AxisCrossing(ray.returning);
    if (!crossing) {
      result.problem =
          Problem{false, {}, fractions[i], "a returning ray runs parallel to the axis"};
      return result;
    }
    result.errors[i] = folded.sourceZ - *crossing;
  }
  return result;
}

double Size(const std::array<double, 2>& e) { return std::sqrt(e[0] * e[0] + e[1] * e[1]); }

// Damped Newton's method in (D, d2) on the two return errors, with a
// forward-difference Jacobian and a backtracking line search on their size.
// Tolerances are fractions of the set-up's length D + t + d2, so that a
// set-up of millimetres and one of kilometres converge alike: 1e-12 of it is
// far below any shop measurement and some thousand times the rounding of the
// traced positions.
ExactCheckResult::ExactNull SolveExactNull(const NullTestSystem& system, double D, double d2,
                                           const CancelToken* cancel, bool inchUnits) {
  ExactCheckResult::ExactNull null;
  constexpr int kMaxIterations = 40;
  const double scale = std::fabs(D) + system.LensThickness + std::fabs(d2);
  const double tolerance = 1e-12 * scale;
  const double stalledStep = 1e-13 * scale;

  auto current = ReturnErrorsAt(system, D, d2, cancel);
  if (current.problem) {
    null.why = "the marginal or the near-axis ray cannot be traced at the run's distances: " +
               Describe(*current.problem, inchUnits);
    return null;
  }
  for (int iteration = 1; iteration <= kMaxIterations; ++iteration) {
    null.iterations = iteration;
    if (CancelRequested(cancel)) {
      null.why = Cancelled().what;
      return null;
    }
    if (Size(current.errors) <= tolerance) {
      null.converged = true;
      break;
    }
    // Jacobian by forward differences, steps a millionth of each distance
    // (never below a thousandth of the tolerance's scale).
    const double hD = std::max(1e-6 * D, 1e-9 * scale);
    const double hd2 = std::max(1e-6 * d2, 1e-9 * scale);
    const auto alongD = ReturnErrorsAt(system, D + hD, d2, cancel);
    const auto alongD2 = ReturnErrorsAt(system, D, d2 + hd2, cancel);
    if (alongD.problem || alongD2.problem) {
      const Problem& p = alongD.problem ? *alongD.problem : *alongD2.problem;
      null.why = p.cancelled ? p.what
                             : "a ray could not be traced while measuring the slopes: " +
                                   Describe(p, inchUnits);
      break;
    }
    const auto& e = current.errors;
    const double j11 = (alongD.errors[0] - e[0]) / hD;
    const double j21 = (alongD.errors[1] - e[1]) / hD;
    const double j12 = (alongD2.errors[0] - e[0]) / hd2;
    const double j22 = (alongD2.errors[1] - e[1]) / hd2;
    const double det = j11 * j22 - j12 * j21;
    if (!std::isfinite(det) || det == 0.0) {
      null.why = "the two return errors do not depend independently on the two distances";
      break;
    }
    const double stepD = -(e[0] * j22 - e[1] * j12) / det;
    const double stepD2 = -(j11 * e[1] - j21 * e[0]) / det;
    if (!std::isfinite(stepD) || !std::isfinite(stepD2)) {
      null.why = "the Newton step is not a finite number";
      break;
    }

    // Backtrack until the errors shrink.
    double lambda = 1.0;
    bool accepted = false;
    for (int halving = 0; halving < 30; ++halving, lambda *= 0.5) {
      if (CancelRequested(cancel)) break;
      const double trialD = D + lambda * stepD;
      const double trialD2 = d2 + lambda * stepD2;
      auto trial = ReturnErrorsAt(system, trialD, trialD2, cancel);
      if (!trial.problem && Size(trial.errors) < (1.0 - 1e-4 * lambda) * Size(e)) {
        D = trialD;
        d2 = trialD2;
        current = std::move(trial);
        accepted = true;
        break;
      }
    }
    if (CancelRequested(cancel)) {
      null.why = Cancelled().what;
      return null;
    }
    if (!accepted) {
      // At the limit of the arithmetic no step improves; accept the result
      // when it is already close, otherwise report the stall.
      if (Size(current.errors) <= 1e3 * tolerance) {
        null.converged = true;
      } else {
        null.why = "no step along the Newton direction reduces the return errors";
      }
      break;
    }
    if (std::fabs(lambda * stepD) < stalledStep && std::fabs(lambda * stepD2) < stalledStep &&
        Size(current.errors) <= 1e3 * tolerance) {
      null.converged = true;
      break;
    }
  }
  if (!null.converged && null.why.empty()) {
    null.why = "no exact null within " + std::to_string(kMaxIterations) + " iterations";
  }
  null.objectDistance = D;
  null.lensMirrorDistance = d2;
  return null;
}

// ---- The check ---------------------------------------------------------------------

double StrehlOf(double rmsWaves) {
  const double phase = 2.0 * kPi * rmsWaves;
  return std::exp(-(phase * phase));
}

bool OutsideClearAperture(const std::array<double, 4>& heights, double clearSemiDiameter) {
  if (!(clearSemiDiameter > 0.0)) return false;
  for (double h : heights) {
    if (std::fabs(h) > clearSemiDiameter) return true;
  }
  return false;
}

void Fail(ExactCheckResult& result, const Problem& problem, bool inchUnits) {
  result.ok = false;
  result.cancelled = problem.cancelled;
  result.failure = problem.failure;
  result.failureZoneFraction = problem.zoneFraction;
  result.why = Describe(problem, inchUnits);
}

// The run's set-up: its wavefront, zones, lens heights and drawn rays.
void CheckRunSetUp(const SolvedSetUp& input, const CancelToken* cancel, ExactCheckResult& result) {
  const NullTestSystem& system = input.system;
  const double D = input.objectDistance;
  SetUpAnalysis setUp;
  if (auto problem = AnalyseSetUp(system, D, input.lensMirrorDistance, input.wavelengthMicrons,
                                  kExactCheckZoneSteps, cancel, setUp)) {
    Fail(result, *problem, input.inchUnits);
    return;
  }
  const double sourceZ = -D;
  result.pvWaves = setUp.atFocus.pvWaves;
  result.rmsWaves = setUp.atFocus.rmsWaves;
  result.strehl = StrehlOf(result.rmsWaves);
  result.bestFocusOffset = sourceZ - setUp.focusZ;
  result.pvWavesSource = setUp.atSource.pvWaves;
  result.rmsWavesSource = setUp.atSource.rmsWaves;

  // Zones, the centre first: its intercept is the near-paraxial one.
  const auto beyondSource = [sourceZ](const VectorRay& ray) {
    const auto crossing = AxisCrossing(ray);
    return crossing ? sourceZ - *crossing : kNotComputed;
  };
  const DoublePassRay paraxial =
      TraceZone(setUp.folded, system.MirrorSemiDiameter, kParaxialFraction, cancel);
  result.zones.push_back(
      {0.0, 0.0, paraxial.failure.failed() ? kNotComputed : beyondSource(paraxial.returning), 0.0,
       0.0});
  for (std::size_t i = 0; i < setUp.zones.size(); ++i) {
    const DoublePassRay& zone = setUp.zones[i];
    result.zones.push_back({ZoneFraction(static_cast<int>(i) + 1, kExactCheckZoneSteps),
                            zone.mirrorHeight, beyondSource(zone.returning),
                            setUp.opdAtFocus[i + 1], setUp.opdAtSource[i + 1]});
  }

  // The marginal ray on the lens.
  result.lensHeights = setUp.zones.back().lensHeights;
  result.lensHeightsExceedClearAperture =
      OutsideClearAperture(result.lensHeights, input.lensClearSemiDiameter);

  // Paths to draw, each ending where it meets the axis near the source.
  for (double fraction : kDrawnFractions) {
    const int i = static_cast<int>(std::lround(fraction * kExactCheckZoneSteps)) - 1;
    const DoublePassRay& ray = setUp.zones[i];
    const auto crossing = AxisCrossing(ray.returning);
    if (!crossing) continue;
    ExactRayPath path{fraction, ray.points};
    path.points.push_back({*crossing, 0.0});
    result.rayPaths.push_back(std::move(path));
  }
  result.ok = true;
}

// The exact null found from one start, and its wavefront; false when the
// Newton search or the wavefront there fails.
bool NullFrom(const SolvedSetUp& input, double D, double d2, const CancelToken* cancel,
              ExactCheckResult::ExactNull& null) {
  null = SolveExactNull(input.system, D, d2, cancel, input.inchUnits);
  if (!null.converged) return false;
  SetUpAnalysis nulled;
  if (auto problem = AnalyseSetUp(input.system, null.objectDistance, null.lensMirrorDistance,
                                  input.wavelengthMicrons, kExactNullZoneSteps, cancel, nulled)) {
    null.converged = false;
    null.why = Describe(*problem, input.inchUnits);
    return false;
  }
  null.pvWaves = nulled.atFocus.pvWaves;
  null.rmsWaves = nulled.atFocus.rmsWaves;
  null.strehl = StrehlOf(null.rmsWaves);
  null.lensHeights = nulled.zones.back().lensHeights;
  null.lensHeightsExceedClearAperture =
      OutsideClearAperture(null.lensHeights, input.lensClearSemiDiameter);
  // How far from the source the zones' rays come back, against the depth a
  // quarter wave of defocus spans for the returning marginal cone.
  double spread = 0.0;
  for (const DoublePassRay& zone : nulled.zones) {
    const auto crossing = AxisCrossing(zone.returning);
    if (crossing) spread = std::max(spread, std::fabs(*crossing - nulled.folded.sourceZ));
  }
  const double na = std::fabs(nulled.zones.back().returning.dy);
  null.returnSpread = spread;
  null.quarterWaveDepth = 0.5 * input.wavelengthMicrons / kMicronsPerInch / (na * na);
  return true;
}

// Why no start of its own led to an exact null, in the optics' words.
std::string NoNullText(const ExactNullStarts& starts, const SolvedSetUp& input) {
  const double closest = starts.closestDifference;
  if (!std::isfinite(closest)) {
    return "at no lens-to-mirror spacing from " +
           RunLengthText(starts.firstSpacing, input.inchUnits) + " to " +
           RunLengthText(starts.lastSpacing, input.inchUnits) +
           " can the marginal ray be traced through the lens and back";
  }
  std::string text =
      "at every lens-to-mirror spacing from " +
      RunLengthText(starts.firstSpacing, input.inchUnits) + " to " +
      RunLengthText(starts.lastSpacing, input.inchUnits) +
      ", with the source where the rays near the axis return to it, the marginal ray comes back " +
      (closest > 0.0 ? "farther from" : "nearer to") + " the lens than they do, by " +
      RunLengthText(std::fabs(closest), input.inchUnits) + " at best (at " +
      RunLengthText(starts.closestSpacing, input.inchUnits) + ")";
  const double alone = starts.mirrorAloneDifference;
  if (std::isfinite(alone) && alone != 0.0) {
    text += (alone > 0.0) == (closest > 0.0)
                ? ": on the same side as the mirror alone puts it, so the lens corrects too "
                  "little or the wrong way for this mirror"
                : ": on the other side from the mirror alone, so the lens corrects too much "
                  "for this mirror";
  }
  return text;
}

// The exact null: from the run's distances when its search converged (or,
// when the host asks, wherever it was stopped), else (or when that fails)
// from starts of its own, keeping the one of least P-V. Its wavefront is
// measured there.
void CheckExactNull(const SolvedSetUp& input, const CancelToken* cancel,
                    const ExactCheckOptions& options, ExactCheckResult& result) {
  auto& null = result.exactNull;
  const bool fromRun =
      input.hasRunDistances && (input.searchConverged || options.startFromStoppedSearch);
  if (fromRun && NullFrom(input, input.objectDistance, input.lensMirrorDistance, cancel, null)) {
    return;
  }
  if (CancelRequested(cancel)) {
    result.cancelled = true;
    return;
  }
  if (!options.ownStarts) return;
  const ExactNullStarts starts = FindExactNullStarts(input.system, cancel, options.ownStartSamples);
  if (starts.cancelled || CancelRequested(cancel)) {
    result.cancelled = true;
    null.why = Cancelled().what;
    return;
  }
  std::optional<ExactCheckResult::ExactNull> best;
  std::string lastWhy;
  for (const ExactNullStart& start : starts.starts) {
    ExactCheckResult::ExactNull candidate;
    if (NullFrom(input, start.objectDistance, start.lensMirrorDistance, cancel, candidate)) {
      if (!best || candidate.pvWaves < best->pvWaves) best = candidate;
    } else {
      lastWhy = candidate.why;
    }
    if (CancelRequested(cancel)) {
      result.cancelled = true;
      return;
    }
  }
  if (best) {
    null = *best;
    null.ownStart = true;
    return;
  }
  null = ExactCheckResult::ExactNull{};
  null.ownStart = true;
  null.why = starts.starts.empty() ? NoNullText(starts, input)
                                   : "no start between the sampled spacings converged: " + lastWhy;
}

ExactCheckResult Check(const SolvedSetUp& input, const CancelToken* cancel,
                       const ExactCheckOptions& options) {
  ExactCheckResult result;
  result.wavelengthMicrons = input.wavelengthMicrons;
  result.lensClearSemiDiameter = input.lensClearSemiDiameter;
  // The mirror and the lens are checked first; distances the run could not
  // give (its search failed, or ended where no set-up can be built) leave
  // the exact null to be sought from its own start.
  SolvedSetUp runSetUp = input;
  runSetUp.hasRunDistances = input.hasRunDistances && SetUpProblem(input).empty();
  SolvedSetUp checked = input;
  checked.objectDistance = checked.lensMirrorDistance = 1.0;
  if (const std::string problem = SetUpProblem(checked); !problem.empty()) {
    result.why = problem;
    return result;
  }
  if (runSetUp.hasRunDistances) {
    CheckRunSetUp(runSetUp, cancel, result);
    if (result.cancelled) return result;
  } else {
    result.why =
        input.hasRunDistances ? SetUpProblem(input) : "the run's search ended without distances";
  }
  // The exact null is sought even when the run's set-up could not be
  // measured: the rays that fix it may still trace, and it is then the set-up
  // to recommend.
  CheckExactNull(runSetUp, cancel, options, result);
  return result;
}

}  // namespace

ExactWavefront MeasureExactWavefront(const SolvedSetUp& input, double objectDistance,
                                     double lensMirrorDistance, const CancelToken* cancel) {
  ExactWavefront result;
  if (!(objectDistance > 0.0) || !(lensMirrorDistance > 0.0)) {
    result.why = "a distance is not positive";
    return result;
  }
  SetUpAnalysis setUp;
  try {
    if (auto problem = AnalyseSetUp(input.system, objectDistance, lensMirrorDistance,
                                    input.wavelengthMicrons, kExactNullZoneSteps, cancel, setUp)) {
      result.cancelled = problem->cancelled;
      result.why = Describe(*problem, input.inchUnits);
      return result;
    }
  } catch (const std::exception& failure) {
    result.why = std::string("the exact trace failed: ") + failure.what();
    return result;
  }
  result.ok = true;
  result.pvWaves = setUp.atFocus.pvWaves;
  result.rmsWaves = setUp.atFocus.rmsWaves;
  result.bestFocusOffset = -objectDistance - setUp.focusZ;
  return result;
}

ExactCheckResult RunExactCheck(const SolvedSetUp& input, const CancelToken* cancel,
                               const ExactCheckOptions& options) {
  ExactCheckResult result;
  try {
    result = Check(input, cancel, options);
  } catch (const std::exception& failure) {
    // Only the standard library can throw here (memory); say so rather than
    // take the host down.
    result = ExactCheckResult{};
    result.wavelengthMicrons = input.wavelengthMicrons;
    result.why = std::string("the exact check failed: ") + failure.what();
  }
  if (CancelRequested(cancel)) result.cancelled = true;
  result.verdict = JudgeSetUp(input, result);
  return result;
}

}  // namespace vn
