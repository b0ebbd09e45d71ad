// The program icon at the sizes desktops ask for.
#include "ui/program_icon.h"

#ifdef VN_HAVE_QTSVG
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#endif

namespace vn {

QIcon ProgramIcon() {
  const QString file = QStringLiteral(":/icons/vantry-null.svg");
#ifdef VN_HAVE_QTSVG
  // Drawn here rather than by the toolkit's SVG icon plug-in, which an
  // installation may lack: the SVG library itself is linked in.
  QSvgRenderer renderer(file);
  if (renderer.isValid()) {
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
      QPixmap pixmap(size, size);
      pixmap.fill(Qt::transparent);
      QPainter painter(&pixmap);
      renderer.render(&painter);
      painter.end();
      icon.addPixmap(pixmap);
    }
    return icon;
  }
#endif
  return QIcon(file);
}

}  // namespace vn
