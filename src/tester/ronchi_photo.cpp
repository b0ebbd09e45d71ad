// A Ronchigram photo through the null fitted to a conic mirror's bands.
#include "tester/ronchi_photo.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <random>
#include <thread>

#include "common/constants.h"
#include "common/helper_threads.h"
#include "common/number_text.h"

namespace vn {

namespace {

// The fitted pixels: the photo averaged in square bins so that the mirror
// is about this many bins across. The bands are a few to a few dozen across
// the mirror, so this keeps tens of bins per band and bounds the work
// whatever the camera's resolution.
constexpr double kFittedDiameter = 400;
// The outline is found on a copy at most this many pixels across.
constexpr int kOutlineSize = 800;

// Unknowns of the fit: the linear coefficients of the band profile (mean
// and its fall, the first harmonic and its fall, then the harmonics 2 to
// kHarmonics), then ΔK, the grating's offset and the lines' rotation.
constexpr int kHarmonics = 5;
constexpr int kLinear = 6 + 2 * (kHarmonics - 1);
constexpr int kUnknowns = kLinear + 3;
constexpr int kDeltaK = kLinear, kOffset = kLinear + 1, kRotation = kLinear + 2;
using Normal = std::array<std::array<double, kUnknowns>, kUnknowns>;
using Vector = std::array<double, kUnknowns>;

// Steps of the central difference in ΔK: far above the traces' rounding,
// and the bands move linearly across it.
constexpr double kDeltaKStep = 1e-3;
// The pixels are summed in this many fixed chunks, whatever the number of
// threads, so that the sums and the figures are the same on every machine.
constexpr int kChunks = 64;

// Neighbouring fitted pixels share the camera's blur and the bands' shape,
// so their residuals are not independent: the uncertainties are measured
// from the scatter of blocks of this many fitted pixels a side instead.
constexpr int kBlockPixels = 24;
// Whether the bands explain the photo at all is told on the means of cells
// of this many fitted pixels a side: the sensor's noise averages away in
// them, while a band (a dozen fitted pixels or more) stays.
constexpr int kCellPixels = 4;

struct FitPixels {
  std::vector<double> x, y, grey, t;  // apparent position, grey 0..1, table index ρ'·(n − 1)
  std::vector<int> zone, block;       // ring, and block of kBlockPixels a side
  std::vector<int> cell;              // cell of kCellPixels a side
  int blocks = 0, cells = 0;          // block and cell indices run below these
  std::size_t size() const { return x.size(); }
};

// The bands' model for one ΔK: the proportion k(ρ') of each apparent radius
// at the grating's plane, and its derivatives.
struct BandTables {
  MirrorThroughNull mirror, up, down;
  std::vector<double> k, dkdOffset, dkdDeltaK;
  double steps = 0;
  bool ok = false;
  std::string why;
};

double Lerp(const std::vector<double>& table, double t) {
  const std::size_t last = table.size() - 1;
  const std::size_t i = std::min(static_cast<std::size_t>(t), last - 1);
  const double f = t - static_cast<double>(i);
  return table[i] + (table[i + 1] - table[i]) * f;
}

std::vector<double> Proportion(const MirrorThroughNull& m, double offset) {
  std::vector<double> k(m.apparentHeight.size());
  const double plane = m.focusZ + offset - m.sourceZ;
  for (std::size_t j = 0; j < k.size(); ++j)
    k[j] = m.apparentHeight[j] + plane * m.apparentSlope[j];
  return k;
}

BandTables TraceTables(const TesterModel& model, double deltaK) {
  BandTables b;
  b.mirror = model.Mirror(deltaK);
  b.up = model.Mirror(deltaK + kDeltaKStep);
  b.down = model.Mirror(deltaK - kDeltaKStep);
  for (const MirrorThroughNull* m : {&b.mirror, &b.up, &b.down}) {
    if (!m->ok) {
      b.why = m->why;
      return b;
    }
  }
  b.steps = static_cast<double>(b.mirror.apparentHeight.size() - 1);
  b.ok = true;
  return b;
}

void SetOffset(BandTables& b, double offset) {
  b.k = Proportion(b.mirror, offset);
  b.dkdOffset = b.mirror.apparentSlope;
  const std::vector<double> up = Proportion(b.up, offset), down = Proportion(b.down, offset);
  b.dkdDeltaK.resize(up.size());
  for (std::size_t j = 0; j < up.size(); ++j)
    b.dkdDeltaK[j] = (up[j] - down[j]) / (2 * kDeltaKStep);
}

// Solves (a + λ·diag a)·δ = b by Gauss-Jordan elimination with partial
// pivoting on the columns scaled to unit diagonal; the inverse of the
// undamped matrix when λ = 0. False when the matrix is singular.
bool Solve(const Normal& a, const Vector& b, double lambda, Vector& delta, Normal* inverse) {
  Vector scale{};
  for (int i = 0; i < kUnknowns; ++i) {
    scale[i] = a[i][i] > 0.0 ? 1.0 / std::sqrt(a[i][i]) : 0.0;
    if (!(scale[i] > 0.0)) return false;
  }
  std::array<std::array<double, 2 * kUnknowns + 1>, kUnknowns> m{};
  for (int i = 0; i < kUnknowns; ++i) {
    for (int j = 0; j < kUnknowns; ++j) m[i][j] = a[i][j] * scale[i] * scale[j];
    m[i][i] += lambda;
    m[i][kUnknowns + i] = 1.0;
    m[i][2 * kUnknowns] = b[i] * scale[i];
  }
  for (int c = 0; c < kUnknowns; ++c) {
    int pivot = c;
    for (int r = c + 1; r < kUnknowns; ++r) {
      if (std::fabs(m[r][c]) > std::fabs(m[pivot][c])) pivot = r;
    }
    if (!(std::fabs(m[pivot][c]) > 1e-13)) return false;
    std::swap(m[c], m[pivot]);
    const double p = m[c][c];
    for (double& v : m[c]) v /= p;
    for (int r = 0; r < kUnknowns; ++r) {
      if (r == c || m[r][c] == 0.0) continue;
      const double f = m[r][c];
      for (int j = 0; j <= 2 * kUnknowns; ++j) m[r][j] -= f * m[c][j];
    }
  }
  for (int i = 0; i < kUnknowns; ++i) {
    delta[i] = m[i][2 * kUnknowns] * scale[i];
    if (inverse) {
      for (int j = 0; j < kUnknowns; ++j)
        (*inverse)[i][j] = m[i][kUnknowns + j] * scale[i] * scale[j];
    }
  }
  return true;
}

// Runs work(chunk) for the kChunks chunks on `threads` threads (the caller's
// one of them).
template <typename Work>
void ForChunks(int threads, Work work) {
  std::atomic<int> next{0};
  const auto worker = [&] {
    for (int c = next++; c < kChunks; c = next++) work(c);
  };
  std::vector<std::thread> helpers = StartHelperThreads(threads - 1, worker);
  worker();
  for (std::thread& h : helpers) h.join();
}

// One pass of the model over the pixels: the normal equations, the sum of
// squares and, when asked, the rings' shifts and each block's share of the
// gradient and of the rings' shifts (for the uncertainties).
struct Pass {
  Normal normal{};
  Vector gradient{};
  double sumSquares = 0;
  std::array<double, kRonchiZones> shiftDot{}, shiftNorm{};
  std::vector<double> blockGradient;  // blocks × kUnknowns, when kept
  std::vector<double> blockShift;     // blocks × kRonchiZones, when kept
};

struct Parameters {
  Vector p{};  // the linear coefficients, ΔK, offset (inches), rotation (radians)
};

Pass RunPass(const FitPixels& px, const BandTables& b, const Parameters& q, double linesPerInch,
             int threads, bool keepBlocks) {
  std::array<Pass, kChunks> parts;
  const double cosPhi = std::cos(q.p[kRotation]), sinPhi = std::sin(q.p[kRotation]);
  const auto& a = q.p;
  const std::size_t n = px.size();
  ForChunks(threads, [&](int chunk) {
    Pass& part = parts[static_cast<std::size_t>(chunk)];
    if (keepBlocks) {
      part.blockGradient.assign(static_cast<std::size_t>(px.blocks) * kUnknowns, 0.0);
      part.blockShift.assign(static_cast<std::size_t>(px.blocks) * kRonchiZones, 0.0);
    }
    const std::size_t begin = n * static_cast<std::size_t>(chunk) / kChunks;
    const std::size_t end = n * static_cast<std::size_t>(chunk + 1) / kChunks;
    std::array<double, kUnknowns> row{};
    for (std::size_t i = begin; i < end; ++i) {
      // Where the pixel's ray crosses the grating, in grating periods.
      const double x = px.x[i], y = px.y[i];
      const double xi = x * cosPhi + y * sinPhi, eta = -x * sinPhi + y * cosPhi;
      const double k = Lerp(b.k, px.t[i]);
      const double u = k * xi * linesPerInch;
      const double rr = x * x + y * y;
      // The band profile: mean and fall, the harmonics by the angle-sum
      // recurrence from the first.
      const double c1 = std::cos(2 * kPi * u), s1 = std::sin(2 * kPi * u);
      row[0] = 1, row[1] = rr, row[2] = c1, row[3] = s1, row[4] = rr * c1, row[5] = rr * s1;
      double dModelDu = (a[2] + a[4] * rr) * -s1 + (a[3] + a[5] * rr) * c1;
      double ch = c1, sh = s1;
      for (int h = 2; h <= kHarmonics; ++h) {
        const double c = ch * c1 - sh * s1, sn = sh * c1 + ch * s1;
        ch = c, sh = sn;
        const int j = 6 + 2 * (h - 2);
        row[j] = ch, row[j + 1] = sh;
        dModelDu += h * (a[j + 1] * ch - a[j] * sh);
      }
      dModelDu *= 2 * kPi;
      double model = 0;
      for (int j = 0; j < kLinear; ++j) model += a[j] * row[j];
      row[kDeltaK] = dModelDu * Lerp(b.dkdDeltaK, px.t[i]) * xi * linesPerInch;
      row[kOffset] = dModelDu * Lerp(b.dkdOffset, px.t[i]) * xi * linesPerInch;
      row[kRotation] = dModelDu * k * eta * linesPerInch;
      const double r = px.grey[i] - model;
      part.sumSquares += r * r;
      for (int j = 0; j < kUnknowns; ++j) {
        part.gradient[j] += row[j] * r;
        for (int l = 0; l <= j; ++l) part.normal[j][l] += row[j] * row[l];
      }
      if (keepBlocks) {
        const auto b = static_cast<std::size_t>(px.block[i]);
        for (int j = 0; j < kUnknowns; ++j) part.blockGradient[b * kUnknowns + j] += row[j] * r;
        // A radial shift of the ray's crossing by e periods moves u by
        // e·ξ/ρ'.
        const double rho = std::sqrt(rr);
        if (rho > 0) {
          const double g = dModelDu * xi / rho;
          const auto z = static_cast<std::size_t>(px.zone[i]);
          part.shiftDot[z] += g * r;
          part.shiftNorm[z] += g * g;
          part.blockShift[b * kRonchiZones + z] += g * r;
        }
      }
    }
  });
  Pass total;
  for (const Pass& part : parts) {
    total.sumSquares += part.sumSquares;
    for (int j = 0; j < kUnknowns; ++j) {
      total.gradient[j] += part.gradient[j];
      for (int l = 0; l <= j; ++l) total.normal[j][l] += part.normal[j][l];
    }
    for (int z = 0; z < kRonchiZones; ++z) {
      total.shiftDot[z] += part.shiftDot[z];
      total.shiftNorm[z] += part.shiftNorm[z];
    }
  }
  for (int j = 0; j < kUnknowns; ++j) {
    for (int l = j + 1; l < kUnknowns; ++l) total.normal[j][l] = total.normal[l][j];
  }
  if (keepBlocks) {
    total.blockGradient.assign(parts[0].blockGradient.size(), 0.0);
    total.blockShift.assign(parts[0].blockShift.size(), 0.0);
    for (const Pass& part : parts) {
      for (std::size_t k = 0; k < total.blockGradient.size(); ++k)
        total.blockGradient[k] += part.blockGradient[k];
      for (std::size_t k = 0; k < total.blockShift.size(); ++k)
        total.blockShift[k] += part.blockShift[k];
    }
  }
  return total;
}

// Otsu's threshold of a histogram: the level that best splits it in two.
int OtsuLevel(const std::array<double, 256>& histogram) {
  double total = 0, sum = 0;
  for (int i = 0; i < 256; ++i) {
    total += histogram[i];
    sum += i * histogram[i];
  }
  double below = 0, sumBelow = 0, best = -1;
  int level = 128;
  for (int i = 0; i < 255; ++i) {
    below += histogram[i];
    sumBelow += i * histogram[i];
    const double above = total - below;
    if (below == 0 || above == 0) continue;
    const double m0 = sumBelow / below, m1 = (sum - sumBelow) / above;
    const double between = below * above * (m0 - m1) * (m0 - m1);
    if (between > best) {
      best = between;
      level = i;
    }
  }
  return level;
}

struct Point {
  double x, y;
};

// The circle through points by Kåsa's algebraic least squares:
// x² + y² + D·x + E·y + F = 0.
std::optional<PhotoOutline> CircleThrough(const std::vector<Point>& points) {
  std::array<std::array<double, 4>, 3> m{};
  for (const Point& p : points) {
    const double row[3] = {p.x, p.y, 1.0};
    const double rhs = -(p.x * p.x + p.y * p.y);
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) m[i][j] += row[i] * row[j];
      m[i][3] += row[i] * rhs;
    }
  }
  for (int c = 0; c < 3; ++c) {
    int pivot = c;
    for (int r = c + 1; r < 3; ++r) {
      if (std::fabs(m[r][c]) > std::fabs(m[pivot][c])) pivot = r;
    }
    if (!(std::fabs(m[pivot][c]) > 1e-12)) return std::nullopt;
    std::swap(m[c], m[pivot]);
    for (int r = 0; r < 3; ++r) {
      if (r == c) continue;
      const double f = m[r][c] / m[c][c];
      for (int j = 0; j < 4; ++j) m[r][j] -= f * m[c][j];
    }
  }
  const double d = m[0][3] / m[0][0], e = m[1][3] / m[1][1], f = m[2][3] / m[2][2];
  const double r2 = 0.25 * (d * d + e * e) - f;
  if (!(r2 > 0)) return std::nullopt;
  return PhotoOutline{-0.5 * d, -0.5 * e, std::sqrt(r2)};
}

