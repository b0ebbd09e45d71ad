// The main window's wiring: what the controls show at start, what a click of
// the find button, a key press, a units click and the error dialog's
// buttons reach in the run and the shared values. The run's own figures and
// the dialogs' logic are tested in the core; here they only prove that the
// window passed the right things along.
#include "ui/form_main.h"

#include <QtTest>
#include <QtWidgets>
#include <clocale>
#include <functional>

#include "common/shared_values.h"
#include "pictures/exact_picture_files.h"
#include "record/solved_set_up.h"
#include "run/null_finder.h"
#include "support/files.h"
#include "support/main_window_fixture.h"
#include "ui/exact_check_panel.h"

namespace vn {
namespace {

// The last line of the start-up entries' run in millimetres; the core's run
// tests derive it, here it only shows that the entries reached the run.
constexpr const char* kStartupLastLine = "Maximum Optical Path Difference \t=\t0.035 Waves";

// One shown window with its own shared values and run (no lens-file
// platform: these tests write no files).
struct Fixture : test::MainWindow {
  Fixture() {
    // The start-up run takes a fraction of a millisecond: let the window handle
    // events at every yield so tests can act in the middle of a run.
    window.SetYieldInterval(0);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
  }
  QPlainTextEdit* TextOut() { return Get<QPlainTextEdit>("TextOut"); }
  bool Checked(const char* name) { return Get<QAbstractButton>(name)->isChecked(); }
};

void PressInNextModal(const char* button) {
  test::WhenModalOpens([button](QWidget* modal) {
    QTest::mouseClick(modal->findChild<QAbstractButton*>(button), Qt::LeftButton);
  });
}

QStringList LengthTexts(Fixture& f) {
  QStringList texts;
  for (const char* name : {"MDiam", "MRoC", "LradI", "lRadM", "lthck", "LDiam", "Mcc", "LindexR"})
    texts << f.Edit(name)->text();
  return texts;
}

}  // namespace

class FormMainTest : public QObject {
  Q_OBJECT

 private slots:
  void spinnerTurnsOnEvery1001stStep() {
    // From a new window: untouched for 1000 steps, then "/" on the 1001st,
    // and "|" again on the 4004th.
    FindSpinner spinner;
    QStringList captions;
    for (int i = 1; i <= 4004; ++i) {
      if (spinner.Step()) captions << QString::fromStdString(spinner.Caption());
      if (i == 1000) QVERIFY(captions.isEmpty());
    }
    QCOMPARE(captions,
             (QStringList{"/Processing ", "--Processing ", "\\Processing ", "|Processing "}));
  }

  void startsWithTheDefaults() {
    Fixture f;
    QCOMPARE(LengthTexts(f),
             QStringList({"317.5", "2540", "9e99", "-206", "15", "80", "-1", "1.51509"}));
    QVERIFY(f.Checked("inches_1") && !f.window.InchUnitsSelected());
    QVERIFY(!f.Checked("CHk_QtrWave") && !f.Checked("chk_save_oslo") &&
            !f.Get("abrt")->isVisible());
    QCOMPARE(f.TextOut()->document()->firstBlock().text(),
             QString("Vantry Null Test Setup Calculations Version 2.2.0"));
    QCOMPARE(f.TextOut()->verticalScrollBar()->value(), 0);
  }

  void findButtonRunsOnceWithTheEntries() {
    Fixture f;
    bool sawRun = false;
    // Delivered at the run's first yield: a second click starts nothing (a
    // second run would have cleared and rewritten the report by now).
    QTimer::singleShot(0, &f.window, [&] {
      sawRun = f.finder.RunBusy() && f.Get("abrt")->isVisible();
      const std::string before = f.window.ReportText();
      f.Click("FindIt");
      QCOMPARE(f.window.ReportText(), before);
    });
    f.Click("FindIt");
    QVERIFY(sawRun);
    QCOMPARE(f.finder.lastRun().outcome, RunOutcome::Completed);
    const std::string report = f.window.ReportText();
    QVERIFY(report.ends_with(kStartupLastLine));
    // The box shows the run's last report once the click has been handled,
    // and the exact check follows (0.031 waves P-V about best focus).
    QCoreApplication::processEvents();
    QCOMPARE(f.TextOut()->toPlainText(), WidgetTextFromReport(report));
    QTRY_VERIFY(f.Get("ExactExport")->isEnabled());
    const QString exact = f.Get<QLabel>("ExactFigures")->text();
    QVERIFY2(exact.contains("0.031"), qPrintable(exact));
  }

