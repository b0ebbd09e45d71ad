// The "Ronchi photo" tab: the photo, the fitted bands over it, and ΔK by hand.
#include "ui/ronchi_photo_page.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/constants.h"
#include "common/number_text.h"
#include "ui/point_spin_box.h"

namespace vn {

namespace {

// As the command line reads photos: far beyond a phone's.
constexpr qint64 kMaxPhotoFileBytes = 64LL * 1024 * 1024;
constexpr qint64 kMaxPhotoPixels = 64LL * 1000 * 1000;
// The picture shown: at most this many pixels across.
constexpr int kShownSize = 560;
// The slider's steps of ΔK.
constexpr double kSliderStep = 0.001;
constexpr int kSliderReach = 300;

}  // namespace

RonchiPhotoPage::RonchiPhotoPage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("RonchiPhotoPage"));
  open_ = new QPushButton(tr("Open photo..."));
  open_->setObjectName(QStringLiteral("RonchiOpen"));
  open_->setToolTip(tr("Open a photo (PNG or JPEG) of the bands seen through the null"));
  lines_ = NewPointSpinBox(tr("Lines/in"), 1.0, 2000.0, 10.0, 1, 100.0);
  lines_->setToolTip(tr("Grating lines per inch"));
  offsetGuess_ = NewPointSpinBox(tr("Offset guess"), -1000.0, 1000.0, 0.5, 3, 5.0);
  offsetGuess_->setToolTip(
      tr("Roughly where the grating stood: inside (+) or outside (-) the return focus"));
  fitButton_ = new QPushButton(tr("Fit"));
  fitButton_->setObjectName(QStringLiteral("RonchiFit"));
  fitButton_->setToolTip(
      tr("Fit the photo again with the grating and the offset's first guess as set"));
  handDeltaK_ = NewPointSpinBox(QStringLiteral("\u0394K"), -0.3, 0.3, kSliderStep, 3, 0.0);
  handDeltaK_->setObjectName(QStringLiteral("RonchiHandDeltaK"));
  handDeltaK_->setToolTip(tr("Draw the bands of a mirror of this \u0394K over the photo"));
  // The mirror's outline in the photo's pixels: found by the fit, or typed
  // where the photo defeats the finder (a bright surround, a cut rim).
  outlineByHand_ = new QCheckBox(tr("by hand"));
  outlineByHand_->setObjectName(QStringLiteral("RonchiOutlineByHand"));
  outlineByHand_->setToolTip(
      tr("Give the mirror's outline (centre and radius, in the photo's pixels) instead of "
         "letting the fit find it"));
  // Whole pixels: the fit's outline is good to a pixel or so.
  outlineX_ = NewPointSpinBox(tr("Outline centre x"), 0.0, 99999.0, 1.0, 0, 0.0);
  outlineY_ = NewPointSpinBox(tr("Outline centre y"), 0.0, 99999.0, 1.0, 0, 0.0);
  outlineR_ = NewPointSpinBox(tr("Outline radius"), 0.0, 99999.0, 1.0, 0, 0.0);
  outlineX_->setObjectName(QStringLiteral("RonchiOutlineX"));
  outlineY_->setObjectName(QStringLiteral("RonchiOutlineY"));
  outlineR_->setObjectName(QStringLiteral("RonchiOutlineR"));
  for (PointSpinBox* spin : {outlineX_, outlineY_, outlineR_}) spin->setEnabled(false);
  slider_ = new QSlider(Qt::Horizontal);
  slider_->setRange(-kSliderReach, kSliderReach);
  slider_->setMinimumWidth(80);
  slider_->setToolTip(tr("Draw the bands of a mirror of another \u0394K over the photo"));

  picture_ = new QLabel;
  picture_->setAlignment(Qt::AlignCenter);
  picture_->setMinimumSize(160, 160);
  picture_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
  result_ = new QLabel;
  result_->setObjectName(QStringLiteral("RonchiResult"));
  result_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  result_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  result_->setWordWrap(true);
  QFont fixed(QStringLiteral("Monospace"));
  fixed.setStyleHint(QFont::TypeWriter);
  result_->setFont(fixed);

  // Short rows, so that the tab never widens the window.
  auto* controls = new QGridLayout;
  controls->addWidget(open_, 0, 0);
  controls->addWidget(fitButton_, 0, 1, Qt::AlignLeft);
  controls->addWidget(new QLabel(tr("Grating, lines/in")), 1, 0);
  controls->addWidget(lines_, 1, 1, Qt::AlignLeft);
  controls->addWidget(new QLabel(tr("Offset, first guess")), 2, 0);
  controls->addWidget(offsetGuess_, 2, 1, Qt::AlignLeft);
  controls->addWidget(new QLabel(tr("Bands drawn for \u0394K")), 3, 0);
  auto* hand = new QHBoxLayout;
  hand->addWidget(handDeltaK_);
  hand->addWidget(slider_, 1);
  controls->addLayout(hand, 3, 1);
  controls->addWidget(new QLabel(tr("Outline, pixels")), 4, 0);
  controls->addWidget(outlineByHand_, 4, 1, Qt::AlignLeft);
  controls->addWidget(new QLabel(tr("x, y, radius")), 5, 0);
  auto* outline = new QHBoxLayout;
  outline->addWidget(outlineX_);
  outline->addWidget(outlineY_);
  outline->addWidget(outlineR_);
  outline->addStretch(1);
  controls->addLayout(outline, 5, 1);
  controls->setColumnStretch(1, 1);
  auto* columns = new QHBoxLayout;
  columns->addWidget(picture_, 3);
  // The figures scroll: their lines must never make the window taller.
  auto* scroll = new QScrollArea;
  scroll->setWidget(result_);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
  columns->addWidget(scroll, 2);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(controls);
  layout->addLayout(columns, 1);

  connect(open_, &QPushButton::clicked, this, &RonchiPhotoPage::OpenPhoto_Click);
  connect(fitButton_, &QPushButton::clicked, this, &RonchiPhotoPage::StartFit);
  connect(outlineByHand_, &QCheckBox::toggled, this, [this](bool byHand) {
    for (PointSpinBox* spin : {outlineX_, outlineY_, outlineR_}) spin->setEnabled(byHand);
  });
  connect(slider_, &QSlider::valueChanged, this, [this](int step) {
    const double value = step * kSliderStep;
    if (std::fabs(handDeltaK_->value() - value) > 0.5 * kSliderStep) handDeltaK_->setValue(value);
  });
  connect(handDeltaK_, qOverload<double>(&QDoubleSpinBox::valueChanged), this, [this](double v) {
    const int step = static_cast<int>(std::lround(v / kSliderStep));
    if (slider_->value() != step) slider_->setValue(step);
    DrawOverlay();
  });
  Clear(tr("No solved set-up yet."));
}

