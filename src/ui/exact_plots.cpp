// The exact check's pictures: axes, ticks and curves drawn with QPainter, and
// the set-up in true proportion.
#include "ui/exact_plots.h"

#include <QContextMenuEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontInfo>
#include <QImage>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <limits>

#ifdef VN_HAVE_QTSVG
#include <QSvgGenerator>
#endif

namespace vn {

namespace {

const QColor kInk(40, 40, 40);
// The smallest text on the screen, in pixels.
constexpr int kScreenMinPixelSize = 9;
const QColor kGrid(226, 226, 226);
const QColor kAxisLine(150, 150, 150);

// ---- Scales and ticks -----------------------------------------------------------

// The 1-2-5 step that cuts `span` into about `count` parts.
double NiceStep(double span, int count) {
  const double raw = span / std::max(1, count);
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  const double norm = raw / magnitude;
  const double nice = norm < 1.5 ? 1 : norm < 3.5 ? 2 : norm < 7.5 ? 5 : 10;
  return nice * magnitude;
}

// A tick label with as many decimals as the step needs, "0" for the tick at
// zero however the sum of steps rounded.
QString TickText(double value, double step) {
  if (std::fabs(value) < step * 1e-6) value = 0;
  const int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
  if (decimals > 8) return QString::number(value, 'g', 3);
  return QString::number(value, 'f', decimals);
}

double TickStep(const std::vector<double>& ticks, double lo, double hi) {
  return ticks.size() >= 2 ? ticks[1] - ticks[0] : std::max(hi - lo, 1e-300);
}

// A data rectangle [x0, x1] × [y0, y1] laid onto a rectangle of the picture.
struct Frame {
  QRectF px;
  double x0 = 0, x1 = 1, y0 = 0, y1 = 1;

