// The mirror's picture drawn square in whatever room the layout gives it.
#include "ui/square_picture.h"

#include <QPainter>
#include <algorithm>

namespace vn {

SquarePicture::SquarePicture(QWidget* parent) : QWidget(parent) {
  // It takes the room that is left; its own wish must not push the caption
  // or the buttons below it out of the window.
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void SquarePicture::SetImage(const QImage& image) {
  image_ = image;
  text_.clear();
  update();
}

void SquarePicture::SetText(const QString& text) {
  image_ = QImage();
  text_ = text;
  update();
}

QRect SquarePicture::PictureRect() const {
  if (image_.isNull()) return {};
  const int side = std::max(0, std::min(width(), height()));
  return {(width() - side) / 2, (height() - side) / 2, side, side};
}

void SquarePicture::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (image_.isNull()) {
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, text_);
    return;
  }
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(PictureRect(), image_);
}

}  // namespace vn
