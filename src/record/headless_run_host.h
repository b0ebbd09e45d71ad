// A run host with no window behind it, for the command line, the lens
// chooser's candidates and the benchmarks: the entries and check boxes are
// plain values, the report is kept, and everything a window would show
// (captions, the abort notice, the focus, message boxes) goes unseen; a
// question is answered No. A host overrides what it shows differently.
#pragma once

#include <map>
#include <string>

#include "record/run_host.h"
#include "record/start_up_entries.h"

namespace vn {

class HeadlessRunHost : public RunHost {
 public:
  HeadlessRunHost() {
    for (std::size_t i = 0; i < kEntryCount; ++i) entries[Entry(i)] = kStartUpEntries[i];
  }

  std::map<Entry, std::string> entries;  // the window's start-up entries at first
  bool saveOslo = false;                 // "Save Oslo file"
  bool qtrWave = false;                  // the spacing-error exploration
  bool inch = false;
  std::string report;

  std::string EntryText(Entry e) override { return entries[e]; }
  bool IsChecked(CheckBox b) override { return b == CheckBox::SaveOslo ? saveOslo : qtrWave; }
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

}  // namespace vn