  QPointF Map(double x, double y) const {
    return {px.left() + (x - x0) / (x1 - x0) * px.width(),
            px.bottom() - (y - y0) / (y1 - y0) * px.height()};
  }
  double Scale() const { return px.width() / (x1 - x0); }  // pixels per unit along x
};

// Widens the data range of the shorter side so that one unit is as long
// across as it is up: the drawing is to scale and still fills the frame.
void MakeEqualScale(Frame& f) {
  const double s = std::min(f.px.width() / (f.x1 - f.x0), f.px.height() / (f.y1 - f.y0));
  const double xMid = 0.5 * (f.x0 + f.x1), yMid = 0.5 * (f.y0 + f.y1);
  f.x0 = xMid - 0.5 * f.px.width() / s;
  f.x1 = xMid + 0.5 * f.px.width() / s;
  f.y0 = yMid - 0.5 * f.px.height() / s;
  f.y1 = yMid + 0.5 * f.px.height() / s;
}

int TickCount(double pixels, double spacing) {
  return std::max(2, static_cast<int>(pixels / spacing));
}

QString WidestText(const std::vector<double>& ticks, double step, const QFontMetricsF& fm,
                   double& width) {
  QString widest;
  width = 0;
  for (double t : ticks) {
    const QString text = TickText(t, step);
    if (fm.horizontalAdvance(text) > width) {
      width = fm.horizontalAdvance(text);
      widest = text;
    }
  }
  return widest;
}

// Grid, frame, tick labels and the axis captions around `f`. The y caption
// runs up the left edge of `outer`; the x caption sits centred under the
// tick labels when `xLabel` is not empty.
void DrawAxes(QPainter& p, const Frame& f, const QRectF& outer, const QString& xLabel,
              const QString& yLabel, int xCount, int yCount, bool grid) {
  const QFontMetricsF fm(p.font());
  const std::vector<double> xt = NiceTicks(f.x0, f.x1, xCount);
  const std::vector<double> yt = NiceTicks(f.y0, f.y1, yCount);
  const double xStep = TickStep(xt, f.x0, f.x1), yStep = TickStep(yt, f.y0, f.y1);
  const double tick = 4;

  p.save();
  if (grid) {
    p.setPen(QPen(kGrid, 1));
    for (double x : xt) p.drawLine(f.Map(x, f.y0), f.Map(x, f.y1));
    for (double y : yt) p.drawLine(f.Map(f.x0, y), f.Map(f.x1, y));
  }
  p.setPen(QPen(kInk, 1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(f.px);
  for (double x : xt) {
    const QPointF at = f.Map(x, f.y0);
    p.drawLine(at, at - QPointF(0, tick));
    const QString text = TickText(x, xStep);
    const double w = fm.horizontalAdvance(text);
    p.drawText(QRectF(at.x() - w / 2 - 2, f.px.bottom() + 2, w + 4, fm.height()), Qt::AlignCenter,
               text);
  }
  for (double y : yt) {
    const QPointF at = f.Map(f.x0, y);
    p.drawLine(at, at + QPointF(tick, 0));
    p.drawText(
        QRectF(outer.left(), at.y() - fm.height() / 2, f.px.left() - 4 - outer.left(), fm.height()),
        Qt::AlignRight | Qt::AlignVCenter, TickText(y, yStep));
  }
  if (!xLabel.isEmpty()) {
    p.drawText(QRectF(f.px.left(), f.px.bottom() + 2 + fm.height(), f.px.width(), fm.height()),
               Qt::AlignCenter, xLabel);
  }
  if (!yLabel.isEmpty()) {
    p.translate(outer.left(), f.px.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-f.px.height() / 2 - 40, 0, f.px.height() + 80, fm.height()),
               Qt::AlignHCenter | Qt::AlignTop, yLabel);
  }
  p.restore();
}

QPolygonF MappedPolyline(const Frame& f, const std::vector<QPointF>& points) {
  QPolygonF line;
  for (const QPointF& pt : points) {
    if (std::isfinite(pt.x()) && std::isfinite(pt.y())) line << f.Map(pt.x(), pt.y());
  }
  return line;
}

// A short sample of a series' line followed by its name; returns the width used.
double DrawLegendEntry(QPainter& p, QPointF at, const QString& name, const QColor& color,
                       Qt::PenStyle style, const QFontMetricsF& fm) {
  const double sample = 22;
  p.setPen(QPen(color, 2, style));
  p.drawLine(at + QPointF(0, fm.height() / 2), at + QPointF(sample, fm.height() / 2));
  p.setPen(kInk);
  p.drawText(QPointF(at.x() + sample + 4, at.y() + fm.ascent()), name);
  return sample + 4 + fm.horizontalAdvance(name);
}

// Text on a translucent white plate so that lines beneath do not hide it.
void DrawPlateText(QPainter& p, QPointF topLeft, const QString& text, bool bold = false) {
  p.save();
  QFont font = p.font();
  font.setBold(bold);
  p.setFont(font);
  const QFontMetricsF fm(font);
  const QRectF box(topLeft, QSizeF(fm.horizontalAdvance(text) + 6, fm.height() + 2));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 215));
  p.drawRect(box);
  p.setPen(kInk);
  p.drawText(box, Qt::AlignCenter, text);
  p.restore();
}

// ---- The set-up ---------------------------------------------------------------

double CurvatureOf(double radius) {
  return std::fabs(radius) > 1e30 || radius == 0 ? 0.0 : 1.0 / radius;
}

QColor RayColor(double zoneFraction) {
  if (zoneFraction >= 0.95) return QColor(214, 39, 40);  // marginal
  if (zoneFraction >= 0.4) return QColor(44, 160, 44);
  return QColor(31, 119, 180);
}

QString ZoneName(double zoneFraction) {
  return QStringLiteral("%1% zone").arg(std::lround(zoneFraction * 100));
}

// The lens's outline: the source-side face from the bottom edge to the top,
// the rim, the mirror-side face back down.
QPolygonF LensOutline(const SetUpPicture& s, const Frame& f) {
  constexpr int kSteps = 48;
  const double c1 = CurvatureOf(s.lensRadius1), c2 = CurvatureOf(s.lensRadius2);
  const double h = s.lensSemiDiameter;
  QPolygonF outline;
  for (int i = 0; i <= kSteps; ++i) {
    const double y = -h + 2 * h * i / kSteps;
    outline << f.Map(ConicSag(c1, 1, y), y);
  }
  for (int i = kSteps; i >= 0; --i) {
    const double y = -h + 2 * h * i / kSteps;
    outline << f.Map(s.lensThickness + ConicSag(c2, 1, y), y);
  }
  return outline;
}

// The mirror's reflecting face with a flat-backed blank behind it.
void DrawMirror(QPainter& p, const SetUpPicture& s, const Frame& f) {
  constexpr int kSteps = 64;
  const double c = CurvatureOf(s.mirrorRadius), h = s.mirrorSemiDiameter;
  const double back = s.mirrorVertexZ + h / 4;  // a blank a sixth or so of its diameter thick
  QPolygonF face;
  for (int i = 0; i <= kSteps; ++i) {
    const double y = -h + 2 * h * i / kSteps;
    face << f.Map(s.mirrorVertexZ + ConicSag(c, s.mirrorConicPlusOne, y), y);
  }
  QPolygonF blank = face;
  blank << f.Map(back, h) << f.Map(back, -h);
  p.setPen(QPen(QColor(160, 160, 160), 1));
  p.setBrush(QColor(225, 225, 225));
  p.drawPolygon(blank);
  p.setPen(QPen(kInk, 2));
  p.setBrush(Qt::NoBrush);
  p.drawPolyline(face);
}

// Everything inside one view: axis, mirror, lens, rays and source.
void DrawSetUpContents(QPainter& p, const SetUpPicture& s, const Frame& f, bool labelSource) {
  p.save();
  p.setClipRect(f.px.adjusted(1, 1, -1, -1));

  QPen axisPen(kAxisLine, 1, Qt::DashDotLine);
  p.setPen(axisPen);
  p.drawLine(f.Map(f.x0, 0), f.Map(f.x1, 0));

  DrawMirror(p, s, f);

  p.setPen(QPen(QColor(40, 90, 160), 1.2));
  p.setBrush(QColor(200, 224, 248));
  p.drawPolygon(LensOutline(s, f));

  p.setBrush(Qt::NoBrush);
  for (const SetUpPicture::Ray& ray : s.rays) {
    p.setPen(QPen(RayColor(ray.zoneFraction), 1.2));
    p.drawPolyline(MappedPolyline(f, ray.points));
  }

  const QPointF source = f.Map(s.sourceZ, 0);
  p.setPen(Qt::NoPen);
  p.setBrush(kInk);
  p.drawEllipse(source, 3, 3);
  if (labelSource) {
    p.setPen(kInk);
    const QFontMetricsF fm(p.font());
    p.drawText(QPointF(source.x() + 4, source.y() + fm.height() + 2), QStringLiteral("source"));
  }
  p.restore();
}

}  // namespace

