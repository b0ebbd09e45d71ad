// The "Mirror" tab's wiring: a measurement file reaches the worker and comes
// back as the mirror's figures, the figures reach their files, and a file
// that cannot be read says so. The reduction's physics is tested in the core.
#include "ui/mirror_view.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "support/files.h"
#include "support/start_up_set_up.h"

namespace vn {

class MirrorViewTest : public QObject {
  Q_OBJECT

 private slots:
  void measurementComesBackAsTheMirror() {
    QTemporaryDir dir;
    const QString zrn = dir.filePath("m.zrn");
    test::WriteText(zrn.toStdString(), "0\n0\n0\n0\n0\n0\n0\n0\n0.1\n");
    const SolvedSetUp null = test::StartUpExactInput();

    MirrorView view;
    view.resize(700, 600);
    view.show();
    QVERIFY(!view.HasMirror());
    view.Open(zrn, null);
    QTRY_VERIFY_WITH_TIMEOUT(view.HasMirror(), 10000);
    // Spherical aberration added to a paraboloid's null: a conic above -1,
    // written with a point whatever the locale.
    QVERIFY2(view.FiguresText().contains("Conic constant: -0.9"), qPrintable(view.FiguresText()));
    QVERIFY(view.FiguresText().contains("edge"));
    const QString shots = qEnvironmentVariable("VN_SCREENSHOT_DIR");
    if (!shots.isEmpty()) QVERIFY(view.grab().save(QDir(shots).filePath("mirror_view.png")));
    for (const char* name : {"m.csv", "m.png", "m.svg"}) {
      QCOMPARE(view.SaveMirror(dir.filePath(name)), QString());
      QVERIFY(QFileInfo(dir.filePath(name)).size() > 100);
    }

    // A file that is not there: the tab says which and why.
    view.Open(dir.filePath("missing.wft"), null);
    QTRY_VERIFY_WITH_TIMEOUT(view.FiguresText().contains("missing.wft"), 10000);
    QVERIFY(!view.HasMirror());
    view.Clear("gone");
    QCOMPARE(view.FiguresText(), QString("gone"));
    QVERIFY(!view.SaveMirror(dir.filePath("n.csv")).isEmpty());
  }
};

}  // namespace vn

QTEST_MAIN(vn::MirrorViewTest)
#include "mirror_view_test.moc"
