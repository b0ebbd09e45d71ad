// The Tolerances window.
#include "ui/tolerance_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "analysis/tolerance_file.h"
#include "analysis/tolerance_report.h"
#include "common/constants.h"
#include "common/number_text.h"
#include "pictures/exact_pictures.h"
#include "record/solved_set_up.h"
#include "ui/exact_plots.h"
#include "ui/form_style.h"

namespace vn {

namespace {

constexpr int kPollMs = 50;
constexpr int kHistogramBins = 30;

QString Text(const std::string& s) { return QString::fromStdString(s); }

// The entries of the tolerances, in the order of kToleranceFileKeys: label
// and unit (a length's unit is the run's).
struct EntryLabel {
  const char* label;
  const char* unit;  // nullptr: the run's length unit
};
constexpr EntryLabel kEntries[10] = {{"Source to lens", nullptr}, {"Lens to mirror", nullptr},
                                     {"Lens thickness", nullptr}, {"Curved radii", "%"},
                                     {"Flat faces", "fringes"},   {"Lens index", ""},
                                     {"Wavelength", "nm"},        {"Lens tilt", "°"},
                                     {"Lens decenter", nullptr},  {"Source off the axis", nullptr}};

// What the histogram can show.
enum class HistogramOf { Rms, Pv, Conic };

// A histogram of values in equal bins, with an optional marked value.
struct HistogramPicture {
  QString title;
  QString xLabel;
  Histogram histogram;
  std::optional<double> marker;
  QString markerName;
};

void PaintHistogram(QPainter& painter, const QRectF& area, const HistogramPicture& picture) {
  painter.save();
  painter.fillRect(area, Qt::white);
  const QFontMetricsF metrics(painter.font());
  const double line = metrics.height();
  const QRectF plot = area.adjusted(5.0 * line, 1.8 * line, -1.5 * line, -2.8 * line);
  painter.setPen(Qt::black);
  painter.drawText(QRectF(area.left(), area.top(), area.width(), 1.6 * line), Qt::AlignCenter,
                   picture.title);
  const Histogram& h = picture.histogram;
  int most = 1;
  for (int c : h.counts) most = std::max(most, c);
  double low = h.low, high = h.high;
  if (picture.marker) {
    low = std::min(low, *picture.marker);
    high = std::max(high, *picture.marker);
  }
  if (!(high > low)) high = low + 1.0;
  const auto xOf = [&](double v) { return plot.left() + (v - low) / (high - low) * plot.width(); };
  const auto yOf = [&](double c) { return plot.bottom() - c / most * plot.height(); };

  // Bars.
  const double width = h.counts.empty() ? 0.0 : (h.high - h.low) / h.counts.size();
  painter.setPen(QPen(QColor(40, 70, 140), 1.0));
  painter.setBrush(QColor(120, 150, 210));
  for (std::size_t i = 0; i < h.counts.size(); ++i) {
    const double left = h.low + i * width;
    painter.drawRect(
        QRectF(QPointF(xOf(left), yOf(h.counts[i])), QPointF(xOf(left + width), plot.bottom())));
  }

  // Axes with ticks.
  painter.setPen(Qt::black);
  painter.setBrush(Qt::NoBrush);
  painter.drawLine(plot.bottomLeft(), plot.bottomRight());
  painter.drawLine(plot.bottomLeft(), plot.topLeft());
  for (double t : NiceTicks(low, high, 6)) {
    if (t < low || t > high) continue;
    const double x = xOf(t);
    painter.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + 0.3 * line));
    painter.drawText(QRectF(x - 3 * line, plot.bottom() + 0.3 * line, 6 * line, line),
                     Qt::AlignCenter, Text(GeneralNumber(t)));
  }
  for (double t : NiceTicks(0.0, most, 4)) {
    if (t < 0 || t > most) continue;
    const double y = yOf(t);
    painter.drawLine(QPointF(plot.left() - 0.3 * line, y), QPointF(plot.left(), y));
    painter.drawText(QRectF(area.left() + 1.2 * line, y - 0.5 * line, 3.3 * line, line),
                     Qt::AlignRight | Qt::AlignVCenter, Text(GeneralNumber(t)));
  }
  // The y axis counts the built set-ups in each bin.
  painter.save();
  painter.translate(area.left(), plot.center().y());
  painter.rotate(-90);
  painter.drawText(QRectF(-0.5 * plot.height(), 0, plot.height(), line), Qt::AlignCenter,
                   QObject::tr("set-ups per bin"));
  painter.restore();
  painter.drawText(QRectF(plot.left(), plot.bottom() + 1.4 * line, plot.width(), line),
                   Qt::AlignCenter, picture.xLabel);