// ---- Shared routines ----------------------------------------------------------

double ConicSag(double curvature, double conicPlusOne, double y) {
  // Written with the root in the denominator so that it stays accurate as
  // the curvature goes to zero and holds for a paraboloid (conicPlusOne = 0).
  double y2 = y * y;
  const double reach = conicPlusOne * curvature * curvature;  // 1 / (largest height)²
  if (reach * y2 > 1) y2 = 1 / reach;
  return curvature * y2 / (1 + std::sqrt(1 - reach * y2));
}

std::vector<double> NiceTicks(double lo, double hi, int count) {
  std::vector<double> ticks;
  if (!(hi > lo) || !std::isfinite(lo) || !std::isfinite(hi)) return ticks;
  const double step = NiceStep(hi - lo, count);
  const double first = std::ceil(lo / step - 1e-9), last = std::floor(hi / step + 1e-9);
  for (double k = first; k <= last && ticks.size() < 200; k += 1) ticks.push_back(k * step);
  return ticks;
}

// ---- Curve plot ---------------------------------------------------------------

void PaintCurvePlot(QPainter& p, const QRectF& area, const CurvePlot& plot) {
  const QFontMetricsF fm(p.font());
  const double lh = fm.height();

  // The data's extent.
  double x0 = std::numeric_limits<double>::infinity(), x1 = -x0, y0 = x0, y1 = -x0;
  for (const PlotSeries& s : plot.series) {
    for (const QPointF& pt : s.points) {
      if (!std::isfinite(pt.x()) || !std::isfinite(pt.y())) continue;
      x0 = std::min(x0, pt.x());
      x1 = std::max(x1, pt.x());
      y0 = std::min(y0, pt.y());
      y1 = std::max(y1, pt.y());
    }
  }
  for (const PlotMarker& m : plot.markers) {
    if (!std::isfinite(m.y)) continue;
    y0 = std::min(y0, m.y);
    y1 = std::max(y1, m.y);
  }
  if (!(x1 > x0)) {
    x0 = std::isfinite(x0) ? x0 - 1 : 0;
    x1 = x0 + 2;
  }
  if (!std::isfinite(y0)) y0 = y1 = 0;
  if (plot.includeZero) {
    y0 = std::min(y0, 0.0);
    y1 = std::max(y1, 0.0);
  }
  if (y1 - y0 < plot.minYSpan) {
    const double mid = 0.5 * (y0 + y1);
    y0 = mid - 0.5 * plot.minYSpan;
    y1 = mid + 0.5 * plot.minYSpan;
  }
  if (!(y1 > y0)) {
    y0 -= 1;
    y1 += 1;
  }

  // Header: the title on the left, the legend on the right, or on a row of
  // its own when the two do not fit side by side.
  QFont bold = p.font();
  bold.setBold(true);
  const double titleWidth = QFontMetricsF(bold).horizontalAdvance(plot.title);
  double legendWidth = 0;
  const bool legend = plot.series.size() > 1;
  if (legend) {
    for (const PlotSeries& s : plot.series) legendWidth += 26 + fm.horizontalAdvance(s.name) + 14;
  }
  const bool legendRow = titleWidth + 20 + legendWidth > area.width();
  const double header = (legendRow ? 2 : 1) * lh + 6;

  // The frame's height first, then the y ticks, whose widest label sets the
  // left margin.
  QRectF px(area.left(), area.top() + header, area.width(), area.height() - header - 2 * lh - 6);
  const int yCount = TickCount(px.height(), 2.4 * lh);
  const double yStep = NiceStep(y1 - y0, yCount);
  y0 = std::floor(y0 / yStep + 1e-9) * yStep;
  y1 = std::ceil(y1 / yStep - 1e-9) * yStep;
  double yLabelWidth = 0;
  WidestText(NiceTicks(y0, y1, yCount), yStep, fm, yLabelWidth);
  const double rightPad = 0.5 * fm.horizontalAdvance(QStringLiteral("100")) + 2;
  px.setLeft(area.left() + lh + 4 + yLabelWidth + 6);
  px.setRight(area.right() - rightPad);
  if (px.width() < 20 || px.height() < 20) return;

  Frame f{px, x0, x1, y0, y1};
  const int xCount = TickCount(px.width(), 4 * fm.horizontalAdvance(QStringLiteral("0.00")));
  DrawAxes(p, f, area, plot.xLabel, plot.yLabel, xCount, yCount, true);

  p.save();
  p.setFont(bold);
  p.setPen(kInk);
  p.drawText(QRectF(area.left(), area.top(), area.width(), lh), Qt::AlignLeft | Qt::AlignVCenter,
             plot.title);
  p.restore();
  p.save();
  QPointF at(legendRow ? px.left() : area.right() - legendWidth, area.top() + (legendRow ? lh : 0));
  for (const PlotSeries& s : plot.series) {
    if (!legend) break;
    at.rx() += DrawLegendEntry(p, at, s.name, s.color, s.style, fm) + 14;
  }
  p.restore();

  // Curves and markers, clipped to the frame.
  p.save();
  p.setClipRect(px);
  if (y0 < 0 && y1 > 0) {
    p.setPen(QPen(kAxisLine, 1));
    p.drawLine(f.Map(x0, 0), f.Map(x1, 0));
  }
  for (const PlotMarker& m : plot.markers) {
    if (!std::isfinite(m.y)) continue;
    p.setPen(QPen(m.color, 1, Qt::DashLine));
    p.drawLine(f.Map(x0, m.y), f.Map(x1, m.y));
    const QPointF end = f.Map(x1, m.y);
    const bool above = end.y() - lh - 2 > px.top();
    p.drawText(QRectF(px.left(), above ? end.y() - lh - 1 : end.y() + 1, px.width() - 4, lh),
               Qt::AlignRight | Qt::AlignVCenter, m.name);
  }
  p.setBrush(Qt::NoBrush);
  for (const PlotSeries& s : plot.series) {
    p.setPen(QPen(s.color, 2, s.style, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(MappedPolyline(f, s.points));
  }
  p.restore();
}

// ---- The set-up -----------------------------------------------------------------

void PaintSetUp(QPainter& p, const QRectF& area, const SetUpPicture& s) {
  const QFontMetricsF fm(p.font());
  const double lh = fm.height();
  const QString zLabel = QStringLiteral("z (%1), from the lens's first vertex").arg(s.unit);
  const QString yLabel = QStringLiteral("y (%1)").arg(s.unit);

  // What each view must hold. The whole view: source to the mirror's back.
  double zMin = s.sourceZ, zMax = s.mirrorVertexZ + s.mirrorSemiDiameter / 4;
  double yMax = std::max(s.mirrorSemiDiameter, s.lensSemiDiameter);
  for (const auto& ray : s.rays) {
    for (const QPointF& pt : ray.points) {
      if (!std::isfinite(pt.x()) || !std::isfinite(pt.y())) continue;
      zMin = std::min(zMin, pt.x());
      zMax = std::max(zMax, pt.x());
      yMax = std::max(yMax, std::fabs(pt.y()));
    }
  }
  const double zPad = 0.03 * (zMax - zMin);
  // The magnified view: the source and the lens, with the rays' heights on the
  // lens (which may pass outside its clear aperture).
  const double lensSpan = std::max(s.lensThickness - s.sourceZ, s.lensThickness);
  double insetYMax = s.lensSemiDiameter;
  for (const auto& ray : s.rays) {
    for (const QPointF& pt : ray.points) {
      if (pt.x() >= s.sourceZ - 1e-9 && pt.x() <= s.lensThickness + lensSpan * 0.05) {
        insetYMax = std::max(insetYMax, std::fabs(pt.y()));
      }
    }
  }
  const double iz0 = std::min(s.sourceZ, 0.0) - 0.08 * lensSpan;
  const double iz1 = s.lensThickness + 0.15 * lensSpan;

  // Layout: the whole view as tall as its proportions ask for, within 40% of
  // the picture; the magnified view takes the rest.
  const double left = lh + 4 + fm.horizontalAdvance(QStringLiteral("-0000")) + 6;
  const double right = 0.5 * fm.horizontalAdvance(QStringLiteral("0000")) + 2;
  const double width = area.width() - left - right;
  const double below = 2 * lh + 6;  // tick labels and the axis caption
  if (width < 40 || area.height() < 4 * below) return;
  const double natural = width * (2.2 * yMax) / (zMax - zMin + 2 * zPad);
  const double wholeHeight = std::clamp(natural, 2.5 * lh, 0.4 * area.height() - lh);
  Frame whole{QRectF(area.left() + left, area.top(), width, wholeHeight), zMin - zPad, zMax + zPad,
              -1.1 * yMax, 1.1 * yMax};
  MakeEqualScale(whole);
  const double insetTop = whole.px.bottom() + lh + 10;
  Frame inset{QRectF(area.left() + left, insetTop, width, area.bottom() - below - insetTop), iz0,
              iz1, -1.15 * insetYMax, 1.15 * insetYMax};
  if (inset.px.height() < 2 * lh) return;
  MakeEqualScale(inset);

  const QRectF wholeOuter(area.left(), whole.px.top(), area.width(), whole.px.height());
  const QRectF insetOuter(area.left(), inset.px.top(), area.width(), inset.px.height());
  const int xCount = TickCount(width, 3.5 * fm.horizontalAdvance(QStringLiteral("0000")));

  // The whole set-up, with the magnified region outlined.
  DrawSetUpContents(p, s, whole, false);
  p.save();
  p.setClipRect(whole.px);
  p.setPen(QPen(QColor(90, 90, 90), 1, Qt::DashLine));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(whole.Map(inset.x0, inset.y1), whole.Map(inset.x1, inset.y0)));
  p.restore();
  DrawAxes(p, whole, wholeOuter, QString(), yLabel, xCount, TickCount(whole.px.height(), 1.3 * lh),
           false);
  // Its caption goes below the axis, midway, where only the mirror's lower
  // half and the lens's reach.
  const QString wholeTitle = QStringLiteral("Set-up to scale");
  const double titleWidth = fm.horizontalAdvance(wholeTitle) + 8;
  DrawPlateText(p,
                QPointF(whole.px.center().x() - titleWidth / 2,
                        std::max(whole.Map(0, 0).y() + 3, whole.px.bottom() - lh - 4)),
                wholeTitle, true);

  // The source and the lens, magnified.
  DrawSetUpContents(p, s, inset, true);
  DrawAxes(p, inset, insetOuter, zLabel, yLabel, xCount, TickCount(inset.px.height(), 2.2 * lh),
           false);
  const double magnification = inset.Scale() / whole.Scale();
  DrawPlateText(p, inset.px.topLeft() + QPointF(3, 3),
                QStringLiteral("Source and lens, \u00d7%1").arg(std::lround(magnification)), true);

  // Legend in the lower left of the magnified view, which the rays (drawn
  // above the axis) leave free.
  p.save();
  double y = inset.px.bottom() - 4 - lh * static_cast<double>(s.rays.size());
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 215));
  p.drawRect(QRectF(inset.px.left() + 3, y - 2, 30 + fm.horizontalAdvance("100% zone") + 6,
                    lh * static_cast<double>(s.rays.size()) + 4));
  for (const auto& ray : s.rays) {
    DrawLegendEntry(p, QPointF(inset.px.left() + 6, y), ZoneName(ray.zoneFraction),
                    RayColor(ray.zoneFraction), Qt::SolidLine, fm);
    y += lh;
  }
  p.restore();
}

