// The exact check's wavefront against the independent trace of
// support/independent_trace.h, and beyond it: the exit pupil from a paraxial
// y-nu trace, the reference sphere met by the plain quadratic, the RMS by
// Simpson's rule on 1000 zones in ρ and the best focus by golden section. It
// shares only the definitions: error on the reference sphere through the
// exit pupil about the focus of least RMS over the mirror's area.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "exact/exact_check.h"
#include "record/solved_set_up.h"
#include "run/null_finder.h"
#include "support/independent_trace.h"
#include "support/recording_host.h"

namespace vn {
namespace {

using test::Real;

// The stop's (mirror vertex's) paraxial image back through the lens, by a
// y-nu trace in the direction of travel (curvatures change sign).
Real ExitPupilZ(const test::IndependentSetUp& s) {
  const Real d2 = s.mirror.vertexZ - s.back.vertexZ, t = s.back.vertexZ - s.front.vertexZ;
  Real y = d2, nu = 1;
  nu = nu - y * (s.n - 1) * (-s.back.c);
  y = y + t * nu / s.n;
  nu = nu - y * (1 - s.n) * (-s.front.c);
  return s.front.vertexZ + y / nu;  // the crossing lies y/u beyond the face, toward −z
}

struct Measured {
  Real pv, rms;
};

Measured Independent(const NullTestSystem& s, double D, double d2, double wavelengthMicrons) {
  const test::IndependentSetUp setUp(s, D, d2);
  constexpr int kZones = 1000;
  std::vector<test::TracedRay> rays;
  Real h = 0, guess = 1e-3L;
  rays.push_back(setUp.Trace(0, &h).value());
  for (int i = 1; i <= kZones; ++i)
    rays.push_back(setUp.Aim(setUp.edge * i / kZones, guess).value());
  const Real pupilZ = ExitPupilZ(setUp);

  const auto errors = [&](Real focusZ) {
    const Real radius = std::fabs(pupilZ - focusZ);
    std::vector<Real> w;
    for (const test::TracedRay& r : rays) {
      const Real dz = std::cos(r.angle), dy = std::sin(r.angle);
      const Real b = dz * (r.z - focusZ) + dy * r.y;
      const Real c = (r.z - focusZ) * (r.z - focusZ) + r.y * r.y - radius * radius;
      const Real root = std::sqrt(b * b - c);
      Real s1 = -b + root;
      if ((r.z + s1 * dz - focusZ) * (pupilZ - focusZ) < 0) s1 = -b - root;
      w.push_back((r.path + s1) * 25400 / wavelengthMicrons);
    }
    for (std::size_t i = w.size(); i-- > 0;) w[i] -= w[0];
    return w;
  };
  // Simpson's rule in ρ on ∫ f·2ρ dρ over [0, 1].
  const auto rms = [&](Real focusZ) {
    const std::vector<Real> w = errors(focusZ);
    Real mean = 0, square = 0;
    for (int i = 0; i <= kZones; ++i) {
      const Real weight = (i == 0 || i == kZones ? 1
                           : i % 2               ? 4
                                                 : 2) *
                          2 * Real(i) / kZones / 3 / kZones;
      mean += weight * w[i], square += weight * w[i] * w[i];
    }
    return std::sqrt(square - mean * mean);
  };
  Real spread = 0;
  for (const test::TracedRay& r : rays) {
    spread = std::max(spread, std::fabs(r.z - r.y / std::tan(r.angle) - setUp.sourceZ));
  }
  Real a = setUp.sourceZ - 2 * spread, b = setUp.sourceZ + 2 * spread;
  const Real g = (std::sqrt(Real(5)) - 1) / 2;
  for (int i = 0; i < 200 && b - a > 1e-14L * std::fabs(setUp.sourceZ); ++i) {
    const Real x1 = b - g * (b - a), x2 = a + g * (b - a);
    if (rms(x1) <= rms(x2)) {
      b = x2;
    } else {
      a = x1;
    }
  }
  const std::vector<Real> w = errors((a + b) / 2);
  const auto [lo, hi] = std::minmax_element(w.begin(), w.end());
  return {*hi - *lo, rms((a + b) / 2)};
}

TEST(WavefrontAgreement, MatchesAnIndependentTraceFromF2p5ToF10) {
  // The start-up lens and a 317.5 mm paraboloid at f/2.5, f/4, f/6 and f/10,
  // at the run's distances and at the exact null: the P-V must agree within
  // 0.001 waves and the RMS within 0.0002 (the independent trace is exact to
  // far better; the margins are those the program promises).
  for (const char* roc : {"1587.5", "2540", "3810", "6350"}) {
    test::RecordingHost host;
    host.entries[Entry::MirrorRadiusOfCurvature] = roc;
    SharedValues shared;
    NullFinder finder(shared, nullptr);
    host.RunWith(finder);
    const RunRecord& run = finder.lastRun();
    ASSERT_TRUE(run.converged) << roc;
    const ExactCheckResult check = RunExactCheck(SolvedSetUpOf(run));
    ASSERT_TRUE(check.ok && check.exactNull.converged) << roc << check.why;

    const Measured atRun = Independent(run.system, run.solution.ObjectDistance,
                                       run.solution.LensMirrorDistance, 0.6328);
    EXPECT_NEAR(check.pvWaves, static_cast<double>(atRun.pv), 0.001) << roc;
    EXPECT_NEAR(check.rmsWaves, static_cast<double>(atRun.rms), 0.0002) << roc;
    const Measured atNull = Independent(run.system, check.exactNull.objectDistance,
                                        check.exactNull.lensMirrorDistance, 0.6328);
    EXPECT_NEAR(check.exactNull.pvWaves, static_cast<double>(atNull.pv), 0.001) << roc;
    EXPECT_NEAR(check.exactNull.rmsWaves, static_cast<double>(atNull.rms), 0.0002) << roc;
  }
}

}  // namespace
}  // namespace vn
