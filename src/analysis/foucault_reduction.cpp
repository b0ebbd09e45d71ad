// Foucault zonal readings through the null, reduced to the mirror's conic
// and departure by exact traces through the lens.
#include "analysis/foucault_reduction.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "common/constants.h"
#include "common/number_text.h"
#include "engine/optics_primitives.h"

namespace vn {

namespace {

constexpr double kNmPerInch = kMmPerInch * 1e6;
constexpr int kMaxUnknowns = 2 + kFoucaultDepartureTerms;
using Matrix = std::array<std::array<double, kMaxUnknowns>, kMaxUnknowns>;

// A trial mirror: the conic constant's change from the design's and the
// departure's coefficients (inches) of ρ⁶, ρ⁸, …
struct TrialMirror {
  double deltaK = 0;
  std::vector<double> departure;
};

// The departure δ(y) toward the light and its slope dδ/dy, y in inches.
struct Departure {
  double height = 0, slope = 0;
};

Departure DepartureAt(const TrialMirror& mirror, double y, double semiDiameter) {
  Departure d;
  const double rho = y / semiDiameter;
  for (std::size_t j = 0; j < mirror.departure.size(); ++j) {
    const double power = 6.0 + 2.0 * static_cast<double>(j);
    d.height += mirror.departure[j] * std::pow(rho, power);
    d.slope += mirror.departure[j] * power * std::pow(rho, power - 1.0) / semiDiameter;
  }
  return d;
}

// Slope dz/dy of the conic c·(y² + k·z²) − 2·z = 0 (its sag is
// ConicSag(c, k, y)).
double ConicSlope(double c, double k, double y) {
  return c * y / std::sqrt(1.0 - k * c * c * y * y);
}

// One zone's ray as it leaves the lens toward the mirror: fixed for every
// trial mirror, since the mirror does not change the outward path.
struct OutwardRay {
  VectorRay ray;
};

// Where the zone's returning ray crosses the axis (z, inches) for a trial
// mirror, or NaN when it does not come back through the lens.
double CrossingZ(const FoldedSystem& system, const OutwardRay& outward, const TrialMirror& mirror,
                 double semiDiameter) {
  VectorRay ray = outward.ray;
  ConicSurface conic = system.mirror;
  conic.conicPlusOne = system.mirror.conicPlusOne + mirror.deltaK;
  if (MoveToSurface(ray, conic, 1.0) != TraceFault::None) return kNotComputed;
  const double c = conic.curvature, k = conic.conicPlusOne;

  // The surface z = vertex + sag(y) − δ(y): from the conic's point, Newton's
  // method along the ray; the departure is a few wavelengths, so the
  // conic's point is within a micron of the root and three steps settle it.
  double s = 0.0;
  for (int step = 0; step < 4; ++step) {
    const double y = ray.y + s * ray.dy;
    const Departure d = DepartureAt(mirror, y, semiDiameter);
    const double f = ray.z + s * ray.dz - conic.vertexZ - ConicSag(c, k, y) + d.height;
    const double df = ray.dz - (ConicSlope(c, k, y) - d.slope) * ray.dy;
    if (!(df != 0.0)) return kNotComputed;
    s -= f / df;
  }
  ray.z += s * ray.dz;
  ray.y += s * ray.dy;
  if (!std::isfinite(ray.z) || !std::isfinite(ray.y)) return kNotComputed;

  // Reflect about the surface's normal, along the gradient (1, −dz/dy).
  const double slope = ConicSlope(c, k, ray.y) - DepartureAt(mirror, ray.y, semiDiameter).slope;
  const double length = std::sqrt(1.0 + slope * slope);
  const double nz = 1.0 / length, ny = -slope / length;
  const double cosI = nz * ray.dz + ny * ray.dy;
  ray.dz = ray.dz - 2.0 * cosI * nz;
  ray.dy = ray.dy - 2.0 * cosI * ny;
  if (!(ray.dz < 0.0)) return kNotComputed;

  // Back through the lens: mirror-side face into the glass, source-side out.
  const double n = system.lensIndex;
  if (MoveToSurface(ray, system.lensBack, 1.0) != TraceFault::None ||
      RefractAt(ray, system.lensBack, 1.0, n) != TraceFault::None ||
      MoveToSurface(ray, system.lensFront, n) != TraceFault::None ||
      RefractAt(ray, system.lensFront, n, 1.0) != TraceFault::None || !(ray.dz < 0.0)) {
    return kNotComputed;
  }
  const std::optional<double> z = AxisCrossing(ray);
  return z ? *z : kNotComputed;
}

// Solves A·x = b by Gaussian elimination with partial pivoting, and inverts
// A alongside; false when A is singular to working precision.
bool SolveAndInvert(Matrix a, std::vector<double>& b, Matrix& inverse, int n) {
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) inverse[i][j] = i == j ? 1.0 : 0.0;
  }
  for (int col = 0; col < n; ++col) {
    int pivot = col;
    for (int r = col + 1; r < n; ++r) {
      if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
    }
    if (!(std::fabs(a[pivot][col]) > 1e-14)) return false;
    std::swap(a[col], a[pivot]);
    std::swap(inverse[col], inverse[pivot]);
    std::swap(b[col], b[pivot]);
    for (int r = 0; r < n; ++r) {
      if (r == col) continue;
      const double f = a[r][col] / a[col][col];
      for (int j = 0; j < n; ++j) {
        a[r][j] -= f * a[col][j];
        inverse[r][j] -= f * inverse[col][j];
      }
      b[r] -= f * b[col];
    }
  }
  for (int r = 0; r < n; ++r) {
    b[r] /= a[r][r];
    for (int j = 0; j < n; ++j) inverse[r][j] /= a[r][r];
  }
  return true;
}

