// One picture on screen, saved as PNG or SVG: a drawing the core lays out
// for the widget's size (the exact check's pictures, pictures/exact_pictures.h),
// or any routine that paints into a rectangle (the tolerance window's
// histogram).
#pragma once

#include <QRectF>
#include <QSize>
#include <QString>
#include <QWidget>
#include <functional>

#include "pictures/exact_pictures.h"

class QPainter;

namespace vn {

// ---- One picture on screen ---------------------------------------------------

using PicturePainter = std::function<void(QPainter&, const QRectF&)>;
// The drawing of a picture laid out for a size (the whole widget or file,
// its margin and white ground included).
using PictureDrawing = std::function<Drawing(const PictureSize&)>;

// The size, in logical pixels, at which pictures are written to files.
inline const QSize kExactPictureSize{static_cast<int>(kPictureFileSize.width),
                                     static_cast<int>(kPictureFileSize.height)};

class ExactPlotWidget : public QWidget {
  Q_OBJECT

 public:
  explicit ExactPlotWidget(QWidget* parent = nullptr);

  // Shows `paint`'s picture; `fileName` is the file name the context menu
  // proposes when saving it.
  void SetPicture(PicturePainter paint, const QString& fileName);
  // Shows the drawing `draw` lays out for the widget's size; its SVG file is
  // the core's SVG of the drawing.
  void SetDrawing(PictureDrawing draw, const QString& fileName);
  // Shows `why` in place of a picture.
  void ClearPicture(const QString& why);
  // Shows the picture washed out with `note` over it, until the next
  // SetPicture or ClearPicture: it no longer belongs to the entries.
  void SetStale(const QString& note);
  bool HasPicture() const { return paint_ || draw_; }
  // Paints the picture into `area` of any painter (a printed page), its text
  // at the painter's font size.
  void PaintOn(QPainter& painter, const QRectF& area) const;

  // Writes the picture at `logicalSize` (PNG at twice the pixels); false when
  // there is no picture or the file cannot be written.
  bool SavePng(const QString& path, QSize logicalSize) const;
  bool SaveSvg(const QString& path, QSize logicalSize) const;
  // Whether SaveSvg can write this picture: a drawing always, a painted
  // picture when the program has Qt's SVG support.
  bool CanSaveSvg() const;

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

  // The text size of the picture at `minPixelSize` or more.
  double TextSize(int minPixelSize) const;

  PicturePainter paint_;
  PictureDrawing draw_;
  QString fileName_;
  QString emptyText_;
  QString staleNote_;
};

}  // namespace vn
