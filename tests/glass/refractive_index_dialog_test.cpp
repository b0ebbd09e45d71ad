// The refractive-index dialog's behaviour through a fake window: openings,
// list and catalog clicks, the wavelength entry, OK, Cancel and the close
// control, and what carries over between openings.
//
// Expected index texts come from the catalog rows by the dispersion formula,
// computed independently of this program and rounded to the five decimals the
// dialog shows (BK7 at 632.8 nm: 1.5150885 → "1.51509", the catalog's
// reference value).
#include "glass/refractive_index_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/app_info.h"
#include "common/shared_values.h"

namespace vn {
namespace {

using Label = RefractiveIndexLabel;

// The window as the logic sees it; the lists behave like the drop-down lists
// (a selection only within the entries, −1 for none, cleared by a refill).
class FakeView : public RefractiveIndexView {
 public:
  void ClearList(GlassCatalog list) override {
    entries[Index(list)].clear();
    selected[Index(list)] = -1;
  }
  void AddListItem(GlassCatalog list, const std::string& name) override {
    entries[Index(list)].push_back(name);
  }
  int SelectedPosition(GlassCatalog list) const override { return selected[Index(list)]; }
  void SelectPosition(GlassCatalog list, int position) override {
    if (position < -1 || position >= static_cast<int>(entries[Index(list)].size())) {
      ADD_FAILURE() << "list position " << position << " out of range";
      return;
    }
    selected[Index(list)] = position;
  }
  void EnableList(GlassCatalog list, bool enabled) override {
    this->enabled[Index(list)] = enabled;
  }
  void SelectCatalogOption(GlassCatalog catalog) override { option = catalog; }
  void SetCaption(RefractiveIndexLabel label, const std::string& caption) override {
    captions[label] = caption;
  }
  void ShowWarning(bool shown) override { warning = shown; }
  std::string WavelengthText() const override { return wave; }
  void SetWavelengthText(const std::string& text) override { wave = text; }
  void FocusWavelength() override { ++focusCount; }
  void ShowMessage(const std::string& title, const std::string& text) override {
    messages.emplace_back(title, text);
  }
  void SetLensIndexText(const std::string& text) override { lindexR = text; }
  void CloseDialog() override { closed = true; }

  // What a user does: pick a list entry by name and click it.
  void Choose(RefractiveIndexDialog& dialog, GlassCatalog list, const std::string& name) {
    const auto& names = entries[Index(list)];
    const auto at = std::find(names.begin(), names.end(), name);
    ASSERT_NE(at, names.end()) << name;
    selected[Index(list)] = static_cast<int>(at - names.begin());
    dialog.ListClicked(*this, list);
  }
  void ClickCatalog(RefractiveIndexDialog& dialog, GlassCatalog catalog) {
    option = catalog;
    dialog.CatalogClicked(*this, catalog);
  }
  void EnterWavelength(RefractiveIndexDialog& dialog, const std::string& text) {
    wave = text;
    dialog.WavelengthEntered(*this);
  }
  std::string SelectedName(GlassCatalog list) const {
    const int p = selected[Index(list)];
    return p < 0 ? "" : entries[Index(list)][static_cast<std::size_t>(p)];
  }

  static int Index(GlassCatalog list) { return static_cast<int>(list); }

  std::vector<std::string> entries[2];
  int selected[2] = {-1, -1};
  bool enabled[2] = {true, true};
  GlassCatalog option = GlassCatalog::Schott;
  std::map<RefractiveIndexLabel, std::string> captions;
  bool warning = false;
  std::string wave = "632.8";  // the design text of txt_Wave
  int focusCount = 0;
  std::vector<std::pair<std::string, std::string>> messages;
  std::string lindexR = "1.51509";  // the main window's default lens index
  bool closed = false;
};

// The program's lifetime: shared values, catalogs and the one dialog instance.
// Each opening gets a new window, as a dialog built for each opening would.
struct Program {
  SharedValues shared;
  GlassCatalogs catalogs;
  RefractiveIndexDialog dialog{shared, catalogs};

  FakeView& Open() {
    windows.emplace_back(std::make_unique<FakeView>());
    FakeView& view = *windows.back();
    view.lindexR = lindexR;
    dialog.Open(view);
    return view;
  }
  // The main window's LindexR outlives each dialog window.
  void Closed(const FakeView& view) { lindexR = view.lindexR; }