// The fitted mirror's height over the design's, toward the light, inches.
double SurfaceChange(const FoldedSystem& system, const TrialMirror& mirror, double y,
                     double semiDiameter) {
  const double c = system.mirror.curvature, k = system.mirror.conicPlusOne;
  return ConicSag(c, k, y) - ConicSag(c, k + mirror.deltaK, y) +
         DepartureAt(mirror, y, semiDiameter).height;
}

}  // namespace

FoucaultCsv ReadFoucaultCsv(std::string_view text) {
  FoucaultCsv csv;
  std::size_t lineNumber = 0;
  bool headerSeen = false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
    const std::size_t comma = line.find_first_of(",;\t");
    std::optional<double> radius, knife;
    if (comma != std::string_view::npos && line.find_first_of(",;\t", comma + 1) == line.npos) {
      radius = ReadNumber(line.substr(0, comma));
      knife = ReadNumber(line.substr(comma + 1));
    }
    const bool header = !headerSeen;
    headerSeen = true;
    if (radius && knife) {
      csv.readings.push_back({*radius, *knife});
    } else if (!header) {
      csv.why = "line " + std::to_string(lineNumber) +
                " is not a zone's radius and a reading, two numbers separated by a comma";
      return csv;
    }
  }
  if (csv.readings.empty()) csv.why = "it holds no readings below its header line";
  return csv;
}

std::vector<double> CouderZoneRadii(double semiDiameter, int count) {
  std::vector<double> radii;
  for (int k = 0; k < count; ++k) {
    const double inner = semiDiameter * std::sqrt(static_cast<double>(k) / count);
    const double outer = semiDiameter * std::sqrt(static_cast<double>(k + 1) / count);
    radii.push_back(0.5 * (inner + outer));
  }
  return radii;
}