// The band profile's grey at ruling coordinate u (periods), ρ'² = rr.
double ProfileAt(const std::vector<double>& a, double u, double rr) {
  const double c1 = std::cos(2 * kPi * u), s1 = std::sin(2 * kPi * u);
  double level = a[0] + a[1] * rr + (a[2] + a[4] * rr) * c1 + (a[3] + a[5] * rr) * s1;
  double ch = c1, sh = s1;
  for (int h = 2; h <= kHarmonics; ++h) {
    const double c = ch * c1 - sh * s1, sn = sh * c1 + ch * s1;
    ch = c, sh = sn;
    const auto j = static_cast<std::size_t>(6 + 2 * (h - 2));
    level += a[j] * ch + a[j + 1] * sh;
  }
  return level;
}

}  // namespace

GreyImage FittedBands(const MirrorThroughNull& mirror, const RonchiPhotoFit& fit, int scale) {
  if (!fit.ok || !mirror.ok || mirror.apparentHeight.size() < 2 ||
      fit.bandProfile.size() != static_cast<std::size_t>(kLinear) || scale < 1) {
    return GreyImage();
  }
  const std::vector<double> k = Proportion(mirror, fit.gratingOffset);
  const double steps = static_cast<double>(k.size() - 1);
  const double cosPhi = std::cos(fit.rotationRadians), sinPhi = std::sin(fit.rotationRadians);
  const PhotoOutline& o = fit.outline;
  GreyImage bands(std::max(1, fit.photoWidth / scale), std::max(1, fit.photoHeight / scale), 0);
  for (int row = 0; row < bands.height; ++row) {
    for (int col = 0; col < bands.width; ++col) {
      const double x = ((col + 0.5) * scale - o.centreX) / o.radius;
      const double y = (o.centreY - (row + 0.5) * scale) / o.radius;
      const double rr = x * x + y * y;
      if (rr > kFittedRadius * kFittedRadius) continue;
      const double u =
          Lerp(k, std::sqrt(rr) * steps) * (x * cosPhi + y * sinPhi) * fit.gratingLinesPerInch;
      const double level = ProfileAt(fit.bandProfile, u, rr);
      bands.at(col, row) =
          static_cast<std::uint8_t>(std::lround(255.0 * std::clamp(level, 0.0, 1.0)));
    }
  }
  return bands;
}

