// A run host for tests: the window's start-up entries, a report that records
// every text the run set, the message boxes it showed, and a step that can
// press "a key" after a given number of steps.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "record/run_host.h"
#include "record/start_up_entries.h"
#include "run/null_finder.h"

namespace vn::test {

// The window's start-up entries converted to inches, as the units switch
// writes them (the flat radius kept as typed).
inline void UseStartUpEntriesInInches(std::map<Entry, std::string>& entries) {
  for (std::size_t i = 0; i < kEntryCount; ++i) entries[Entry(i)] = kStartUpEntriesInInches[i];
}

inline std::map<Entry, std::string> StartUpEntryMap() {
  std::map<Entry, std::string> entries;
  for (std::size_t i = 0; i < kEntryCount; ++i) entries[Entry(i)] = kStartUpEntries[i];
  return entries;
}

class RecordingHost : public ReportHost {
 public:
  std::map<Entry, std::string> entries = StartUpEntryMap();
  bool saveOslo = false;
  bool qtrWave = false;
  bool inch = false;

  std::string report;
  std::vector<std::string> reportHistory;
  struct Message {
    std::string title, text;
  };
  std::vector<Message> messages;
  bool yesAnswer = false;

  // The run a "key press" stops, and after how many steps.
  NullFinder* finder = nullptr;
  long abortAfterYields = -1;
  long yields = 0;
  std::function<void()> onYield;

  // The fields and option boxes as a run reads them.
  RunEntries Entries() {
    RunEntries e;
    for (std::size_t i = 0; i < kEntryCount; ++i) e.texts[i] = entries[Entry(i)];
    e.inch = inch;
    e.saveLensFile = saveOslo;
    e.exploreSpacingError = qtrWave;
    return e;
  }
  // One run from these entries, as the find button makes it.
  void RunWith(NullFinder& run) { run.Run(Entries(), *this); }

  void ShowReport(const std::string& text) override {
    report = text;
    reportHistory.push_back(text);
  }
  void ShowMessage(const std::string& title, const std::string& text) override {
    messages.push_back({title, text});
  }
  bool AskYesNo(const std::string& title, const std::string& text) override {
    messages.push_back({title, text});
    return yesAnswer;
  }
  void Step() override {
    ++yields;
    if (finder != nullptr && abortAfterYields >= 0 && yields >= abortAfterYields) {
      finder->RequestAbort();
    }
    if (onYield) onYield();
  }
};

// The report split at CR LF.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    const auto end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      return lines;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
}

}  // namespace vn::test