// ---- ExactPlotWidget --------------------------------------------------------------

ExactPlotWidget::ExactPlotWidget(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void ExactPlotWidget::SetPicture(PicturePainter paint, const QString& fileName) {
  paint_ = std::move(paint);
  fileName_ = fileName;
  emptyText_.clear();
  staleNote_.clear();
  update();
}

void ExactPlotWidget::ClearPicture(const QString& why) {
  paint_ = nullptr;
  emptyText_ = why;
  staleNote_.clear();
  update();
}

void ExactPlotWidget::SetStale(const QString& note) {
  staleNote_ = note;
  update();
}

void ExactPlotWidget::Render(QPainter& p, const QRectF& area, int minPixelSize) const {
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.fillRect(area, Qt::white);
  // Pixel-sized text, so that it has the same size on the screen, in the
  // PNG and in the SVG whatever resolution each reports.
  QFont font = this->font();
  font.setPixelSize(std::max(minPixelSize, QFontInfo(this->font()).pixelSize()));
  p.setFont(font);
  const QRectF inner = area.adjusted(6, 6, -8, -6);
  if (paint_) {
    paint_(p, inner);
  } else {
    p.setPen(QColor(110, 110, 110));
    p.drawText(inner, Qt::AlignCenter | Qt::TextWordWrap, emptyText_);
  }
}

void ExactPlotWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  Render(p, QRectF(rect()), kScreenMinPixelSize);
  if (staleNote_.isEmpty()) return;
  // The old picture stays faintly, so that the tab does not jump, with the
  // note on a plate in the middle.
  p.fillRect(rect(), QColor(255, 255, 255, 200));
  QFont font = p.font();
  font.setBold(true);
  p.setFont(font);
  const QRectF box = QRectF(rect()).adjusted(12, 12, -12, -12);
  const QRectF need = p.boundingRect(box, Qt::AlignCenter | Qt::TextWordWrap, staleNote_);
  p.setPen(QColor(90, 90, 90));
  p.setBrush(QColor(250, 250, 250));
  p.drawRoundedRect(need.adjusted(-10, -6, 10, 6), 4, 4);
  p.setPen(QColor(60, 60, 60));
  p.drawText(box, Qt::AlignCenter | Qt::TextWordWrap, staleNote_);
}

