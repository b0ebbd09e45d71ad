// The "Choose lens" window: its controls, and the chooser run off the window's thread.
#include "ui/choose_lens_window.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "common/number_text.h"
#include "common/user_file.h"
#include "design/chooser_entries.h"
#include "ui/form_main.h"
#include "ui/form_style.h"
#include "ui/unit_suffix.h"

namespace vn {

namespace {

QString Text(const std::string& s) { return QString::fromStdString(s); }

// The widest the lens's name and form columns are drawn.
constexpr int kNameColumnMaxPx = 150;

QLineEdit* Edit(QWidget* parent, const char* name, const QString& text, const QString& tip) {
  auto* edit = new QLineEdit(text, parent);
  edit->setObjectName(name);
  edit->setToolTip(tip);
  return edit;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  return button;
}

// The status colour of a row's verdict cell, as the exact check shows it.
QColor VerdictColour(const ChooserRow& row) {
  if (row.fit == CandidateFit::CannotNull) return QColor(0xf6, 0xe0, 0xe0);
  if (row.fit == CandidateFit::Tight || row.status == VerdictStatus::Caution)
    return QColor(0xfa, 0xf0, 0xd8);
  return QColor(0xe6, 0xf4, 0xe6);
}

}  // namespace

ChooseLensWindow::ChooseLensWindow(const FormMain& main, SharedValues& shared, QWidget* form)
    : QDialog(form), main_(main), shared_(shared), form_(form) {
  setObjectName("ChooseLensWindow");
  setWindowTitle(tr("Choose lens"));
  auto* layout = new QVBoxLayout(this);

  setting_ = new QLabel(this);
  setting_->setObjectName("ChooserSetting");
  setting_->setWordWrap(true);
  layout->addWidget(setting_);

  // What to do: design a lens, or rank a list.
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("ChooserTabs");
  auto* designPage = new QWidget(tabs_);
  auto* designForm = new QFormLayout(designPage);
  thickness_ =
      Edit(designPage, "ChooserThickness", "15", tr("Centre thickness, or a range such as 10:20"));
  diameter_ =
      Edit(designPage, "ChooserDiameter", "80", tr("Lens diameter, or a range such as 60:80"));
  planoConvex_ = new QCheckBox(tr("Plano-convex, flat toward the source"), designPage);
  planoConvex_->setObjectName("ChooserPlanoConvex");
  planoConvex_->setChecked(true);
  bestForm_ = new QCheckBox(tr("Best form (biconvex or meniscus)"), designPage);
  bestForm_->setObjectName("ChooserBestForm");
  bestForm_->setChecked(true);
  design_ = Button(designPage, "ChooserDesign", tr("Design"));
  designForm->addRow(tr("Centre thickness"), thickness_);
  designForm->addRow(tr("Lens diameter"), diameter_);
  designForm->addRow(planoConvex_);
  designForm->addRow(bestForm_);
  designForm->addRow(design_);
  tabs_->addTab(designPage, tr("Design"));

  auto* listPage = new QWidget(tabs_);
  auto* listLayout = new QVBoxLayout(listPage);
  auto* fileRow = new QHBoxLayout;
  listPath_ = Edit(listPage, "ChooserListPath", {},
                   tr("A CSV list: name, part number, radius 1, radius 2, centre thickness, "
                      "diameter, glass (name or index), focal length (optional); lengths in mm"));
  auto* open = Button(listPage, "ChooserOpenList", tr("Open list..."));
  rank_ = Button(listPage, "ChooserRank", tr("Rank"));
  fileRow->addWidget(listPath_, 1);
  fileRow->addWidget(open);
  fileRow->addWidget(rank_);
  listLayout->addLayout(fileRow);
  listProblems_ = new QPlainTextEdit(listPage);
  listProblems_->setObjectName("ChooserListProblems");
  listProblems_->setReadOnly(true);
  listProblems_->setPlaceholderText(tr("Rows of the list that could not be read appear here."));
  listLayout->addWidget(listProblems_);
  tabs_->addTab(listPage, tr("From a list"));
  // The choices take the height they need; the results take the rest.
  tabs_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
  listProblems_->setMaximumHeight(listProblems_->fontMetrics().lineSpacing() * 6);
  layout->addWidget(tabs_);

  // The room and the clear aperture, for both.
  auto* room = new QFormLayout;
  maxSourceToMirror_ = Edit(this, "ChooserMaxSourceToMirror", {},
                            tr("The longest source-to-mirror distance you have (empty: no limit)"));
  minSourceToLens_ = Edit(this, "ChooserMinSourceToLens", {},
                          tr("The shortest source-to-lens distance you can work with (empty: "
                             "no limit)"));
  clearAperture_ = Edit(this, "ChooserClearAperture", "90",
                        tr("How much of each lens's diameter the beam may fill, in per cent"));
  room->addRow(tr("Longest source to mirror"), maxSourceToMirror_);
  room->addRow(tr("Shortest source to lens"), minSourceToLens_);
  room->addRow(tr("Clear aperture (% of diameter)"), clearAperture_);
  layout->addLayout(room);
  // The lengths' unit, the main window's, inside each length field.
  for (QLineEdit* length : {thickness_, diameter_, maxSourceToMirror_, minSourceToLens_})
    new UnitSuffix(length);

  auto* progressRow = new QHBoxLayout;
  progress_ = new QProgressBar(this);
  progress_->setObjectName("ChooserProgress");
  progress_->setRange(0, 1000);
  progress_->setValue(0);
  cancel_ = Button(this, "ChooserCancel", tr("Cancel"));
  cancel_->setEnabled(false);
  progressRow->addWidget(progress_, 1);
  progressRow->addWidget(cancel_);
  layout->addLayout(progressRow);
  status_ = new QLabel(this);
  status_->setObjectName("ChooserStatus");
  status_->setWordWrap(true);
  layout->addWidget(status_);

  // The results, and the chosen one's detail.
  auto* split = new QSplitter(Qt::Vertical, this);
  table_ = new QTableWidget(0, kChooserColumnCount, split);
  table_->setObjectName("ChooserResults");
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  detail_ = new QPlainTextEdit(split);
  detail_->setObjectName("ChooserDetail");
  detail_->setReadOnly(true);
  split->addWidget(table_);
  split->addWidget(detail_);
  split->setStretchFactor(0, 2);
  split->setStretchFactor(1, 1);
  layout->addWidget(split, 1);
  use_ = Button(this, "ChooserUseLens", tr("Use this lens"));
  use_->setEnabled(false);
  use_->setToolTip(tr("Types the chosen lens into the main window's lens fields"));
  layout->addWidget(use_);

  poll_ = new QTimer(this);
  poll_->setInterval(kPollIntervalMs);
  connect(poll_, &QTimer::timeout, this, &ChooseLensWindow::Poll);
  connect(design_, &QPushButton::clicked, this, &ChooseLensWindow::StartDesign);
  connect(rank_, &QPushButton::clicked, this, &ChooseLensWindow::StartRanking);
  connect(open, &QPushButton::clicked, this, &ChooseLensWindow::OpenList);
  connect(cancel_, &QPushButton::clicked, this, [this] { job_.Cancel(); });
  connect(table_, &QTableWidget::itemSelectionChanged, this, &ChooseLensWindow::ShowDetail);
  connect(table_, &QTableWidget::cellDoubleClicked, this, [this] { UseSelectedLens(); });
  connect(use_, &QPushButton::clicked, this, &ChooseLensWindow::UseSelectedLens);

  ResizeWithinScreen(*this, QSize(1100, 720));
  TakeMainWindowEntries();
}

ChooseLensWindow::~ChooseLensWindow() = default;

void ChooseLensWindow::TakeMainWindowEntries() {
  // The main window's lens size, when it has changed since it was last
  // taken: a range typed here stays until then.
  const std::string thickness =
      main_.Entries().texts[static_cast<std::size_t>(Entry::CentreThickness)];
  const std::string diameter = main_.Entries().texts[static_cast<std::size_t>(Entry::LensDiameter)];
  if (thickness != takenThickness_) thickness_->setText(Text(thickness));
  if (diameter != takenDiameter_) diameter_->setText(Text(diameter));
  takenThickness_ = thickness;
  takenDiameter_ = diameter;
  const QString unit = main_.InchUnitsSelected() ? QStringLiteral("in") : QStringLiteral("mm");
  for (UnitSuffix* suffix : findChildren<UnitSuffix*>()) suffix->SetUnit(unit);
  ShowSetting();
  // Before any result the table's headings are in the main window's unit.
  if (rows_.empty()) {
    inchResults_ = Entries().inch;
    ShowHeadings();
  }
}

void ChooseLensWindow::ShowSetting() {
  const ChooserEntries e = Entries();
  const char* unit = e.inch ? "\"" : " mm";
  setting_->setText(tr("For the main window's mirror: %1%2 across, radius of curvature %3%2, "
                       "conic constant %4; lens glass %5, index %6 at %7 nm.")
                        .arg(Text(e.mirrorDiameter), unit, Text(e.mirrorRoc), Text(e.conic),
                             Text(e.glassName), Text(e.index),
                             Text(GeneralNumber(shared_.TestWavelength * 1000))));
}

ChooserEntries ChooseLensWindow::Entries() const {
  ChooserEntries e;
  e.inch = main_.InchUnitsSelected();
  e.mirrorDiameter = main_.Entries().texts[static_cast<std::size_t>(Entry::MirrorDiameter)];
  e.mirrorRoc = main_.Entries().texts[static_cast<std::size_t>(Entry::MirrorRadiusOfCurvature)];
  e.conic = main_.Entries().texts[static_cast<std::size_t>(Entry::ConicConstant)];
  e.index = main_.Entries().texts[static_cast<std::size_t>(Entry::LensIndex)];
  e.glassName = shared_.GlassName;
  e.wavelengthMicrons = shared_.TestWavelength;
  e.thickness = thickness_->text().toStdString();
  e.lensDiameter = diameter_->text().toStdString();
  e.maxSourceToMirror = maxSourceToMirror_->text().toStdString();
  e.minSourceToLens = minSourceToLens_->text().toStdString();
  e.clearAperturePercent = clearAperture_->text().toStdString();
  return e;
}

std::optional<ChooserInputs> ChooseLensWindow::ReadInputs(const QString& cannot) {
  ShowSetting();
  ChooserReading reading = ReadChooserEntries(Entries());
  if (!reading.inputs) status_->setText(cannot.arg(Text(reading.why)));
  if (reading.inputs) inchResults_ = reading.inputs->setting.conditions.inchUnits;
  return std::move(reading.inputs);
}

void ChooseLensWindow::StartDesign() {
  const auto inputs = ReadInputs(tr("Cannot design: %1."));
  if (!inputs) return;
  DesignRequest request = inputs->design;
  request.planoConvex = planoConvex_->isChecked();
  request.bestForm = bestForm_->isChecked();
  if (!request.planoConvex && !request.bestForm) {
    status_->setText(tr("Tick a form to design."));
    return;
  }
  madeFor_ = Entries();
  job_.StartDesign(std::move(request));
  status_->setText(tr("Designing..."));
  SetRunning(true);
}

void ChooseLensWindow::OpenList() {
  const QString path = QFileDialog::getOpenFileName(this, tr("Lens list"), listPath_->text(),
                                                    tr("Lens lists (*.csv);;All files (*)"));
  if (!path.isEmpty()) listPath_->setText(path);
}

void ChooseLensWindow::StartRanking() {
  const auto inputs = ReadInputs(tr("Cannot rank: %1."));
  if (!inputs) return;
  // The list is read as the command line reads it: a regular file within
  // its cap, and never a FIFO or a device that would hold the window.
  const UserFileReading file =
      listPath_->text().isEmpty()
          ? UserFileReading{std::nullopt, UserFileProblem::Unreadable, "no file chosen"}
          : ReadUserFile(QFileInfo(listPath_->text()).filesystemFilePath(), kMaxLensListBytes,
                         std::chrono::steady_clock::now() + std::chrono::seconds(10));
  if (!file.bytes) {
    status_->setText(
        tr("Cannot read the lens list \"%1\": %2.").arg(listPath_->text(), Text(file.why)));
    return;
  }
  LensListOptions options;
  options.wavelengthNm = inputs->setting.wavelengthNm;
  list_ = ReadLensList(*file.bytes, options);
  QString problems;
  for (const LensListProblem& p : list_.problems) {
    problems += (p.warning ? tr("warning: ") : QString()) + Text(p.why) + "\n";
  }
  if (list_.unlistedProblems > 0) {
    problems += tr("and %1 more problems in the list, not shown\n").arg(list_.unlistedProblems);
  }
  listProblems_->setPlainText(problems);
  if (list_.lenses.empty()) {
    status_->setText(tr("No lens could be read from the list."));
    return;
  }
  madeFor_ = Entries();
  job_.StartRanking(list_.lenses, inputs->ranking);
  status_->setText(tr("Ranking %n lens(es), each both ways round...", nullptr,
                      static_cast<int>(list_.lenses.size())));
  SetRunning(true);
}

void ChooseLensWindow::SetRunning(bool running) {
  design_->setEnabled(!running);
  rank_->setEnabled(!running);
  cancel_->setEnabled(running);
  if (running) {
    progress_->setValue(0);
    poll_->start();
  } else {
    poll_->stop();
  }
}

void ChooseLensWindow::Poll() {
  const std::size_t total = job_.Total();
  if (total > 0) {
    progress_->setValue(
        static_cast<int>(1000.0 * static_cast<double>(job_.Done()) / static_cast<double>(total)));
  }
  if (job_.Running()) return;
  SetRunning(false);
  progress_->setValue(progress_->maximum());
  if (auto design = job_.TakeDesign()) {
    QString text = design->cancelled ? tr("The design was cancelled.") : tr("Designed.");
    for (const std::string& problem : design->problems) text += " " + Text(problem);
    status_->setText(text);
    ShowRows(DesignRows(*design, shared_.GlassName, inchResults_));
  } else if (auto ranking = job_.TakeRanking()) {
    status_->setText(ranking->cancelled
                         ? tr("The ranking was cancelled: the lenses solved so far are shown.")
                         : tr("Ranked."));
    ShowRows(RankingRows(*ranking, list_, inchResults_));
  }
}

void ChooseLensWindow::ShowHeadings() {
  // Headings of two lines, broken at the space nearest their middle: the
  // columns are then as narrow as their figures, and the whole table, to
  // the verdict, fits a 1024-pixel screen.
  QStringList headings;
  for (int c = 0; c < kChooserColumnCount; ++c) {
    QString heading = Text(ChooserColumnHeading(static_cast<ChooserColumn>(c), inchResults_));
    int best = -1;
    for (int i = 0; i < heading.size(); ++i) {
      if (heading[i] == QLatin1Char(' ') &&
          (best < 0 || std::abs(2 * i - heading.size()) < std::abs(2 * best - heading.size())))
        best = i;
    }
    if (best > 0) heading[best] = QLatin1Char('\n');
    headings << heading;
  }
  table_->setHorizontalHeaderLabels(headings);
  if (rows_.empty()) FitColumns();
}

void ChooseLensWindow::FitColumns() {
  QHeaderView* header = table_->horizontalHeader();
  header->setSectionResizeMode(QHeaderView::Interactive);
  table_->resizeColumnsToContents();
  // The lens's name and form give way first (their whole text is in the
  // tip and the detail below); the verdict takes what is left.
  for (const ChooserColumn c : {ChooserColumn::Lens, ChooserColumn::Form}) {
    const int column = static_cast<int>(c);
    table_->setColumnWidth(column, std::min(table_->columnWidth(column), kNameColumnMaxPx));
  }
  header->setSectionResizeMode(static_cast<int>(ChooserColumn::Verdict), QHeaderView::Stretch);
}

void ChooseLensWindow::ShowRows(std::vector<ChooserRow> rows) {
  rows_ = std::move(rows);
  stale_ = false;
  table_->setEnabled(true);
  table_->clearContents();
  table_->setRowCount(static_cast<int>(rows_.size()));
  ShowHeadings();
  for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
    const ChooserRow& row = rows_[static_cast<std::size_t>(r)];
    for (int c = 0; c < kChooserColumnCount; ++c) {
      auto* item = new QTableWidgetItem(Text(row.cells[static_cast<std::size_t>(c)]));
      item->setToolTip(item->text());
      if (c == static_cast<int>(ChooserColumn::Verdict)) item->setBackground(VerdictColour(row));
      table_->setItem(r, c, item);
    }
  }
  FitColumns();
  detail_->clear();
  use_->setEnabled(false);
  if (!rows_.empty()) table_->selectRow(0);
  MainWindowChanged();  // while the work went on
}

