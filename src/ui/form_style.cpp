// The look shared by the program's windows: their font and captioned frames.
#include "ui/form_style.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <algorithm>

namespace vn {

QFont FormFont(const QFont& base, qreal pointSize) {
  QFont font = base;
  // The first family installed wins; the last ones are the usual metric
  // twins of Arial on Linux.
  font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Helvetica"),
                    QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"),
                    QStringLiteral("Arimo")});
  font.setPointSizeF(pointSize);
  return font;
}

void ApplyFormStyle(QWidget& form) {
  // Every control gets the font explicitly: a style sheet re-resolves
  // inherited fonts when it polishes a widget, and children of the styled
  // frames would fall back to the application's font. Controls with a font
  // of their own keep it.
  const QFont font = FormFont(form.font());
  form.setFont(font);
  for (QWidget* w : form.findChildren<QWidget*>()) {
    if (!w->testAttribute(Qt::WA_SetFont)) w->setFont(font);
  }
  form.setStyleSheet(QStringLiteral(
      "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
      "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
      " left: 6px; padding: 0px 2px; }"));
}

void ResizeWithinScreen(QWidget& window, QSize wanted) {
  const QScreen* screen =
      window.screen() != nullptr ? window.screen() : QGuiApplication::primaryScreen();
  if (screen != nullptr) {
    // Room for the frame the window manager adds: its sides and its title bar.
    const QRect free = screen->availableGeometry();
    wanted = wanted.boundedTo(QSize(free.width() - 16, free.height() - 48));
  }
  window.resize(wanted.expandedTo(window.minimumSizeHint().boundedTo(wanted)));
}

}  // namespace vn
