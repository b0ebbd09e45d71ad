// What the error-exploration dialog "Null lens to mirror spacing error" does:
// it chooses the limit of the spacing-error exploration, one of four optical
// path differences in waves or a fixed spacing error typed by the user, and
// writes it into ErrorLimit and ErrorLimitInWaves at once. It can also take
// back the main window's CHk_QtrWave so that no exploration runs.
//
// The model holds the behaviour; the window (or a test) implements the small
// view below and forwards its events. The model outlives the window: the
// chosen option is remembered from one opening to the next.
#pragma once

#include <optional>
#include <string>

#include "common/shared_values.h"

namespace vn {

// The dialog's controls as the model sees them.
class ErrorExploreView {
 public:
  virtual ~ErrorExploreView() = default;

  // Shows Err_Amount option `index` as selected. Only the display: the model
  // runs the option's choice itself, so a view must not report this
  // selection back as a click.
  virtual void SelectOption(int index) = 0;
  virtual std::string SpecErrorText() = 0;
  virtual void SetSpecErrorText(const std::string& text) = 0;
  virtual void SetUnitCaption(const std::string& caption) = 0;  // lblunit
  // A message box with an OK button only.
  virtual void ShowMessage(const std::string& title, const std::string& text) = 0;
  virtual void FocusSpecError() = 0;
  // Clears the main window's CHk_QtrWave without opening the dialog again.
  virtual void ClearQtrWaveCheck() = 0;
  virtual void Close() = 0;
};

// One limit of the option group Err_Amount.
struct ErrorOption {
  double wavesLimit;  // optical path difference in waves; unused by the amount option
  bool inWaves;       // false: the amount typed in Spec_Error
};

inline constexpr int kErrorOptionCount = 5;
inline constexpr int kAmountOption = 4;
inline constexpr ErrorOption kErrorOptions[kErrorOptionCount] = {
    {0.25, true}, {0.125, true}, {0.1, true}, {0.05, true}, {0, false}};

// The dialog's rules, for the window's dialog and for choices made without
// it (the command line's --explore):
// The wave option whose limit is `waves`, if it is one of the dialog's.
std::optional<int> WavesOptionIndex(double waves);
// The limit of a wave option, written into ErrorLimit and ErrorLimitInWaves.
void ChooseWavesOption(const ErrorOption& option, SharedValues& shared);
// A typed amount as the limit; false, with nothing changed, when the text is
// not a number (the dialog then says kNotNumericMessage).
bool ChooseAmount(const std::string& text, SharedValues& shared);
// Whether the chosen limit leaves the exploration checked when the dialog is
// accepted: an amount of zero would explore nothing, so OK takes the check back.
bool ExplorationStaysChecked(const SharedValues& shared);

inline constexpr const char* kErrorDialogCaption = "Null lens to mirror spacing error";
inline constexpr const char* kSpecErrorInitialText = "0.1";
inline constexpr const char* kNotNumericMessage = "Error margin data is not a numerical value!";

class ErrorExploreDialog {
 public:
  explicit ErrorExploreDialog(SharedValues& shared) : shared_(shared) {}

  // The dialog has opened (modally, over the main window). `inchUnits`: the
  // main window's inch option is selected, so a typed amount is in inches.
  void Open(ErrorExploreView& view, bool inchUnits);

  // Err_Amount option `index` was clicked.
  void OptionChosen(int index);
  void SpecErrorFocusIn();
  void SpecErrorFocusOut();
  void OkClicked();
  void CancelClicked();
  // Closed by the window frame: the check and the choice stand.
  void FrameClosed();

 private:
  // Runs the amount check; true when Spec_Error held a number.
  bool CheckAmount();

  SharedValues& shared_;
  ErrorExploreView* view_ = nullptr;  // the open window, if any
  // Index of the option last chosen; the 0.125-wave option until the user
  // picks another.
  int chosenErrorOption_ = 1;
  // Spec_Error has the focus: its text may have been typed but not checked.
  bool editingAmount_ = false;
};

}  // namespace vn
