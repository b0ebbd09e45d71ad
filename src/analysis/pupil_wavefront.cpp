// The wavefront over the whole mirror about the best reference point.
#include "analysis/pupil_wavefront.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <optional>
#include <utility>

#include "analysis/ray_lanes.h"
#include "common/constants.h"
#include "common/number_text.h"
#include "engine/optics_primitives.h"

namespace vn {

namespace {

// Aiming: a ray of a measured set-up counts as on its point when it meets
// the mirror within this fraction of the semi-diameter. The wavefront it
// carries then stands for a point at most 1e-6 of the pupil's radius away,
// which moves a residual of a few waves per pupil radius by a few millionths
// of a wave. The design's rays, aimed once, are aimed to rounding.
constexpr double kAimTolerance = 1e-6;
constexpr double kPlanAimTolerance = 1e-12;
constexpr int kChordSteps = 8;
constexpr int kNewtonSteps = 30;
// Step of the slopes for the finite-difference Jacobian of the aim.
constexpr double kSlopeStep = 1e-7;

// A Gauss-Newton step of the reference point shorter than this (inches) is
// the last: the wavefront about the new point is then taken to first order
// from the one about the old. What that leaves out grows as the step's
// square over the sphere's radius, under 1e-8 wave here.
constexpr double kLastStep = 1e-6;
constexpr int kReferenceSteps = 30;

// A 3×3 linear system by Gaussian elimination with partial pivoting; false
// when it is singular.
bool Solve3(std::array<std::array<double, 3>, 3> a, std::array<double, 3> b,
            std::array<double, 3>& x) {
  for (int col = 0; col < 3; ++col) {
    int pivot = col;
    for (int row = col + 1; row < 3; ++row) {
      if (std::fabs(a[row][col]) > std::fabs(a[pivot][col])) pivot = row;
    }
    if (a[pivot][col] == 0.0) return false;
    std::swap(a[col], a[pivot]);
    std::swap(b[col], b[pivot]);
    for (int row = col + 1; row < 3; ++row) {
      const double factor = a[row][col] / a[col][col];
      for (int k = col; k < 3; ++k) a[row][k] -= factor * a[col][k];
      b[row] -= factor * b[col];
    }
  }
  for (int row = 2; row >= 0; --row) {
    double sum = b[row];
    for (int k = row + 1; k < 3; ++k) sum -= a[row][k] * x[k];
    x[row] = sum / a[row][row];
  }
  return std::isfinite(x[0]) && std::isfinite(x[1]) && std::isfinite(x[2]);
}

// The Jacobian ∂(x, y)/∂(u, v) of the mirror point by forward differences,
// inverted, from the mirror points of the ray and of its two neighbours
// with a slope stepped; false when the map is singular.
bool InverseJacobianAt(const std::array<std::array<double, 2>, 3>& points,
                       std::array<double, 4>& inverse) {
  const std::array<double, 2>& point = points[0];
  const std::array<double, 2>& alongU = points[1];
  const std::array<double, 2>& alongV = points[2];
  const double a = (alongU[0] - point[0]) / kSlopeStep, b = (alongV[0] - point[0]) / kSlopeStep;
  const double c = (alongU[1] - point[1]) / kSlopeStep, d = (alongV[1] - point[1]) / kSlopeStep;
  const double det = a * d - b * c;
  if (!std::isfinite(det) || det == 0.0) return false;
  inverse = {d / det, -b / det, -c / det, a / det};
  return true;
}

// Newton's method on the launch slopes until the ray meets the mirror at
// `target`; the slopes come back in (u, v) and the inverse Jacobian at them.
// The ray and the two that give the Jacobian are traced together.
SkewTraceStop AimByNewton(const SkewSetUp& setUp, const std::array<double, 2>& target,
                          double tolerance, double& u, double& v, std::array<double, 4>& inverse,
                          SkewRay& ray) {
  std::array<std::array<double, 2>, 3> slopes{}, points{};
  std::array<SkewRay, 3> rays;
  std::array<SkewTraceStop, 3> stops{};
  for (int step = 0; step < kNewtonSteps; ++step) {
    slopes = {{{u, v}, {u + kSlopeStep, v}, {u, v + kSlopeStep}}};
    TraceAllToMirror(setUp, slopes, rays, stops, points);
    ray = rays[0];
    if (stops[0] != SkewTraceStop::Complete) return stops[0];
    const double ex = target[0] - points[0][0], ey = target[1] - points[0][1];
    if (stops[1] != SkewTraceStop::Complete || stops[2] != SkewTraceStop::Complete ||
        !InverseJacobianAt(points, inverse))
      return SkewTraceStop::MissedMirror;
    if (std::hypot(ex, ey) <= tolerance) return SkewTraceStop::Complete;
    u += inverse[0] * ex + inverse[1] * ey;
    v += inverse[2] * ex + inverse[3] * ey;
  }
  return SkewTraceStop::MissedMirror;
}

// The columns one pupil evaluation works in. A thread measures set-up after
// set-up (a Monte Carlo, a sensitivity search) with the same pupil, so it
// keeps them from one evaluation to the next instead of allocating and
// clearing some twenty arrays each time. Every element read is first written
// in that evaluation, except the corrections, which are cleared.
struct PupilWork {
  // Per ray: the slopes, where it met the mirror and how far that is from
  // its point (target − met), and the correction of its slopes.
  std::vector<std::array<double, 2>> correction, slopes, points, miss;
  RayColumns returning;
  std::vector<SkewTraceStop> stops;
  // A ring's rays that take chord steps, and their trace.
  std::vector<std::size_t> pending;
  std::vector<std::array<double, 2>> stepSlopes, stepPoints;
  RayColumns stepRays;
  std::vector<SkewTraceStop> stepStops;
  // The returning rays' values and gradients.
  std::vector<double> value, gx, gy, gz;
};

// Step 3 of MeasurePupilWavefront for every returning ray, as many at a
// time as the lane type V holds: the length along the ray to the reference
// sphere about `centre` through the origin, the ray's path there in waves
// (`value`) and its gradient in the centre (gx, gy, gz). False when a ray
// misses the sphere or grazes it. Two sweeps over the columns, the length
// first, keep each ray's chain of a square root and two divisions short
// enough for the processor to work on several rays at once.
template <typename V>
bool PathsToSphere(PupilWork& work, std::size_t padded, const Vec3& centre, double wavesPerInch) {
  // The columns and the centre in locals, which the stores through memcpy
  // cannot change as far as the compiler knows.
  const double* const px = work.returning.px.data();
  const double* const py = work.returning.py.data();
  const double* const pz = work.returning.pz.data();
  const double* const ux = work.returning.dx.data();
  const double* const uy = work.returning.dy.data();
  const double* const uz = work.returning.dz.data();
  const double* const path = work.returning.path.data();
  double* const value = work.value.data();
  double* const gx = work.gx.data();
  double* const gy = work.gy.data();
  double* const gz = work.gz.data();
  const Vec3 P = centre;
  const double twoX = 2.0 * P.x, twoY = 2.0 * P.y, twoZ = 2.0 * P.z;
  Mask<V> missed{}, grazing{};
  for (std::size_t i = 0; i < padded; i += kLanesOf<V>) {
    const V x = LoadLanes<V>(&px[i]), y = LoadLanes<V>(&py[i]), z = LoadLanes<V>(&pz[i]);
    const V dx = LoadLanes<V>(&ux[i]), dy = LoadLanes<V>(&uy[i]), dz = LoadLanes<V>(&uz[i]);
    const V b = dx * (x - P.x) + dy * (y - P.y) + dz * (z - P.z);
    // |r|² − 2·r·P, written as r·(r − 2P) so the sphere's large radius
    // cancels exactly instead of in rounding.
    const V c = x * (x - twoX) + y * (y - twoY) + z * (z - twoZ);
    const V discriminant = b * b - c;
    const V root = Sqrt(discriminant);  // NaN where the ray misses: marked below
    const V denominator = b < 0.0 ? b - root : b + root;
    const V s = denominator == 0.0 ? V{} : -c / denominator;
    missed |= Not(discriminant >= 0.0);
    StoreLanes(&value[i], s);
  }
  for (std::size_t i = 0; i < padded; i += kLanesOf<V>) {
    const V x = LoadLanes<V>(&px[i]), y = LoadLanes<V>(&py[i]), z = LoadLanes<V>(&pz[i]);
    const V dx = LoadLanes<V>(&ux[i]), dy = LoadLanes<V>(&uy[i]), dz = LoadLanes<V>(&uz[i]);
    const V s = LoadLanes<V>(&value[i]);
    const V onX = x + s * dx, onY = y + s * dy, onZ = z + s * dz;
    const V slope = (onX - P.x) * dx + (onY - P.y) * dy + (onZ - P.z) * dz;
    grazing |= slope == 0.0;
    StoreLanes(&value[i], (LoadLanes<V>(&path[i]) + s) * wavesPerInch);
    const V scale = wavesPerInch / slope;
    StoreLanes(&gx[i], scale * onX);
    StoreLanes(&gy[i], scale * onY);
    StoreLanes(&gz[i], scale * onZ);
  }
  return !Any(missed | grazing);
}

#ifdef VN_LANES_AVX2
// The same, compiled for processors with AVX2: four rays to a register.
[[gnu::target("avx2"), gnu::flatten]] bool PathsToSphereAvx2(PupilWork& work, std::size_t padded,
                                                             const Vec3& centre,
                                                             double wavesPerInch) {
  return PathsToSphere<Quad>(work, padded, centre, wavesPerInch);
}
#endif

// The sums over the returning rays that the reference point is found from,
// each summed in the order of the rays. The three components of a vector
// sum, and a fourth figure beside them, share a register (a Quad): each lane
// adds exactly as a sum of its own would, and three or four sums cost one
// instruction. Rows of a 3×3 matrix fill lanes 0–2.
using Rows = std::array<Quad, 3>;

// Step 2: Σ w·(I − d·dᵀ) (the upper triangle of `normal` is what is read)
// and Σ w·(r − d·(d·r)). (The sums are local, so that they stay in
// registers.)
void ClosestPointSums(const PupilPlan& plan, const RayColumns& rays, std::size_t count,
                      Rows& normal, Quad& rhs) {
  const Rows identity{Quad{1.0, 0.0, 0.0, 0.0}, Quad{0.0, 1.0, 0.0, 0.0}, Quad{0.0, 0.0, 1.0, 0.0}};
  Quad n0{}, n1{}, n2{}, sum{};
  for (std::size_t i = 0; i < count; ++i) {
    const double w = plan.points[i].weight;
    const Quad d{rays.dx[i], rays.dy[i], rays.dz[i], 0.0};
    const Quad r{rays.px[i], rays.py[i], rays.pz[i], 0.0};
    const double dr = d[0] * r[0] + d[1] * r[1] + d[2] * r[2];
    n0 += w * (identity[0] - d[0] * d);
    n1 += w * (identity[1] - d[1] * d);
    n2 += w * (identity[2] - d[2] * d);
    sum += w * (r - d * dr);
  }
  normal = {n0, n1, n2};
  rhs = sum;
}

// Step 3: the normal equations m·δ = g of a Gauss-Newton step, from each
// ray's gradient and value (∂x, ∂y, ∂z, value), centred on their weighted
// means since piston is free.
void StepSums(const PupilPlan& plan, const PupilWork& work, std::size_t count, Rows& m, Quad& g) {
  Quad mean{};
  for (std::size_t i = 0; i < count; ++i) {
    mean += plan.points[i].weight * Quad{work.gx[i], work.gy[i], work.gz[i], work.value[i]};
  }
  Quad m0{}, m1{}, m2{}, sum{};
  for (std::size_t i = 0; i < count; ++i) {
    const double w = plan.points[i].weight;
    const Quad centred = Quad{work.gx[i], work.gy[i], work.gz[i], work.value[i]} - mean;
    const Quad weighted = w * centred;
    m0 += weighted[0] * centred;
    m1 += weighted[1] * centred;
    m2 += weighted[2] * centred;
    sum -= weighted * centred[3];
  }
  m = {m0, m1, m2};
  g = sum;
}

#ifdef VN_LANES_AVX2
[[gnu::target("avx2"), gnu::flatten]] void ClosestPointSumsAvx2(const PupilPlan& plan,
                                                                const RayColumns& rays,
                                                                std::size_t count, Rows& normal,
                                                                Quad& rhs) {
  ClosestPointSums(plan, rays, count, normal, rhs);
}
[[gnu::target("avx2"), gnu::flatten]] void StepSumsAvx2(const PupilPlan& plan,
                                                        const PupilWork& work, std::size_t count,
                                                        Rows& m, Quad& g) {
  StepSums(plan, work, count, m, g);
}
#endif

std::string PointName(const PupilPoint& p) {
  const double rho = std::hypot(p.x, p.y);
  std::string name =
      "the ray to " + GeneralNumber(Round(100.0 * rho, 1)) + "% of the mirror's radius";
  if (rho > 0.0) {
    const double degrees = std::atan2(p.y, p.x) * 180.0 / kPi;
    name += " at " + GeneralNumber(Round(degrees < 0.0 ? degrees + 360.0 : degrees, 1)) + "°";
  }
  return name;
}

// The Zernike fit over the points of a sampling. It depends on the sampling
// alone, and every tolerance model of a session uses the same one, so the
// last is kept rather than factored again for each set-up.
ZernikeFit FitOf(const PupilSampling& sampling, const std::vector<PupilPoint>& points) {
  static std::mutex mutex;
  static std::optional<std::pair<PupilSampling, ZernikeFit>> last;
  {
    const std::lock_guard<std::mutex> lock(mutex);
    if (last && last->first.rings == sampling.rings && last->first.spokes == sampling.spokes)
      return last->second;
  }
  std::vector<std::array<double, 2>> xy;
  std::vector<double> weights;
  for (const PupilPoint& p : points) {
    xy.push_back({p.x, p.y});
    weights.push_back(p.weight);
  }
  ZernikeFit fit(xy, weights, kReportedFringeTerms);
  const std::lock_guard<std::mutex> lock(mutex);
  last.emplace(sampling, fit);
  return fit;
}

}  // namespace

std::vector<PupilPoint> RingsAndSpokes(const PupilSampling& sampling) {
  std::vector<PupilPoint> points;
  if (sampling.rings < 1 || sampling.spokes < 1) return points;
  const QuadratureRule rule = GaussLobattoRule(sampling.rings + 1);
  const std::vector<double>& nodes = rule.nodes;
  const std::vector<double>& weights = rule.weights;
  // Node k = 0 is x = +1 (the edge): take u = ρ² = (1 + x)/2, centre first.
  const int count = sampling.rings + 1;
  for (int k = count - 1; k >= 0; --k) {
    const double u = 0.5 * (1.0 + nodes[static_cast<std::size_t>(k)]);
    const double weight = 0.5 * weights[static_cast<std::size_t>(k)];
    if (k == count - 1) {
      points.push_back({0.0, 0.0, weight});
      continue;
    }
    const double rho = k == 0 ? 1.0 : std::sqrt(std::max(0.0, u));
    for (int s = 0; s < sampling.spokes; ++s) {
      const double angle = 2.0 * kPi * s / sampling.spokes;
      points.push_back({rho * std::cos(angle), rho * std::sin(angle), weight / sampling.spokes});
    }
  }
  return points;
}

PupilPlan MakePupilPlan(const SkewSetUp& design, double mirrorSemiDiameter,
                        const PupilSampling& sampling) {
  PupilPlan plan;
  plan.semiDiameter = mirrorSemiDiameter;
  plan.sampling = sampling;
  plan.points = RingsAndSpokes(sampling);
  if (plan.points.empty() || !(mirrorSemiDiameter > 0.0)) {
    plan.why = "the pupil has no rays";
    return plan;
  }
  const double tolerance = kPlanAimTolerance * mirrorSemiDiameter;
  plan.targets.resize(plan.points.size());
  plan.launch.resize(plan.points.size());
  plan.inverseJacobian.resize(plan.points.size());
  for (std::size_t i = 0; i < plan.points.size(); ++i) {
    plan.targets[i] = {plan.points[i].x * mirrorSemiDiameter,
                       plan.points[i].y * mirrorSemiDiameter};
  }

  // Each ray starts from the slopes of the ray before it (its neighbour on
  // the spoke or the ring), moved by that ray's inverse Jacobian toward the
  // new point; the centre ray starts on the axis.
  double u = 0.0, v = 0.0;
  std::array<double, 4> inverse{};
  std::array<double, 2> previousTarget{};
  for (std::size_t i = 0; i < plan.points.size(); ++i) {
    const std::array<double, 2>& target = plan.targets[i];
    if (i > 0) {
      const double ex = target[0] - previousTarget[0], ey = target[1] - previousTarget[1];
      u += inverse[0] * ex + inverse[1] * ey;
      v += inverse[2] * ex + inverse[3] * ey;
    }
    SkewRay ray;
    const SkewTraceStop stop = AimByNewton(design, target, tolerance, u, v, inverse, ray);
    if (stop != SkewTraceStop::Complete) {
      plan.why = PointName(plan.points[i]) + " " + SkewTraceStopText(stop);
      return plan;
    }
    plan.launch[i] = {u, v};
    plan.inverseJacobian[i] = inverse;
    previousTarget = target;
  }

  // The guesses of a measured set-up's corrections. A build error moves
  // neighbouring rays alike: a ray of the first ring takes the centre ray's
  // correction, a ray further out extrapolates those of its spoke on up to
  // three rings inside it (the centre counting as a ring). A ring's guesses
  // thus need only the rings inside it, and its rays can be traced together.
  const std::size_t spokes = static_cast<std::size_t>(sampling.spokes);
  plan.guessFrom.assign(plan.points.size(), {0, 0, 0});
  plan.guessWeight.assign(plan.points.size(), {0.0, 0.0, 0.0});
  for (std::size_t i = 1; i < plan.points.size(); ++i) {
    if (i <= spokes) {
      plan.guessWeight[i][0] = 1.0;  // the centre's correction
      continue;
    }
    // The same spoke on the rings inside, out to in; the centre (index 0)
    // ends the spoke.
    std::array<std::size_t, 3>& from = plan.guessFrom[i];
    int known = 0;
    for (std::size_t inner = i; known < 3 && inner > 0;) {
      inner = inner > spokes ? inner - spokes : 0;
      from[static_cast<std::size_t>(known++)] = inner;
    }
    // Lagrange's formula in the size of the launch slope, not in ρ: a
    // correction that shifts and scales the slopes is then extrapolated
    // exactly from two rings, one that bends them too from three.
    const auto radius = [&](std::size_t k) {
      return std::sqrt(plan.launch[k][0] * plan.launch[k][0] +
                       plan.launch[k][1] * plan.launch[k][1]);
    };
    for (int a = 0; a < known; ++a) {
      double basis = 1.0;
      for (int b = 0; b < known; ++b) {
        if (b != a) basis *= (radius(i) - radius(from[b])) / (radius(from[a]) - radius(from[b]));
      }
      plan.guessWeight[i][a] = basis;
    }
  }

  plan.fit = FitOf(sampling, plan.points);
  if (!plan.fit.ok()) {
    plan.why = "the pupil has too few rings or spokes for the Zernike fit";
    return plan;
  }
  plan.ok = true;
  return plan;
}

double PupilInnerProduct(const PupilPlan& plan, const std::vector<double>& a,
                         const std::vector<double>& b) {
  double sum = 0.0;
  for (std::size_t i = 0; i < plan.points.size(); ++i) sum += plan.points[i].weight * a[i] * b[i];
  return sum;
}

PupilWavefront MeasurePupilWavefront(const PupilPlan& plan, const SkewSetUp& setUp,
                                     double wavelengthMicrons,
                                     const std::vector<double>* baseline) {
  PupilWavefront result;
  const std::size_t count = plan.points.size();
  if (!plan.ok || (baseline != nullptr && baseline->size() != count) ||
      !(wavelengthMicrons > 0.0)) {
    result.why = "no pupil to measure";
    return result;
  }
  const double tolerance = kAimTolerance * plan.semiDiameter;
  const double toleranceSquared = tolerance * tolerance;
  const double wavesPerInch = kMicronsPerInch / wavelengthMicrons;

  // Step 1: aim every ray at its point of the mirror. A ray's first guess is
  // the design's slopes plus the correction the plan predicts from the rings
  // inside it, so a ring's rays are traced together and most of them are on
  // their point at once; the others take chord steps with the design's
  // inverse Jacobian, and Newton's method with their own when a large error
  // defeats those.
  thread_local PupilWork work;
  std::vector<std::array<double, 2>>& correction = work.correction;
  std::vector<std::array<double, 2>>& slopes = work.slopes;
  std::vector<std::array<double, 2>>& points = work.points;
  std::vector<std::array<double, 2>>& miss = work.miss;
  RayColumns& returning = work.returning;
  std::vector<SkewTraceStop>& stops = work.stops;
  correction.assign(count, {0.0, 0.0});
  slopes.resize(count);
  points.resize(count);
  miss.resize(count);
  returning.Resize(count);
  stops.resize(count);
  const std::size_t spokes = static_cast<std::size_t>(plan.sampling.spokes);
  std::vector<std::size_t>& pending = work.pending;
  std::vector<std::array<double, 2>>& stepSlopes = work.stepSlopes;
  std::vector<std::array<double, 2>>& stepPoints = work.stepPoints;
  RayColumns& stepRays = work.stepRays;
  std::vector<SkewTraceStop>& stepStops = work.stepStops;
  stepSlopes.resize(spokes);
  stepPoints.resize(spokes);
  stepRays.Resize(spokes);
  stepStops.resize(spokes);
  pending.reserve(spokes);
  // A ray's miss from where it met the mirror; whether it is traced but
  // not yet on its point.
  const auto measureMiss = [&](std::size_t i) {
    miss[i] = {plan.targets[i][0] - points[i][0], plan.targets[i][1] - points[i][1]};
  };
  const auto offTarget = [&](std::size_t i) {
    const double ex = miss[i][0], ey = miss[i][1];
    return stops[i] == SkewTraceStop::Complete && !(ex * ex + ey * ey <= toleranceSquared);
  };
  for (std::size_t begin = 0; begin < count;) {
    const std::size_t end = begin == 0 ? 1 : std::min(begin + spokes, count);
    for (std::size_t i = begin; i < end; ++i) {
      std::array<double, 2> guess = plan.launch[i];
      for (std::size_t a = 0; a < 3; ++a) {
        const double w = plan.guessWeight[i][a];
        const std::array<double, 2>& inner = correction[plan.guessFrom[i][a]];
        guess[0] += w * inner[0];
        guess[1] += w * inner[1];
      }
      slopes[i] = guess;
    }
    const std::size_t n = end - begin;
    TraceColumnsToMirror(setUp, std::span(slopes).subspan(begin, n), returning, begin,
                         std::span(stops).subspan(begin, n), std::span(points).subspan(begin, n));
    pending.clear();
    for (std::size_t i = begin; i < end; ++i) {
      measureMiss(i);
      if (offTarget(i)) pending.push_back(i);
    }
    // Chord steps for the ring's rays still off their points, together.
    for (int step = 0; step < kChordSteps && !pending.empty(); ++step) {
      for (std::size_t j = 0; j < pending.size(); ++j) {
        const std::size_t i = pending[j];
        const std::array<double, 4>& inverse = plan.inverseJacobian[i];
        const double ex = miss[i][0], ey = miss[i][1];
        slopes[i][0] += inverse[0] * ex + inverse[1] * ey;
        slopes[i][1] += inverse[2] * ex + inverse[3] * ey;
        stepSlopes[j] = slopes[i];
      }
      const std::size_t m = pending.size();
      TraceColumnsToMirror(setUp, std::span(stepSlopes).first(m), stepRays, 0,
                           std::span(stepStops).first(m), std::span(stepPoints).first(m));
      std::size_t still = 0;
      for (std::size_t j = 0; j < m; ++j) {
        const std::size_t i = pending[j];
        returning.SetRay(i, stepRays.Ray(j));
        stops[i] = stepStops[j];
        points[i] = stepPoints[j];
        measureMiss(i);
        if (offTarget(i)) pending[still++] = i;
      }
      pending.resize(still);
    }
    for (std::size_t i = begin; i < end; ++i) {
      const std::array<double, 4>& inverse = plan.inverseJacobian[i];
      double u = slopes[i][0], v = slopes[i][1];
      double ex = miss[i][0], ey = miss[i][1];
      const bool onTarget =
          stops[i] == SkewTraceStop::Complete && ex * ex + ey * ey <= toleranceSquared;
      if (!onTarget) {
        u = plan.launch[i][0];
        v = plan.launch[i][1];
        std::array<double, 4> own{};
        SkewRay ray;
        stops[i] = AimByNewton(setUp, plan.targets[i], tolerance, u, v, own, ray);
        returning.SetRay(i, ray);
        slopes[i] = {u, v};
        ex = ey = 0.0;
      }
      if (stops[i] != SkewTraceStop::Complete) {
        result.why = PointName(plan.points[i]) + " " + SkewTraceStopText(stops[i]);
        return result;
      }
      // The correction that would have put the ray exactly on its point (one
      // chord step beyond the traced one): what the rings outside
      // extrapolate from, so that the small misses accepted here do not grow
      // outward.
      correction[i] = {u + inverse[0] * ex + inverse[1] * ey - plan.launch[i][0],
                       v + inverse[2] * ex + inverse[3] * ey - plan.launch[i][1]};
    }
    begin = end;
  }

  // Back through the lens, all rays together.
  TraceColumnsFromMirror(setUp, returning, std::span(stops).first(count));
  for (std::size_t i = 0; i < count; ++i) {
    if (stops[i] != SkewTraceStop::Complete) {
      result.why = PointName(plan.points[i]) + " " + SkewTraceStopText(stops[i]);
      return result;
    }
  }

  // Step 2: a first reference point, where the returning rays pass closest
  // together: the least-squares solution of Σ w·(I − d·dᵀ)·(P − r) = 0.
  Rows normalRows;
  Quad rhsLanes;
#ifdef VN_LANES_AVX2
  if (HasAvx2())
    ClosestPointSumsAvx2(plan, returning, count, normalRows, rhsLanes);
  else
    ClosestPointSums(plan, returning, count, normalRows, rhsLanes);
#else
  ClosestPointSums(plan, returning, count, normalRows, rhsLanes);
#endif
  // The matrix is symmetric to the last bit (dv[a]·dv[b] = dv[b]·dv[a]):
  // the upper triangle is taken, the lower copied.
  std::array<std::array<double, 3>, 3> normal{};
  std::array<double, 3> rhs{};
  for (std::size_t a = 0; a < 3; ++a) {
    for (std::size_t b = a; b < 3; ++b) normal[a][b] = normal[b][a] = normalRows[a][b];
    rhs[a] = rhsLanes[a];
  }
  std::array<double, 3> start{};
  if (!Solve3(normal, rhs, start)) {
    result.why = "the returning rays do not converge toward a point";
    return result;
  }
  Vec3 P{start[0], start[1], start[2]};

  // Step 3: Gauss-Newton on the RMS. About P the path of ray i to the
  // reference sphere is S + s, where s is the root nearer the ray's point of
  // |r + s·d − P|² = |P|² (the sphere through the origin); its gradient in P
  // is X / ((X − P)·d) with X = r + s·d, the ray's point on the sphere. The
  // rays are held as columns and evaluated several at a time (PathsToSphere); a
  // column ends with copies of the last ray up to a whole number of lanes.
  const std::size_t padded = PaddedCount(count);
  for (std::size_t i = count; i < padded; ++i) returning.SetRay(i, returning.Ray(count - 1));
  std::vector<double>&value = work.value, &gx = work.gx, &gy = work.gy, &gz = work.gz;
  for (std::vector<double>* column : {&value, &gx, &gy, &gz}) column->resize(padded);
  const auto evaluate = [&](const Vec3& centre) {
#ifdef VN_LANES_AVX2
    const bool met = HasAvx2() ? PathsToSphereAvx2(work, padded, centre, wavesPerInch)
                               : PathsToSphere<Pair>(work, padded, centre, wavesPerInch);
#else
    const bool met = PathsToSphere<Pair>(work, padded, centre, wavesPerInch);
#endif
    if (baseline != nullptr) {
      for (std::size_t i = 0; i < count; ++i) value[i] -= (*baseline)[i];
    }
    return met;
  };

  for (int step = 0;; ++step) {
    if (step == kReferenceSteps) {
      result.why = "the best reference point did not settle";
      return result;
    }
    if (!evaluate(P)) {
      result.why = "a returning ray does not meet the reference sphere";
      return result;
    }
    Rows mRows;
    Quad gLanes;
#ifdef VN_LANES_AVX2
    if (HasAvx2())
      StepSumsAvx2(plan, work, count, mRows, gLanes);
    else
      StepSums(plan, work, count, mRows, gLanes);
#else
    StepSums(plan, work, count, mRows, gLanes);
#endif
    std::array<std::array<double, 3>, 3> m{};
    std::array<double, 3> g{};
    for (std::size_t a = 0; a < 3; ++a) {
      for (std::size_t b = 0; b < 3; ++b) m[a][b] = mRows[a][b];
      g[a] = gLanes[a];
    }
    std::array<double, 3> delta{};
    if (!Solve3(m, g, delta)) {
      result.why = "the best reference point is not defined by the returning rays";
      return result;
    }
    const Vec3 step3{delta[0], delta[1], delta[2]};
    P = P + step3;
    if (std::sqrt(Dot(step3, step3)) <= kLastStep) {
      for (std::size_t i = 0; i < count; ++i) value[i] += Dot(Vec3{gx[i], gy[i], gz[i]}, step3);
      break;
    }
  }

  // Step 4: the wavefront about P, its mean removed.
  double mean = 0.0;
  for (std::size_t i = 0; i < count; ++i) mean += plan.points[i].weight * value[i];
  result.waves.resize(count);
  double low = HUGE_VAL, high = -HUGE_VAL, square = 0.0;
  for (std::size_t i = 0; i < count; ++i) {
    const double w = value[i] - mean;
    result.waves[i] = w;
    low = std::min(low, w);
    high = std::max(high, w);
    square += plan.points[i].weight * w * w;
  }
  result.pvWaves = high - low;
  result.rmsWaves = std::sqrt(square);
  result.referencePoint = P;
  result.ok = std::isfinite(result.rmsWaves) && std::isfinite(result.pvWaves);
  if (!result.ok) result.why = "the wavefront is not a finite number";
  return result;
}

}  // namespace vn