std::optional<PhotoOutline> FindPhotoOutline(const GreyImage& photo) {
  if (photo.width < 16 || photo.height < 16) return std::nullopt;
  // Step 1: a copy at most kOutlineSize across, each pixel the mean of its
  // bin, smoothed over 3 × 3 so that the camera's noise makes no edges.
  const int bin =
      std::max(1, (std::max(photo.width, photo.height) + kOutlineSize - 1) / kOutlineSize);
  const int w = photo.width / bin, h = photo.height / bin;
  std::vector<double> small(static_cast<std::size_t>(w) * h, 0.0);
  for (int row = 0; row < h * bin; ++row) {
    for (int col = 0; col < w * bin; ++col) {
      small[static_cast<std::size_t>(row / bin) * w + col / bin] += photo.at(col, row);
    }
  }
  for (double& v : small) v /= bin * bin;
  std::vector<double> smooth(small.size(), 0.0);
  std::array<double, 256> histogram{};
  for (int row = 0; row < h; ++row) {
    for (int col = 0; col < w; ++col) {
      double sum = 0;
      int count = 0;
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          const int r = row + dy, c = col + dx;
          if (r < 0 || c < 0 || r >= h || c >= w) continue;
          sum += small[static_cast<std::size_t>(r) * w + c];
          ++count;
        }
      }
      const double v = sum / count;
      smooth[static_cast<std::size_t>(row) * w + col] = v;
      histogram[static_cast<std::size_t>(std::clamp(std::lround(v), 0L, 255L))] += 1;
    }
  }
  // Step 2: the brightness steps down, outward, along rays from the centre
  // of the bright pixels (above Otsu's threshold): the rim is one on nearly
  // every ray, lit band or dark band, while the bands' own edges, a frame
  // drawn round the picture or a reflection make steps that lie on no one
  // circle. A step is a local greatest fall over four pixels, above a
  // twentieth of the lit-to-dark contrast.
  const double level = OtsuLevel(histogram) + 0.5;
  double sumX = 0, sumY = 0, count = 0, brightSum = 0, darkSum = 0;
  for (int row = 0; row < h; ++row) {
    for (int col = 0; col < w; ++col) {
      const double v = smooth[static_cast<std::size_t>(row) * w + col];
      if (v > level) {
        sumX += col + 0.5, sumY += row + 0.5, count += 1, brightSum += v;
      } else {
        darkSum += v;
      }
    }
  }
  const double darkCount = static_cast<double>(w) * h - count;
  if (count < 50 || darkCount < 1) return std::nullopt;
  const double threshold = std::max(4.0, 0.05 * (brightSum / count - darkSum / darkCount));
  const double fromX = sumX / count, fromY = sumY / count;
  const auto sample = [&](double x, double y) {
    const int c = std::clamp(static_cast<int>(x), 0, w - 1);
    const int r = std::clamp(static_cast<int>(y), 0, h - 1);
    return smooth[static_cast<std::size_t>(r) * w + c];
  };
  constexpr int kRays = 360;
  std::vector<std::vector<Point>> steps(kRays);
  for (int ray = 0; ray < kRays; ++ray) {
    const double dx = std::cos(2 * kPi * ray / kRays), dy = std::sin(2 * kPi * ray / kRays);
    std::vector<double> grey;
    for (double s = 0;; s += 1) {
      const double x = fromX + s * dx, y = fromY + s * dy;
      if (x < 0 || y < 0 || x >= w || y >= h) break;
      grey.push_back(sample(x, y));
    }
    std::vector<double> fall;  // fall[i]: the fall across pixel i + 2 of the ray
    for (std::size_t i = 2; i + 2 < grey.size(); ++i) fall.push_back(grey[i - 2] - grey[i + 2]);
    for (std::size_t i = 1; i + 1 < fall.size(); ++i) {
      if (fall[i] > threshold && fall[i] >= fall[i - 1] && fall[i] > fall[i + 1]) {
        // The step's place: the centroid of the fall about its peak (a
        // sharp step between two pixels falls evenly on four).
        double weight = 0, moment = 0;
        for (std::size_t j = i > 2 ? i - 2 : 0; j <= std::min(i + 2, fall.size() - 1); ++j) {
          weight += std::max(0.0, fall[j]);
          moment += std::max(0.0, fall[j]) * static_cast<double>(j);
        }
        const double s = moment / weight + 2;
        steps[static_cast<std::size_t>(ray)].push_back({fromX + s * dx, fromY + s * dy});
      }
    }
  }
  // Step 3: the circle through steps on the most rays (a fixed draw of
  // circles through steps on three rays a third of a turn apart), the
  // larger of two about as well supported, then fitted by least squares to
  // each ray's step nearest it, with steps far off it dropped.
  const auto support = [&](const PhotoOutline& c, std::vector<Point>* nearest) {
    const double tolerance = std::max(1.5, 0.01 * c.radius);
    int rays = 0;
    for (const std::vector<Point>& onRay : steps) {
      double bestOff = tolerance;
      const Point* best = nullptr;
      for (const Point& p : onRay) {
        const double off = std::fabs(std::hypot(p.x - c.centreX, p.y - c.centreY) - c.radius);
        if (off <= bestOff) bestOff = off, best = &p;
      }
      if (best) {
        ++rays;
        if (nearest) nearest->push_back(*best);
      }
    }
    return rays;
  };
  std::mt19937 draw(20261207u);
  std::optional<PhotoOutline> circle;
  int bestRays = 0;
  for (int trial = 0; trial < 1500; ++trial) {
    const int first = static_cast<int>(draw() % kRays);
    std::vector<Point> three;
    for (int k = 0; k < 3; ++k) {
      const std::vector<Point>& onRay =
          steps[static_cast<std::size_t>((first + k * kRays / 3) % kRays)];
      if (onRay.empty()) break;
      three.push_back(onRay[draw() % onRay.size()]);
    }
    if (three.size() < 3) continue;
    const std::optional<PhotoOutline> c = CircleThrough(three);
    if (!c || c->radius < 12 || c->radius > std::hypot(w, h)) continue;
    const int rays = support(*c, nullptr);
    if (rays > bestRays * 1.1 || (rays >= bestRays * 0.9 && circle && c->radius > circle->radius))
      circle = *c, bestRays = std::max(bestRays, rays);
  }
  if (!circle || bestRays < kRays / 4) return std::nullopt;
  std::vector<Point> rim;
  support(*circle, &rim);
  for (int round = 0; round < 4; ++round) {
    circle = CircleThrough(rim);
    if (!circle) return std::nullopt;
    std::vector<double> distance;
    for (const Point& p : rim) {
      distance.push_back(
          std::fabs(std::hypot(p.x - circle->centreX, p.y - circle->centreY) - circle->radius));
    }
    std::vector<double> sorted = distance;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const double limit = std::max(1.5, 4.5 * sorted[sorted.size() / 2]);
    std::vector<Point> kept;
    for (std::size_t i = 0; i < rim.size(); ++i) {
      if (distance[i] <= limit) kept.push_back(rim[i]);
    }
    if (kept.size() == rim.size()) break;
    if (kept.size() < 8) return std::nullopt;
    rim = kept;
  }
  // Step 4: a disc worth the name: big enough to fit, within the picture
  // (a rim blurred a pixel or two past its edge aside), lit inside and
  // dark around.
  const double past = 2 + 0.01 * circle->radius;
  if (circle->radius < 12 || circle->centreX - circle->radius < -past ||
      circle->centreY - circle->radius < -past || circle->centreX + circle->radius > w + past ||
      circle->centreY + circle->radius > h + past) {
    return std::nullopt;
  }
  double inside = 0, around = 0;
  long inCount = 0, aroundCount = 0;
  for (int row = 0; row < h; ++row) {
    for (int col = 0; col < w; ++col) {
      const double d =
          std::hypot(col + 0.5 - circle->centreX, row + 0.5 - circle->centreY) / circle->radius;
      const double v = smooth[static_cast<std::size_t>(row) * w + col];
      if (d < 0.9) {
        inside += v;
        ++inCount;
      } else if (d > 1.1 && d < 1.4) {
        around += v;
        ++aroundCount;
      }
    }
  }
  if (inCount == 0 || (aroundCount > 0 && !(inside / inCount > around / aroundCount + 8))) {
    return std::nullopt;
  }
  return PhotoOutline{circle->centreX * bin, circle->centreY * bin, circle->radius * bin};
}

