// The error-exploration dialog: what each opening, choice, check and way of
// closing does to the exploration limit and to the main window's check box.
// The wave limits are the five options' own (0.25, 0.125, 0.1, 0.05 waves,
// then the typed amount); the amounts are the typed texts.
#include "tolerance/error_explore_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "common/app_info.h"

namespace vn {
namespace {

// The dialog window as a test sees it; a fresh one per opening, with the
// initial texts of a new window.
struct FakeErrorView : ErrorExploreView {
  int selected = -1, focusRequests = 0;
  std::string specError = "0.1", unitCaption;
  std::vector<std::string> messages;
  bool checkCleared = false, closed = false;

  void SelectOption(int index) override { selected = index; }
  std::string SpecErrorText() override { return specError; }
  void SetSpecErrorText(const std::string& text) override { specError = text; }
  void SetUnitCaption(const std::string& caption) override { unitCaption = caption; }
  void ShowMessage(const std::string& title, const std::string& text) override {
    messages.push_back(title + ": " + text);
  }
  void FocusSpecError() override { ++focusRequests; }
  void ClearQtrWaveCheck() override { checkCleared = true; }
  void Close() override { closed = true; }
};

// The program's one dialog over start-up shared values (limit 0, amount mode).
struct Bench {
  SharedValues shared;
  ErrorExploreDialog dialog{shared};
  FakeErrorView& Open(bool inch = false) {
    view = FakeErrorView();
    dialog.Open(view, inch);
    return view;
  }
  // The user types into Spec_Error: focus in, new text, focus out.
  void Type(const std::string& text) {
    dialog.SpecErrorFocusIn();
    view.specError = text;
    dialog.SpecErrorFocusOut();
  }
  FakeErrorView view;
};

// The first opening chooses 1/8 wave, and OK at once keeps it. A typed amount
// comes back at the next opening in general number form, in that opening's
// unit; a waves option chosen last comes back with the box's initial text.
TEST(ErrorExploreDialog, ChoiceIsRememberedForTheNextOpening) {
  Bench b;
  FakeErrorView& v = b.Open();
  EXPECT_EQ(v.selected, 1);
  EXPECT_EQ(v.specError, "0.1");
  EXPECT_EQ(v.unitCaption, "mm");
  b.dialog.OkClicked();
  EXPECT_TRUE(v.closed && !v.checkCleared);
  EXPECT_EQ(b.shared.ErrorLimit, 0.125);
  EXPECT_TRUE(b.shared.ErrorLimitInWaves);

  b.Open();
  b.Type(" 5E-1 ");               // 0.5, as a user may type it
  EXPECT_EQ(b.view.selected, 4);  // focusing the amount box selects its option
  b.dialog.OkClicked();
  EXPECT_EQ(b.shared.ErrorLimit, 0.5);
  EXPECT_FALSE(b.shared.ErrorLimitInWaves);
  b.Open(true);
  EXPECT_EQ(v.selected, 4);
  EXPECT_EQ(v.specError, "0.5");
  EXPECT_EQ(v.unitCaption, "\"");
  b.dialog.OptionChosen(2);
  b.dialog.OkClicked();
  b.Open();
  EXPECT_EQ(v.selected, 2);
  EXPECT_EQ(v.specError, "0.1");
  EXPECT_EQ(b.shared.ErrorLimit, 0.1);
  EXPECT_TRUE(b.shared.ErrorLimitInWaves);
}

// Cancel takes the check back but the choice stands for the next opening; an
// amount of zero, however typed, takes the check back on OK.
TEST(ErrorExploreDialog, CancelAndZeroAmountTakeTheCheckBack) {
  Bench b;
  b.Open();
  b.dialog.OptionChosen(3);
  b.dialog.CancelClicked();
  EXPECT_TRUE(b.view.checkCleared && b.view.closed);
  EXPECT_EQ(b.shared.ErrorLimit, 0.05);
  for (const char* zero : {"0", "-0", "0.000"}) {
    b.Open();
    b.Type(zero);
    b.dialog.OkClicked();
    EXPECT_TRUE(b.view.checkCleared && b.view.closed) << zero;
    EXPECT_EQ(b.shared.ErrorLimit, 0) << zero;
  }
}

// A text that is no finite number (1e999 overflows) brings the exact message
// and leaves the limit typed before, 0.5.
TEST(ErrorExploreDialog, NonNumericAmountIsReportedAndChangesNothing) {
  Bench b;
  b.Open();
  b.Type("0.5");
  for (const char* bad : {"", "half", "0,5", "1e999"}) {
    b.Type(bad);
    EXPECT_EQ(b.shared.ErrorLimit, 0.5) << bad;
  }
  EXPECT_EQ(b.view.messages,
            std::vector<std::string>(
                4, std::string(kAppTitle) + ": Error margin data is not a numerical value!"));
  EXPECT_EQ(b.view.focusRequests, 4);  // the focus goes back each time
  // The amount option clicked while its box holds garbage keeps a wave limit a
  // wave limit: 0.25 waves must not become a 0.25 spacing error.
  b.dialog.OptionChosen(0);
  b.dialog.OptionChosen(4);
  EXPECT_EQ(b.shared.ErrorLimit, 0.25);
  EXPECT_TRUE(b.shared.ErrorLimitInWaves);
  // OK is the default button: Enter in the amount box sends no focus-out, so
  // OK checks the text itself and stays open on a non-number.
  b.dialog.SpecErrorFocusIn();
  b.view.specError = "lots";
  b.dialog.OkClicked();
  EXPECT_FALSE(b.view.closed);
  b.view.specError = "0.75";
  b.dialog.OkClicked();
  EXPECT_TRUE(b.view.closed);
  EXPECT_EQ(b.shared.ErrorLimit, 0.75);
}

// Closing the frame keeps the check, even with an amount of zero; events after
// the window has gone change nothing.
TEST(ErrorExploreDialog, FrameCloseKeepsTheCheckAndTheChoice) {
  Bench b;
  b.Open();
  b.Type("0");
  b.dialog.FrameClosed();
  b.dialog.OkClicked();
  EXPECT_FALSE(b.view.checkCleared);
  EXPECT_EQ(b.shared.ErrorLimit, 0);
  EXPECT_FALSE(b.shared.ErrorLimitInWaves);
}

}  // namespace
}  // namespace vn
