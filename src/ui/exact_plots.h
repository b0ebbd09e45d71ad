// The pictures of the exact check: the set-up drawn to scale in the meridional
// plane with the traced rays, and the curve plots of the returning wavefront
// and of the longitudinal aberration. Each picture is a plain description in
// the run's unit plus a routine that paints it into any rectangle of any
// painter, so the same drawing goes to the screen, to a PNG and to an SVG.
// ExactPlotWidget shows one picture and saves it.
#pragma once

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

class QPainter;

namespace vn {

// ---- Curve plots -------------------------------------------------------------

struct PlotSeries {
  QString name;  // shown in the legend
  QColor color;
  Qt::PenStyle style = Qt::SolidLine;
  std::vector<QPointF> points;  // non-finite points are left out
};

// A horizontal reference line across the plot, named at its right end.
struct PlotMarker {
  QString name;
  double y = 0;
  QColor color;
};

struct CurvePlot {
  QString title;
  QString xLabel;
  QString yLabel;
  std::vector<PlotSeries> series;
  std::vector<PlotMarker> markers;
  double minYSpan = 0;      // the y range never shrinks below this (flat curves)
  bool includeZero = true;  // the y range always shows the zero line
};

void PaintCurvePlot(QPainter& painter, const QRectF& area, const CurvePlot& plot);

// ---- The set-up to scale -----------------------------------------------------

// Lengths in the run's unit, in the trace's frame: z along the axis from the
// source toward the mirror, 0 at the lens's source-side vertex; y the height.
// Radii are signed, positive when the centre of curvature lies toward the
// mirror; beyond 1e30 a face is flat.
struct SetUpPicture {
  QString unit;  // "mm" or "in"
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
  QString sourceToLensText;
  QString lensToMirrorText;
  // The same, shorter, for a picture too narrow for the above.
  QString sourceToLensShortText;
  QString lensToMirrorShortText;

  struct Ray {
    double zoneFraction = 0;
    std::vector<QPointF> points;  // (z, y)
  };
  std::vector<Ray> rays;
};

// The whole set-up in a band across the top, its heights stretched when it
// would be too thin to read, with the two distances marked; below it, the
// source and the lens magnified, to scale.
void PaintSetUp(QPainter& painter, const QRectF& area, const SetUpPicture& picture);

// Sag of a conic as drawn (engine/optics_primitives.h's ConicSag): heights
// beyond the conic's reach are held at its rim.
double DrawnSag(double curvature, double conicPlusOne, double y);

// Tick values covering [lo, hi] at a 1-2-5 step, about `count` of them.
std::vector<double> NiceTicks(double lo, double hi, int count);

// ---- One picture on screen ---------------------------------------------------

using PicturePainter = std::function<void(QPainter&, const QRectF&)>;

// The size, in logical pixels, at which pictures are written to files.
inline const QSize kExactPictureSize{960, 600};

class ExactPlotWidget : public QWidget {
  Q_OBJECT

 public:
  explicit ExactPlotWidget(QWidget* parent = nullptr);

  // Shows `paint`'s picture; `fileName` is the file name the context menu
  // proposes when saving it.
  void SetPicture(PicturePainter paint, const QString& fileName);
  // Shows `why` in place of a picture.
  void ClearPicture(const QString& why);
  // Shows the picture washed out with `note` over it, until the next
  // SetPicture or ClearPicture: it no longer belongs to the entries.
  void SetStale(const QString& note);
  bool HasPicture() const { return static_cast<bool>(paint_); }
  // Paints the picture into `area` of any painter (a printed page).
  void PaintOn(QPainter& painter, const QRectF& area) const {
    if (paint_) paint_(painter, area);
  }

  // Writes the picture at `logicalSize` (PNG at twice the pixels); false when
  // there is no picture or the file cannot be written.
  bool SavePng(const QString& path, QSize logicalSize) const;
  bool SaveSvg(const QString& path, QSize logicalSize) const;

  QSize sizeHint() const override { return {420, 240}; }
  QSize minimumSizeHint() const override { return {240, 150}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  // Text at least `minPixelSize` high: files are looked at larger than the
  // panel, so they get larger text.
  void Render(QPainter& painter, const QRectF& area, int minPixelSize) const;
  void SavePicture_Click();

  PicturePainter paint_;
  QString fileName_;
  QString emptyText_;
  QString staleNote_;
};

}  // namespace vn
