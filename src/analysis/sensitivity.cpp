// The sensitivity table, the equivalent conic error and its reverse.
#include "analysis/sensitivity.h"

#include <algorithm>
#include <cmath>

#include "common/cancel_token.h"
#include "common/failure.h"

namespace vn {

namespace {

// A change is found when its RMS is within this fraction of the target.
constexpr double kTargetTolerance = 1e-4;
constexpr int kExpansionSteps = 60;
constexpr int kNarrowingSteps = 60;

// Thrown out of the search when the host asks it to stop.

// Where the search for a parameter starts (a change far below any that
// matters, yet well above the wavefront's rounding) and how far it may go.
struct SearchRange {
  double probe;
  double limit;
};

SearchRange RangeOf(const SolvedSetUp& in, BuildParameter parameter, ChangeUnit unit) {
  switch (parameter) {
    case BuildParameter::ObjectDistance:
      return {1e-4, 0.5 * in.objectDistance};
    case BuildParameter::LensMirrorDistance:
      return {1e-3, 0.5 * in.lensMirrorDistance};
    case BuildParameter::LensThickness:
      return {1e-4, std::max(0.9 * in.system.LensThickness, 0.01)};
    case BuildParameter::SourceSideRadius:
    case BuildParameter::MirrorSideRadius:
      return unit == ChangeUnit::Fringes ? SearchRange{0.1, 1e5} : SearchRange{0.01, 50.0};
    case BuildParameter::LensIndex:
      return {1e-5, 0.2};
    case BuildParameter::Wavelength:
      return {1.0, 300.0};
    case BuildParameter::LensTilt:
      return {1e-3, 20.0};
    case BuildParameter::LensDecenter:
      return {1e-4, std::max(in.lensClearSemiDiameter, 0.5 * in.system.MirrorSemiDiameter)};
    case BuildParameter::SourceOffset:
      return {1e-4, 0.05 * in.objectDistance};
  }
  return {1e-4, 1.0};
}

double NominalOf(const SolvedSetUp& in, BuildParameter parameter) {
  switch (parameter) {
    case BuildParameter::ObjectDistance:
      return in.objectDistance;
    case BuildParameter::LensMirrorDistance:
      return in.lensMirrorDistance;
    case BuildParameter::LensThickness:
      return in.system.LensThickness;
    case BuildParameter::SourceSideRadius:
      return in.system.LensRadius1;
    case BuildParameter::MirrorSideRadius:
      return in.system.LensRadius2;
    case BuildParameter::LensIndex:
      return in.system.LensIndex;
    case BuildParameter::Wavelength:
      return in.wavelengthMicrons * 1000.0;
    default:
      return 0.0;
  }
}

class Search {
 public:
  Search(const ToleranceModel& model, BuildParameter parameter, double sign, double target,
         const CancelToken* cancel)
      : model_(model), parameter_(parameter), sign_(sign), target_(target), cancel_(cancel) {}

  // The change (a magnitude) whose wavefront change has the target RMS,
  // found by widening a bracket from `range.probe` along the linear estimate
  // and narrowing it by the Illinois variant of false position. A set-up
  // that cannot be traced counts as beyond the target, so the bracket
  // shrinks back onto the set-ups that can.
  std::optional<double> Find(const SearchRange& range) {
    double lo = 0.0, fLo = -target_;
    double hi = 0.0, fHi = HUGE_VAL;
    double x = range.probe;
    bool bracketed = false;
    for (int step = 0; step < kExpansionSteps && !bracketed; ++step) {
      const double f = Cost(x);
      if (!last_.ok && x == range.probe) return std::nullopt;
      if (last_.ok && std::fabs(f) <= kTargetTolerance * target_) return Found(x);
      if (f > 0.0) {
        hi = x, fHi = f, bracketed = true;
        break;
      }
      lo = x, fLo = f;
      if (x >= range.limit) {
        problem_ = "not reached within the search limit";
        return std::nullopt;
      }
      // The change grows about in proportion to the error: aim a little
      // beyond the linear estimate so that the next try brackets the target.
      const double growth = last_.rmsWaves > 0.0 ? 1.05 * target_ / last_.rmsWaves : 100.0;
      x = std::min(x * std::clamp(growth, 1.5, 100.0), range.limit);
    }
    if (!bracketed) return std::nullopt;

    int lastMoved = 0;  // +1 the high end moved last, −1 the low end
    for (int step = 0; step < kNarrowingSteps; ++step) {
      x = std::isfinite(fHi) ? hi - fHi * (hi - lo) / (fHi - fLo) : 0.5 * (lo + hi);
      if (!(x > lo && x < hi)) x = 0.5 * (lo + hi);
      const double f = Cost(x);
      if (last_.ok && std::fabs(f) <= kTargetTolerance * target_) return Found(x);
      if (f > 0.0) {
        hi = x, fHi = f;
        if (lastMoved == 1) fLo *= 0.5;
        lastMoved = 1;
      } else {
        lo = x, fLo = f;
        if (lastMoved == -1 && std::isfinite(fHi)) fHi *= 0.5;
        lastMoved = -1;
      }
      if (hi - lo <= 1e-9 * hi) break;
    }
    if (last_.ok) return Found(x);
    return std::nullopt;  // the bracket closed on the edge of the traceable set-ups
  }

