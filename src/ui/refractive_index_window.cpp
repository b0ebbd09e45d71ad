// The window of the refractive-index dialog: lays out its controls for RefractiveIndexDialog.
#include "ui/refractive_index_window.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

#include "common/app_info.h"
#include "ui/caption_fit.h"
#include "ui/dialog_focus.h"
#include "ui/form_style.h"
#include "ui/twips.h"

namespace vn {

namespace {

constexpr qreal kWarningPointSize = 8.25;

QString Text(const std::string& s) {
  QString text = QString::fromStdString(s);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption) {
  auto* label = new QLabel(QString::fromUtf8(caption), parent);
  label->setObjectName(name);
  return label;
}

}  // namespace

RefractiveIndexWindow::RefractiveIndexWindow(RefractiveIndexDialog& model,
                                             std::function<void(const std::string&)> setLensIndex,
                                             QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      model_(model),
      setLensIndex_(std::move(setLensIndex)) {
  setObjectName("RiN");
  setWindowTitle(QStringLiteral("Calculate Refractive Index from Glass Catalog"));
  setModal(true);
  setFixedSize(PxFromTwips(*this, 5715), PxFromTwips(*this, 3450));

  // Glass type: the catalog and its list.
  auto* frame1 = new QGroupBox(QStringLiteral("Glass Type"), this);
  frame1->setObjectName("Frame1");
  PlaceInTwips(*frame1, 0, 0, 4335, 1095);
  catalog_ = new QButtonGroup(this);
  catalog_->setObjectName("Catalog");
  const char* catalogCaptions[2] = {"Schott", "Ohara"};
  for (int i = 0; i < 2; ++i) {
    auto* option = new QRadioButton(QString::fromUtf8(catalogCaptions[i]), frame1);
    option->setObjectName(QStringLiteral("Catalog_%1").arg(i));
    catalog_->addButton(option, i);
    catalogOptions_[static_cast<std::size_t>(i)] = option;
  }
  PlaceInTwips(*catalogOptions_[0], 180, 345, 885, 300);
  PlaceInTwips(*catalogOptions_[1], 180, 705, 885, 300);
  schottList_ = new QComboBox(frame1);
  schottList_->setObjectName("Schott_List");
  PlaceInTwips(*schottList_, 1080, 330, 3135, 315);
  oharaList_ = new QComboBox(frame1);
  oharaList_->setObjectName("Ohara_List");
  PlaceInTwips(*oharaList_, 1080, 690, 3135, 315);
  for (QComboBox* list : {schottList_, oharaList_}) list->setMaxVisibleItems(20);

  // Glass data.
  auto* frame4 = new QGroupBox(QStringLiteral("Glass Data"), this);
  frame4->setObjectName("Frame4");
  PlaceInTwips(*frame4, 0, 1080, 4335, 615);
  lblGlassData_ = MakeLabel(frame4, "lbl_Glass_Data", "Glass_Data");
  PlaceInTwips(*lblGlassData_, 240, 260, 3975, 255);

  // The wavelength.
  auto* frame2 = new QGroupBox(this);
  frame2->setObjectName("Frame2");
  PlaceInTwips(*frame2, 0, 1680, 4335, 735);
  label1_ = MakeLabel(frame2, "Label1", "");
  label1_->setAlignment(Qt::AlignCenter);
  PlaceInTwips(*label1_, 120, 180, 2895, 495);
  txtWave_ = new QLineEdit(QStringLiteral("632.8"), frame2);
  txtWave_->setObjectName("txt_Wave");
  PlaceInTwips(*txtWave_, 3000, 240, 1215, 285);
  txtWave_->installEventFilter(this);

  // Results.
  auto* frame3 = new QGroupBox(QStringLiteral("Results"), this);
  frame3->setObjectName("Frame3");
  PlaceInTwips(*frame3, 0, 2400, 4335, 975);
  lblGlass_ = MakeLabel(frame3, "lbl_Glass", "Glass Type N/A");
  PlaceInTwips(*lblGlass_, 240, 240, 3975, 255);
  lblRiN_ = MakeLabel(frame3, "lbl_RiN", "Effective Index of Refraction");
  PlaceInTwips(*lblRiN_, 240, 600, 3975, 255);

  // The buttons. Neither is a default button: Enter in the wavelength box
  // recomputes the index and must not close the dialog.
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName("OKButton");
  PlaceInTwips(*ok, 4440, 120, 1215, 375);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName("CancelButton");
  PlaceInTwips(*cancel, 4440, 600, 1215, 375);
  ok_ = ok;
  cancel_ = cancel;
  for (QPushButton* button : {ok, cancel}) {
    button->setAutoDefault(false);
    button->setDefault(false);
  }

  lblWarn_ = MakeLabel(this, "lbl_warn",
                       "This Glass is not in the OSLO glass      database.    If you select this "
                       "glass, your OSLO Lens file will not work properly");
  lblWarn_->setAlignment(Qt::AlignCenter);
  lblWarn_->setWordWrap(true);
  QFont warnFont = FormFont(lblWarn_->font(), kWarningPointSize);
  warnFont.setBold(true);
  lblWarn_->setFont(warnFont);
  lblWarn_->setStyleSheet(
      QStringLiteral("QLabel#lbl_warn { background-color: rgb(192, 0, 0); color: white; }"));
  PlaceInTwips(*lblWarn_, 4440, 1200, 1215, 2175);
  lblWarn_->hide();

  QWidget* order[] = {ok,         cancel,  catalogOptions_[0], catalogOptions_[1], schottList_,
                      oharaList_, txtWave_};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
  ApplyFormStyle(*this);

  // Only the user's own clicks reach the model: selections made from code
  // (the model's) do not emit these signals.
  connect(catalog_, &QButtonGroup::idClicked, this, [this](int id) {
    model_.CatalogClicked(*this, id == 0 ? GlassCatalog::Schott : GlassCatalog::Ohara);
  });
  connect(schottList_, &QComboBox::activated, this,
          [this] { model_.ListClicked(*this, GlassCatalog::Schott); });
  connect(oharaList_, &QComboBox::activated, this,
          [this] { model_.ListClicked(*this, GlassCatalog::Ohara); });
  connect(ok, &QPushButton::clicked, this, [this] { model_.OkClicked(*this); });
  connect(cancel, &QPushButton::clicked, this, [this] { model_.CancelClicked(*this); });
}

int RefractiveIndexWindow::Open() {
  model_.Open(*this);
  FitCaptions(*this);
  return exec();
}

bool RefractiveIndexWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == txtWave_ && !closing_) {
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        model_.WavelengthEntered(*this);
        return true;
      }
    } else if (event->type() == QEvent::FocusOut &&
               ChecksOnLeaving(*static_cast<QFocusEvent*>(event), ok_, cancel_)) {
      model_.WavelengthEntered(*this);
    }
  }
  return QDialog::eventFilter(watched, event);
}

