// The error-exploration dialog's behaviour: option choice, opening, the
// amount check and the three ways of closing.
#include "spacing_error_dialog/error_explore_dialog.h"

#include "common/app_info.h"
#include "common/number_text.h"

namespace vn {

std::optional<int> WavesOptionIndex(double waves) {
  for (int i = 0; i < kErrorOptionCount; ++i) {
    if (kErrorOptions[i].inWaves && kErrorOptions[i].wavesLimit == waves) return i;
  }
  return std::nullopt;
}

void ChooseWavesOption(const ErrorOption& option, SharedValues& shared) {
  shared.ErrorLimit = option.wavesLimit;
  shared.ErrorLimitInWaves = true;
}

bool ChooseAmount(const std::string& text, SharedValues& shared) {
  // An amount that does not read as a number changes nothing: the previous
  // limit stays in force whole, value and mode, rather than a wave count
  // being taken for a spacing error.
  const auto amount = ReadNumber(text);
  if (!amount) return false;
  shared.ErrorLimit = *amount;
  shared.ErrorLimitInWaves = false;
  return true;
}

bool ExplorationStaysChecked(const SharedValues& shared) {
  return !(shared.ErrorLimit == 0 && !shared.ErrorLimitInWaves);
}

void ErrorExploreDialog::Open(ErrorExploreView& view, bool inchUnits) {
  view_ = &view;
  editingAmount_ = false;

  // A typed amount is shown again; a waves choice leaves the amount box at
  // its initial text.
  if (shared_.ErrorLimit != 0 && chosenErrorOption_ == kAmountOption) {
    view.SetSpecErrorText(GeneralNumber(shared_.ErrorLimit));
  } else {
    view.SetSpecErrorText(kSpecErrorInitialText);
  }

  // Selecting the option runs its choice, so opening alone already sets the
  // limit (the 0.125-wave option at the first opening).
  view.SelectOption(chosenErrorOption_);
  OptionChosen(chosenErrorOption_);

  // The amount is in the unit the main window shows now; it is not converted
  // if the units change later.
  view.SetUnitCaption(inchUnits ? "\"" : "mm");
}

void ErrorExploreDialog::OptionChosen(int index) {
  if (view_ == nullptr || index < 0 || index >= kErrorOptionCount) return;
  const ErrorOption& option = kErrorOptions[index];
  if (option.inWaves) {
    ChooseWavesOption(option, shared_);
  } else if (!ChooseAmount(view_->SpecErrorText(), shared_)) {
    return;  // the amount check reports it
  }
  chosenErrorOption_ = index;
}

void ErrorExploreDialog::SpecErrorFocusIn() {
  if (view_ == nullptr) return;
  editingAmount_ = true;
  view_->SelectOption(kAmountOption);
  OptionChosen(kAmountOption);
}

bool ErrorExploreDialog::CheckAmount() {
  if (ReadNumber(view_->SpecErrorText())) {
    view_->SelectOption(kAmountOption);
    OptionChosen(kAmountOption);
    return true;
  }
  view_->ShowMessage(kAppTitle, kNotNumericMessage);
  view_->FocusSpecError();
  return false;
}

void ErrorExploreDialog::SpecErrorFocusOut() {
  if (view_ == nullptr) return;
  editingAmount_ = false;
  CheckAmount();
}

void ErrorExploreDialog::OkClicked() {
  if (view_ == nullptr) return;
  // OK pressed with the Enter key while the amount box still has the focus:
  // no focus change has checked the typed amount yet, so check it now. A
  // non-number keeps the dialog open on the amount box.
  if (editingAmount_) {
    if (!CheckAmount()) return;
    editingAmount_ = false;
  }
  if (!ExplorationStaysChecked(shared_)) view_->ClearQtrWaveCheck();
  ErrorExploreView* view = view_;
  view_ = nullptr;
  view->Close();
}

void ErrorExploreDialog::CancelClicked() {
  if (view_ == nullptr) return;
  // Cancel does not undo the choice; it only takes the check back, so no
  // exploration runs until the box is checked again.
  view_->ClearQtrWaveCheck();
  ErrorExploreView* view = view_;
  view_ = nullptr;
  view->Close();
}

void ErrorExploreDialog::FrameClosed() {
  view_ = nullptr;
  editingAmount_ = false;
}

}  // namespace vn
