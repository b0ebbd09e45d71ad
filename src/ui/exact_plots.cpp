// The widget that shows one of the pictures, and its files.
#include "ui/exact_plots.h"

#include <QContextMenuEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontInfo>
#include <QImage>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <algorithm>

#ifdef VN_HAVE_QTSVG
#include <QSvgGenerator>
#endif

#include "common/whole_file.h"
#include "ui/drawing_painter.h"

namespace vn {

namespace {

// The smallest text on the screen, in pixels.
constexpr int kScreenMinPixelSize = 9;
// The smallest text in a file: files are looked at larger than the panel.
constexpr int kFileMinPixelSize = 14;

// Paints the drawing `draw` makes for `area` into it.
void PaintDrawingIn(QPainter& p, const QRectF& area, const PictureDrawing& draw, double textSize) {
  p.save();
  p.translate(area.topLeft());
  PaintDrawing(p, draw({area.width(), area.height(), textSize}));
  p.restore();
}

}  // namespace

// ---- ExactPlotWidget --------------------------------------------------------------

ExactPlotWidget::ExactPlotWidget(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void ExactPlotWidget::SetPicture(PicturePainter paint, const QString& fileName) {
  paint_ = std::move(paint);
  draw_ = nullptr;
  fileName_ = fileName;
  emptyText_.clear();
  staleNote_.clear();
  update();
}

void ExactPlotWidget::SetDrawing(PictureDrawing draw, const QString& fileName) {
  SetPicture(nullptr, fileName);
  draw_ = std::move(draw);
}

void ExactPlotWidget::ClearPicture(const QString& why) {
  paint_ = nullptr;
  draw_ = nullptr;
  emptyText_ = why;
  staleNote_.clear();
  update();
}

void ExactPlotWidget::SetStale(const QString& note) {
  staleNote_ = note;
  update();
}

double ExactPlotWidget::TextSize(int minPixelSize) const {
  return std::max(minPixelSize, QFontInfo(font()).pixelSize());
}

void ExactPlotWidget::PaintOn(QPainter& painter, const QRectF& area) const {
  if (draw_) {
    PaintDrawingIn(painter, area, draw_, QFontInfo(painter.font()).pixelSize());
  } else if (paint_) {
    paint_(painter, area);
  }
}

void ExactPlotWidget::Render(QPainter& p, const QRectF& area, int minPixelSize) const {
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  // Pixel-sized text, so that it has the same size on the screen, in the
  // PNG and in the SVG whatever resolution each reports.
  QFont font = this->font();
  font.setPixelSize(static_cast<int>(TextSize(minPixelSize)));
  p.setFont(font);
  if (draw_) {
    PaintDrawingIn(p, area, draw_, TextSize(minPixelSize));
    return;
  }
  p.fillRect(area, Qt::white);
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
  if (!HasPicture()) return false;
  QImage image(logicalSize * 2, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(2);
  image.fill(Qt::white);
  {
    QPainter p(&image);
    Render(p, QRectF(QPointF(0, 0), QSizeF(logicalSize)), kFileMinPixelSize);
  }
  return image.save(path, "PNG");
}

bool ExactPlotWidget::SaveSvg(const QString& path, QSize logicalSize) const {
  // A drawing is written as the command line writes it.
  if (draw_) {
    const Drawing drawing =
        draw_({static_cast<double>(logicalSize.width()), static_cast<double>(logicalSize.height()),
               TextSize(kFileMinPixelSize)});
    // Titled with the picture's own name, so that the file is the command
    // line's byte for byte.
    return WriteWholeFile(QFileInfo(path).filesystemFilePath(),
                          SvgText(drawing, fileName_.toStdString()))
        .written();
  }
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
  Render(p, QRectF(QPointF(0, 0), QSizeF(logicalSize)), kFileMinPixelSize);
  return p.end() && QFileInfo(path).size() > 0;
#else
  (void)path;
  (void)logicalSize;
  return false;
#endif
}

void ExactPlotWidget::contextMenuEvent(QContextMenuEvent* event) {
  // A stale picture is not offered for saving: it no longer shows the entries.
  if (!HasPicture() || !staleNote_.isEmpty()) return;
  QMenu menu(this);
  menu.addAction(tr("Save picture as..."), this, &ExactPlotWidget::SavePicture_Click);
  menu.exec(event->globalPos());
}

bool ExactPlotWidget::CanSaveSvg() const {
#ifdef VN_HAVE_QTSVG
  return HasPicture();
#else
  return static_cast<bool>(draw_);
#endif
}

void ExactPlotWidget::SavePicture_Click() {
  const QString filter =
      CanSaveSvg() ? tr("PNG picture (*.png);;SVG picture (*.svg)") : tr("PNG picture (*.png)");
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
