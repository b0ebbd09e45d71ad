// The main window's wiring: what the controls show at start, what a click of
// the find button, a key press, a resize, a units click and the two dialogs'
// buttons reach in the run and the shared values. The run's own figures and
// the dialogs' logic are tested in the core; here they only prove that the
// window passed the right things along.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBlock>
#include <QTest>
#include <QTimer>
#include <functional>

#include "common/shared_values.h"
#include "run/null_finder.h"
#include "ui/form_main.h"
#include "ui/twips.h"

namespace vn {
namespace {

// Results of the start-up entries in millimetres; the core's run tests derive
// them, here they only show that this window's entries reached the run.
constexpr const char* kStartupLastLine = "Maximum Optical Path Difference \t=\t0.035 Waves";
constexpr const char* kStartupObjectLine = "Object to Lens Distance         \t\t=\t204.817 mm";

// One window with its own shared values and run, as the program makes them
// (no lens-file platform: these tests write no files).
struct Fixture {
  SharedValues shared;
  NullFinder finder{shared, nullptr};
  FormMain window{shared, finder};
  // The start-up run takes a fraction of a millisecond: let the window handle
  // events at every yield so tests can act in the middle of a run.
  Fixture() { window.SetYieldInterval(0); }

  template <class T>
  T* Get(const char* name) {
    T* widget = window.findChild<T*>(QString::fromUtf8(name));
    if (widget == nullptr) qWarning("no control %s", name);
    return widget;
  }
  QLineEdit* Edit(const char* name) { return Get<QLineEdit>(name); }
  void Show() {
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
  }
};

// Runs `action` once the next modal window (a message box or a dialog) is
// up; QDialog::exec() blocks the test until something closes it.
void WhenModalOpens(std::function<void(QWidget*)> action, int triesLeft = 200) {
  QTimer::singleShot(10, [action, triesLeft] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) {
      if (triesLeft > 0) WhenModalOpens(action, triesLeft - 1);
      return;
    }
    action(modal);
  });
}

const char* const kLengthNames[] = {"MDiam", "MRoC", "LradI", "lRadM", "lthck", "LDiam"};

}  // namespace

class FormMainTest : public QObject {
  Q_OBJECT

 private slots:
  void startsWithDefaultsAndHelpText();
  void findButtonRunsWithTheEntries();
  void secondClickDuringRunStartsNothing();
  void keyPressStopsRunAndStillReachesControl();
  void reportFollowsWindowHeight();
  void unitsOptionConvertsLengthFields();
  void unitsSwitchRefusedForNonNumber();
  void refractiveIndexDialogOkAndCancel();
  void refractiveIndexEnterRecomputesCloseControlCancels();
  void errorDialogFirstOpeningAndCancel();
  void errorDialogAmountAndCloseControl();
  void closingDuringRunStopsItThenCloses();
};

void FormMainTest::startsWithDefaultsAndHelpText() {
  Fixture f;
  f.Show();
  const std::pair<const char*, const char*> fields[] = {
      {"MDiam", "317.5"}, {"MRoC", "2540"}, {"Mcc", "-1"},  {"LradI", "9e99"},
      {"lRadM", "-206"},  {"lthck", "15"},  {"LDiam", "80"}, {"LindexR", "1.51509"}};
  for (const auto& [name, text] : fields) QCOMPARE(f.Edit(name)->text(), QString(text));
  QVERIFY(f.Get<QRadioButton>("inches_1")->isChecked());
  QVERIFY(!f.Get<QRadioButton>("inches_0")->isChecked());
  QVERIFY(!f.window.InchUnitsSelected());
  QVERIFY(!f.Get<QCheckBox>("CHk_QtrWave")->isChecked());
  QVERIFY(!f.Get<QCheckBox>("chk_save_oslo")->isChecked());
  QVERIFY(!f.Get<QLabel>("abrt")->isVisible());
  QCOMPARE(f.Get<QPushButton>("FindIt")->text(), QString("Find Null Variables"));
  QCOMPARE(f.Edit("LradI")->toolTip(),
           QString("WIth Mirror on Right Convex is Positive Value, Concave is Negative Value"));
  QCOMPARE(f.Edit("lRadM")->toolTip(),
           QString("WIth Mirror on right, Convex is Negative Value, Concave is Positive Value."));
  QCOMPARE(f.Get<QPushButton>("Calc_RIn")->toolTip(), QString("Press to Calculate from catalog"));
  QCOMPARE(f.shared.GlassName, std::string("BK7"));
  QCOMPARE(f.shared.TestWavelength, 0.6328);

  // The help text: 24 CR LF lines in the report, one line per paragraph in
  // the box, shown from its top.
  const QString report = QString::fromStdString(f.window.ReportText());
  QCOMPARE(report.split("\r\n").size(), 24);
  QVERIFY(!report.contains(QRegularExpression("[^\r]\n")));
  auto* textOut = f.Get<QPlainTextEdit>("TextOut");
  QCOMPARE(textOut->document()->firstBlock().text(),
           QString("Vantry Null Test Setup Calculations Version 2.2.0"));
  QCOMPARE(textOut->document()->blockCount(), 24);
  QCOMPARE(textOut->verticalScrollBar()->value(), 0);
  QVERIFY(textOut->verticalScrollBar()->maximum() > 0);  // the text is longer than the box
  QCOMPARE(textOut->document()->lastBlock().text(),
           QString("\t(Click refractive index, and change wave length to that used in your test "
                   "enviroment)"));
  QVERIFY(f.window.windowTitle().contains("Vantry Null"));
}

