// The "Tester's view" tab: controls, the picture and its caption, the
// residual's export; the pictures come from a worker thread.
#include "ui/tester_view.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QStatusBar>
#include <QVBoxLayout>
#include <cmath>

#include "common/constants.h"
#include "tester/picture_files.h"
#include "tester/residual_files.h"
#include "ui/point_spin_box.h"
#include "ui/square_picture.h"

namespace vn {

namespace {

bool SameSetUp(const SolvedSetUp& a, const SolvedSetUp& b) {
  const NullTestSystem &s = a.system, &t = b.system;
  return s.MirrorSemiDiameter == t.MirrorSemiDiameter && s.MirrorRadius == t.MirrorRadius &&
         s.ConicPlusOne == t.ConicPlusOne && s.LensRadius1 == t.LensRadius1 &&
         s.LensRadius2 == t.LensRadius2 && s.LensThickness == t.LensThickness &&
         s.LensIndex == t.LensIndex && a.objectDistance == b.objectDistance &&
         a.lensMirrorDistance == b.lensMirrorDistance &&
         a.wavelengthMicrons == b.wavelengthMicrons && a.inchUnits == b.inchUnits;
}

// A row of labelled controls.
QWidget* Row(std::initializer_list<std::pair<QString, QWidget*>> items) {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  for (const auto& [label, control] : items) {
    layout->addWidget(new QLabel(label));
    layout->addWidget(control);
  }
  layout->addStretch(1);
  return row;
}

}  // namespace

TesterView::TesterView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TesterView"));
  kind_ = new QComboBox;
  kind_->setObjectName(QStringLiteral("TesterKind"));
  kind_->addItems({tr("Ronchigram"), tr("Foucault"), tr("Interferogram")});
  // The distances the views and the residual describe: by default the ones
  // the verdict tells the user to set up.
  distances_ = new QComboBox;
  distances_->setObjectName(QStringLiteral("TesterDistances"));
  distances_->addItems({tr("the recommended set-up (exact null)"), tr("the report's distances")});
  distances_->setToolTip(tr("The distances the pictures and the exported residual are traced at"));
  tracedAt_ = new QLabel;
  tracedAt_->setObjectName(QStringLiteral("TesterTracedAt"));
  tracedAt_->setWordWrap(true);
  tracedAt_->setStyleSheet(QStringLiteral("color: #7a4b00;"));
  tracedAt_->hide();
  deltaK_ = NewPointSpinBox(QStringLiteral("\u0394K"), -2.0, 2.0, 0.01, 3, 0.0);
  deltaK_->setObjectName(QStringLiteral("TesterDeltaK"));
  deltaK_->setToolTip(tr("Show a mirror whose conic constant differs from the design's"));

  lines_ = NewPointSpinBox(tr("Lines/in"), 1.0, 2000.0, 10.0, 1, 100.0);
  lines_->setToolTip(tr("Grating lines per inch"));
  gratingOffset_ = NewPointSpinBox(tr("Grating offset"), -1000.0, 1000.0, 0.5, 3, 0.0);
  gratingOffset_->setToolTip(tr("Grating inside (+) or outside (-) the return focus"));
  knifeOffset_ = NewPointSpinBox(tr("Knife offset"), -1000.0, 1000.0, 0.1, 3, 0.0);
  knifeOffset_->setToolTip(tr("Knife inside (+) or outside (-) the return focus"));
  knifeEdge_ = NewPointSpinBox(tr("Knife edge"), -100.0, 100.0, 0.005, 4, 0.0);
  knifeEdge_->setToolTip(tr("Knife edge across the beam; the knife comes from the right"));
  tilt_ = NewPointSpinBox(tr("Tilt fringes"), -50.0, 50.0, 1.0, 1, 5.0);
  defocus_ = NewPointSpinBox(tr("Defocus"), -50.0, 50.0, 0.25, 2, 0.0);
  options_ = new QStackedWidget;
  options_->addWidget(Row({{tr("Lines/in"), lines_}, {tr("Offset"), gratingOffset_}}));
  options_->addWidget(Row({{tr("Offset"), knifeOffset_}, {tr("Edge"), knifeEdge_}}));
  options_->addWidget(Row({{tr("Tilt fringes"), tilt_}, {tr("Defocus, waves"), defocus_}}));

