// The "Foucault" tab in the main window, under a German locale: readings
// typed into its table reach the reduction with the point as the decimal
// separator (a comma is refused, never read), what it shows is washed out
// the moment the readings, the units or the set-up change, and the readings
// go into the set-up file and the command line's CSV and come back. The
// reduction's physics is tested in the core; here only the wiring.
#include "ui/foucault_view.h"

#include <QtTest>
#include <QtWidgets>

#include "record/setup_file.h"
#include "support/files.h"
#include "support/main_window_fixture.h"
#include "tester/measured_mirror.h"

namespace vn {
namespace {

struct Fixture : test::MainWindow {
  FoucaultView* view = nullptr;
  QTableWidget* table = nullptr;
  Fixture() {
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    view = window.findChild<FoucaultView*>();
    table = Get<QTableWidget>("FoucaultTable");
    auto* tabs = Get<QTabWidget>("ExactPictures");
    tabs->setCurrentWidget(view);
  }
  void Solve() {
    Click("FindIt");
    QTRY_VERIFY_WITH_TIMEOUT(Get("ExactExport")->isEnabled(), 20000);
  }
  // Types into a cell as the user does: the cell's editor, then Return.
  void TypeInCell(int row, int column, const QString& text) {
    table->setCurrentCell(row, column);
    table->editItem(table->item(row, column));
    // A plain line edit: a locale's number box would read "10.02" as 1002.
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor != nullptr);
    QCOMPARE(editor->parentWidget(), table->viewport());
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);  // the table takes the text at its next turn
    QTRY_COMPARE(table->item(row, column)->text(), text);
  }
  void Reduce() {
    Click("FoucaultReduce");
    QTRY_VERIFY_WITH_TIMEOUT(view->HasReduction() && !view->ReductionStale(), 20000);
  }
  QString FromNull(int row) { return table->item(row, 2)->text(); }
};

// The zones the window proposes for the start-up mirror, read back.
int ProposedZones() { return CouderZoneCount(317.5 / 25.4); }

}  // namespace

class FoucaultViewTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

  // Equal readings at every zone: the whole test is perfect, every zone
  // comes back to one knife position, so the mirror found is the one that
  // makes up for the lens's own residual, a wavefront error of about the
  // null's 0.031 wave P-V (the exact check's), far below a quarter wave.
  void readingsTypedUnderAGermanLocaleReduceThroughTheNull() {
    Fixture f;
    f.Solve();
    f.Click("FoucaultPropose");
    const int zones = ProposedZones();
    for (int row = 0; row < zones; ++row) {
      QVERIFY2(QRegularExpression("^\\d+\\.\\d$").match(f.table->item(row, 0)->text()).hasMatch(),
               qPrintable(f.table->item(row, 0)->text()));
      f.TypeInCell(row, 1, "10.02");
    }
    // A comma is refused with its reason, in the cell's row, and nothing is reduced.
    f.TypeInCell(2, 1, "10,02");
    f.Click("FoucaultReduce");
    QVERIFY2(f.view->ProblemText().contains("Zone 3's knife reading has a comma"),
             qPrintable(f.view->ProblemText()));
    QCOMPARE(f.table->currentRow(), 2);
    QVERIFY(!f.view->HasReduction());
    f.TypeInCell(2, 1, "10.02");
    f.Reduce();
    const QString figures = f.view->FiguresText();
    // The conic with its uncertainty and the wavefront, with points.
    QVERIFY2(
        QRegularExpression("conic constant: -0\\.9\\d+ \u00b1 0\\.\\d+ ").match(figures).hasMatch(),
        qPrintable(figures));
    const auto pv = QRegularExpression("P-V (0\\.\\d+) waves").match(figures);
    QVERIFY2(pv.hasMatch(), qPrintable(figures));
    QVERIFY2(pv.captured(1).toDouble() > 0.02 && pv.captured(1).toDouble() < 0.04,
             qPrintable(figures));
    QVERIFY(figures.contains("the exact check's recommended distances"));
    for (int row = 0; row < zones; ++row) {
      QVERIFY2(QRegularExpression("^-?\\d+\\.\\d{3}$").match(f.FromNull(row)).hasMatch(),
               qPrintable(f.FromNull(row)));
    }
    QCOMPARE(f.table->rowCount(), zones);
  }

  // What the tab shows belongs to the readings, distances, units and set-up
  // on screen now; the readings themselves are entries and stay.
  void whatIsShownIsTrueNow() {
    Fixture f;
    f.Solve();
    for (int row = 0; row < 5; ++row) {
      f.TypeInCell(row, 0, QString::number(20 + 30 * row));
      f.TypeInCell(row, 1, QStringLiteral("10.0%1").arg(row));
    }
    f.Reduce();
    QVERIFY(!f.FromNull(0).isEmpty());

    // A reading edited: out of date, the zones' departures gone.
    f.TypeInCell(4, 1, "10.05");
    QVERIFY(f.view->ReductionStale());
    QVERIFY2(f.view->FiguresText().startsWith("Out of date"), qPrintable(f.view->FiguresText()));
    QVERIFY(f.FromNull(0).isEmpty());
    f.Reduce();

    // The distances: typed as built.
    f.Edit("FoucaultBuiltD")->setFocus();
    QTest::keyClicks(f.Edit("FoucaultBuiltD"), "204.8");
    QVERIFY(f.Get<QRadioButton>("FoucaultBuiltAt")->isChecked());
    QVERIFY(f.view->ReductionStale());
    QTest::keyClicks(f.Edit("FoucaultBuiltD2"), "2076.4");
    f.Reduce();
    QVERIFY(f.view->FiguresText().contains("D 204.8"));

    // The mirror's entry: the set-up is gone until it is solved again.
    f.Edit("Mcc")->setText("-0.9");
    QVERIFY(f.view->ReductionStale());
    f.Click("FoucaultReduce");
    QVERIFY2(f.view->ProblemText().contains("Find Null Variables"),
             qPrintable(f.view->ProblemText()));
    f.Edit("Mcc")->setText("-1");
    f.Solve();
    QVERIFY(f.view->ReductionStale());  // solved again: reduce again
    f.Reduce();

    // The units: the readings keep their length, the results go out of date.
    f.Click("inches_0");
    QVERIFY(f.view->ReductionStale());
    QCOMPARE(f.table->item(1, 0)->text(), QString("1.96850393700787"));
    QCOMPARE(f.table->item(4, 1)->text(), QString("0.395669291338583"));
    QCOMPARE(f.Edit("FoucaultBuiltD2")->text(), QString("81.748031496063"));
    QVERIFY(f.table->horizontalHeaderItem(1)->text().contains("(in)"));
  }

  // The readings go with the set-up file and come back as typed; a file
  // saved before there were readings (or by a program that knows none)
  // opens with an empty table; the command line's CSV goes out and back.
  void readingsGoWithTheSetUpFile() {
    QTemporaryDir dir;
    const QString setUp = dir.filePath("mirror.vnull");
    FoucaultSetupEntries typed;
    {
      Fixture f;
      for (int row = 0; row < 3; ++row) {
        f.TypeInCell(row, 0, QString::number(40 * row + 30));
        f.TypeInCell(row, 1, QStringLiteral("12.3%1").arg(row));
      }
      f.TypeInCell(3, 0, "1e2");
      f.TypeInCell(3, 1, "12.5");
      QTest::keyClicks(f.Edit("FoucaultBuiltD"), "204.8");
      QTest::keyClicks(f.Edit("FoucaultBuiltD2"), "2076.4");
      typed = f.view->Entries();
      QCOMPARE(typed.zones.size(), std::size_t(4));
      QVERIFY(f.window.SaveSetupFile(setUp));
      QCOMPARE(f.view->ExportReadings(dir.filePath("readings.csv")), QString());
    }
    QCOMPARE(test::FileText(dir.filePath("readings.csv").toStdString()),
             std::string("zone,knife\n30,12.30\n70,12.31\n110,12.32\n1e2,12.5\n"));

    Fixture g;
    QVERIFY(g.window.OpenSetupFile(setUp));
    QVERIFY(g.view->Entries() == typed);
    QVERIFY(g.Get<QRadioButton>("FoucaultBuiltAt")->isChecked());

    // An older file, without readings: the table is emptied, not kept from before.
    const QString old = dir.filePath("old.vnull");
    test::WriteText(old.toStdString(), SetupFileText(SetupFile{}));
    QVERIFY(g.window.OpenSetupFile(old));
    QVERIFY(g.view->Entries().zones.empty());
    QVERIFY(g.Get<QRadioButton>("FoucaultRecommended")->isChecked());
    // Saved again without readings, it is the older format to the byte.
    QVERIFY(g.window.SaveSetupFile(dir.filePath("again.vnull")));
    QCOMPARE(test::FileText(dir.filePath("again.vnull").toStdString()), SetupFileText(SetupFile{}));

    QCOMPARE(g.view->ImportReadings(dir.filePath("readings.csv")), QString());
    QCOMPARE(g.view->Entries().zones.size(), std::size_t(4));
    QCOMPARE(g.view->Entries().zones[3].radius, std::string("100"));
    QCOMPARE(g.view->Entries().zones[1].knife, std::string("12.31"));
  }
};

}  // namespace vn

QTEST_MAIN(vn::FoucaultViewTest)
#include "foucault_view_test.moc"
