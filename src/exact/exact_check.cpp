// The exact check of a solved null-test set-up: zones, wavefront, best
// focus, lens heights and the exact null.
#include "exact/exact_check.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <optional>

#include "common/arithmetic.h"
#include "common/number_text.h"
#include "exact/scalar_search.h"

namespace vn {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kMicronsPerInch = 25400.0;

// The rays that fix the exact null and the drawn rays, as fractions of the
// mirror's edge height.
constexpr double kNearAxisFraction = 0.1;
constexpr double kDrawnFractions[3] = {1.0, 0.7, 0.1};
// The centre zone's axis intercept is the near-paraxial one, taken from a ray
// this close to the axis (its wavefront error is zero by definition).
constexpr double kParaxialFraction = 0.001;

// One zone's ray as it leaves the lens toward the source.
struct ZoneRay {
  double fraction = 0;
  double mirrorHeight = 0;
  double interceptZ = 0;
  VectorRay returning;
};

struct Wavefront {
  double pvWaves = 0;
  double rmsWaves = 0;
};

// Everything the check derives from one set-up.
struct SetUpAnalysis {
  std::vector<ZoneRay> zones;
  VectorRay chief;  // the axial ray back at the lens's source-side vertex
  double focusZ = 0;
  std::vector<double> opdAtFocus;  // waves, per zone from the centre
  std::vector<double> opdAtSource;
  Wavefront atFocus;
  Wavefront atSource;
  std::array<double, 4> marginalLensHeights{};
};

std::string Percent(double fraction) { return GeneralNumber(Round(100.0 * fraction, 1)) + "%"; }

// Traces the ray that meets the mirror at the given fraction of its edge
// height out and back; nothing when it cannot be traced.
std::optional<DoublePassRay> TraceZone(const FoldedSystem& folded, double edgeHeight,
                                       double fraction) {
  const auto angle = AimAtMirrorHeight(folded, fraction * edgeHeight);
  if (!angle) return std::nullopt;
  DoublePassRay ray = TraceFoldedRay(folded, *angle);
  if (!ray.complete) return std::nullopt;
  return ray;
}

// The optical path of a returning ray up to the reference sphere centred on
// the axial point focusZ that passes through the lens's source-side vertex
// (z = 0). The crossing is the root of s² + 2·b·s + c = 0 nearer the ray's
// point, with c = |P − F|² − ρ² written as z·(z − 2·zF) + y² so that the
// large radius ρ = −zF cancels exactly instead of in rounding.
std::optional<double> PathToReferenceSphere(const VectorRay& ray, double focusZ) {
  const double b = ray.dz * (ray.z - focusZ) + ray.dy * ray.y;
  const double c = ray.z * (ray.z - 2.0 * focusZ) + ray.y * ray.y;
  const double discriminant = b * b - c;
  if (discriminant < 0.0) return std::nullopt;
  const double root = std::sqrt(discriminant);
  const double denominator = b < 0.0 ? b - root : b + root;
  if (denominator == 0.0) return ray.opticalPath;
  return ray.opticalPath - c / denominator;
}

// Wavefront error of every zone about the focus point, in waves; zone 0 is
// the axial ray and has none.
std::optional<std::vector<double>> ZoneOpd(const SetUpAnalysis& setUp, double focusZ,
                                           double wavelengthMicrons) {
  const auto chiefPath = PathToReferenceSphere(setUp.chief, focusZ);
  if (!chiefPath) return std::nullopt;
  std::vector<double> opd(setUp.zones.size() + 1, 0.0);
  for (std::size_t i = 0; i < setUp.zones.size(); ++i) {
    const auto path = PathToReferenceSphere(setUp.zones[i].returning, focusZ);
    if (!path) return std::nullopt;
    opd[i + 1] = (*path - *chiefPath) * kMicronsPerInch / wavelengthMicrons;
  }
  return opd;
}

// P-V over all zones; RMS over the mirror's area. The zones are equally
// spaced in radius r, so the area integral ∫W·r dr is taken by the trapezoid
// rule: weight r for each inner zone, r/2 at the edge, nothing at the centre.
Wavefront Measure(const std::vector<double>& opd) {
  const std::size_t last = opd.size() - 1;
  double weightSum = 0.0, mean = 0.0;
  for (std::size_t i = 1; i <= last; ++i) {
    const double weight = i == last ? 0.5 * static_cast<double>(i) : static_cast<double>(i);
    weightSum += weight;
    mean += weight * opd[i];
  }
  mean /= weightSum;
  double variance = 0.0;
  for (std::size_t i = 1; i <= last; ++i) {
    const double weight = i == last ? 0.5 * static_cast<double>(i) : static_cast<double>(i);
    const double deviation = opd[i] - mean;
    variance += weight * deviation * deviation;
  }
  const auto [low, high] = std::minmax_element(opd.begin(), opd.end());
  return {*high - *low, std::sqrt(variance / weightSum)};
}

double RmsAbout(const SetUpAnalysis& setUp, double focusZ, double wavelengthMicrons) {
  const auto opd = ZoneOpd(setUp, focusZ, wavelengthMicrons);
  if (!opd) return HUGE_VAL;
  return Measure(*opd).rmsWaves;
}

// The axial point about which the wavefront's RMS is least. The RMS is a
// smooth, single-minimum function of the focus position (defocus adds a
// nearly quadratic term), so a coarse scan locates the valley and a golden
// section search narrows it.
std::optional<double> FindBestFocus(const SetUpAnalysis& setUp, double sourceZ,
                                    double wavelengthMicrons) {
  double spread = 0.0;
  for (const ZoneRay& zone : setUp.zones)
    spread = std::max(spread, std::fabs(zone.interceptZ - sourceZ));
  double halfWidth = 2.0 * spread + 1e-6;
  constexpr int kScanSteps = 40;
  for (int widen = 0; widen < 12; ++widen) {
    int bestStep = 0;
    double bestRms = HUGE_VAL;
    const double step = 2.0 * halfWidth / kScanSteps;
    for (int i = 0; i <= kScanSteps; ++i) {
      const double rms = RmsAbout(setUp, sourceZ - halfWidth + i * step, wavelengthMicrons);
      if (rms < bestRms) {
        bestRms = rms;
        bestStep = i;
      }
    }
    if (!std::isfinite(bestRms)) return std::nullopt;
    if (bestStep > 0 && bestStep < kScanSteps) {
      const double low = sourceZ - halfWidth + (bestStep - 1) * step;
      const double high = sourceZ - halfWidth + (bestStep + 1) * step;
      return MinimiseBracketed([&](double z) { return RmsAbout(setUp, z, wavelengthMicrons); }, low,
                               high, 1e-12);
    }
    halfWidth *= 4.0;  // the valley lies outside the scan: widen it
  }
  return std::nullopt;
}

// Traces every zone of one set-up and measures its wavefront. Fails with a
// message naming the first zone that could not be traced.
SetUpAnalysis AnalyseSetUp(const NullTestSystem& system, double objectDistance,
                           double lensMirrorDistance, double wavelengthMicrons) {
  const FoldedSystem folded = MakeFoldedSystem(system, objectDistance, lensMirrorDistance);
  const double edge = system.MirrorSemiDiameter;
  SetUpAnalysis setUp;

  const DoublePassRay chief = TraceFoldedRay(folded, 0.0);
  if (!chief.complete) throw RunFailure(FailureKind::Arithmetic, "the axial ray cannot be traced");
  setUp.chief = chief.returning;

  for (int i = 1; i <= kExactCheckZoneSteps; ++i) {
    const double fraction = static_cast<double>(i) / kExactCheckZoneSteps;
    const auto ray = TraceZone(folded, edge, fraction);
    const auto crossing = ray ? AxisCrossing(ray->returning) : std::nullopt;
    if (!crossing) {
      throw RunFailure(FailureKind::Arithmetic,
                       "the ray to the " + Percent(fraction) +
                           " zone of the mirror cannot be traced through the lens and back");
    }
    setUp.zones.push_back({fraction, ray->mirrorHeight, *crossing, ray->returning});
    if (i == kExactCheckZoneSteps) setUp.marginalLensHeights = ray->lensHeights;
  }

  const auto focusZ = FindBestFocus(setUp, folded.sourceZ, wavelengthMicrons);
  if (!focusZ) throw RunFailure(FailureKind::Arithmetic, "no best-focus point was found");
  setUp.focusZ = *focusZ;
  const auto atFocus = ZoneOpd(setUp, setUp.focusZ, wavelengthMicrons);
  const auto atSource = ZoneOpd(setUp, folded.sourceZ, wavelengthMicrons);
  if (!atFocus || !atSource)
    throw RunFailure(FailureKind::Arithmetic, "the wavefront cannot be measured");
  setUp.opdAtFocus = *atFocus;
  setUp.opdAtSource = *atSource;
  setUp.atFocus = Measure(setUp.opdAtFocus);
  setUp.atSource = Measure(setUp.opdAtSource);
  return setUp;
}

// Where the marginal and the near-axis rays come back, inches beyond the
// source: the two numbers the exact null drives to zero.
std::optional<std::array<double, 2>> ReturnErrors(const NullTestSystem& system, double D,
                                                  double d2) {
  if (!(D > 0.0) || !(d2 > 0.0)) return std::nullopt;
  const FoldedSystem folded = MakeFoldedSystem(system, D, d2);
  std::array<double, 2> errors{};
  const double fractions[2] = {1.0, kNearAxisFraction};
  for (int i = 0; i < 2; ++i) {
    const auto ray = TraceZone(folded, system.MirrorSemiDiameter, fractions[i]);
    if (!ray) return std::nullopt;
    const auto crossing = AxisCrossing(ray->returning);
    if (!crossing) return std::nullopt;
    errors[i] = folded.sourceZ - *crossing;
  }
  return errors;
}

double Size(const std::array<double, 2>& e) { return std::sqrt(e[0] * e[0] + e[1] * e[1]); }

// Damped Newton's method in (D, d2) on the two return errors, with a
// forward-difference Jacobian and a backtracking line search on their size.
ExactCheckResult::ExactNull SolveExactNull(const NullTestSystem& system, double D, double d2) {
  ExactCheckResult::ExactNull null;
  constexpr int kMaxIterations = 40;
  constexpr double kTolerance = 1e-10;  // inches; far below any shop measurement
  constexpr double kStalledStep = 1e-11;

  auto errors = ReturnErrors(system, D, d2);
  if (!errors) {
    null.message = "the marginal or the near-axis ray cannot be traced at the run's distances";
    return null;
  }
  for (int iteration = 1; iteration <= kMaxIterations; ++iteration) {
    null.iterations = iteration;
    if (Size(*errors) <= kTolerance) {
      null.converged = true;
      break;
    }
    // Jacobian by forward differences, steps a millionth of each distance.
    const double hD = 1e-6 * std::max(1.0, D);
    const double hd2 = 1e-6 * std::max(1.0, d2);
    const auto alongD = ReturnErrors(system, D + hD, d2);
    const auto alongD2 = ReturnErrors(system, D, d2 + hd2);
    if (!alongD || !alongD2) {
      null.message = "a ray could not be traced while measuring the slopes";
      break;
    }
    const double j11 = ((*alongD)[0] - (*errors)[0]) / hD;
    const double j21 = ((*alongD)[1] - (*errors)[1]) / hD;
    const double j12 = ((*alongD2)[0] - (*errors)[0]) / hd2;
    const double j22 = ((*alongD2)[1] - (*errors)[1]) / hd2;
    const double det = j11 * j22 - j12 * j21;
    if (!std::isfinite(det) || det == 0.0) {
      null.message = "the two return errors do not depend independently on the two distances";
      break;
    }
    const double stepD = -((*errors)[0] * j22 - (*errors)[1] * j12) / det;
    const double stepD2 = -(j11 * (*errors)[1] - j21 * (*errors)[0]) / det;
    if (!std::isfinite(stepD) || !std::isfinite(stepD2)) {
      null.message = "the Newton step is not a finite number";
      break;
    }

    // Backtrack until the errors shrink.
    double lambda = 1.0;
    bool accepted = false;
    for (int halving = 0; halving < 30; ++halving, lambda *= 0.5) {
      const double trialD = D + lambda * stepD;
      const double trialD2 = d2 + lambda * stepD2;
      const auto trial = ReturnErrors(system, trialD, trialD2);
      if (trial && Size(*trial) < (1.0 - 1e-4 * lambda) * Size(*errors)) {
        D = trialD;
        d2 = trialD2;
        errors = trial;
        accepted = true;
        break;
      }
    }
    if (!accepted) {
      // At the limit of the arithmetic no step improves; accept the result
      // when it is already close, otherwise report the stall.
      if (Size(*errors) <= 1e3 * kTolerance) {
        null.converged = true;
      } else {
        null.message = "no step along the Newton direction reduces the return errors";
      }
      break;
    }
    if (std::fabs(lambda * stepD) < kStalledStep && std::fabs(lambda * stepD2) < kStalledStep &&
        Size(*errors) <= 1e3 * kTolerance) {
      null.converged = true;
      break;
    }
  }
  if (!null.converged && null.message.empty()) {
    null.message = "no exact null within " + std::to_string(kMaxIterations) + " iterations";
  }
  null.objectDistance = D;
  null.lensMirrorDistance = d2;
  return null;
}

// Why the entries cannot describe a set-up to trace, or an empty text.
std::string InputProblem(const ExactCheckInput& input) {
  const NullTestSystem& s = input.system;
  const double numbers[] = {s.MirrorSemiDiameter,
                            s.MirrorRadius,
                            s.ConicPlusOne,
                            s.LensRadius1,
                            s.LensRadius2,
                            s.LensThickness,
                            s.LensIndex,
                            input.objectDistance,
                            input.lensMirrorDistance,
                            input.wavelengthMicrons,
                            input.lensClearSemiDiameter};
  for (double x : numbers) {
    if (!std::isfinite(x)) return "an entry is not a finite number";
  }
  if (!(s.MirrorSemiDiameter > 0.0)) return "the mirror diameter must be positive";
  if (s.MirrorRadius == 0.0) return "the mirror radius must not be zero";
  if (s.LensRadius1 == 0.0 || s.LensRadius2 == 0.0) return "a lens radius must not be zero";
  if (!(s.LensThickness >= 0.0)) return "the lens thickness must not be negative";
  if (!(s.LensIndex > 0.0)) return "the lens index must be positive";
  if (!(input.objectDistance > 0.0)) return "the object distance must be positive";
  if (!(input.lensMirrorDistance > 0.0)) return "the lens-to-mirror distance must be positive";
  if (!(input.wavelengthMicrons > 0.0)) return "the wavelength must be positive";
  return {};
}

ExactCheckResult Check(const ExactCheckInput& input) {
  ExactCheckResult result;
  result.wavelengthMicrons = input.wavelengthMicrons;
  result.lensClearSemiDiameter = input.lensClearSemiDiameter;
  if (const std::string problem = InputProblem(input); !problem.empty()) {
    result.message = problem;
    return result;
  }
  const NullTestSystem& system = input.system;
  const double D = input.objectDistance;
  const double d2 = input.lensMirrorDistance;
  const double lambda = input.wavelengthMicrons;

  // The wavefront of the run's set-up.
  const SetUpAnalysis setUp = AnalyseSetUp(system, D, d2, lambda);
  const double sourceZ = -D;
  result.pvWaves = setUp.atFocus.pvWaves;
  result.rmsWaves = setUp.atFocus.rmsWaves;
  const double phase = 2.0 * kPi * result.rmsWaves;
  result.strehl = std::exp(-(phase * phase));
  result.bestFocusOffset = sourceZ - setUp.focusZ;
  result.pvWavesSource = setUp.atSource.pvWaves;
  result.rmsWavesSource = setUp.atSource.rmsWaves;

  // Zones, the centre first: its intercept is the near-paraxial one.
  const FoldedSystem folded = MakeFoldedSystem(system, D, d2);
  const auto paraxial = TraceZone(folded, system.MirrorSemiDiameter, kParaxialFraction);
  const auto paraxialZ = paraxial ? AxisCrossing(paraxial->returning) : std::nullopt;
  if (!paraxialZ) throw RunFailure(FailureKind::Arithmetic, "the near-axis ray cannot be traced");
  result.zones.push_back({0.0, 0.0, sourceZ - *paraxialZ, 0.0, 0.0});
  for (std::size_t i = 0; i < setUp.zones.size(); ++i) {
    const ZoneRay& zone = setUp.zones[i];
    result.zones.push_back({zone.fraction, zone.mirrorHeight, sourceZ - zone.interceptZ,
                            setUp.opdAtFocus[i + 1], setUp.opdAtSource[i + 1]});
  }

  // The marginal ray on the lens.
  result.lensHeights = setUp.marginalLensHeights;
  for (double h : result.lensHeights) {
    if (std::fabs(h) > input.lensClearSemiDiameter) result.lensHeightsExceedClearAperture = true;
  }

  // Paths to draw, each ending where it meets the axis near the source.
  for (double fraction : kDrawnFractions) {
    const auto ray = TraceZone(folded, system.MirrorSemiDiameter, fraction);
    const auto crossing = ray ? AxisCrossing(ray->returning) : std::nullopt;
    if (!crossing) continue;
    ExactRayPath path{fraction, ray->points};
    path.points.push_back({*crossing, 0.0});
    result.rayPaths.push_back(std::move(path));
  }

  // The exact null and its wavefront.
  result.exactNull = SolveExactNull(system, D, d2);
  if (result.exactNull.converged) {
    try {
      const SetUpAnalysis nulled = AnalyseSetUp(system, result.exactNull.objectDistance,
                                                result.exactNull.lensMirrorDistance, lambda);
      result.exactNull.pvWaves = nulled.atFocus.pvWaves;
      result.exactNull.rmsWaves = nulled.atFocus.rmsWaves;
    } catch (const RunFailure& failure) {
      result.exactNull.converged = false;
      result.exactNull.message = failure.what();
    }
  }
  result.ok = true;
  return result;
}

}  // namespace

ExactCheckResult RunExactCheck(const ExactCheckInput& input) {
  try {
    return Check(input);
  } catch (const RunFailure& failure) {
    ExactCheckResult result;
    result.message = failure.what();
    return result;
  } catch (const std::exception& failure) {
    ExactCheckResult result;
    result.message = std::string("the exact check failed: ") + failure.what();
    return result;
  } catch (...) {
    ExactCheckResult result;
    result.message = "the exact check failed";
    return result;
  }
}

}  // namespace vn