void ChooseLensWindow::ShowDetail() {
  const int r = table_->currentRow();
  const bool chosen = r >= 0 && r < static_cast<int>(rows_.size());
  use_->setEnabled(chosen && !stale_);
  detail_->setPlainText(chosen ? Text(rows_[static_cast<std::size_t>(r)].detail) : QString());
}

void ChooseLensWindow::UseSelectedLens() {
  const int r = table_->currentRow();
  if (r < 0 || r >= static_cast<int>(rows_.size())) return;
  const ChooserRow& row = rows_[static_cast<std::size_t>(r)];
  const auto field = [this](const char* name) { return form_->findChild<QLineEdit*>(name); };
  QLineEdit* fields[] = {field("LradI"), field("lRadM"), field("lthck"), field("LDiam"),
                         field("LindexR")};
  for (QLineEdit* f : fields) {
    // During a run the entries are read-only; what the run reads must not change under it.
    if (f == nullptr || f->isReadOnly()) {
      status_->setText(tr("The main window is busy with a run: choose the lens when it ends."));
      return;
    }
  }
  // In the main window's unit now, whichever it was when the row was made.
  const LensEntryTexts texts = EntryTextsFor(row, main_.InchUnitsSelected());
  const std::string values[] = {texts.sourceRadius, texts.mirrorRadius, texts.thickness,
                                texts.diameter, texts.index};
  // The glass first, so that the main window checks the new index against
  // the new glass; the lens typed in from these results leaves them current.
  typingLens_ = true;
  if (!texts.glassName.empty()) shared_.GlassName = texts.glassName;
  for (std::size_t i = 0; i < std::size(fields); ++i) fields[i]->setText(Text(values[i]));
  typingLens_ = false;
  madeFor_.index = texts.index;
  madeFor_.glassName = shared_.GlassName;
  status_->setText(tr("Lens %1 is in the main window's lens fields: press 'Find Null "
                      "Variables' there.")
                       .arg(Text(row.cells[static_cast<std::size_t>(ChooserColumn::Rank)])));
}

void ChooseLensWindow::MainWindowChanged() {
  ShowSetting();
  if (typingLens_ || stale_ || rows_.empty() || SameMainWindowSetting(madeFor_, Entries())) return;
  stale_ = true;
  table_->setEnabled(false);
  use_->setEnabled(false);
  status_->setText(
      tr("Out of date: these lenses were chosen for the main window's earlier "
         "mirror, glass, wavelength or units. Design or rank again."));
}

void AttachChooseLens(QMainWindow& form, const FormMain& main, SharedValues& shared) {
  auto* button = new QPushButton(QObject::tr("Choose lens..."), &form);
  button->setObjectName("ChooseLens");
  button->setToolTip(
      QObject::tr("Design the null lens for this mirror, or rank the lenses of a list"));
  form.statusBar()->addPermanentWidget(button);
  QObject::connect(button, &QPushButton::clicked, &form, [&form, &main, &shared] {
    auto* window = form.findChild<ChooseLensWindow*>();
    if (window == nullptr) window = new ChooseLensWindow(main, shared, &form);
    window->TakeMainWindowEntries();
    window->show();
    window->raise();
    window->activateWindow();
  });
}

}  // namespace vn
