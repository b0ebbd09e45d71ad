// Check boxes and option buttons whose captions wrap within their boxes.
#include "ui/wrapping_buttons.h"

#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace vn {

namespace {

// Draws the indicator primitive `indicatorKind` at the left of `button`,
// centred vertically, and its caption wrapped in the rest of the box.
void PaintWrapping(QAbstractButton& button, const QStyleOptionButton& option,
                   QStyle::SubElement indicatorRect, QStyle::PrimitiveElement indicatorKind,
                   QStyle::PixelMetric labelSpacing) {
  QStylePainter painter(&button);
  QStyleOptionButton indicator = option;
  indicator.text.clear();
  indicator.rect = button.style()->subElementRect(indicatorRect, &option, &button);
  indicator.rect.moveTop((button.height() - indicator.rect.height()) / 2);
  painter.drawPrimitive(indicatorKind, indicator);

  const int spacing = button.style()->pixelMetric(labelSpacing, &option, &button);
  QRect textRect = button.rect();
  textRect.setLeft(indicator.rect.right() + 1 + spacing);
  const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
  painter.drawItemText(textRect, flags, button.palette(), button.isEnabled(), button.text(),
                       QPalette::WindowText);

  if (button.hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(&button);
    focus.rect = painter.boundingRect(textRect, flags, button.text()).adjusted(-1, 0, 1, 0);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
  }
}

}  // namespace

void WrappingCheckBox::paintEvent(QPaintEvent* /*event*/) {
  QStyleOptionButton option;
  initStyleOption(&option);
  PaintWrapping(*this, option, QStyle::SE_CheckBoxIndicator, QStyle::PE_IndicatorCheckBox,
                QStyle::PM_CheckBoxLabelSpacing);
}

bool WrappingCheckBox::hitButton(const QPoint& pos) const { return rect().contains(pos); }

void WrappingRadioButton::paintEvent(QPaintEvent* /*event*/) {
  QStyleOptionButton option;
  initStyleOption(&option);
  PaintWrapping(*this, option, QStyle::SE_RadioButtonIndicator, QStyle::PE_IndicatorRadioButton,
                QStyle::PM_RadioButtonLabelSpacing);
}

bool WrappingRadioButton::hitButton(const QPoint& pos) const { return rect().contains(pos); }

}  // namespace vn
