// The Ronchi photo's fit against photos drawn by the tests themselves
// (support/ronchi_photos.h): the rays of conic mirrors traced through the
// null, but the bands, the camera's blur and noise, the scale and the place
// of the mirror in the picture are the tests' own, not the tester's view's.
#include "tester/ronchi_photo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "support/ronchi_photos.h"
#include "support/start_up_set_up.h"

namespace vn {
namespace {

using test::kLinesPerInch;
using test::Photo;
using test::Shot;

RonchiPhotoFit FitOf(const GreyImage& photo, std::optional<double> offsetGuess) {
  const TesterModel model(test::StartUpExactInput());
  RonchiPhotoSettings settings;
  settings.gratingLinesPerInch = kLinesPerInch;
  settings.gratingOffset = offsetGuess;
  return FitRonchiPhoto(model, photo, settings);
}

// Conic mirrors from ΔK −0.1 to +0.1, each in another place and size in
// the picture, with its grating turned and its bands blurred and noisy as a
// phone's photo, inside focus with no guess or outside with a rough one:
// ΔK comes back within 0.01 (what a tester needs to finish a mirror), and
// within three of the fit's own standard deviations; the rotation within
// half a degree and the outline within two pixels (a blurred edge's
// worth); and the overlay drawn for the fitted ΔK is the fit's model.
TEST(RonchiPhotoFit, GivesBackTheConicOfBlurredNoisyPhotos) {
  struct Case {
    double deltaK, offset, rotation, radius, centreX, centreY, blur;
    std::optional<double> guess;  // the tester's first guess of the offset
  };
  const Case cases[] = {
      {-0.1, 0.2, 0, 200, 260, 230, 1.5, {}},  {-0.03, 0.15, 7, 150, 230, 250, 2.5, {}},
      {0.0, 0.3, -4, 220, 275, 240, 1.0, {}},  {0.05, 0.2, 12, 180, 300, 220, 2.0, {}},
      {0.1, 0.25, -9, 210, 265, 235, 1.5, {}}, {-0.06, -0.2, 3, 190, 270, 230, 1.5, -0.3}};
  for (const Case& c : cases) {
    Shot shot;
    shot.deltaK = c.deltaK;
    shot.offsetInch = c.offset;
    shot.rotationDeg = c.rotation;
    shot.radiusPx = c.radius;
    shot.centreX = c.centreX;
    shot.centreY = c.centreY;
    shot.blurPx = c.blur;
    const GreyImage photo = Photo(shot);
    const RonchiPhotoFit fit = FitOf(photo, c.guess);
    SCOPED_TRACE("delta K " + std::to_string(c.deltaK));
    ASSERT_TRUE(fit.ok) << fit.why;
    EXPECT_TRUE(fit.conicExplains);
    EXPECT_NEAR(fit.deltaK, c.deltaK, 0.01);
    EXPECT_NEAR(fit.deltaK, c.deltaK, 3 * fit.deltaKUncertainty);
    EXPECT_LT(fit.deltaKUncertainty, 0.02);  // honest, but still a measurement
    EXPECT_NEAR(fit.rotationDegrees, c.rotation, 0.5);
    EXPECT_NEAR(fit.outline.radius, c.radius, 2);
    EXPECT_NEAR(fit.gratingOffset, c.offset, 0.01);
    // The bands drawn for the fitted ΔK (the overlay) are the fit's model:
    // over the fitted part of the mirror they leave the fit's own residual.
    const GreyImage bands =
        FittedBands(TesterModel(test::StartUpExactInput()).Mirror(fit.deltaK), fit, 1);
    double squares = 0;
    long count = 0;
    for (std::size_t i = 0; i < bands.pixels.size(); ++i) {
      if (bands.pixels[i] == 0) continue;
      const double d = (photo.pixels[i] - bands.pixels[i]) / 255.0;
      squares += d * d;
      ++count;
    }
    EXPECT_NEAR(std::sqrt(squares / count), fit.rmsResidual, 0.005);
  }
}

// A disc that nearly fills a square drawn with a white border (as a
// screenshot has), dark bands reaching its rim, and the same square in a
// wide dark margin: the outline is the disc's, not the border's, and the
// fit gives ΔK back. Fitted with an outline half as large
// again, or fitted to a photo of noise, the bands do not explain the photo
// and no conic is given.
TEST(RonchiPhotoFit, FindsAFullDiscAndRefusesWhatTheBandsDoNotExplain) {
  Shot shot;
  shot.deltaK = 0.05;
  shot.offsetInch = 0.24;
  shot.radiusPx = 255;
  for (int margin : {0, 120}) {
    shot.width = shot.height = 520 + 2 * margin;
    shot.centreX = shot.centreY = 260 + margin;
    SCOPED_TRACE("margin " + std::to_string(margin));
    GreyImage photo = Photo(shot);
    for (int row = 0; row < 520; ++row) {
      for (int col = 0; col < 520; ++col) {
        if (std::min({row, col, 519 - row, 519 - col}) < 4)
          photo.at(col + margin, row + margin) = 255;
      }
    }
    const RonchiPhotoFit fit = FitOf(photo, 0.24);
    ASSERT_TRUE(fit.ok) << fit.why;
    EXPECT_NEAR(fit.outline.radius, 255, 2);
    EXPECT_NEAR(std::hypot(fit.outline.centreX - shot.centreX, fit.outline.centreY - shot.centreY),
                0, 2);
    EXPECT_NEAR(fit.deltaK, 0.05, 0.01);

    const TesterModel model(test::StartUpExactInput());
    RonchiPhotoSettings settings;
    settings.gratingLinesPerInch = kLinesPerInch;
    settings.gratingOffset = 0.24;
    settings.outline = PhotoOutline{shot.centreX, shot.centreY, 1.44 * 255};
    GreyImage noise = photo;
    std::mt19937 random(7);
    for (std::uint8_t& v : noise.pixels) v = static_cast<std::uint8_t>(random() % 256);
    for (const GreyImage& wrong : {photo, noise}) {
      const RonchiPhotoFit refused = FitRonchiPhoto(model, wrong, settings);
      EXPECT_FALSE(refused.ok);
      EXPECT_TRUE(std::isnan(refused.conic) && std::isnan(refused.deltaK));
      EXPECT_NE(refused.why.find("--photo-outline"), std::string::npos) << refused.why;
    }
  }
}

// A paraboloid with a turned-down edge, 400 nm deep at the rim and 12% of
// the radius wide, seen with about ten bands: its bands hook by a tenth of a
// spacing at the edge as no conic's do. The fit says so and gives no ΔK.
TEST(RonchiPhotoFit, CallsATurnedEdgeNoConic) {
  Shot shot;
  shot.turnedEdgeNm = 400;
  shot.offsetInch = 0.4;
  const RonchiPhotoFit fit = FitOf(Photo(shot), std::nullopt);
  ASSERT_TRUE(fit.ok) << fit.why;
  EXPECT_FALSE(fit.conicExplains);
  EXPECT_TRUE(std::isnan(fit.deltaK));
  EXPECT_TRUE(fit.zones.back().unexplained);
}

}  // namespace
}  // namespace vn