  if (picture.marker) {
    painter.setPen(QPen(QColor(200, 40, 40), 1.5, Qt::DashLine));
    const double x = xOf(*picture.marker);
    painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    painter.drawText(QRectF(x + 0.3 * line, plot.top(), 8 * line, line),
                     Qt::AlignLeft | Qt::AlignVCenter, picture.markerName);
  }
  painter.restore();
}

// A label whose text grows with the answers it shows, in a scroll area of
// `lines` lines: a long answer scrolls rather than make the window taller
// than a 700-pixel screen.
QScrollArea* Scrolling(QLabel* label, int lines) {
  auto* scroll = new QScrollArea;
  scroll->setWidget(label);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll->setMinimumHeight(lines * label->fontMetrics().lineSpacing() + 4);
  return scroll;
}

QTableWidgetItem* Cell(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
  return item;
}

}  // namespace

ToleranceWindow::ToleranceWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("ToleranceWindow");
  setWindowTitle(tr("Tolerances - how exactly the null must be built"));
  BuildControls();
  poll_ = new QTimer(this);
  poll_->setInterval(kPollMs);
  connect(poll_, &QTimer::timeout, this, &ToleranceWindow::PollMonteCarlo);
  ResizeWithinScreen(*this, QSize(1180, 900));
  ShowNothing(tr("No set-up to analyse."));
}

ToleranceWindow::~ToleranceWindow() = default;  // the job cancels and joins its threads

