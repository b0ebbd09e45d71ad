// The one way to stop long work: a flag the host sets (a key press, the next
// run, closing a window, the command line's clock, the chooser's step limit)
// and every loop of the run, the exact check, the analyses and the chooser
// reads at its next step. Setting it from any thread is safe.
#pragma once

#include <atomic>

namespace vn {

class CancelToken {
 public:
  CancelToken() = default;
  CancelToken(const CancelToken&) = delete;
  CancelToken& operator=(const CancelToken&) = delete;

  void Cancel() { requested_.store(true, std::memory_order_relaxed); }
  // Makes the token ready for the next piece of work.
  void Reset() { requested_.store(false, std::memory_order_relaxed); }
  bool Cancelled() const { return requested_.load(std::memory_order_relaxed); }

 private:
  std::atomic<bool> requested_{false};
};

// Whether `token` (which may be absent) asks to stop.
inline bool CancelRequested(const CancelToken* token) {
  return token != nullptr && token->Cancelled();
}

}  // namespace vn