  // While a run goes, the exact check says it is being made again and
  // nothing can be exported; the new check then replaces it.
  void exactCheckIsStaleDuringARun() {
    Fixture f;
    auto* panel = f.window.findChild<ExactCheckPanel*>();
    f.Click("FindIt");
    QTRY_VERIFY(f.Get("ExactExport")->isEnabled());
    QTemporaryDir dir;
    bool staleShown = false, exported = true;
    QTimer::singleShot(0, &f.window, [&] {
      staleShown = panel->IsBusy() && !f.Get("ExactExport")->isEnabled() &&
                   f.Get<QLabel>("ExactFigures")->text().contains("recomputed");
      exported = panel->ExportPictures(dir.filePath("during"));
    });
    f.Click("FindIt");
    QVERIFY(staleShown);
    QVERIFY(!exported);
    QTRY_VERIFY(f.Get("ExactExport")->isEnabled());
    QVERIFY(!panel->IsBusy());
    QVERIFY(panel->ExportPictures(dir.filePath("after")));
  }

  void keyPressStopsRunAndStillReachesControl() {
    Fixture f;
    // Idle: a key in an entry field is typed into it and also sets the abort flag.
    QLineEdit* mcc = f.Edit("Mcc");
    mcc->setFocus();
    QTest::keyClick(mcc, Qt::Key_0);
    QCOMPARE(mcc->text(), QString("-10"));
    QVERIFY(f.finder.AbortRequested());

    // During a run: a key waiting in the queue is seen at the run's first yield.
    QCoreApplication::postEvent(f.TextOut(),
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier));
    f.Click("FindIt");
    QCOMPARE(f.finder.lastRun().outcome, RunOutcome::Aborted);
    const std::string report = f.window.ReportText();
    QVERIFY(report.find("Results: \r\n") != std::string::npos);
    QVERIFY(report.ends_with(std::string("\r\n") + kAbortLine));
  }

  // Enter in an entry or on the focused find button runs as a click does
  // (during a run it stops it like any key); F1 opens the help.
  void keyboardRunsStopsAndHelps() {
    Fixture f;
    QLineEdit* mRoC = f.Edit("MRoC");
    mRoC->setFocus();
    QTest::keyClick(mRoC, Qt::Key_Return);
    QCOMPARE(f.finder.lastRun().outcome, RunOutcome::Completed);
    QVERIFY(f.window.ReportText().ends_with(kStartupLastLine));

    f.window.SetReportText("before");
    QWidget* findIt = f.Get("FindIt");
    findIt->setFocus();
    QTest::keyClick(findIt, Qt::Key_Enter);
    QVERIFY(f.window.ReportText().ends_with(kStartupLastLine));

    QTest::keyClick(f.Edit("LDiam"), Qt::Key_F1);
    auto* help = f.window.findChild<QDialog*>("HelpDialog");
    QVERIFY(help != nullptr && help->isVisible());
  }

  void unitsOptionConvertsOrRefuses() {
    Fixture f;
    f.Click("inches_0");
    QCOMPARE(LengthTexts(f),
             QStringList({"12.5", "100", "3.54330708661417E+98", "-8.11023622047244",
                          "0.590551181102362", "3.1496062992126", "-1", "1.51509"}));
    f.Click("inches_1");
    QCOMPARE(LengthTexts(f), QStringList({"317.5", "2540", "8.99999999999999E+99", "-206", "15",
                                          "80", "-1", "1.51509"}));

    // A field that is not a number refuses the switch, and the option group
    // still agrees with the texts.
    f.Edit("lthck")->setText("abc");
    QString message;
    test::WhenModalOpens([&](QWidget* modal) {
      message = qobject_cast<QMessageBox*>(modal)->text();
      modal->close();
    });
    f.Click("inches_0");
    QVERIFY2(message.contains("Center Thickness"), qPrintable(message));
    QVERIFY(f.Checked("inches_1") && !f.window.InchUnitsSelected());
    QCOMPARE(f.Edit("MDiam")->text(), QString("317.5"));
  }

  // The error dialog's buttons reach the check box and the shared values;
  // what each button does with each entry is the dialogs' core tests'.
  void errorDialogButtonsReachTheCheck() {
    Fixture f;
    // The error dialog's first opening chooses 0.125 wave; Cancel only takes the check back.
    PressInNextModal("CancelButton");
    f.Click("CHk_QtrWave");
    QVERIFY(!f.Checked("CHk_QtrWave"));
    QCOMPARE(f.shared.ErrorLimit, 0.125);
    QVERIFY(f.shared.ErrorLimitInWaves);

    // Clicking into the amount box chooses the amount option.
    test::WhenModalOpens([](QWidget* dialog) {
      auto* amount = dialog->findChild<QLineEdit*>();  // the dialog's only entry
      QTest::mouseClick(amount, Qt::LeftButton);
      amount->selectAll();
      QTest::keyClicks(amount, "0.5");
      QTest::mouseClick(dialog->findChild<QAbstractButton*>("OKButton"), Qt::LeftButton);
    });
    f.Click("CHk_QtrWave");
    QVERIFY(f.Checked("CHk_QtrWave"));
    QCOMPARE(f.shared.ErrorLimit, 0.5);
    QVERIFY(!f.shared.ErrorLimitInWaves);
  }