RonchiPhotoFit FitRonchiPhoto(const TesterModel& model, const GreyImage& photo,
                              const RonchiPhotoSettings& settings) {
  RonchiPhotoFit fit;
  fit.photoWidth = photo.width;
  fit.photoHeight = photo.height;
  fit.gratingLinesPerInch = settings.gratingLinesPerInch;
  fit.designConic = model.input().system.ConicPlusOne - 1.0;
  fit.objectDistance = model.input().objectDistance;
  fit.lensMirrorDistance = model.input().lensMirrorDistance;
  const auto stopped = [&] { return CancelRequested(settings.cancel); };
  const auto fail = [&](std::string why) {
    fit.ok = false;
    fit.cancelled = stopped();
    fit.why =
        fit.cancelled ? "the Ronchi photo's fit was stopped before it finished" : std::move(why);
    return fit;
  };
  const double lines = settings.gratingLinesPerInch;
  if (!(lines > 0) || !std::isfinite(lines))
    return fail("the grating needs a positive number of lines");
  if (!model.ok()) return fail(model.message());
  if (photo.width <= 0 || photo.height <= 0 ||
      photo.pixels.size() != static_cast<std::size_t>(photo.width) * photo.height) {
    return fail("the photo holds no picture");
  }
  const int threads =
      std::clamp(settings.threads > 0 ? settings.threads
                                      : static_cast<int>(std::thread::hardware_concurrency()),
                 1, 16);

  // Step 1: the mirror's outline, given or found.
  if (settings.outline) {
    fit.outline = *settings.outline;
  } else {
    const std::optional<PhotoOutline> found = FindPhotoOutline(photo);
    if (!found) {
      return fail(
          "the mirror's outline cannot be found in the photo: no lit disc wholly within the "
          "picture stands out from the dark around it. Give it with --photo-outline X,Y,R or "
          "type it in the window's Ronchi photo tab (outline by hand)");
    }
    fit.outline = *found;
    fit.outlineFound = true;
  }
  const PhotoOutline& o = fit.outline;
  if (!(o.radius >= 10) || !std::isfinite(o.centreX) || !std::isfinite(o.centreY)) {
    return fail("the mirror's outline must be at least 10 pixels in radius");
  }
  if (stopped()) return fail("");

  // Step 2: the pixels to fit, binned, inside the fitted radius and seen
  // through the lens's clear aperture.
  const BandTables design = TraceTables(model, 0.0);
  if (!design.ok) return fail(design.why);
  const MirrorThroughNull& perfect = design.mirror;
  const int bin = std::max(1, static_cast<int>(std::lround(2 * o.radius / kFittedDiameter)));
  fit.binning = bin;
  FitPixels px;
  const int gridWidth = photo.width / bin, gridHeight = photo.height / bin;
  const int blocksAcross = gridWidth / kBlockPixels + 1;
  px.blocks = blocksAcross * (gridHeight / kBlockPixels + 1);
  const int cellsAcross = gridWidth / kCellPixels + 1;
  px.cells = cellsAcross * (gridHeight / kCellPixels + 1);
  for (int row = 0; row < gridHeight; ++row) {
    for (int col = 0; col < gridWidth; ++col) {
      const double x = ((col + 0.5) * bin - o.centreX) / o.radius;
      const double y = (o.centreY - (row + 0.5) * bin) / o.radius;
      const double rho = std::sqrt(x * x + y * y);
      if (rho > kFittedRadius) continue;
      const double onMirror = Lerp(perfect.apparentMirror, rho * design.steps) * rho;
      if (perfect.Vignetted(onMirror)) continue;
      double sum = 0;
      for (int dy = 0; dy < bin; ++dy) {
        for (int dx = 0; dx < bin; ++dx) sum += photo.at(col * bin + dx, row * bin + dy);
      }
      px.x.push_back(x);
      px.y.push_back(y);
      px.grey.push_back(sum / (bin * bin) / 255.0);
      px.t.push_back(rho * design.steps);
      px.zone.push_back(
          std::min(kRonchiZones - 1, static_cast<int>(rho / kFittedRadius * kRonchiZones)));
      px.block.push_back(row / kBlockPixels * blocksAcross + col / kBlockPixels);
      px.cell.push_back(row / kCellPixels * cellsAcross + col / kCellPixels);
    }
  }
  fit.pixelsFitted = static_cast<long>(px.size());
  if (px.size() < 2000) {
    return fail("too little of the mirror lies in the photo and is seen through the lens to fit");
  }

  // Step 3: the first guess of the bands' rotation and count from straight
  // bands u = (N/2)·ξ: the rotation and count whose first harmonic best
  // matches the photo, over every 2° and every quarter band from 1 to 30.
  // With an offset guessed, the count stays within a factor 2 of its own.
  const double edgeSlope = design.mirror.apparentSlope.back();
  const double edgeHeight = design.mirror.apparentHeight.back();
  const double planeZero = design.mirror.focusZ - design.mirror.sourceZ;
  const auto bandsAt = [&](double offset) {
    return 2 * std::fabs(edgeHeight + (planeZero + offset) * edgeSlope) * lines;
  };
  double lowBands = 1, highBands = 30;
  if (settings.gratingOffset) {
    const double guess = bandsAt(*settings.gratingOffset);
    lowBands = std::max(0.5, guess / 2);
    highBands = std::max(lowBands + 1, guess * 2);
  }
  constexpr int kAngles = 90;
  constexpr double kBandStep = 0.25;
  const int counts = static_cast<int>((highBands - lowBands) / kBandStep) + 1;
  const std::size_t stride = std::max<std::size_t>(1, px.size() / 3000);
  double meanGrey = 0;
  for (double g : px.grey) meanGrey += g;
  meanGrey /= static_cast<double>(px.size());
  std::vector<double> scores(static_cast<std::size_t>(kAngles) * counts, 0.0);
  std::atomic<int> nextAngle{0};
  const auto scan = [&] {
    for (int angle = nextAngle++; angle < kAngles; angle = nextAngle++) {
      const double phi = kPi * angle / kAngles;
      std::vector<std::complex<double>> sums(static_cast<std::size_t>(counts));
      for (std::size_t i = 0; i < px.size(); i += stride) {
        const double xi = px.x[i] * std::cos(phi) + px.y[i] * std::sin(phi);
        std::complex<double> term = std::polar(px.grey[i] - meanGrey, kPi * lowBands * xi);
        const std::complex<double> step = std::polar(1.0, kPi * kBandStep * xi);
        for (int c = 0; c < counts; ++c) {
          sums[static_cast<std::size_t>(c)] += term;
          term *= step;
        }
      }
      for (int c = 0; c < counts; ++c) {
        scores[static_cast<std::size_t>(angle) * counts + c] =
            std::norm(sums[static_cast<std::size_t>(c)]);
      }
    }
  };
  {
    std::vector<std::thread> helpers = StartHelperThreads(threads - 1, scan);
    scan();
    for (std::thread& h : helpers) h.join();
  }
  if (stopped()) return fail("");
  const std::size_t best =
      static_cast<std::size_t>(std::max_element(scores.begin(), scores.end()) - scores.begin());
  const double startPhi = kPi * static_cast<double>(best / counts) / kAngles;
  const double startBands = lowBands + kBandStep * static_cast<double>(best % counts);
  // The offset that shows that many bands, on the side the tester gave
  // (inside when not given): k at the edge is ±N/(2·lines).
  double startOffset = 0;
  {
    const double side = settings.gratingOffset ? *settings.gratingOffset : 1.0;
    double chosen = kNotComputed;
    for (double sign : {1.0, -1.0}) {
      const double offset = (sign * startBands / (2 * lines) - edgeHeight) / edgeSlope - planeZero;
      const bool sameSide = (offset > 0) == (side > 0);
      if (sameSide &&
          (!std::isfinite(chosen) || std::fabs(offset - side) < std::fabs(chosen - side))) {
        chosen = offset;
      }
    }
    if (!std::isfinite(chosen))
      return fail("the grating's offset cannot be placed on the side given");
    startOffset = chosen;
  }

  // Step 4: damped Gauss-Newton from ΔK = 0, the guesses above and the
  // band profile fitted to them.
  Parameters q;
  q.p[kOffset] = startOffset;
  q.p[kRotation] = startPhi;
  BandTables tables = design;
  SetOffset(tables, startOffset);
  Pass pass = RunPass(px, tables, q, lines, threads, false);
  {
    // The linear coefficients alone: the model is zero, so the gradient's
    // linear part is the right-hand side of their normal equations.
    Normal linear{};
    Vector rhs{};
    for (int i = 0; i < kUnknowns; ++i) {
      linear[i][i] = 1.0;
      if (i < kLinear) {
        rhs[i] = pass.gradient[i];
        for (int j = 0; j < kLinear; ++j) linear[i][j] = pass.normal[i][j];
      }
    }
    Vector delta{};
    if (!Solve(linear, rhs, 0.0, delta, nullptr))
      return fail("the photo's grey levels do not vary across the mirror");
    for (int i = 0; i < kLinear; ++i) q.p[i] = delta[i];
  }
  pass = RunPass(px, tables, q, lines, threads, false);
  double lambda = 1e-3;
  bool settled = false;
  constexpr int kMaxIterations = 60;
  for (int iteration = 1; iteration <= kMaxIterations && !settled; ++iteration) {
    if (stopped()) return fail("");
    fit.iterations = iteration;
    bool accepted = false;
    for (int attempt = 0; attempt < 12 && !accepted; ++attempt) {
      Vector delta{};
      if (!Solve(pass.normal, pass.gradient, lambda, delta, nullptr)) {
        return fail("the photo cannot tell the mirror's conic from the grating's place");
      }
      Parameters trial = q;
      for (int i = 0; i < kUnknowns; ++i) trial.p[i] += delta[i];
      // The offset stays on its side of focus: the other side is another
      // test (see the header).
      if ((trial.p[kOffset] > 0) != (q.p[kOffset] > 0)) trial.p[kOffset] = 0.5 * q.p[kOffset];
      BandTables trialTables =
          trial.p[kDeltaK] == q.p[kDeltaK] ? tables : TraceTables(model, trial.p[kDeltaK]);
      if (stopped()) return fail("");
      if (!trialTables.ok) {
        lambda *= 4;
        continue;
      }
      SetOffset(trialTables, trial.p[kOffset]);
      Pass trialPass = RunPass(px, trialTables, trial, lines, threads, false);
      if (trialPass.sumSquares <= pass.sumSquares) {
        // Settled when ΔK moves by less than 1e-6 and the rest by as
        // little in its own scale.
        settled = std::fabs(delta[kDeltaK]) < 1e-6 &&
                  std::fabs(delta[kOffset]) < 1e-6 * std::fabs(q.p[kOffset]) + 1e-9 &&
                  std::fabs(delta[kRotation]) < 1e-6;
        const bool noGain = pass.sumSquares - trialPass.sumSquares <= 1e-12 * pass.sumSquares;
        q = trial;
        tables = std::move(trialTables);
        pass = std::move(trialPass);
        lambda = std::max(lambda / 4, 1e-9);
        accepted = true;
        settled = settled || (noGain && lambda <= 1e-6);
      } else {
        lambda *= 4;
      }
    }
    if (!accepted) settled = lambda > 1e3;  // no step lowers the residual: a minimum
  }
  // What to check when the bands do not fit the photo.
  const auto check = [&] {
    return ". Check the mirror's outline (" + std::string(fit.outlineFound ? "found" : "given") +
           " at (" + RoundedText(o.centreX, 1) + ", " + RoundedText(o.centreY, 1) + "), radius " +
           RoundedText(o.radius, 1) +
           " pixels: give it with --photo-outline or by hand in the window), the grating's lines "
           "per inch, and its offset's side of focus";
  };
  if (!settled) return fail("the fit of the photo did not settle, so no conic is given" + check());

  // Step 5: do the bands explain the photo? The photo less the fitted
  // bands, against the photo's own variation, both on the cells' means: a
  // conic's photo leaves a few hundredths there (the band profile's model
  // and the blur), a photo fitted with the wrong outline or grating, or no
  // Ronchigram at all, leaves half of it or more. Such a fit gives no conic.
  {
    const std::vector<double> profile(q.p.begin(), q.p.begin() + kLinear);
    const double cosPhi = std::cos(q.p[kRotation]), sinPhi = std::sin(q.p[kRotation]);
    std::vector<double> cellResidual(static_cast<std::size_t>(px.cells), 0.0);
    std::vector<double> cellGrey(cellResidual.size(), 0.0), cellCount(cellResidual.size(), 0.0);
    for (std::size_t i = 0; i < px.size(); ++i) {
      const double xi = px.x[i] * cosPhi + px.y[i] * sinPhi;
      const double rr = px.x[i] * px.x[i] + px.y[i] * px.y[i];
      const double model = ProfileAt(profile, Lerp(tables.k, px.t[i]) * xi * lines, rr);
      const auto c = static_cast<std::size_t>(px.cell[i]);
      cellResidual[c] += px.grey[i] - model;
      cellGrey[c] += px.grey[i];
      cellCount[c] += 1;
    }
    double left = 0, variation = 0;
    for (std::size_t c = 0; c < cellCount.size(); ++c) {
      if (cellCount[c] == 0) continue;
      left += cellResidual[c] * cellResidual[c] / cellCount[c];
      const double d = cellGrey[c] / cellCount[c] - meanGrey;
      variation += d * d * cellCount[c];
    }
    const double share = variation > 0 ? std::sqrt(left / variation) : 1.0;
    if (!(share <= kBandsExplainShare)) {
      return fail("the fitted bands do not match the photo (the photo less them is " +
                  RoundedText(100 * share, 0) +
                  "% of the photo's own variation across the mirror, RMS), so no conic is given" +
                  check());
    }
  }

  // Step 6: the uncertainties and the rings' shifts. The covariance is the
  // sandwich of the inverse normal matrix about the scatter of the blocks'
  // gradients, Σ_b g_b·g_bᵀ (the cluster-robust form): residuals correlated
  // within a block count once per block, and a band profile the model does
  // not follow exactly counts only as far as it pulls on each unknown.
  // G/(G − 1) corrects for the G blocks' own fit.
  pass = RunPass(px, tables, q, lines, threads, true);
  Normal inverse{};
  Vector unused{};
  if (!Solve(pass.normal, pass.gradient, 0.0, unused, &inverse)) {
    return fail("the photo cannot tell the mirror's conic from the grating's place");
  }
  int used = 0;
  for (int b = 0; b < px.blocks; ++b) {
    double any = 0;
    for (int j = 0; j < kUnknowns; ++j) any += std::fabs(pass.blockGradient[b * kUnknowns + j]);
    used += any > 0 ? 1 : 0;
  }
  fit.blocks = used;
  if (used < 20)
    return fail("too little of the mirror lies in the photo to measure the fit's scatter");
  const double small = static_cast<double>(used) / (used - 1);
  const auto variance = [&](int u) {
    // (I·M·I)_uu with M = Σ g_b·g_bᵀ: Σ_b (I_u · g_b)².
    double sum = 0;
    for (int b = 0; b < px.blocks; ++b) {
      double projected = 0;
      for (int j = 0; j < kUnknowns; ++j)
        projected += inverse[u][j] * pass.blockGradient[b * kUnknowns + j];
      sum += projected * projected;
    }
    return sum * small;
  };
  const double n = static_cast<double>(px.size());
  fit.rmsResidual = std::sqrt(pass.sumSquares / n);
  fit.bestDeltaK = q.p[kDeltaK];
  fit.deltaKUncertainty = std::sqrt(variance(kDeltaK));
  fit.gratingOffset = q.p[kOffset];
  fit.gratingOffsetUncertainty = std::sqrt(variance(kOffset));
  double degrees = std::remainder(q.p[kRotation] * 180 / kPi, 180.0);
  if (degrees <= -90) degrees += 180;
  fit.rotationDegrees = degrees;
  fit.bandsAcross = 2 * std::fabs(tables.k.back()) * lines;
  fit.bandContrast = std::hypot(q.p[2], q.p[3]) / std::max(std::fabs(q.p[0]), 1e-9);
  fit.bandProfile.assign(q.p.begin(), q.p.begin() + kLinear);
  fit.rotationRadians = q.p[kRotation];
  fit.conicExplains = true;
  for (int z = 0; z < kRonchiZones; ++z) {
    RonchiZone zone;
    zone.inner = kFittedRadius * z / kRonchiZones;
    zone.outer = kFittedRadius * (z + 1) / kRonchiZones;
    if (pass.shiftNorm[z] > 0) {
      zone.offBands = pass.shiftDot[z] / pass.shiftNorm[z];
      double scatter = 0;
      for (int b = 0; b < px.blocks; ++b) {
        const double share = pass.blockShift[static_cast<std::size_t>(b) * kRonchiZones + z];
        scatter += share * share;
      }
      zone.offUncertainty = std::sqrt(scatter * small) / pass.shiftNorm[z];
      zone.unexplained = std::fabs(zone.offBands) > kZoneShiftBands &&
                         std::fabs(zone.offBands) > kZoneShiftSigmas * zone.offUncertainty;
    }
    fit.conicExplains = fit.conicExplains && !zone.unexplained;
    fit.zones.push_back(zone);
  }
  if (fit.conicExplains) {
    fit.deltaK = fit.bestDeltaK;
    fit.conic = fit.designConic + fit.deltaK;
  } else {
    fit.deltaKUncertainty = kNotComputed;
  }
  fit.ok = true;
  return fit;
}

}  // namespace vn
