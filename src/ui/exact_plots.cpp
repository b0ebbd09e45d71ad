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

#include "engine/optics_primitives.h"

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

// The painter's font made smaller, down to kSmallestPixelSize, until `text`
// is at most `width` wide; the text itself, elided, if even that is too wide.
constexpr int kSmallestPixelSize = 8;

QString FitText(QPainter& p, const QString& text, double width) {
  QFont font = p.font();
  while (QFontMetricsF(font).horizontalAdvance(text) > width &&
         font.pixelSize() > kSmallestPixelSize) {
    font.setPixelSize(font.pixelSize() - 1);
  }
  p.setFont(font);
  return QFontMetricsF(font).elidedText(text, Qt::ElideRight, width);
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
  // The captions shrink, and at last are cut short, rather than run past
  // the picture in a narrow or low window.
  if (!xLabel.isEmpty()) {
    p.save();
    const QString text = FitText(p, xLabel, outer.width());
    const double w = QFontMetricsF(p.font()).horizontalAdvance(text) + 2;
    const double x = std::clamp(f.px.center().x() - w / 2, outer.left(), outer.right() - w);
    p.drawText(QRectF(x, f.px.bottom() + 2 + fm.height(), w, fm.height()), Qt::AlignCenter, text);
    p.restore();
  }
  if (!yLabel.isEmpty()) {
    const double length = f.px.height() + fm.height();
    p.translate(outer.left(), f.px.center().y());
    p.rotate(-90);
    const QString text = FitText(p, yLabel, length);
    p.drawText(QRectF(-length / 2, 0, length, fm.height()), Qt::AlignHCenter | Qt::AlignTop, text);
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

// The width of a legend entry: a short sample of a series' line and its name.
double LegendEntryWidth(const QString& name, const QFontMetricsF& fm) {
  return 22 + 4 + fm.horizontalAdvance(name);
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

// How many points of the curves, taken every two pixels along them, fall
// inside `box`.
int CurvePointsIn(const QRectF& box, const std::vector<QPolygonF>& curves) {
  int hits = 0;
  for (const QPolygonF& line : curves) {
    for (qsizetype i = 1; i < line.size(); ++i) {
      const QPointF a = line[i - 1], b = line[i];
      const int steps = std::max(1, static_cast<int>(QLineF(a, b).length() / 2));
      for (int k = 0; k <= steps; ++k) {
        if (box.contains(a + (b - a) * (static_cast<double>(k) / steps))) ++hits;
      }
    }
  }
  return hits;
}

// ---- The set-up ---------------------------------------------------------------

// A radius of 0 draws as a flat face rather than as no face at all.
double CurvatureOf(double radius) { return radius == 0 ? 0.0 : CurvatureFromRadius(radius); }

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
    outline << f.Map(DrawnSag(c1, 1, y), y);
  }
  for (int i = kSteps; i >= 0; --i) {
    const double y = -h + 2 * h * i / kSteps;
    outline << f.Map(s.lensThickness + DrawnSag(c2, 1, y), y);
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
    face << f.Map(s.mirrorVertexZ + DrawnSag(c, s.mirrorConicPlusOne, y), y);
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

// A picture's title, bold, on its own line.
void DrawTitle(QPainter& p, const QRectF& line, const QString& text) {
  p.save();
  QFont bold = p.font();
  bold.setBold(true);
  p.setFont(bold);
  p.setPen(kInk);
  const QString fitted = FitText(p, text, line.width());
  p.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, fitted);
  p.restore();
}

// A dimension line from x0 to x1 at height y, arrowheads pointing out to
// the extension lines.
void DrawDimensionLine(QPainter& p, double x0, double x1, double y) {
  const double head = std::min(5.0, 0.4 * (x1 - x0));
  p.drawLine(QPointF(x0, y), QPointF(x1, y));
  for (const auto& [tip, dir] : {std::pair{x0, 1.0}, std::pair{x1, -1.0}}) {
    QPolygonF arrow;
    arrow << QPointF(tip, y) << QPointF(tip + dir * head, y - 0.45 * head)
          << QPointF(tip + dir * head, y + 0.45 * head);
    p.drawPolygon(arrow);
  }
}

// The two distances the user sets up, marked below the axis of the whole
// view with their values: the source to the lens's first vertex, and the
// lens's second vertex to the mirror's vertex. A value that does not fit
// between its arrows goes beside them, on the side with more room.
void DrawDistances(QPainter& p, const SetUpPicture& s, const Frame& f) {
  if (s.sourceToLensText.isEmpty() && s.lensToMirrorText.isEmpty()) return;
  const QFontMetricsF fm(p.font());
  const double axis = f.Map(0, 0).y();
  const double low = f.px.bottom() - axis;  // the lower half's height
  if (low < 2.4 * fm.height()) return;
  struct Distance {
    double z0, z1, y;
    QString text;
  };
  // The long label where the picture is wide enough for it.
  const auto fitting = [&](const QString& name, const QString& full, const QString& brief) {
    const QString text = name + full;
    return brief.isEmpty() || fm.horizontalAdvance(text) + 10 <= f.px.width() ? text : name + brief;
  };
  const Distance distances[] = {
      {s.sourceZ, 0, axis + 0.42 * low,
       fitting(QStringLiteral("source to lens "), s.sourceToLensText, s.sourceToLensShortText)},
      {s.lensThickness, s.mirrorVertexZ, axis + 0.84 * low,
       fitting(QStringLiteral("lens to mirror "), s.lensToMirrorText, s.lensToMirrorShortText)}};
  p.save();
  p.setClipRect(f.px.adjusted(1, 1, -1, -1));
  for (const Distance& d : distances) {
    const double x0 = f.Map(d.z0, 0).x(), x1 = f.Map(d.z1, 0).x();
    // Extension lines down from the axis, then the dimension line.
    p.setPen(QPen(QColor(120, 120, 120), 1, Qt::DotLine));
    p.drawLine(QPointF(x0, axis), QPointF(x0, d.y + 3));
    p.drawLine(QPointF(x1, axis), QPointF(x1, d.y + 3));
    p.setPen(QPen(kInk, 1));
    p.setBrush(kInk);
    DrawDimensionLine(p, x0, x1, d.y);
    const double w = fm.horizontalAdvance(d.text) + 6;
    double x = 0.5 * (x0 + x1) - 0.5 * w;
    if (w > x1 - x0 - 8) {
      x = f.px.right() - x1 >= x0 - f.px.left() ? x1 + 4 : x0 - 4 - w;
    }
    x = std::clamp(x, f.px.left() + 2, std::max(f.px.left() + 2, f.px.right() - 2 - w));
    DrawPlateText(p, QPointF(x, d.y - fm.height() - 3), d.text);
  }
  p.restore();
}

}  // namespace

// ---- Shared routines ----------------------------------------------------------

double DrawnSag(double curvature, double conicPlusOne, double y) {
  const double sag = ConicSag(curvature, conicPlusOne, y);
  // Past its reach a surface is drawn at the sag of its widest height.
  return std::isnan(sag) ? 1 / (conicPlusOne * curvature) : sag;
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

  // Header: the title on the left and the legend on the right, or the
  // legend on rows of its own below the title, as many as the width needs.
  QFont bold = p.font();
  bold.setBold(true);
  const double titleWidth = QFontMetricsF(bold).horizontalAdvance(plot.title);
  const double gap = 14;
  const bool legend = plot.series.size() > 1;
  double legendWidth = -gap;
  for (const PlotSeries& s : plot.series) legendWidth += LegendEntryWidth(s.name, fm) + gap;
  const bool beside = !legend || titleWidth + 20 + legendWidth <= area.width();
  std::vector<QPointF> legendPlaces;
  QPointF at = beside ? QPointF(area.right() - legendWidth, area.top())
                      : QPointF(area.left(), area.top() + lh);
  for (const PlotSeries& s : plot.series) {
    const double w = LegendEntryWidth(s.name, fm);
    if (!beside && at.x() > area.left() && at.x() + w > area.right())
      at = {area.left(), at.y() + lh};
    legendPlaces.push_back(at);
    at.rx() += w + gap;
  }
  const double header = (legend ? at.y() - area.top() + lh : lh) + 6;

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

  DrawTitle(p,
            QRectF(area.left(), area.top(),
                   legend && beside ? area.width() - legendWidth - 20 : area.width(), lh),
            plot.title);
  if (legend) {
    p.save();
    for (std::size_t i = 0; i < plot.series.size(); ++i) {
      const PlotSeries& s = plot.series[i];
      DrawLegendEntry(p, legendPlaces[i], s.name, s.color, s.style, fm);
    }
    p.restore();
  }

  // Curves and markers, clipped to the frame.
  p.save();
  p.setClipRect(px);
  if (y0 < 0 && y1 > 0) {
    p.setPen(QPen(kAxisLine, 1));
    p.drawLine(f.Map(x0, 0), f.Map(x1, 0));
  }
  std::vector<QPolygonF> curves;
  for (const PlotSeries& s : plot.series) curves.push_back(MappedPolyline(f, s.points));
  for (const PlotMarker& m : plot.markers) {
    if (!std::isfinite(m.y)) continue;
    p.setPen(QPen(m.color, 1, Qt::DashLine));
    p.drawLine(f.Map(x0, m.y), f.Map(x1, m.y));
  }
  p.setBrush(Qt::NoBrush);
  for (std::size_t i = 0; i < plot.series.size(); ++i) {
    const PlotSeries& s = plot.series[i];
    p.setPen(QPen(s.color, 2, s.style, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(curves[i]);
  }
  // The markers' names go where no curve passes: above or below the line,
  // at its right end, its left end or its middle, whichever is clear first.
  for (const PlotMarker& m : plot.markers) {
    if (!std::isfinite(m.y)) continue;
    const double lineY = f.Map(x0, m.y).y();
    const double w = fm.horizontalAdvance(m.name) + 6, h = lh + 2;
    QRectF best;
    int fewest = std::numeric_limits<int>::max();
    for (const double top : {lineY - h - 1, lineY + 1}) {
      if (top < px.top() || top + h > px.bottom()) continue;
      for (const double left : {px.right() - 4 - w, px.left() + 4, px.center().x() - w / 2}) {
        const QRectF box(left, top, w, h);
        const int hits = CurvePointsIn(box.adjusted(-2, -2, 2, 2), curves);
        if (hits < fewest) {
          fewest = hits;
          best = box;
        }
      }
    }
    if (fewest == std::numeric_limits<int>::max()) continue;
    DrawPlateText(p, best.topLeft(), m.name);
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

  // Layout, top to bottom: the whole view's title, the whole view, its
  // ticks; the magnified view's title, the magnified view, its ticks and
  // axis caption.
  const double left = lh + 4 + fm.horizontalAdvance(QStringLiteral("-0000")) + 6;
  const double right = 0.5 * fm.horizontalAdvance(QStringLiteral("0000")) + 2;
  const double width = area.width() - left - right;
  const double title = lh + 4;
  const double ticks = lh + 4;
  const double below = 2 * lh + 6;  // tick labels and the axis caption
  if (width < 40 || area.height() < 2 * title + ticks + below + 8 * lh) {
    p.setPen(QColor(110, 110, 110));
    p.drawText(area, Qt::AlignCenter | Qt::TextWordWrap,
               QStringLiteral("Too small to draw the set-up: make the window larger."));
    return;
  }

  // A null-test set-up is long and thin: drawn to scale, the whole of it
  // would be a sliver. Its heights are stretched by a whole factor, which
  // its title gives, so that it takes about a third of the picture and
  // room below the axis for the two distances; the magnified view is to
  // scale.
  const double zSpan = zMax - zMin + 2 * zPad;
  const double scale = width / zSpan;  // pixels per unit along the axis
  const double natural = scale * 2.2 * yMax;
  const double room = area.height() - 2 * title - ticks - below;
  const double wanted = std::clamp(0.34 * room, 6 * lh, 0.5 * room);
  const double ratio = wanted / natural;
  const double stretch = ratio <= 1  ? 1.0
                         : ratio < 2 ? std::floor(ratio * 10) / 10
                                     : std::floor(ratio);
  const double wholeHeight = std::min(std::max(natural * stretch, 6 * lh), 0.5 * room);
  const double wholeYMax = 0.5 * wholeHeight / (scale * stretch);
  Frame whole{QRectF(area.left() + left, area.top() + title, width, wholeHeight), zMin - zPad,
              zMax + zPad, -wholeYMax, wholeYMax};
  if (stretch == 1.0) MakeEqualScale(whole);
  const double insetTop = whole.px.bottom() + ticks + title;
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
  DrawDistances(p, s, whole);
  DrawAxes(p, whole, wholeOuter, QString(), yLabel, xCount,
           std::max(3, TickCount(whole.px.height(), 2.2 * lh)), false);
  // The whole view has no room for a caption under its ticks: its axis is
  // named in its title.
  const QString wholeTitle =
      (stretch == 1.0 ? QStringLiteral("The whole set-up, to scale")
                      : QStringLiteral("The whole set-up, heights stretched \u00d7%1")
                            .arg(QString::number(stretch, 'g', 3))) +
      QStringLiteral("; z (%1) from the lens's first vertex").arg(s.unit);
  DrawTitle(p, QRectF(area.left(), area.top(), area.width(), lh), wholeTitle);

  // The source and the lens, magnified.
  DrawSetUpContents(p, s, inset, true);
  DrawAxes(p, inset, insetOuter, zLabel, yLabel, xCount, TickCount(inset.px.height(), 2.2 * lh),
           false);
  const long magnification = std::lround(inset.Scale() / whole.Scale());
  DrawTitle(
      p, QRectF(area.left(), inset.px.top() - title, area.width(), lh),
      QStringLiteral("Source and lens to scale, lengths %1\u00d7 those above").arg(magnification));

  // The rays' legend in the corner of the magnified view that the rays, the
  // lens and the source leave most free (the lower left, mostly: the rays
  // are drawn above the axis).
  std::vector<QPolygonF> drawn;
  for (const auto& ray : s.rays) drawn.push_back(MappedPolyline(inset, ray.points));
  drawn.push_back(LensOutline(s, inset));
  const QPointF source = inset.Map(s.sourceZ, 0);
  drawn.push_back(QPolygonF({source - QPointF(4, 4), source + QPointF(4, 4)}));
  const QSizeF legend(30 + fm.horizontalAdvance("100% zone") + 6,
                      lh * static_cast<double>(s.rays.size()) + 4);
  const QRectF box = inset.px.adjusted(3, 3, -3, -3);
  QRectF best;
  int fewest = std::numeric_limits<int>::max();
  for (const QPointF& corner :
       {QPointF(box.left(), box.bottom() - legend.height()), QPointF(box.left(), box.top()),
        QPointF(box.right() - legend.width(), box.bottom() - legend.height()),
        QPointF(box.right() - legend.width(), box.top())}) {
    const QRectF place(corner, legend);
    const int hits = CurvePointsIn(place, drawn);
    if (hits < fewest) {
      fewest = hits;
      best = place;
    }
  }
  p.save();
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 215));
  p.drawRect(best);
  double y = best.top() + 2;
  for (const auto& ray : s.rays) {
    DrawLegendEntry(p, QPointF(best.left() + 3, y), ZoneName(ray.zoneFraction),
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
