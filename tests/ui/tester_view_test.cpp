// The "Tester's view" tab's wiring: a set-up reaches the worker and comes
// back as a picture with its caption, the controls reach the picture, and
// the residual and the picture reach their files. The pictures' own
// geometry is tested in the core.
#include "ui/tester_view.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "support/files.h"
#include "support/start_up_set_up.h"

namespace vn {

class TesterViewTest : public QObject {
  Q_OBJECT

 private slots:
  void setUpComesBackAsAPictureAndControlsReachIt() {
    TesterView view;
    view.resize(500, 700);
    view.show();
    QVERIFY(!view.HasPicture());
    view.ShowSetUp(test::StartUpExactInput());
    QTRY_VERIFY_WITH_TIMEOUT(view.HasPicture(), 10000);
    QVERIFY(view.CaptionText().contains("Ronchigram through the null"));
    QVERIFY(view.CaptionText().contains("Bands straight"));
    QVERIFY(view.CaptionText().contains("mm inside the return focus"));
    const QString shots = qEnvironmentVariable("VN_SCREENSHOT_DIR");
    if (!shots.isEmpty()) QVERIFY(view.grab().save(QDir(shots).filePath("tester_view.png")));

    // Another view and another mirror: the caption follows.
    view.findChild<QComboBox*>("TesterKind")->setCurrentIndex(1);
    QTRY_VERIFY_WITH_TIMEOUT(view.CaptionText().contains("Knife from the right"), 10000);
    view.findChild<QDoubleSpinBox*>("TesterDeltaK")->setValue(-0.1);
    QTRY_VERIFY_WITH_TIMEOUT(view.CaptionText().contains("over-corrected"), 10000);

    // Files: the residual and the picture.
    QTemporaryDir dir;
    QString why;
    const QStringList paths = view.ExportResidual(dir.path(), &why);
    QCOMPARE(paths.size(), 3);
    for (const QString& path : paths) QVERIFY(QFileInfo(path).size() > 100);
    QCOMPARE(view.SavePicture(dir.filePath("view.svg")), QString());
    QVERIFY(QFileInfo(dir.filePath("view.svg")).size() > 1000);

    view.Clear("gone");
    QVERIFY(!view.HasPicture());
    QVERIFY(view.ExportResidual(dir.path(), &why).isEmpty());
  }

  // The tab traces the recommended set-up by default, says so, and the
  // choice of the report's distances reaches the label and the files.
  void distancesChoiceReachesTheLabelAndTheFiles() {
    TesterView view;
    const SolvedSetUp in = test::StartUpExactInput();
    RecommendedSetUp recommended;
    recommended.available = true;
    recommended.objectDistance = in.objectDistance - 0.003;
    recommended.lensMirrorDistance = in.lensMirrorDistance + 0.015;
    view.ShowSetUp(in, VerdictStatus::Ok, recommended);
    QVERIFY(view.TracedAtText().contains("at the recommended set-up (the exact null)"));
    QTRY_VERIFY_WITH_TIMEOUT(view.HasPicture(), 10000);
    QTemporaryDir dir;
    const auto wftTrailer = [&] {
      const QString wft = view.ExportResidual(dir.path()).value(1);
      return QString::fromStdString(test::TextLines(test::FileText(wft.toStdString())).back());
    };
    QVERIFY(wftTrailer().startsWith("Residual traced at the recommended set-up"));
    view.findChild<QComboBox*>("TesterDistances")->setCurrentIndex(1);
    QVERIFY(view.TracedAtText().contains("at the report's distances: Object to Lens 204.817 mm"));
    QTRY_VERIFY_WITH_TIMEOUT(wftTrailer().startsWith("Residual traced at the report's"), 10000);
    const QLabel* note = view.findChild<QLabel*>("TesterTracedAt");
    QVERIFY(!note->isVisibleTo(&view));  // the user's own choice needs no warning

    // No exact null: the report's distances stand in, and the tab says so
    // above the picture.
    view.findChild<QComboBox*>("TesterDistances")->setCurrentIndex(0);
    view.ShowSetUp(in, VerdictStatus::NotANull, RecommendedSetUp());
    QVERIFY(note->isVisibleTo(&view));
    QVERIFY(note->text().contains("report's distances (no exact null was found to recommend)"));
  }
};

}  // namespace vn

QTEST_MAIN(vn::TesterViewTest)
#include "tester_view_test.moc"
