// The tester's pictures against the geometry of the tests: straight bands
// for a perfect null, bands that curve the way the mirror's zones focus for
// a wrong conic, the knife's shadow on the side the rays say.
#include "tester/null_views.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "support/bare_mirror.h"
#include "support/start_up_set_up.h"
#include "tester/mirror_through_null.h"

namespace vn {
namespace {

constexpr int kSize = 512;

// The change from lit to dark along the picture's row at height y (a
// fraction of the mirror's apparent radius, up positive) nearest to x, in
// fractions of the radius, sharpened between pixels by their grey levels;
// NaN when the row has none.
double BandEdgeNear(const GreyImage& disc, double y, double x) {
  const double half = 0.5 * disc.width, radius = half - kDiscMargin;
  const int row = static_cast<int>(std::lround(half - 0.5 - y * radius));
  double best = std::nan("");
  for (int col = 1; col < disc.width; ++col) {
    const int before = disc.at(col - 1, row), here = disc.at(col, row);
    if (before < 128 || here >= 128) continue;
    const double f = (before - 127.5) / (before - here);
    const double edge = (col - 1 + f + 0.5 - half) / radius;
    if (edge * edge + y * y > 0.98) continue;  // the rim
    if (std::isnan(best) || std::fabs(edge - x) < std::fabs(best - x)) best = edge;
  }
  return best;
}

double MeanGrey(const GreyImage& disc, bool rightHalf) {
  double sum = 0.0;
  int count = 0;
  const double half = 0.5 * disc.width, radius = half - kDiscMargin;
  for (int row = 0; row < disc.height; ++row) {
    for (int col = 0; col < disc.width; ++col) {
      const double x = (col + 0.5 - half) / radius, y = (half - row - 0.5) / radius;
      if (x * x + y * y > 0.9 || (x > 0.05) != rightHalf || std::fabs(x) <= 0.05) continue;
      sum += disc.at(col, row);
      ++count;
    }
  }
  return sum / count;
}

TesterViewSettings Ronchi(double offset) {
  TesterViewSettings s;
  s.kind = TesterViewKind::Ronchi;
  s.sizePx = kSize;
  s.gratingOffset = offset;
  // A slit a fifth of the grating's period wide grades each band's edges over
  // several pixels, so that the edges can be found between pixels.
  s.sourceWidth = 0.002;
  return s;
}

// A perfect mirror of the wanted conic seen through the start-up null.
const MirrorThroughNull& PerfectStartUpMirror() {
  static const MirrorThroughNull mirror = TesterModel(test::StartUpExactInput()).Mirror(0.0);
  return mirror;
}

// A spherical mirror seen from its centre of curvature returns every ray
// through that centre: in any plane a ray's height is the same proportion of
// its slope, which is where the tester sees its point of the mirror, and the
// bands are exactly straight.
TEST(RonchiView, SphereAtItsCentreShowsExactlyStraightBands) {
  const TesterModel model(test::BareMirrorAtCentre(4.0, 80.0, 0.0));
  ASSERT_TRUE(model.ok()) << model.message();
  const MirrorThroughNull mirror = model.Mirror(0.0);
  ASSERT_TRUE(mirror.ok) << mirror.why;
  const TesterPicture p = RenderTesterView(mirror, Ronchi(0.4));
  ASSERT_TRUE(p.ok) << p.why;
  EXPECT_NEAR(p.bandBow, 0.0, 1e-9);
  // 0.4" inside the focus of the f/10 cone (the edge ray 79.9" long from
  // the mirror): 2·4·0.4/79.9 = 0.04" across, 4.005 periods of 0.01".
  EXPECT_NEAR(p.bandsAcross, 4.005, 0.002);
}

// The start-up null leaves a residual of a few hundredths of a wave: its
// transverse ray errors are a fraction of a micrometre against a band
// spacing of a quarter millimetre, so the bands look straight, in the
// figures and in the picture (the edge of the first band at the middle row
// and at 60 % of the height agree to a pixel).
TEST(RonchiView, PerfectMirrorThroughTheStartUpNullShowsStraightBands) {
  const MirrorThroughNull& mirror = PerfectStartUpMirror();
  ASSERT_TRUE(mirror.ok) << mirror.why;
  TesterViewSettings s = Ronchi(0.0);
  s.gratingOffset.reset();  // the default place: about four bands
  const TesterPicture p = RenderTesterView(mirror, s);
  ASSERT_TRUE(p.ok) << p.why;
  EXPECT_NEAR(p.bandsAcross, kDefaultBands, 0.1);
  EXPECT_LT(std::fabs(p.bandBow), 0.05);
  const double middle = BandEdgeNear(p.disc, 0.0, 0.7);
  const double high = BandEdgeNear(p.disc, 0.6, middle);
  ASSERT_TRUE(std::isfinite(middle) && std::isfinite(high));
  EXPECT_NEAR(high, middle, 1.0 / (0.5 * kSize));
}

// A mirror more strongly aspheric than the null expects (ΔK < 0) bends its
// outer zones less: their rays cross the axis beyond the others. Inside
// focus those rays have not yet closed in as far as the paraxial proportion
// says, so a band (a line of equal height in the grating's plane) moves
// toward the centre line as it runs up to the edge: its ends bend inward,
// and the band bows by a positive amount. Outside focus the rays have
// crossed and the bending turns over; ΔK > 0 mirrors all of it. The same
// holds for a bare ellipsoid tested at its centre: its normals meet the axis
// at R − K·z, beyond the centre for K < 0.
TEST(RonchiView, WrongConicCurvesTheBandsTheWayItsZonesFocus) {
  struct Case {
    SolvedSetUp setUp;
    double deltaK;
    double offset;  // inches, + inside focus
    bool endsInward;
  };
  const SolvedSetUp null = test::StartUpExactInput();
  const Case cases[] = {
      {null, -0.2, 0.3, true},
      {null, +0.2, 0.3, false},
      {null, -0.2, -0.3, false},
      {null, +0.2, -0.3, true},
      {test::BareMirrorAtCentre(4.0, 80.0, 0.0), -0.2, 0.3, true},
      {test::BareMirrorAtCentre(4.0, 80.0, 0.0), +0.2, 0.3, false},
  };
  for (const Case& c : cases) {
    const TesterModel model(c.setUp);
    ASSERT_TRUE(model.ok()) << model.message();
    const MirrorThroughNull mirror = model.Mirror(c.deltaK);
    ASSERT_TRUE(mirror.ok) << mirror.why;
    const TesterPicture p = RenderTesterView(mirror, Ronchi(c.offset));
    ASSERT_TRUE(p.ok) << p.why;
    SCOPED_TRACE("deltaK " + std::to_string(c.deltaK) + " offset " + std::to_string(c.offset));
    EXPECT_GT(std::fabs(p.bandBow), 0.1);
    EXPECT_EQ(p.bandBow > 0, c.endsInward);
    // In the picture: a band halfway out, at the middle row and higher up.
    const double middle = BandEdgeNear(p.disc, 0.0, 0.45);
    const double high = BandEdgeNear(p.disc, 0.55, middle);
    ASSERT_TRUE(std::isfinite(middle) && std::isfinite(high));
    EXPECT_EQ(high < middle, c.endsInward);
    EXPECT_GT(std::fabs(high - middle), 1.0 / (0.5 * kSize));  // a pixel
  }
}

// Inside focus the returning rays have not crossed: the knife, coming in
// from the right, first cuts the rays from the mirror's right half, so that
// half goes dark. Outside focus they have crossed and the left half goes
// dark. At the focus itself with its edge on the axis the knife cuts every
// ray of a good null alike and the mirror greys evenly.
TEST(FoucaultView, KnifeDarkensTheSideTheRaysSay) {
  const MirrorThroughNull& mirror = PerfectStartUpMirror();
  ASSERT_TRUE(mirror.ok) << mirror.why;
  TesterViewSettings s;
  s.kind = TesterViewKind::Foucault;
  s.sizePx = 256;
  s.sourceWidth = 0.001;
  for (double offset : {0.2, -0.2}) {
    s.knifeOffset = offset;
    const TesterPicture p = RenderTesterView(mirror, s);
    ASSERT_TRUE(p.ok) << p.why;
    const bool insideFocus = offset > 0;  // then the right half is cut
    EXPECT_LT(MeanGrey(p.disc, insideFocus), 30.0) << offset;
    EXPECT_GT(MeanGrey(p.disc, !insideFocus), 225.0) << offset;
  }
  s.knifeOffset = 0.0;
  const TesterPicture even = RenderTesterView(mirror, s);
  EXPECT_NEAR(MeanGrey(even.disc, true), 127.5, 10.0);
  EXPECT_NEAR(MeanGrey(even.disc, false), 127.5, 10.0);
}

// N tilt fringes across the diameter: N dark fringes cross the middle row
// of a good null's interferogram.
TEST(FringesView, TiltGivesThatManyFringesAcross) {
  const MirrorThroughNull& mirror = PerfectStartUpMirror();
  ASSERT_TRUE(mirror.ok) << mirror.why;
  for (double tilt : {3.0, 6.0}) {
    TesterViewSettings s;
    s.kind = TesterViewKind::Fringes;
    s.sizePx = 400;
    s.tiltFringes = tilt;
    const TesterPicture p = RenderTesterView(mirror, s);
    ASSERT_TRUE(p.ok) << p.why;
    int darkEntries = 0;
    for (int col = 1; col < 400; ++col) {
      if (p.disc.at(col - 1, 200) >= 128 && p.disc.at(col, 200) < 128) ++darkEntries;
    }
    EXPECT_NEAR(darkEntries, tilt, 1.0);
  }
}

// The pictures' table of the mirror as the tester sees it is interpolated
// from rays at equal steps on the mirror. Tracing afresh the ray to the
// mirror point the table gives for an apparent radius must return at that
// apparent radius (its slope over the edge ray's, to 1e-9) and cross the
// source's plane at the table's height, to 1e-9 inch: a hundred-millionth
// of a grating's period, far below anything a picture can show.
TEST(ApparentMirror, TableAgreesWithRaysTracedAfresh) {
  const SolvedSetUp in = test::StartUpExactInput();
  const MirrorThroughNull& mirror = PerfectStartUpMirror();
  ASSERT_TRUE(mirror.ok) << mirror.why;
  const FoldedSystem folded = MakeFoldedSystem(in.system, in.objectDistance, in.lensMirrorDistance);
  const double edgeSlope = mirror.rays.back().dy / mirror.rays.back().dz;
  for (int j : {1, 37, 100, 141, 199}) {
    const double apparent = static_cast<double>(j) / kRayTableZones;
    const double onMirror = mirror.apparentMirror[j] * apparent;
    const Aim aim = AimAtMirrorHeight(folded, onMirror * in.system.MirrorSemiDiameter);
    ASSERT_FALSE(aim.failure.failed());
    const VectorRay ray = TraceFoldedRay(folded, aim.angle).returning;
    EXPECT_NEAR((ray.dy / ray.dz) / edgeSlope, apparent, 1e-9) << j;
    const double height = ray.y + (mirror.sourceZ - ray.z) * (ray.dy / ray.dz);
    EXPECT_NEAR(height, mirror.apparentHeight[j] * apparent, 1e-9) << j;
  }
  // The null barely distorts the mirror: its 70 % zone is seen within 1 %.
  EXPECT_NEAR(mirror.ApparentRadius(0.7), 0.7, 0.01);
}

// Vignetting, by the geometry of the cone: the rays from the source to the
// mirror cross the lens at heights nearly proportional to the zone they
// light (the lens is near the source and bends the cone only a little), so a
// clear aperture of 3/4 of the marginal ray's widest height on the lens
// (from the exact check's own marginal ray) cuts the mirror at about 3/4 of
// its radius. With the knife clear of the beam every zone the tester sees
// is lit: exactly the cut-off zones are dark, and none of the start-up
// set-up's, whose beam fills 73 % of its lens. Its caption may then call the
// bands straight; the cut-off set-up's, or one the verdict rejects, may not.
TEST(Vignetting, ZonesWhoseRaysMissTheClearApertureAreDark) {
  const auto litAlongMiddleRow = [](const TesterPicture& p, double x) {
    const double half = 0.5 * p.disc.width, radius = half - kDiscMargin;
    const int row = p.disc.height / 2;
    return p.disc.at(static_cast<int>(half + x * radius), row) > 200;
  };
  const auto captionOf = [](const TesterPicture& p) {
    std::string text;
    for (const std::string& sentence : p.caption) text += sentence + "\n";
    return text;
  };
  TesterViewSettings clear;
  clear.kind = TesterViewKind::Foucault;
  clear.sizePx = kSize;
  clear.knifeEdge = 10.0;  // far to the right of the beam: nothing is cut
  TesterViewSettings ronchi = Ronchi(0.0);
  ronchi.gratingOffset.reset();
  constexpr const char* kPraise = "Bands straight and evenly spaced";

  const SolvedSetUp startUp = test::StartUpExactInput();
  const MirrorThroughNull& seen = PerfectStartUpMirror();
  ASSERT_TRUE(seen.ok) << seen.why;
  const TesterPicture all = RenderTesterView(seen, clear);
  ASSERT_TRUE(all.ok) << all.why;
  EXPECT_FALSE(all.vignettedFrom.has_value());
  for (double x = -0.97; x <= 0.97; x += 0.01) EXPECT_TRUE(litAlongMiddleRow(all, x)) << x;
  EXPECT_NE(captionOf(RenderTesterView(seen, ronchi)).find(kPraise), std::string::npos);
  ronchi.verdict = VerdictStatus::NotANull;
  EXPECT_EQ(captionOf(RenderTesterView(seen, ronchi)).find(kPraise), std::string::npos);
  ronchi.verdict.reset();

  const ExactCheckResult check = RunExactCheck(startUp);
  ASSERT_TRUE(check.ok) << check.why;
  double widest = 0.0;
  for (double h : check.lensHeights) widest = std::max(widest, std::fabs(h));
  SolvedSetUp small = startUp;
  small.lensClearSemiDiameter = 0.75 * widest;
  const TesterModel cut(small);
  const MirrorThroughNull part = cut.Mirror(0.0);
  ASSERT_TRUE(part.ok) << part.why;
  const TesterPicture dark = RenderTesterView(part, clear);
  ASSERT_TRUE(dark.ok) << dark.why;
  ASSERT_TRUE(dark.vignettedFrom.has_value());
  EXPECT_NEAR(*dark.vignettedFrom, 0.75, 0.03);
  for (double x = -0.65; x <= 0.65; x += 0.01) EXPECT_TRUE(litAlongMiddleRow(dark, x)) << x;
  for (double x : {-0.97, -0.9, -0.85, 0.85, 0.9, 0.97})
    EXPECT_FALSE(litAlongMiddleRow(dark, x)) << x;
  const std::string caption = captionOf(RenderTesterView(part, ronchi));
  EXPECT_EQ(caption.find(kPraise), std::string::npos) << caption;
  EXPECT_NE(caption.find("Dark beyond 7"), std::string::npos) << caption;
}

}  // namespace
}  // namespace vn
