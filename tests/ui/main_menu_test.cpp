// The window as a desktop program: the file dialogs of its menus, set-up
// files through the window (a file that cannot be read changes nothing),
// the saved report, the units beside the length fields, the
// tooltips, the icon and what is remembered between sessions. The set-up
// format itself is tested in the core; here only the wiring.
#include <QtTest>
#include <QtWidgets>
#include <functional>
#include <memory>

#include "common/shared_values.h"
#include "record/setup_file.h"
#include "run/null_finder.h"
#include "support/files.h"
#include "support/main_window_fixture.h"
#include "ui/form_main.h"
#include "ui/startup_text.h"

namespace vn {
namespace {

struct Fixture : test::MainWindow {
  explicit Fixture(QSettings* settings = nullptr) {
    window.UseSettings(settings);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
  }
  QString Unit(const char* field) {
    return Get<QLabel>((std::string(field) + "Unit").c_str())->text();
  }
  void Trigger(const char* action) { Get<QAction>(action)->trigger(); }
  QStringList Entries() {
    QStringList texts;
    for (const char* name :
         {"MDiam", "MRoC", "Mcc", "LradI", "lRadM", "lthck", "LDiam", "LindexR"}) {
      texts << Edit(name)->text();
    }
    return texts;
  }
};

// The text of the next message box, which is then closed.
std::shared_ptr<QString> NextMessage() {
  auto text = std::make_shared<QString>();
  test::WhenModalOpens([text](QWidget* modal) {
    if (auto* box = qobject_cast<QMessageBox*>(modal)) *text = box->text();
    modal->close();
  });
  return text;
}

// Picks `path` in the next file dialog.
void ChooseInNextFileDialog(const QString& path) {
  test::WhenModalOpens([path](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (dialog == nullptr) {
      modal->close();
      return;
    }
    // Typed as a user would: selectFile() leaves a focused name box alone.
    dialog->setDirectory(QFileInfo(path).absolutePath());
    dialog->findChild<QLineEdit*>("fileNameEdit")->setText(QFileInfo(path).fileName());
    static_cast<QDialog*>(dialog)->accept();  // as the dialog's own button does
  });
}

}  // namespace

class MainMenuTest : public QObject {
  Q_OBJECT

  QTemporaryDir folder_;
  QString Path(const char* name) const { return folder_.filePath(QString::fromUtf8(name)); }

 private slots:
  void helpAboutAndExportFromTheMenus() {
    Fixture f;
    // Help shows the start-up text, which the first report replaces.
    f.Trigger("actionHelp");
    auto* help1 = f.Get<QDialog>("HelpDialog");
    QVERIFY(help1 != nullptr && help1->isVisible());
    QCOMPARE(help1->findChild<QPlainTextEdit*>("HelpText")->toPlainText(),
             WidgetTextFromReport(StartupText()));
    // Its other pages come with the program, each opening with its own title.
    auto* pages = help1->findChild<QListWidget*>("HelpPages");
    QCOMPARE(pages->count(), 7);
    for (int row = 1; row < pages->count(); ++row) {
      pages->setCurrentRow(row);
      const QString text = help1->findChild<QPlainTextEdit*>("HelpText")->toPlainText();
      QVERIFY2(text.startsWith(pages->item(row)->text().section(' ', 0, 1)) && text.size() > 600,
               qPrintable(pages->item(row)->text()));
    }
    f.Trigger("actionAbout");
    auto* about = f.Get<QMessageBox>("AboutBox");
    QVERIFY(about->text().contains("Vantry Null 2.2.0") && about->text().contains("MIT licence"));
    QVERIFY(about->detailedText().startsWith("MIT License"));
    about->close();

    // Export follows the exact check: nothing to export before a run.
    f.Trigger("actionExportPictures");
    QVERIFY(f.window.statusBar()->currentMessage().startsWith("No exact check to export"));
  }

  void setupSavedThroughTheMenuOpensInAnotherWindow() {
    const QString path = Path("inch.vnull");
    {
      Fixture f;
      f.Click("inches_0");  // 12.5 in, 100 in, ...
      f.Edit("MDiam")->setText("11");
      f.Edit("LindexR")->setText("1.6");
      f.shared.GlassName = "F2";
      f.shared.TestWavelength = 0.5461;
      ChooseInNextFileDialog(folder_.filePath("inch"));  // the suffix is added
      f.Trigger("actionSaveSetup");
      QVERIFY(QFileInfo::exists(path));
    }
    Fixture f;
    ChooseInNextFileDialog(path);
    f.Trigger("actionOpenSetup");
    QCOMPARE(f.Entries(),
             QStringList({"11", "100", "-1", "3.54330708661417E+98", "-8.11023622047244",
                          "0.590551181102362", "3.1496062992126", "1.6"}));
    QVERIFY(f.window.InchUnitsSelected());
    QCOMPARE(f.Unit("MDiam"), QString("in"));
    QCOMPARE(f.shared.GlassName, std::string("F2"));
    QCOMPARE(f.shared.TestWavelength, 0.5461);
    // The units switch knows the texts are inches: back to mm converts them.
    f.Click("inches_1");
    QCOMPARE(f.Edit("MDiam")->text(), QString("279.4"));
    QCOMPARE(f.Unit("LDiam"), QString("mm"));
    // The run reads what was opened.
    f.Click("FindIt");
    QVERIFY(f.window.ReportText().find("-> 1.6  = F2 @ 546.1nm") != std::string::npos);
  }