void ToleranceWindow::BuildControls() {
  // From 1024 x 700 up every control shows; on a still smaller screen the
  // window is smaller than its controls, and they scroll rather than leave
  // the Monte Carlo's buttons below the screen's edge.
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  auto* scroll = new QScrollArea(this);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  outer->addWidget(scroll);
  auto* body = new QWidget(scroll);
  auto* layout = new QVBoxLayout(body);
  summary_ = new QLabel(this);
  summary_->setObjectName("ToleranceSummary");
  summary_->setWordWrap(true);
  summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(summary_);

  // The sensitivity table.
  sensitivity_ = new QTableWidget(0, 8, this);
  sensitivity_->setObjectName("SensitivityTable");
  sensitivity_->setHorizontalHeaderLabels(
      {tr("Build figure"), tr("Design"), tr("+ change for\n1/20 wave RMS"),
       tr("- change for\n1/20 wave RMS"), tr("Looks like (Zernike, waves)"), tr("Tolerance"),
       tr("Mirror seems\nat + tolerance"), tr("Mirror seems\nat - tolerance")});
  sensitivity_->verticalHeader()->setVisible(false);
  // One line a row, whatever width the columns had when the rows were sized;
  // every term is in the "Looks like" cell's tool tip.
  sensitivity_->setWordWrap(false);
  sensitivity_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  sensitivity_->horizontalHeader()->setSectionResizeMode(4, QHeaderView::Stretch);
  sensitivity_->setSelectionBehavior(QAbstractItemView::SelectRows);
  // The table takes the height left by the controls below it, and scrolls.
  layout->addWidget(sensitivity_, 1);

  auto* lower = new QHBoxLayout;
  layout->addLayout(lower);

  // The tolerances and the Monte Carlo's controls.
  auto* tolerances = new QGroupBox(tr("Your tolerances (±) and the Monte Carlo"), this);
  auto* grid = new QGridLayout(tolerances);
  // Two columns of five, so that the Monte Carlo's button and its progress
  // stay on a 700-pixel screen below the table.
  constexpr int kRows = 5;
  // Wide enough for "0.0005" and "100000".
  const int entryWidth = fontMetrics().horizontalAdvance(QStringLiteral("0.00050")) + 16;
  for (std::size_t k = 0; k < toleranceEntries_.size(); ++k) {
    const int row = static_cast<int>(k) % kRows;
    const int column = 3 * (static_cast<int>(k) / kRows);
    grid->addWidget(new QLabel(tr(kEntries[k].label), tolerances), row, column);
    toleranceEntries_[k] = new QLineEdit(tolerances);
    toleranceEntries_[k]->setObjectName(QStringLiteral("Tolerance_") + kToleranceFileKeys[k]);
    toleranceEntries_[k]->setFixedWidth(entryWidth);
    grid->addWidget(toleranceEntries_[k], row, column + 1);
    toleranceUnits_[k] = new QLabel(tolerances);
    grid->addWidget(toleranceUnits_[k], row, column + 2);
  }
  grid->addWidget(new QLabel(tr("Set-ups to draw"), tolerances), kRows, 0);
  trials_ = new QLineEdit(QStringLiteral("10000"), tolerances);
  trials_->setObjectName("MonteCarloTrials");
  trials_->setFixedWidth(entryWidth);
  grid->addWidget(trials_, kRows, 1);
  grid->addWidget(new QLabel(tr("Seed"), tolerances), kRows, 3);
  seed_ = new QLineEdit(QStringLiteral("1"), tolerances);
  seed_->setObjectName("MonteCarloSeed");
  seed_->setFixedWidth(entryWidth);
  grid->addWidget(seed_, kRows, 4);
  run_ = new QPushButton(tr("Run Monte Carlo"), tolerances);
  run_->setObjectName("RunMonteCarlo");
  cancel_ = new QPushButton(tr("Cancel"), tolerances);
  cancel_->setObjectName("CancelMonteCarlo");
  cancel_->setEnabled(false);
  grid->addWidget(run_, kRows + 1, 0, 1, 2);
  grid->addWidget(cancel_, kRows + 1, 3, 1, 2);
  progress_ = new QProgressBar(tolerances);
  progress_->setObjectName("MonteCarloProgress");
  progress_->setRange(0, 1);
  progress_->setValue(0);
  grid->addWidget(progress_, kRows + 2, 0, 1, 6);
  connect(run_, &QPushButton::clicked, this, [this] { StartMonteCarlo(); });
  connect(cancel_, &QPushButton::clicked, this, &ToleranceWindow::CancelMonteCarlo);
  lower->addWidget(tolerances);

  // The histogram and the Monte Carlo's figures.
  auto* middle = new QVBoxLayout;
  histogramOf_ = new QComboBox(this);
  histogramOf_->setObjectName("HistogramOf");
  histogramOf_->addItems({tr("Residual RMS of the built set-ups"),
                          tr("Residual P-V of the built set-ups"),
                          tr("Conic constant the mirror seems to have")});
  connect(histogramOf_, &QComboBox::currentIndexChanged, this, [this] { ShowHistogram(); });
  middle->addWidget(histogramOf_);
  histogram_ = new ExactPlotWidget(this);
  histogram_->setObjectName("MonteCarloHistogram");
  middle->addWidget(histogram_, 1);
  statistics_ = new QLabel(this);
  statistics_->setObjectName("MonteCarloFigures");
  statistics_->setWordWrap(true);
  statistics_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  statistics_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  middle->addWidget(Scrolling(statistics_, 6));
  lower->addLayout(middle, 1);

  // The reverse question and the exports.
  auto* right = new QVBoxLayout;
  auto* reverse = new QGroupBox(tr("The mirror's conic from its best null"), this);
  auto* reverseLayout = new QVBoxLayout(reverse);
  // Its texts wrap: the window must fit a 1024-pixel screen beside the
  // tolerances and the histogram.
  auto* spacingLabel = new QLabel(tr("Spacing of the best null found (lens to mirror):"));
  spacingLabel->setWordWrap(true);
  reverseLayout->addWidget(spacingLabel);
  measuredSpacing_ = new QLineEdit(reverse);
  measuredSpacing_->setObjectName("MeasuredSpacing");
  reverseLayout->addWidget(measuredSpacing_);
  auto* find = new QPushButton(tr("Find the conic constant"), reverse);
  find->setObjectName("FindConic");
  connect(find, &QPushButton::clicked, this, &ToleranceWindow::ConicFromSpacing_Click);
  connect(measuredSpacing_, &QLineEdit::returnPressed, this,
          &ToleranceWindow::ConicFromSpacing_Click);
  reverseLayout->addWidget(find);
  conicAnswer_ = new QLabel(reverse);
  conicAnswer_->setObjectName("ConicAnswer");
  conicAnswer_->setWordWrap(true);
  conicAnswer_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  reverseLayout->addWidget(Scrolling(conicAnswer_, 6), 1);
  right->addWidget(reverse, 1);
  exportCsv_ = new QPushButton(tr("Export CSV..."), this);
  exportCsv_->setObjectName("ExportCsv");
  connect(exportCsv_, &QPushButton::clicked, this, &ToleranceWindow::ExportCsv_Click);
  exportPictures_ = new QPushButton(tr("Export histogram..."), this);
  exportPictures_->setToolTip(tr("The histogram as PNG and SVG files"));
  exportPictures_->setObjectName("ExportHistogram");
  connect(exportPictures_, &QPushButton::clicked, this, &ToleranceWindow::ExportPictures_Click);
  right->addWidget(exportCsv_);
  right->addWidget(exportPictures_);
  lower->addLayout(right);

  status_ = new QLabel(this);
  status_->setObjectName("ToleranceStatus");
  status_->setWordWrap(true);
  layout->addWidget(status_);
  scroll->setWidget(body);
}

