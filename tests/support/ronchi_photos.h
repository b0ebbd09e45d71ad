// Ronchigram photos drawn by the tests, as a phone would take them through
// the null of the start-up set-up at the report's distances: the rays of
// conic mirrors traced through the null (the exact trace's rays, kept by the
// tester's model), but the bands drawn by the tests' own grating model, not
// by the tester's view, then blurred, noised, scaled and shifted.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "start_up_set_up.h"
#include "tester/grey_image.h"
#include "tester/mirror_through_null.h"

namespace vn::test {

constexpr double kLinesPerInch = 100;

// How a photo is taken: the mirror, the grating and the camera.
struct Shot {
  double deltaK = 0;
  double offsetInch = 0.2;  // grating inside the return focus
  double rotationDeg = 0;   // grating lines from the vertical, anticlockwise
  double sideways = 0.3;    // grating's sideways place, periods
  double centreX = 260, centreY = 230, radiusPx = 200;
  int width = 540, height = 470;
  double blurPx = 1.5;       // the camera's blur, Gaussian sigma
  double noiseGrey = 6;      // sensor noise, grey levels RMS
  double turnedEdgeNm = 0;   // a turned-down edge's depth at the rim
  double turnedFrom = 0.88;  // where it starts, fraction of the radius
  unsigned seed = 20261207;  // of the noise
};

// Linear interpolation in a table of equal steps over [0, 1].
inline double At(const std::vector<double>& table, double rho) {
  const double t = std::min(rho, 1.0) * static_cast<double>(table.size() - 1);
  const std::size_t i = std::min(static_cast<std::size_t>(t), table.size() - 2);
  return table[i] + (table[i + 1] - table[i]) * (t - static_cast<double>(i));
}

// The photo. Each pixel is the mean of 3 × 3 points; a point at apparent
// radius ρ' sees the ray that crosses the grating's plane at k(ρ')·ρ' from
// the axis, k from the traced rays' heights and slopes. The grating passes
// light through its clear half-periods (a 50% ruling), the mirror is lit
// less toward its edge, the background is dark; then the camera blurs and
// adds noise, and the levels are rounded to bytes.
//
// A turned edge of depth d falling as ((ρ − 0.8)/0.2)² beyond 0.8 of the
// radius tilts the surface there by δ'(r); a change ΔK of the conic tilts it
// by c³r³/2 per unit, so the edge's rays move as those of a conic whose ΔK
// is δ'(r)/(c³r³/2) there, and only there.
inline GreyImage Photo(const Shot& shot) {
  const SolvedSetUp in = StartUpExactInput();
  const TesterModel model(in);
  const MirrorThroughNull m = model.Mirror(shot.deltaK);
  const MirrorThroughNull m2 = model.Mirror(shot.deltaK + 1e-3);
  if (!m.ok || !m2.ok) return GreyImage();  // no photo: the fit of it fails
  const double plane = m.focusZ + shot.offsetInch;
  const auto proportion = [&](const MirrorThroughNull& mm, double rho, double z) {
    return At(mm.apparentHeight, rho) + (z - mm.sourceZ) * At(mm.apparentSlope, rho);
  };
  const double a = in.system.MirrorSemiDiameter, c = 1 / std::fabs(in.system.MirrorRadius);
  const double depth = shot.turnedEdgeNm / 25.4e6;
  const double phi = shot.rotationDeg * 3.14159265358979 / 180;
  std::vector<double> level(static_cast<std::size_t>(shot.width) * shot.height, 12.0);
  for (int row = 0; row < shot.height; ++row) {
    for (int col = 0; col < shot.width; ++col) {
      double sum = 0;
      for (int s = 0; s < 9; ++s) {
        const double x = (col + (s % 3 + 0.5) / 3 - shot.centreX) / shot.radiusPx;
        const double y = (shot.centreY - row - (s / 3 + 0.5) / 3) / shot.radiusPx;
        const double rho = std::hypot(x, y);
        if (rho > 1) {
          sum += 12;
          continue;
        }
        double k = proportion(m, rho, plane);
        if (depth > 0 && rho > shot.turnedFrom) {
          const double r = rho * a;
          const double width = 1 - shot.turnedFrom;
          const double slope = -2 * depth * (rho - shot.turnedFrom) / (width * width * a);
          const double edgeDeltaK = slope / (c * c * c * r * r * r / 2);
          const double perDeltaK = (proportion(m2, rho, m2.focusZ + shot.offsetInch) - k) / 1e-3;
          k += perDeltaK * edgeDeltaK;
        }
        const double u =
            k * (x * std::cos(phi) + y * std::sin(phi)) * kLinesPerInch + shot.sideways;
        const double phase = u + 0.25 - std::floor(u + 0.25);
        sum += 30 + (phase < 0.5 ? 190 * (1 - 0.25 * rho * rho) : 0);
      }
      level[static_cast<std::size_t>(row) * shot.width + col] = sum / 9;
    }
  }
  // The camera's blur: a Gaussian, one axis at a time.
  const int reach = static_cast<int>(std::ceil(3 * shot.blurPx));
  std::vector<double> kernel;
  double total = 0;
  for (int i = -reach; i <= reach; ++i) {
    kernel.push_back(std::exp(-0.5 * i * i / (shot.blurPx * shot.blurPx)));
    total += kernel.back();
  }
  for (double& w : kernel) w /= total;
  for (int pass = 0; pass < 2; ++pass) {
    std::vector<double> out(level.size(), 0.0);
    for (int row = 0; row < shot.height; ++row) {
      for (int col = 0; col < shot.width; ++col) {
        double v = 0;
        for (int i = -reach; i <= reach; ++i) {
          const int cc = pass == 0 ? std::clamp(col + i, 0, shot.width - 1) : col;
          const int rr = pass == 1 ? std::clamp(row + i, 0, shot.height - 1) : row;
          v += kernel[static_cast<std::size_t>(i + reach)] *
               level[static_cast<std::size_t>(rr) * shot.width + cc];
        }
        out[static_cast<std::size_t>(row) * shot.width + col] = v;
      }
    }
    level.swap(out);
  }
  // Noise by Box and Muller from the standard Mersenne twister, the same
  // on every library.
  std::mt19937 random(shot.seed);
  const auto uniform = [&] { return (random() + 0.5) / 4294967296.0; };
  GreyImage photo(shot.width, shot.height, 0);
  for (std::size_t i = 0; i < level.size(); ++i) {
    const double noise =
        std::sqrt(-2 * std::log(uniform())) * std::cos(2 * 3.14159265358979 * uniform());
    photo.pixels[i] = static_cast<std::uint8_t>(
        std::clamp(std::lround(level[i] + shot.noiseGrey * noise), 0L, 255L));
  }
  return photo;
}

}  // namespace vn::test
