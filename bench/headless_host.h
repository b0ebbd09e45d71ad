// A run host with nothing behind it: the window's start-up entries (in
// millimetres, or converted to inches) and no display, so a benchmark
// measures the run's own cost.
#pragma once

#include "record/headless_run_host.h"
#include "record/start_up_entries.h"

namespace vn::bench {

class HeadlessHost : public HeadlessRunHost {
 public:
  explicit HeadlessHost(bool inchEntries = false) {
    inch = inchEntries;
    for (std::size_t i = 0; i < kEntryCount; ++i) entries[Entry(i)] = StartUpEntry(Entry(i), inch);
  }
};

}  // namespace vn::bench
