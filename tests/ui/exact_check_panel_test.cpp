// The exact-check panel's wiring: a check of the start-up set-up reaches the
// figures and the pictures, the pictures reach their files, and a failed
// check or a cleared panel shows its reason without pictures.
#include "ui/exact_check_panel.h"

#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <vector>

#include "exact/exact_check.h"
#include "ui/exact_plots.h"

namespace vn {

namespace {

constexpr double kMm = 1.0 / 25.4;  // inches per millimetre

// The program's start-up set-up at the distances its run settles on.
ExactCheckInput StartUpSetUp() {
  ExactCheckInput input;
  input.system.MirrorSemiDiameter = 317.5 / 2 * kMm;
  input.system.MirrorRadius = -2540 * kMm;
  input.system.ConicPlusOne = 0.0;
  input.system.LensRadius1 = 9e99;
  input.system.LensRadius2 = -206 * kMm;
  input.system.LensThickness = 15 * kMm;
  input.system.LensIndex = 1.51509;
  input.objectDistance = 204.817 * kMm;
  input.lensMirrorDistance = 2076.366 * kMm;
  input.lensClearSemiDiameter = 40 * kMm;
  return input;
}

void Show(ExactCheckPanel& panel, const ExactCheckResult& r, const ExactCheckInput& in,
          bool inchUnits) {
  panel.ShowResult(r, in.system, in.objectDistance, in.lensMirrorDistance, in.lensClearSemiDiameter,
                   inchUnits);
}

}  // namespace

class ExactCheckPanelTest : public QObject {
  Q_OBJECT

