// Jobs shared out over standard threads.
#include "design/parallel_jobs.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "common/cancel_token.h"
#include "common/helper_threads.h"

namespace vn {

int ThreadCountFor(int requested, std::size_t jobs) {
  const int cores = std::max(static_cast<int>(std::thread::hardware_concurrency()), 1);
  int threads = requested > 0 ? std::min(requested, kThreadsPerCore * cores) : cores;
  if (jobs < static_cast<std::size_t>(threads))
    threads = static_cast<int>(std::max<std::size_t>(jobs, 1));
  return threads;
}

bool RunParallel(std::size_t count, int threads, const std::function<void(std::size_t)>& job,
                 const CancelToken* cancel, const ProgressCallback& progress) {
  std::atomic<std::size_t> next{0};
  std::mutex mutex;  // guards done, failure and the progress calls
  std::size_t done = 0;
  std::exception_ptr failure;
  std::atomic<bool> failed{false};  // a job threw: start no more
  const auto stopped = [&] { return failed.load() || CancelRequested(cancel); };

  const auto work = [&] {
    for (;;) {
      if (stopped()) return;
      const std::size_t i = next.fetch_add(1);
      if (i >= count) return;
      try {
        job(i);
      } catch (...) {
        std::lock_guard<std::mutex> lock(mutex);
        if (!failure) failure = std::current_exception();
        failed = true;
        return;
      }
      std::lock_guard<std::mutex> lock(mutex);
      ++done;
      if (progress) progress(done, count);
    }
  };

  const int n = ThreadCountFor(threads, count);
  std::vector<std::thread> pool = StartHelperThreads(n - 1, work);
  work();  // the calling thread is one of the workers
  for (std::thread& thread : pool) thread.join();
  if (failure) std::rethrow_exception(failure);
  return done == count;
}

}  // namespace vn
