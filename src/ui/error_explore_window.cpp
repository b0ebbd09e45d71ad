// The window of the spacing-error dialog: lays out its controls for ErrorExploreDialog.
#include "ui/error_explore_window.h"

#include <QButtonGroup>
#include <QFocusEvent>
#include <QGroupBox>
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
#include "ui/wrapping_buttons.h"

namespace vn {

namespace {

// The options of Err_Amount with their places in the frame, in twips.
struct OptionPlace {
  const char* caption;
  int left, top, width, height;
};
constexpr OptionPlace kOptionPlaces[kErrorOptionCount] = {
    {"+/- 0.25 wave Optical Path Distance (OPD) error", 240, 360, 4095, 285},
    {"+/- 0.125 wave Optical Path Distance (OPD) error", 240, 690, 4095, 285},
    {"+/- 0.1 wave Optical Path Distance (OPD) error", 240, 960, 4095, 375},
    {"+/- 0.05 wave Optical Path Distance (OPD) error", 240, 1320, 4095, 375},
    {"+/- Only this amount of null lens - mirror spacing error ->", 240, 1680, 2415, 495},
};

}  // namespace

ErrorExploreWindow::ErrorExploreWindow(ErrorExploreDialog& model,
                                       std::function<void()> clearQtrWave, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      model_(model),
      clearQtrWave_(std::move(clearQtrWave)) {
  setObjectName("Err_Explore");
  setWindowTitle(QString::fromUtf8(kErrorDialogCaption));
  setModal(true);
  setFixedSize(PxFromTwips(*this, 6030), PxFromTwips(*this, 2535));

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName("OKButton");
  PlaceInTwips(*ok, 4680, 120, 1215, 375);
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName("CancelButton");
  PlaceInTwips(*cancel, 4680, 600, 1215, 375);
  cancel->setAutoDefault(false);
  ok_ = ok;
  cancel_ = cancel;

  auto* frame = new QGroupBox(QStringLiteral("How much error do you want to explore for?"), this);
  frame->setObjectName("Err_Margin");
  PlaceInTwips(*frame, 120, 120, 4455, 2295);
  errAmount_ = new QButtonGroup(this);
  errAmount_->setObjectName("Err_Amount");
  for (int i = 0; i < kErrorOptionCount; ++i) {
    const OptionPlace& place = kOptionPlaces[i];
    QRadioButton* option = i == kAmountOption
                               ? new WrappingRadioButton(QString::fromUtf8(place.caption), frame)
                               : new QRadioButton(QString::fromUtf8(place.caption), frame);
    option->setObjectName(QStringLiteral("Err_Amount_%1").arg(i));
    errAmount_->addButton(option, i);
    PlaceInTwips(*option, place.left, place.top, place.width, place.height);
    options_[static_cast<std::size_t>(i)] = option;
  }
  specError_ = new QLineEdit(QString::fromUtf8(kSpecErrorInitialText), frame);
  specError_->setObjectName("Spec_Error");
  PlaceInTwips(*specError_, 2640, 1800, 1095, 285);
  specError_->installEventFilter(this);
  lblUnit_ = new QLabel(frame);
  lblUnit_->setObjectName("lblunit");
  lblUnit_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  PlaceInTwips(*lblUnit_, 3840, 1800, 495, 285);

  QWidget* order[] = {ok,          cancel,      options_[0], options_[1],
                      options_[2], options_[3], options_[4], specError_};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
  ApplyFormStyle(*this);

  connect(errAmount_, &QButtonGroup::idClicked, this, [this](int id) { model_.OptionChosen(id); });
  connect(ok, &QPushButton::clicked, this, [this] { model_.OkClicked(); });
  connect(cancel, &QPushButton::clicked, this, [this] { model_.CancelClicked(); });
}

int ErrorExploreWindow::Open(bool inchUnits) {
  model_.Open(*this, inchUnits);
  FitCaptions(*this);
  return exec();
}

bool ErrorExploreWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == specError_ && !closing_) {
    if (event->type() == QEvent::FocusIn && MovedWithinDialog(*static_cast<QFocusEvent*>(event))) {
      model_.SpecErrorFocusIn();
    } else if (event->type() == QEvent::FocusOut &&
               ChecksOnLeaving(*static_cast<QFocusEvent*>(event), ok_, cancel_)) {
      model_.SpecErrorFocusOut();
    }
  }
  return QDialog::eventFilter(watched, event);
}

void ErrorExploreWindow::done(int result) {
  if (closing_) return;
  closing_ = true;
  // OK and Cancel have told the model already; the close control and Escape
  // leave the check and the choice as they stand.
  model_.FrameClosed();
  QDialog::done(result);
}

// ---- ErrorExploreView --------------------------------------------------------

void ErrorExploreWindow::SelectOption(int index) {
  if (index >= 0 && index < kErrorOptionCount)
    options_[static_cast<std::size_t>(index)]->setChecked(true);
}

std::string ErrorExploreWindow::SpecErrorText() { return specError_->text().toStdString(); }

void ErrorExploreWindow::SetSpecErrorText(const std::string& text) {
  specError_->setText(QString::fromStdString(text));
}

void ErrorExploreWindow::SetUnitCaption(const std::string& caption) {
  lblUnit_->setText(QString::fromStdString(caption));
}

void ErrorExploreWindow::ShowMessage(const std::string& title, const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title.empty() ? kAppTitle : title),
                  QString::fromStdString(text), QMessageBox::Ok, this);
  box.exec();
}

void ErrorExploreWindow::FocusSpecError() { specError_->setFocus(Qt::OtherFocusReason); }

void ErrorExploreWindow::ClearQtrWaveCheck() {
  if (clearQtrWave_) clearQtrWave_();
}

void ErrorExploreWindow::Close() { done(QDialog::Accepted); }

}  // namespace vn
