// Reducing a wavefront measured through the null to the mirror's figure.
#include "tester/measured_mirror.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "analysis/pupil_wavefront.h"
#include "analysis/skew_trace.h"
#include "analysis/zernike.h"
#include "common/constants.h"
#include "common/number_text.h"
#include "engine/optics_primitives.h"
#include "exact/scalar_search.h"

namespace vn {

namespace {

// The pupil of the exact traces: 16 rings hold the symmetric wavefront to
// radial degree 31, far beyond the n = 12 its polynomial keeps; 16 spokes are
// the fewest the pupil's own fit accepts.
constexpr PupilSampling kProfileSampling{16, 16};
// The symmetric residual as Σ a_k·R_2k^0(ρ), k = 0 … 6: the radial degrees of
// the 49-term files.
constexpr int kRadialTerms = 7;
// Step of the conic constant for the derivative of the residual.
constexpr double kConicStep = 0.02;
// Tukey's biweight: residuals beyond 4.685 scales weigh nothing; the scale
// never falls below a thousandth of a wave (a third of a nanometre of
// surface), which a real measurement's noise always exceeds.
constexpr double kTukey = 4.685;
constexpr double kSmallestScaleWaves = 1e-3;
constexpr int kMostConicSteps = 30;
// The residual table along u = ρ², linear between entries.
constexpr int kTableSteps = 1024;

// A file's mirror diameter or radius of curvature may differ from the
// set-up's by rounding, not by half a percent: that is another mirror.
constexpr double kSizeTolerance = 0.005;

// The surface map: at most this many points a side, enough for a screen.
constexpr int kLargestMap = 401;
constexpr double kNoHeight = std::numeric_limits<double>::quiet_NaN();

const char* kStopped = "the reduction of the measurement was stopped";

// Solves the n×n system A·x = b (A symmetric positive definite, row-major)
// by Gaussian elimination with partial pivoting. False when singular.
bool Solve(std::vector<double> a, std::vector<double>& b, int n) {
  for (int col = 0; col < n; ++col) {
    int pivot = col;
    for (int r = col + 1; r < n; ++r) {
      if (std::fabs(a[r * n + col]) > std::fabs(a[pivot * n + col])) pivot = r;
    }
    if (!(std::fabs(a[pivot * n + col]) > 0.0)) return false;
    if (pivot != col) {
      for (int k = 0; k < n; ++k) std::swap(a[col * n + k], a[pivot * n + k]);
      std::swap(b[col], b[pivot]);
    }
    for (int r = col + 1; r < n; ++r) {
      const double f = a[r * n + col] / a[col * n + col];
      for (int k = col; k < n; ++k) a[r * n + k] -= f * a[col * n + k];
      b[r] -= f * b[col];
    }
  }
  for (int r = n - 1; r >= 0; --r) {
    double sum = b[r];
    for (int k = r + 1; k < n; ++k) sum -= a[r * n + k] * b[k];
    b[r] = sum / a[r * n + r];
  }
  return std::all_of(b.begin(), b.end(), [](double x) { return std::isfinite(x); });
}

// Weighted least squares by the normal equations: rows of the basis, values.
class NormalEquations {
 public:
  explicit NormalEquations(int n) : n_(n), a_(n * n, 0.0), b_(n, 0.0) {}
  void Add(const double* basis, double value, double weight) {
    for (int i = 0; i < n_; ++i) {
      const double wi = weight * basis[i];
      b_[i] += wi * value;
      for (int j = i; j < n_; ++j) a_[i * n_ + j] += wi * basis[j];
    }
  }
  std::optional<std::vector<double>> Solution(const std::vector<double>& rhs = {}) const {
    std::vector<double> a = a_;
    for (int i = 0; i < n_; ++i) {
      for (int j = 0; j < i; ++j) a[i * n_ + j] = a[j * n_ + i];
    }
    std::vector<double> x = rhs.empty() ? b_ : rhs;
    if (!Solve(a, x, n_)) return std::nullopt;
    return x;
  }
  // The diagonal element i of the inverse: the variance factor of unknown i.
  double InverseDiagonal(int i) const {
    std::vector<double> e(n_, 0.0);
    e[i] = 1.0;
    const auto x = Solution(e);
    return x ? (*x)[i] : kNotANumber;
  }

