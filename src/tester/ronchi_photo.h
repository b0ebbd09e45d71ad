// A photo of the Ronchigram seen through the null, fitted to the bands a
// conic mirror shows there: what the mirror's conic constant is.
//
// The tester photographs the mirror through the lens with the grating near
// the return focus (a phone held behind the grating). Through a null, a
// mirror of the design's conic shows straight bands; one whose conic differs
// by ΔK shows bands that bow, and by how much only an exact trace through
// the lens can say. This module finds the mirror's outline in the photo,
// then fits the bands of a conic mirror traced through the null
// (mirror_through_null.h, the same rays the tester's view draws) to the
// photo's grey levels.
//
// The model of a pixel at apparent position (x, y) on the mirror (fractions
// of the outline's radius, y up, ρ'² = x² + y²): the ray the pixel sees
// crosses the grating's plane at height k(ρ')·ρ' from the axis
// (null_views.h: k = apparentHeight + (plane − source)·apparentSlope), so
// the grating's ruling coordinate there, in grating periods, is
//   u = k(ρ'; ΔK, offset) · (x·cos φ + y·sin φ) · linesPerInch,
// φ the rotation of the grating's lines from the photo's vertical. The grey
// level is a band profile of u: a mean and its fall toward the edge
// (1, ρ'²), and the first five harmonics of the grating's period (the
// first with a contrast that may fall toward the edge too). The grating's
// sideways position and the band profile's shape (its duty cycle, the slit's
// and the camera's blur, the exposure) are all in these fourteen linear
// coefficients, so the fit needs no knowledge of them. ΔK, the grating's
// offset along the axis (from the return focus of the mirror fitted, + inside,
// as the tester's view places it) and φ are fitted with them by damped
// Gauss-Newton least squares over the pixels, the Jacobian analytic in u and
// by central differences of the traces in ΔK.
//
// Which side of focus the grating stood is the tester's to say: the bands
// inside focus of a mirror with +ΔK look much like those outside focus
// with −ΔK. The first guess of the offset gives the side (inside when no
// guess is given); its size is found from the photo.
//
// Uncertainty: the photo's pixels are not independent (the camera's blur,
// the bands' own shape the model follows only closely), so the covariance
// is measured from the scatter of blocks of pixels rather than from pixel
// by pixel (the cluster-robust "sandwich" of least squares), so that ± the
// uncertainty is one standard deviation of ΔK from photo to photo.

// Zones the conic cannot explain: in rings of the mirror, how far the bands
// sit off the fitted bands, in band spacings, measured as a radial shift of
// the rays' crossing with the grating (which is what a zonal error of the
// mirror does). A ring off by more than kZoneShiftBands and by more than
// kZoneShiftSigmas of its own standard deviations is a zone the conic does
// not explain:
// the mirror is then not a conic (a turned edge, a central hill), and no ΔK
// is given for it.
//
// Lengths are inches, the engine's; the photo's positions are pixels, x to
// the right and y down from the top left corner of the picture.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/cancel_token.h"
#include "exact/exact_check.h"
#include "tester/grey_image.h"
#include "tester/mirror_through_null.h"