void FormMainTest::findButtonRunsWithTheEntries() {
  Fixture f;
  f.Show();
  QTest::mouseClick(f.Get<QPushButton>("FindIt"), Qt::LeftButton);

  QCOMPARE(f.finder.lastOutcome(), RunOutcome::Completed);
  const std::string report = f.window.ReportText();
  QVERIFY(report.ends_with(kStartupLastLine));
  QVERIFY(report.find(kStartupObjectLine) != std::string::npos);
  // The box shows the run's last report, not an earlier state of it, as
  // soon as the click has been handled; the exact check follows with it.
  QCoreApplication::processEvents();
  QCOMPARE(f.Get<QPlainTextEdit>("TextOut")->toPlainText(), WidgetTextFromReport(report));
  QVERIFY(f.window.findChild<QWidget*>("ExactCheck")->grab().width() > 0);
  QVERIFY(f.window.findChild<QWidget*>("ExactCheck")->findChildren<QLabel*>().size() > 0);
  bool exactShown = false;
  for (QLabel* label : f.window.findChild<QWidget*>("ExactCheck")->findChildren<QLabel*>()) {
    exactShown = exactShown || label->text().contains("0.031");  // P-V about best focus
  }
  QVERIFY(exactShown);
  QCOMPARE(f.Get<QPushButton>("FindIt")->text(), QString("Find Null Variables"));
  QVERIFY(!f.Get<QLabel>("abrt")->isVisible());
  QVERIFY(f.Get<QPlainTextEdit>("TextOut")->hasFocus());
  // The entries are editable again after the run.
  QVERIFY(!f.Edit("MDiam")->isReadOnly());
  QVERIFY(f.Get<QPushButton>("Calc_RIn")->isEnabled());

  // The units option chooses the run: the inch run reports inches.
  f.Get<QRadioButton>("inches_0")->click();
  QTest::mouseClick(f.Get<QPushButton>("FindIt"), Qt::LeftButton);
  QVERIFY(f.window.ReportText().find("-> 12.5\"\r\n") != std::string::npos);
}

void FormMainTest::secondClickDuringRunStartsNothing() {
  Fixture f;
  f.Show();
  bool sawRun = false;
  // Delivered at the run's first yield.
  QTimer::singleShot(0, &f.window, [&] {
    sawRun = true;
    QVERIFY(f.finder.RunBusy());
    // While running: the notice shows, the entries cannot change under the run.
    QVERIFY(f.Get<QLabel>("abrt")->isVisible());
    QVERIFY(f.Edit("MDiam")->isReadOnly());
    QVERIFY(!f.Get<QPushButton>("Calc_RIn")->isEnabled());
    QVERIFY(!f.Get<QRadioButton>("inches_0")->isEnabled());
    f.Edit("MDiam")->setFocus();
    const std::string before = f.window.ReportText();
    f.Get<QPushButton>("FindIt")->click();
    // A second run would have cleared and rewritten the report by now.
    QCOMPARE(f.window.ReportText(), before);
    QVERIFY(f.finder.RunBusy());
    QVERIFY(f.Get<QPlainTextEdit>("TextOut")->hasFocus());
  });
  QTest::mouseClick(f.Get<QPushButton>("FindIt"), Qt::LeftButton);
  QVERIFY(sawRun);
  QCOMPARE(f.finder.lastOutcome(), RunOutcome::Completed);
  QVERIFY(f.window.ReportText().ends_with(kStartupLastLine));
  QVERIFY(!f.finder.RunBusy());
}

