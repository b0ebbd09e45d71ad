// The unit suffix inside a length field.
#include "ui/unit_suffix.h"

#include <QEvent>
#include <QLineEdit>
#include <QStyle>

namespace vn {

namespace {

// Room between the text and the unit, and between the unit and the frame.
constexpr int kGapPx = 3;

}  // namespace

UnitSuffix::UnitSuffix(QLineEdit* field) : QLabel(field), field_(field) {
  setObjectName(field->objectName() + QStringLiteral("Unit"));
  setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  // Clicks and the cursor belong to the field; the unit only shows.
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
  QPalette grey = palette();
  grey.setColor(QPalette::WindowText, field->palette().color(QPalette::PlaceholderText));
  setPalette(grey);
  field->installEventFilter(this);
}

void UnitSuffix::SetUnit(const QString& unit) {
  setText(unit);
  Place();
}

bool UnitSuffix::eventFilter(QObject* watched, QEvent* event) {
  if (watched == field_ &&
      (event->type() == QEvent::Resize || event->type() == QEvent::FontChange ||
       event->type() == QEvent::StyleChange)) {
    Place();
  }
  return QLabel::eventFilter(watched, event);
}

void UnitSuffix::Place() {
  setFont(field_->font());
  const int width = fontMetrics().horizontalAdvance(text()) + kGapPx;
  const int frame = field_->hasFrame() ? field_->style()->pixelMetric(QStyle::PM_DefaultFrameWidth,
                                                                      nullptr, field_)
                                       : 0;
  setGeometry(field_->width() - frame - kGapPx - width, frame, width, field_->height() - 2 * frame);
  field_->setTextMargins(0, 0, width + kGapPx, 0);
}

}  // namespace vn