RonchiPhotoPage::~RonchiPhotoPage() { StopFit(); }

void RonchiPhotoPage::StopFit() {
  cancel_.Cancel();
  if (worker_.joinable()) worker_.join();
  cancel_.Reset();
}

void RonchiPhotoPage::ShowSetUp(const SolvedSetUp& setUp, bool inchUnits) {
  StopFit();
  setUp_ = setUp;
  if (inchUnits != inchUnits_) {
    offsetGuess_->setValue(
        unitFromInch(inchFromUnit(offsetGuess_->value(), inchUnits_), inchUnits));
  }
  inchUnits_ = inchUnits;
  offsetGuess_->setSuffix(inchUnits ? QStringLiteral(" in") : QStringLiteral(" mm"));
  model_ = std::make_unique<TesterModel>(setUp);
  fit_.reset();
  open_->setEnabled(true);
  fitButton_->setEnabled(!photo_.pixels.empty());
  if (!photo_.pixels.empty()) {
    StartFit();
  } else {
    result_->setText(tr("Open a photo of the bands seen through the null (PNG or JPEG)."));
    picture_->clear();
  }
}

void RonchiPhotoPage::Clear(const QString& why) {
  StopFit();
  setUp_.reset();
  model_.reset();
  fit_.reset();
  open_->setEnabled(false);
  fitButton_->setEnabled(false);
  picture_->clear();
  result_->setText(why);
}

bool RonchiPhotoPage::OpenPhoto(const QString& path, QString* why) {
  const auto refuse = [&](const QString& text) {
    if (why) *why = text;
    result_->setText(text);
    return false;
  };
  const QFileInfo info(path);
  if (!info.isFile()) return refuse(tr("%1 is not a file.").arg(path));
  if (info.size() > kMaxPhotoFileBytes) return refuse(tr("%1 is larger than 64 MB.").arg(path));
  QImageReader reader(path);
  const QSize size = reader.size();
  if (!size.isValid() || static_cast<qint64>(size.width()) * size.height() > kMaxPhotoPixels) {
    return refuse(tr("%1 is no PNG or JPEG picture of at most 64 megapixels.").arg(path));
  }
  QImage image = reader.read();
  if (image.isNull()) return refuse(tr("%1 cannot be read: it is damaged.").arg(path));
  image = image.convertToFormat(QImage::Format_Grayscale8);
  GreyImage photo(image.width(), image.height(), 0);
  for (int row = 0; row < image.height(); ++row) {
    std::memcpy(&photo.pixels[static_cast<std::size_t>(row) * image.width()],
                image.constScanLine(row), static_cast<std::size_t>(image.width()));
  }
  StopFit();
  photo_ = std::move(photo);
  photoName_ = info.fileName();
  fit_.reset();
  fitButton_->setEnabled(setUp_.has_value());
  if (setUp_) StartFit();
  return true;
}

