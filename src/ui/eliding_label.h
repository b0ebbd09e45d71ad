// A one-line label that shortens its text in the middle to the room it is
// given, with the whole text as its tip: a long path in the status bar keeps
// its start and its file name in view, and the buttons beside it stay clear.
#pragma once

#include <QLabel>

namespace vn {

class ElidingLabel : public QLabel {
  Q_OBJECT

 public:
  explicit ElidingLabel(QWidget* parent = nullptr);

  // The text as drawn now: the whole text, or its middle left out.
  QString ShownText() const;

  QSize minimumSizeHint() const override;

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace vn
