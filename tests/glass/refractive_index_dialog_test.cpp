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

// The window as the logic sees it, and the program's lifetime around it: one
// dialog, and a fresh window per opening that keeps only the main window's
// LindexR. As in the drop-down lists, a selection is −1 or an entry, and a
// refill clears it.
struct FakeView : RefractiveIndexView {
  std::vector<std::string> entries[2];
  int selected[2] = {-1, -1}, focusCount = 0;
  bool enabled[2] = {true, true}, warning = false, closed = false;
  std::map<Label, std::string> captions;
  std::string wave = "632.8", lindexR = "1.51509", messages;  // the design texts

  void ClearList(GlassCatalog l) override { entries[At(l)].clear(), selected[At(l)] = -1; }
  void AddListItem(GlassCatalog l, const std::string& s) override { entries[At(l)].push_back(s); }
  int SelectedPosition(GlassCatalog l) const override { return selected[At(l)]; }
  void SelectPosition(GlassCatalog l, int p) override { selected[At(l)] = p; }
  void EnableList(GlassCatalog l, bool on) override { enabled[At(l)] = on; }
  void SelectCatalogOption(GlassCatalog) override {}
  void SetCaption(Label label, const std::string& text) override { captions[label] = text; }
  void ShowWarning(bool shown) override { warning = shown; }
  std::string WavelengthText() const override { return wave; }
  void SetWavelengthText(const std::string& text) override { wave = text; }
  void FocusWavelength() override { ++focusCount; }
  void ShowMessage(const std::string& t, const std::string& s) override {
    messages += t + ": " + s;
  }
  void SetLensIndexText(const std::string& text) override { lindexR = text; }
  void CloseDialog() override { closed = true; }
};

struct Program : FakeView {
  SharedValues shared;
  GlassCatalogs catalogs;
  RefractiveIndexDialog dialog{shared, catalogs};

  // The first opening, after an opened set-up file named `setUpGlass`.
  explicit Program(const char* setUpGlass = nullptr) {
    if (setUpGlass != nullptr) dialog.ChooseAtNextOpening(setUpGlass);
    dialog.Open(*this);
  }
  Program& Open() {
    const std::string kept = lindexR;
    static_cast<FakeView&>(*this) = FakeView(), lindexR = kept, dialog.Open(*this);
    return *this;
  }
  std::string Selected(GlassCatalog l) const {
    const int at = selected[At(l)];
    return at < 0 ? "-" : entries[At(l)].at(static_cast<std::size_t>(at));
  }
  // The one enabled list, its selection, the warning and the index caption.
  std::string Shown() {
    const GlassCatalog on = enabled[At(kOhara)] ? kOhara : kSchott;
    std::string shown = enabled[0] == enabled[1] ? "both " : on == kOhara ? "Ohara " : "Schott ";
    return shown.append(Selected(on)).append(warning ? " warn " : " ") + captions[Label::RiN];
  }
  std::string Choose(GlassCatalog l, const std::string& name) {
    const auto& names = entries[At(l)];
    selected[At(l)] = static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin());
    return dialog.ListClicked(*this, l), Shown();
  }
  std::string Enter(const std::string& text) {
    return wave = text, dialog.WavelengthEntered(*this), Shown();
  }
};

// BK7 at the helium-neon line, 632.8 nm; nd and V are the catalog's figures.
// The warning marks glasses a lens file cannot name for OSLO: a final "*" in
// Schott, no "O_" prefix in Ohara. FK1* at 632.8 nm is 1.46920, shown without
// its zero; BSL1, the first Ohara choice (position 0), is 1.5083930; O_BSL3 is
// 1.4966788; LaFN2*1 is 1.7848457.
TEST(RefractiveIndexDialog, FirstOpeningAndTheWarning) {
  Program p;
  EXPECT_EQ(p.Shown(), "Schott BK7 Effective Index of Refraction = 1.51509");
  EXPECT_EQ(p.captions[Label::GlassData], "Schott BK7   Nd=1.5168   V=64.142");
  EXPECT_EQ(p.captions[Label::Glass], "Glass Type = Schott BK7 at 632.8nm");
  EXPECT_EQ(p.Choose(kSchott, "FK1*"), "Schott FK1* warn Effective Index of Refraction = 1.4692");
  EXPECT_EQ(p.Choose(kSchott, "LaFN2*1"), "Schott LaFN2*1 Effective Index of Refraction = 1.78485");
  p.dialog.CatalogClicked(p, kOhara);
  EXPECT_EQ(p.Shown(), "Ohara BSL1 warn Effective Index of Refraction = 1.50839");
  EXPECT_EQ(p.Choose(kOhara, "O_BSL3"), "Ohara O_BSL3 Effective Index of Refraction = 1.49668");
  EXPECT_EQ(p.captions[Label::GlassData], "Ohara O_BSL3   Nd=1.4983   V=65.023");
}

