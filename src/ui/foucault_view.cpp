// The "Foucault" tab: Couder-mask readings through the null, reduced.
#include "ui/foucault_view.h"

#include <QBoxLayout>
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
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "analysis/foucault_entries.h"
#include "common/constants.h"
#include "common/number_text.h"
#include "common/user_file.h"
#include "common/whole_file.h"
#include "exact/exact_check.h"
#include "run/units_switch.h"
#include "tester/measured_mirror.h"

namespace vn {

namespace {

QString Text(const std::string& s) { return QString::fromStdString(s); }

// Rows of an empty table: about the zones of a mirror of 200 to 280 mm.
constexpr int kBlankRows = 6;
enum Column { kRadius = 0, kKnife = 1, kFromNull = 2 };

QString UnitName(bool inchUnits) { return inchUnits ? QStringLiteral("in") : QStringLiteral("mm"); }

// A length in the unit of the entries with that unit's decimals: 0.1 mm or
// 0.001 in for a zone, 1 µm or 0.0001 in for a reading.
std::string LengthText(double inches, bool inchUnits, int mmDecimals) {
  return FixedText(unitFromInch(inches, inchUnits), inchUnits ? mmDecimals + 1 : mmDecimals);
}

}  // namespace

// The surface profile, fitted mirror less the design's, in nm against the
// radius on the mirror, with the zones read marked on it.
class FoucaultPlot : public QWidget {
 public:
  void Show(std::shared_ptr<const FoucaultReduction> reduction, bool inchUnits) {
    reduction_ = std::move(reduction);
    inchUnits_ = inchUnits;
    update();
  }
  void SetStale(bool stale) {
    stale_ = stale;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (!reduction_ || !reduction_->ok || reduction_->profile.size() < 2) return;
    const FoucaultReduction& r = *reduction_;
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink = stale_ ? QColor(175, 175, 175) : QColor(Qt::black);
    const int line = fontMetrics().lineSpacing();
    const int labelWidth = fontMetrics().horizontalAdvance(QStringLiteral("-000.0 nm")) + 8;
    const QRectF plot(labelWidth, line + 6, std::max(40, width() - labelWidth - 24),
                      std::max(40, height() - 3 * line - 10));
    double low = -1.0, high = 1.0;  // at least ±1 nm, so that a perfect mirror draws flat
    for (const FoucaultProfilePoint& q : r.profile) {
      low = std::min(low, q.surfaceNm);
      high = std::max(high, q.surfaceNm);
    }
    const double edge = r.profile.back().radius;
    const auto at = [&](double radius, double nm) {
      return QPointF(plot.left() + plot.width() * radius / edge,
                     plot.top() + plot.height() * (high - nm) / (high - low));
    };
    p.setPen(ink);
    p.drawText(QPointF(4, line), tr("Surface less the design's, nm, + toward the light"));
    p.setPen(QPen(QColor(150, 150, 150), 1, Qt::DashLine));
    p.drawLine(at(0, 0), at(edge, 0));
    QPainterPath path(at(r.profile[0].radius, r.profile[0].surfaceNm));
    for (std::size_t k = 1; k < r.profile.size(); ++k) {
      path.lineTo(at(r.profile[k].radius, r.profile[k].surfaceNm));
    }
    p.setPen(QPen(ink, 1.5));
    p.drawPath(path);
    // Each zone read, on the profile where it lies (between its samples).
    p.setBrush(ink);
    for (const FoucaultZone& zone : r.zones) {
      const double step = edge / (r.profile.size() - 1);
      const std::size_t k =
          std::min(r.profile.size() - 2, static_cast<std::size_t>(zone.zoneRadius / step));
      const double t = (zone.zoneRadius - r.profile[k].radius) / step;
      const double nm = r.profile[k].surfaceNm * (1 - t) + r.profile[k + 1].surfaceNm * t;
      p.drawEllipse(at(zone.zoneRadius, nm), 3, 3);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(ink);
    p.drawRect(plot);
    p.drawText(QPointF(4, plot.top() + line / 2), Text(RoundedText(high, 1) + " nm"));
    p.drawText(QPointF(4, plot.bottom()), Text(RoundedText(low, 1) + " nm"));
    const double unitEdge = unitFromInch(edge, inchUnits_);
    const QString edgeText =
        Text(RoundedText(unitEdge, inchUnits_ ? 2 : 1)) + QLatin1Char(' ') + UnitName(inchUnits_);
    p.drawText(QPointF(plot.left(), plot.bottom() + line + 2), QStringLiteral("0"));
    p.drawText(QRectF(plot.left(), plot.bottom() + 4, plot.width(), line), Qt::AlignRight,
               edgeText);
    p.drawText(QRectF(plot.left(), plot.bottom() + 4, plot.width(), 2 * line),
               Qt::AlignHCenter | Qt::AlignBottom, tr("radius on the mirror"));
  }

 private:
  std::shared_ptr<const FoucaultReduction> reduction_;
  bool inchUnits_ = false;
  bool stale_ = false;
};

FoucaultView::FoucaultView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("FoucaultView"));
  BuildTable();