 private:
  static constexpr double kNotANumber = std::numeric_limits<double>::quiet_NaN();
  int n_;
  std::vector<double> a_, b_;
};

// cos α of the conic's normal at r: the factor between a height error and
// half the wavefront error it makes.
double NormalCosine(double r, double radius, double conicPlusOne) {
  const double slope = r / std::sqrt(radius * radius - conicPlusOne * r * r);
  return 1.0 / std::sqrt(1.0 + slope * slope);
}

// The null traced exactly at the built distances for mirrors of the wanted
// conic plus ΔK: the symmetric residual each shows, in the mirror-error sign.
class NullResidual {
 public:
  explicit NullResidual(const SolvedSetUp& builtAt) : builtAt_(builtAt) {
    plan_ = MakePupilPlan(MakeSkewSetUp(Built(0.0)), builtAt.system.MirrorSemiDiameter,
                          kProfileSampling);
  }
  bool ok() const { return plan_.ok; }
  const std::string& why() const { return plan_.why; }

  // The coefficients a_k of Σ a_k·R_2k^0(ρ), or nothing (why in `why`).
  std::optional<std::vector<double>> Radial(double deltaK, std::string& why) const {
    const PupilWavefront w =
        MeasurePupilWavefront(plan_, MakeSkewSetUp(Built(deltaK)), builtAt_.wavelengthMicrons);
    if (!w.ok) {
      why = w.why;
      return std::nullopt;
    }
    // Ring by ring (the centre first, then kProfileSampling.spokes a ring):
    // the ring's mean, weighed by its area, fitted by the radial terms.
    NormalEquations fit(kRadialTerms);
    const std::size_t spokes = static_cast<std::size_t>(kProfileSampling.spokes);
    for (std::size_t start = 0; start < plan_.points.size();) {
      const std::size_t count = start == 0 ? 1 : spokes;
      double sum = 0.0, weight = 0.0;
      for (std::size_t i = start; i < start + count; ++i) {
        sum -= plan_.points[i].weight * w.waves[i];  // path excess → mirror error
        weight += plan_.points[i].weight;
      }
      const double rho = std::hypot(plan_.points[start].x, plan_.points[start].y);
      double basis[kRadialTerms];
      for (int k = 0; k < kRadialTerms; ++k) basis[k] = ZernikeRadial(2 * k, 0, rho);
      fit.Add(basis, sum / weight, weight);
      start += count;
    }
    const auto a = fit.Solution();
    if (!a) why = "the null's residual could not be fitted";
    return a;
  }

 private:
  // The design's lens at the built distances, the mirror's conic changed
  // by ΔK.
  AsBuilt Built(double deltaK) const {
    AsBuilt build;
    build.setUp = builtAt_;
    build.setUp.system.ConicPlusOne += deltaK;
    return build;
  }

