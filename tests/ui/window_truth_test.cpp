// What the main window shows is true now, under a German locale: numbers are
// typed and shown with the point in every field, results of other entries are
// marked out of date at once, a typed index that is not the named glass's is
// said, and the entries are checked where they are typed. The checks' own logic is tested in the
// core; here they prove that the window shows it where the user looks.
#include <QtTest>
#include <QtWidgets>

#include "run/null_finder.h"
#include "run/null_solve.h"
#include "support/main_window_fixture.h"
#include "ui/exact_check_panel.h"
#include "ui/form_main.h"

namespace vn {
namespace {

struct Fixture : test::MainWindow {
  Fixture() {
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
  }
  QString Status() { return window.statusBar()->currentMessage(); }
  // The note under the entries, or "" when there is none (or no such note).
  QString EntryNote() {
    auto* note = Get<QLabel>("EntryNote");
    return note != nullptr && note->isVisible() ? note->text() : QString();
  }
  bool Shown(const char* name) {
    QWidget* w = Get(name);
    return w != nullptr && w->isVisible();
  }
  // Types `text` into a field as the user would, replacing what it held.
  void Type(QWidget* field, const QString& text) {
    field->setFocus();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(field, text);
  }
};

}  // namespace

class WindowTruthTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

  // The Tester's view's boxes read "-0.1" as minus a tenth (a German spin box
  // read the point as a thousands separator: -1) and show the point; a comma
  // is refused with its reason beside the boxes and in the status bar, and
  // the value stays. A comma in an entry is named the same way.
  void oneWayToTypeANumber() {
    Fixture f;
    f.Get<QTabWidget>("ExactPictures")->setCurrentIndex(3);  // the Tester's view
    auto* deltaK = f.window.findChild<QDoubleSpinBox*>("TesterDeltaK");
    QVERIFY(deltaK != nullptr);
    f.Type(deltaK, "-0.1");
    QTest::keyClick(deltaK, Qt::Key_Return);
    QCOMPARE(deltaK->value(), -0.1);
    QCOMPARE(deltaK->text(), QString("-0.1"));

    f.Type(deltaK, "-0,2");
    QTest::keyClick(deltaK, Qt::Key_Return);
    QCOMPARE(deltaK->value(), -0.1);
    QVERIFY(f.Shown("TesterNumberProblem"));
    QVERIFY2(f.Get<QLabel>("TesterNumberProblem")->text().contains("comma"),
             qPrintable(f.Get<QLabel>("TesterNumberProblem")->text()));
    QVERIFY2(f.Status().contains("comma"), qPrintable(f.Status()));

    f.Type(f.Edit("MDiam"), "317,5");
    QVERIFY2(f.EntryNote().startsWith("Mirror Diameter has a comma"), qPrintable(f.EntryNote()));
    QCOMPARE(f.Status(), f.EntryNote());
  }

  // After an edit, a unit switch or another set-up opened, the last run's
  // results say they are out of date: a banner over the report (which
  // keeps its text), no verdict, a washed-out exact check whose pictures
  // cannot be exported, an empty Tester's view, and no saving of the report.
  void resultsOfOtherEntriesAreMarked() {
    Fixture f;
    QTemporaryDir dir;
    const QString setUp = dir.filePath("oblate.vnull");
    f.Edit("Mcc")->setText("0.5");
    QVERIFY(f.window.SaveSetupFile(setUp));
    f.Edit("Mcc")->setText("-1");
    const auto run = [&] {
      f.Click("FindIt");
      QTRY_VERIFY(f.Get("ExactExport")->isEnabled());
      QVERIFY(f.Shown("ExactVerdict") && !f.Shown("StaleNote"));
    };
    const auto marked = [&](const char* after) {
      const QString report = f.Get<QPlainTextEdit>("TextOut")->toPlainText();
      QVERIFY2(f.Shown("StaleNote"), after);
      QVERIFY2(!f.Shown("ExactVerdict") && !f.Get("ExactExport")->isEnabled(), after);
      QVERIFY2(!f.window.findChild<ExactCheckPanel*>()->ExportPictures(dir.filePath("x")), after);
      QVERIFY2(!f.Get("TesterSavePicture")->isEnabled(), after);
      QCOMPARE(f.Get<QPlainTextEdit>("TextOut")->toPlainText(), report);
      test::MessageCatcher messages;
      QVERIFY2(!f.window.SaveReportFile(dir.filePath("report.txt")), after);
      QVERIFY2(messages.texts.join("").contains("out of date"), after);
    };
    run();
    // An open Tolerances window follows too: emptied, then the new run's.
    f.Click("TolerancesButton");
    auto* table = f.window.findChild<QTableWidget*>("SensitivityTable");
    QVERIFY(table != nullptr && table->rowCount() > 0);
    f.Type(f.Edit("Mcc"), "-0.9");
    marked("an edit");
    QCOMPARE(table->rowCount(), 0);
    QVERIFY(f.window.findChild<QLabel*>("ToleranceSummary")->text().startsWith("Out of date"));
    run();
    QVERIFY(table->rowCount() > 0);
    f.Click("inches_0");
    marked("a unit switch");
    f.Click("inches_1");
    run();
    QVERIFY(f.window.OpenSetupFile(setUp));
    marked("File, Open");
  }