  propose_ = new QPushButton(tr("Propose zones"));
  propose_->setObjectName(QStringLiteral("FoucaultPropose"));
  propose_->setToolTip(
      tr("Fill the zone radii with the Couder zones of equal area for the mirror's diameter "
         "(one zone per 40 mm, 3 to 10), each at its mean radius"));
  // Adding and removing a row are small buttons, so that the tab's buttons
  // fit beside each other in the narrow tab of a small screen.
  addRow_ = new QPushButton(QStringLiteral("+"));
  addRow_->setObjectName(QStringLiteral("FoucaultAddZone"));
  addRow_->setToolTip(tr("Add a row for one more zone"));
  removeRow_ = new QPushButton(QStringLiteral("\u2212"));
  removeRow_->setObjectName(QStringLiteral("FoucaultRemoveZone"));
  for (QPushButton* small : {addRow_, removeRow_}) {
    small->setFixedWidth(3 * fontMetrics().horizontalAdvance(QStringLiteral("+")) + 16);
  }
  removeRow_->setToolTip(tr("Remove the selected zone's row"));
  import_ = new QPushButton(tr("Import CSV..."));
  import_->setObjectName(QStringLiteral("FoucaultImport"));
  import_->setToolTip(
      tr("Read the readings from a CSV file, as the command line's --foucault reads it"));
  export_ = new QPushButton(tr("Export CSV..."));
  export_->setObjectName(QStringLiteral("FoucaultExport"));
  export_->setToolTip(tr("Save the readings as a CSV file for the command line's --foucault"));

  // The distances the readings were taken at.
  auto* distances = new QGroupBox(tr("Readings taken at"));
  distances->setToolTip(
      tr("The source-to-lens (D) and lens-to-mirror (d2) distances the knife was read at"));
  recommendedOption_ = new QRadioButton(tr("recommended"));
  recommendedOption_->setObjectName(QStringLiteral("FoucaultRecommended"));
  recommendedOption_->setToolTip(tr("The exact null's distances, as the exact check gives them"));
  recommendedOption_->setChecked(true);
  builtAtOption_ = new QRadioButton(tr("as built:"));
  builtAtOption_->setObjectName(QStringLiteral("FoucaultBuiltAt"));
  builtAtOption_->setToolTip(tr("The distances you set up the test at, as measured"));
  builtD_ = new QLineEdit;
  builtD_->setObjectName(QStringLiteral("FoucaultBuiltD"));
  builtD_->setToolTip(tr("Source to lens, as built"));
  builtD2_ = new QLineEdit;
  builtD2_->setObjectName(QStringLiteral("FoucaultBuiltD2"));
  builtD2_->setToolTip(tr("Lens to mirror, as built"));
  for (QLineEdit* edit : {builtD_, builtD2_}) {
    edit->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00000.0000")) + 12);
  }
  auto* distanceGrid = new QGridLayout(distances);
  distanceGrid->setContentsMargins(6, 4, 6, 4);
  distanceGrid->addWidget(recommendedOption_, 0, 0, 1, 4);
  distanceGrid->addWidget(builtAtOption_, 1, 0);
  distanceGrid->addWidget(new QLabel(tr("D")), 1, 1, Qt::AlignRight);
  distanceGrid->addWidget(builtD_, 1, 2);
  distanceGrid->addWidget(new QLabel(tr("d2")), 2, 1, Qt::AlignRight);
  distanceGrid->addWidget(builtD2_, 2, 2);
  distanceGrid->setColumnStretch(3, 1);