namespace vn {

// The mirror's outline in the photo, pixels.
struct PhotoOutline {
  double centreX = 0, centreY = 0, radius = 0;
};

// A ring whose bands sit off the fitted ones by more than this many band
// spacings, and by more than three of its own standard deviations, is a
// zone the conic does not explain. The fit leaves about a two-hundredth of
// a spacing in the rings of a conic mirror's photo (the band profile's
// model is that close); a turned edge 400 nm deep over the outer eighth of
// the start-up mirror, seen with ten bands, hooks the bands' ends by a
// tenth of a spacing and leaves a fiftieth, of either sign, in the outer
// rings where it and the conic fitted to it part. Half as deep, it reads
// as a conic (ΔK about −0.04): the bands cannot tell them apart.
inline constexpr double kZoneShiftBands = 0.015;
inline constexpr double kZoneShiftSigmas = 3;

// The fit explains the photo when the photo less the fitted bands, averaged
// over cells a few pixels across (the noise averaged away), is at most this
// share of the photo's own variation over the mirror, RMS. Conic mirrors'
// photos, blurred and noisy, leave a hundredth to a tenth; the same photos
// fitted with an outline 1.4 times too large leave 0.44 (or do not settle),
// a photo of noise all of it. Past this share no conic is given: the fit
// is not of this photo.
inline constexpr double kBandsExplainShare = 0.25;

// Rings of the mirror the residual is told in, equal steps of the apparent
// radius out to kFittedRadius.
inline constexpr int kRonchiZones = 12;
// The fit uses the mirror out to this fraction of the outline's radius: the
// edge itself is blurred into the dark around it.
inline constexpr double kFittedRadius = 0.96;

struct RonchiPhotoSettings {
  double gratingLinesPerInch = 0;
  // The offset's first guess, inches from the return focus, + inside.
  std::optional<double> gratingOffset;
  // The outline when the user marked it; found in the photo otherwise.
  std::optional<PhotoOutline> outline;
  const CancelToken* cancel = nullptr;
  int threads = 0;  // 0: one per core
};

struct RonchiZone {
  double inner = 0, outer = 0;  // fractions of the mirror's apparent radius
  double offBands = 0;          // bands' shift off the fitted ones, band spacings
  double offUncertainty = 0;    // one standard deviation
  bool unexplained = false;
};

struct RonchiPhotoFit {
  bool ok = false;
  bool cancelled = false;
  std::string why;  // why there is no fit, when !ok

  double objectDistance = 0;  // the set-up as built, inches
  double lensMirrorDistance = 0;
  // Where those distances come from, for the text (set by the host).
  std::string setUpSource;

  PhotoOutline outline;
  bool outlineFound = false;  // found in the photo, not given
  int photoWidth = 0, photoHeight = 0;
  int binning = 1;  // photo pixels averaged per side into one fitted pixel
  long pixelsFitted = 0;

  double gratingLinesPerInch = 0;
  double designConic = 0;
  // False when the bands show zones a conic cannot explain; ΔK and the
  // conic are then not given (NaN), bestDeltaK is the conic fitted anyway.
  bool conicExplains = false;
  double deltaK = kNotComputed;
  double deltaKUncertainty = kNotComputed;  // one standard deviation
  double conic = kNotComputed;
  double bestDeltaK = kNotComputed;
  double gratingOffset = kNotComputed;  // inches from the fitted mirror's return focus, + inside
  double gratingOffsetUncertainty = kNotComputed;
  double rotationDegrees =
      kNotComputed;  // grating lines from the photo's vertical, + anticlockwise
  double bandsAcross = kNotComputed;
  double bandContrast = kNotComputed;  // first harmonic's amplitude over the mean, at the centre
  double rmsResidual = kNotComputed;   // grey, fraction of white
  int blocks = 0;  // blocks of fitted pixels the uncertainties are measured from
  int iterations = 0;
  std::vector<RonchiZone> zones;
  // The band profile's linear coefficients and the lines' rotation, for
  // drawing the fitted bands (FittedBands).
  std::vector<double> bandProfile;
  double rotationRadians = 0;
};

// Fits the photo with the bands of conic mirrors traced through the null of
// `model` (its set-up as built). Never throws; a photo without a mirror to
// find, a fit that does not settle, or a trace that fails comes back as
// ok = false with a reason; a set cancel token stops the work at its next
// pass over the pixels.
RonchiPhotoFit FitRonchiPhoto(const TesterModel& model, const GreyImage& photo,
                              const RonchiPhotoSettings& settings);

// The mirror's outline found in the photo: the disc lit through the grating
// against the dark around it. Nothing when no disc stands out.
std::optional<PhotoOutline> FindPhotoOutline(const GreyImage& photo);

// The bands the fit found, drawn as the photo's grey levels for `mirror`
// (the fitted ΔK's, or another the user tries by hand; the grating where
// the fit put it, from that mirror's return focus): one pixel per `scale`
// photo pixels a side, 0 outside the fitted part of the mirror. Empty when
// the fit or the mirror is not ok.
GreyImage FittedBands(const MirrorThroughNull& mirror, const RonchiPhotoFit& fit, int scale);

// The fit as the report's text block and as one JSON object (lengths in
// the run's unit).
std::string RonchiPhotoText(const RonchiPhotoFit& fit, bool inchUnits);
std::string RonchiPhotoJson(const RonchiPhotoFit& fit, bool inchUnits);

}  // namespace vn
