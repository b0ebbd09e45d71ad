// The exact-check panel: a failed check shows its verdict and reason
// without pictures, and nothing can be exported. A good check reaching the
// verdict and the figures is the main window's (form_main_test,
// printed_report_test); the check's own figures are tested in the core.
#include "ui/exact_check_panel.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "exact/exact_check.h"
#include "support/start_up_set_up.h"

namespace vn {
namespace {

// Shows `r` for the start-up set-up in millimetres, with the panel on screen.
void Show(ExactCheckPanel& panel, const ExactCheckResult& r) {
  panel.ShowResult(r, test::StartUpExactInput());
  panel.resize(600, 300);
  panel.show();
}

}  // namespace

class ExactCheckPanelTest : public QObject {
  Q_OBJECT

 private slots:
  void showsTheVerdictAndTheFigures() {
    ExactCheckPanel panel;
    ExactCheckResult r = RunExactCheck(test::StartUpExactInput());
    // A spacing range found beside the check reaches the figures.
    ExactSpacingRange range;
    range.ok = true;
    range.limitWaves = 0.125;
    range.shorter.found = true;
    range.shorter.spacingChange = -0.2;
    range.shorter.lensMirrorDistance = 81.6;
    range.shorter.objectDistance = 8.1;
    range.shorter.pvWaves = 0.125;
    r.spacingRange = range;
    Show(panel, r);
    // 0.031 waves P-V about best focus: the core's own reference figure.
    const QString figures = panel.findChild<QLabel*>("ExactFigures")->text();
    QVERIFY2(figures.contains("0.031"), qPrintable(figures));
    QVERIFY2(figures.contains("within 0.125 waves P-V") && figures.contains("(-5.08 mm)"),
             qPrintable(figures));
    // The verdict across the top, green, with the exact null to set up.
    const QLabel* verdict = panel.findChild<QLabel*>("ExactVerdict");
    QVERIFY(verdict->isVisible());
    QCOMPARE(verdict->property("verdictStatus").toString(), QString("ok"));
    QVERIFY2(verdict->text().contains("Verdict: ok") && verdict->text().contains("204.73 mm"),
             qPrintable(verdict->text()));
    QVERIFY(verdict->styleSheet().contains("#e6f4e6"));
    // (Its pictures reach their files in the main window's tests.)
  }

  void failedCheckShowsItsReason() {
    ExactCheckPanel panel;
    ExactCheckResult failed;
    failed.why = "the marginal ray misses the mirror";
    failed.verdict.status = VerdictStatus::NotANull;
    failed.verdict.reasons = {{VerdictStatus::NotANull, "wavefront_not_traceable",
                               "The wavefront cannot be traced at the report's distances."}};
    Show(panel, failed);
    const QLabel* verdict = panel.findChild<QLabel*>("ExactVerdict");
    QCOMPARE(verdict->property("verdictStatus").toString(), QString("not_a_null"));
    QVERIFY(verdict->text().contains("cannot be traced") &&
            verdict->styleSheet().contains("#fde8e8"));
    const QString figures = panel.findChild<QLabel*>("ExactFigures")->text();
    QVERIFY2(figures.contains("the marginal ray misses the mirror"), qPrintable(figures));
    QVERIFY(!panel.findChild<QPushButton*>("ExactExport")->isEnabled());
    QVERIFY(!panel.grab().isNull());  // paints the reason, no picture
    QTemporaryDir dir;
    QVERIFY(!panel.ExportPictures(dir.filePath("failed")));
    panel.Clear("No solved set-up yet.");  // no set-up, no verdict
    QVERIFY(!verdict->isVisible());
  }
};

}  // namespace vn

QTEST_MAIN(vn::ExactCheckPanelTest)
#include "exact_check_panel_test.moc"
