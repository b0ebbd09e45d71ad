// A run host with nothing behind it: the window's start-up entries (in
// millimetres, or converted to inches) and no display, so a benchmark
// measures the run's own cost.
#pragma once

#include <string>

#include "record/run_host.h"
#include "record/start_up_entries.h"

namespace vn::bench {

class HeadlessHost : public RunHost {
 public:
  bool inch = false;
  bool explore = false;  // CHk_QtrWave checked
  std::string report;

  std::string EntryText(Entry e) override { return StartUpEntry(e, inch); }
  bool IsChecked(CheckBox box) override { return box == CheckBox::QtrWave && explore; }
  bool InchUnitsSelected() override { return inch; }
  std::string ReportText() override { return report; }
  void SetReportText(const std::string& text) override { report = text; }
  void SetFindCaption(const std::string&) override {}
  void ShowAbortNotice(bool) override {}
  void FocusReport() override {}
  void ShowMessage(const std::string&, const std::string&) override {}
  bool AskYesNo(const std::string&, const std::string&) override { return false; }
  void YieldToEvents() override {}
};

}  // namespace vn::bench