void ToleranceWindow::ShowNothing(const QString& why) {
  CancelMonteCarlo();
  model_.reset();
  table_.reset();
  monteCarlo_.reset();
  summary_->setText(why);
  sensitivity_->setRowCount(0);
  histogram_->ClearPicture(tr("Run the Monte Carlo to see how the built set-ups spread."));
  statistics_->clear();
  conicAnswer_->clear();
  run_->setEnabled(false);
  exportCsv_->setEnabled(false);
  exportPictures_->setEnabled(false);
}

void ToleranceWindow::ShowOutOfDate(const QString& why) {
  job_.reset();  // stops its threads; its figures are of the old set-up
  poll_->stop();
  cancel_->setEnabled(false);
  progress_->setValue(0);
  ShowNothing(why);
}

void ToleranceWindow::ShowSetUp(const SolvedSetUp& input) {
  ShowNothing(tr("Analysing..."));
  inch_ = input.inchUnits;
  model_ = std::make_shared<const ToleranceModel>(input);
  const QString lengthUnit = inch_ ? QStringLiteral("in") : QStringLiteral("mm");
  const auto texts = ToleranceTexts(DefaultTolerances(inch_), inch_);
  for (std::size_t k = 0; k < toleranceEntries_.size(); ++k) {
    toleranceEntries_[k]->setText(Text(texts[k]));
    toleranceUnits_[k]->setText(kEntries[k].unit == nullptr ? lengthUnit
                                                            : QString::fromUtf8(kEntries[k].unit));
  }
  measuredSpacing_->setPlaceholderText(lengthUnit);
  if (!model_->ok()) {
    summary_->setText(tr("The set-up cannot be analysed: %1").arg(Text(model_->message())));
    return;
  }
  table_ = ComputeSensitivities(*model_, DefaultTolerances(inch_));
  FillTable();
  run_->setEnabled(table_->ok);
  exportCsv_->setEnabled(table_->ok);
}