// Both ends of 350-850 nm are accepted (BK7: 1.5391621, 1.5098437, and
// 1.5187194 at 546.1 nm). A refused text brings a message under the program's
// title and the focus back to the box, once for each text typed, and changes
// nothing; OK on a refused text says so again and stays open, since the last
// accepted index may be another glass's. The next opening shows the
// wavelength.
TEST(RefractiveIndexDialog, WavelengthEntry) {
  Program p;
  EXPECT_EQ(p.Enter("350"), "Schott BK7 Effective Index of Refraction = 1.53916");
  EXPECT_EQ(p.Enter("850"), "Schott BK7 Effective Index of Refraction = 1.50984");
  EXPECT_EQ(p.Enter("546.1"), "Schott BK7 Effective Index of Refraction = 1.51872");
  for (const char* refused : {"349.9", "850.1", "abc", "abc"}) p.Enter(refused);
  const std::string outside =
      std::string(kAppTitle) + ": Wavelength needs to be between 350 to 850nm";
  const std::string numeric =
      std::string(kAppTitle) + ": wave length data must be a numeric value!";
  EXPECT_EQ(p.messages, outside + outside + numeric);
  EXPECT_EQ(p.focusCount, 4);
  EXPECT_EQ(p.captions[Label::Glass], "Glass Type = Schott BK7 at 546.1nm");
  EXPECT_EQ(p.Shown(), "Schott BK7 Effective Index of Refraction = 1.51872");

  // 1000 nm typed, then SF11 chosen: one message; OK refuses with it again.
  p.messages.clear();
  p.Enter("1000");
  p.Choose(kSchott, "SF11");
  EXPECT_EQ(p.messages, outside);
  p.dialog.OkClicked(p);
  EXPECT_FALSE(p.closed);
  EXPECT_EQ(p.messages, outside + outside);
  EXPECT_EQ(p.lindexR, "1.51509");
  // At a wavelength it takes, OK sends SF11's index there.
  const std::string sf11 = p.Enter("546.1");
  p.dialog.OkClicked(p);
  EXPECT_TRUE(p.closed);
  EXPECT_EQ("Schott SF11 Effective Index of Refraction = " + p.lindexR, sf11);
  EXPECT_EQ(p.shared.GlassName, "SF11");
  EXPECT_EQ(p.shared.TestWavelength, 0.5461);
  EXPECT_EQ(p.Open().wave, "546.1");
}

// Cancel and the window's close control put back the glass and wavelength of
// the opening and leave LindexR alone; the list position is kept all the same.
TEST(RefractiveIndexDialog, CancelAndCloseControlPutTheOpeningChoiceBack) {
  Program p;
  p.lindexR = "1.6";
  for (const auto& [glass, cancel] : {std::pair{"F2", true}, std::pair{"SF11", false}}) {
    p.Choose(kSchott, glass);
    p.Enter("500");
    cancel ? p.dialog.CancelClicked(p) : p.dialog.Closing(p);
    EXPECT_EQ(p.lindexR, "1.6");
    EXPECT_EQ(p.shared.GlassName, "BK7");
    EXPECT_EQ(p.shared.TestWavelength, 0.6328);
    EXPECT_EQ(p.Open().Selected(kSchott), glass);
  }
}

// The next opening shows the catalog and position of the last closing. A
// Schott list refilled without a selection computes nothing, so OK sends the
// index of the glass in force, and never one a Cancel took back.
TEST(RefractiveIndexDialog, ReopensOnTheLastCatalogAndPositions) {
  Program p;
  p.dialog.CatalogClicked(p, kOhara);
  p.Choose(kOhara, "O_BSL3");
  p.dialog.OkClicked(p);
  EXPECT_EQ(p.Open().Shown(), "Ohara O_BSL3 Effective Index of Refraction = 1.49668");
  EXPECT_EQ(p.Selected(kSchott), "-");
  p.dialog.OkClicked(p);
  p.Open();
  p.Choose(kOhara, "BSL1");
  p.dialog.CatalogClicked(p, kSchott);
  EXPECT_EQ(p.Shown(), "Schott - warn Effective Index of Refraction = 1.50839");
  p.dialog.CancelClicked(p);
  EXPECT_EQ(p.Open().Selected(kSchott), "-");
  p.dialog.OkClicked(p);
  EXPECT_EQ(p.lindexR, "1.49668");
  EXPECT_EQ(p.shared.GlassName, "O_BSL3");
}

// A set-up file opened before the first opening or between two names the
// glass the next opening shows; the other list keeps its own position.
TEST(RefractiveIndexDialog, OpensOnTheGlassOfAnOpenedSetUp) {
  Program p("O_BSL3");
  EXPECT_EQ(p.Shown(), "Ohara O_BSL3 Effective Index of Refraction = 1.49668");
  p.dialog.CatalogClicked(p, kSchott);
  EXPECT_EQ(p.Shown(), "Schott BK7 Effective Index of Refraction = 1.51509");
  p.dialog.OkClicked(p);
  p.dialog.ChooseAtNextOpening("FK1*");
  EXPECT_EQ(p.Open().Shown(), "Schott FK1* warn Effective Index of Refraction = 1.4692");
  p.dialog.OkClicked(p);
  p.dialog.ChooseAtNextOpening("no such glass");
  EXPECT_EQ(p.Open().Shown(), "Schott FK1* warn Effective Index of Refraction = 1.4692");
}

}  // namespace
}  // namespace vn
