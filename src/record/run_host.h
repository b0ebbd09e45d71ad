// What a run needs from the program that hosts it: the window, the command
// line and the tests each implement this one interface.
#pragma once

#include <cstddef>
#include <string>

namespace vn {

// The entry fields of the main window, by their control names.
enum class Entry { MDiam, MRoC, Mcc, LradI, lRadM, lthck, LDiam, LindexR };
inline constexpr std::size_t kEntryCount = 8;

// The find button's caption while no run is in progress.
inline constexpr const char* kFindCaption = "Find Null Variables";

// An entry's caption in the window, for messages ("Center Thickness").
constexpr const char* EntryCaption(Entry entry) {
  switch (entry) {
    case Entry::MDiam:
      return "Mirror Diameter";
    case Entry::MRoC:
      return "Radius of Curvature";
    case Entry::Mcc:
      return "Conic Constant";
    case Entry::LradI:
      return "Source side RoC";
    case Entry::lRadM:
      return "Mirror Side RoC";
    case Entry::lthck:
      return "Center Thickness";
    case Entry::LDiam:
      return "Lens Diameter";
    case Entry::LindexR:
      return "Refractive Index";
  }
  return "";
}

// The two check boxes a run reads.
enum class CheckBox {
  SaveOslo,  // chk_save_oslo, "Save Oslo file"
  QtrWave,   // CHk_QtrWave, the spacing-error exploration
};

class RunHost {
 public:
  virtual ~RunHost() = default;

  virtual std::string EntryText(Entry entry) = 0;
  virtual bool IsChecked(CheckBox box) = 0;
  // True when the units option "Inch" is selected, false for "mm".
  virtual bool InchUnitsSelected() = 0;

  // The report box TextOut: lines separated by CR LF.
  virtual std::string ReportText() = 0;
  virtual void SetReportText(const std::string& text) = 0;

  virtual void SetFindCaption(const std::string& caption) = 0;
  virtual void ShowAbortNotice(bool shown) = 0;
  virtual void FocusReport() = 0;

  // Message boxes: OK only, or Yes/No (true for Yes).
  virtual void ShowMessage(const std::string& title, const std::string& text) = 0;
  virtual bool AskYesNo(const std::string& title, const std::string& text) = 0;

  // Processes pending window events once; a key press among them requests an abort.
  virtual void YieldToEvents() = 0;

  // Called with false when a run starts and true when it has ended; the window
  // uses it to lock the entry fields so the report stays readable.
  virtual void SetEntriesEnabled(bool /*enabled*/) {}
};

}  // namespace vn
