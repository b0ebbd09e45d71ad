// The error-exploration dialog: what each opening, choice, check and way of
// closing does to the exploration limit and to the main window's check box.
// The wave limits are the five options' own (0.25, 0.125, 0.1, 0.05 waves,
// then the typed amount); the amounts are the typed texts.
#include "spacing_error_dialog/error_explore_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "common/app_info.h"

namespace vn {
namespace {

using namespace std::string_literals;

// The dialog window as a test sees it, with the initial texts of a new window.
struct FakeErrorView : ErrorExploreView {
  int selected = -1, focusRequests = 0;
  std::string specError = "0.1", unitCaption, messages;
  bool checkCleared = false, closed = false;

  void SelectOption(int index) override { selected = index; }
  std::string SpecErrorText() override { return specError; }
  void SetSpecErrorText(const std::string& text) override { specError = text; }
  void SetUnitCaption(const std::string& caption) override { unitCaption = caption; }
  void ShowMessage(const std::string& t, const std::string& s) override { messages += t + s; }
  void FocusSpecError() override { ++focusRequests; }
  void ClearQtrWaveCheck() override { checkCleared = true; }
  void Close() override { closed = true; }
};

// The program's one dialog over start-up shared values (limit 0, amount mode),
// and a fresh window per opening.
struct Bench : FakeErrorView {
  SharedValues shared;
  ErrorExploreDialog dialog{shared};
  Bench& Open(bool inch = false) {
    static_cast<FakeErrorView&>(*this) = FakeErrorView(), dialog.Open(*this, inch);
    return *this;
  }
  // The user types into Spec_Error: focus in, new text, focus out.
  void Type(const std::string& t) {
    dialog.SpecErrorFocusIn(), specError = t, dialog.SpecErrorFocusOut();
  }
  std::string Shown() const { return std::to_string(selected) + " " + specError + unitCaption; }
  // The limit, whether it is in waves, whether the window closed and the check was cleared.
  auto State() const {
    return std::tuple(shared.ErrorLimit, shared.ErrorLimitInWaves, closed, checkCleared);
  }
};

// The first opening chooses 1/8 wave, and OK at once keeps it. A typed amount
// comes back at the next opening in general number form, in that opening's
// unit; a waves option chosen last comes back with the box's initial text.
TEST(ErrorExploreDialog, ChoiceIsRememberedForTheNextOpening) {
  Bench b;
  EXPECT_EQ(b.Open().Shown(), "1 0.1mm");
  b.dialog.OkClicked();
  EXPECT_EQ(b.State(), std::tuple(0.125, true, true, false));
  b.Open().Type(" 5E-1 ");   // 0.5, as a user may type it
  EXPECT_EQ(b.selected, 4);  // focusing the amount box selects its option
  b.dialog.OkClicked();
  EXPECT_EQ(b.State(), std::tuple(0.5, false, true, false));
  EXPECT_EQ(b.Open(true).Shown(), "4 0.5\"");
  b.dialog.OptionChosen(2);
  b.dialog.OkClicked();
  EXPECT_EQ(b.Open().Shown(), "2 0.1mm");
  EXPECT_EQ(b.State(), std::tuple(0.1, true, false, false));
}

// Cancel takes the check back but the choice stands; an amount of zero,
// however typed, takes the check back on OK. Closing the frame keeps the
// check, even with an amount of zero, and OK after the window has gone
// changes nothing.
TEST(ErrorExploreDialog, CancelAndZeroAmountTakeTheCheckBackAndTheFrameDoesNot) {
  Bench b;
  b.Open().dialog.OptionChosen(3);
  b.dialog.CancelClicked();
  EXPECT_EQ(b.State(), std::tuple(0.05, true, true, true));
  for (const char* zero : {"0", "-0", "0.000"}) {
    b.Open().Type(zero);
    b.dialog.OkClicked();
    EXPECT_EQ(b.State(), std::tuple(0.0, false, true, true)) << zero;
  }
  b.Open().Type("0");
  b.dialog.FrameClosed();
  b.dialog.OkClicked();
  EXPECT_EQ(b.State(), std::tuple(0.0, false, false, false));
}

// A text that is no finite number (1e999 overflows) brings the exact message,
// the focus back, and leaves the limit typed before, 0.5. OK is the default
// button: Enter in the amount box sends no focus-out, so OK checks the text
// itself and stays open on a non-number.
TEST(ErrorExploreDialog, NonNumericAmountIsReportedAndChangesNothing) {
  Bench b;
  b.Open().Type("0.5");
  for (const char* bad : {"", "half", "0,5", "1e999"}) b.Type(bad);
  std::string messages;
  for (int k = 0; k < 4; ++k)
    messages += kAppTitle + "Error margin data is not a numerical value!"s;
  EXPECT_EQ(b.messages, messages);
  EXPECT_EQ(b.focusRequests, 4);
  b.dialog.SpecErrorFocusIn();
  b.specError = "lots";
  b.dialog.OkClicked();
  EXPECT_EQ(b.State(), std::tuple(0.5, false, false, false));
}

}  // namespace
}  // namespace vn
