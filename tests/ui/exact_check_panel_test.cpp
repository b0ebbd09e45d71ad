// The exact-check panel: a failed check shows its verdict and reason
// without pictures, and nothing can be exported. A good check reaching the
// verdict and the figures is the main window's (form_main_test,
// printed_report_test); the check's own figures are tested in the core.
#include "ui/exact_check_panel.h"

#include <QLabel>
#include <QPaintEngine>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "exact/exact_check.h"
#include "pictures/exact_pictures.h"
#include "support/start_up_set_up.h"
#include "ui/drawing_painter.h"
#include "ui/exact_plots.h"

namespace vn {
namespace {

// A paint device that counts what a painter draws on it: polylines and
// polygons as shapes, text items as texts.
class CountingEngine : public QPaintEngine {
 public:
  CountingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
  bool begin(QPaintDevice*) override { return true; }
  bool end() override { return true; }
  void updateState(const QPaintEngineState&) override {}
  void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
  void drawPolygon(const QPointF*, int, PolygonDrawMode) override { ++shapes; }
  void drawTextItem(const QPointF&, const QTextItem&) override { ++texts; }
  Type type() const override { return QPaintEngine::User; }
  int shapes = 0, texts = 0;
};

class CountingDevice : public QPaintDevice {
 public:
  QPaintEngine* paintEngine() const override { return &engine; }
  int metric(PaintDeviceMetric m) const override {
    switch (m) {
      case PdmWidth:
        return 960;
      case PdmHeight:
        return 600;
      case PdmDpiX:
      case PdmDpiY:
      case PdmPhysicalDpiX:
      case PdmPhysicalDpiY:
        return 96;
      case PdmDevicePixelRatioScaled:
        return static_cast<int>(devicePixelRatioFScale());
      default:
        return 1;
    }
  }
  mutable CountingEngine engine;
};

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

  // The window paints the core's drawing item for item, and the panel's
  // pictures are the core's drawings of the check it shows.
  void picturesAreTheCoreDrawings() {
    ExactCheckPanel panel;
    const ExactCheckResult r = RunExactCheck(test::StartUpExactInput());
    Show(panel, r);
    const ExactPictures pictures = ExactPicturesOf(r, test::StartUpExactInput());
    const Drawing drawings[] = {DrawSetUp(pictures.setUp, kPictureFileSize),
                                DrawCurvePlot(pictures.wavefront, kPictureFileSize),
                                DrawCurvePlot(pictures.aberration, kPictureFileSize)};
    const char* const widgets[] = {"ExactSetUp", "ExactWavefront", "ExactAberration"};
    for (int k = 0; k < 3; ++k) {
      int shapes = 0, texts = 0;
      for (const DrawingItem& item : drawings[k].items) {
        ++(std::holds_alternative<Shape>(item) ? shapes : texts);
      }
      CountingDevice direct, shown;
      {
        QPainter p(&direct);
        PaintDrawing(p, drawings[k]);
      }
      QCOMPARE(direct.engine.shapes, shapes);
      QCOMPARE(direct.engine.texts, texts);
      {
        QPainter p(&shown);
        QFont font = p.font();
        font.setPixelSize(static_cast<int>(kPictureFileSize.textSize));
        p.setFont(font);
        panel.findChild<ExactPlotWidget*>(widgets[k])
            ->PaintOn(p, QRectF(0, 0, kPictureFileSize.width, kPictureFileSize.height));
      }
      QCOMPARE(shown.engine.shapes, shapes);
      QCOMPARE(shown.engine.texts, texts);
    }
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
