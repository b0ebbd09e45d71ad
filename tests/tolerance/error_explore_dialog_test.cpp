// The error-exploration dialog: what each opening, choice, check and way of
// closing does to the exploration limit and to the main window's check box.
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
class FakeErrorView : public ErrorExploreView {
 public:
  int selected = -1;
  std::string specError = "0.1";
  std::string unitCaption;
  std::vector<std::pair<std::string, std::string>> messages;
  int focusRequests = 0;
  bool checkCleared = false;
  bool closed = false;

  void SelectOption(int index) override { selected = index; }
  std::string SpecErrorText() override { return specError; }
  void SetSpecErrorText(const std::string& text) override { specError = text; }
  void SetUnitCaption(const std::string& caption) override { unitCaption = caption; }
  void ShowMessage(const std::string& title, const std::string& text) override {
    messages.emplace_back(title, text);
  }
  void FocusSpecError() override { ++focusRequests; }
  void ClearQtrWaveCheck() override { checkCleared = true; }
  void Close() override { closed = true; }
};

// The user types into Spec_Error: focus in, new text, focus out.
void TypeAmount(ErrorExploreDialog& dialog, FakeErrorView& view, const std::string& text) {
  dialog.SpecErrorFocusIn();
  view.specError = text;
  dialog.SpecErrorFocusOut();
}

TEST(ErrorExploreDialog, FirstOpeningChoosesTheEighthWave) {
  SharedValues shared;  // start-up values: 0, amount mode
  ErrorExploreDialog dialog(shared);
  FakeErrorView view;
  dialog.Open(view, false);
  EXPECT_EQ(view.selected, 1);
  EXPECT_EQ(view.specError, "0.1");
  EXPECT_EQ(view.unitCaption, "mm");
  dialog.OkClicked();  // at once: opening alone has set the limit
  EXPECT_TRUE(view.closed);
  EXPECT_FALSE(view.checkCleared);
  EXPECT_EQ(shared.ErrorLimit, 0.125);
  EXPECT_TRUE(shared.ErrorLimitInWaves);
}

TEST(ErrorExploreDialog, ChoiceIsRememberedForTheNextOpening) {
  SharedValues shared;
  ErrorExploreDialog dialog(shared);
  FakeErrorView first;
  dialog.Open(first, false);
  TypeAmount(dialog, first, " 5E-1 ");  // 0.5, as a user may type it
  EXPECT_EQ(first.selected, 4);         // focusing the amount box selects its option
  dialog.OkClicked();
  EXPECT_EQ(shared.ErrorLimit, 0.5);
  EXPECT_FALSE(shared.ErrorLimitInWaves);

  // The amount comes back in general number form, in the unit of this
  // opening (it is not converted).
  FakeErrorView second;
  dialog.Open(second, true);
  EXPECT_EQ(second.selected, 4);
  EXPECT_EQ(second.specError, "0.5");
  EXPECT_EQ(second.unitCaption, "\"");
  EXPECT_EQ(shared.ErrorLimit, 0.5);
  dialog.OptionChosen(2);  // the 0.1-wave option last
  dialog.OkClicked();

  FakeErrorView third;
  dialog.Open(third, false);
  EXPECT_EQ(third.selected, 2);
  EXPECT_EQ(third.specError, "0.1");
  EXPECT_EQ(shared.ErrorLimit, 0.1);
  EXPECT_TRUE(shared.ErrorLimitInWaves);
  const double waves[] = {0.25, 0.125, 0.1, 0.05};
  for (int i = 0; i < 4; ++i) {
    dialog.OptionChosen(i);
    EXPECT_EQ(shared.ErrorLimit, waves[i]) << "option " << i;
  }
}

TEST(ErrorExploreDialog, AmountConfirmedWithEnterIsChecked) {
  // OK as the default button: the amount box keeps the focus, so no
  // focus-out has checked the typed text before OK.
  SharedValues shared;
  ErrorExploreDialog dialog(shared);
  FakeErrorView view;
  dialog.Open(view, false);
  dialog.SpecErrorFocusIn();
  view.specError = "lots";
  dialog.OkClicked();  // a non-number: the message, and the dialog stays
  EXPECT_FALSE(view.closed);
  EXPECT_EQ(view.messages.size(), 1u);
  view.specError = "0.75";
  dialog.SpecErrorFocusIn();
  dialog.OkClicked();
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(shared.ErrorLimit, 0.75);
}

TEST(ErrorExploreDialog, CancelAndZeroAmountTakeTheCheckBack) {
  SharedValues shared;
  ErrorExploreDialog dialog(shared);
  FakeErrorView cancelled;
  dialog.Open(cancelled, false);
  dialog.OptionChosen(3);
  dialog.CancelClicked();
  EXPECT_TRUE(cancelled.checkCleared && cancelled.closed);
  EXPECT_EQ(shared.ErrorLimit, 0.05);  // the choice stands for the next opening
  EXPECT_TRUE(shared.ErrorLimitInWaves);

  for (const char* zero : {"0", "-0", "0.000"}) {
    FakeErrorView view;
    dialog.Open(view, false);
    TypeAmount(dialog, view, zero);
    dialog.OkClicked();
    EXPECT_TRUE(view.checkCleared && view.closed) << zero;
    EXPECT_EQ(shared.ErrorLimit, 0);
  }
}

TEST(ErrorExploreDialog, NonNumericAmountIsReportedAndChangesNothing) {
  SharedValues shared;
  ErrorExploreDialog dialog(shared);
  FakeErrorView view;
  dialog.Open(view, false);
  TypeAmount(dialog, view, "0.5");
  for (const char* bad : {"", "half", "0,5", "1e999"}) {
    TypeAmount(dialog, view, bad);
    EXPECT_EQ(shared.ErrorLimit, 0.5) << bad;
  }
  ASSERT_EQ(view.messages.size(), 4u);
  EXPECT_EQ(view.messages[0],
            std::make_pair(std::string(kAppTitle),
                           std::string("Error margin data is not a numerical value!")));
  EXPECT_EQ(view.focusRequests, 4);  // the focus goes back each time

  // The amount option clicked while its box holds garbage keeps a wave limit
  // a wave limit: 0.25 waves must not become a 0.25 spacing error.
  dialog.OptionChosen(0);
  dialog.OptionChosen(4);
  EXPECT_EQ(shared.ErrorLimit, 0.25);
  EXPECT_TRUE(shared.ErrorLimitInWaves);
  EXPECT_EQ(dialog.ChosenErrorOption(), 0);
}

TEST(ErrorExploreDialog, FrameCloseKeepsTheCheckAndTheChoice) {
  SharedValues shared;
  ErrorExploreDialog dialog(shared);
  FakeErrorView view;
  dialog.Open(view, false);
  TypeAmount(dialog, view, "0");
  dialog.FrameClosed();  // even an amount of zero stands, the box stays checked
  dialog.OkClicked();    // events after the window has gone change nothing
  EXPECT_FALSE(view.checkCleared);
  EXPECT_EQ(shared.ErrorLimit, 0);
  EXPECT_FALSE(shared.ErrorLimitInWaves);
  EXPECT_EQ(dialog.ChosenErrorOption(), 4);
}

}  // namespace
}  // namespace vn
