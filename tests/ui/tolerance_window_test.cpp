// The Tolerances window's wiring: the main window's button opens it on the
// solved set-up, the Monte Carlo runs in the background while the window
// keeps handling events, its figures reach the labels and the files, and
// unreadable entries are refused. The analysis's own figures, and a
// cancelled Monte Carlo keeping what it drew, are tested in the core. With VN_SCREENSHOT_DIR set,
// the test saves a picture of the window after a Monte Carlo.
#include "ui/tolerance_window.h"

#include <QtTest>
#include <QtWidgets>

#include "support/main_window_fixture.h"
#include "ui/exact_plots.h"
#include "ui/form_main.h"

namespace vn {
namespace {

struct Fixture : test::MainWindow {
  ToleranceWindow* tolerances = nullptr;

  // Solves the start-up set-up and opens the Tolerances window on it; Get
  // reaches its controls.
  Fixture() {
    window.show();
    Click("FindIt");
    Click("TolerancesButton");
    tolerances = test::Named<ToleranceWindow>(&window, "ToleranceWindow");
  }
  template <class T>
  T* Get(const char* name) {
    return test::Named<T>(tolerances, name);
  }
  QString Figures() { return Get<QLabel>("MonteCarloFigures")->text(); }
};

}  // namespace

class ToleranceWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void opensOnTheSolvedSetUp() {
    Fixture f;
    QVERIFY(f.tolerances != nullptr);
    QVERIFY(f.tolerances->isVisible());
    auto* table = f.Get<QTableWidget>("SensitivityTable");
    QCOMPARE(table->rowCount(), 10);
    QCOMPARE(table->item(1, 0)->text(), QStringLiteral("Lens to mirror"));
    QCOMPARE(table->item(1, 1)->text(), QStringLiteral("2076.366 mm"));
    QCOMPARE(f.Get<QLineEdit>("Tolerance_lens_mirror_distance")->text(), QStringLiteral("1"));
    // A second click brings the same window back.
    f.Click("TolerancesButton");
    QCOMPARE(f.window.findChildren<ToleranceWindow*>().size(), 1);
    // (Its size on a small screen: window_screens_test.)
  }

  void runsInTheBackgroundAndExports() {
    Fixture f;
    f.Get<QLineEdit>("MonteCarloTrials")->setText("300");
    QSignalSpy ended(f.tolerances, &ToleranceWindow::monteCarloEnded);
    QTest::mouseClick(f.Get<QPushButton>("RunMonteCarlo"), Qt::LeftButton);
    QVERIFY(f.tolerances->MonteCarloRunning());
    QVERIFY(f.Get<QPushButton>("CancelMonteCarlo")->isEnabled());
    QVERIFY(ended.wait(60000));  // the event loop runs while the threads work
    QVERIFY2(f.Figures().contains("300 set-ups drawn"), qPrintable(f.Figures()));
    QVERIFY2(f.Figures().contains("Under 1/8 wave P-V: "), qPrintable(f.Figures()));
    QCOMPARE(f.Get<QProgressBar>("MonteCarloProgress")->value(), 300);
    QVERIFY(f.Get<ExactPlotWidget>("MonteCarloHistogram")->HasPicture());
    // With VN_SCREENSHOT_DIR set, a picture of the window to be looked at.
    const QString shots = qEnvironmentVariable("VN_SCREENSHOT_DIR");
    if (!shots.isEmpty())
      QVERIFY(f.tolerances->grab().save(QDir(shots).filePath("tolerances.png")));

    QTemporaryDir dir;
    const QString base = dir.filePath("tol");
    QVERIFY(f.tolerances->ExportCsv(base));
    QVERIFY(QFileInfo(base + "_sensitivity.csv").size() > 500);
    QVERIFY(QFileInfo(base + "_set_ups.csv").size() > 3000);
    QVERIFY(f.tolerances->ExportPictures(base));
    QVERIFY(QFileInfo(base + ".png").size() > 1000);
  }

  void refusesUnreadableEntriesAndAnswersTheReverseQuestion() {
    Fixture f;
    f.Get<QLineEdit>("Tolerance_decenter")->setText("0,1");
    QVERIFY(!f.tolerances->StartMonteCarlo());
    QVERIFY(!f.tolerances->MonteCarloRunning());
    QVERIFY(f.Get<QLabel>("ToleranceStatus")->text().contains("Lens decenter"));

    f.Get<QLineEdit>("MeasuredSpacing")->setText("2077.366");
    QTest::mouseClick(f.Get<QPushButton>("FindConic"), Qt::LeftButton);
    QVERIFY2(f.Get<QLabel>("ConicAnswer")->text().contains("has the conic constant K = -0.99"),
             qPrintable(f.Get<QLabel>("ConicAnswer")->text()));
  }
};

}  // namespace vn

QTEST_MAIN(vn::ToleranceWindowTest)
#include "tolerance_window_test.moc"