  std::vector<std::unique_ptr<FakeView>> windows;
  std::string lindexR = "1.51509";
};

constexpr const char* kLabel1 = "Test Wave Legth (nm)\r\n{Press enter key to update}";

TEST(RefractiveIndexDialog, FirstOpeningShowsBK7AtHeliumNeon) {
  Program program;
  int yields = 0;
  FakeView view;
  program.dialog.Open(view, [&] { ++yields; });

  EXPECT_EQ(yields, 3);  // one per catalog load, one before showing
  EXPECT_EQ(view.entries[0].size(), 241u);
  EXPECT_EQ(view.entries[1].size(), 276u);
  EXPECT_EQ(view.option, GlassCatalog::Schott);
  EXPECT_TRUE(view.enabled[0]);
  EXPECT_FALSE(view.enabled[1]);
  EXPECT_EQ(view.SelectedName(GlassCatalog::Schott), "BK7");
  EXPECT_EQ(view.selected[1], -1);
  EXPECT_EQ(view.wave, "632.8");
  EXPECT_EQ(view.captions[Label::GlassData], "Schott BK7   Nd=1.5168   V=64.142");
  EXPECT_EQ(view.captions[Label::Glass], "Glass Type = Schott BK7 at 632.8nm");
  EXPECT_EQ(view.captions[Label::RiN], "Effective Index of Refraction = 1.51509");
  EXPECT_EQ(view.captions[Label::Label1], kLabel1);
  EXPECT_FALSE(view.warning);
  EXPECT_TRUE(view.messages.empty());
  EXPECT_TRUE(program.dialog.DialogOpen);
  EXPECT_EQ(program.dialog.SchottPosition, RefractiveIndexDialog::kNeverChosen);
  EXPECT_EQ(program.catalogs.CurrentGlass.Name, "BK7");
  EXPECT_EQ(program.catalogs.CurrentGlassIndex, 49);

  view.lindexR = "1.5";
  program.dialog.OkClicked(view);
  EXPECT_EQ(view.lindexR, "1.51509");
  EXPECT_TRUE(view.closed);
  EXPECT_FALSE(program.dialog.DialogOpen);
  EXPECT_EQ(program.dialog.SchottPosition, 49);
  EXPECT_EQ(program.dialog.OharaPosition, -1);
  EXPECT_EQ(program.shared.GlassName, "BK7");
  EXPECT_EQ(program.shared.TestWavelength, 632.8 * 0.001);
}

// The warning marks glasses a lens file cannot name for OSLO: a final "*" in
// Schott, no "O_" prefix in Ohara.
TEST(RefractiveIndexDialog, WarningFollowsTheNameMarks) {
  Program program;
  FakeView& view = program.Open();
  view.Choose(program.dialog, GlassCatalog::Schott, "FK1*");
  EXPECT_TRUE(view.warning);
  EXPECT_EQ(view.captions[Label::GlassData], "Schott FK1*   Nd=1.4707   V=67.311");
  EXPECT_EQ(view.captions[Label::RiN],
            "Effective Index of Refraction = 1.4692");  // 1.46920 shown without its zero
  EXPECT_EQ(program.shared.GlassName, "FK1*");
  view.Choose(program.dialog, GlassCatalog::Schott, "LaFN2*1");  // "*" not last
  EXPECT_FALSE(view.warning);
  view.Choose(program.dialog, GlassCatalog::Schott, "BK7");
  EXPECT_FALSE(view.warning);

  // First switch to Ohara: position 0, BSL1, which is not in OSLO's list.
  view.ClickCatalog(program.dialog, GlassCatalog::Ohara);
  EXPECT_TRUE(view.enabled[1]);
  EXPECT_FALSE(view.enabled[0]);
  EXPECT_EQ(view.SelectedName(GlassCatalog::Ohara), "BSL1");
  EXPECT_TRUE(view.warning);
  EXPECT_EQ(view.captions[Label::Glass], "Glass Type = Ohara BSL1 at 632.8nm");
  EXPECT_EQ(view.captions[Label::RiN], "Effective Index of Refraction = 1.50839");
  EXPECT_EQ(program.dialog.CatalogChoice, 1);
  view.Choose(program.dialog, GlassCatalog::Ohara, "O_BSL3");
  EXPECT_FALSE(view.warning);
  EXPECT_EQ(view.captions[Label::GlassData], "Ohara O_BSL3   Nd=1.4983   V=65.023");
  EXPECT_EQ(program.shared.GlassName, "O_BSL3");
}

TEST(RefractiveIndexDialog, WavelengthEntry) {
  Program program;
  FakeView& view = program.Open();

  // Both ends of 350-850 nm are accepted.
  view.EnterWavelength(program.dialog, "350");
  EXPECT_EQ(view.captions[Label::Glass], "Glass Type = Schott BK7 at 350nm");
  EXPECT_EQ(view.captions[Label::RiN], "Effective Index of Refraction = 1.53916");  // 1.5391621
  EXPECT_EQ(program.shared.TestWavelength, 350 * 0.001);
  view.EnterWavelength(program.dialog, "850");
  EXPECT_EQ(view.captions[Label::RiN], "Effective Index of Refraction = 1.50984");  // 1.5098437
  EXPECT_TRUE(view.messages.empty());

  // Refused texts: a message with the program's title, the focus back in the
  // box, and the result and shared values as they were.
  const std::pair<const char*, const char*> refused[] = {
      {"349.9", "Wavelength needs to be between 350 to 850nm"},
      {"850.1", "Wavelength needs to be between 350 to 850nm"},
      {"abc", "wave length data must be a numeric value!"},
  };
  for (const auto& [text, message] : refused) {
    view.EnterWavelength(program.dialog, "850");
    view.Choose(program.dialog, GlassCatalog::Schott, "BK7");
    view.messages.clear();
    const int focusBefore = view.focusCount;
    view.wave = text;
    view.Choose(program.dialog, GlassCatalog::Schott,
                "F2");  // the data line still follows the click
    ASSERT_EQ(view.messages.size(), 1u) << text;
    EXPECT_EQ(view.messages[0], std::make_pair(std::string(kAppTitle), std::string(message)));
    EXPECT_EQ(view.focusCount, focusBefore + 1) << text;
    EXPECT_EQ(view.captions[Label::GlassData], "Schott F2   Nd=1.62   V=36.351") << text;
    EXPECT_EQ(view.captions[Label::Glass], "Glass Type = Schott BK7 at 850nm") << text;
    EXPECT_EQ(view.captions[Label::RiN], "Effective Index of Refraction = 1.50984") << text;
    EXPECT_EQ(program.dialog.IndexText, "1.50984") << text;
    EXPECT_EQ(program.shared.GlassName, "BK7") << text;
    EXPECT_EQ(program.shared.TestWavelength, 850 * 0.001) << text;
  }

  // OK with a refused wavelength still closes and sends the last accepted
  // index, which belongs to the glass and wavelength in force.
  view.messages.clear();
  program.dialog.OkClicked(view);
  EXPECT_EQ(view.messages.size(), 1u);
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(view.lindexR, "1.50984");
}

TEST(RefractiveIndexDialog, WavelengthCarriesToTheNextOpening) {
  Program program;
  FakeView& first = program.Open();
  first.EnterWavelength(program.dialog, "546.1");
  EXPECT_EQ(first.captions[Label::RiN],
            "Effective Index of Refraction = 1.51872");  // BK7 at 546.1 nm: 1.5187194
  program.dialog.OkClicked(first);
  program.Closed(first);
  EXPECT_EQ(program.lindexR, "1.51872");
  EXPECT_EQ(program.shared.TestWavelength, 546.1 * 0.001);
  EXPECT_EQ(program.shared.GlassName, "BK7");

  FakeView& second = program.Open();
  EXPECT_EQ(second.wave, "546.1");
  EXPECT_EQ(second.captions[Label::Glass], "Glass Type = Schott BK7 at 546.1nm");
  EXPECT_EQ(second.SelectedName(GlassCatalog::Schott), "BK7");
}

TEST(RefractiveIndexDialog, CancelAndCloseControlPutTheOpeningChoiceBack) {
  Program program;

  // Another glass, then Cancel.
  FakeView& first = program.Open();
  first.lindexR = "1.6";
  first.Choose(program.dialog, GlassCatalog::Schott, "F2");
  first.EnterWavelength(program.dialog, "500");
  EXPECT_EQ(program.shared.GlassName, "F2");
  program.dialog.CancelClicked(first);
  EXPECT_TRUE(first.closed);
  EXPECT_EQ(first.lindexR, "1.6");
  EXPECT_EQ(program.shared.GlassName, "BK7");
  EXPECT_EQ(program.shared.TestWavelength, 0.6328);
  EXPECT_EQ(program.dialog.IndexText, "1.51509");
  EXPECT_FALSE(program.dialog.DialogOpen);
  EXPECT_EQ(program.dialog.SchottPosition, 55);  // the list position is kept all the same

  // Only the wavelength changed: Cancel puts it back too.
  FakeView& second = program.Open();
  EXPECT_EQ(program.shared.GlassName, "F2");  // reopened on the kept position
  program.dialog.CancelClicked(second);
  FakeView& third = program.Open();
  third.EnterWavelength(program.dialog, "700");
  program.dialog.CancelClicked(third);
  EXPECT_EQ(program.shared.TestWavelength, 0.6328);
  EXPECT_EQ(program.dialog.IndexText, "1.51509");

  // The window's close control: the same as Cancel; list positions kept.
  FakeView& fourth = program.Open();
  fourth.Choose(program.dialog, GlassCatalog::Schott, "SF11");
  program.dialog.Closing(fourth);
  EXPECT_FALSE(fourth.closed);  // the window closes itself
  EXPECT_FALSE(program.dialog.DialogOpen);
  EXPECT_EQ(program.shared.GlassName, "BK7");
  EXPECT_EQ(program.shared.TestWavelength, 0.6328);
  EXPECT_EQ(fourth.lindexR, "1.51509");
  EXPECT_EQ(program.dialog.SchottPosition, fourth.selected[0]);

  // A second close notice from the window after OK changes nothing.
  FakeView& fifth = program.Open();
  program.dialog.OkClicked(fifth);
  const int kept = program.dialog.SchottPosition;
  fifth.selected[0] = 0;
  program.dialog.Closing(fifth);
  EXPECT_EQ(program.dialog.SchottPosition, kept);
}

TEST(RefractiveIndexDialog, ReopensOnTheLastCatalogAndPositions) {
  Program program;
  FakeView& first = program.Open();
  first.ClickCatalog(program.dialog, GlassCatalog::Ohara);
  first.Choose(program.dialog, GlassCatalog::Ohara, "O_BSL3");
  program.dialog.OkClicked(first);
  EXPECT_EQ(first.lindexR, "1.49668");  // O_BSL3 at 632.8 nm: 1.4966788
  EXPECT_EQ(program.dialog.OharaPosition, 49);
  EXPECT_EQ(program.dialog.SchottPosition, 49);  // BK7 stayed selected in the disabled list

  FakeView& second = program.Open();
  EXPECT_EQ(second.option, GlassCatalog::Ohara);
  EXPECT_TRUE(second.enabled[1]);
  EXPECT_FALSE(second.enabled[0]);
  EXPECT_EQ(second.SelectedName(GlassCatalog::Ohara), "O_BSL3");
  EXPECT_EQ(second.selected[0], -1);  // the refilled Schott list was never selected
  EXPECT_EQ(second.captions[Label::Glass], "Glass Type = Ohara O_BSL3 at 632.8nm");
  program.dialog.OkClicked(second);
  EXPECT_EQ(program.dialog.SchottPosition, -1);

  // Switching to a Schott list kept without a selection shows nothing new.
  FakeView& third = program.Open();
  third.ClickCatalog(program.dialog, GlassCatalog::Schott);
  EXPECT_EQ(third.selected[0], -1);
  EXPECT_EQ(program.catalogs.CurrentGlassIndex, -1);
  EXPECT_EQ(program.dialog.CatalogChoice, 0);
  EXPECT_EQ(third.captions[Label::Glass], "Glass Type = Ohara O_BSL3 at 632.8nm");
  EXPECT_EQ(third.captions[Label::RiN], "Effective Index of Refraction = 1.49668");
  EXPECT_EQ(program.shared.GlassName, "O_BSL3");
  EXPECT_TRUE(third.messages.empty());
  program.dialog.OkClicked(third);
  EXPECT_EQ(third.lindexR, "1.49668");
}

// Cancel keeps the index text with the glass it puts back, so that an OK that
// computes nothing (a list without a selection) cannot send the index of a
// cancelled glass.
TEST(RefractiveIndexDialog, CancelledIndexIsNeverSent) {
  Program program;
  FakeView& first = program.Open();
  first.ClickCatalog(program.dialog, GlassCatalog::Ohara);  // BSL1
  program.dialog.OkClicked(first);
  FakeView& second = program.Open();  // Ohara again; the Schott list stays unselected
  program.dialog.OkClicked(second);
  ASSERT_EQ(program.dialog.SchottPosition, -1);

  FakeView& third = program.Open();
  third.Choose(program.dialog, GlassCatalog::Ohara, "O_BSL3");
  third.ClickCatalog(program.dialog, GlassCatalog::Schott);  // no selection: nothing shown
  program.dialog.CancelClicked(third);
  EXPECT_EQ(program.shared.GlassName, "BSL1");
  EXPECT_EQ(program.dialog.IndexText, "1.50839");  // BSL1 at 632.8 nm: 1.5083930

  FakeView& fourth = program.Open();  // Schott, no selection: nothing computed
  EXPECT_EQ(fourth.selected[0], -1);
  program.dialog.OkClicked(fourth);
  EXPECT_EQ(fourth.lindexR, "1.50839");
  EXPECT_EQ(program.shared.GlassName, "BSL1");
}

}  // namespace
}  // namespace vn
