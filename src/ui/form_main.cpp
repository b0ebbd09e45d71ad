// The main window FormMain: its fields, option boxes, report box, and the run it hosts.
#include "ui/form_main.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "common/app_info.h"
#include "common/number_text.h"
#include "record/solved_set_up.h"
#include "record/start_up_entries.h"
#include "ui/caption_fit.h"
#include "ui/choose_lens_window.h"
#include "ui/eliding_label.h"
#include "ui/error_explore_window.h"
#include "ui/exact_check_panel.h"
#include "ui/exact_check_runner.h"
#include "ui/form_style.h"
#include "ui/foucault_view.h"
#include "ui/refractive_index_window.h"
#include "ui/startup_text.h"
#include "ui/tolerance_window.h"
#include "ui/twips.h"
#include "ui/wrapping_buttons.h"

namespace vn {

namespace {

// The entries' layout, in twips: its width, and the top of the report box
// below it.
constexpr int kClientWidthTwips = 9135;
constexpr int kReportTopTwips = 2160;

constexpr qreal kAbortNoticePointSize = 18;
// The window's size at start-up, in logical pixels, when the screen has room
// for it: the exact check's pictures beside the report are then readable.
constexpr int kStartWidthPx = 1280;
constexpr int kStartHeightPx = 640;

QString Text(const std::string& s) { return QString::fromStdString(s); }

QLineEdit* MakeEntry(QWidget* parent, const char* name, const char* text) {
  auto* edit = new QLineEdit(QString::fromUtf8(text), parent);
  edit->setObjectName(name);
  return edit;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption,
                  Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop) {
  auto* label = new QLabel(QString::fromUtf8(caption), parent);
  label->setObjectName(name);
  label->setAlignment(align);
  label->setWordWrap(true);
  return label;
}

QString MessageText(const std::string& text) { return WidgetTextFromReport(text); }

}  // namespace

QString WidgetTextFromReport(const std::string& report) {
  QString text = QString::fromStdString(report);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

FormMain::FormMain(SharedValues& shared, NullFinder& finder, QWidget* parent)
    : QMainWindow(parent),
      shared_(shared),
      finder_(finder),
      refractiveIndex_(shared, catalogs_),
      errorExplore_(shared) {
  setObjectName("FormMain");
  setWindowTitle(QStringLiteral("Vantry Null %1 - null test set-up for conic mirrors "
                                "(MIT licence, the Vantry Null developers)")
                     .arg(Text(VersionText())));
  BuildControls();
  SetTabOrder();
  BuildDesktopParts();
  AttachChooseLens(*this, *this, shared_);

  // Start-up: the help text, and the lens glass of the default index.
  SetReportText(StartupText());
  shared_.TestWavelength = kStartUpWavelengthMicrons;
  shared_.GlassName = kStartUpGlass;

  // Every change of an entry is checked at once, and makes the results of
  // other entries out of date.
  for (std::size_t k = 0; k < kEntryCount; ++k)
    connect(EntryEdit(static_cast<Entry>(k)), &QLineEdit::textChanged, this,
            &FormMain::EntriesChanged);
  // The Foucault tab proposes its zones for the mirror as typed.
  exactCheck_->Foucault()->SetMirrorDiameterSource(
      [this] { return ReadNumber(mDiam_->text().toStdString()); });

  ResizeWithinScreen(*this, QSize(kStartWidthPx, kStartHeightPx));
  mDiam_->setFocus();

  // Key preview: every key pressed in this window, whichever control has
  // the focus, asks a run in progress to stop.
  qApp->installEventFilter(this);
}

FormMain::~FormMain() { qApp->removeEventFilter(this); }

void FormMain::BuildControls() {
  // The window: the entries and the report on the left, the exact check on
  // the right, with a divider between them. The entries keep the layout they
  // were drawn with, in twips; the report takes the height below them and
  // the width of its column.
  auto* split = new QSplitter(Qt::Horizontal, this);
  split->setObjectName("MainSplitter");
  split->setChildrenCollapsible(false);
  split->setHandleWidth(7);
  setCentralWidget(split);
  auto* left = new QWidget(split);
  left->setObjectName("ReportColumn");
  auto* client = new QWidget(left);
  client->setObjectName("client");

  // Units.
  units_ = new QGroupBox(QStringLiteral("Units"), client);
  units_->setObjectName("Units");
  PlaceInTwips(*units_, 0, 0, 2175, 615);
  inches_ = new QButtonGroup(this);
  inches_->setObjectName("inches");
  const char* unitCaptions[2] = {"Inch", "mm"};
  for (int i = 0; i < 2; ++i) {
    auto* option = new QRadioButton(QString::fromUtf8(unitCaptions[i]), units_);
    option->setObjectName(QStringLiteral("inches_%1").arg(i));
    inches_->addButton(option, i);
    inchesOptions_[static_cast<std::size_t>(i)] = option;
  }
  // The option buttons are drawn taller than the layout's 195 twips so that
  // their indicator is not cut; their tops stay where the layout has them.
  PlaceInTwips(*inchesOptions_[0], 240, 200, 840, 300);
  PlaceInTwips(*inchesOptions_[1], 1200, 200, 840, 300);
  inchesOptions_[UnitsSwitch::kMm]->setChecked(true);
  connect(inches_, &QButtonGroup::idClicked, this, &FormMain::inches_Click);

  // The mirror.
  mData_ = new QGroupBox(QStringLiteral("Mirror under test details"), client);
  mData_->setObjectName("MData");
  PlaceInTwips(*mData_, 0, 600, 2175, 1455);
  PlaceInTwips(*MakeLabel(mData_, "Label1", "Diameter"), 120, 240, 855, 255);
  mDiam_ = MakeEntry(mData_, "MDiam", StartUpEntry(Entry::MirrorDiameter));
  PlaceInTwips(*mDiam_, 960, 240, 1095, 285);
  PlaceInTwips(*MakeLabel(mData_, "Label2", "Radius of Curvature"), 60, 480, 885, 495);
  mRoC_ = MakeEntry(mData_, "MRoC", StartUpEntry(Entry::MirrorRadiusOfCurvature));
  PlaceInTwips(*mRoC_, 960, 600, 1095, 285);
  PlaceInTwips(*MakeLabel(mData_, "Label3", "Conic Constant"), 120, 900, 825, 480);
  mcc_ = MakeEntry(mData_, "Mcc", StartUpEntry(Entry::ConicConstant));
  PlaceInTwips(*mcc_, 960, 960, 1095, 285);

  // The null lens.
  rlData_ = new QGroupBox(QStringLiteral("Vantry Null Lens Data"), client);
  rlData_->setObjectName("RLData");
  PlaceInTwips(*rlData_, 2280, 0, 3495, 2055);
  const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
  PlaceInTwips(*MakeLabel(rlData_, "Label4", "Source side RoC", right), 120, 240, 1455, 285);
  lradI_ = MakeEntry(rlData_, "LradI", StartUpEntry(Entry::SourceSideRadius));
  PlaceInTwips(*lradI_, 1680, 240, 1575, 285);
  PlaceInTwips(*MakeLabel(rlData_, "Label5", "Mirror Side RoC", right), 120, 600, 1455, 285);
  lRadM_ = MakeEntry(rlData_, "lRadM", StartUpEntry(Entry::MirrorSideRadius));
  PlaceInTwips(*lRadM_, 1680, 600, 1575, 285);
  PlaceInTwips(*MakeLabel(rlData_, "Label6", "Center Thickness", right), 30, 960, 1545, 285);
  lthck_ = MakeEntry(rlData_, "lthck", StartUpEntry(Entry::CentreThickness));
  PlaceInTwips(*lthck_, 1680, 960, 1575, 285);
  PlaceInTwips(*MakeLabel(rlData_, "Label7", "Lens Diameter", right), 120, 1320, 1455, 285);
  lDiam_ = MakeEntry(rlData_, "LDiam", StartUpEntry(Entry::LensDiameter));
  PlaceInTwips(*lDiam_, 1680, 1320, 1575, 285);
  calcRIn_ = new QPushButton(QStringLiteral("Refractive Index"), rlData_);
  calcRIn_->setObjectName("Calc_RIn");
  calcRIn_->setToolTip(QStringLiteral("Press to Calculate from catalog"));
  PlaceInTwips(*calcRIn_, 60, 1665, 1515, 330);
  lindexR_ = MakeEntry(rlData_, "LindexR", StartUpEntry(Entry::LensIndex));
  PlaceInTwips(*lindexR_, 1680, 1680, 1575, 285);
  lradI_->setToolTip(
      QStringLiteral("WIth Mirror on Right Convex is Positive Value, Concave is Negative Value"));
  lRadM_->setToolTip(
      QStringLiteral("WIth Mirror on right, Convex is Negative Value, Concave is Positive Value."));
  connect(calcRIn_, &QPushButton::clicked, this, &FormMain::Calc_RIn_Click);

  // The options of a run, the find button and the abort notice.
  chkQtrWave_ = new WrappingCheckBox(
      QStringLiteral("Include Lens - Mirror spacing error (IE how good is your tape measure)"),
      client);
  chkQtrWave_->setObjectName("CHk_QtrWave");
  PlaceInTwips(*chkQtrWave_, 6000, 90, 2955, 480);
  connect(chkQtrWave_, &QCheckBox::clicked, this, &FormMain::CHk_QtrWave_Click);
  chkSaveOslo_ = new WrappingCheckBox(QStringLiteral("Save Oslo file"), client);
  chkSaveOslo_->setObjectName("chk_save_oslo");
  PlaceInTwips(*chkSaveOslo_, 6000, 600, 945, 480);

  findIt_ = new QPushButton(Text(kFindCaption), client);
  findIt_->setObjectName("FindIt");
  findIt_->setStyleSheet(
      QStringLiteral("QPushButton#FindIt { background-color: rgb(128, 255, 128); color: black;"
                     " border: 1px solid rgb(64, 128, 64); border-radius: 2px; padding: 2px; }"
                     "QPushButton#FindIt:pressed { background-color: rgb(96, 216, 96); }"
                     "QPushButton#FindIt:focus { border: 2px solid rgb(32, 96, 32); }"));
  PlaceInTwips(*findIt_, 6960, 600, 1935, 495);
  connect(findIt_, &QPushButton::clicked, this, &FormMain::FindIt_Click);
  // Enter in an entry starts a run as the find button does (and, during a
  // run, only stops it, as any key does).
  for (QLineEdit* edit : {mDiam_, mRoC_, mcc_, lradI_, lRadM_, lthck_, lDiam_, lindexR_}) {
    connect(edit, &QLineEdit::returnPressed, this, &FormMain::FindIt_Click);
  }
  auto* help = new QAction(tr("Help"), this);
  help->setObjectName("HelpAction");
  help->setShortcut(QKeySequence(Qt::Key_F1));
  help->setShortcutContext(Qt::WindowShortcut);
  connect(help, &QAction::triggered, this, &FormMain::ShowHelp);
  addAction(help);

  abrt_ = new QLabel(QStringLiteral("Press Any Key To Abort"), client);
  abrt_->setObjectName("abrt");
  abrt_->setAlignment(Qt::AlignCenter);
  abrt_->setWordWrap(true);
  abrt_->setFont(FormFont(abrt_->font(), kAbortNoticePointSize));
  abrt_->setStyleSheet(
      QStringLiteral("QLabel#abrt { background-color: rgb(255, 0, 0); color: black;"
                     " border: 1px solid black; }"));
  PlaceInTwips(*abrt_, 6000, 1080, 2895, 1050);
  abrt_->hide();

  // The report box: read-only, so that the key that stops a run types
  // nothing into it, but selectable for copying.
  textOut_ = new QPlainTextEdit(left);
  textOut_->setObjectName("TextOut");
  textOut_->setReadOnly(true);
  textOut_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  textOut_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  textOut_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  textOut_->setFont(QApplication::font());
  // Tab stops every eight average characters, as the report's columns expect.
  textOut_->setTabStopDistance(8 * textOut_->fontMetrics().averageCharWidth());
  QPalette reportPalette = textOut_->palette();
  reportPalette.setColor(QPalette::Text, Qt::black);
  reportPalette.setColor(QPalette::Base, Qt::white);
  textOut_->setPalette(reportPalette);

  // What is wrong with the entries, named, under them; and over the report,
  // that it belongs to other entries than the fields hold now.
  entryNote_ = new QLabel(left);
  entryNote_->setObjectName("EntryNote");
  entryNote_->setWordWrap(true);
  entryNote_->setContentsMargins(4, 2, 4, 2);
  entryNote_->hide();
  staleNote_ = new QLabel(left);
  staleNote_->setObjectName("StaleNote");
  staleNote_->setWordWrap(true);
  staleNote_->setStyleSheet(
      QStringLiteral("QLabel#StaleNote { color: #6b4200; background-color: #fff0c8;"
                     " border: 1px solid #c08a00; padding: 2px; }"));
  staleNote_->hide();

  // The exact check of the solved set-up, beside the report. Extra width
  // goes to the report and, twice as much, to the pictures.
  exactCheck_ = new ExactCheckPanel(split);
  exactRunner_ = new ExactCheckRunner(this);
  exactCheck_->Clear(
      tr("Press 'Find Null Variables': the exact check of the solved set-up "
         "appears here."));
  split->addWidget(left);
  split->addWidget(exactCheck_);
  split->setStretchFactor(0, 1);
  split->setStretchFactor(1, 2);

  // Where the last run wrote its lens files. A long path must not make the
  // window wider than a small screen: its middle is left out, and it shows whole as a tip.
  lensFileNote_ = new ElidingLabel(this);
  lensFileNote_->setObjectName("LensFileNote");
  statusBar()->addWidget(lensFileNote_, 1);
  statusBar()->setSizeGripEnabled(true);
  auto* tolerances = new QPushButton(tr("Tolerances..."), this);
  tolerances->setObjectName("TolerancesButton");
  statusBar()->addPermanentWidget(tolerances);
  connect(tolerances, &QPushButton::clicked, this,
          [this] { ShowToleranceWindow(this, finder_.lastRun()); });

  // Controls drawn larger than the layout's boxes where today's fonts need
  // it (the labels, the option buttons, the two check boxes, the abort
  // notice); captions that still do not fit get a narrower font.
  ApplyFormStyle(*left);
  FitCaptions(*left);
  // The notes are sentences, in the report's font, not captions of the layout.
  entryNote_->setFont(textOut_->font());
  staleNote_->setFont(textOut_->font());

  // The entries' area is as large as its layout, or as its controls where
  // today's fonts made them larger.
  const QRect drawn =
      QRect(0, 0, PxFromTwips(*client, kClientWidthTwips), PxFromTwips(*client, kReportTopTwips))
          .united(client->childrenRect());
  client->setFixedSize(drawn.right() + 1, drawn.bottom() + 1);
  auto* column = new QVBoxLayout(left);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(client, 0, Qt::AlignLeft);
  column->addWidget(entryNote_);
  column->addWidget(staleNote_);
  column->addWidget(textOut_, 1);
}

void FormMain::SetTabOrder() {
  QWidget* order[] = {mDiam_,
                      mRoC_,
                      mcc_,
                      lradI_,
                      lRadM_,
                      lthck_,
                      lDiam_,
                      lindexR_,
                      textOut_,
                      findIt_,
                      inchesOptions_[0],
                      inchesOptions_[1],
                      calcRIn_,
                      chkQtrWave_,
                      chkSaveOslo_};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

// ---- RunHost ---------------------------------------------------------------

QLineEdit* FormMain::EntryEdit(Entry entry) const {
  switch (entry) {
    case Entry::MirrorDiameter:
      return mDiam_;
    case Entry::MirrorRadiusOfCurvature:
      return mRoC_;
    case Entry::ConicConstant:
      return mcc_;
    case Entry::SourceSideRadius:
      return lradI_;
    case Entry::MirrorSideRadius:
      return lRadM_;
    case Entry::CentreThickness:
      return lthck_;
    case Entry::LensDiameter:
      return lDiam_;
    case Entry::LensIndex:
      return lindexR_;
  }
  return nullptr;
}

RunEntries FormMain::Entries() const {
  RunEntries entries;
  for (std::size_t i = 0; i < kEntryCount; ++i) {
    entries.texts[i] = EntryEdit(Entry(i))->text().toStdString();
  }
  entries.inch = InchUnitsSelected();
  entries.saveLensFile = chkSaveOslo_->isChecked();
  entries.exploreSpacingError = chkQtrWave_->isChecked();
  return entries;
}

bool FormMain::InchUnitsSelected() const { return inchesOptions_[UnitsSwitch::kInch]->isChecked(); }

void FormMain::Step() {
  if (spinner_.Step()) SetFindCaption(spinner_.Caption());
  YieldToEvents();
}

void FormMain::SetReportText(const std::string& text) {
  report_ = text;
  reportDirty_ = true;
  // A run sets the report many times a second; the widget catches up when
  // the run lets the window paint. Outside a run it follows at once.
  if (!runBusy_) FlushReport();
}

void FormMain::FlushReport() {
  if (!reportDirty_) return;
  reportDirty_ = false;
  textOut_->setPlainText(WidgetTextFromReport(report_));
  textOut_->verticalScrollBar()->setValue(0);
}

void FormMain::SetFindCaption(const std::string& caption) {
  const QString text = Text(caption);
  if (findIt_->text() != text) findIt_->setText(text);
}

void FormMain::ShowAbortNotice(bool shown) {
  abortNoticeWanted_ = shown;
  // During a run the notice appears with the first event handling, so a run
  // too short to be interrupted does not flash it.
  if (!shown || !inRun_ || busyShown_) abrt_->setVisible(shown);
}

void FormMain::FocusReport() {
  if (!textOut_->hasFocus()) textOut_->setFocus(Qt::OtherFocusReason);
}

void FormMain::ShowMessage(const std::string& title, const std::string& text) {
  FlushReport();
  if (inRun_ && title == kFailureTitle && finder_.AbortRequested()) {
    // A key stopped the search where its figures could not be finished: that
    // is an abort, and the entries are not to blame.
    stoppedByKey_ = true;
    QMessageBox box(QMessageBox::NoIcon, Text(kAppTitle),
                    tr("The run was stopped by a key press before it finished. The report keeps "
                       "what it had reached: those figures are not a null."),
                    QMessageBox::Ok, this);
    box.exec();
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, Text(title.empty() ? kAppTitle : title), MessageText(text),
                  QMessageBox::Ok, this);
  box.exec();
}

bool FormMain::AskYesNo(const std::string& title, const std::string& text) {
  FlushReport();
  QMessageBox box(QMessageBox::NoIcon, Text(title.empty() ? kAppTitle : title), MessageText(text),
                  QMessageBox::Yes | QMessageBox::No, this);
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

void FormMain::YieldToEvents() {
  // The run yields far more often than anyone can press a key; handling
  // events every few milliseconds keeps the abort key prompt without
  // slowing the run down.
  if (inRun_) {
    if (sinceEvents_.elapsed() < yieldIntervalMs_) return;
    if (!busyShown_) ShowBusy(true);
    handledDuringRun_ = true;
    FlushReport();
    QCoreApplication::processEvents();
    sinceEvents_.start();
    return;
  }
  // After the run: what was queued during it is handled while the run still
  // counts as busy. A run that ended within one event interval from its
  // start had nothing queued worth handling before its report appears.
  if (!handledDuringRun_ && sinceEvents_.elapsed() < yieldIntervalMs_) return;
  QCoreApplication::processEvents();
}

void FormMain::SetEntriesEnabled(bool enabled) {
  inRun_ = !enabled;
  if (inRun_) {
    handledDuringRun_ = false;
    sinceEvents_.start();
  } else if (busyShown_) {
    ShowBusy(false);
  }
}

void FormMain::ShowBusy(bool busy) {
  busyShown_ = busy;
  // During a run the entries are read-only rather than disabled, so they
  // stay readable; the controls that would change what the run reads, or
  // open a dialog in the middle of it, are disabled.
  for (QLineEdit* edit : {mDiam_, mRoC_, mcc_, lradI_, lRadM_, lthck_, lDiam_, lindexR_}) {
    edit->setReadOnly(busy);
  }
  units_->setEnabled(!busy);
  calcRIn_->setEnabled(!busy);
  chkQtrWave_->setEnabled(!busy);
  if (busy && abortNoticeWanted_) abrt_->setVisible(true);
}

// ---- Events ----------------------------------------------------------------

bool FormMain::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget != nullptr && widget->window() == this) {
      finder_.RequestAbort();
      exactRunner_->Stop();
    }
    // Enter on the focused find button clicks it, as a button in a dialog
    // would; a main window's buttons take only the space bar by themselves.
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (watched == findIt_ && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
      FindIt_Click();
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void FormMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (dividerPlaced_) return;
  dividerPlaced_ = true;
  // At its first showing, at the size the window opens with, the report's
  // column is as wide as the entries and the exact check has the rest.
  auto* split = findChild<QSplitter*>("MainSplitter");
  const int reportWidth = PxFromTwips(*this, kClientWidthTwips);
  split->setSizes({reportWidth, split->width() - split->handleWidth() - reportWidth});
}

void FormMain::closeEvent(QCloseEvent* event) {
  exactRunner_->Drop();
  if (runBusy_) {
    // Stop the run; the window closes when it has finished its (now short)
    // remaining work, so no lens file is left half written.
    finder_.RequestAbort();
    closePending_ = true;
    event->ignore();
    return;
  }
  SaveWindowSettings();
  QMainWindow::closeEvent(event);
}

void FormMain::FindIt_Click() {
  const bool starting = !runBusy_;
  if (starting) {
    // A size beyond any mirror would keep the search going until a key is
    // pressed: it is not run.
    if (const auto first = FirstProblem(entryProblems_);
        first && first->severity == EntrySeverity::Absurd) {
      statusBar()->showMessage(tr("Not run: %1").arg(Text(first->text)));
      QLineEdit* edit = EntryEdit(first->entry);
      edit->setFocus(Qt::OtherFocusReason);
      edit->selectAll();
      return;
    }
    statusBar()->clearMessage();
    entryStatus_.clear();
    stoppedByKey_ = false;
    stale_ = false;
    staleNote_->hide();
    staleNote_->clear();
    // The last check no longer belongs to the entries: say so, and let
    // nothing be exported until the new one is in.
    exactRunner_->Drop();
    exactCheck_->ShowBusy(tr("Being recomputed: a new run is going."));
  }
  // The find button: the focus goes to the report; a click during a run
  // does nothing more.
  FocusReport();
  if (!starting) return;
  runBusy_ = true;
  SetEntriesEnabled(false);
  ShowAbortNotice(true);
  finder_.Run(Entries(), *this);
  SetEntriesEnabled(true);
  SetFindCaption(kFindCaption);
  ShowAbortNotice(false);
  // Events queued during the run are handled now; a click of the find button
  // among them still finds the run busy and only moves the focus.
  YieldToEvents();
  runBusy_ = false;
  if (stoppedByKey_) {
    statusBar()->showMessage(tr("The run was stopped by a key press before it finished."));
  } else {
    ShowUnreadEntry();
  }
  FollowMainWindow(this, &finder_.lastRun(),
                   tr("A new run was made: press 'Tolerances...' again for its set-up."));
  // The report box, the file note and the exact check (about a millisecond)
  // follow as soon as the click has been handled, before the window
  // repaints; the run's own time is not spent on them.
  QTimer::singleShot(0, this, [this] {
    FlushReport();
    ShowWrittenFiles();
    ShowExactCheck();
  });
  if (closePending_) {
    closePending_ = false;
    close();
  }
}

void FormMain::ShowExactCheck() {
  if (!isVisible()) return;  // closed at the end of its run
  const RunRecord& s = finder_.lastRun();
  if (!s.HasSetUpToCheck()) {
    exactCheck_->Clear(tr("No solved set-up to check: the last run did not reach its results."));
    return;
  }
  // Off the window's thread: a hard set-up cannot freeze the window, and a
  // key press, the next run or closing the window stops it.
  const SolvedSetUp in = SolvedSetUpOf(s);
  exactCheck_->ShowBusy(tr("Computing the exact check\u2026"));
  exactRunner_->Start(
      in,
      [this, in](const ExactCheckResult& r) {
        if (r.cancelled) {
          exactCheck_->Clear(
              tr("The exact check was stopped by a key press. Press 'Find Null Variables' to "
                 "make it again."));
          return;
        }
        exactCheck_->ShowResult(r, in);
        if (r.ok) exactCheck_->Foucault()->SetSetUp(in, r.verdict.recommended);
      },
      SpacingRangeLimitWaves(s));
}

void FormMain::ShowUnreadEntry() {
  const RunRecord& run = finder_.lastRun();
  if (run.outcome == RunOutcome::Failed && !run.failedEntry && run.fileProblem.empty()) {
    // The run's error box blames "one of your entries": name the one the
    // entries' own check finds wrong, if it finds one.
    if (const auto first = FirstProblem(entryProblems_);
        first && first->severity != EntrySeverity::Note) {
      statusBar()->showMessage(tr("The run stopped: %1").arg(Text(first->text)));
      EntryEdit(first->entry)->setFocus(Qt::OtherFocusReason);
    }
    return;
  }
  const std::optional<Entry> entry = run.failedEntry;
  if (!entry) return;
  // The run's error box said only that some entry is wrong: name it, and
  // put the focus on it as the units switch does.
  statusBar()->showMessage(
      tr("The run stopped: the %1 entry is not a number.").arg(EntryCaption(*entry)));
  QLineEdit* edit = EntryEdit(*entry);
  edit->setFocus(Qt::OtherFocusReason);
  edit->selectAll();
}

void FormMain::ShowWrittenFiles() {
  // Why a file could not be written, which the error box does not say, comes first.
  if (const auto& problem = finder_.lastRun().fileProblem; !problem.empty()) {
    lensFileNote_->setText(Text(problem));
    return;
  }
  const auto& files = finder_.lastRun().writtenFiles;
  if (files.empty()) {
    lensFileNote_->clear();
    return;
  }
  QStringList paths;
  for (const auto& path : files) paths << Text(path);
  lensFileNote_->setText(
      (files.size() == 1 ? tr("Lens file written: ") : tr("Lens files written: ")) +
      paths.join(QStringLiteral("; ")));
}

void FormMain::Calc_RIn_Click() {
  RefractiveIndexWindow dialog(
      refractiveIndex_, [this](const std::string& text) { lindexR_->setText(Text(text)); }, this);
  dialog.Open();
  EntriesChanged();  // the glass or the wavelength may have changed
}

void FormMain::CHk_QtrWave_Click(bool checked) {
  if (!checked) return;
  ErrorExploreWindow dialog(
      errorExplore_, [this] { chkQtrWave_->setChecked(false); }, this);
  dialog.Open(InchUnitsSelected());
}

QLineEdit* FormMain::LengthEdit(LengthField field) const {
  switch (field) {
    case LengthField::MirrorDiameter:
      return mDiam_;
    case LengthField::MirrorRadiusOfCurvature:
      return mRoC_;
    case LengthField::SourceSideRadius:
      return lradI_;
    case LengthField::MirrorSideRadius:
      return lRadM_;
    case LengthField::CentreThickness:
      return lthck_;
    case LengthField::LensDiameter:
      return lDiam_;
  }
  return nullptr;
}

void FormMain::inches_Click(int index) {
  std::array<std::string, 6> texts;
  for (std::size_t k = 0; k < kLengthFields.size(); ++k) {
    texts[k] = LengthEdit(kLengthFields[k])->text().toStdString();
  }
  if (const auto bad = unitsSwitch_.Click(index, texts)) {
    // Refused: the fields and the unit stay as they were, and so does the option.
    inchesOptions_[static_cast<std::size_t>(unitsSwitch_.CurrentUnitIndex())]->setChecked(true);
    ShowMessage(kAppTitle, std::string("The units were not changed: the ") + LengthFieldName(*bad) +
                               " entry is not a number that can be converted.");
    QLineEdit* edit = LengthEdit(*bad);
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
    return;
  }
  for (std::size_t k = 0; k < kLengthFields.size(); ++k) {
    LengthEdit(kLengthFields[k])->setText(Text(texts[k]));
  }
  exactCheck_->Foucault()->SetUnits(InchUnitsSelected(), true);  // the readings keep their length
  EntriesChanged();                                              // the unit
}

// ---- What the entries show, and what belongs to them ---------------------

TypedEntries FormMain::CurrentInputs() const {
  TypedEntries in;
  in.texts = Entries().texts;
  in.inch = InchUnitsSelected();
  in.glassName = shared_.GlassName;
  in.testWavelength = shared_.TestWavelength;
  return in;
}

void FormMain::EntriesChanged() {
  if (runBusy_) return;  // the entries are locked; the run sets the units back
  ShowEntryProblems();
  const RunRecord& run = finder_.lastRun();
  if (!stale_ && run.outcome != RunOutcome::None &&
      !SameEntries(TypedEntriesOf(run.setup), CurrentInputs()))
    MarkResultsStale();
  if (auto* chooser = findChild<ChooseLensWindow*>()) chooser->MainWindowChanged();
}

void FormMain::ShowEntryProblems() {
  entryProblems_ = CheckEntries(CurrentInputs());
  // Each field is marked by what is wrong with it: red when the set-up
  // cannot be what was meant, amber for a note.
  for (std::size_t k = 0; k < kEntryCount; ++k) {
    const Entry entry = static_cast<Entry>(k);
    QLineEdit* edit = EntryEdit(entry);
    const auto problem = ProblemOf(entryProblems_, entry);
    const char* mark = !problem                                     ? ""
                       : problem->severity == EntrySeverity::Note   ? "note"
                       : problem->severity == EntrySeverity::Absurd ? "absurd"
                                                                    : "wrong";
    if (edit->property("entryProblem").toString() == QLatin1String(mark)) continue;
    edit->setProperty("entryProblem", QString::fromLatin1(mark));
    QPalette palette = edit->parentWidget()->palette();
    if (*mark != 0)
      palette.setColor(QPalette::Base, problem->severity == EntrySeverity::Note
                                           ? QColor(255, 240, 200)
                                           : QColor(255, 215, 215));
    edit->setPalette(palette);
  }
  // The worst of them beside the entries and in the status bar.
  const auto first = FirstProblem(entryProblems_);
  if (!first) {
    entryNote_->hide();
    entryNote_->clear();
    if (!entryStatus_.isEmpty() && statusBar()->currentMessage() == entryStatus_) {
      // The results' state is what the status bar then has to say.
      if (stale_) {
        statusBar()->showMessage(staleNote_->text());
      } else {
        statusBar()->clearMessage();
      }
    }
    entryStatus_.clear();
    return;
  }
  const QString text = Text(first->text);
  const int more = static_cast<int>(entryProblems_.size()) - 1;
  entryNote_->setText(more > 0 ? tr("%1 (and %n more marked)", nullptr, more).arg(text) : text);
  entryNote_->setStyleSheet(first->severity == EntrySeverity::Note
                                ? QStringLiteral("QLabel#EntryNote { color: #6b4200; }")
                                : QStringLiteral("QLabel#EntryNote { color: #b00000; }"));
  entryNote_->show();
  entryStatus_ = text;
  statusBar()->showMessage(entryStatus_);
}

void FormMain::MarkResultsStale() {
  stale_ = true;
  const QString note =
      tr("Out of date: the entries have changed since the last run. Press "
         "'Find Null Variables'.");
  staleNote_->setText(
      tr("Out of date: the entries have changed since this report was made. Press 'Find Null "
         "Variables' for results that belong to them."));
  staleNote_->show();
  exactRunner_->Drop();
  exactCheck_->ShowStale(note);
  FollowMainWindow(this, nullptr, note);
  if (entryStatus_.isEmpty()) statusBar()->showMessage(staleNote_->text());
}

bool FormMain::RefuseStaleReport(const QString& action) {
  if (!stale_) return false;
  QMessageBox box(QMessageBox::Warning, action,
                  tr("The report is out of date: the entries have changed since it was made. "
                     "Press 'Find Null Variables' first."),
                  QMessageBox::Ok, this);
  box.exec();
  return true;
}

}  // namespace vn
