// The main window on a 1024 x 700 screen, the smallest the program is made
// for, after a run: it opens within the screen, every control of the
// entries and every caption of the twips layout shows whole, and the
// exact check's tabs keep their place and a usable height. The other
// windows' looks are judged on their pictures: with VN_SCREENSHOT_DIR set,
// the test saves one of the main window.
//
// The offscreen platform's screen is set to that size by its configuration
// file before the application starts (main below).
#include <QtTest>
#include <QtWidgets>

#include "support/main_window_fixture.h"
#include "ui/caption_fit.h"

namespace vn {
namespace {

const QSize kScreen(1024, 700);

// The widget's whole rectangle is inside its window and shown: no parent
// (a scroll area's viewport, a splitter, the window) clips any of it.
QString NotWhollyShown(const QWidget* w) {
  if (w == nullptr) return QStringLiteral("missing");
  if (!w->isVisible()) return w->objectName() + QStringLiteral(" hidden");
  const QRect inWindow(w->mapTo(w->window(), QPoint(0, 0)), w->size());
  bool clipped = false;
  for (const QWidget* a = w->parentWidget(); a != nullptr && !clipped; a = a->parentWidget()) {
    clipped = !a->rect().contains(QRect(w->mapTo(a, QPoint(0, 0)), w->size()));
    if (a->isWindow()) break;
  }
  if (clipped) {
    return w->objectName() + QStringLiteral(" cut at %1,%2 %3x%4")
                                 .arg(inWindow.x())
                                 .arg(inWindow.y())
                                 .arg(inWindow.width())
                                 .arg(inWindow.height());
  }
  return {};
}

QString OutsideScreen(const QWidget* window) {
  const QRect free = window->screen()->availableGeometry();
  if (free.contains(window->frameGeometry())) return {};
  const QRect g = window->frameGeometry();
  return window->objectName() + QStringLiteral(" at %1,%2 %3x%4 on a %5x%6 screen")
                                    .arg(g.x())
                                    .arg(g.y())
                                    .arg(g.width())
                                    .arg(g.height())
                                    .arg(free.width())
                                    .arg(free.height());
}

}  // namespace

class WindowScreensTest : public QObject {
  Q_OBJECT

 private slots:
  void mainWindowOnTheSmallestScreen() {
    QCOMPARE(QGuiApplication::primaryScreen()->availableGeometry().size(), kScreen);
    test::MainWindow m;
    m.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m.window));
    m.Click("FindIt");
    QTRY_VERIFY(m.Get<QPushButton>("ExactExport")->isEnabled());
    QStringList problems{OutsideScreen(&m.window)};
    for (QWidget* w : m.Get("client")->findChildren<QWidget*>()) {
      if (!w->isVisible() || w->objectName().isEmpty()) continue;
      problems << NotWhollyShown(w);
      if (!CaptionText(*w).isEmpty() && !CaptionFits(*w))
        problems << w->objectName() + QStringLiteral(" caption cut");
    }
    auto* tabs = m.Get<QTabWidget>("ExactPictures");
    const int top = tabs->mapTo(&m.window, QPoint(0, 0)).y();
    for (int i = 0; i < tabs->count(); ++i) {
      tabs->setCurrentIndex(i);
      QTest::qWait(20);
      if (tabs->mapTo(&m.window, QPoint(0, 0)).y() != top || tabs->currentWidget()->height() < 150)
        problems << QStringLiteral("tab %1 moved or only %2 px high")
                        .arg(i)
                        .arg(tabs->currentWidget()->height());
    }
    const QString shots = qEnvironmentVariable("VN_SCREENSHOT_DIR");
    if (!shots.isEmpty() && !m.window.grab().save(QDir(shots).filePath("main.png")))
      problems << QStringLiteral("could not save main.png");
    problems.removeAll(QString());
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
  }
};

}  // namespace vn

// The offscreen platform on a screen of the small size, whatever the test
// command's environment says.
int main(int argc, char** argv) {
  QTemporaryDir dir;
  const QString config = dir.filePath(QStringLiteral("screen.json"));
  QFile file(config);
  if (!file.open(QIODevice::WriteOnly)) return 2;
  file.write(QStringLiteral("{\"synchronousPaint\": false, \"windowFrameMargins\": false, "
                            "\"screens\": [{\"name\": \"small\", \"x\": 0, \"y\": 0, "
                            "\"width\": %1, \"height\": %2, \"logicalDpi\": 96, "
                            "\"logicalBaseDpi\": 96, \"dpr\": 1}]}")
                 .arg(vn::kScreen.width())
                 .arg(vn::kScreen.height())
                 .toUtf8());
  file.close();
  qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toUtf8());
  QApplication app(argc, argv);
  QTEST_SET_MAIN_SOURCE_PATH
  vn::WindowScreensTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "window_screens_test.moc"