 private slots:
  void showsTheFiguresInTheRunsUnit();
  void exportsEveryPicture();
  void failedCheckAndClearShowTheirReason();
  void ticksCoverTheRangeAtRoundSteps();
  void profilesBendTheRightWay();
};

void ExactCheckPanelTest::showsTheFiguresInTheRunsUnit() {
  const ExactCheckInput in = StartUpSetUp();
  const ExactCheckResult r = RunExactCheck(in);
  QVERIFY2(r.ok, r.message.c_str());
  ExactCheckPanel panel;
  QCOMPARE(panel.objectName(), QStringLiteral("ExactCheck"));
  auto* figures = panel.findChild<QLabel*>(QStringLiteral("ExactFigures"));
  QVERIFY(figures != nullptr);

  // 0.031 waves P-V about best focus and about 8 µm of focus offset are the
  // reference figures of the core's own test; the exact null's distances
  // round to these in each unit.
  Show(panel, r, in, false);
  QString text = figures->text();
  QVERIFY2(text.contains(QStringLiteral("0.031")), qPrintable(text));
  QVERIFY2(text.contains(QStringLiteral("\u00b5m beyond the source")), qPrintable(text));
  QVERIFY2(text.contains(QStringLiteral("204.7")), qPrintable(text));
  QVERIFY2(text.contains(QStringLiteral("2076.7")), qPrintable(text));
  QVERIFY2(!text.contains(QStringLiteral("Warning")), qPrintable(text));

  Show(panel, r, in, true);
  text = figures->text();
  QVERIFY2(text.contains(QStringLiteral("8.06")), qPrintable(text));  // 204.73 mm in inches
  QVERIFY2(!text.contains(QStringLiteral(" mm")), qPrintable(text));

  // A lens narrower than the marginal ray's path brings the warning.
  ExactCheckInput narrow = in;
  narrow.lensClearSemiDiameter = 25 * kMm;  // the marginal ray passes at 28-29 mm
  Show(panel, RunExactCheck(narrow), narrow, false);
  QVERIFY2(figures->text().contains(QStringLiteral("Warning")), qPrintable(figures->text()));
}

void ExactCheckPanelTest::exportsEveryPicture() {
  const ExactCheckInput in = StartUpSetUp();
  ExactCheckPanel panel;
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString base = dir.filePath(QStringLiteral("check"));
  QVERIFY(!panel.ExportPictures(base));  // nothing shown yet

  Show(panel, RunExactCheck(in), in, false);
  panel.resize(600, 300);
  panel.show();
  QVERIFY(panel.ExportPictures(base));
  QStringList extensions{QStringLiteral(".png")};
#ifdef VN_HAVE_QTSVG
  extensions << QStringLiteral(".svg");
#endif
  for (const char* picture : {"_setup", "_wavefront", "_aberration"}) {
    for (const QString& extension : extensions) {
      const QFileInfo file(base + picture + extension);
      QVERIFY2(file.size() > 1000, qPrintable(file.filePath()));
    }
  }
#ifdef VN_HAVE_QTSVG
  for (int i = 0; i < 3; ++i) {
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("could not open output device"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("QPainter::begin"));
  }
#endif
  QVERIFY(!panel.ExportPictures(dir.filePath(QStringLiteral("missing/check"))));
}

void ExactCheckPanelTest::failedCheckAndClearShowTheirReason() {
  const ExactCheckInput in = StartUpSetUp();
  ExactCheckPanel panel;
  auto* figures = panel.findChild<QLabel*>(QStringLiteral("ExactFigures"));
  auto* button = panel.findChild<QPushButton*>(QStringLiteral("ExactExport"));
  QVERIFY(figures != nullptr && button != nullptr);
  panel.resize(600, 300);
  panel.show();

  ExactCheckResult failed;
  failed.message = "the marginal ray misses the mirror";
  Show(panel, failed, in, false);
  QVERIFY2(figures->text().contains(QStringLiteral("the marginal ray misses the mirror")),
           qPrintable(figures->text()));
  QVERIFY(!button->isEnabled());
  QVERIFY(!panel.grab().isNull());  // paints the reason, no picture
  QTemporaryDir dir;
  QVERIFY(!panel.ExportPictures(dir.filePath(QStringLiteral("failed"))));

  Show(panel, RunExactCheck(in), in, false);
  QVERIFY(button->isEnabled());
  panel.Clear(QStringLiteral("Entries changed since the last run."));
  QCOMPARE(figures->text(), QStringLiteral("Entries changed since the last run."));
  QVERIFY(!button->isEnabled());
  QVERIFY(!panel.ExportPictures(dir.filePath(QStringLiteral("cleared"))));
}

void ExactCheckPanelTest::ticksCoverTheRangeAtRoundSteps() {
  // Steps of 1, 2 or 5 times a power of ten, every tick inside the range.
  struct Case {
    double lo, hi;
    int count;
    std::vector<double> ticks;
  };
  const Case cases[] = {
      {0, 100, 5, {0, 20, 40, 60, 80, 100}},
      {-0.013, 0.021, 4, {-0.01, 0, 0.01, 0.02}},
      {-230, 60, 3, {-200, -100, 0}},
      {0.0002, 0.00031, 2, {0.0002, 0.00025, 0.0003}},
  };
  for (const Case& c : cases) {
    const std::vector<double> ticks = NiceTicks(c.lo, c.hi, c.count);
    QCOMPARE(ticks.size(), c.ticks.size());
    for (std::size_t i = 0; i < ticks.size(); ++i)
      QVERIFY(qFuzzyCompare(1 + ticks[i], 1 + c.ticks[i]));
  }
  QVERIFY(NiceTicks(1, 1, 5).empty());
}

void ExactCheckPanelTest::profilesBendTheRightWay() {
  // The start-up lens's mirror-side face, radius -206 mm: its edge at 40 mm
  // lies 206 - sqrt(206² - 40²) = 3.9208 mm toward the source, so the face
  // is drawn convex toward the mirror.
  QVERIFY(std::fabs(ConicSag(-1 / 206.0, 1, 40) + 3.9208) < 1e-4);
  // The paraboloid of radius 2540 mm: y²/2r at its 158.75 mm edge.
  QVERIFY(std::fabs(ConicSag(-1 / 2540.0, 0, 158.75) + 158.75 * 158.75 / 5080) < 1e-9);
  QCOMPARE(ConicSag(0, 1, 40), 0.0);  // a flat face
  // Beyond a sphere's reach the profile stops at its rim instead of failing.
  QCOMPARE(ConicSag(1 / 10.0, 1, 20), 10.0);
}

}  // namespace vn

QTEST_MAIN(vn::ExactCheckPanelTest)
#include "exact_check_panel_test.moc"