  reduce_ = new QPushButton(tr("Reduce readings"));
  reduce_->setObjectName(QStringLiteral("FoucaultReduce"));
  reduce_->setToolTip(
      tr("Find the mirror whose zones return these readings, by exact traces through the lens"));

  problem_ = new QLabel;
  problem_->setObjectName(QStringLiteral("FoucaultProblem"));
  problem_->setWordWrap(true);
  problem_->setStyleSheet(QStringLiteral("QLabel#FoucaultProblem { color: #b00000; }"));
  problem_->hide();

  staleNote_ = new QLabel;
  staleNote_->setObjectName(QStringLiteral("FoucaultStale"));
  staleNote_->setWordWrap(true);
  staleNote_->setStyleSheet(
      QStringLiteral("QLabel#FoucaultStale { color: #6b4200; background-color: #fff0c8;"
                     " border: 1px solid #c08a00; padding: 2px; }"));
  staleNote_->hide();
  figures_ = new QLabel;
  figures_->setObjectName(QStringLiteral("FoucaultFigures"));
  figures_->setTextFormat(Qt::PlainText);
  figures_->setWordWrap(true);
  figures_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  figures_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  plot_ = new FoucaultPlot;
  plot_->setObjectName(QStringLiteral("FoucaultPlot"));
  plot_->setMinimumHeight(160);

  // The entries beside the results and the plot where the tab is wide,
  // above them where it is narrow; the page scrolls up and down rather than
  // make the window taller, and "Reduce readings" stays in view below it.
  auto* tableButtons = new QGridLayout;
  tableButtons->addWidget(propose_, 0, 0);
  tableButtons->addWidget(addRow_, 0, 1);
  tableButtons->addWidget(removeRow_, 0, 2);
  tableButtons->addWidget(import_, 1, 0);
  tableButtons->addWidget(export_, 1, 1, 1, 2);
  tableButtons->setColumnStretch(3, 1);
  auto* entries = new QWidget;
  auto* entriesLayout = new QVBoxLayout(entries);
  entriesLayout->setContentsMargins(0, 0, 0, 0);
  entriesLayout->addWidget(table_, 1);
  entriesLayout->addLayout(tableButtons);
  entriesLayout->addWidget(distances);
  auto* results = new QWidget;
  auto* resultsLayout = new QVBoxLayout(results);
  resultsLayout->setContentsMargins(0, 0, 0, 0);
  resultsLayout->addWidget(staleNote_);
  resultsLayout->addWidget(figures_);
  resultsLayout->addWidget(plot_, 1);
  auto* content = new QWidget;
  arrangement_ = new QBoxLayout(QBoxLayout::TopToBottom, content);
  arrangement_->setContentsMargins(4, 4, 4, 4);
  arrangement_->addWidget(entries, 0);
  arrangement_->addWidget(results, 1);
  auto* scroll = new QScrollArea;
  scroll->setWidget(content);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(scroll, 1);
  // The action and what stands in its way, always in view.
  auto* action = new QHBoxLayout;
  action->setContentsMargins(4, 2, 4, 2);
  action->addWidget(reduce_, 0, Qt::AlignLeft | Qt::AlignTop);
  action->addWidget(problem_, 1);
  layout->addLayout(action);

  connect(propose_, &QPushButton::clicked, this, &FoucaultView::ProposeZones);
  connect(addRow_, &QPushButton::clicked, this, [this] {
    settingTable_ = true;
    table_->insertRow(table_->rowCount());
    for (int c = 0; c < 3; ++c) table_->setItem(table_->rowCount() - 1, c, new QTableWidgetItem);
    table_->item(table_->rowCount() - 1, kFromNull)->setFlags(Qt::ItemIsEnabled);
    settingTable_ = false;
  });
  connect(removeRow_, &QPushButton::clicked, this, [this] {
    const int row = table_->currentRow();
    if (row < 0) return;
    table_->removeRow(row);
    EntriesEdited();
  });
  connect(import_, &QPushButton::clicked, this, &FoucaultView::ImportReadings_Click);
  connect(export_, &QPushButton::clicked, this, &FoucaultView::ExportReadings_Click);
  connect(reduce_, &QPushButton::clicked, this, &FoucaultView::Reduce);
  connect(recommendedOption_, &QRadioButton::toggled, this, [this] { EntriesEdited(); });
  for (QLineEdit* edit : {builtD_, builtD2_}) {
    connect(edit, &QLineEdit::textEdited, this, [this] {
      // Typing a distance means the test was built at it.
      if (!builtAtOption_->isChecked()) builtAtOption_->setChecked(true);
      EntriesEdited();
    });
  }