void ToleranceWindow::FillTable() {
  if (!table_->ok) {
    summary_->setText(tr("The sensitivities could not be found: %1").arg(Text(table_->why)));
    return;
  }
  const SensitivityTable& t = *table_;
  summary_->setText(
      tr("Exact trace of %1 rays over the whole mirror in three dimensions at %2 nm. As designed "
         "the null leaves %3 waves P-V, %4 waves RMS about the best reference point. Each line: "
         "how far a build figure may be off before the wavefront changes by 1/20 wave RMS after "
         "you refocus, what that change looks like, and the conic constant the mirror seems to "
         "have when the figure is off by your tolerance.")
          .arg(t.rays)
          .arg(Text(RoundedText(t.wavelengthMicrons * 1000.0, 1)))
          .arg(Text(RoundedText(t.designPvWaves, 4)))
          .arg(Text(RoundedText(t.designRmsWaves, 4))));
  sensitivity_->setRowCount(static_cast<int>(t.rows.size()));
  for (std::size_t i = 0; i < t.rows.size(); ++i) {
    const SensitivityRow& row = t.rows[i];
    const int r = static_cast<int>(i);
    const auto change = [&](const std::optional<double>& value, double sign) {
      if (value) return Text(ChangeText(*value, row.unit, inch_));
      return tr("beyond %1").arg(Text(ChangeText(sign * row.searchLimit, row.unit, inch_)));
    };
    sensitivity_->setItem(r, 0, Cell(tr(ParameterInfo(row.parameter).label)));
    sensitivity_->setItem(r, 1, Cell(Text(NominalText(row, inch_))));
    sensitivity_->setItem(r, 2, Cell(change(row.plus, 1.0)));
    sensitivity_->setItem(r, 3, Cell(change(row.minus, -1.0)));
    auto* looks = Cell(Text(LooksLikeText(row)));
    // Every term in the tool tip, Fringe-numbered from Z1.
    QString terms;
    for (std::size_t j = 1; j < row.zernike.size(); ++j) {
      if (std::fabs(row.zernike[j]) < 5e-4) continue;
      terms += QStringLiteral("Z%1 %2: %3\n")
                   .arg(j + 1)
                   .arg(Text(ZernikeTermName(FringeTerm(static_cast<int>(j)))))
                   .arg(Text(RoundedText(row.zernike[j], 4)));
    }
    looks->setToolTip(terms.trimmed());
    sensitivity_->setItem(r, 4, looks);
    const bool exact = row.tolerance == 0.0;
    sensitivity_->setItem(
        r, 5,
        Cell(exact ? tr("exact") : "±" + Text(ChangeText(row.tolerance, row.unit, inch_, false))));
    sensitivity_->setItem(r, 6, Cell(exact ? QString() : Text(ConicText(row.apparentConicPlus))));
    sensitivity_->setItem(r, 7, Cell(exact ? QString() : Text(ConicText(row.apparentConicMinus))));
    if (!row.why.empty()) sensitivity_->item(r, 0)->setToolTip(Text(row.why));
  }
  // Room for its heading and four rows at least; the rest scroll inside
  // it on a small screen rather than push the Monte Carlo off it. The
  // heading's own wish: before the window is first shown its height is not
  // laid out yet.
  sensitivity_->resizeRowsToContents();
  int height = std::max(sensitivity_->horizontalHeader()->height(),
                        sensitivity_->horizontalHeader()->sizeHint().height()) +
               2 * sensitivity_->frameWidth();
  for (int r = 0; r < std::min(4, sensitivity_->rowCount()); ++r)
    height += sensitivity_->rowHeight(r);
  sensitivity_->setMinimumHeight(height);
}

bool ToleranceWindow::StartMonteCarlo() {
  if (!model_ || !model_->ok() || job_) return false;
  std::array<std::string, 10> texts;
  for (std::size_t k = 0; k < texts.size(); ++k)
    texts[k] = toleranceEntries_[k]->text().toStdString();
  std::size_t bad = 0;
  const auto tolerances = ReadToleranceTexts(texts, inch_, &bad);
  if (!tolerances) {
    // A comma is named as such, as in every field of the program.
    const std::string text = texts[bad];
    SetStatus(ReadNumber(text) || text.find(',') == std::string::npos
                  ? tr("The tolerance of \"%1\" is not a number of 0 or more.")
                        .arg(tr(kEntries[bad].label))
                  : tr("The tolerance of \"%1\" %2")
                        .arg(tr(kEntries[bad].label), Text(NumberTextProblem(text))));
    toleranceEntries_[bad]->setFocus();
    return false;
  }
  const auto trials = ReadNumber(trials_->text().toStdString());
  const auto seed = ReadNumber(seed_->text().toStdString());
  if (!trials || *trials < 1 || *trials > 1000000 || *trials != std::floor(*trials)) {
    SetStatus(tr("The number of set-ups must be a whole number from 1 to 1000000."));
    return false;
  }
  if (!seed || *seed < 0 || *seed > 9007199254740992.0 || *seed != std::floor(*seed)) {
    SetStatus(tr("The seed must be a whole number of 0 or more."));
    return false;
  }
  // The table's conic columns follow the tolerances (a few tens of ms).
  table_ = ComputeSensitivities(*model_, *tolerances);
  FillTable();

  MonteCarloSettings settings;
  settings.trials = static_cast<int>(*trials);
  settings.seed = static_cast<std::uint64_t>(*seed);
  job_ = std::make_unique<MonteCarloJob>(model_, *tolerances, settings);
  progress_->setRange(0, settings.trials);
  progress_->setValue(0);
  run_->setEnabled(false);
  cancel_->setEnabled(true);
  SetStatus(tr("Drawing %1 set-ups on every core...").arg(settings.trials));
  poll_->start();
  return true;
}

