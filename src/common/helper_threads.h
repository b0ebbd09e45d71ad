// Helper threads for work that the calling thread shares: a system out of
// threads, or one that has none to give (the browser's page runs on one),
// refuses a new one, and the work goes on with those already running, the
// calling thread at least.
#pragma once

#include <system_error>
#include <thread>
#include <vector>

namespace vn {

template <typename Work>
std::vector<std::thread> StartHelperThreads(int count, const Work& work) {
  std::vector<std::thread> helpers;
  helpers.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
  for (int t = 0; t < count; ++t) {
    try {
      helpers.emplace_back(work);
    } catch (const std::system_error&) {
      break;
    }
  }
  return helpers;
}

}  // namespace vn
