// The refractive-index dialog through a fake window: openings, list and
// catalog clicks, the wavelength entry, OK, Cancel, the close control, and
// what carries over between openings.
//
// Index texts come from the catalog rows by the dispersion formula, computed
// independently of this program and rounded to the dialog's five decimals
// (BK7 at 632.8 nm: 1.5150885 → "1.51509", the catalog's reference value).
#include "glass/refractive_index_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/app_info.h"

namespace vn {
namespace {

using Label = RefractiveIndexLabel;
constexpr GlassCatalog kSchott = GlassCatalog::Schott, kOhara = GlassCatalog::Ohara;
int At(GlassCatalog list) { return static_cast<int>(list); }

// The window as the logic sees it. As in the drop-down lists, a selection is
// −1 or an entry, and a refill clears it.
struct FakeView : RefractiveIndexView {
  std::vector<std::string> entries[2];
  int selected[2] = {-1, -1};
  bool enabled[2] = {true, true}, warning = false, closed = false;
  GlassCatalog option = kSchott;
  std::map<Label, std::string> captions;
  std::string wave = "632.8", lindexR = "1.51509";  // the design texts
  int focusCount = 0;
  std::vector<std::pair<std::string, std::string>> messages;

  void ClearList(GlassCatalog l) override { entries[At(l)].clear(), selected[At(l)] = -1; }
  void AddListItem(GlassCatalog l, const std::string& name) override {
    entries[At(l)].push_back(name);
  }
  int SelectedPosition(GlassCatalog l) const override { return selected[At(l)]; }
  void SelectPosition(GlassCatalog l, int p) override {
    ASSERT_TRUE(p >= -1 && p < static_cast<int>(entries[At(l)].size())) << p;
    selected[At(l)] = p;
  }
  void EnableList(GlassCatalog l, bool on) override { enabled[At(l)] = on; }
  void SelectCatalogOption(GlassCatalog c) override { option = c; }
  void SetCaption(Label label, const std::string& text) override { captions[label] = text; }
  void ShowWarning(bool shown) override { warning = shown; }
  std::string WavelengthText() const override { return wave; }
  void SetWavelengthText(const std::string& text) override { wave = text; }
  void FocusWavelength() override { ++focusCount; }
  void ShowMessage(const std::string& title, const std::string& text) override {
    messages.emplace_back(title, text);
  }
  void SetLensIndexText(const std::string& text) override { lindexR = text; }
  void CloseDialog() override { closed = true; }
  std::string Selected(GlassCatalog l) const {
    return selected[At(l)] < 0 ? "" : entries[At(l)][static_cast<std::size_t>(selected[At(l)])];
  }
};

// The program's lifetime: one dialog, a fresh window per opening, and the main
// window's LindexR carried over from the window before.
struct Program {
  SharedValues shared;
  GlassCatalogs catalogs;
  RefractiveIndexDialog dialog{shared, catalogs};
  FakeView v;

