// The exact check beside the window: its result comes back through the
// event loop on the window's thread, a check started again or dropped
// never reports, and the runner can be destroyed with a check going. The
// check's own figures are tested in the core.
#include "ui/exact_check_runner.h"

#include <QThread>
#include <QtTest>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
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

  // The runner destroyed while its check is going: the check is dropped (it
  // never reports) and stops at its next step rather than running on. That
  // it was going is seen from outside: its thread has appeared among the
  // program's threads (Linux lists them in /proc), and it ended in less than
  // half the time the same check takes when nothing stops it, so it was
  // stopped on the way. A check takes about half a millisecond; a loaded
  // machine may let one run out before the runner goes, so up to twenty
  // tries are made.
  void destroyedWithACheckGoing() {
    if (!QDir("/proc/self/task").exists()) QSKIP("the program's threads cannot be listed here");
    const auto threads = [] {
      std::set<std::string> ids;
      for (const auto& e : std::filesystem::directory_iterator("/proc/self/task"))
        ids.insert(e.path().filename().string());
      return ids;
    };
    using Clock = std::chrono::steady_clock;
    const SolvedSetUp input = test::StartUpExactInput();
    Clock::duration whole = Clock::duration::max();
    for (int k = 0; k < 5; ++k) {
      const auto start = Clock::now();
      QVERIFY(RunExactCheck(input).ok);
      whole = std::min(whole, Clock::now() - start);
    }
    bool reported = false, seenGoing = false, stoppedOnTheWay = false;
    for (int attempt = 0; attempt < 20 && !stoppedOnTheWay; ++attempt) {
      const std::set<std::string> before = threads();
      auto runner = std::make_unique<ExactCheckRunner>();
      const auto start = Clock::now();
      runner->Start(input, [&](const ExactCheckResult&) { reported = true; });
      bool going = false;
      while (!going && Clock::now() - start < std::chrono::milliseconds(50))
        going = threads() != before;
      runner.reset();  // drops the check and waits for its thread to end
      seenGoing = seenGoing || going;
      stoppedOnTheWay = going && Clock::now() - start < whole / 2;
    }
    QTest::qWait(50);  // time enough for a stray result to arrive
    QVERIFY(!reported);
    QVERIFY2(seenGoing, "the check's thread was never seen");
    QVERIFY2(stoppedOnTheWay, "the check always ran to its end after the runner went");
  }
};

}  // namespace vn

QTEST_MAIN(vn::ExactCheckRunnerTest)
#include "exact_check_runner_test.moc"