void FormMainTest::keyPressStopsRunAndStillReachesControl() {
  Fixture f;
  f.Show();
  // Idle: a key in an entry field is typed into it and also sets the abort flag.
  QLineEdit* mcc = f.Edit("Mcc");
  mcc->setFocus();
  QTest::keyClick(mcc, Qt::Key_End);
  QTest::keyClick(mcc, Qt::Key_0);
  QCOMPARE(mcc->text(), QString("-10"));
  QCOMPARE(f.finder.engine.system.AbortRequested, std::int16_t(-1));
  mcc->setText("-1");

  // During a run: a key waiting in the queue is seen at the run's first yield.
  QCoreApplication::postEvent(f.Get<QPlainTextEdit>("TextOut"),
                              new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier));
  QTest::mouseClick(f.Get<QPushButton>("FindIt"), Qt::LeftButton);
  QCOMPARE(f.finder.lastOutcome(), RunOutcome::Aborted);
  const std::string report = f.window.ReportText();
  QVERIFY(report.find("Results: \r\n") != std::string::npos);
  QVERIFY(report.ends_with(std::string("\r\n") + kAbortLine));
  QVERIFY(!f.Get<QLabel>("abrt")->isVisible());
}

void FormMainTest::reportFollowsWindowHeight() {
  Fixture f;
  f.Show();
  auto* textOut = f.Get<QPlainTextEdit>("TextOut");
  const QRect before = textOut->geometry();
  const int width = f.window.width();
  const int height = f.window.height();
  QCOMPARE(height, PxFromTwips(f.window, 7200));
  QCOMPARE(before.height(), height - PxFromTwips(f.window, 2600));

  const int taller = PxFromTwips(f.window, 1000);
  f.window.resize(width, height + taller);
  QTRY_COMPARE(f.window.height(), height + taller);
  QCOMPARE(textOut->height(), before.height() + taller);
  QCOMPARE(textOut->pos(), before.topLeft());
  QCOMPARE(textOut->width(), before.width());

  // Too low for the box: it keeps its last height.
  const int kept = textOut->height();
  f.window.setMinimumSize(0, 0);
  f.window.resize(width, PxFromTwips(f.window, 1500));
  QTRY_VERIFY(f.window.height() < PxFromTwips(f.window, 2600));
  QCOMPARE(textOut->height(), kept);
  f.window.showMinimized();
  QTest::qWait(20);
  QCOMPARE(textOut->height(), kept);
}

void FormMainTest::unitsOptionConvertsLengthFields() {
  Fixture f;
  f.Show();
  f.Get<QRadioButton>("inches_0")->click();
  const char* const inch[] = {"12.5",  "100", "3.54330708661417E+98", "-8.11023622047244",
                              "0.590551181102362", "3.1496062992126"};
  for (int k = 0; k < 6; ++k) QCOMPARE(f.Edit(kLengthNames[k])->text(), QString(inch[k]));
  QCOMPARE(f.Edit("Mcc")->text(), QString("-1"));
  QCOMPARE(f.Edit("LindexR")->text(), QString("1.51509"));
  QVERIFY(f.window.InchUnitsSelected());

  // Clicking the selected option again changes nothing.
  f.Get<QRadioButton>("inches_0")->click();
  QCOMPARE(f.Edit("MDiam")->text(), QString("12.5"));

  f.Get<QRadioButton>("inches_1")->click();
  const char* const mm[] = {"317.5", "2540", "8.99999999999999E+99", "-206", "15", "80"};
  for (int k = 0; k < 6; ++k) QCOMPARE(f.Edit(kLengthNames[k])->text(), QString(mm[k]));
  QVERIFY(!f.window.InchUnitsSelected());
}

