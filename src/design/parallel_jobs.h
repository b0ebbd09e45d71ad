// Independent jobs shared out over standard threads: the lens chooser solves
// hundreds of candidate lenses, each on its own run and engine, so they can
// go on every core at once.
#pragma once

#include <cstddef>
#include <functional>

#include "common/cancel_token.h"

namespace vn {

// Called after each finished job with how many have finished and how many
// there are; calls never overlap (they come from the worker threads, one at
// a time), so the callback needs no lock of its own.
using ProgressCallback = std::function<void(std::size_t done, std::size_t total)>;

// More threads than this per core only add memory and switching: the jobs
// trace, they do not wait.
inline constexpr int kThreadsPerCore = 4;

// The number of threads for `requested` (0: one per core the machine
// reports, at least one), never more than kThreadsPerCore per core nor than
// there are jobs.
int ThreadCountFor(int requested, std::size_t jobs);

// Runs job(i) for every i in [0, count) on ThreadCountFor(threads, count)
// threads (fewer when the system refuses more), each taking the next index
// not yet taken. Once *cancel is set no
// new job starts (the running ones are told by their own copy of the flag);
// returns false when some job did not run. The first exception a job throws
// is thrown again here after every thread has ended.
bool RunParallel(std::size_t count, int threads, const std::function<void(std::size_t)>& job,
                 const CancelToken* cancel, const ProgressCallback& progress = {});

}  // namespace vn