void ToleranceWindow::CancelMonteCarlo() {
  if (job_) job_->Cancel();
}

void ToleranceWindow::PollMonteCarlo() {
  if (!job_) {
    poll_->stop();
    return;
  }
  progress_->setValue(job_->completed());
  if (!job_->finished()) return;
  poll_->stop();
  monteCarlo_ = job_->TakeResult();
  job_.reset();
  run_->setEnabled(true);
  cancel_->setEnabled(false);
  progress_->setValue(monteCarlo_->completed);
  ShowMonteCarlo();
  emit monteCarloEnded();
}

void ToleranceWindow::ShowMonteCarlo() {
  const MonteCarloResult& mc = *monteCarlo_;
  QString head = mc.cancelled
                     ? tr("Cancelled after %1 of %2 set-ups.").arg(mc.completed).arg(mc.requested)
                     : tr("%1 set-ups drawn within the tolerances (seed %2), each refocused.")
                           .arg(mc.completed)
                           .arg(QString::number(mc.seed));
  statistics_->setText(head + "\n" + (mc.ok ? Text(MonteCarloLines(mc)) : Text(mc.why)));
  SetStatus(mc.cancelled ? tr("Monte Carlo cancelled.") : tr("Monte Carlo done."));
  exportPictures_->setEnabled(mc.ok);
  ShowHistogram();
}

void ToleranceWindow::ShowHistogram() {
  if (!monteCarlo_ || !monteCarlo_->ok) return;
  const auto of = static_cast<HistogramOf>(histogramOf_->currentIndex());
  std::vector<double> values;
  for (const MonteCarloTrial& t : monteCarlo_->trials) {
    if (!t.traced) continue;
    values.push_back(of == HistogramOf::Rms  ? t.rmsWaves
                     : of == HistogramOf::Pv ? t.pvWaves
                                             : t.apparentConic);
  }
  HistogramPicture picture;
  picture.histogram = MakeHistogram(values, kHistogramBins);
  switch (of) {
    case HistogramOf::Rms:
      picture.title = tr("Residual RMS after refocusing");
      picture.xLabel = tr("waves RMS");
      break;
    case HistogramOf::Pv:
      picture.title = tr("Residual P-V after refocusing");
      picture.xLabel = tr("waves P-V");
      picture.marker = kGoodNullPvWaves;
      picture.markerName = tr("1/8 wave");
      break;
    case HistogramOf::Conic:
      picture.title = tr("Conic constant the mirror seems to have");
      picture.xLabel = tr("K");
      picture.marker = model_ ? std::optional<double>(model_->conicConstant()) : std::nullopt;
      picture.markerName = tr("true K");
      break;
  }
  histogram_->SetPicture([picture](QPainter& p, const QRectF& r) { PaintHistogram(p, r, picture); },
                         QStringLiteral("tolerance_histogram"));
}

