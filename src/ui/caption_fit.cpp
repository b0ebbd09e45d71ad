// Fitting captions into the boxes of a twips layout.
#include "ui/caption_fit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>

#include "ui/wrapping_buttons.h"

namespace vn {

namespace {

// Room a push button's face keeps free around its caption.
constexpr int kButtonMarginPx = 3;

bool IsWrappingButton(const QWidget& w) {
  return qobject_cast<const WrappingCheckBox*>(&w) != nullptr ||
         qobject_cast<const WrappingRadioButton*>(&w) != nullptr;
}

int TextFlags(const QWidget& w) {
  if (const auto* label = qobject_cast<const QLabel*>(&w)) {
    return int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
  }
  return Qt::AlignLeft | Qt::AlignVCenter | (CaptionWraps(w) ? Qt::TextWordWrap : 0);
}

bool FitsWith(const QWidget& w, const QFont& font) {
  const QRect box = CaptionBox(w);
  if (box.isEmpty()) return true;
  const QRect need = QFontMetrics(font).boundingRect(box, TextFlags(w), CaptionText(w));
  return need.width() <= box.width() && need.height() <= box.height();
}

}  // namespace

QRect CaptionBox(const QWidget& w) {
  if (const auto* label = qobject_cast<const QLabel*>(&w)) return label->contentsRect();
  if (qobject_cast<const QPushButton*>(&w) != nullptr) {
    return w.rect().adjusted(kButtonMarginPx, 1, -kButtonMarginPx, -1);
  }
  const auto* button = qobject_cast<const QAbstractButton*>(&w);
  if (button == nullptr) return {};
  const bool radio = qobject_cast<const QRadioButton*>(&w) != nullptr;
  QStyleOptionButton option;
  option.initFrom(button);
  const QRect indicator = w.style()->subElementRect(
      radio ? QStyle::SE_RadioButtonIndicator : QStyle::SE_CheckBoxIndicator, &option, button);
  const int spacing = w.style()->pixelMetric(
      radio ? QStyle::PM_RadioButtonLabelSpacing : QStyle::PM_CheckBoxLabelSpacing, &option,
      button);
  QRect box = w.rect();
  box.setLeft(indicator.right() + 1 + spacing);
  return box;
}

bool CaptionWraps(const QWidget& w) {
  if (const auto* label = qobject_cast<const QLabel*>(&w)) return label->wordWrap();
  return IsWrappingButton(w);
}

QString CaptionText(const QWidget& w) {
  if (const auto* label = qobject_cast<const QLabel*>(&w)) return label->text();
  if (const auto* button = qobject_cast<const QAbstractButton*>(&w)) return button->text();
  return {};
}

bool CaptionFits(const QWidget& w) { return FitsWith(w, w.font()); }

void FitCaptions(QWidget& form) {
  // Fonts come from the style sheet only once a widget is polished.
  form.ensurePolished();
  for (QWidget* w : form.findChildren<QWidget*>()) {
    w->ensurePolished();
    if (CaptionText(*w).isEmpty() || FitsWith(*w, w->font())) continue;
    // At each size the narrow face is tried first; where it is not
    // installed the font falls back to a wider one, so the usual face is
    // tried too.
    QFont narrow = w->font();
    narrow.setFamilies({QStringLiteral("Arial Narrow"), QStringLiteral("Nimbus Sans Narrow"),
                        QStringLiteral("Liberation Sans Narrow")});
    QFont usual = w->font();
    QFont chosen = narrow;
    for (qreal size = w->font().pointSizeF(); size >= kSmallestCaptionPointSize; size -= 0.25) {
      narrow.setPointSizeF(size);
      usual.setPointSizeF(size);
      chosen = narrow;
      if (FitsWith(*w, narrow)) break;
      if (FitsWith(*w, usual)) {
        chosen = usual;
        break;
      }
    }
    w->setFont(chosen);
  }
}

}  // namespace vn