  ShowUnits();
  ShowRecommended();
  figuresText_ =
      tr("Type each zone's mean radius on the mirror and the knife's reading there, as read "
         "through the null (larger readings farther from the mirror; the scale's zero "
         "anywhere), then press 'Reduce readings'.");
  figures_->setText(figuresText_);
}

FoucaultView::~FoucaultView() { StopWorker(); }

void FoucaultView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // Side by side once the table and the figures both keep a readable width.
  const int sideBySide = 44 * fontMetrics().averageCharWidth() * 2;
  arrangement_->setDirection(width() >= sideBySide ? QBoxLayout::LeftToRight
                                                   : QBoxLayout::TopToBottom);
}

void FoucaultView::BuildTable() {
  table_ = new QTableWidget(0, 3);
  table_->setObjectName(QStringLiteral("FoucaultTable"));
  table_->verticalHeader()->setDefaultSectionSize(fontMetrics().lineSpacing() + 6);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  table_->setSelectionBehavior(QAbstractItemView::SelectItems);
  table_->setMinimumHeight(6 * (fontMetrics().lineSpacing() + 6));
  // The corner button selects every cell, as in a spreadsheet.
  if (auto* corner = table_->findChild<QAbstractButton*>())
    corner->setToolTip(tr("Select every cell"));
  // Every cell holds text: the table's editors are then plain line edits,
  // never the locale's number boxes.
  SetRows({});
  connect(table_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
    if (settingTable_ || item->column() == kFromNull) return;
    EntriesEdited();
  });
}

void FoucaultView::SetRows(const std::vector<FoucaultSetupEntries::Zone>& zones) {
  settingTable_ = true;
  const int rows = std::max<int>(kBlankRows, static_cast<int>(zones.size()));
  table_->setRowCount(rows);
  for (int row = 0; row < rows; ++row) {
    const bool given = row < static_cast<int>(zones.size());
    table_->setItem(row, kRadius, new QTableWidgetItem(given ? Text(zones[row].radius) : ""));
    table_->setItem(row, kKnife, new QTableWidgetItem(given ? Text(zones[row].knife) : ""));
    auto* fromNull = new QTableWidgetItem;
    fromNull->setFlags(Qt::ItemIsEnabled);  // a result, not an entry
    fromNull->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    table_->setItem(row, kFromNull, fromNull);
  }
  settingTable_ = false;
}

void FoucaultView::ShowUnits() {
  const QString unit = UnitName(inchUnits_);
  table_->setHorizontalHeaderLabels(
      {tr("Zone (%1)").arg(unit), tr("Knife (%1)").arg(unit), tr("From null (%1)").arg(unit)});
  table_->horizontalHeaderItem(kRadius)->setToolTip(
      tr("The zone's mean radius on the mirror, as the Couder mask's opening"));
  table_->horizontalHeaderItem(kKnife)->setToolTip(
      tr("The knife's position along the axis where the zone darkens evenly; larger farther "
         "from the mirror, the scale's zero anywhere"));
  table_->horizontalHeaderItem(kFromNull)->setToolTip(
      tr("The reading less a perfect mirror's, on a common zero: how far the zone departs "
         "from the null"));
}

void FoucaultView::ShowRecommended() {
  if (setUp_ && recommended_.available) {
    const std::string d = RunLengthText(recommended_.objectDistance, inchUnits_);
    const std::string d2 = RunLengthText(recommended_.lensMirrorDistance, inchUnits_);
    recommendedOption_->setText(tr("recommended: D %1, d2 %2").arg(Text(d), Text(d2)));
  } else if (setUp_) {
    recommendedOption_->setText(tr("the report's distances (no exact null)"));
  } else {
    recommendedOption_->setText(tr("recommended (solve the set-up first)"));
  }
}

