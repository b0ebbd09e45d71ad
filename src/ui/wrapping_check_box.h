// A check box whose caption wraps onto as many lines as its box allows, as
// the classic check boxes of the main window did; the indicator sits at the
// left, centred vertically.
#pragma once

#include <QCheckBox>

namespace vn {

class WrappingCheckBox : public QCheckBox {
  Q_OBJECT
 public:
  using QCheckBox::QCheckBox;

 protected:
  void paintEvent(QPaintEvent* event) override;
  // The whole box is clickable, the wrapped caption included.
  bool hitButton(const QPoint& pos) const override;
};

}  // namespace vn