  // BK7 chosen at 546.1 nm (1.51872: Enter recomputes and leaves the dialog
  // open, OK sends the five-decimal index under the German locale), then
  // 1.51509 typed: the window says that the index is not the glass's, beside
  // the entries and in the status bar, and marks the index field.
  void typedIndexThatIsNotTheGlasss() {
    Fixture f;
    bool openAfterEnter = false;
    test::WhenModalOpens([&](QWidget* dialog) {
      auto* wave = dialog->findChild<QLineEdit*>("txt_Wave");
      wave->setText("546.1");
      QTest::keyClick(wave, Qt::Key_Return);
      openAfterEnter = dialog->isVisible();
      QTest::mouseClick(dialog->findChild<QAbstractButton*>("OKButton"), Qt::LeftButton);
    });
    f.Click("Calc_RIn");
    QVERIFY(openAfterEnter);
    QCOMPARE(f.Edit("LindexR")->text(), QString("1.51872"));
    QVERIFY(f.EntryNote().isEmpty());
    f.Type(f.Edit("LindexR"), "1.51509");
    QVERIFY2(f.EntryNote().startsWith("The index 1.51509 is not BK7's at 546.1 nm (1.51872)"),
             qPrintable(f.EntryNote()));
    QCOMPARE(f.Status(), f.EntryNote());
    QCOMPARE(f.Edit("LindexR")->property("entryProblem").toString(), QString("note"));
  }

  // A fault is named, marked and said as soon as it is typed (each fault's
  // text is the entries' check's, tested in the core); a size beyond any
  // mirror is not run; a run that fails is blamed on the entry the check
  // finds wrong, and one stopped by a key is called stopped.
  void entriesCheckedWhereTyped() {
    Fixture f;
    f.Type(f.Edit("lthck"), "3.9");
    QVERIFY2(f.EntryNote().startsWith("Center Thickness leaves no edge"),
             qPrintable(f.EntryNote()));
    QCOMPARE(f.Status(), f.EntryNote());
    QCOMPARE(f.Edit("lthck")->property("entryProblem").toString(), QString("wrong"));
    f.Edit("lthck")->setText("15");
    QVERIFY(f.EntryNote().isEmpty());

    // The negative diameter runs as it always did, to the run's one error
    // box; the status bar then names the entry.
    f.Type(f.Edit("MDiam"), "-317.5");
    {
      test::MessageCatcher messages;
      f.Click("FindIt");
      QCOMPARE(messages.texts, QStringList{WidgetTextFromReport(kFailureText)});
    }
    QVERIFY2(f.Status().contains("Mirror Diameter must be larger than 0."), qPrintable(f.Status()));

    // 1e300 would search until a key is pressed: it is not run.
    f.Type(f.Edit("MDiam"), "1e300");
    f.Click("FindIt");
    QCOMPARE(f.finder.lastRun().setup.ShownText(Entry::MirrorDiameter), std::string("-317.5"));
    QVERIFY2(f.Status().contains("larger than 100000 mm"), qPrintable(f.Status()));

    // A lens a metre thick keeps the search going until a key (or its step
    // limit) stops it, and its unfinished figures then overflow: no error
    // box, the entries are not to blame; the report says how it ended and
    // the exact check's verdict says why there is no null.
    f.Edit("MDiam")->setText("317.5");
    f.Edit("lthck")->setText("1000");
    f.window.SetYieldInterval(0);
    QTimer::singleShot(300, &f.window, [&] {
      QCoreApplication::postEvent(f.Get("TextOut"),
                                  new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier));
    });
    test::MessageCatcher messages;
    f.Click("FindIt");
    QVERIFY(f.finder.lastRun().outcome != RunOutcome::Failed);
    QVERIFY(messages.texts.isEmpty());
    const std::string report = f.window.ReportText();
    QVERIFY2(report.ends_with(kAbortLine) || report.ends_with(kSearchFailedLine) ||
                 report.ends_with(kStepLimitLine),
             report.c_str());
  }
};

}  // namespace vn

QTEST_MAIN(vn::WindowTruthTest)
#include "window_truth_test.moc"