FoucaultSetupEntries FoucaultView::Entries() const {
  FoucaultSetupEntries entries;
  for (int row = 0; row < table_->rowCount(); ++row) {
    const QTableWidgetItem* radius = table_->item(row, kRadius);
    const QTableWidgetItem* knife = table_->item(row, kKnife);
    FoucaultSetupEntries::Zone zone{radius ? radius->text().toStdString() : "",
                                    knife ? knife->text().toStdString() : ""};
    if (zone.radius.empty() && zone.knife.empty()) continue;  // a blank row is no zone
    entries.zones.push_back(zone);
  }
  if (builtAtOption_->isChecked()) {
    entries.builtAt = std::make_pair(builtD_->text().toStdString(), builtD2_->text().toStdString());
  }
  return entries;
}

void FoucaultView::SetEntries(const FoucaultSetupEntries& entries) {
  StopWorker();
  ++generation_;
  SetRows(entries.zones);
  const QSignalBlocker blockRecommended(recommendedOption_);
  builtAtOption_->setChecked(entries.builtAt.has_value());
  recommendedOption_->setChecked(!entries.builtAt.has_value());
  builtD_->setText(entries.builtAt ? Text(entries.builtAt->first) : QString());
  builtD2_->setText(entries.builtAt ? Text(entries.builtAt->second) : QString());
  // Readings of another set-up: nothing reduced from the old ones stays.
  reduction_.reset();
  stale_ = false;
  staleNote_->hide();
  plot_->Show(nullptr, inchUnits_);
  ShowProblem({}, -1, -1);
  figuresText_ = entries.zones.empty()
                     ? tr("No readings in the set-up: type them, or import a CSV file.")
                     : tr("Readings opened: press 'Reduce readings' to reduce them.");
  figures_->setText(figuresText_);
}

void FoucaultView::SetUnits(bool inchUnits, bool convert) {
  if (convert && inchUnits != inchUnits_) {
    // As the units switch converts the length fields: a text that is not a
    // number stays as typed, for the user to see and mend.
    const auto converted = [inchUnits](const QString& text) {
      const auto to = ConvertLengthText(text.toStdString(), inchUnits);
      return to ? Text(*to) : text;
    };
    settingTable_ = true;
    for (int row = 0; row < table_->rowCount(); ++row) {
      for (int column : {kRadius, kKnife}) {
        QTableWidgetItem* item = table_->item(row, column);
        if (item && !item->text().trimmed().isEmpty()) item->setText(converted(item->text()));
      }
    }
    settingTable_ = false;
    for (QLineEdit* edit : {builtD_, builtD2_}) {
      if (!edit->text().trimmed().isEmpty()) edit->setText(converted(edit->text()));
    }
  }
  if (inchUnits == inchUnits_) return;
  inchUnits_ = inchUnits;
  ShowUnits();
  ShowRecommended();
  MarkStale(tr("Out of date: the units have changed. Press 'Reduce readings' again."));
}

void FoucaultView::SetSetUp(const SolvedSetUp& setUp, const RecommendedSetUp& recommended) {
  setUp_ = setUp;
  recommended_ = recommended;
  ShowRecommended();
  MarkStale(
      tr("Out of date: the set-up has been solved again. Press 'Reduce readings' for results "
         "through it."));
}

void FoucaultView::SetUpGone(const QString& why) {
  setUp_.reset();
  recommended_ = RecommendedSetUp();
  ShowRecommended();
  MarkStale(why);
}

void FoucaultView::EntriesEdited() {
  ShowProblem({}, -1, -1);
  MarkStale(
      tr("Out of date: the readings or the distances have changed. Press 'Reduce "
         "readings' again."));
}

void FoucaultView::StopWorker() {
  cancel_.Cancel();
  if (worker_.joinable()) worker_.join();
  cancel_.Reset();
}

void FoucaultView::MarkStale(const QString& why) {
  if (worker_.joinable()) {
    // A reduction on its way belongs to the old entries: it is dropped.
    StopWorker();
    ++generation_;
    reduce_->setEnabled(true);
    figuresText_ = why;
    figures_->setText(figuresText_);
    return;
  }
  if (!reduction_) return;
  stale_ = true;
  staleNote_->setText(why);
  staleNote_->show();
  figures_->setStyleSheet(QStringLiteral("color: #9a9a9a;"));
  plot_->SetStale(true);
  for (int row = 0; row < table_->rowCount(); ++row) {
    if (QTableWidgetItem* item = table_->item(row, kFromNull)) {
      settingTable_ = true;
      item->setText({});
      settingTable_ = false;
    }
  }
}