  // Why a typed number was refused, beside the boxes.
  problem_ = new QLabel;
  problem_->setObjectName(QStringLiteral("TesterNumberProblem"));
  problem_->setWordWrap(true);
  problem_->setStyleSheet(QStringLiteral("color: #b00000;"));
  problem_->hide();

  pictureLabel_ = new SquarePicture;
  pictureLabel_->setObjectName(QStringLiteral("TesterPicture"));
  caption_ = new QLabel;
  caption_->setObjectName(QStringLiteral("TesterCaption"));
  caption_->setWordWrap(true);
  caption_->setTextFormat(Qt::RichText);
  caption_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  export_ = new QPushButton(tr("Export residual..."));
  export_->setToolTip(tr("The null's residual as .zrn, .wft and .csv for interferogram software"));
  save_ = new QPushButton(tr("Save picture..."));
  save_->setObjectName(QStringLiteral("TesterSavePicture"));
  save_->setToolTip(tr("The view of a perfect mirror through the null as PNG or SVG"));

  auto* top = new QHBoxLayout;
  top->addWidget(kind_);
  top->addWidget(new QLabel(QStringLiteral("\u0394K")));
  top->addWidget(deltaK_);
  top->addStretch(1);
  // The distances on a row of their own: the tab must fit beside the
  // report in a small window.
  auto* at = new QHBoxLayout;
  at->addWidget(new QLabel(tr("Traced at")));
  at->addWidget(distances_);
  at->addStretch(1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(export_);
  buttons->addWidget(save_);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addLayout(top);
  layout->addLayout(at);
  layout->addWidget(tracedAt_);
  layout->addWidget(options_);
  layout->addWidget(problem_);
  layout->addWidget(pictureLabel_, 1);
  // The caption scrolls within a few lines: a long one (a vignetted set-up,
  // a verdict's warning) must not push the picture below its least size,
  // and the tab keeps one height whatever the caption says.
  auto* captionScroll = new QScrollArea;
  captionScroll->setObjectName(QStringLiteral("TesterCaptionScroll"));
  captionScroll->setWidget(caption_);
  captionScroll->setWidgetResizable(true);
  captionScroll->setFrameShape(QFrame::NoFrame);
  captionScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  const int lines = caption_->fontMetrics().lineSpacing();
  captionScroll->setMinimumHeight(4 * lines + 4);
  captionScroll->setMaximumHeight(7 * lines + 4);
  layout->addWidget(captionScroll);
  layout->addLayout(buttons);

  connect(distances_, &QComboBox::currentIndexChanged, this, [this] {
    ChooseSetUp();
    SendRequest();
  });
  connect(kind_, &QComboBox::currentIndexChanged, this, [this](int index) {
    options_->setCurrentIndex(index);
    SendRequest();
  });
  for (PointSpinBox* spin :
       {deltaK_, lines_, knifeOffset_, knifeEdge_, tilt_, defocus_, gratingOffset_}) {
    connect(spin, &PointSpinBox::problemChanged, this, &TesterView::ShowNumberProblem);
    connect(spin, &QDoubleSpinBox::valueChanged, this, [this, spin] {
      if (settingControls_) return;
      if (spin == gratingOffset_) gratingOffsetChosen_ = true;
      if (spin == lines_) gratingOffsetChosen_ = false;  // the default follows the ruling
      SendRequest();
    });
  }
  connect(export_, &QPushButton::clicked, this, &TesterView::ExportResidual_Click);
  connect(save_, &QPushButton::clicked, this, &TesterView::SavePicture_Click);

  worker_ = std::thread([this] { Work(); });
  Clear(tr("No solved set-up yet."));
}

TesterView::~TesterView() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    cancel_.Cancel();
  }
  wake_.notify_one();
  worker_.join();
}

