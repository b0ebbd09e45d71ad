// A core drawing painted item by item.
#include "ui/drawing_painter.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QList>
#include <QPainter>
#include <QPen>
#include <QPolygonF>
#include <QString>
#include <cmath>

namespace vn {

namespace {

QColor ToQColor(const Colour& c) { return QColor(c.r, c.g, c.b, c.a); }

QPolygonF ToPolygon(const std::vector<Point>& points) {
  QPolygonF polygon;
  polygon.reserve(static_cast<qsizetype>(points.size()));
  for (const Point& p : points) polygon << QPointF(p.x, p.y);
  return polygon;
}

void PaintShape(QPainter& p, const Shape& s) {
  if (s.pen) {
    QPen pen(ToQColor(s.pen->colour), s.pen->width, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin);
    const std::vector<double> dashes = DashPattern(s.pen->dash);
    if (!dashes.empty()) pen.setDashPattern(QList<qreal>(dashes.begin(), dashes.end()));
    p.setPen(pen);
  } else {
    p.setPen(Qt::NoPen);
  }
  if (s.fill && s.fill->a != 0) {
    p.setBrush(ToQColor(*s.fill));
  } else {
    p.setBrush(Qt::NoBrush);
  }
  if (s.fill) {
    p.drawPolygon(ToPolygon(s.points));
  } else {
    p.drawPolyline(ToPolygon(s.points));
  }
}

void PaintText(QPainter& p, const DrawnText& t) {
  QFont font = p.font();
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(t.size))));
  font.setBold(t.bold);
  p.setFont(font);
  p.setPen(ToQColor(t.colour));
  const QString text = QString::fromStdString(t.text);
  const double width = QFontMetricsF(font).horizontalAdvance(text);
  const double dx = t.anchor == TextAnchor::Start    ? 0.0
                    : t.anchor == TextAnchor::Middle ? -0.5 * width
                                                     : -width;
  if (!t.upright) {
    p.drawText(QPointF(t.at.x + dx, t.at.y), text);
    return;
  }
  p.save();
  p.translate(t.at.x, t.at.y);
  p.rotate(-90);
  p.drawText(QPointF(dx, 0), text);
  p.restore();
}

}  // namespace

void PaintDrawing(QPainter& p, const Drawing& d) {
  p.save();
  for (const DrawingItem& item : d.items) {
    const int clip = std::visit([](const auto& i) { return i.clip; }, item);
    const bool clipped = clip >= 0 && static_cast<std::size_t>(clip) < d.clips.size();
    if (clipped) {
      const Rect& r = d.clips[static_cast<std::size_t>(clip)];
      p.save();
      p.setClipRect(QRectF(r.left, r.top, r.width, r.height), Qt::IntersectClip);
    }
    if (const Shape* s = std::get_if<Shape>(&item)) {
      PaintShape(p, *s);
    } else {
      PaintText(p, std::get<DrawnText>(item));
    }
    if (clipped) p.restore();
  }
  p.restore();
}

}  // namespace vn