void RonchiPhotoPage::OpenPhoto_Click() {
  const QString path = QFileDialog::getOpenFileName(this, tr("Open a Ronchi photo"), QString(),
                                                    tr("Pictures (*.png *.jpg *.jpeg)"));
  if (!path.isEmpty()) OpenPhoto(path);
}

void RonchiPhotoPage::StartFit() {
  if (!setUp_ || photo_.pixels.empty()) return;
  StopFit();
  const int generation = ++generation_;
  result_->setText(tr("Fitting %1...").arg(photoName_));
  RonchiPhotoSettings settings;
  settings.gratingLinesPerInch = lines_->value();
  if (offsetGuess_->value() != 0.0) {
    settings.gratingOffset = inchFromUnit(offsetGuess_->value(), inchUnits_);
  }
  if (outlineByHand_->isChecked()) {
    settings.outline = PhotoOutline{outlineX_->value(), outlineY_->value(), outlineR_->value()};
  }
  settings.cancel = &cancel_;
  worker_ = std::thread([this, setUp = *setUp_, photo = photo_, settings, generation] {
    const TesterModel model(setUp, settings.cancel);
    RonchiPhotoFit fit = FitRonchiPhoto(model, photo, settings);
    if (fit.cancelled) return;
    QMetaObject::invokeMethod(
        this,
        [this, fit = std::move(fit), generation]() mutable { Receive(std::move(fit), generation); },
        Qt::QueuedConnection);
  });
}

void RonchiPhotoPage::Receive(RonchiPhotoFit fit, int generation) {
  if (generation != generation_) return;  // a later photo or set-up
  if (worker_.joinable()) worker_.join();
  fit_ = std::move(fit);
  // The outline the fit used, to start from when it must be given by hand.
  if (fit_->outline.radius > 0 && !outlineByHand_->isChecked()) {
    outlineX_->setValue(fit_->outline.centreX);
    outlineY_->setValue(fit_->outline.centreY);
    outlineR_->setValue(fit_->outline.radius);
  }
  result_->setText(QString::fromUtf8(RonchiPhotoText(*fit_, inchUnits_).c_str()));
  if (fit_->ok) {
    const double best = std::clamp(fit_->bestDeltaK, -0.3, 0.3);
    handDeltaK_->setValue(Round(best, 3));
  }
  DrawOverlay();
  emit fitted();
}

void RonchiPhotoPage::DrawOverlay() {
  if (photo_.pixels.empty()) return;
  const int scale =
      std::max(1, (std::max(photo_.width, photo_.height) + kShownSize - 1) / kShownSize);
  const int w = std::max(1, photo_.width / scale), h = std::max(1, photo_.height / scale);
  // Where the fitted bands are dark the photo is tinted red: a band of the
  // photo that does not lie where the bands drawn lie shows as red on
  // white, or dark on clear.
  GreyImage bands;
  if (fit_ && fit_->ok && model_ && model_->ok()) {
    bands = FittedBands(model_->Mirror(handDeltaK_->value()), *fit_, scale);
  }
  double mean = 0;
  long count = 0;
  for (std::uint8_t v : bands.pixels) {
    if (v > 0) mean += v, ++count;
  }
  mean = count > 0 ? mean / count : 0;
  QImage shown(w, h, QImage::Format_RGB32);
  for (int row = 0; row < h; ++row) {
    auto* line = reinterpret_cast<QRgb*>(shown.scanLine(row));
    for (int col = 0; col < w; ++col) {
      double sum = 0;
      for (int dy = 0; dy < scale; ++dy) {
        for (int dx = 0; dx < scale; ++dx) sum += photo_.at(col * scale + dx, row * scale + dy);
      }
      const int grey = static_cast<int>(sum / (scale * scale));
      const bool dark =
          !bands.pixels.empty() && bands.at(col, row) > 0 && bands.at(col, row) < mean;
      line[col] =
          dark ? qRgb(std::min(255, grey + 90), grey / 2, grey / 2) : qRgb(grey, grey, grey);
    }
  }
  const QSize room = picture_->size();
  picture_->setPixmap(QPixmap::fromImage(shown).scaled(
      room.expandedTo(QSize(64, 64)), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

QString RonchiPhotoPage::ResultText() const { return result_->text(); }

}  // namespace vn