  // An entry the run cannot read: the run's one error box as always, then
  // the entry named in the status bar and given the focus, its text selected.
  void unreadEntryIsNamedAndFocused() {
    const struct {
      const char* entry;
      const char* typed;
      const char* caption;
    } cases[] = {{"MDiam", "1,5", "Mirror Diameter"},
                 {"lthck", "abc", "Center Thickness"},
                 {"LindexR", "", "Refractive Index"}};
    for (const auto& c : cases) {
      Fixture f;
      f.Edit(c.entry)->setText(c.typed);
      test::MessageCatcher messages;
      f.Click("FindIt");
      QCOMPARE(messages.texts, QStringList{WidgetTextFromReport(kFailureText)});
      const QString status = f.window.statusBar()->currentMessage();
      QVERIFY2(status.contains(c.caption), qPrintable(status));
      QCOMPARE(f.window.focusWidget(), f.Edit(c.entry));
      QCOMPARE(f.Edit(c.entry)->selectedText(), QString(c.typed));

      // The next run that reads every entry clears the note.
      f.Edit(c.entry)->setText(f.Edit("LDiam")->text());
      f.Edit("LindexR")->setText("1.51509");
      f.Click("FindIt");
      QCOMPARE(f.finder.lastRun().outcome, RunOutcome::Completed);
      QVERIFY(f.window.statusBar()->currentMessage().isEmpty());
    }
  }

  // The test command runs these tests under de_DE.UTF-8, which the toolkit
  // hands on to the C library: a number that passed through the locale would
  // be written "204,817" and read back as 204.
  void figuresAreLocaleFreeUnderACommaLocale() {
    QCOMPARE(QString::fromLatin1(std::localeconv()->decimal_point), QString(","));
    Fixture f;
    f.Click("FindIt");
    // The start-up run's figures as the core's run tests derive them.
    const std::string report = f.window.ReportText();
    for (const char* line :
         {"Lens Focal Length = \t-> 399.93 mm", "Object to Lens Distance         \t\t=\t204.817 mm",
          "Lens to Mirror Distance         \t\t=\t2076.366 mm", kStartupLastLine})
      QVERIFY2(report.find(line) != std::string::npos, line);
    QTRY_VERIFY(f.Get<QLabel>("ExactFigures")->text().contains("632.8 nm"));
    QVERIFY(f.Get<QLabel>("ExactFigures")->text().contains("0.031 P-V"));

    // The pictures' captions and ticks: "632.8 nm" in the wavefront's axis
    // caption, and no decimal comma anywhere in the drawn text.
    QTemporaryDir dir;
    const QString base = dir.filePath("check");
    QVERIFY(f.window.findChild<ExactCheckPanel*>()->ExportPictures(base));
    const QString drawn =
        QString::fromStdString(test::FileText((base + "_wavefront.svg").toStdString()));
    QVERIFY(drawn.contains("632.8 nm"));
    QVERIFY(!drawn.contains(QRegularExpression(">[^<]*\\d,\\d")));
    // The window's SVG files are the core's drawings of its check, as the
    // command line writes them.
    const SolvedSetUp setUp = SolvedSetUpOf(f.finder.lastRun());
    const std::vector<std::string> core =
        ExactPictureSvgs(ExactPicturesOf(RunExactCheck(setUp), setUp));
    QVERIFY(test::FileText((base + "_setup.svg").toStdString()) == core[0]);
    QVERIFY(test::FileText((base + "_aberration.svg").toStdString()) == core[2]);
  }

  void closingDuringRunStopsItThenCloses() {
    Fixture f;
    bool refusedWhileRunning = false;
    QTimer::singleShot(0, &f.window,
                       [&] { refusedWhileRunning = !f.window.close() && f.window.isVisible(); });
    f.Click("FindIt");
    QVERIFY(refusedWhileRunning);
    QCOMPARE(f.finder.lastRun().outcome, RunOutcome::Aborted);
    QVERIFY(f.window.ReportText().ends_with(kAbortLine));
    QVERIFY(!f.window.isVisible());
  }
};

}  // namespace vn

QTEST_MAIN(vn::FormMainTest)
#include "form_main_test.moc"