void TesterView::ShowSetUp(const SolvedSetUp& in, std::optional<VerdictStatus> verdict,
                           const RecommendedSetUp& recommended) {
  verdict_ = verdict;
  recommended_ = recommended;
  const bool inchUnits = in.inchUnits;
  if (inchUnits != inchUnits_) {
    // The lengths' controls follow the run's unit.
    settingControls_ = true;
    const double factor = inchUnits ? inchFromMm(1.0) : mmFromInch(1.0);
    for (QDoubleSpinBox* spin : {gratingOffset_, knifeOffset_, knifeEdge_}) {
      spin->setValue(spin->value() * factor);
    }
    settingControls_ = false;
    inchUnits_ = inchUnits;
  }
  const QString unit = inchUnits ? tr(" in") : tr(" mm");
  for (QDoubleSpinBox* spin : {gratingOffset_, knifeOffset_, knifeEdge_}) spin->setSuffix(unit);
  setUp_ = in;
  export_->setEnabled(true);
  ChooseSetUp();
  SendRequest();
}

void TesterView::ChooseSetUp() {
  if (!setUp_) {
    chosen_.reset();
    tracedAt_->hide();
    return;
  }
  const TesterDistances asked =
      distances_->currentIndex() == 1 ? TesterDistances::Report : TesterDistances::Recommended;
  chosen_ = ChooseTesterSetUp(*setUp_, recommended_, asked);
  // The caption ends with the distances traced at; a fallback the user did
  // not choose is said at once, above the picture, as a warning.
  tracedAt_->setText(tr("Traced %1.").arg(QString::fromStdString(chosen_->description)));
  tracedAt_->setVisible(chosen_->shown != asked);
}

void TesterView::ChooseDistances(TesterDistances distances) {
  distances_->setCurrentIndex(distances == TesterDistances::Report ? 1 : 0);
}

QString TesterView::TracedAtText() const {
  return chosen_ ? QString::fromStdString(chosen_->description) : QString();
}

void TesterView::Clear(const QString& why) {
  setUp_.reset();
  chosen_.reset();
  tracedAt_->hide();
  picture_ = TesterPicture{};
  perfect_.reset();
  pictureLabel_->SetText(why);
  caption_->clear();
  export_->setEnabled(false);
  save_->setEnabled(false);
  SendRequest();
}

void TesterView::SendRequest() {
  Request request;
  request.setUp = chosen_;
  request.deltaK = deltaK_->value();
  request.generation = ++generation_;
  TesterViewSettings& s = request.settings;
  s.kind = static_cast<TesterViewKind>(kind_->currentIndex());
  s.sizePx = 512;
  s.gratingLinesPerInch = lines_->value();
  if (gratingOffsetChosen_) s.gratingOffset = Inches(gratingOffset_->value());
  s.knifeOffset = Inches(knifeOffset_->value());
  s.knifeEdge = Inches(knifeEdge_->value());
  s.sourceWidth = inchUnits_ ? 0.001 : inchFromMm(0.025);
  s.tiltFringes = tilt_->value();
  s.defocusWaves = defocus_->value();
  s.inchUnits = inchUnits_;
  s.verdict = verdict_;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_ = request;
    cancel_.Cancel();  // whatever the worker does now is already out of date
  }
  wake_.notify_one();
}

void TesterView::Work() {
  // What the worker keeps between requests: the model of the set-up and the
  // mirrors traced through it, so that a turned control only redraws.
  std::optional<TesterSetUp> modelFor;
  std::unique_ptr<TesterModel> model;
  std::shared_ptr<const MirrorThroughNull> perfect, shown;
  for (;;) {
    Request request;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || pending_.has_value(); });
      if (stopping_) return;
      request = *pending_;
      pending_.reset();
      cancel_.Reset();
    }
    Result result;
    result.generation = request.generation;
    if (request.setUp) {
      if (!modelFor || !SameSetUp(modelFor->setUp, request.setUp->setUp) ||
          modelFor->description != request.setUp->description) {
        model = std::make_unique<TesterModel>(*request.setUp, &cancel_);
        modelFor = request.setUp;
        perfect.reset();
        shown.reset();
      }
      if (!perfect) perfect = std::make_shared<const MirrorThroughNull>(model->Mirror(0.0));
      if (!shown || shown->deltaK != request.deltaK) {
        shown = request.deltaK == 0.0
                    ? perfect
                    : std::make_shared<const MirrorThroughNull>(model->Mirror(request.deltaK));
      }
      result.picture = RenderTesterView(*shown, request.settings);
      result.perfect = perfect;
      result.defaultGratingOffset =
          DefaultGratingOffset(*shown, request.settings.gratingLinesPerInch);
      // A mirror stopped half-way is not kept: the next request traces it again.
      if (cancel_.Cancelled()) {
        if (!perfect->ok) perfect.reset();
        if (!shown->ok) shown.reset();
        continue;
      }
    }
    QMetaObject::invokeMethod(
        this, [this, r = std::move(result)]() mutable { Receive(std::move(r)); },
        Qt::QueuedConnection);
  }
}

