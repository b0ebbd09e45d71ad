// A design or a ranking running on its own standard thread, for a host whose
// own thread must stay free (the window's event loop): the host starts it,
// reads its progress and whether it is still running as often as it likes,
// may cancel it, and takes the result once it has ended.
#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "common/cancel_token.h"
#include "design/lens_design.h"
#include "design/lens_list.h"
#include "design/lens_ranking.h"

namespace vn {

class ChooserJob {
 public:
  ChooserJob() = default;
  // Cancels a job still running and waits for it to end.
  ~ChooserJob();
  ChooserJob(const ChooserJob&) = delete;
  ChooserJob& operator=(const ChooserJob&) = delete;

  // Starts the work; a job still running is cancelled and waited for first.
  // The request's cancel flag is the job's own.
  void StartDesign(DesignRequest request);
  void StartRanking(std::vector<ListedLens> lenses, RankingRequest request);

  bool Running() const { return running_.load(); }
  // Done and total steps so far (total 0 before the first step is counted).
  std::size_t Done() const { return done_.load(); }
  std::size_t Total() const { return total_.load(); }
  void Cancel() { cancel_.Cancel(); }

  // The result of the job that has ended, once; nothing while it runs.
  std::optional<DesignResult> TakeDesign();
  std::optional<LensRanking> TakeRanking();

 private:
  void Stop();
  ProgressCallback Progress();

  std::thread worker_;
  CancelToken cancel_;
  std::atomic<bool> running_{false};
  std::atomic<std::size_t> done_{0}, total_{0};
  std::mutex mutex_;  // guards the results
  std::optional<DesignResult> design_;
  std::optional<LensRanking> ranking_;
};

}  // namespace vn
