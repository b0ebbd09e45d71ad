// A run host with nothing behind it: the window's start-up entries (in
// millimetres, or converted to inches) and no display, so a benchmark
// measures the run's own cost.
#pragma once

#include <string>

#include "record/run_host.h"
#include "record/start_up_entries.h"
#include "run/null_finder.h"

namespace vn::bench {

class HeadlessHost : public ReportHost {
 public:
  explicit HeadlessHost(bool inchEntries = false) {
    entries.texts = StartUpEntryTexts(inchEntries);
    entries.inch = inchEntries;
  }

  RunEntries entries;
  std::string report;

  void ShowReport(const std::string& text) override { report = text; }
  void ShowMessage(const std::string&, const std::string&) override {}
  bool AskYesNo(const std::string&, const std::string&) override { return false; }
};

}  // namespace vn::bench
