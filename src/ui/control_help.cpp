// What the main window's controls say about themselves: the unit beside each
// length field, and a tooltip on every control naming what it is. The lens
// radii, whose signs trip people up, keep the sign rule they always showed.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "ui/exact_check_panel.h"
#include "ui/form_main.h"
#include "ui/unit_suffix.h"

namespace vn {

void FormMain::AddControlHelp() {
  for (std::size_t k = 0; k < kLengthFields.size(); ++k) {
    unitSuffixes_[k] = new UnitSuffix(LengthEdit(kLengthFields[k]));
  }
  ShowLengthUnits();
  // After the switch's own handler, which converts or refuses.
  connect(inches_, &QButtonGroup::idClicked, this, [this] { ShowLengthUnits(); });

  // Each entry and its caption say the same.
  const struct {
    QWidget* control;
    const char* label;
    QString tip;
  } fields[] = {
      {mDiam_, "Label1", tr("Diameter of the mirror under test")},
      {mRoC_, "Label2", tr("Radius of curvature of the mirror at its centre (vertex)")},
      {mcc_, "Label3",
       tr("Conic constant of the mirror: 0 sphere, -1 paraboloid, below -1 hyperboloid, "
          "between -1 and 0 prolate ellipsoid, above 0 oblate spheroid")},
      {lradI_, "Label4", lradI_->toolTip()},
      {lRadM_, "Label5", lRadM_->toolTip()},
      {lthck_, "Label6", tr("Thickness of the null lens on its axis")},
      {lDiam_, "Label7", tr("Diameter of the null lens")},
  };
  for (const auto& f : fields) {
    f.control->setToolTip(f.tip);
    if (auto* label = findChild<QLabel*>(QString::fromUtf8(f.label))) label->setToolTip(f.tip);
  }
  lindexR_->setToolTip(
      tr("Refractive index of the lens glass at the test wavelength; the Refractive Index "
         "button computes it from the glass catalogs"));

  units_->setToolTip(tr("The unit of the length entries and of the report"));
  inchesOptions_[UnitsSwitch::kInch]->setToolTip(
      tr("Lengths in inches: the length entries are converted"));
  inchesOptions_[UnitsSwitch::kMm]->setToolTip(
      tr("Lengths in millimetres: the length entries are converted"));
  mData_->setToolTip(tr("The concave mirror under test"));
  rlData_->setToolTip(
      tr("The null lens, between the source on the left and the mirror on "
         "the right"));
  chkQtrWave_->setToolTip(
      tr("Also find how far the lens-to-mirror spacing may be off before the test's optical "
         "path difference passes a limit you choose, or what a given spacing error does"));
  chkSaveOslo_->setToolTip(
      tr("Write the solved set-up as OSLO lens files (.len); the status "
         "bar says where"));
  findIt_->setToolTip(
      tr("Find the source-to-lens and lens-to-mirror distances that null the test; any key "
         "stops a run"));
  abrt_->setToolTip(tr("A run is in progress: any key stops it"));
  textOut_->setToolTip(
      tr("The report of the last run: the entries as read, the distances found and how good "
         "the null is"));
  lensFileNote_->setToolTip(tr("Where the last run wrote its lens files"));

  // The exact check's area, by its controls' names.
  const std::pair<const char*, QString> exact[] = {
      {"ExactFigures",
       tr("The exact check: the solved set-up traced with the exact mirror surface")},
      {"ExactExport", tr("Save the three pictures as PNG and SVG files")},
  };
  for (const auto& [name, tip] : exact) {
    if (auto* w = exactCheck_->findChild<QWidget*>(QString::fromUtf8(name))) w->setToolTip(tip);
  }
  const QString tabTips[] = {
      tr("The set-up drawn to scale with the traced rays"),
      tr("The wavefront returning to the source, zone by zone across the mirror"),
      tr("Where each returning ray crosses the axis, zone by zone")};
  if (auto* tabs = exactCheck_->findChild<QTabWidget*>(QStringLiteral("ExactPictures"))) {
    for (int i = 0; i < tabs->count() && i < 3; ++i) tabs->setTabToolTip(i, tabTips[i]);
  }
}

void FormMain::ShowLengthUnits() {
  const QString unit = unitsSwitch_.CurrentUnitIndex() == UnitsSwitch::kInch ? QStringLiteral("in")
                                                                             : QStringLiteral("mm");
  for (UnitSuffix* suffix : unitSuffixes_) {
    if (suffix != nullptr) suffix->SetUnit(unit);
  }
}

}  // namespace vn
