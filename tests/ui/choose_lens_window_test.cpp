// The "Choose lens" window's wiring: the main window's button opens it, a
// design reaches the table with its progress shown, the chosen lens reaches
// the main window's fields with one click, and a list's bad row is shown.
// The figures themselves, and a cancelled design or ranking ending soon
// (ChooserJob), are tested in the core.
#include "ui/choose_lens_window.h"

#include <QtTest>
#include <QtWidgets>

#include "common/shared_values.h"
#include "design/chooser_rows.h"
#include "run/null_finder.h"
#include "support/files.h"
#include "support/main_window_fixture.h"
#include "ui/form_main.h"

namespace vn {
namespace {

// The chooser, opened from the main window; Get and Click reach its controls.
struct Fixture : test::MainWindow {
  ChooseLensWindow* chooser = nullptr;

  Fixture() {
    window.show();
    test::MainWindow::Click("ChooseLens");
    chooser = window.findChild<ChooseLensWindow*>();
  }
  template <class T>
  T* Get(const char* name) {
    return test::Named<T>(chooser, name);
  }
  void Click(const char* name) { QTest::mouseClick(Get<QPushButton>(name), Qt::LeftButton); }
  QTableWidget* Table() { return Get<QTableWidget>("ChooserResults"); }
  QString Cell(int row, ChooserColumn column) {
    return Table()->item(row, static_cast<int>(column))->text();
  }
  bool Busy() { return Get<QPushButton>("ChooserCancel")->isEnabled(); }
};

// A list of `count` lenses and one bad row, written to a temporary file.
QString WriteList(QTemporaryDir& dir, int count) {
  const QString path = dir.filePath("lenses.csv");
  QByteArray text =
      "name,part number,radius 1,radius 2,centre thickness,diameter,glass\n"
      "broken,B-1,abc,-100,5,50,BK7\n";
  for (int i = 0; i < count; ++i) {
    text += "PCX " + QByteArray::number(i) + ",P-" + QByteArray::number(i) + "," +
            QByteArray::number(150 + 5 * i) + ",flat,12,80,BK7\n";
  }
  test::WriteText(path.toStdString(), text.toStdString());
  return path;
}

}  // namespace

class ChooseLensWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void designedLensFillsTheMainWindowWithOneClick() {
    Fixture f;
    QVERIFY(f.chooser != nullptr && f.chooser->isVisible());
    // Its table is headed before any result (its size on a small screen:
    // window_screens_test).
    QCOMPARE(f.Table()->horizontalHeaderItem(1)->text(), QString("Lens"));
    // It takes the main window's thickness and diameter.
    QCOMPARE(f.Get<QLineEdit>("ChooserThickness")->text(), QString("15"));
    QCOMPARE(f.Get<QLineEdit>("ChooserDiameter")->text(), QString("80"));
    f.Get<QCheckBox>("ChooserBestForm")->setChecked(false);
    f.Click("ChooserDesign");
    QVERIFY(f.Busy());
    QTRY_VERIFY_WITH_TIMEOUT(!f.Busy(), 60000);
    QCOMPARE(f.Get<QProgressBar>("ChooserProgress")->value(), 1000);
    QCOMPARE(f.Table()->rowCount(), 1);
    QVERIFY(!f.Get<QPlainTextEdit>("ChooserDetail")->toPlainText().isEmpty());

    f.Click("ChooserUseLens");
    QCOMPARE(f.Edit("LradI")->text(), QString("9e99"));
    QCOMPARE(f.Edit("lRadM")->text(), f.Cell(0, ChooserColumn::MirrorRadius));
    QCOMPARE(f.Edit("lthck")->text(), QString("15"));
    QCOMPARE(f.Edit("LindexR")->text(), QString("1.51509"));

    // A range typed in the window is the design's, not the main window's value.
    f.Get<QLineEdit>("ChooserThickness")->setText("12:15");
    f.Click("ChooserDesign");
    QTRY_VERIFY_WITH_TIMEOUT(!f.Busy(), 60000);
    QCOMPARE(f.Get<QLineEdit>("ChooserThickness")->text(), QString("12:15"));
    QCOMPARE(f.Table()->rowCount(), 3);  // 12, 13.5 and 15 mm
  }

  void listShowsItsBadRowAndRanksTheRest() {
    Fixture f;
    QTemporaryDir dir;
    f.Get<QLineEdit>("ChooserListPath")->setText(WriteList(dir, 2));
    f.Click("ChooserRank");
    QTRY_VERIFY_WITH_TIMEOUT(!f.Busy(), 60000);
    QVERIFY2(
        f.Get<QPlainTextEdit>("ChooserListProblems")->toPlainText().contains("row 2, column 3"),
        qPrintable(f.Get<QPlainTextEdit>("ChooserListProblems")->toPlainText()));
    QCOMPARE(f.Table()->rowCount(), 4);  // two lenses, both ways round
    // The chosen list lens brings its glass along.
    f.shared.GlassName = "SF11";
    f.Table()->selectRow(0);
    f.Click("ChooserUseLens");
    QCOMPARE(f.shared.GlassName, std::string("BK7"));
  }
};

}  // namespace vn

QTEST_MAIN(vn::ChooseLensWindowTest)
#include "choose_lens_window_test.moc"
