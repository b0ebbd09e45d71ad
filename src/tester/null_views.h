// What a tester sees looking at the mirror through the null: the Ronchigram,
// the Foucault (knife-edge) shadowgram and the interferogram, for the
// design's mirror or one whose conic constant differs by ΔK.
//
// The pictures are geometric shadowgrams, the standard for these tests:
// every point of the mirror is lit or not according to where its ray,
// traced exactly out and back through the null (mirror_through_null.h),
// crosses the plane of the grating or of the knife. The source is a slit of
// a given width parallel to the grating's lines and to the knife's edge: its
// image blurs each ray's point into a line of that width, which softens the
// bands and grades the knife's shadow. The interferogram is the exported
// residual (double pass: the light meets the mirror once, the lens twice)
// with the tilt and defocus the user dials in.
//
// The mirror is drawn as the tester sees it from behind the source: up is
// up, the tester's right is the picture's right. Grating lines and the
// knife's edge are vertical; the knife comes in from the right.
//
// Along the axis, the grating and the knife are placed from the return
// focus (the best reference point of the mirror shown): positive offsets lie
// inside focus, toward the lens, where the returning rays have not yet
// crossed; negative ones outside, beyond it. Lengths are inches.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/cancel_token.h"
#include "exact/verdict.h"
#include "tester/grey_image.h"
#include "tester/mirror_through_null.h"

namespace vn {

enum class TesterViewKind : std::uint8_t { Ronchi, Foucault, Fringes };

struct TesterViewSettings {
  TesterViewKind kind = TesterViewKind::Ronchi;
  int sizePx = 512;  // the mirror's disc, square

  // Ronchi: the grating's ruling and its place along the axis from the
  // return focus (+ inside). Without a place, it goes where about
  // kDefaultBands bands cross the mirror, inside focus.
  double gratingLinesPerInch = 100;
  std::optional<double> gratingOffset;

  // Foucault: the knife's place along the axis from the return focus
  // (+ inside), and its edge across the beam, from the axis toward the
  // knife's side (the right): 0 cuts the focus in half.
  double knifeOffset = 0;
  double knifeEdge = 0;

  // The source slit's width (Ronchi and Foucault), inches.
  double sourceWidth = 0.001;

  // Interferogram: tilt fringes across the mirror's diameter (vertical
  // fringes) and defocus, waves from the centre to the edge.
  double tiltFringes = 5;
  double defocusWaves = 0;

  bool inchUnits = false;  // the unit of the captions' lengths

  // Once set, the drawing stops at the next row of pixels (ok = false): a
  // large picture takes seconds.
  const CancelToken* cancel = nullptr;
  // The verdict on the set-up, when the host has it: a caption never calls
  // the picture of a set-up the verdict rejects a good one.
  std::optional<VerdictStatus> verdict;
};

inline constexpr double kDefaultBands = 4;
inline constexpr int kDiscMargin = 3;

struct TesterPicture {
  bool ok = false;
  std::string why;  // why there is no picture, when !ok
  // The mirror, sizePx square, its edge kDiscMargin pixels inside the square;
  // black around it. Zones whose rays miss the lens's clear aperture on the
  // way in or out are black too: the tester does not see them.
  GreyImage disc;
  std::string title;
  std::vector<std::string> caption;  // sentences, in order

  // The figures the caption gives.
  double planeZ = 0;       // grating or knife plane, inches
  double planeOffset = 0;  // from the return focus, + inside, inches
  double bandsAcross = 0;  // grating periods across the mirror's image in that plane
  // How far the bands bow at the mirror's edge, in band spacings: the
  // ruling coordinate of the edge's ray less the one a straight band (the
  // paraxial ray's proportion) predicts. 0 for straight bands; positive when
  // the bands' ends bend toward the centre line.
  double bandBow = 0;
  // The innermost zone that is not seen through the lens's clear aperture,
  // as a fraction of the mirror's radius; nothing when all of it is seen.
  std::optional<double> vignettedFrom;
};

// The grating's offset inside focus that shows about kDefaultBands bands.
double DefaultGratingOffset(const MirrorThroughNull& mirror, double linesPerInch);

TesterPicture RenderTesterView(const MirrorThroughNull& mirror, const TesterViewSettings& settings);

// Words for the view ("Ronchigram", "Foucault shadowgram", "Interferogram").
const char* TesterViewName(TesterViewKind kind);

}  // namespace vn
