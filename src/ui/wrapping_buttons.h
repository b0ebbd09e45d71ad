// A check box and an option button whose captions wrap onto as many lines as
// their boxes allow, as the classic controls of the layouts did; the
// indicator sits at the left, centred vertically.
#pragma once

#include <QCheckBox>
#include <QRadioButton>

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

class WrappingRadioButton : public QRadioButton {
  Q_OBJECT
 public:
  using QRadioButton::QRadioButton;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool hitButton(const QPoint& pos) const override;
};

}  // namespace vn
