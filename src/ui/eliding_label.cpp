// The status bar's one-line label, shortened in the middle.
#include "ui/eliding_label.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

namespace vn {

ElidingLabel::ElidingLabel(QWidget* parent) : QLabel(parent) {
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  // The whole text is copied from the context menu, as a selectable label's is.
  setContextMenuPolicy(Qt::ActionsContextMenu);
  auto* copy = new QAction(tr("Copy"), this);
  connect(copy, &QAction::triggered, this,
          [this] { QGuiApplication::clipboard()->setText(text()); });
  addAction(copy);
}

bool ElidingLabel::event(QEvent* event) {
  // The tip is the whole text, however short the room.
  if (event->type() == QEvent::ToolTip && !text().isEmpty()) {
    QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text(), this);
    return true;
  }
  return QLabel::event(event);
}

QString ElidingLabel::ShownText() const {
  return fontMetrics().elidedText(text(), Qt::ElideMiddle, contentsRect().width());
}

QSize ElidingLabel::minimumSizeHint() const { return {0, QLabel::minimumSizeHint().height()}; }

void ElidingLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(palette().color(foregroundRole()));
  painter.drawText(contentsRect(), Qt::AlignLeft | Qt::AlignVCenter, ShownText());
}

}  // namespace vn
