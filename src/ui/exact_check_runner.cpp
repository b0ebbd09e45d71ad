// The exact check on a thread of its own beside the window.
#include "ui/exact_check_runner.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

#include "common/cancel_token.h"

namespace vn {

// What the check's thread shares with the runner. The thread holds the job
// until it ends, so the cancel flag outlives both.
struct ExactCheckRunner::Job {
  CancelToken cancel;
  std::mutex mutex;
  std::condition_variable ended;
  bool finished = false;              // guarded by mutex
  ExactCheckRunner* owner = nullptr;  // guarded by mutex; null once dropped
};

ExactCheckRunner::ExactCheckRunner(QObject* parent) : QObject(parent) {}

ExactCheckRunner::~ExactCheckRunner() {
  const std::shared_ptr<Job> last = job_;
  Drop();
  if (last == nullptr) return;
  std::unique_lock lock(last->mutex);
  last->ended.wait_for(lock, std::chrono::milliseconds(kLastWaitMs),
                       [&last] { return last->finished; });
}

void ExactCheckRunner::Start(SolvedSetUp input, Done done,
                             std::optional<double> spacingRangeLimitWaves) {
  Drop();
  auto job = std::make_shared<Job>();
  job->owner = this;
  job_ = job;
  done_ = std::move(done);
  const auto check = [job, input, spacingRangeLimitWaves] {
    ExactCheckResult result = RunExactCheck(input, &job->cancel);
    if (spacingRangeLimitWaves && !result.cancelled) {
      result.spacingRange = FindExactSpacingRange(input, result.verdict.recommended,
                                                  *spacingRangeLimitWaves, &job->cancel);
      if (result.spacingRange->cancelled) result.cancelled = true;
    }
    std::lock_guard lock(job->mutex);
    job->finished = true;
    job->ended.notify_all();
    // Posting under the lock: the runner cannot be destroyed meanwhile, and
    // once it is, Qt discards what was posted to it.
    if (job->owner == nullptr) return;
    QMetaObject::invokeMethod(
        job->owner,
        [owner = job->owner, job, result = std::move(result)] {
          if (owner->job_ != job) return;  // dropped after posting
          owner->job_.reset();
          if (owner->done_) owner->done_(result);
        },
        Qt::QueuedConnection);
  };
  try {
    std::thread(check).detach();
  } catch (const std::system_error& e) {
    // No thread to be had: say so rather than check on the window's thread.
    job_.reset();
    ExactCheckResult failed;
    failed.why = std::string("no thread could be started for it (") + e.what() + ")";
    if (done_) done_(failed);
  }
}

void ExactCheckRunner::Stop() {
  if (job_ != nullptr) job_->cancel.Cancel();
}

void ExactCheckRunner::Drop() {
  if (job_ == nullptr) return;
  job_->cancel.Cancel();
  {
    std::lock_guard lock(job_->mutex);
    job_->owner = nullptr;
  }
  job_.reset();
}

}  // namespace vn