void FormMainTest::unitsSwitchRefusedForNonNumber() {
  Fixture f;
  f.Show();
  f.Edit("lthck")->setText("abc");
  QString title, text;
  WhenModalOpens([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    QVERIFY(box != nullptr);
    title = box->windowTitle();
    text = box->text();
    box->accept();
  });
  f.Get<QRadioButton>("inches_0")->click();
  QCOMPARE(title, QString("Vantry Null"));
  QVERIFY(text.contains("Center Thickness"));
  // The option group still agrees with the texts, which are all unchanged.
  QVERIFY(f.Get<QRadioButton>("inches_1")->isChecked());
  QVERIFY(!f.Get<QRadioButton>("inches_0")->isChecked());
  QVERIFY(!f.window.InchUnitsSelected());
  QCOMPARE(f.Edit("MDiam")->text(), QString("317.5"));
  QCOMPARE(f.Edit("lthck")->text(), QString("abc"));
  QCOMPARE(f.window.focusWidget(), f.Edit("lthck"));

  // Once the entry is a number the switch goes through.
  f.Edit("lthck")->setText("15");
  f.Get<QRadioButton>("inches_0")->click();
  QCOMPARE(f.Edit("lthck")->text(), QString("0.590551181102362"));
  QVERIFY(f.Get<QRadioButton>("inches_0")->isChecked());
}