FoucaultReduction ReduceFoucaultReadings(const SolvedSetUp& setUp,
                                         std::vector<FoucaultReading> readings,
                                         const CancelToken* cancel) {
  FoucaultReduction result;
  const NullTestSystem& s = setUp.system;
  result.objectDistance = setUp.objectDistance;
  result.lensMirrorDistance = setUp.lensMirrorDistance;
  result.wavelengthMicrons = setUp.wavelengthMicrons;
  result.mirrorSemiDiameter = s.MirrorSemiDiameter;
  result.designConic = s.ConicPlusOne - 1.0;
  const auto stopped = [&] { return CancelRequested(cancel); };
  const auto fail = [&](std::string why) {
    result.ok = false;
    result.cancelled = stopped();
    result.why =
        result.cancelled ? "the Foucault reduction was stopped before it finished" : std::move(why);
    return result;
  };

  // Step 1: the readings, from the centre out; each zone once, on the mirror.
  std::sort(readings.begin(), readings.end(),
            [](const FoucaultReading& a, const FoucaultReading& b) {
              return a.zoneRadius < b.zoneRadius;
            });
  if (readings.size() < 3) return fail("at least three zones are needed to find the conic");
  for (std::size_t i = 0; i < readings.size(); ++i) {
    const FoucaultReading& r = readings[i];
    if (!std::isfinite(r.zoneRadius) || !std::isfinite(r.knife) || !(r.zoneRadius > 0.0) ||
        r.zoneRadius > s.MirrorSemiDiameter) {
      return fail("every zone's radius must lie on the mirror, between its centre and its edge");
    }
    if (i > 0 && r.zoneRadius == readings[i - 1].zoneRadius) {
      return fail("two readings are given for the same zone");
    }
  }
  if (const std::string problem = SetUpProblem(setUp); !problem.empty()) {
    return fail("the set-up as built cannot be traced: " + problem);
  }

  // Step 2: aim each zone's ray once, at its radius on the design's mirror,
  // and keep it as it leaves the lens.
  const FoldedSystem system = MakeFoldedSystem(s, setUp.objectDistance, setUp.lensMirrorDistance);
  const double semi = s.MirrorSemiDiameter;
  std::vector<OutwardRay> outward;
  for (const FoucaultReading& r : readings) {
    const Aim aim = AimAtMirrorHeight(system, r.zoneRadius, cancel);
    if (stopped()) return fail("");
    if (aim.failure.failed()) {
      return fail(TraceFailureText(aim.failure, r.zoneRadius / semi, setUp.inchUnits));
    }
    const DoublePassRay ray = TraceFoldedRay(system, aim.angle, true);
    if (ray.failure.failed()) {
      return fail(TraceFailureText(ray.failure, r.zoneRadius / semi, setUp.inchUnits));
    }
    // From the lens's mirror-side face, so that a trial mirror met before
    // the design's is still ahead of the ray.
    OutwardRay o;
    o.ray = ray.returning;
    o.ray.z = ray.points[2].z;
    o.ray.y = ray.points[2].y;
    outward.push_back(o);
  }

  const int zones = static_cast<int>(readings.size());
  // The model's readings for a trial: zero − crossing z.
  const auto crossings = [&](const TrialMirror& m, std::vector<double>& z) {
    z.resize(readings.size());
    for (std::size_t i = 0; i < readings.size(); ++i) {
      z[i] = CrossingZ(system, outward[i], m, semi);
      if (!std::isfinite(z[i])) return false;
    }
    return true;
  };

  // Step 3: a perfect mirror's crossings; the zero starts where they agree
  // with the readings on average.
  std::vector<double> perfect;
  if (!crossings(TrialMirror{}, perfect)) {
    return fail("a zone's ray does not come back through the lens from the design's mirror");
  }
  double startZero = 0.0;
  for (int i = 0; i < zones; ++i) startZero += readings[i].knife + perfect[i];
  startZero /= zones;
  for (int i = 0; i < zones; ++i) {
    FoucaultZone z;
    z.zoneRadius = readings[i].zoneRadius;
    z.knife = readings[i].knife;
    z.perfectReading = startZero - perfect[i];
    z.fromNull = readings[i].knife - z.perfectReading;
    result.zones.push_back(z);
  }

  // Step 4: Gauss-Newton for a given number of departure terms. Steps of the
  // central differences: ΔK by 1e-4 and each departure term by 1e-6 inch
  // (25 nm), both far above rounding in the crossings and small enough that
  // the model is linear across them.
  struct Fit {
    std::string problem;  // empty: the fit settled
    TrialMirror mirror;
    double zero = 0;
    std::vector<double> residual;
    double sumSquares = 0;
    Matrix inverse{};  // of the normal equations, unscaled
    int iterations = 0;
  };
  const auto fitWith = [&](int terms) {
    Fit fit;
    const int unknowns = 2 + terms;
    fit.mirror.departure.assign(static_cast<std::size_t>(terms), 0.0);
    fit.zero = startZero;
    const auto stepOf = [](int u) { return u == 1 ? 1e-4 : 1e-6; };
    const auto parameter = [](TrialMirror& m, int u) -> double& {
      return u == 1 ? m.deltaK : m.departure[static_cast<std::size_t>(u - 2)];
    };
    const char* lost = "a zone's ray does not come back through the lens from the fitted mirror";
    std::vector<std::vector<double>> jacobian(static_cast<std::size_t>(zones),
                                              std::vector<double>(unknowns, 0.0));
    fit.residual.assign(static_cast<std::size_t>(zones), 0.0);
    Matrix normal{};
    bool settled = false;
    constexpr int kMaxIterations = 20;
    for (int iteration = 1; iteration <= kMaxIterations && !settled; ++iteration) {
      if (stopped()) {
        fit.problem = "stopped";
        return fit;
      }
      fit.iterations = iteration;
      std::vector<double> z, plus, minus;
      if (!crossings(fit.mirror, z)) {
        fit.problem = lost;
        return fit;
      }
      for (int i = 0; i < zones; ++i) {
        fit.residual[i] = readings[i].knife - (fit.zero - z[i]);
        jacobian[i][0] = 1.0;
      }
      for (int u = 1; u < unknowns; ++u) {
        TrialMirror up = fit.mirror, down = fit.mirror;
        parameter(up, u) += stepOf(u);
        parameter(down, u) -= stepOf(u);
        if (!crossings(up, plus) || !crossings(down, minus)) {
          fit.problem = lost;
          return fit;
        }
        for (int i = 0; i < zones; ++i) jacobian[i][u] = -(plus[i] - minus[i]) / (2.0 * stepOf(u));
      }
      // Normal equations, columns scaled to unit length so that the zero,
      // ΔK and the departure (large: inches of reading per inch of height)
      // meet on equal terms.
      std::vector<double> scale(unknowns, 0.0), rhs(unknowns, 0.0);
      for (int u = 0; u < unknowns; ++u) {
        for (int i = 0; i < zones; ++i) scale[u] += jacobian[i][u] * jacobian[i][u];
        scale[u] = std::sqrt(scale[u]);
        if (!(scale[u] > 0.0)) {
          fit.problem = "the readings do not depend on the mirror's shape";
          return fit;
        }
      }
      for (int u = 0; u < unknowns; ++u) {
        for (int v = 0; v < unknowns; ++v) {
          double sum = 0.0;
          for (int i = 0; i < zones; ++i) sum += jacobian[i][u] * jacobian[i][v];
          normal[u][v] = sum / (scale[u] * scale[v]);
        }
        for (int i = 0; i < zones; ++i) rhs[u] += jacobian[i][u] * fit.residual[i];
        rhs[u] /= scale[u];
      }
      if (!SolveAndInvert(normal, rhs, fit.inverse, unknowns)) {
        fit.problem =
            "the zones cannot tell the conic from the departure: give zones spread from the "
            "centre to the edge";
        return fit;
      }
      fit.zero += rhs[0] / scale[0];
      for (int u = 1; u < unknowns; ++u) parameter(fit.mirror, u) += rhs[u] / scale[u];
      for (int u = 0; u < unknowns; ++u) {
        for (int v = 0; v < unknowns; ++v) fit.inverse[u][v] /= scale[u] * scale[v];
      }
      // Settled when the step moves ΔK by less than 1e-7 and the departure
      // by less than a thousandth of a nanometre.
      settled = std::fabs(rhs[1] / scale[1]) < 1e-7;
      for (int u = 2; u < unknowns; ++u) {
        settled = settled && std::fabs(rhs[u] / scale[u]) < 1e-3 / kNmPerInch;
      }
    }
    if (!settled) {
      fit.problem = "the fit of the readings did not settle";
      return fit;
    }
    std::vector<double> z;
    if (!crossings(fit.mirror, z)) {
      fit.problem = lost;
      return fit;
    }
    for (int i = 0; i < zones; ++i) {
      fit.residual[i] = readings[i].knife - (fit.zero - z[i]);
      fit.sumSquares += fit.residual[i] * fit.residual[i];
    }
    return fit;
  };

  // Step 5: as many departure terms as the readings ask for. ρ⁴, ρ⁶ and ρ⁸
  // look much alike over a handful of zones, so a term fitted to scatter
  // alone would trade with the conic and make its uncertainty tenfold. A
  // term is kept when it lowers the residuals by more than the scatter left
  // explains (an F-test at 99%: the square of Student's two-sided 99.5%
  // point for the degrees of freedom left) and by more than a reading can
  // resolve (a quarter of a micron per zone). The test is strict because a
  // term let in by chance takes the conic with it: the conic then moves
  // away from the truth by more than its uncertainty says. At least two
  // readings are always left over to measure the scatter.
  const int maxTerms = std::clamp(zones - 4, 0, kFoucaultDepartureTerms);
  std::vector<Fit> fits;
  for (int terms = 0; terms <= maxTerms; ++terms) {
    fits.push_back(fitWith(terms));
    if (!fits.back().problem.empty()) return fail(fits.back().problem);
  }
  // From the most terms down: the last term goes while it is not needed.
  // (Adding terms one by one from the conic would miss a zone that takes
  // ρ⁶ and ρ⁸ together, neither of which helps much alone.)
  int terms = maxTerms;
  while (terms > 0) {
    const Fit& fewer = fits[terms - 1];
    const Fit& more = fits[terms];
    const int dof = zones - 2 - terms;
    static constexpr double kStudent99[] = {63.66, 9.925, 5.841, 4.604, 4.032,
                                            3.707, 3.499, 3.355, 3.250, 3.169};
    const double t = dof <= 10 ? kStudent99[dof - 1] : 3.0;
    const double gain = fewer.sumSquares - more.sumSquares;
    const double resolvable = zones * 1e-5 * 1e-5;  // (1e-5 inch)² per zone
    if (gain > t * t * more.sumSquares / dof && gain > resolvable) break;
    --terms;
  }
  const Fit& best = fits[terms];
  result.iterations = best.iterations;
  result.degreesOfFreedom = zones - 2 - terms;
  const TrialMirror& trial = best.mirror;

  // Step 6: residuals and the uncertainties from their scatter.
  for (int i = 0; i < zones; ++i) result.zones[i].fitResidual = best.residual[i];
  result.rmsResidual = std::sqrt(best.sumSquares / zones);
  // The scatter is measured from a few readings only, so the standard
  // deviations are widened by Student's t: ± the uncertainty then holds the
  // true value 68% of the time (as ± one standard deviation would with the
  // scatter known), however few zones were read.
  static constexpr double kStudent68[] = {1.837, 1.321, 1.197, 1.142, 1.111, 1.091,
                                          1.077, 1.067, 1.059, 1.053, 1.048, 1.043};
  const int dof = result.degreesOfFreedom;
  const double widening = dof <= 12 ? kStudent68[dof - 1] : 1.0 + 0.5 / dof;
  const double variance = best.sumSquares / result.degreesOfFreedom * widening * widening;
  result.deltaK = trial.deltaK;
  result.conic = result.designConic + trial.deltaK;
  result.conicUncertainty = std::sqrt(variance * best.inverse[1][1]);
  for (int u = 2; u < 2 + terms; ++u) {
    result.departureNm.push_back(trial.departure[u - 2] * kNmPerInch);
    result.departureUncertaintyNm.push_back(std::sqrt(variance * best.inverse[u][u]) * kNmPerInch);
  }

  // Step 7: the profile, and the wavefront over the mirror's area: twice the
  // surface in waves, piston and focus removed by least squares in u = ρ²,
  // sampled at the midpoints of equal areas.
  double low = 0.0, high = 0.0;
  for (int j = 0; j <= kFoucaultProfileSteps; ++j) {
    const double y = semi * j / kFoucaultProfileSteps;
    const double nm = SurfaceChange(system, trial, y, semi) * kNmPerInch;
    result.profile.push_back({y, nm});
    low = std::min(low, nm);
    high = std::max(high, nm);
  }
  result.surfacePvNm = high - low;
  constexpr int kAreaSamples = 400;
  const double wavesPerInch = 2.0 * kMmPerInch * 1000.0 / setUp.wavelengthMicrons;
  std::vector<double> u(kAreaSamples), w(kAreaSamples);
  double su = 0, sw = 0, suu = 0, suw = 0;
  for (int i = 0; i < kAreaSamples; ++i) {
    u[i] = (i + 0.5) / kAreaSamples;
    w[i] = SurfaceChange(system, trial, semi * std::sqrt(u[i]), semi) * wavesPerInch;
    su += u[i], sw += w[i], suu += u[i] * u[i], suw += u[i] * w[i];
  }
  const double slope = (kAreaSamples * suw - su * sw) / (kAreaSamples * suu - su * su);
  const double offset = (sw - slope * su) / kAreaSamples;
  double wLow = 0, wHigh = 0, wSquares = 0;
  for (int i = 0; i < kAreaSamples; ++i) {
    const double left = w[i] - offset - slope * u[i];
    wLow = i == 0 ? left : std::min(wLow, left);
    wHigh = i == 0 ? left : std::max(wHigh, left);
    wSquares += left * left;
  }
  result.wavefrontPvWaves = wHigh - wLow;
  result.wavefrontRmsWaves = std::sqrt(wSquares / kAreaSamples);
  const double phase = 2.0 * kPi * result.wavefrontRmsWaves;
  result.strehl = std::exp(-phase * phase);
  result.ok = true;
  return result;
}

}  // namespace vn
