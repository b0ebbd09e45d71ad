// A mirror tested through the solved null: its residual wavefront and the
// rays that make the tester's pictures.
#include "tester/mirror_through_null.h"

#include <algorithm>
#include <cmath>

#include "analysis/skew_trace.h"
#include "analysis/zernike_series.h"
#include "common/cancel_token.h"
#include "exact/scalar_search.h"

namespace vn {

namespace {

AsBuilt DesignOf(const SolvedSetUp& input, double deltaK) {
  AsBuilt build;
  build.setUp = input;
  build.setUp.system.ConicPlusOne = input.system.ConicPlusOne + deltaK;
  return build;
}

const char* kStopped = "the tester's view was stopped before it finished";

// The cubic through the four samples of a table nearest to t, the table's
// abscissae ascending but not equally spaced (Lagrange's formula).
double LocalCubic(const std::vector<double>& xs, const std::vector<double>& ys, double t) {
  const auto above = std::lower_bound(xs.begin(), xs.end(), t) - xs.begin();
  const std::ptrdiff_t last = static_cast<std::ptrdiff_t>(xs.size()) - 4;
  const std::ptrdiff_t base = std::clamp<std::ptrdiff_t>(above - 2, 0, last);
  double sum = 0.0;
  for (std::ptrdiff_t i = base; i < base + 4; ++i) {
    double basis = 1.0;
    for (std::ptrdiff_t j = base; j < base + 4; ++j) {
      if (j != i) basis *= (t - xs[j]) / (xs[i] - xs[j]);
    }
    sum += basis * ys[i];
  }
  return sum;
}

// The table of the mirror as the tester sees it (MirrorThroughNull's
// apparent… fields), from the rays at equal steps on the mirror. False when
// the returning rays' slopes do not grow steadily from the centre to the
// edge, so that no one direction belongs to one zone.
bool MakeApparentTable(MirrorThroughNull& m) {
  const std::size_t n = m.rays.size();
  std::vector<double> rhoApparent(n), height(n), slope(n), rho(n);
  for (std::size_t i = 0; i < n; ++i) {
    slope[i] = m.rays[i].dy / m.rays[i].dz;
    height[i] = m.HeightAt(i, m.sourceZ);
    rho[i] = static_cast<double>(i) / (n - 1);
  }
  for (std::size_t i = 0; i < n; ++i) rhoApparent[i] = slope[i] / slope[n - 1];
  for (std::size_t i = 1; i < n; ++i) {
    if (!(rhoApparent[i] > rhoApparent[i - 1])) return false;
  }
  m.apparentHeight.assign(n, 0.0);
  m.apparentSlope.assign(n, 0.0);
  m.apparentMirror.assign(n, 0.0);
  for (std::size_t j = 1; j < n; ++j) {
    const double t = static_cast<double>(j) / (n - 1);
    m.apparentHeight[j] = LocalCubic(rhoApparent, height, t) / t;
    m.apparentSlope[j] = LocalCubic(rhoApparent, slope, t) / t;
    m.apparentMirror[j] = LocalCubic(rhoApparent, rho, t) / t;
  }
  // Even functions of ρ': f(ρ') = f0 + c·ρ'² + …, so f0 = (4·f1 − f2)/3.
  for (auto* table : {&m.apparentHeight, &m.apparentSlope, &m.apparentMirror}) {
    (*table)[0] = (4.0 * (*table)[1] - (*table)[2]) / 3.0;
  }
  return true;
}

}  // namespace

double MirrorThroughNull::HeightAt(std::size_t i, double planeZ) const {
  const VectorRay& ray = rays[i];
  return ray.y + (planeZ - ray.z) * (ray.dy / ray.dz);
}

double MirrorThroughNull::ApparentRadius(double fraction) const {
  // The apparent radius of a mirror zone: its ray's slope over the edge's.
  const double steps = static_cast<double>(rays.size() - 1);
  const std::size_t i = static_cast<std::size_t>(std::lround(fraction * steps));
  const VectorRay& ray = rays[std::min(i, rays.size() - 1)];
  return (ray.dy / ray.dz) / (rays.back().dy / rays.back().dz);
}

bool MirrorThroughNull::Vignetted(double fraction) const {
  if (lensHeightRatio.size() < 2 || !(fraction >= 0.0)) return false;
  // Linear between the two rays either side: the heights on the lens grow
  // smoothly with the zone, and 200 zones put the boundary within a
  // two-hundredth of the radius before this.
  const double steps = static_cast<double>(lensHeightRatio.size() - 1);
  const double t = std::min(fraction, 1.0) * steps;
  const std::size_t i = std::min(static_cast<std::size_t>(t), lensHeightRatio.size() - 2);
  const double f = t - static_cast<double>(i);
  return (1.0 - f) * lensHeightRatio[i] + f * lensHeightRatio[i + 1] > 1.0;
}

std::optional<double> MirrorThroughNull::FirstVignettedZone() const {
  for (std::size_t i = 0; i < lensHeightRatio.size(); ++i) {
    if (lensHeightRatio[i] > 1.0) {
      if (i == 0) return 0.0;
      // Where the ratio passes 1 between this ray and the one before.
      const double a = lensHeightRatio[i - 1], b = lensHeightRatio[i];
      const double steps = static_cast<double>(lensHeightRatio.size() - 1);
      return (static_cast<double>(i - 1) + (1.0 - a) / (b - a)) / steps;
    }
  }
  return std::nullopt;
}

double MirrorThroughNull::MarginalSlope() const {
  if (rays.empty()) return 0.0;
  return std::fabs(rays.back().dy / rays.back().dz);
}

double MirrorThroughNull::BlurDiameterAt(double planeZ) const {
  double widest = 0.0;
  for (std::size_t i = 0; i < rays.size(); ++i) {
    widest = std::max(widest, std::fabs(HeightAt(i, planeZ)));
  }
  return 2.0 * widest;
}

TesterModel::TesterModel(const SolvedSetUp& input, const CancelToken* cancel)
    : input_(input), cancel_(cancel) {
  const NullTestSystem& s = input.system;
  if (const std::string problem = SetUpProblem(input); !problem.empty()) {
    message_ = "no solved set-up to trace: " + problem;
    return;
  }
  plan_ =
      MakePupilPlan(MakeSkewSetUp(DesignOf(input, 0.0)), s.MirrorSemiDiameter, kResidualSampling);
  if (!plan_.ok) {
    message_ = plan_.why;
    return;
  }
  // The fit's points as the tester sees the mirror: looking along +z with y
  // up, the tester's right is −x.
  std::vector<std::array<double, 2>> points;
  std::vector<double> weights;
  for (const PupilPoint& p : plan_.points) {
    points.push_back({-p.x, p.y});
    weights.push_back(p.weight);
  }
  fit_ = ZernikeFit(points, weights, kExportedZernikeTerms);
  if (!fit_.ok()) {
    message_ = "the pupil's rays cannot tell the 49 Zernike terms apart";
    return;
  }
  ok_ = true;
}

TesterModel::TesterModel(const TesterSetUp& chosen, const CancelToken* cancel)
    : TesterModel(chosen.setUp, cancel) {
  tracedAt_ = chosen.description;
}

MirrorThroughNull TesterModel::Mirror(double deltaK) const {
  MirrorThroughNull m;
  const NullTestSystem& s = input_.system;
  m.deltaK = deltaK;
  m.conicConstant = s.ConicPlusOne + deltaK - 1.0;
  m.wavelengthMicrons = input_.wavelengthMicrons;
  m.mirrorSemiDiameter = s.MirrorSemiDiameter;
  m.mirrorRadius = std::fabs(s.MirrorRadius);
  // Without a choice of distances, the set-up's own, unnamed.
  m.tracedAt = !tracedAt_.empty()
                   ? tracedAt_
                   : "at Object to Lens " + RunLengthText(input_.objectDistance, input_.inchUnits) +
                         ", Lens to Mirror " +
                         RunLengthText(input_.lensMirrorDistance, input_.inchUnits);
  m.sourceZ = -input_.objectDistance;
  m.lensClearSemiDiameter = std::max(0.0, input_.lensClearSemiDiameter);
  if (!ok_) {
    m.why = message_;
    return m;
  }
  if (!std::isfinite(deltaK)) {
    m.why = "the change of the conic constant is not a number";
    return m;
  }
  const AsBuilt build = DesignOf(input_, deltaK);

  // Step 1: the wavefront over the whole pupil about the best reference
  // point, and its Zernike terms in the mirror-error sign.
  const PupilWavefront wavefront =
      MeasurePupilWavefront(plan_, MakeSkewSetUp(build), input_.wavelengthMicrons);
  if (!wavefront.ok) {
    m.why = wavefront.why;
    return m;
  }
  std::vector<double> mirrorError(wavefront.waves.size());
  for (std::size_t i = 0; i < mirrorError.size(); ++i) mirrorError[i] = -wavefront.waves[i];
  m.zernike = fit_.Fit(mirrorError);
  const ZernikeSeries series(m.zernike);
  double residualSquare = 0.0;
  for (std::size_t i = 0; i < plan_.points.size(); ++i) {
    const PupilPoint& p = plan_.points[i];
    const double difference = mirrorError[i] - series.At(-p.x, p.y);
    residualSquare += p.weight * difference * difference;
  }
  m.fitRmsResidualWaves = std::sqrt(residualSquare);
  m.pvWaves = wavefront.pvWaves;
  m.rmsWaves = wavefront.rmsWaves;
  m.focusZ = wavefront.referencePoint.z;
  if (CancelRequested(cancel_)) {
    m.why = kStopped;
    return m;
  }

  // Step 2: the meridional rays of the pictures, the centre's along the axis.
  // The set-up is centred, so a ray to any point of the mirror is one of
  // these turned about the axis.
  const FoldedSystem folded = MakeFoldedSystem(build.setUp.system, build.setUp.objectDistance,
                                               build.setUp.lensMirrorDistance);
  m.rays.reserve(kRayTableZones + 1);
  m.lensHeightRatio.reserve(kRayTableZones + 1);
  for (int i = 0; i <= kRayTableZones; ++i) {
    if (CancelRequested(cancel_)) {
      m.why = kStopped;
      return m;
    }
    const double fraction = static_cast<double>(i) / kRayTableZones;
    double angle = 0.0;
    if (i > 0) {
      const Aim aim = AimAtMirrorHeight(folded, fraction * s.MirrorSemiDiameter, cancel_);
      if (aim.failure.failed()) {
        m.why = TraceFailureText(aim.failure, fraction, input_.inchUnits);
        return m;
      }
      angle = aim.angle;
    }
    const DoublePassRay ray = TraceFoldedRay(folded, angle);
    if (ray.failure.failed()) {
      m.why = TraceFailureText(ray.failure, fraction, input_.inchUnits);
      return m;
    }
    if (!(ray.returning.dz < 0.0)) {
      m.why = "the ray to the mirror's " + std::to_string(i * 100 / kRayTableZones) +
              "% zone does not come back toward the source";
      return m;
    }
    m.rays.push_back(ray.returning);
    double widest = 0.0;
    for (double h : ray.lensHeights) widest = std::max(widest, std::fabs(h));
    m.lensHeightRatio.push_back(m.lensClearSemiDiameter > 0.0 ? widest / m.lensClearSemiDiameter
                                                              : 0.0);
  }
  if (!MakeApparentTable(m)) {
    m.why = "the null shows the mirror's zones out of order: its returning rays cross";
    return m;
  }
  m.ok = true;
  return m;
}

}  // namespace vn