void FoucaultView::ShowProblem(const QString& problem, int row, int column) {
  problem_->setText(problem);
  problem_->setVisible(!problem.isEmpty());
  if (row >= 0 && column >= 0) {
    table_->setCurrentCell(row, column);
    table_->setFocus(Qt::OtherFocusReason);
  } else if (row < 0 && column >= 0) {
    QLineEdit* edit = column == 0 ? builtD_ : builtD2_;
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
  }
}

QString FoucaultView::ProblemText() const {
  return problem_->isVisible() ? problem_->text() : QString();
}

void FoucaultView::Reduce() {
  const FoucaultEntriesReading entries = ReadFoucaultEntries(Entries(), inchUnits_);
  if (!entries.problem.empty()) {
    // The row of Entries() skips blank rows: find the table's row again.
    int row = -1;
    for (int r = 0, zone = -1; r < table_->rowCount() && entries.problemRow >= 0; ++r) {
      const bool blank =
          table_->item(r, kRadius)->text().isEmpty() && table_->item(r, kKnife)->text().isEmpty();
      if (!blank && ++zone == entries.problemRow) {
        row = r;
        break;
      }
    }
    ShowProblem(Text(entries.problem), row, entries.problemColumn);
    return;
  }
  ShowProblem({}, -1, -1);
  if (!setUp_ || setUp_->inchUnits != inchUnits_) {
    ShowProblem(tr("The readings are reduced through the solved null: press 'Find Null "
                   "Variables' first."),
                -1, -1);
    return;
  }
  SolvedSetUp in = *setUp_;
  std::string source = "the report's distances";
  if (entries.builtAt) {
    in.objectDistance = entries.builtAt->first;
    in.lensMirrorDistance = entries.builtAt->second;
    source = "as given";
  } else if (recommended_.available) {
    in.objectDistance = recommended_.objectDistance;
    in.lensMirrorDistance = recommended_.lensMirrorDistance;
    source = "the exact check's recommended distances";
  }
  StopWorker();
  const int generation = ++generation_;
  reduce_->setEnabled(false);
  figuresText_ = tr("Reducing the readings\u2026");
  figures_->setStyleSheet({});
  figures_->setText(figuresText_);
  worker_ = std::thread([this, in, readings = entries.readings, source, generation] {
    FoucaultReduction r = ReduceFoucaultReadings(in, readings, &cancel_);
    r.setUpSource = source;
    auto reduction = std::make_shared<const FoucaultReduction>(std::move(r));
    QMetaObject::invokeMethod(
        this, [this, reduction, generation] { Receive(reduction, generation); },
        Qt::QueuedConnection);
  });
}

void FoucaultView::Receive(std::shared_ptr<const FoucaultReduction> reduction, int generation) {
  if (generation != generation_) return;  // dropped: the entries changed since
  if (worker_.joinable()) worker_.join();
  reduce_->setEnabled(true);
  reduction_ = std::move(reduction);
  reductionInch_ = inchUnits_;
  stale_ = false;
  staleNote_->hide();
  figures_->setStyleSheet({});
  ShowFigures();
  plot_->SetStale(false);
  plot_->Show(reduction_, reductionInch_);
  emit ReductionShown();
}

void FoucaultView::ShowFigures() {
  const FoucaultReduction& r = *reduction_;
  const std::string at = "Readings taken at D " + RunLengthText(r.objectDistance, reductionInch_) +
                         ", d2 " + RunLengthText(r.lensMirrorDistance, reductionInch_) + " (" +
                         r.setUpSource + ")\n";
  figuresText_ = Text(at + FoucaultFiguresText(r, reductionInch_));
  figures_->setText(figuresText_);
  // Each zone's departure from the null beside its reading, in the row it
  // was typed in (the reduction sorts the zones from the centre out).
  settingTable_ = true;
  for (int row = 0; row < table_->rowCount(); ++row) {
    QTableWidgetItem* item = table_->item(row, kFromNull);
    item->setText({});
    const auto radius = ReadNumber(table_->item(row, kRadius)->text().toStdString());
    if (!radius || !r.ok) continue;
    const double inches = inchFromUnit(*radius, reductionInch_);
    for (const FoucaultZone& zone : r.zones) {
      if (zone.zoneRadius == inches)
        item->setText(Text(LengthText(zone.fromNull, reductionInch_, 3)));
    }
  }
  settingTable_ = false;
}

