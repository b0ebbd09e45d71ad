// Every window and tab on a 1024 x 700 screen, the smallest the program is
// made for: each opens within the screen, its main action shows whole
// without scrolling, the exact check's tabs stay where they are as the user
// switches between them, and the mirror's pictures keep their 1:1 aspect
// clear of their captions, in a window of the size it opens with and
// maximised.
//
// The offscreen platform's screen is set to that size by its configuration
// file before the application starts (main below).
#include <QtTest>
#include <QtWidgets>

#include "support/main_window_fixture.h"
#include "ui/choose_lens_window.h"
#include "ui/eliding_label.h"
#include "ui/square_picture.h"
#include "ui/tester_view.h"
#include "ui/tolerance_window.h"

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
  void screenIsTheSmallOne() {
    QCOMPARE(QGuiApplication::primaryScreen()->availableGeometry().size(), kScreen);
  }

  // The main window and its exact check's four tabs, as it opens and
  // maximised: the find button, the tabs in one place, the mirror's picture
  // square and clear of its caption, the status bar's file note shown
  // within its room.
  // The start-up set-up, and the f/2.5 mirror whose verdict gives three
  // reasons: a long verdict must not squeeze the pictures.
  void mainWindowAndItsTabs_data() {
    QTest::addColumn<QString>("diameter");
    QTest::addColumn<QString>("radius");
    QTest::newRow("start-up") << "317.5"
                              << "2540";
    QTest::newRow("f/2.5, not a null") << "400"
                                       << "2000";
  }
  void mainWindowAndItsTabs() {
    QFETCH(QString, diameter);
    QFETCH(QString, radius);
    test::MainWindow m;
    m.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m.window));
    m.Edit("MDiam")->setText(diameter);
    m.Edit("MRoC")->setText(radius);
    m.Click("FindIt");
    QTRY_VERIFY(m.Get<QPushButton>("ExactExport")->isEnabled());
    auto* tester = m.Get<TesterView>("TesterView");
    QTRY_VERIFY(tester->HasPicture());
    QStringList problems;
    for (const bool maximised : {false, true}) {
      if (maximised) m.window.showMaximized();
      QTest::qWait(50);
      problems << OutsideScreen(&m.window) << NotWhollyShown(m.Get("FindIt"));
      auto* tabs = m.Get<QTabWidget>("ExactPictures");
      QList<int> tabTops;
      for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        QTest::qWait(20);
        tabTops << tabs->mapTo(&m.window, QPoint(0, 0)).y();
        problems << NotWhollyShown(tabs->tabBar());
        if (tabs->currentWidget()->height() < 150)
          problems << QStringLiteral("tab %1 only %2 px high")
                          .arg(i)
                          .arg(tabs->currentWidget()->height());
      }
      if (tabTops != QList<int>(tabs->count(), tabTops.first()))
        problems << QStringLiteral("tabs move: %1")
                        .arg(QStringList(QStringList() << QString::number(tabTops[0])
                                                       << QString::number(tabTops[1])
                                                       << QString::number(tabTops[2])
                                                       << QString::number(tabTops[3]))
                                 .join(' '));
      // The tester's view, whose picture and caption share one tab.
      tabs->setCurrentWidget(tester);
      QTest::qWait(20);
      auto* picture = m.Get<SquarePicture>("TesterPicture");
      // The caption shows four lines at least, and scrolls to the rest.
      auto* caption = m.Get<QScrollArea>("TesterCaptionScroll");
      const QRect drawn(picture->mapTo(tester, picture->PictureRect().topLeft()),
                        picture->PictureRect().size());
      const QRect said(caption->mapTo(tester, QPoint(0, 0)), caption->size());
      if (drawn.width() != drawn.height() || drawn.width() < 120)
        problems << QStringLiteral("mirror drawn %1x%2").arg(drawn.width()).arg(drawn.height());
      if (drawn.intersects(said) || !tester->rect().contains(drawn))
        problems << QStringLiteral("mirror over its caption or outside its tab");
      if (caption->viewport()->height() < 4 * caption->fontMetrics().lineSpacing())
        problems << QStringLiteral("caption %1 px high").arg(caption->viewport()->height());
      problems << NotWhollyShown(caption);
    }
    // A long path in the status bar is shortened in its middle, never
    // covered by the buttons beside it.
    auto* note = m.Get<QLabel>("LensFileNote");
    note->setText(QStringLiteral("Lens file written: ") + QString(160, QLatin1Char('d')) +
                  QStringLiteral("/Vantry_318mm_f4.len"));
    QCoreApplication::processEvents();
    const QRect noteRect(note->mapTo(&m.window, QPoint(0, 0)), note->size());
    const QString shown = static_cast<ElidingLabel*>(note)->ShownText();
    if (note->fontMetrics().horizontalAdvance(shown) > note->contentsRect().width() ||
        !shown.endsWith(QStringLiteral("/Vantry_318mm_f4.len")))
      problems << QStringLiteral("file note shows \"%1\"").arg(shown);
    for (const char* button : {"TolerancesButton", "ChooseLens"}) {
      const QWidget* b = m.Get(button);
      if (noteRect.intersects(QRect(b->mapTo(&m.window, QPoint(0, 0)), b->size())))
        problems << QStringLiteral("file note under %1").arg(button);
      problems << NotWhollyShown(b);
    }
    problems.removeAll(QString());
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
  }

  // The Tolerances window: the Monte Carlo's button, its progress and the
  // exports show without scrolling. The lens chooser: its design's whole
  // table, to the verdict, without sideways scrolling, and its button that
  // uses the lens. The help: within the screen.
  void otherWindows() {
    test::MainWindow m;
    m.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m.window));
    m.Click("FindIt");
    QTRY_VERIFY(m.Get<QPushButton>("ExactExport")->isEnabled());
    QStringList problems;

    m.Click("TolerancesButton");
    auto* tolerances = m.Get<ToleranceWindow>("ToleranceWindow");
    QVERIFY(QTest::qWaitForWindowExposed(tolerances));
    QTRY_VERIFY(test::Named<QPushButton>(tolerances, "RunMonteCarlo")->isEnabled());
    // As it opens, and once its answers are in: they must not make it taller.
    for (const bool answered : {false, true}) {
      if (answered) {
        test::Named<QLineEdit>(tolerances, "MonteCarloTrials")->setText(QStringLiteral("200"));
        QTest::mouseClick(test::Named<QPushButton>(tolerances, "RunMonteCarlo"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(
            test::Named<QPushButton>(tolerances, "ExportHistogram")->isEnabled(), 60000);
        test::Named<QLineEdit>(tolerances, "MeasuredSpacing")->setText(QStringLiteral("2077"));
        QTest::mouseClick(test::Named<QPushButton>(tolerances, "FindConic"), Qt::LeftButton);
        QTRY_VERIFY(!test::Named<QLabel>(tolerances, "ConicAnswer")->text().isEmpty());
        QTest::qWait(50);
      }
      problems << OutsideScreen(tolerances);
      for (const char* name :
           {"RunMonteCarlo", "CancelMonteCarlo", "MonteCarloProgress", "ExportCsv",
            "ExportHistogram", "FindConic", "SensitivityTable", "MonteCarloHistogram"})
        problems << NotWhollyShown(test::Named<QWidget>(tolerances, name));
    }
    tolerances->close();

    m.Click("ChooseLens");
    auto* chooser = m.window.findChild<ChooseLensWindow*>();
    QVERIFY(QTest::qWaitForWindowExposed(chooser));
    QTest::mouseClick(test::Named<QPushButton>(chooser, "ChooserDesign"), Qt::LeftButton);
    auto* table = test::Named<QTableWidget>(chooser, "ChooserResults");
    QTRY_VERIFY_WITH_TIMEOUT(
        table->rowCount() > 0 && !test::Named<QPushButton>(chooser, "ChooserCancel")->isEnabled(),
        120000);
    QCoreApplication::processEvents();
    problems << OutsideScreen(chooser) << NotWhollyShown(table)
             << NotWhollyShown(test::Named<QWidget>(chooser, "ChooserUseLens"))
             << NotWhollyShown(test::Named<QWidget>(chooser, "ChooserDesign"));
    if (table->horizontalScrollBar()->maximum() > 0)
      problems << QStringLiteral("chooser's table scrolls sideways by %1 px")
                      .arg(table->horizontalScrollBar()->maximum());
    chooser->close();

    m.window.ShowHelp();
    auto* help = m.Get<QDialog>("HelpDialog");
    QVERIFY(QTest::qWaitForWindowExposed(help));
    problems << OutsideScreen(help);
    help->close();
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