void RefractiveIndexWindow::done(int result) {
  if (closing_) return;
  closing_ = true;
  // Every way of closing passes here (OK, Cancel, the close control,
  // Escape); the model treats a closing without OK or Cancel as Cancel.
  model_.Closing(*this);
  QDialog::done(result);
}

// ---- RefractiveIndexView ---------------------------------------------------

QComboBox* RefractiveIndexWindow::List(GlassCatalog list) const {
  return list == GlassCatalog::Schott ? schottList_ : oharaList_;
}

QLabel* RefractiveIndexWindow::Label(RefractiveIndexLabel label) const {
  switch (label) {
    case RefractiveIndexLabel::GlassData:
      return lblGlassData_;
    case RefractiveIndexLabel::Glass:
      return lblGlass_;
    case RefractiveIndexLabel::RiN:
      return lblRiN_;
    case RefractiveIndexLabel::Label1:
      return label1_;
  }
  return nullptr;
}

void RefractiveIndexWindow::ClearList(GlassCatalog list) { List(list)->clear(); }

void RefractiveIndexWindow::AddListItem(GlassCatalog list, const std::string& name) {
  QComboBox* box = List(list);
  box->addItem(QString::fromStdString(name));
  // A list being filled has no selection until the model chooses one.
  box->setCurrentIndex(-1);
}

int RefractiveIndexWindow::SelectedPosition(GlassCatalog list) const {
  return List(list)->currentIndex();
}

void RefractiveIndexWindow::SelectPosition(GlassCatalog list, int position) {
  QComboBox* box = List(list);
  box->setCurrentIndex(position >= 0 && position < box->count() ? position : -1);
}

void RefractiveIndexWindow::EnableList(GlassCatalog list, bool enabled) {
  List(list)->setEnabled(enabled);
}

void RefractiveIndexWindow::SelectCatalogOption(GlassCatalog catalog) {
  catalogOptions_[catalog == GlassCatalog::Schott ? 0 : 1]->setChecked(true);
}

void RefractiveIndexWindow::SetCaption(RefractiveIndexLabel label, const std::string& caption) {
  Label(label)->setText(Text(caption));
}

void RefractiveIndexWindow::ShowWarning(bool shown) { lblWarn_->setVisible(shown); }

std::string RefractiveIndexWindow::WavelengthText() const { return txtWave_->text().toStdString(); }

void RefractiveIndexWindow::SetWavelengthText(const std::string& text) {
  txtWave_->setText(QString::fromStdString(text));
}

void RefractiveIndexWindow::FocusWavelength() { txtWave_->setFocus(Qt::OtherFocusReason); }

void RefractiveIndexWindow::ShowMessage(const std::string& title, const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, Text(title.empty() ? kAppTitle : title), Text(text),
                  QMessageBox::Ok, this);
  box.exec();
}

void RefractiveIndexWindow::SetLensIndexText(const std::string& text) {
  if (setLensIndex_) setLensIndex_(text);
}

void RefractiveIndexWindow::CloseDialog() { done(QDialog::Accepted); }

}  // namespace vn
