// The refractive-index dialog's handlers.
#include "glass/refractive_index_dialog.h"

#include "common/app_info.h"
#include "common/number_text.h"
#include "glass/glass_lookup.h"

namespace vn {

namespace {

constexpr const char* kNotNumericMessage = "wave length data must be a numeric value!";
constexpr const char* kOutOfRangeMessage = "Wavelength needs to be between 350 to 850nm";

// Glasses whose data would not carry over into an OSLO lens file: Schott
// names marked with a final "*", Ohara names without OSLO's "O_" prefix.
bool NotInOsloDatabase(GlassCatalog catalog, const std::string& name) {
  if (catalog == GlassCatalog::Schott) return !name.empty() && name.back() == '*';
  return name.rfind("O_", 0) != 0;
}

}  // namespace

WavelengthReading ReadWavelength(std::string_view text) {
  WavelengthReading reading;
  const auto value = ReadNumber(text);
  if (!value) {
    reading.why = kNotNumericMessage;
  } else if (!(*value >= RefractiveIndexDialog::kShortestWavelengthNm &&
               *value <= RefractiveIndexDialog::kLongestWavelengthNm)) {
    reading.why = kOutOfRangeMessage;
  } else {
    reading.nanometres = *value;
  }
  return reading;
}

RefractiveIndexDialog::RefractiveIndexDialog(SharedValues& shared, GlassCatalogs& catalogs)
    : shared_(shared), catalogs_(catalogs) {}

void RefractiveIndexDialog::Open(RefractiveIndexView& view, const YieldCallback& yield) {
  if (!openedBefore_) {
    SchottPosition = kNeverChosen;
    openedBefore_ = true;
  }
  showing_ = true;
  refusedWavelength_.reset();

  // Remember what Cancel puts back.
  SavedGlassName = shared_.GlassName;
  SavedWavelength = shared_.TestWavelength;
  if (shared_.TestWavelength != 0)
    view.SetWavelengthText(GeneralNumber(shared_.TestWavelength * 1000));

  // Fresh catalogs and lists, neither list with a selection yet.
  catalogs_.LoadGlassCatalogs(view, yield);

  // The last catalog and its position; this shows the glass and its index.
  const auto catalog = CatalogChoice == 0 ? GlassCatalog::Schott : GlassCatalog::Ohara;
  view.SelectCatalogOption(catalog);
  CatalogClicked(view, catalog);

  view.SetCaption(RefractiveIndexLabel::Label1,
                  "Test Wave Legth (nm)\r\n{Press enter key to update}");
  if (yield) yield();
  DialogOpen = true;
}

void RefractiveIndexDialog::CatalogClicked(RefractiveIndexView& view, GlassCatalog catalog) {
  selectedOption_ = catalog;
  if (catalog == GlassCatalog::Ohara) {
    view.EnableList(GlassCatalog::Ohara, true);
    view.EnableList(GlassCatalog::Schott, false);
    view.SelectPosition(GlassCatalog::Ohara, OharaPosition);
  } else {
    view.EnableList(GlassCatalog::Schott, true);
    view.EnableList(GlassCatalog::Ohara, false);
    view.SelectPosition(GlassCatalog::Schott,
                        SchottPosition == kNeverChosen ? kBK7Position : SchottPosition);
  }
  ShowGlass(view, catalog);
}

void RefractiveIndexDialog::ListClicked(RefractiveIndexView& view, GlassCatalog list) {
  ShowGlass(view, list);
}

void RefractiveIndexDialog::WavelengthEntered(RefractiveIndexView& view) {
  ShowGlass(view, selectedOption_);
}

bool RefractiveIndexDialog::ShowGlass(RefractiveIndexView& view, GlassCatalog catalog,
                                      bool insist) {
  bool accepted = true;
  const int position = view.SelectedPosition(catalog);
  catalogs_.CurrentGlassIndex = static_cast<std::int16_t>(position);
  const auto glasses = catalogs_.Glasses(catalog);
  // A list without a selection shows nothing new. (A position beyond the
  // loaded glasses cannot come from the lists the catalogs filled; it is
  // treated the same way rather than read out of bounds.)
  if (position >= 0 && static_cast<std::size_t>(position) < glasses.size()) {
    catalogs_.CurrentGlass = glasses[static_cast<std::size_t>(position)];
    const std::string& name = catalogs_.CurrentGlass.Name;
    const std::string catalogWord = CatalogWord(catalog);

    // The catalog line: index at the d line and Abbe number.
    const GlassDispersion dispersion = CatalogDispersion(catalogs_.CurrentGlass);
    view.SetCaption(RefractiveIndexLabel::GlassData, catalogWord + " " + name +
                                                         "   Nd=" + RoundedText(dispersion.nd, 4) +
                                                         "   V=" + RoundedText(dispersion.V, 3));
    view.ShowWarning(NotInOsloDatabase(catalog, name));

    const std::string waveText = view.WavelengthText();
    const WavelengthReading reading = ReadWavelength(waveText);
    if (!reading.nanometres) {
      accepted = false;
      if (insist || refusedWavelength_ != waveText) {
        refusedWavelength_ = waveText;
        view.ShowMessage(kAppTitle, reading.why);
      }
      view.FocusWavelength();
    } else {
      refusedWavelength_.reset();
      // The result, committed to the shared values at once.
      const double w = *reading.nanometres;
      view.SetCaption(RefractiveIndexLabel::Glass, "Glass Type = " + catalogWord + " " + name +
                                                       " at " + GeneralNumber(w) + "nm");
      IndexText = RoundedIndexText(catalogs_.CurrentGlass, w);
      view.SetCaption(RefractiveIndexLabel::RiN, "Effective Index of Refraction = " + IndexText);
      shared_.GlassName = name;
      shared_.TestWavelength = w * 0.001;
    }
  }
  CatalogChoice = catalog == GlassCatalog::Schott ? 0 : 1;
  return accepted;
}

void RefractiveIndexDialog::OkClicked(RefractiveIndexView& view) {
  // A refused wavelength would send the last accepted index, of another glass
  // or wavelength than the dialog shows chosen: the dialog stays open.
  if (!ShowGlass(view, selectedOption_, true)) return;
  view.SetLensIndexText(IndexText);
  DialogOpen = false;
  Closing(view);
  view.CloseDialog();
}

void RefractiveIndexDialog::CancelClicked(RefractiveIndexView& view) {
  RestoreOpeningChoice();
  DialogOpen = false;
  Closing(view);
  view.CloseDialog();
}

void RefractiveIndexDialog::RestoreOpeningChoice() {
  bool restored = false;
  if (SavedGlassName != shared_.GlassName) {
    shared_.GlassName = SavedGlassName;
    restored = true;
  }
  // The wavelength goes back even when the glass stayed: a user who cancels
  // expects nothing to have changed.
  if (shared_.TestWavelength != SavedWavelength) {
    shared_.TestWavelength = SavedWavelength;
    restored = true;
  }
  // Keep IndexText the index of the glass and wavelength in force, as the
  // dialog would compute it from the wavelength it shows, so that a later OK
  // that computes nothing (a list without a selection) cannot send the index
  // of a cancelled choice.
  if (restored && shared_.TestWavelength != 0) {
    const auto found = FindGlass(shared_.GlassName, catalogs_);
    const auto shownNm = ReadNumber(GeneralNumber(shared_.TestWavelength * 1000));
    if (found && found->glass->Name == shared_.GlassName && shownNm) {
      IndexText = RoundedIndexText(*found->glass, *shownNm);
    }
  }
}

void RefractiveIndexDialog::Closing(RefractiveIndexView& view) {
  if (!showing_) return;
  if (DialogOpen) {
    // Closed without OK or Cancel: the same as Cancel.
    RestoreOpeningChoice();
    DialogOpen = false;
  }
  SchottPosition = view.SelectedPosition(GlassCatalog::Schott);
  OharaPosition = view.SelectedPosition(GlassCatalog::Ohara);
  showing_ = false;
}

void RefractiveIndexDialog::ChooseAtNextOpening(const std::string& glassName) {
  const auto found = FindGlass(glassName);
  if (!found) return;
  // The first opening's own default (BK7 in the Schott list) is settled
  // now, so that it does not replace the glass chosen here.
  if (!openedBefore_) {
    SchottPosition = kNeverChosen;
    openedBefore_ = true;
  }
  CatalogChoice = found->catalog == GlassCatalog::Schott ? 0 : 1;
  (found->catalog == GlassCatalog::Schott ? SchottPosition : OharaPosition) = found->position;
}

}  // namespace vn
