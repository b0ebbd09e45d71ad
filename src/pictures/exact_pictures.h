// The pictures of the exact check: the set-up drawn to scale in the meridional
// plane with the traced rays, and the curve plots of the returning wavefront
// and of the longitudinal aberration. Each picture is a plain description in
// the run's unit, made from the check's result, and a layout that turns it
// into a Drawing of any size: the window paints that drawing, and the
// command line and the window's files write it as SVG.
#pragma once

#include <string>
#include <vector>

#include "exact/exact_check.h"
#include "pictures/drawing.h"
#include "record/solved_set_up.h"

namespace vn {

// ---- Curve plots -------------------------------------------------------------

struct PlotSeries {
  std::string name;  // shown in the legend
  Colour colour;
  Dash dash = Dash::Solid;
  std::vector<Point> points;  // non-finite points are left out
};

// A horizontal reference line across the plot, named where no curve passes.
struct PlotMarker {
  std::string name;
  double y = 0;
  Colour colour;
};

struct CurvePlot {
  std::string title;
  std::string xLabel;
  std::string yLabel;
  std::vector<PlotSeries> series;
  std::vector<PlotMarker> markers;
  double minYSpan = 0;      // the y range never shrinks below this (flat curves)
  bool includeZero = true;  // the y range always shows the zero line
};

// ---- The set-up to scale -----------------------------------------------------

// Lengths in the run's unit, in the trace's frame: z along the axis from the
// source toward the mirror, 0 at the lens's source-side vertex; y the height.
// Radii are signed, positive when the centre of curvature lies toward the
// mirror; beyond 1e30 a face is flat.
struct SetUpPicture {
  std::string unit;  // "mm" or "in"
  double sourceZ = 0;
  double lensRadius1 = 0;  // source-side face
  double lensRadius2 = 0;  // mirror-side face
  double lensThickness = 0;
  double lensSemiDiameter = 0;
  double mirrorVertexZ = 0;
  double mirrorRadius = 0;  // negative: concave toward the source
  double mirrorConicPlusOne = 1;
  double mirrorSemiDiameter = 0;
  // The source-to-lens and lens-to-mirror distances to set up, with their
  // unit and which they are, marked on the drawing.
  std::string sourceToLensText;
  std::string lensToMirrorText;
  // The same, shorter, for a picture too narrow for the above.
  std::string sourceToLensShortText;
  std::string lensToMirrorShortText;

  struct Ray {
    double zoneFraction = 0;
    std::vector<Point> points;  // (z, y)
  };
  std::vector<Ray> rays;
};

// ---- The check's three pictures ------------------------------------------------

struct ExactPictures {
  SetUpPicture setUp;
  CurvePlot wavefront;
  CurvePlot aberration;
};

// The pictures of a check that succeeded (`check.ok`) of `setUp`, lengths in
// the set-up's unit. The distances marked on the set-up are the verdict's,
// with the report's beside them.
ExactPictures ExactPicturesOf(const ExactCheckResult& check, const SolvedSetUp& setUp);

// The size a picture is laid out for: pixels, and the size of its text in
// pixels.
struct PictureSize {
  double width = 0;
  double height = 0;
  double textSize = 12;
};

// The size at which pictures are written to files.
inline constexpr PictureSize kPictureFileSize{960, 600, 14};

// The whole set-up in a band across the top, its heights stretched when it
// would be too thin to read, with the two distances marked; below it, the
// source and the lens magnified, to scale. On a white ground with a margin.
Drawing DrawSetUp(const SetUpPicture& picture, const PictureSize& size);
// Axes, ticks, the curves, their legend and the markers.
Drawing DrawCurvePlot(const CurvePlot& plot, const PictureSize& size);

// Sag of a conic as drawn (engine/optics_primitives.h's ConicSag): heights
// beyond the conic's reach are held at its rim.
double DrawnSag(double curvature, double conicPlusOne, double y);

// Tick values covering [lo, hi] at a 1-2-5 step, about `count` of them.
std::vector<double> NiceTicks(double lo, double hi, int count);

}  // namespace vn