void ToleranceWindow::ConicFromSpacing_Click() {
  if (!model_ || !model_->ok()) return;
  const auto spacing = ReadNumber(measuredSpacing_->text().toStdString());
  if (!spacing || !(*spacing > 0.0)) {
    const std::string typed = measuredSpacing_->text().toStdString();
    conicAnswer_->setText(typed.find(',') != std::string::npos
                              ? tr("The spacing %1").arg(Text(NumberTextProblem(typed)))
                              : tr("Type the spacing as a positive number in %1.")
                                    .arg(inch_ ? QStringLiteral("inches") : QStringLiteral("mm")));
    return;
  }
  const double inches = inchFromUnit(*spacing, inch_);
  const ConicFromSpacing answer = ConicFromBestNullSpacing(*model_, inches);
  QString text = Text(ConicFromSpacingText(answer, model_->conicConstant(), inch_));
  if (answer.ok) {
    // Three spacings meet the user here; say which this one is.
    text +=
        tr("\n\nThat best null is where the least RMS lies with the source and the lens "
           "left where the run put them (the as-built spacing of a test you have set up). "
           "It is not a distance to set up: set up the verdict's distances in the main "
           "window (the exact null, where source and lens are both adjusted); the report's "
           "figures are the run's own trace.");
  }
  conicAnswer_->setText(text);
}

bool ToleranceWindow::ExportCsv(const QString& basePath) const {
  if (!table_ || !table_->ok) return false;
  const auto write = [](const QString& path, const std::string& text) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return file.write(text.data(), static_cast<qint64>(text.size())) ==
           static_cast<qint64>(text.size());
  };
  bool ok = write(basePath + "_sensitivity.csv", SensitivityCsv(*table_, inch_));
  if (monteCarlo_) ok = write(basePath + "_set_ups.csv", MonteCarloCsv(*monteCarlo_)) && ok;
  return ok;
}

bool ToleranceWindow::ExportPictures(const QString& basePath) const {
  if (!histogram_->HasPicture()) return false;
  bool ok = histogram_->SavePng(basePath + ".png", kExactPictureSize);
#ifdef VN_HAVE_QTSVG
  ok = histogram_->SaveSvg(basePath + ".svg", kExactPictureSize) && ok;
#endif
  return ok;
}

void ToleranceWindow::ExportCsv_Click() {
  QString base = QFileDialog::getSaveFileName(this, tr("Export CSV"), QStringLiteral("tolerances"),
                                              tr("Base name of the CSV files (*)"));
  if (base.isEmpty()) return;
  if (base.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)) base.chop(4);
  if (!ExportCsv(base)) {
    QMessageBox::warning(
        this, tr("Export CSV"),
        tr("Could not write the CSV files to %1.").arg(QFileInfo(base).absolutePath()));
  }
}

void ToleranceWindow::ExportPictures_Click() {
  QString base = QFileDialog::getSaveFileName(this, tr("Export histogram"),
                                              QStringLiteral("tolerance_histogram"),
                                              tr("Base name of the picture files (*)"));
  if (base.isEmpty()) return;
  for (const QString& ext : {QStringLiteral(".png"), QStringLiteral(".svg")}) {
    if (base.endsWith(ext, Qt::CaseInsensitive)) base.chop(4);
  }
  if (!ExportPictures(base)) {
    QMessageBox::warning(
        this, tr("Export histogram"),
        tr("Could not write the pictures to %1.").arg(QFileInfo(base).absolutePath()));
  }
}

void ToleranceWindow::SetStatus(const QString& text) { status_->setText(text); }

void ToleranceWindow::closeEvent(QCloseEvent* event) {
  // A Monte Carlo in progress stops; its threads end within a chunk.
  CancelMonteCarlo();
  QWidget::closeEvent(event);
}

void FollowMainWindow(QWidget* owner, const RunRecord* run, const QString& why) {
  auto* window = owner->findChild<ToleranceWindow*>("ToleranceWindow", Qt::FindDirectChildrenOnly);
  if (window == nullptr) return;
  if (run != nullptr && run->solved && window->isVisible()) {
    window->ShowOutOfDate(why);
    window->ShowSetUp(SolvedSetUpOf(*run));
  } else {
    window->ShowOutOfDate(why);
  }
}

void ShowToleranceWindow(QWidget* owner, const RunRecord& run) {
  auto* window = owner->findChild<ToleranceWindow*>("ToleranceWindow", Qt::FindDirectChildrenOnly);
  if (window == nullptr) window = new ToleranceWindow(owner);
  if (!window->MonteCarloRunning()) {
    if (run.solved) {
      window->ShowSetUp(SolvedSetUpOf(run));
    } else {
      window->ShowNothing(QObject::tr("No solved set-up: press 'Find Null Variables' first."));
    }
  }
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace vn