QString FoucaultView::FiguresText() const {
  return stale_ ? staleNote_->text() + QLatin1Char('\n') + figuresText_ : figuresText_;
}

void FoucaultView::ProposeZones() {
  const std::optional<double> diameter = mirrorDiameter_ ? mirrorDiameter_() : std::nullopt;
  if (!diameter || !(*diameter > 0.0)) {
    ShowProblem(tr("The zones are proposed for the mirror's diameter: type it first."), -1, -1);
    return;
  }
  const double diameterInch = inchFromUnit(*diameter, inchUnits_);
  const std::vector<double> radii =
      CouderZoneRadii(0.5 * diameterInch, CouderZoneCount(diameterInch));
  FoucaultSetupEntries entries = Entries();
  bool readingsTyped = false;
  for (const auto& zone : entries.zones) readingsTyped = readingsTyped || !zone.knife.empty();
  if (readingsTyped &&
      QMessageBox::question(this, tr("Propose zones"),
                            tr("Replace the zone radii in the table with %n Couder zones? The "
                               "knife readings stay in their rows.",
                               nullptr, static_cast<int>(radii.size()))) != QMessageBox::Yes) {
    return;
  }
  // The table's rows as they are, blank ones included, with the new radii.
  settingTable_ = true;
  if (table_->rowCount() < static_cast<int>(radii.size())) {
    std::vector<FoucaultSetupEntries::Zone> keep;
    for (int row = 0; row < table_->rowCount(); ++row) {
      keep.push_back({table_->item(row, kRadius)->text().toStdString(),
                      table_->item(row, kKnife)->text().toStdString()});
    }
    keep.resize(radii.size());
    SetRows(keep);
    settingTable_ = true;
  }
  for (int row = 0; row < table_->rowCount(); ++row) {
    table_->item(row, kRadius)
        ->setText(row < static_cast<int>(radii.size()) ? Text(LengthText(radii[row], inchUnits_, 1))
                                                       : QString());
  }
  settingTable_ = false;
  EntriesEdited();
}

QString FoucaultView::ImportReadings(const QString& path) {
  const UserFileReading file =
      ReadUserFile(QFileInfo(path).filesystemFilePath(), kMaxReadingsFileBytes);
  if (!file.bytes) return tr("%1 was not read: %2.").arg(path, Text(file.why));
  const FoucaultCsv csv = ReadFoucaultCsv(*file.bytes);
  if (!csv.why.empty()) return tr("%1 was not read: %2.").arg(path, Text(csv.why));
  SetRows(FoucaultZonesOfCsv(csv));
  EntriesEdited();
  return {};
}

QString FoucaultView::ExportReadings(const QString& path) const {
  const FoucaultSetupEntries entries = Entries();
  const FoucaultEntriesReading reading = ReadFoucaultEntries(entries, inchUnits_);
  if (!reading.problem.empty()) return Text(reading.problem);
  if (reading.readings.empty()) return tr("There are no readings to save.");
  const FileWriteResult saved =
      WriteWholeFile(QFileInfo(path).filesystemFilePath(), FoucaultCsvText(entries));
  if (!saved.written()) return tr("%1 could not be written: %2.").arg(path, Text(saved.why));
  return {};
}

void FoucaultView::ImportReadings_Click() {
  const QString path = QFileDialog::getOpenFileName(this, tr("Import Foucault readings"), {},
                                                    tr("CSV files (*.csv);;All files (*)"));
  if (path.isEmpty()) return;
  if (const QString why = ImportReadings(path); !why.isEmpty()) {
    QMessageBox::warning(this, tr("Import Foucault readings"), why);
  }
}

void FoucaultView::ExportReadings_Click() {
  const QString path = QFileDialog::getSaveFileName(this, tr("Export Foucault readings"),
                                                    QStringLiteral("readings.csv"),
                                                    tr("CSV files (*.csv);;All files (*)"));
  if (path.isEmpty()) return;
  if (const QString why = ExportReadings(path); !why.isEmpty()) {
    QMessageBox::warning(this, tr("Export Foucault readings"), why);
  }
}

}  // namespace vn