  FakeView& Open() {
    const std::string lindexR = v.lindexR;
    v = FakeView();
    v.lindexR = lindexR;
    dialog.Open(v);
    return v;
  }
  void Choose(GlassCatalog l, const std::string& name) {
    const auto& names = v.entries[At(l)];
    const auto at = std::find(names.begin(), names.end(), name);
    ASSERT_NE(at, names.end()) << name;
    v.selected[At(l)] = static_cast<int>(at - names.begin());
    dialog.ListClicked(v, l);
  }
  void ClickCatalog(GlassCatalog c) { v.option = c, dialog.CatalogClicked(v, c); }
  void Enter(const std::string& text) { v.wave = text, dialog.WavelengthEntered(v); }
  std::string Caption(Label label) { return v.captions[label]; }
};

// BK7 at the helium-neon line, 632.8 nm; nd and V are the catalog's figures.
TEST(RefractiveIndexDialog, FirstOpeningShowsBK7AtHeliumNeon) {
  Program p;
  FakeView& v = p.Open();
  EXPECT_TRUE(v.enabled[At(kSchott)] && !v.enabled[At(kOhara)]);
  EXPECT_EQ(v.Selected(kSchott), "BK7");
  EXPECT_EQ(p.Caption(Label::GlassData), "Schott BK7   Nd=1.5168   V=64.142");
  EXPECT_EQ(p.Caption(Label::Glass), "Glass Type = Schott BK7 at 632.8nm");
  EXPECT_EQ(p.Caption(Label::RiN), "Effective Index of Refraction = 1.51509");
  EXPECT_FALSE(v.warning);
  v.lindexR = "1.5";
  p.dialog.OkClicked(p.v);
  EXPECT_TRUE(v.closed);
  EXPECT_EQ(v.lindexR, "1.51509");
  EXPECT_EQ(p.shared.GlassName, "BK7");
}

// The warning marks glasses a lens file cannot name for OSLO: a final "*" in
// Schott, no "O_" prefix in Ohara. FK1* at 632.8 nm is 1.46920, shown without
// its zero; BSL1 is 1.5083930.
TEST(RefractiveIndexDialog, WarningFollowsTheNameMarks) {
  Program p;
  FakeView& v = p.Open();
  p.Choose(kSchott, "FK1*");
  EXPECT_TRUE(v.warning);
  EXPECT_EQ(p.Caption(Label::RiN), "Effective Index of Refraction = 1.4692");
  p.Choose(kSchott, "LaFN2*1");  // "*" not last
  EXPECT_FALSE(v.warning);
  p.ClickCatalog(kOhara);  // the first Ohara choice is position 0
  EXPECT_TRUE(v.enabled[At(kOhara)] && !v.enabled[At(kSchott)]);
  EXPECT_EQ(v.Selected(kOhara), "BSL1");
  EXPECT_TRUE(v.warning);
  EXPECT_EQ(p.Caption(Label::RiN), "Effective Index of Refraction = 1.50839");
  p.Choose(kOhara, "O_BSL3");
  EXPECT_FALSE(v.warning);
  EXPECT_EQ(p.Caption(Label::GlassData), "Ohara O_BSL3   Nd=1.4983   V=65.023");
}

// Both ends of 350-850 nm are accepted (BK7: 1.5391621, 1.5098437, and
// 1.5187194 at 546.1 nm). A refused text brings a message under the program's
// title and the focus back to the box, and changes nothing; OK then sends the
// last accepted index, the close notice that follows OK changes nothing, and
// the next opening shows the wavelength.
TEST(RefractiveIndexDialog, WavelengthEntry) {
  Program p;
  FakeView& v = p.Open();
  p.Enter("350");
  EXPECT_EQ(p.Caption(Label::RiN), "Effective Index of Refraction = 1.53916");
  p.Enter("850");
  EXPECT_EQ(p.Caption(Label::RiN), "Effective Index of Refraction = 1.50984");
  p.Enter("546.1");
  EXPECT_TRUE(v.messages.empty());
  const std::string outside = "Wavelength needs to be between 350 to 850nm";
  const std::pair<const char*, std::string> refused[] = {
      {"349.9", outside}, {"850.1", outside}, {"abc", "wave length data must be a numeric value!"}};
  for (const auto& [text, message] : refused) {
    const int focusBefore = v.focusCount;
    p.Enter(text);
    EXPECT_EQ(v.messages.back(), std::make_pair(std::string(kAppTitle), message));
    EXPECT_EQ(v.focusCount, focusBefore + 1) << text;
    EXPECT_EQ(p.Caption(Label::Glass), "Glass Type = Schott BK7 at 546.1nm") << text;
    EXPECT_EQ(p.Caption(Label::RiN), "Effective Index of Refraction = 1.51872") << text;
  }
  EXPECT_EQ(v.messages.size(), 3u);
  p.dialog.OkClicked(p.v);
  EXPECT_TRUE(v.closed);
  p.dialog.Closing(v);
  EXPECT_EQ(v.lindexR, "1.51872");
  EXPECT_EQ(p.shared.TestWavelength, 0.5461);
  EXPECT_EQ(p.shared.GlassName, "BK7");
  EXPECT_EQ(p.Open().wave, "546.1");
}

// Cancel and the window's close control put back the glass and wavelength of
// the opening and leave LindexR alone; the list position is kept all the same.
TEST(RefractiveIndexDialog, CancelAndCloseControlPutTheOpeningChoiceBack) {
  Program p;
  p.Open().lindexR = "1.6";
  p.Choose(kSchott, "F2");
  p.Enter("500");
  p.dialog.CancelClicked(p.v);
  EXPECT_TRUE(p.v.closed);
  EXPECT_EQ(p.v.lindexR, "1.6");
  EXPECT_EQ(p.shared.GlassName, "BK7");
  EXPECT_EQ(p.shared.TestWavelength, 0.6328);

  EXPECT_EQ(p.Open().Selected(kSchott), "F2");
  p.Choose(kSchott, "SF11");
  p.Enter("700");
  p.dialog.Closing(p.v);
  EXPECT_EQ(p.v.lindexR, "1.6");
  EXPECT_EQ(p.shared.GlassName, "BK7");
  EXPECT_EQ(p.shared.TestWavelength, 0.6328);
  EXPECT_EQ(p.Open().Selected(kSchott), "SF11");
}

// The next opening shows the catalog and position of the last closing. A
// Schott list refilled without a selection computes nothing, so OK sends the
// index of the glass in force, and never one a Cancel took back (O_BSL3 at
// 632.8 nm is 1.4966788; BSL1 is 1.5083930).
TEST(RefractiveIndexDialog, ReopensOnTheLastCatalogAndPositions) {
  Program p;
  p.Open();
  p.ClickCatalog(kOhara);
  p.Choose(kOhara, "O_BSL3");
  p.dialog.OkClicked(p.v);
  FakeView& second = p.Open();
  EXPECT_TRUE(second.enabled[At(kOhara)] && !second.enabled[At(kSchott)]);
  EXPECT_EQ(second.Selected(kOhara), "O_BSL3");
  EXPECT_EQ(second.selected[At(kSchott)], -1);
  EXPECT_EQ(p.Caption(Label::Glass), "Glass Type = Ohara O_BSL3 at 632.8nm");
  p.dialog.OkClicked(p.v);

  p.Open();
  p.Choose(kOhara, "BSL1");
  p.ClickCatalog(kSchott);
  EXPECT_EQ(p.Caption(Label::RiN), "Effective Index of Refraction = 1.50839");
  p.dialog.CancelClicked(p.v);
  FakeView& fourth = p.Open();
  EXPECT_EQ(fourth.selected[At(kSchott)], -1);
  p.dialog.OkClicked(p.v);
  EXPECT_EQ(fourth.lindexR, "1.49668");
  EXPECT_EQ(p.shared.GlassName, "O_BSL3");
}

}  // namespace
}  // namespace vn
