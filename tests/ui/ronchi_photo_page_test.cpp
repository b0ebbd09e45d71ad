// The "Ronchi photo" tab's wiring: a photo reaches the fit's thread and
// comes back as the figures and the ΔK drawn over the photo, and a file
// that is no photo says so. The fit's physics is tested in the core.
#include "ui/ronchi_photo_page.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "support/files.h"
#include "support/ronchi_photos.h"
#include "support/start_up_set_up.h"
#include "tester/png_file.h"
#include "ui/point_spin_box.h"

namespace vn {

class RonchiPhotoPageTest : public QObject {
  Q_OBJECT

 private slots:
  void photoComesBackAsTheConic() {
    QTemporaryDir dir;
    test::Shot shot;
    shot.deltaK = 0.05;
    const QString bands = dir.filePath("bands.png"), words = dir.filePath("words.png");
    test::WriteText(bands.toStdString(), PngBytes(test::Photo(shot)));
    test::WriteText(words.toStdString(), "not a picture\n");

    RonchiPhotoPage page;
    page.resize(1000, 620);
    page.show();
    page.ShowSetUp(test::StartUpExactInput(), false);
    QVERIFY(page.OpenPhoto(bands));
    QTRY_VERIFY_WITH_TIMEOUT(page.Fit().has_value(), 30000);
    // ΔK +0.05 on a paraboloid, with a point whatever the locale; the
    // bands are drawn for the fitted ΔK.
    QVERIFY2(page.ResultText().contains("Mirror's conic constant: -0.9"),
             qPrintable(page.ResultText()));
    QVERIFY(std::fabs(page.HandDeltaK()->value() - page.Fit()->bestDeltaK) < 0.001);
    page.HandDeltaK()->setValue(-0.1);  // drawn again for a ΔK tried by hand
    // The outline found is shown; given by hand 1.4 times too large, the
    // photo no longer fits and no conic is given.
    auto* radius = page.findChild<PointSpinBox*>("RonchiOutlineR");
    QVERIFY(std::fabs(radius->value() - page.Fit()->outline.radius) <= 0.5);
    page.findChild<QCheckBox*>("RonchiOutlineByHand")->setChecked(true);
    radius->setValue(1.4 * radius->value());
    page.findChild<QPushButton*>("RonchiFit")->click();
    QTRY_VERIFY_WITH_TIMEOUT(page.ResultText().contains("No fit"), 30000);
    QVERIFY(!page.ResultText().contains("conic constant"));
    const QString shots = qEnvironmentVariable("VN_SCREENSHOT_DIR");
    if (!shots.isEmpty()) QVERIFY(page.grab().save(QDir(shots).filePath("ronchi_photo.png")));
    QString why;
    QVERIFY(!page.OpenPhoto(words, &why));
    QVERIFY2(why.contains("words.png"), qPrintable(why));
    QCOMPARE(page.ResultText(), why);
  }
};

}  // namespace vn

QTEST_MAIN(vn::RonchiPhotoPageTest)
#include "ronchi_photo_page_test.moc"
