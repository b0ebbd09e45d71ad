// The exact check made beside the window rather than in it: the check of a
// solved set-up runs on a thread of its own, so the window goes on handling
// its events (and a set-up whose check takes long cannot freeze it), and its
// result is handed back on the window's thread.
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <optional>

#include "exact/exact_check.h"

namespace vn {

class ExactCheckRunner : public QObject {
  Q_OBJECT

 public:
  using Done = std::function<void(const ExactCheckResult&)>;

  explicit ExactCheckRunner(QObject* parent = nullptr);
  // Drops a check still going and gives it at most kLastWaitMs to end, so
  // that it never outlives the program's data; the window never waits longer.
  ~ExactCheckRunner() override;

  static constexpr int kLastWaitMs = 2000;

  // Starts checking `input` (its cancel flag is the runner's own), and with
  // a limit finds the spacing range about the set-up it recommends. A check
  // still going is dropped first. `done` is called on this object's thread
  // with the result, also when Stop() cut the check short.
  void Start(SolvedSetUp input, Done done,
             std::optional<double> spacingRangeLimitWaves = std::nullopt);
  // Asks the check going to stop at its next step; its result, marked
  // cancelled, still comes back.
  void Stop();
  // Asks the check going to stop and forgets it: its result never comes back.
  void Drop();
  // A check has been started and its result has not come back yet.
  bool Busy() const { return job_ != nullptr; }

 private:
  struct Job;
  std::shared_ptr<Job> job_;
  Done done_;
};

}  // namespace vn