void TesterView::Receive(Result result) {
  if (result.generation != generation_) return;  // a newer request is on its way
  if (!setUp_) return;
  picture_ = std::move(result.picture);
  perfect_ = std::move(result.perfect);
  if (!gratingOffsetChosen_) {
    settingControls_ = true;
    gratingOffset_->setValue(Shown(result.defaultGratingOffset));
    settingControls_ = false;
  }
  ShowPicture();
}

void TesterView::ShowPicture() {
  save_->setEnabled(picture_.ok);
  if (!picture_.ok) {
    pictureLabel_->SetText(tr("No picture: %1").arg(QString::fromStdString(picture_.why)));
    caption_->clear();
    return;
  }
  const GreyImage& disc = picture_.disc;
  // A copy: the picture's pixels belong to picture_, which the next result replaces.
  pictureLabel_->SetImage(
      QImage(disc.pixels.data(), disc.width, disc.height, disc.width, QImage::Format_Grayscale8)
          .copy());
  QString caption = "<b>" + QString::fromStdString(picture_.title).toHtmlEscaped() + "</b>";
  for (const std::string& sentence : picture_.caption) {
    caption += "<br>" + QString::fromStdString(sentence).toHtmlEscaped();
  }
  caption_->setText(caption);
}

void TesterView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (picture_.ok) ShowPicture();
}

QString TesterView::CaptionText() const { return caption_->text(); }

void TesterView::ShowNumberProblem(const QString& problem) {
  problem_->setText(problem);
  problem_->setVisible(!problem.isEmpty());
  if (auto* main = qobject_cast<QMainWindow*>(window()); main != nullptr && !problem.isEmpty())
    main->statusBar()->showMessage(problem);
}

QStringList TesterView::ExportResidual(const QString& folder, QString* why) {
  if (!perfect_) {
    if (why != nullptr) *why = tr("The residual is not computed yet.");
    return {};
  }
  const ResidualExport written = WriteResidualFiles(*perfect_, folder.toStdString(), inchUnits_);
  if (!written.ok) {
    if (why != nullptr) *why = QString::fromStdString(written.why);
    return {};
  }
  QStringList paths;
  for (const std::string& path : written.paths) paths << QString::fromStdString(path);
  return paths;
}

QString TesterView::SavePicture(const QString& path) const {
  return QString::fromStdString(WriteTesterPicture(picture_, path.toStdString()).why);
}

void TesterView::ExportResidual_Click() {
  const QString folder =
      QFileDialog::getExistingDirectory(this, tr("Export the null's residual into"));
  if (folder.isEmpty()) return;
  QString why;
  const QStringList paths = ExportResidual(folder, &why);
  if (paths.isEmpty()) {
    QMessageBox::warning(this, tr("Export residual"), why);
    return;
  }
  QMessageBox::information(
      this, tr("Export residual"),
      tr("Wrote %1\n\n%2")
          .arg(paths.join(QStringLiteral("\n")),
               perfect_ ? QString::fromStdString(ResidualSummary(*perfect_)) : QString()));
}

void TesterView::SavePicture_Click() {
  const QString path = QFileDialog::getSaveFileName(
      this, tr("Save picture"), QStringLiteral("tester_view.png"), tr("Pictures (*.png *.svg)"));
  if (path.isEmpty()) return;
  const QString why = SavePicture(path);
  if (!why.isEmpty()) QMessageBox::warning(this, tr("Save picture"), why);
}

}  // namespace vn
