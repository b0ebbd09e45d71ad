// The windows' looks: every caption fits the control that shows it, with the
// font the windows use, so that nothing is cut off on a desktop whose usual
// font is wider than the one the twips layout was drawn for; and on a small
// screen every control shows.
//
// With VN_SCREENSHOT_DIR set, the test also saves pictures of the main
// window after a run and of both dialogs there, to be looked at.
#include <QtTest>
#include <QtWidgets>
#include <functional>

#include "common/shared_values.h"
#include "run/null_finder.h"
#include "support/main_window_fixture.h"
#include "ui/caption_fit.h"
#include "ui/form_main.h"

namespace vn {
namespace {

// The captions of `form` that are not shown whole, one line each, and saves
// a picture of it as `picture` when VN_SCREENSHOT_DIR is set.
QStringList Clipped(QWidget& form, const char* picture) {
  QStringList clipped;
  // The controls laid out in twips; the exact check's area lays itself out.
  QWidget* exact = form.findChild<QWidget*>("ExactCheck");
  for (QWidget* w : form.findChildren<QWidget*>()) {
    if (exact != nullptr && (w == exact || exact->isAncestorOf(w))) continue;
    if (w->objectName().isEmpty() || CaptionText(*w).isEmpty() || CaptionFits(*w)) continue;
    const QRect box = CaptionBox(*w);
    clipped << QStringLiteral("%1 \"%2\" in %3x%4")
                   .arg(w->objectName(), CaptionText(*w))
                   .arg(box.width())
                   .arg(box.height());
  }
  for (QGroupBox* frame : form.findChildren<QGroupBox*>()) {
    if (frame->fontMetrics().horizontalAdvance(frame->title()) + 12 > frame->width())
      clipped << frame->objectName() + " title";
  }
  const QString dir = qEnvironmentVariable("VN_SCREENSHOT_DIR");
  if (!dir.isEmpty() && !form.grab().save(QDir(dir).filePath(picture)))
    clipped << QStringLiteral("could not save ") + picture;
  return clipped;
}

}  // namespace

class WindowLookTest : public QObject {
  Q_OBJECT

 private slots:
  void captionsFitMainWindowAndDialogs() {
    SharedValues shared;
    NullFinder finder(shared, nullptr);
    FormMain window(shared, finder);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(window.findChild<QPushButton*>("FindIt"), Qt::LeftButton);
    // The report and the exact check follow the click.
    QTRY_VERIFY(window.findChild<QPushButton*>("ExactExport")->isEnabled());
    // The abort notice is hidden after a run; show it to measure it.
    window.ShowAbortNotice(true);
    QStringList clipped = Clipped(window, "main_running.png");
    window.ShowAbortNotice(false);
    clipped << Clipped(window, "main.png");

    test::WhenModalOpens([&](QWidget* dialog) {
      // FK1* is not in OSLO's glass data: the warning shows.
      auto* list = dialog->findChild<QComboBox*>("Schott_List");
      list->setCurrentIndex(list->findText("FK1*"));
      emit list->activated(list->currentIndex());
      if (!dialog->findChild<QLabel*>("lbl_warn")->isVisible()) clipped << "lbl_warn not shown";
      clipped << Clipped(*dialog, "refractive_index.png");
      dialog->close();
    });
    QTest::mouseClick(window.findChild<QPushButton*>("Calc_RIn"), Qt::LeftButton);
    test::WhenModalOpens([&](QWidget* dialog) {
      dialog->findChild<QLabel*>("lblunit")->setText("mm");
      clipped << Clipped(*dialog, "error_explore.png");
      dialog->close();
    });
    QTest::mouseClick(window.findChild<QCheckBox*>("CHk_QtrWave"), Qt::LeftButton);
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join('\n')));
  }

  // On small screens (their size less the window manager's frame) every
  // control is inside the window and clear of the exact check, and the
  // report and the pictures keep a readable size.
  void everyControlShowsOnSmallScreens() {
    for (const QSize size : {QSize(1024, 668), QSize(1280, 688)}) {
      SharedValues shared;
      NullFinder finder(shared, nullptr);
      FormMain window(shared, finder);
      window.resize(size);
      window.show();
      QVERIFY(QTest::qWaitForWindowExposed(&window));
      QCOMPARE(window.size(), size);
      const auto inWindow = [&window](const QWidget* w) {
        return QRect(w->mapTo(&window, QPoint(0, 0)), w->size());
      };
      const QRect exact = inWindow(window.findChild<QWidget*>("ExactCheck"));
      QStringList hidden, looked;
      for (QWidget* w : window.findChild<QWidget*>("client")->findChildren<QWidget*>()) {
        if (!w->isVisible() || w->objectName().isEmpty()) continue;
        looked << w->objectName();
        if (!window.rect().contains(inWindow(w)) || exact.intersects(inWindow(w)))
          hidden << w->objectName();
      }
      QVERIFY2(hidden.isEmpty(), qPrintable(hidden.join(' ')));
      QVERIFY2(looked.contains("FindIt") && looked.contains("LindexR"),
               qPrintable(looked.join(' ')));
      const QSize report = window.findChild<QWidget*>("TextOut")->size();
      QVERIFY2(report.width() >= 560 && report.height() >= 400,
               qPrintable(QStringLiteral("report %1x%2").arg(report.width()).arg(report.height())));
      const QSize pictures = window.findChild<QWidget*>("ExactSetUp")->size();
      QVERIFY2(pictures.width() >= 320 && pictures.height() >= 360,
               qPrintable(
                   QStringLiteral("pictures %1x%2").arg(pictures.width()).arg(pictures.height())));
    }
  }
};

}  // namespace vn

QTEST_MAIN(vn::WindowLookTest)
#include "window_look_test.moc"
