// A picture of the mirror that keeps its aspect: the image is drawn as the
// largest square the widget's rectangle holds, centred, whatever size the
// layout gives the widget, so that a round mirror is never drawn as an
// ellipse and never spills over the controls around it.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

namespace vn {

class SquarePicture : public QWidget {
  Q_OBJECT

 public:
  explicit SquarePicture(QWidget* parent = nullptr);

  // Shows `image` (square), or `text` in its place.
  void SetImage(const QImage& image);
  void SetText(const QString& text);
  bool HasImage() const { return !image_.isNull(); }

  // Where the image is drawn, in the widget's coordinates: a square inside
  // its rectangle; empty when no image is shown.
  QRect PictureRect() const;

  QSize sizeHint() const override { return {320, 320}; }
  QSize minimumSizeHint() const override { return {120, 120}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage image_;
  QString text_;
};

}  // namespace vn
