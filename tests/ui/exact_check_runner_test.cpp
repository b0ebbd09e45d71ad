// The exact check beside the window: its result comes back through the
// event loop on the window's thread, a check started again or dropped
// never reports, and the runner can be destroyed with a check going. The
// check's own figures are tested in the core.
#include "ui/exact_check_runner.h"

#include <QThread>
#include <QtTest>
#include <memory>
#include <vector>

namespace vn {
namespace {

constexpr double kMm = 1.0 / 25.4;  // inches per millimetre

// The program's start-up set-up; `mirrorDiameterMm` tells the checks apart.
ExactCheckInput StartUpSetUp(double mirrorDiameterMm = 317.5) {
  ExactCheckInput input;
  input.system.MirrorSemiDiameter = mirrorDiameterMm / 2 * kMm;
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

}  // namespace

class ExactCheckRunnerTest : public QObject {
  Q_OBJECT

 private slots:
  void onlyTheLastCheckReportsOnTheWindowThread() {
    ExactCheckRunner runner;
    std::vector<double> reported;  // mirror semi-diameters of the reported checks
    QThread* reportedOn = nullptr;
    const auto record = [&](const ExactCheckResult& r) {
      reportedOn = QThread::currentThread();
      reported.push_back(r.zones.empty() ? 0 : r.zones.back().mirrorHeight);
      QVERIFY(r.ok && !r.cancelled);
    };
    runner.Start(StartUpSetUp(300), record);
    runner.Start(StartUpSetUp(250), record);  // drops the first
    QVERIFY(runner.Busy() && reported.empty());
    QTRY_VERIFY(!runner.Busy());
    QTest::qWait(50);  // time enough for a stray first result to arrive
    QCOMPARE(reported.size(), std::size_t(1));
    QCOMPARE(reported[0], 125 * kMm);
    QCOMPARE(reportedOn, QThread::currentThread());

    runner.Start(StartUpSetUp(), record);
    runner.Drop();
    QTest::qWait(50);
    QCOMPARE(reported.size(), std::size_t(1));
  }

  void destroyedWithACheckGoing() {
    bool reported = false;
    {
      auto runner = std::make_unique<ExactCheckRunner>();
      runner->Start(StartUpSetUp(), [&](const ExactCheckResult&) { reported = true; });
    }
    QTest::qWait(50);
    QVERIFY(!reported);
  }
};

}  // namespace vn

QTEST_MAIN(vn::ExactCheckRunnerTest)
#include "exact_check_runner_test.moc"