  void unreadableSetupChangesNothingAndSaysWhy() {
    Fixture f;
    f.Edit("MRoC")->setText("2000");
    const QStringList before = f.Entries();
    // The reasons are the set-up file's own (tested in the core).
    const std::string inch = SetupFileText(SetupFile{.inch = true});
    test::WriteText(Path("cut.vnull").toStdString(), inch.substr(0, inch.size() / 2));
    const auto message = NextMessage();
    QVERIFY(!f.window.OpenSetupFile(Path("cut.vnull")));
    QVERIFY2(message->contains("The file is damaged (line ") &&
                 message->endsWith("Nothing was changed."),
             qPrintable(*message));
    QCOMPARE(f.Entries(), before);
    QVERIFY(!f.window.InchUnitsSelected());
    QCOMPARE(f.Unit("MRoC"), QString("mm"));
    QCOMPARE(f.shared.GlassName, std::string("BK7"));
  }

  void reportIsSavedWithTheExactCheck() {
    Fixture f;
    f.Click("FindIt");
    QCoreApplication::processEvents();  // the exact check follows the run
    const QString text = f.window.ReportFileText();
    QVERIFY(text.startsWith(WidgetTextFromReport(f.window.ReportText()) + "\n\nExact check\n"));
    QVERIFY(!text.contains('\r') && text.endsWith('\n'));

    const QString saved = Path("report.txt");
    QVERIFY(f.window.SaveReportFile(saved));
    QCOMPARE(QString::fromStdString(test::FileText(saved.toStdString())), text);

    // A file that cannot be written says so.
    const auto message = NextMessage();
    QVERIFY(!f.window.SaveReportFile(Path("missing/report.txt")));
    QVERIFY2(message->startsWith("The report could not be saved"), qPrintable(*message));
    // The printed page: printed_report_test.
  }

  void unitsFollowTheSwitchAndEveryControlSaysWhatItIs() {
    Fixture f;
    const char* lengths[] = {"MDiam", "MRoC", "LradI", "lRadM", "lthck", "LDiam"};
    for (const char* name : lengths) QCOMPARE(f.Unit(name), QString("mm"));
    f.Click("inches_0");
    for (const char* name : lengths) QCOMPARE(f.Unit(name), QString("in"));
    // The unit never hides the text: the field keeps a margin for it.
    QVERIFY(f.Edit("MDiam")->textMargins().right() >= f.Get<QLabel>("MDiamUnit")->width());

    QStringList silent;
    int controls = 0;
    for (QWidget* w : f.window.centralWidget()->findChildren<QWidget*>()) {
      // The toolkit's own parts of a control (a tab bar's scroll arrows) aside.
      if (qobject_cast<QTabBar*>(w->parentWidget()) ||
          qobject_cast<QAbstractSpinBox*>(w->parentWidget()))
        continue;
      const bool control = qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractButton*>(w) ||
                           qobject_cast<QGroupBox*>(w) || qobject_cast<QPlainTextEdit*>(w);
      controls += control ? 1 : 0;
      if (control && w->toolTip().isEmpty())
        silent << w->objectName() + "(" + w->metaObject()->className() + ")";
    }
    QVERIFY2(silent.isEmpty(), qPrintable(silent.join(", ")));
    QVERIFY(controls >= 20);  // the eight entries and the buttons at least were looked at
    QVERIFY(!f.window.windowIcon().isNull());
    QVERIFY(!f.window.windowIcon().availableSizes().isEmpty());
  }

  void sizePositionAndFolderAreKeptButNotTheEntries() {
    QSettings settings(Path("settings.ini"), QSettings::IniFormat);
    QRect kept;
    {
      Fixture f(&settings);
      f.window.resize(1000, 640);
      f.Edit("MDiam")->setText("200");
      ChooseInNextFileDialog(Path("kept.vnull"));
      f.Trigger("actionSaveSetup");
      QTRY_COMPARE(f.window.size(), QSize(1000, 640));
      kept = f.window.geometry();
      QVERIFY(f.window.close());
    }
    Fixture f(&settings);
    QCOMPARE(f.window.size(), kept.size());
    QCOMPARE(f.Edit("MDiam")->text(), QString("317.5"));
    // The next file dialog starts where the last file went.
    QString folder;
    test::WhenModalOpens([&folder](QWidget* modal) {
      folder = qobject_cast<QFileDialog*>(modal)->directory().absolutePath();
      modal->close();
    });
    f.Trigger("actionOpenSetup");
    QCOMPARE(folder, QDir(folder_.path()).absolutePath());
  }
};

}  // namespace vn

QTEST_MAIN(vn::MainMenuTest)
#include "main_menu_test.moc"
