// A run host with nothing behind it: the window's start-up entries (in
// millimetres, or converted to inches) and no display, so a benchmark
// measures the run's own cost.
#pragma once

#include <string>

#include "run/run_host.h"

namespace vn::bench {

class HeadlessHost : public RunHost {
 public:
  bool inch = false;
  bool explore = false;  // CHk_QtrWave checked
  std::string report;

  std::string EntryText(Entry e) override {
    switch (e) {
      case Entry::MDiam:
        return inch ? "12.5" : "317.5";
      case Entry::MRoC:
        return inch ? "100" : "2540";
      case Entry::Mcc:
        return "-1";
      case Entry::LradI:
        return "9e99";
      case Entry::lRadM:
        return inch ? "-8.11023622047244" : "-206";
      case Entry::lthck:
        return inch ? "0.590551181102362" : "15";
      case Entry::LDiam:
        return inch ? "3.1496062992126" : "80";
      case Entry::LindexR:
        return "1.51509";
    }
    return "";
  }
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