  const PupilWavefront& last() const { return last_; }
  const PupilWavefront& found() const { return found_; }
  const std::string& problem() const { return problem_; }

 private:
  double Cost(double magnitude) {
    if (CancelRequested(cancel_)) throw Failure(FailureKind::Stopped, "stopped");
    last_ = model_.MeasureChange(BuildErrors::Single(parameter_, sign_ * magnitude));
    if (!last_.ok) {
      problem_ = "beyond a change of " + std::string(sign_ > 0 ? "+" : "-") +
                 "this size the set-up cannot be traced: " + last_.why;
      return HUGE_VAL;
    }
    return last_.rmsWaves - target_;
  }

  double Found(double x) {
    found_ = last_;
    problem_.clear();
    return x;
  }

  const ToleranceModel& model_;
  BuildParameter parameter_;
  double sign_;
  double target_;
  const CancelToken* cancel_;
  PupilWavefront last_;
  PupilWavefront found_;
  std::string problem_;
};

SensitivityRow RowOf(const ToleranceModel& model, BuildParameter parameter,
                     const BuildTolerances& tolerances, const CancelToken* cancel) {
  const SolvedSetUp& in = model.input();
  SensitivityRow row;
  row.parameter = parameter;
  row.unit = UnitOf(parameter, in);
  row.nominal = NominalOf(in, parameter);
  const SearchRange range = RangeOf(in, parameter, row.unit);
  row.searchLimit = range.limit;

  Search up(model, parameter, 1.0, kSensitivityTargetRmsWaves, cancel);
  Search down(model, parameter, -1.0, kSensitivityTargetRmsWaves, cancel);
  row.plus = up.Find(range);
  if (const auto magnitude = down.Find(range)) row.minus = -*magnitude;
  if (row.plus) {
    row.zernike = model.plan().fit.Fit(up.found().waves);
  } else if (row.minus) {
    row.zernike = model.plan().fit.Fit(down.found().waves);
  }
  if (!row.plus) row.why = "+: " + up.problem();
  if (!row.minus) row.why += (row.why.empty() ? "-: " : "; -: ") + down.problem();

  // The conic constant the mirror seems to have with the parameter off by
  // the tolerance, each way.
  row.tolerance = tolerances.For(parameter, row.unit);
  row.apparentConicPlus = row.apparentConicMinus = model.conicConstant();
  if (row.tolerance > 0.0) {
    for (double sign : {1.0, -1.0}) {
      if (CancelRequested(cancel)) throw Failure(FailureKind::Stopped, "stopped");
      const PupilWavefront change =
          model.MeasureChange(BuildErrors::Single(parameter, sign * row.tolerance));
      if (!change.ok) {
        row.why += (row.why.empty() ? "" : "; ") +
                   std::string("at the tolerance the set-up cannot be traced: ") + change.why;
        continue;
      }
      (sign > 0 ? row.apparentConicPlus : row.apparentConicMinus) +=
          model.ApparentConicChange(change.waves);
    }
  }
  return row;
}

}  // namespace

SensitivityTable ComputeSensitivities(const ToleranceModel& model,
                                      const BuildTolerances& tolerances,
                                      const CancelToken* cancel) {
  SensitivityTable table;
  table.wavelengthMicrons = model.input().wavelengthMicrons;
  table.rays = static_cast<int>(model.plan().points.size());
  table.conicConstant = model.conicConstant();
  if (!model.ok()) {
    table.why = model.message();
    return table;
  }
  if (model.indexPerMicron() != 0.0) table.dispersionGlass = model.input().glassName;
  table.designPvWaves = model.design().pvWaves;
  table.designRmsWaves = model.design().rmsWaves;
  try {
    for (int k = 0; k < kBuildParameterCount; ++k) {
      table.rows.push_back(RowOf(model, ParameterAt(k), tolerances, cancel));
    }
  } catch (const Failure& failure) {
    if (failure.kind() != FailureKind::Stopped) throw;
    table.cancelled = true;
    table.why = "stopped before the table was complete";
    return table;
  }
  table.ok = true;
  return table;
}

std::optional<double> BestNullSpacingChange(const ToleranceModel& model, double conicChange,
                                            std::string* problem) {
  // Near the null the wavefront changes in proportion to the spacing, so
  // its mean square is a parabola in the spacing: the vertex of the parabola
  // through three points is the answer up to the small cubic part, and a
  // second or third parabola, narrower, removes that. The spread never goes
  // below 1e-3 inch, where the aim's noise in RMS² (about 1e-9 wave²) would
  // start to move the vertex.
  constexpr double kFirstSpread = 0.04;  // inches, about 1 mm
  constexpr double kLeastSpread = 1e-3;
  constexpr double kSettled = 1e-6;  // inches
  constexpr int kParabolas = 20;
  const auto meanSquare = [&](double change) -> std::optional<double> {
    BuildErrors errors = BuildErrors::Single(BuildParameter::LensMirrorDistance, change);
    errors.conicConstant = conicChange;
    const PupilWavefront w = model.Measure(errors);
    if (!w.ok) {
      if (problem != nullptr) *problem = w.why;
      return std::nullopt;
    }
    return w.rmsWaves * w.rmsWaves;
  };
  double x = 0.0, spread = kFirstSpread;
  auto centre = meanSquare(x);
  for (int step = 0; step < kParabolas && centre; ++step) {
    const auto below = meanSquare(x - spread), above = meanSquare(x + spread);
    if (!below || !above) return std::nullopt;
    const double curvature = *above - 2.0 * *centre + *below;
    double move = 0.0;
    if (curvature > 0.0) {
      move = -0.5 * spread * (*above - *below) / curvature;
      move = std::clamp(move, -4.0 * spread, 4.0 * spread);
    } else {
      move = (*above < *below ? 1.0 : -1.0) * 2.0 * spread;  // not yet in the valley
    }
    x += move;
    if (std::fabs(move) <= kSettled) return x;
    spread = std::clamp(std::fabs(move), kLeastSpread, spread);
    centre = meanSquare(x);
  }
  if (problem != nullptr && centre) *problem = "the spacing of least RMS did not settle";
  return std::nullopt;
}

ConicFromSpacing ConicFromBestNullSpacing(const ToleranceModel& model, double measuredSpacing) {
  ConicFromSpacing result;
  result.measuredSpacing = measuredSpacing;
  result.spacingChange = measuredSpacing - model.input().lensMirrorDistance;
  if (!model.ok()) {
    result.why = model.message();
    return result;
  }
  if (!(measuredSpacing > 0.0) || !std::isfinite(measuredSpacing)) {
    result.why = "the measured spacing must be a positive length";
    return result;
  }

  // Where a mirror of the design's K nulls best: the computed spacing comes
  // from the run's series trace, the exact best null lies a little off it.
  std::string problem;
  const auto designBest = BestNullSpacingChange(model, 0.0, &problem);
  if (!designBest) {
    result.why = "the best null of the design cannot be found: " + problem;
    return result;
  }
  result.designBestSpacing = model.input().lensMirrorDistance + *designBest;

  // The secant method on K until the best null lies at the measured
  // spacing. The first step takes the apparent conic of the spacing's
  // offset from the design's best null: a mirror off by that much in K is
  // what a spacing error is mistaken for.
  const double target = result.spacingChange;
  const auto offset = [&](double conicChange) -> std::optional<double> {
    const auto best = BestNullSpacingChange(model, conicChange, &problem);
    if (!best) return std::nullopt;
    return *best - target;
  };
  const PupilWavefront seen = model.MeasureChange(
      BuildErrors::Single(BuildParameter::LensMirrorDistance, target - *designBest));
  if (!seen.ok) {
    result.why = "the set-up at that spacing cannot be traced: " + seen.why;
    return result;
  }
  double k0 = 0.0, g0 = *designBest - target;
  double k1 = -model.ApparentConicChange(seen.waves);
  constexpr int kSecantSteps = 20;
  constexpr double kSettled = 1e-5;  // inches of best-null spacing: far below a tape's reading
  for (int step = 1; step <= kSecantSteps; ++step) {
    result.iterations = step;
    if (std::fabs(g0) <= kSettled) {
      result.ok = true;
      result.conicConstant = model.conicConstant() + k0;
      return result;
    }
    const auto g1 = offset(k1);
    if (!g1) {
      result.why = "the set-up with the changed mirror cannot be traced: " + problem;
      return result;
    }
    if (std::fabs(*g1) <= kSettled || *g1 == g0) {
      result.ok = true;
      result.conicConstant = model.conicConstant() + k1;
      return result;
    }
    const double k2 = k1 - *g1 * (k1 - k0) / (*g1 - g0);
    k0 = k1, g0 = *g1, k1 = k2;
  }
  result.why =
      "the conic constant did not settle within " + std::to_string(kSecantSteps) + " steps";
  return result;
}

}  // namespace vn
