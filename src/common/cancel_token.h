// The one way to stop long work: a flag the host sets (a key press, the next
// run, closing a window, the command line's clock, the chooser's step limit)
// and every loop of the run, the exact check, the analyses and the chooser
// reads at its next step. Setting it from any thread is safe.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

namespace vn {

class CancelToken {
 public:
  using Clock = std::chrono::steady_clock;

  CancelToken() = default;
  CancelToken(const CancelToken&) = delete;
  CancelToken& operator=(const CancelToken&) = delete;

  void Cancel() { requested_.store(true, std::memory_order_relaxed); }
  // Makes the token ready for the next piece of work.
  void Reset() {
    requested_.store(false, std::memory_order_relaxed);
    deadline_.store(kNoDeadline, std::memory_order_relaxed);
  }
  // The token asks to stop from `when` on, read by the work itself at its
  // steps: for a host that has no thread to set it then (the browser's).
  void CancelAt(Clock::time_point when) {
    deadline_.store(when.time_since_epoch().count(), std::memory_order_relaxed);
  }
  bool Cancelled() const {
    if (requested_.load(std::memory_order_relaxed)) return true;
    const auto deadline = deadline_.load(std::memory_order_relaxed);
    if (deadline == kNoDeadline || Clock::now().time_since_epoch().count() < deadline) return false;
    requested_.store(true, std::memory_order_relaxed);
    return true;
  }

 private:
  static constexpr Clock::rep kNoDeadline = INT64_MAX;
  mutable std::atomic<bool> requested_{false};
  std::atomic<Clock::rep> deadline_{kNoDeadline};
};

// Whether `token` (which may be absent) asks to stop.
inline bool CancelRequested(const CancelToken* token) {
  return token != nullptr && token->Cancelled();
}

}  // namespace vn