void FormMainTest::refractiveIndexDialogOkAndCancel() {
  Fixture f;
  f.Show();
  f.Edit("LindexR")->setText("1.5");

  // Cancel leaves the entry alone.
  bool opened = false;
  WhenModalOpens([&](QWidget* dialog) {
    opened = true;
    QCOMPARE(dialog->objectName(), QString("RiN"));
    QCOMPARE(dialog->windowTitle(), QString("Calculate Refractive Index from Glass Catalog"));
    QCOMPARE(dialog->parentWidget(), &f.window);
    QCOMPARE(dialog->findChild<QComboBox*>("Schott_List")->currentText(), QString("BK7"));
    QCOMPARE(dialog->findChild<QLabel*>("lbl_RiN")->text(),
             QString("Effective Index of Refraction = 1.51509"));
    QVERIFY(!dialog->findChild<QLabel*>("lbl_warn")->isVisible());
    QTest::mouseClick(dialog->findChild<QPushButton*>("CancelButton"), Qt::LeftButton);
  });
  QTest::mouseClick(f.Get<QPushButton>("Calc_RIn"), Qt::LeftButton);
  QVERIFY(opened);
  QCOMPARE(f.Edit("LindexR")->text(), QString("1.5"));

  // OK sends the index.
  WhenModalOpens([&](QWidget* dialog) {
    QTest::mouseClick(dialog->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
  });
  QTest::mouseClick(f.Get<QPushButton>("Calc_RIn"), Qt::LeftButton);
  QCOMPARE(f.Edit("LindexR")->text(), QString("1.51509"));
  QVERIFY(QApplication::activeModalWidget() == nullptr);
}

void FormMainTest::refractiveIndexEnterRecomputesCloseControlCancels() {
  Fixture f;
  f.Show();
  QString glassAfterEnter;
  bool stillOpen = false;
  std::string glassAfterListKey;
  WhenModalOpens([&](QWidget* dialog) {
    auto* wave = dialog->findChild<QLineEdit*>("txt_Wave");
    QCOMPARE(wave->text(), QString("632.8"));
    wave->setFocus();
    wave->selectAll();
    QTest::keyClicks(wave, "546.1");
    QTest::keyClick(wave, Qt::Key_Return);
    glassAfterEnter = dialog->findChild<QLabel*>("lbl_Glass")->text();
    stillOpen = dialog->isVisible();  // Enter recomputes; it does not close the dialog
    // A glass picked from the list with the keyboard reaches the model too.
    auto* list = dialog->findChild<QComboBox*>("Schott_List");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    glassAfterListKey = f.shared.GlassName;
    // The close control: the same as Cancel.
    dialog->close();
  });
  QTest::mouseClick(f.Get<QPushButton>("Calc_RIn"), Qt::LeftButton);
  QCOMPARE(glassAfterEnter, QString("Glass Type = Schott BK7 at 546.1nm"));
  QVERIFY(stillOpen);
  QVERIFY(glassAfterListKey != "BK7");
  QCOMPARE(f.shared.GlassName, std::string("BK7"));
  QCOMPARE(f.shared.TestWavelength, 0.6328);
  QCOMPARE(f.Edit("LindexR")->text(), QString("1.51509"));
}

void FormMainTest::errorDialogFirstOpeningAndCancel() {
  Fixture f;
  f.Show();
  bool opened = false;
  WhenModalOpens([&](QWidget* dialog) {
    opened = true;
    QCOMPARE(dialog->objectName(), QString("Err_Explore"));
    QCOMPARE(dialog->windowTitle(), QString("Null lens to mirror spacing error"));
    QVERIFY(dialog->findChild<QRadioButton*>("Err_Amount_1")->isChecked());
    QCOMPARE(dialog->findChild<QLabel*>("lblunit")->text(), QString("mm"));
    QCOMPARE(dialog->findChild<QLineEdit*>("Spec_Error")->text(), QString("0.1"));
    QTest::mouseClick(dialog->findChild<QPushButton*>("CancelButton"), Qt::LeftButton);
  });
  QTest::mouseClick(f.Get<QCheckBox>("CHk_QtrWave"), Qt::LeftButton);
  QVERIFY(opened);
  QVERIFY(!f.Get<QCheckBox>("CHk_QtrWave")->isChecked());
  // The first opening chose 0.125 wave; Cancel only took the check back.
  QCOMPARE(f.shared.ErrorLimit, 0.125);
  QVERIFY(f.shared.ErrorLimitInWaves);
}

void FormMainTest::errorDialogAmountAndCloseControl() {
  Fixture f;
  f.Show();
  f.Get<QRadioButton>("inches_0")->click();
  QString unit;
  bool amountSelectedOnFocus = false;
  WhenModalOpens([&](QWidget* dialog) {
    unit = dialog->findChild<QLabel*>("lblunit")->text();
    auto* amount = dialog->findChild<QLineEdit*>("Spec_Error");
    // Clicking into the amount box chooses the amount option.
    QTest::mouseClick(amount, Qt::LeftButton);
    amountSelectedOnFocus = dialog->findChild<QRadioButton*>("Err_Amount_4")->isChecked();
    amount->selectAll();
    QTest::keyClicks(amount, "0.5");
    // Leaving the box checks the amount; OK then closes.
    QTest::mouseClick(dialog->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
  });
  QTest::mouseClick(f.Get<QCheckBox>("CHk_QtrWave"), Qt::LeftButton);
  QCOMPARE(unit, QString("\""));
  QVERIFY(amountSelectedOnFocus);
  QCOMPARE(f.shared.ErrorLimit, 0.5);
  QVERIFY(!f.shared.ErrorLimitInWaves);
  QVERIFY(f.Get<QCheckBox>("CHk_QtrWave")->isChecked());

  // Unchecking opens nothing; checking again reopens with the amount, and
  // the close control keeps the check.
  QTest::mouseClick(f.Get<QCheckBox>("CHk_QtrWave"), Qt::LeftButton);
  QVERIFY(QApplication::activeModalWidget() == nullptr);
  QString shownAmount;
  WhenModalOpens([&](QWidget* dialog) {
    shownAmount = dialog->findChild<QLineEdit*>("Spec_Error")->text();
    dialog->findChild<QRadioButton*>("Err_Amount_3")->click();
    dialog->close();
  });
  QTest::mouseClick(f.Get<QCheckBox>("CHk_QtrWave"), Qt::LeftButton);
  QCOMPARE(shownAmount, QString("0.5"));
  QVERIFY(f.Get<QCheckBox>("CHk_QtrWave")->isChecked());
  QCOMPARE(f.shared.ErrorLimit, 0.05);
  QVERIFY(f.shared.ErrorLimitInWaves);
}

void FormMainTest::closingDuringRunStopsItThenCloses() {
  Fixture f;
  f.Show();
  bool refusedWhileRunning = false;
  QTimer::singleShot(0, &f.window, [&] {
    refusedWhileRunning = !f.window.close() && f.window.isVisible();
  });
  QTest::mouseClick(f.Get<QPushButton>("FindIt"), Qt::LeftButton);
  QVERIFY(refusedWhileRunning);
  QCOMPARE(f.finder.lastOutcome(), RunOutcome::Aborted);
  QVERIFY(f.window.ReportText().ends_with(kAbortLine));
  QVERIFY(!f.window.isVisible());
  QVERIFY(!f.finder.RunBusy());
}

}  // namespace vn

QTEST_MAIN(vn::FormMainTest)
#include "form_main_test.moc"
