// The Foucault reduction against readings traced in the test itself: where
// each zone's returning rays cross the axis for mirrors of known shape.
#include "analysis/foucault_reduction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

#include "support/independent_trace.h"
#include "support/start_up_set_up.h"

namespace vn {
namespace {

using test::kMm;

constexpr double kNmPerInch = 25.4e6;

// A mirror's height toward the light beyond the design's conic, inches, at a
// height y on the mirror.
using Bump = std::function<double(double y)>;

// Where the zone at mirror height h sends its returning ray across the axis
// (z, inches), for the design's lens and a mirror of conic K + deltaK with
// `bump` added, by the independent trace.
double CrossingOf(const SolvedSetUp& in, double deltaK, double h, const Bump& bump = {}) {
  NullTestSystem s = in.system;
  s.ConicPlusOne += deltaK;
  test::IndependentSetUp setUp(s, in.objectDistance, in.lensMirrorDistance);
  setUp.mirror.bump = bump;
  const std::optional<double> crossing = setUp.ReturnOfZone(h);
  EXPECT_TRUE(crossing.has_value()) << "zone " << h;
  return crossing.value_or(0.0);
}

// Knife readings on a scale whose zero is anywhere (here 123.4 mm beyond
// the crossing's origin), larger away from the mirror.
std::vector<FoucaultReading> ReadingsOf(const SolvedSetUp& in, const std::vector<double>& zones,
                                        double deltaK, const Bump& bump = {}) {
  std::vector<FoucaultReading> readings;
  for (double h : zones) readings.push_back({h, 123.4 * kMm - CrossingOf(in, deltaK, h, bump)});
  return readings;
}

// The true profile: the conic's change in sag (closed form) plus the bump.
double TrueProfileNm(const SolvedSetUp& in, double deltaK, double y, const Bump& bump) {
  const double R = std::fabs(in.system.MirrorRadius), k = in.system.ConicPlusOne;
  const auto sag = [&](double kk) {
    return y * y / (R * (1 + std::sqrt(1 - kk * y * y / (R * R))));
  };
  return (sag(k + deltaK) - sag(k) + (bump ? bump(y) : 0.0)) * kNmPerInch;
}

void ExpectRecovered(const SolvedSetUp& in, double deltaK, const Bump& bump, int zoneCount) {
  const std::vector<double> zones = CouderZoneRadii(in.system.MirrorSemiDiameter, zoneCount);
  const FoucaultReduction r = ReduceFoucaultReadings(in, ReadingsOf(in, zones, deltaK, bump));
  ASSERT_TRUE(r.ok) << r.why;
  // 0.002 in ΔK and 5 nm in the profile: what a mirror maker acts on.
  EXPECT_NEAR(r.deltaK, deltaK, 0.002) << "ΔK " << deltaK;
  EXPECT_NEAR(r.conic, in.system.ConicPlusOne - 1 + deltaK, 0.002);
  ASSERT_EQ(r.profile.size(), static_cast<std::size_t>(kFoucaultProfileSteps + 1));
  for (const FoucaultProfilePoint& p : r.profile) {
    EXPECT_NEAR(p.surfaceNm, TrueProfileNm(in, deltaK, p.radius, bump), 5.0)
        << "ΔK " << deltaK << " at " << p.radius / kMm << " mm";
  }
  // Readings traced without noise leave only the model's rounding.
  EXPECT_LT(r.rmsResidual, 1e-4 * kMm);
}

TEST(FoucaultReduction, RecoversConicsOffTheDesignsFromTracedReadings) {
  const SolvedSetUp in = test::StartUpExactInput();
  for (double deltaK : {0.0, 0.02, -0.02, 0.1, -0.1}) {
    ExpectRecovered(in, deltaK, {}, 6);
    ExpectRecovered(in, deltaK, {}, 4);  // the conic alone
  }
  // A perfect mirror's readings depart from the null by nothing.
  const std::vector<double> zones = CouderZoneRadii(in.system.MirrorSemiDiameter, 6);
  const FoucaultReduction perfect = ReduceFoucaultReadings(in, ReadingsOf(in, zones, 0.0));
  for (const FoucaultZone& z : perfect.zones) EXPECT_NEAR(z.fromNull, 0.0, 1e-9);
  EXPECT_LT(perfect.wavefrontRmsWaves, 0.001);
  EXPECT_NEAR(perfect.strehl, 1.0, 1e-4);
}

TEST(FoucaultReduction, RecoversARaisedZoneOnAConicOffTheDesigns) {
  // A raised zone 40 nm high peaking at √(3/4) ≈ 87% of the radius, on a
  // mirror 0.02 under-corrected.
  const SolvedSetUp in = test::StartUpExactInput();
  const double semi = in.system.MirrorSemiDiameter;
  const Bump zone = [semi](double y) {
    const double p = y / semi;
    return 40.0 / kNmPerInch * std::pow(p, 6) * (1 - p * p) / (27.0 / 256.0);
  };
  ExpectRecovered(in, 0.02, zone, 6);
  ExpectRecovered(in, -0.1, zone, 8);

  // The zone's wavefront: twice the surface with piston and focus removed,
  // integrated here over the area apart from the program's sampling.
  const std::vector<double> zones = CouderZoneRadii(semi, 8);
  const FoucaultReduction r = ReduceFoucaultReadings(in, ReadingsOf(in, zones, 0.0, zone));
  ASSERT_TRUE(r.ok);
  const int n = 4000;
  double su = 0, sw = 0, suu = 0, suw = 0, sww = 0;
  for (int i = 0; i < n; ++i) {
    const double u = (i + 0.5) / n, w = 2 * zone(semi * std::sqrt(u)) * kNmPerInch / 632.8;
    su += u, sw += w, suu += u * u, suw += u * w, sww += w * w;
  }
  const double b = (n * suw - su * sw) / (n * suu - su * su), a = (sw - b * su) / n;
  const double rms = std::sqrt((sww - a * sw - b * suw) / n);
  EXPECT_NEAR(r.wavefrontRmsWaves, rms, 0.02 * rms);
  EXPECT_NEAR(r.strehl, std::exp(-std::pow(2 * 3.141592653589793 * rms, 2)), 0.002);
}

TEST(FoucaultReduction, ReadingNoiseGivesAnHonestUncertainty) {
  // Six zones read with 0.02 mm of scatter, drawn with a fixed seed: an
  // honest 68% uncertainty holds the true ΔK about 68% of the time, within
  // twice itself about 92% (Student's t for the four degrees of freedom
  // left) and within three times nearly always. The bounds leave room for
  // the 200 draws' own scatter (about 3% on a fraction); an uncertainty
  // that ignored the few degrees of freedom, or a departure term let in by
  // chance, falls below them. It must stay useful too: through this null
  // 0.02 mm of scatter is about 0.015 in the conic.
  const SolvedSetUp in = test::StartUpExactInput();
  const std::vector<double> zones = CouderZoneRadii(in.system.MirrorSemiDiameter, 6);
  const std::vector<FoucaultReading> exact = ReadingsOf(in, zones, 0.05);
  std::mt19937 generator(26);
  std::normal_distribution<double> noise(0.0, 0.02 * kMm);
  const int draws = 200;
  int within[4] = {0, 0, 0, 0};
  double sumUncertainty = 0;
  for (int draw = 0; draw < draws; ++draw) {
    std::vector<FoucaultReading> readings = exact;
    for (FoucaultReading& r : readings) r.knife += noise(generator);
    const FoucaultReduction r = ReduceFoucaultReadings(in, readings);
    ASSERT_TRUE(r.ok) << r.why;
    const double off = std::fabs(r.deltaK - 0.05) / r.conicUncertainty;
    for (int k = 1; k <= 3; ++k) within[k] += off < k;
    sumUncertainty += r.conicUncertainty;
  }
  EXPECT_NEAR(within[1] / double(draws), 0.68, 0.08);
  EXPECT_GT(within[2] / double(draws), 0.86);
  EXPECT_GT(within[3] / double(draws), 0.92);
  EXPECT_LT(sumUncertainty / draws, 0.03);
}

TEST(FoucaultReduction, RefusesReadingsThatCannotBeReduced) {
  const SolvedSetUp in = test::StartUpExactInput();
  const double semi = in.system.MirrorSemiDiameter;
  const auto refused = [&](std::vector<FoucaultReading> readings, const std::string& why) {
    const FoucaultReduction r = ReduceFoucaultReadings(in, std::move(readings));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.why, why);
  };
  refused({{0.3 * semi, 0}, {0.6 * semi, 0}}, "at least three zones are needed to find the conic");
  refused({{0.3 * semi, 0}, {0.6 * semi, 0}, {1.2 * semi, 0}},
          "every zone's radius must lie on the mirror, between its centre and its edge");
  refused({{0.3 * semi, 0}, {0.6 * semi, 0}, {0.6 * semi, 1}},
          "two readings are given for the same zone");
  // A set-up the one validity check refuses, with its reason.
  SolvedSetUp touching = in;
  touching.objectDistance = 0;
  const FoucaultReduction r =
      ReduceFoucaultReadings(touching, {{0.3 * semi, 0}, {0.6 * semi, 0}, {0.9 * semi, 0}});
  EXPECT_EQ(r.why, "the set-up as built cannot be traced: the object distance must be positive");
}

}  // namespace
}  // namespace vn