bool ExactPlotWidget::SavePng(const QString& path, QSize logicalSize) const {
  if (!paint_) return false;
  QImage image(logicalSize * 2, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(2);
  image.fill(Qt::white);
  {
    QPainter p(&image);
    Render(p, QRectF(QPointF(0, 0), QSizeF(logicalSize)), 14);
  }
  return image.save(path, "PNG");
}

bool ExactPlotWidget::SaveSvg(const QString& path, QSize logicalSize) const {
#ifdef VN_HAVE_QTSVG
  if (!paint_) return false;
  QSvgGenerator svg;
  svg.setFileName(path);
  svg.setSize(logicalSize);
  svg.setViewBox(QRect(QPoint(0, 0), logicalSize));
  svg.setResolution(96);
  svg.setTitle(QFileInfo(path).completeBaseName());
  QPainter p;
  if (!p.begin(&svg)) return false;
  Render(p, QRectF(QPointF(0, 0), QSizeF(logicalSize)), 14);
  return p.end() && QFileInfo(path).size() > 0;
#else
  (void)path;
  (void)logicalSize;
  return false;
#endif
}

void ExactPlotWidget::contextMenuEvent(QContextMenuEvent* event) {
  // A stale picture is not offered for saving: it no longer shows the entries.
  if (!paint_ || !staleNote_.isEmpty()) return;
  QMenu menu(this);
  menu.addAction(tr("Save picture as..."), this, &ExactPlotWidget::SavePicture_Click);
  menu.exec(event->globalPos());
}

void ExactPlotWidget::SavePicture_Click() {
#ifdef VN_HAVE_QTSVG
  const QString filter = tr("PNG picture (*.png);;SVG picture (*.svg)");
#else
  const QString filter = tr("PNG picture (*.png)");
#endif
  QString path = QFileDialog::getSaveFileName(this, tr("Save picture"), fileName_ + ".png", filter);
  if (path.isEmpty()) return;
  const QSize size = kExactPictureSize;
  const bool svg = path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive);
  if (!svg && !path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) path += ".png";
  if (!(svg ? SaveSvg(path, size) : SavePng(path, size))) {
    QMessageBox::warning(this, tr("Save picture"), tr("Could not write %1.").arg(path));
  }
}

}  // namespace vn
