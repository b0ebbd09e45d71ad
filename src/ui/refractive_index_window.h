// The window of the refractive-index dialog RiN, "Calculate Refractive Index
// from Glass Catalog": it lays out the controls and forwards their events to
// RefractiveIndexDialog, which decides everything else.
#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <string>

#include "glass/refractive_index_dialog.h"

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vn {

class RefractiveIndexWindow : public QDialog, public RefractiveIndexView {
  Q_OBJECT

 public:
  // `setLensIndex` writes the main window's LindexR.
  RefractiveIndexWindow(RefractiveIndexDialog& model,
                        std::function<void(const std::string&)> setLensIndex, QWidget* parent);

  // Opens the dialog (the model's opening first) and returns when it closes.
  int Open();

  // RefractiveIndexView
  void ClearList(GlassCatalog list) override;
  void AddListItem(GlassCatalog list, const std::string& name) override;
  int SelectedPosition(GlassCatalog list) const override;
  void SelectPosition(GlassCatalog list, int position) override;
  void EnableList(GlassCatalog list, bool enabled) override;
  void SelectCatalogOption(GlassCatalog catalog) override;
  void SetCaption(RefractiveIndexLabel label, const std::string& caption) override;
  void ShowWarning(bool shown) override;
  std::string WavelengthText() const override;
  void SetWavelengthText(const std::string& text) override;
  void FocusWavelength() override;
  void ShowMessage(const std::string& title, const std::string& text) override;
  void SetLensIndexText(const std::string& text) override;
  void CloseDialog() override;

  void done(int result) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QComboBox* List(GlassCatalog list) const;
  QLabel* Label(RefractiveIndexLabel label) const;

  RefractiveIndexDialog& model_;
  std::function<void(const std::string&)> setLensIndex_;
  bool closing_ = false;

  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QButtonGroup* catalog_ = nullptr;
  std::array<QRadioButton*, 2> catalogOptions_{};
  QComboBox* schottList_ = nullptr;
  QComboBox* oharaList_ = nullptr;
  QLabel* lblGlassData_ = nullptr;
  QLabel* label1_ = nullptr;
  QLineEdit* txtWave_ = nullptr;
  QLabel* lblGlass_ = nullptr;
  QLabel* lblRiN_ = nullptr;
  QLabel* lblWarn_ = nullptr;
};

}  // namespace vn