  SolvedSetUp builtAt_;
  PupilPlan plan_;
};

double Radial(const std::vector<double>& a, double rho) {
  double sum = 0.0;
  for (int k = 0; k < kRadialTerms; ++k) sum += a[k] * ZernikeRadial(2 * k, 0, rho);
  return sum;
}

// One ring of the measurement, a grid step wide.
struct Bin {
  double sum = 0, sumU = 0;
  double count = 0;
  double rho = 0, waves = 0;  // its mean radius and value, once gathered
};

}  // namespace

int CouderZoneCount(double mirrorDiameterInch) {
  const double diameterMm = mirrorDiameterInch * kMmPerInch;
  return std::clamp(static_cast<int>(std::lround(diameterMm / 40.0)), 3, 10);
}

MeasuredMirror ReduceMeasurement(const MeasuredWavefront& measured, const SolvedSetUp& builtAt,
                                 const CancelToken* cancel) {
  MeasuredMirror m;
  const NullTestSystem& s = builtAt.system;
  const double R = std::fabs(s.MirrorRadius), a = s.MirrorSemiDiameter;
  m.wavelengthMicrons = builtAt.wavelengthMicrons;
  m.objectDistance = builtAt.objectDistance;
  m.lensMirrorDistance = builtAt.lensMirrorDistance;
  m.wantedConic = s.ConicPlusOne - 1.0;
  if (!measured.ok) {
    m.why = measured.why.empty() ? "no measurement" : measured.why;
    return m;
  }
  if (const std::string problem = SetUpProblem(builtAt); !problem.empty()) {
    m.why = "no set-up to trace the null of: " + problem;
    return m;
  }

  // The file must describe this test: its wavelength (the null's residual
  // depends on it), and the mirror's size where it says.
  const double lambdaNm = builtAt.wavelengthMicrons * 1000.0;
  const auto differs = [](const std::optional<double>& given, double wanted, double tolerance) {
    return given && !(std::fabs(*given - wanted) <= tolerance);
  };
  const std::string& file = measured.fileName;
  if (differs(measured.wavelengthNm, lambdaNm, 0.05)) {
    m.why = file + ": measured at " + GeneralNumber(*measured.wavelengthNm) +
            " nm, but the test's wavelength is " + GeneralNumber(lambdaNm) +
            " nm: the null's residual belongs to one wavelength";
    return m;
  }
  if (differs(measured.diameterMm, 2.0 * a * kMmPerInch, kSizeTolerance * 2.0 * a * kMmPerInch)) {
    m.why = file + ": its mirror diameter is " + GeneralNumber(*measured.diameterMm) +
            " mm, the set-up's " + RoundedText(2.0 * a * kMmPerInch, 3) + " mm";
    return m;
  }
  if (differs(measured.radiusOfCurvatureMm, R * kMmPerInch, kSizeTolerance * R * kMmPerInch)) {
    m.why = file + ": its mirror's radius of curvature is " +
            GeneralNumber(*measured.radiusOfCurvatureMm) + " mm, the set-up's " +
            RoundedText(R * kMmPerInch, 3) + " mm";
    return m;
  }

  // Step 1: the null's residual for the wanted conic at the built distances,
  // traced exactly, as a table along u = ρ².
  const NullResidual residual(builtAt);
  if (!residual.ok()) {
    m.why = "the null cannot be traced at these distances: " + residual.why();
    return m;
  }
  std::string why;
  const auto wanted = residual.Radial(0.0, why);
  if (!wanted) {
    m.why = "the null cannot be traced at these distances: " + why;
    return m;
  }
  std::vector<double> table(kTableSteps + 1);
  for (int i = 0; i <= kTableSteps; ++i) {
    table[i] = Radial(*wanted, std::sqrt(static_cast<double>(i) / kTableSteps));
  }
  const auto wantedAt = [&](double u) {
    const double t = std::min(u, 1.0) * kTableSteps;
    const int i = std::min(static_cast<int>(t), kTableSteps - 1);
    return table[i] + (t - i) * (table[i + 1] - table[i]);
  };
  if (CancelRequested(cancel)) {
    m.cancelled = true, m.why = kStopped;
    return m;
  }

  // Step 2: the mirror's error against the wanted conic, E = measured −
  // residual, fitted over the pupil with piston, tilt, focus, astigmatism and
  // coma (Z0 … Z7).
  const int w = measured.width, h = measured.height;
  const double cx = measured.centreX, cy = measured.centreY, radius = measured.radius;
  const auto pixel = [&](int row, int col, double& x, double& y) {
    x = (col - cx) / radius, y = (row - cy) / radius;
    return x * x + y * y <= 1.0;
  };
  constexpr int kLowTerms = 8;
  NormalEquations low(kLowTerms);
  double basis[kLowTerms];
  // The Fringe terms Z0 … Z7 of zernike.h, written out for speed.
  const auto lowBasis = [&](double x, double y) {
    const double u = x * x + y * y;
    basis[0] = 1.0, basis[1] = x, basis[2] = y, basis[3] = 2.0 * u - 1.0;
    basis[4] = x * x - y * y, basis[5] = 2.0 * x * y;
    basis[6] = (3.0 * u - 2.0) * x, basis[7] = (3.0 * u - 2.0) * y;
  };
  // Each measured point inside the outline, as (x, y, waves), with the low
  // terms' basis there.
  const auto eachPointInside = [&](const auto& take) {
    for (int row = 0; row < h; ++row) {
      for (int col = 0; col < w; ++col) {
        const double v = measured.waves[static_cast<std::size_t>(row * w + col)];
        double x, y;
        if (std::isnan(v) || !pixel(row, col, x, y)) continue;
        lowBasis(x, y);
        take(x, y, v);
      }
    }
  };
  std::size_t used = 0;
  eachPointInside([&](double x, double y, double v) {
    low.Add(basis, v - wantedAt(x * x + y * y), 1.0);
    ++used;
  });
  const auto lowTerms = low.Solution();
  if (used < 100 || !lowTerms) {
    m.why = "the measurement holds too few points inside the mirror's outline";
    return m;
  }
  const std::vector<double>& z = *lowTerms;

  // Step 3: the error's size with piston, tilt and focus removed, and the
  // symmetric part of the measurement ring by ring (its non-symmetric terms
  // taken out, so that a partly covered ring is not biased by them).
  const int binCount = std::clamp(static_cast<int>(std::lround(radius)), 16, 4096);
  std::vector<Bin> bins(static_cast<std::size_t>(binCount));
  double sumSquare = 0.0, sum = 0.0, highest = -1e300, lowest = 1e300;
  eachPointInside([&](double x, double y, double v) {
    const double u = x * x + y * y;
    double focus = 0.0, asymmetric = 0.0;
    for (int j = 0; j < 4; ++j) focus += z[j] * basis[j];
    for (int j : {1, 2, 4, 5, 6, 7}) asymmetric += z[j] * basis[j];
    const double error = v - wantedAt(u) - focus;
    sum += error, sumSquare += error * error;
    highest = std::max(highest, error), lowest = std::min(lowest, error);
    Bin& bin = bins[static_cast<std::size_t>(
        std::min(binCount - 1, static_cast<int>(std::sqrt(u) * binCount)))];
    bin.sum += v - asymmetric, bin.sumU += u, bin.count += 1.0;
  });
  const double mean = sum / static_cast<double>(used);
  m.wavefrontRmsWaves =
      std::sqrt(std::max(0.0, sumSquare / static_cast<double>(used) - mean * mean));
  m.wavefrontPvWaves = highest - lowest;
  m.surfaceRmsNm = 0.5 * m.wavefrontRmsWaves * lambdaNm;
  m.surfacePvNm = 0.5 * m.wavefrontPvWaves * lambdaNm;
  m.strehl = std::exp(-std::pow(2.0 * kPi * m.wavefrontRmsWaves, 2.0));
  for (int pair = 0; pair < 2; ++pair) {
    const double c = z[4 + 2 * pair], sn = z[5 + 2 * pair];
    const int order = pair == 0 ? 2 : 1;  // the term's azimuthal frequency
    MirrorTerm term;
    term.name = pair == 0 ? "astigmatism" : "coma";
    term.waves = std::hypot(c, sn);
    term.angleDegrees = std::atan2(sn, c) / order * 180.0 / kPi;
    m.terms.push_back(term);
  }
  // The surface map: each of its points takes the measurement's nearest
  // grid point.
  m.mapSize = std::clamp(static_cast<int>(std::lround(2.0 * radius)) + 1, 16, kLargestMap);
  m.mapNm.assign(static_cast<std::size_t>(m.mapSize) * m.mapSize, kNoHeight);
  for (int i = 0; i < m.mapSize; ++i) {
    const double y = 1.0 - 2.0 * i / (m.mapSize - 1);
    for (int j = 0; j < m.mapSize; ++j) {
      const double x = -1.0 + 2.0 * j / (m.mapSize - 1);
      const int row = static_cast<int>(std::lround(cy + y * radius));
      const int col = static_cast<int>(std::lround(cx + x * radius));
      if (x * x + y * y > 1.0 || row < 0 || row >= h || col < 0 || col >= w) continue;
      const double v = measured.waves[static_cast<std::size_t>(row * w + col)];
      double px, py;
      if (std::isnan(v) || !pixel(row, col, px, py)) continue;
      lowBasis(px, py);
      double focus = 0.0;
      for (int k = 0; k < 4; ++k) focus += z[k] * basis[k];
      m.mapNm[static_cast<std::size_t>(i * m.mapSize + j)] =
          0.5 * (v - wantedAt(px * px + py * py) - focus) * lambdaNm;
    }
  }

  std::vector<Bin> rings;
  for (Bin& bin : bins) {
    if (bin.count < 1.0) continue;
    bin.rho = std::sqrt(bin.sumU / bin.count);
    bin.waves = bin.sum / bin.count;
    rings.push_back(bin);
  }
  if (rings.size() < 8) {
    m.why = "the measurement covers too few of the mirror's zones";
    return m;
  }

  // Step 4: the conic. Gauss–Newton on ΔK with the residual's derivative
  // traced once about the wanted conic; piston and focus enter linearly.
  // Tukey's biweight sets local defects aside.
  const auto plus = residual.Radial(kConicStep, why);
  const auto minus = plus ? residual.Radial(-kConicStep, why) : std::nullopt;
  if (!plus || !minus) {
    m.why = "the null cannot be traced for a mirror of another conic: " + why;
    return m;
  }
  const std::size_t n = rings.size();
  std::vector<double> slope(n), robust(n, 1.0), error(n, 0.0);
  for (std::size_t k = 0; k < n; ++k) {
    slope[k] = (Radial(*plus, rings[k].rho) - Radial(*minus, rings[k].rho)) / (2.0 * kConicStep);
  }
  double deltaK = 0.0;
  std::vector<double> current = *wanted;
  std::vector<double> fitted;
  NormalEquations conicFit(3);
  double meanWeight = 0.0;
  for (const Bin& b : rings) meanWeight += b.count / static_cast<double>(n);
  bool settled = false;
  for (int step = 0; step < kMostConicSteps && !settled; ++step) {
    if (CancelRequested(cancel)) {
      m.cancelled = true, m.why = kStopped;
      return m;
    }
    conicFit = NormalEquations(3);
    for (std::size_t k = 0; k < n; ++k) {
      const double row[3] = {slope[k], 1.0, rings[k].rho * rings[k].rho};
      conicFit.Add(row, rings[k].waves - Radial(current, rings[k].rho),
                   robust[k] * rings[k].count / meanWeight);
    }
    const auto x = conicFit.Solution();
    if (!x) {
      m.why = "the measurement does not tell the conic apart from focus";
      return m;
    }
    fitted = *x;
    for (std::size_t k = 0; k < n; ++k) {
      const double u = rings[k].rho * rings[k].rho;
      error[k] = rings[k].waves - Radial(current, rings[k].rho) - fitted[0] * slope[k] - fitted[1] -
                 fitted[2] * u;
    }
    // The biweight's scale: the weighted median of |error| as a normal
    // deviation (1.4826 · MAD).
    std::vector<std::pair<double, double>> spread;
    double total = 0.0;
    for (std::size_t k = 0; k < n; ++k) {
      spread.push_back({std::fabs(error[k]), rings[k].count});
      total += rings[k].count;
    }
    std::sort(spread.begin(), spread.end());
    double median = 0.0, below = 0.0;
    for (const auto& [e, weight] : spread) {
      below += weight;
      median = e;
      if (below >= 0.5 * total) break;
    }
    const double scale = std::max(1.4826 * median, kSmallestScaleWaves);
    for (std::size_t k = 0; k < n; ++k) {
      const double t = error[k] / (kTukey * scale);
      robust[k] = std::fabs(t) < 1.0 ? std::pow(1.0 - t * t, 2.0) : 0.0;
    }
    deltaK += fitted[0];
    settled = std::fabs(fitted[0]) < 1e-7 && step >= 2;
    if (!settled) {
      const auto next = residual.Radial(deltaK, why);
      if (!next) {
        m.why = "the null cannot be traced for the conic the fit reached: " + why;
        return m;
      }
      current = *next;
    }
  }
  if (!settled) {
    m.why = "the conic's fit did not settle";
    return m;
  }
  m.conic = m.wantedConic + deltaK;
  double squares = 0.0, used2 = 0.0, setAside = 0.0, area = 0.0;
  for (std::size_t k = 0; k < n; ++k) {
    const double weight = robust[k] * rings[k].count / meanWeight;
    squares += weight * error[k] * error[k];
    used2 += robust[k] > 0.0 ? 1.0 : 0.0;
    setAside += (1.0 - robust[k]) * rings[k].count;
    area += rings[k].count;
  }
  const double variance =
      used2 > 3.0 ? squares / (used2 - 3.0) : std::numeric_limits<double>::quiet_NaN();
  m.conicUncertainty = std::sqrt(variance * conicFit.InverseDiagonal(0));
  m.conicSetAsidePercent = 100.0 * setAside / area;

  // Step 5: the surface against the wanted conic, ring by ring: the fitted
  // conic's sag less the wanted one's, plus what the fit left, halved into a
  // height; then piston and focus removed over the area.
  const double fittedConicPlusOne = s.ConicPlusOne + deltaK;
  std::vector<double> height(n);
  NormalEquations focus(2);
  for (std::size_t k = 0; k < n; ++k) {
    const double r = rings[k].rho * a;
    const double conicPart =
        (ConicSag(1.0 / R, fittedConicPlusOne, r) - ConicSag(1.0 / R, s.ConicPlusOne, r)) *
        kMmPerInch * 1e6;
    const double figure = 0.5 * error[k] * lambdaNm / NormalCosine(r, R, fittedConicPlusOne);
    height[k] = conicPart + figure;
    const double row[2] = {1.0, rings[k].rho * rings[k].rho};
    focus.Add(row, height[k], rings[k].count);
  }
  const auto f = focus.Solution();
  if (!f) {
    m.why = "the measurement's focus could not be removed";
    return m;
  }
  for (std::size_t k = 0; k < n; ++k) {
    height[k] -= (*f)[0] + (*f)[1] * rings[k].rho * rings[k].rho;
    m.profileRadius.push_back(rings[k].rho * a);
    m.profileHeightNm.push_back(height[k]);
  }
  // Heights at given radii: linear between rings, beyond the outermost
  // (the edge) along the last two.
  const auto heightAt = [&](double rho) {
    std::size_t k = 1;
    while (k + 1 < n && rings[k].rho < rho) ++k;
    if (rho <= rings[0].rho) k = 1;
    const double t = (rho - rings[k - 1].rho) / (rings[k].rho - rings[k - 1].rho);
    return height[k - 1] + t * (height[k] - height[k - 1]);
  };
  const int zones = CouderZoneCount(2.0 * a);
  for (int k = 1; k <= zones; ++k) {
    // The zone between √((k−1)/N) and √(k/N) of the radius (equal areas),
    // read at its mean radius.
    const double rho = std::sqrt((k - 0.5) / zones);
    m.zones.push_back({rho * a, heightAt(rho)});
  }
  m.zones.push_back({a, heightAt(1.0)});
  m.ok = true;
  return m;
}

}  // namespace vn
