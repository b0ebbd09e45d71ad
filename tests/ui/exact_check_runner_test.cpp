// The exact check beside the window: its result comes back through the
// event loop on the window's thread, a check started again or dropped
// never reports, and the runner can be destroyed with a check going. The
// check's own figures are tested in the core.
#include "ui/exact_check_runner.h"

#include <QThread>
#include <QtTest>
#include <memory>
#include <vector>

#include "support/start_up_set_up.h"

namespace vn {

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
    runner.Start(vn::test::StartUpExactInput(300), record);
    runner.Start(vn::test::StartUpExactInput(250), record);  // drops the first
    QVERIFY(runner.Busy() && reported.empty());
    QTRY_VERIFY(!runner.Busy());
    QTest::qWait(50);  // time enough for a stray first result to arrive
    QCOMPARE(reported.size(), std::size_t(1));
    QCOMPARE(reported[0], 125 / 25.4);
    QCOMPARE(reportedOn, QThread::currentThread());

    runner.Start(vn::test::StartUpExactInput(), record);
    runner.Drop();
    QTest::qWait(50);
    QCOMPARE(reported.size(), std::size_t(1));
  }

  void destroyedWithACheckGoing() {
    bool reported = false;
    {
      auto runner = std::make_unique<ExactCheckRunner>();
      runner->Start(vn::test::StartUpExactInput(),
                    [&](const ExactCheckResult&) { reported = true; });
    }
    QTest::qWait(50);
    QVERIFY(!reported);
  }
};

}  // namespace vn

QTEST_MAIN(vn::ExactCheckRunnerTest)
#include "exact_check_runner_test.moc"
