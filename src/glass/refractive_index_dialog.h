// The refractive-index dialog, without its window: choosing a catalog glass
// and a test wavelength, showing the glass's catalog data and its index, and
// sending the index to the main window's lens index entry.
//
// The window (a Qt dialog) implements RefractiveIndexView and forwards its
// events to RefractiveIndexDialog, whose single instance lives as long as the
// program so that its variables carry over from one opening to the next.
// Choosing a glass commits GlassName and TestWavelength at once; only the index
// text waits for OK. Cancel, or closing the window any other way, puts back
// the glass and wavelength the dialog opened with.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/shared_values.h"
#include "glass/glass_catalogs.h"

namespace vn {

// The wavelength text of the dialog, read and checked.
struct WavelengthReading {
  std::optional<double> nanometres;  // set when the text is accepted
  std::string why;                   // otherwise the message that refuses it
};

// Accepts a decimal number of nanometres from 350 to 850, both ends included.
// Refuses anything else with "wave length data must be a numeric value!" or
// "Wavelength needs to be between 350 to 850nm".
WavelengthReading ReadWavelength(std::string_view text);

// The labels whose captions the dialog sets.
enum class RefractiveIndexLabel {
  GlassData,  // lbl_Glass_Data: catalog, name, nd and V of the glass
  Glass,      // lbl_Glass: catalog, name and wavelength of the result
  RiN,        // lbl_RiN: the index result
  Label1,     // Label1: the prompt beside the wavelength box
};

// What the dialog's logic needs from its window. Changes made through these
// methods are the program's own: the window must not report them back as
// user clicks (the logic runs the matching handling itself).
class RefractiveIndexView : public GlassListControls {
 public:
  // Selected position of a catalog list (Schott_List, Ohara_List), −1 for none.
  virtual int SelectedPosition(GlassCatalog list) const = 0;
  // Selects a position of a catalog list; −1 removes the selection.
  virtual void SelectPosition(GlassCatalog list, int position) = 0;
  // Enables or disables a catalog list.
  virtual void EnableList(GlassCatalog list, bool enabled) = 0;
  // Checks the catalog option button Catalog(0) "Schott" or Catalog(1) "Ohara".
  virtual void SelectCatalogOption(GlassCatalog catalog) = 0;
  // Sets a label's caption; line breaks are CR LF.
  virtual void SetCaption(RefractiveIndexLabel label, const std::string& caption) = 0;
  // Shows or hides lbl_warn, the "not in the OSLO glass database" warning.
  virtual void ShowWarning(bool shown) = 0;
  // The text of txt_Wave, the wavelength in nanometres, and setting it.
  virtual std::string WavelengthText() const = 0;
  virtual void SetWavelengthText(const std::string& text) = 0;
  // Puts the keyboard focus into txt_Wave.
  virtual void FocusWavelength() = 0;
  // A message box with an OK button only; returns when it is dismissed.
  virtual void ShowMessage(const std::string& title, const std::string& text) = 0;
  // Sets the text of the main window's lens index entry LindexR.
  virtual void SetLensIndexText(const std::string& text) = 0;
  // Closes the dialog window. If the window's close handling calls
  // RefractiveIndexDialog::Closing again, that second call does nothing.
  virtual void CloseDialog() = 0;
};

class RefractiveIndexDialog {
 public:
  // Schott list position of BK7, chosen when no Schott glass was ever chosen.
  static constexpr int kBK7Position = 49;
  // SchottPosition while no Schott position has been kept.
  static constexpr std::int32_t kNeverChosen = 99999;
  // Wavelength limits of the dialog, nanometres.
  static constexpr double kShortestWavelengthNm = 350;
  static constexpr double kLongestWavelengthNm = 850;

  RefractiveIndexDialog(SharedValues& shared, GlassCatalogs& catalogs);

  // Events of the window, each handled to completion.
  // The dialog opens: lists rebuilt, last catalog and positions restored, result shown.
  void Open(RefractiveIndexView& view, const YieldCallback& yield = {});
  // A click on the catalog option button Catalog(catalog).
  void CatalogClicked(RefractiveIndexView& view, GlassCatalog catalog);
  // A click on a glass in a catalog list.
  void ListClicked(RefractiveIndexView& view, GlassCatalog list);
  // Enter in txt_Wave, or txt_Wave losing the focus to another control of the
  // dialog other than OK and Cancel (not the dialog losing activation, e.g.
  // to its own message box).
  void WavelengthEntered(RefractiveIndexView& view);
  // OKButton: recompute, send the index to LindexR, close. A wavelength the
  // dialog refuses keeps it open with its message: the index sent is always
  // the chosen glass's at the wavelength shown.
  void OkClicked(RefractiveIndexView& view);
  // CancelButton: put the glass and wavelength back, close.
  void CancelClicked(RefractiveIndexView& view);
  // The window closes by any means (its close control, Escape, after OK or
  // Cancel). Call it before the lists are destroyed; only the first call after
  // an opening acts.
  void Closing(RefractiveIndexView& view);
  // The next opening shows this catalog glass chosen, as if it had been
  // chosen there (an opened set-up file names it); an unknown name changes
  // nothing.
  void ChooseAtNextOpening(const std::string& glassName);

  // Dialog variables, kept from one opening to the next.
  std::string IndexText;            // last index computed, five decimals; OK sends it
  std::string SavedGlassName;       // GlassName when the dialog last opened
  double SavedWavelength = 0;       // TestWavelength (µm) when the dialog last opened
  std::int32_t CatalogChoice = 0;   // catalog of the last list click: 0 Schott, 1 Ohara
  bool DialogOpen = false;          // from the end of opening until OK or Cancel
  std::int32_t SchottPosition = 0;  // Schott_List position kept at the last closing
  std::int32_t OharaPosition = 0;   // Ohara_List position kept at the last closing

 private:
  // A list click for one catalog: catalog data, warning, wavelength check,
  // result. False when the wavelength was refused. The refusal's message is
  // shown once for each wavelength text (a focus change or another glass
  // does not repeat it), and always when `insist` (OK asks for a result).
  bool ShowGlass(RefractiveIndexView& view, GlassCatalog catalog, bool insist = false);
  // Cancel's restoring of the shared values.
  void RestoreOpeningChoice();

  SharedValues& shared_;
  GlassCatalogs& catalogs_;
  GlassCatalog selectedOption_ = GlassCatalog::Schott;  // the checked catalog option button
  bool openedBefore_ = false;
  bool showing_ = false;  // between Open and the first Closing
  // The wavelength text whose refusal was last shown, while it stands.
  std::optional<std::string> refusedWavelength_;
};

}  // namespace vn
