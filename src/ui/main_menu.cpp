// The main window's menu bar and what it does with files: set-up files saved
// and opened, the report saved and printed, the exact check's pictures
// exported; the help text and the About box. Nothing here starts while a run
// is in progress: a file dialog in the middle of a run would hold it up.
#include <QAction>
#include <QApplication>
#include <QDate>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTextDocument>
#include <QTextOption>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <memory>

#include "common/app_info.h"
#include "common/constants.h"
#include "common/number_text.h"
#include "common/whole_file.h"
#include "record/setup_file.h"
#include "ui/exact_check_panel.h"
#include "ui/form_main.h"
#include "ui/foucault_view.h"
#include "ui/program_icon.h"
#include "ui/startup_text.h"

namespace vn {

namespace {

// How long the status bar says what a file action did.
constexpr int kStatusMs = 10000;
// The help window's size at its first opening.

QString Text(const std::string& s) { return QString::fromStdString(s); }

std::filesystem::path FsPath(const QString& path) { return QFileInfo(path).filesystemFilePath(); }

QString Shown(const QString& path) { return QDir::toNativeSeparators(path); }

void Warn(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
  box.exec();
}

// A file chosen in the toolkit's file dialog, or an empty text when the user
// cancelled. A name saved without a suffix gets `suffix`.
QString ChooseFile(QWidget* parent, const QString& title, const QString& folder,
                   const QString& suggestedName, const QString& filter,
                   QFileDialog::AcceptMode mode, const QString& suffix = {}) {
  QFileDialog dialog(parent, title, folder, filter);
  dialog.setObjectName(QStringLiteral("FileDialog"));
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                     : QFileDialog::AnyFile);
  if (!suffix.isEmpty()) dialog.setDefaultSuffix(suffix);
  if (!suggestedName.isEmpty()) dialog.selectFile(suggestedName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

QString SetupFilter() { return QObject::tr("Vantry Null set-ups (*.vnull);;All files (*)"); }

}  // namespace

void FormMain::BuildDesktopParts() {
  setWindowIcon(ProgramIcon());
  BuildMenus();
  AddControlHelp();
}

void FormMain::BuildMenus() {
  const auto add = [this](QMenu* menu, const char* name, const QString& text,
                          const QKeySequence& keys, void (FormMain::*handler)(),
                          const QString& tip) {
    QAction* action = menu->addAction(text);
    action->setObjectName(QString::fromUtf8(name));
    action->setShortcut(keys);
    action->setStatusTip(tip);
    connect(action, &QAction::triggered, this, handler);
    return action;
  };

  QMenu* file = menuBar()->addMenu(tr("&File"));
  file->setObjectName(QStringLiteral("FileMenu"));
  add(file, "actionOpenSetup", tr("&Open set-up…"), QKeySequence::Open, &FormMain::OpenSetup,
      tr("Open a set-up file (.vnull): its entries, units, glass, wavelength and Foucault "
         "readings"));
  add(file, "actionSaveSetup", tr("&Save set-up…"), QKeySequence::Save, &FormMain::SaveSetup,
      tr("Save the entries, units, glass, wavelength and Foucault readings as a set-up file "
         "(.vnull)"));
  add(file, "actionOpenMeasurement", tr("Open &measurement…"), {}, &FormMain::OpenMeasurement,
      tr("Read a wavefront measured through the null (.wft, .zrn, .csv) and show the mirror"));
  file->addSeparator();
  add(file, "actionSaveReport", tr("Save &report…"), {}, &FormMain::SaveReport,
      tr("Save the report and the exact check as a text file"));
  add(file, "actionPrintReport", tr("&Print report…"), QKeySequence::Print, &FormMain::PrintReport,
      tr("Print the report and the exact check"));
  add(file, "actionExportPictures", tr("&Export pictures…"), {}, &FormMain::ExportPictures,
      tr("Save the exact check's three pictures as PNG and SVG files"));
  file->addSeparator();
  QAction* quit = file->addAction(tr("&Quit"));
  quit->setObjectName(QStringLiteral("actionQuit"));
  quit->setShortcut(QKeySequence::Quit);
  quit->setStatusTip(tr("Close the window and end the program"));
  connect(quit, &QAction::triggered, this, &QWidget::close);

  // What cannot be done now is greyed while the menu is open; the actions'
  // keys still reach the handlers, which check for themselves.
  const QStringList busyBound = {
      QStringLiteral("actionOpenSetup"), QStringLiteral("actionSaveSetup"),
      QStringLiteral("actionOpenMeasurement"), QStringLiteral("actionSaveReport"),
      QStringLiteral("actionPrintReport")};
  connect(file, &QMenu::aboutToShow, this, [this, file, busyBound] {
    const bool idle = !runBusy_;
    for (QAction* action : file->actions()) {
      if (busyBound.contains(action->objectName())) action->setEnabled(idle);
    }
    const auto* button = exactCheck_->findChild<QPushButton*>(QStringLiteral("ExactExport"));
    file->findChild<QAction*>(QStringLiteral("actionExportPictures"))
        ->setEnabled(idle && button != nullptr && button->isEnabled());
  });
  connect(file, &QMenu::aboutToHide, this, [file] {
    for (QAction* action : file->actions()) action->setEnabled(true);
  });

  QMenu* help = menuBar()->addMenu(tr("&Help"));
  help->setObjectName(QStringLiteral("HelpMenu"));
  add(help, "actionHelp", tr("&How to use it (F1)"), {}, &FormMain::ShowHelp,
      tr("How to enter a set-up and the signs of the lens radii; the verdict, the exact check, "
         "tolerances, the lens chooser, the Tester's view and set-up files"));

  // The exact check's pictures are exported into the folder last used for a file.
  exactCheck_->SetExportFolder([this] { return StartFolder(); },
                               [this](const QString& file) { RememberFolder(file); });
  add(help, "actionAbout", tr("&About Vantry Null"), {}, &FormMain::ShowAbout,
      tr("The program's version and licence"));
}

// ---- Set-up files --------------------------------------------------------------

void FormMain::OpenSetup() {
  if (runBusy_) return;
  const QString path = ChooseFile(this, tr("Open set-up"), StartFolder(), {}, SetupFilter(),
                                  QFileDialog::AcceptOpen);
  if (path.isEmpty()) return;
  RememberFolder(path);
  OpenSetupFile(path);
}

void FormMain::SaveSetup() {
  if (runBusy_) return;
  const QString path =
      ChooseFile(this, tr("Save set-up"), StartFolder(), QStringLiteral("set-up.vnull"),
                 SetupFilter(), QFileDialog::AcceptSave, QStringLiteral("vnull"));
  if (path.isEmpty()) return;
  RememberFolder(path);
  SaveSetupFile(path);
}

// ---- Measurements --------------------------------------------------------------

void FormMain::OpenMeasurement() {
  if (finder_.RunBusy()) return;
  const RunRecord& run = finder_.lastRun();
  if (!run.solved) {
    Warn(this, tr("Open measurement"),
         tr("A measurement is read through the solved null: press Find Null Variables first."));
    return;
  }
  const QString path =
      ChooseFile(this, tr("Open measurement"), StartFolder(), {},
                 tr("Measurements (*.wft *.zrn *.csv);;All files (*)"), QFileDialog::AcceptOpen);
  if (path.isEmpty()) return;
  RememberFolder(path);
  // The distances the test was built at: the check's recommended ones, or
  // the report's, unless the user says otherwise.
  const RecommendedSetUp& recommended = exactCheck_->Recommended();
  const bool useRecommended = recommended.available;
  const double U = unitFromInch(1.0, run.setup.inch);
  const int decimals = run.setup.inch ? 4 : 3;
  const double d = useRecommended ? recommended.objectDistance : run.solution.ObjectDistance;
  const double d2 =
      useRecommended ? recommended.lensMirrorDistance : run.solution.LensMirrorDistance;
  bool ok = false;
  const QString given = QInputDialog::getText(
      this, tr("Open measurement"),
      tr("Distances the test was built at, source to lens and lens to mirror (%1):")
          .arg(run.setup.inch ? tr("inches") : tr("mm")),
      QLineEdit::Normal, Text(RoundedText(d * U, decimals) + "," + RoundedText(d2 * U, decimals)),
      &ok);
  if (!ok) return;
  const QStringList parts = given.split(QLatin1Char(','));
  const auto distance = [&](int i) {
    return parts.size() == 2 ? ReadNumber(parts[i].toStdString()) : std::nullopt;
  };
  const auto builtD = distance(0), builtD2 = distance(1);
  if (!builtD || !builtD2 || !(*builtD > 0.0) || !(*builtD2 > 0.0)) {
    Warn(this, tr("Open measurement"), tr("'%1' is not two positive distances, D,d2.").arg(given));
    return;
  }
  SolvedSetUp builtAt = SolvedSetUpOf(run);
  builtAt.objectDistance = *builtD / U;
  builtAt.lensMirrorDistance = *builtD2 / U;
  exactCheck_->OpenMeasurement(path, builtAt);
}

bool FormMain::OpenSetupFile(const QString& path) {
  const SetupFileReading reading = ReadSetupFile(FsPath(path));
  if (!reading.setup) {
    Warn(this, tr("Open set-up"),
         tr("The set-up file %1 was not opened.\n\n%2\n\nNothing was changed.")
             .arg(Shown(path), Text(reading.error.why)));
    return false;
  }
  // The texts go in as they are, in the file's unit: no conversion, so the
  // units switch is only told which unit they are in.
  const SetupFile& setup = *reading.setup;
  for (const auto& [entry, key] : kSetupEntryKeys)
    EntryEdit(entry)->setText(Text(setup.Text(entry)));
  const int unit = setup.inch ? UnitsSwitch::kInch : UnitsSwitch::kMm;
  inchesOptions_[static_cast<std::size_t>(unit)]->setChecked(true);
  unitsSwitch_.SetCurrentUnitIndex(unit);
  ShowLengthUnits();
  shared_.GlassName = setup.glassName;
  shared_.TestWavelength = setup.wavelengthMicrons;
  refractiveIndex_.ChooseAtNextOpening(setup.glassName);
  exactCheck_->Foucault()->SetUnits(setup.inch, false);
  exactCheck_->Foucault()->SetEntries(setup.foucault);
  setupPath_ = path;
  EntriesChanged();                          // the glass and the wavelength with the texts
  if (!entryStatus_.isEmpty()) return true;  // what is wrong with them comes first
  statusBar()->showMessage(
      tr("Opened the set-up %1; press Find Null Variables to solve it.").arg(Shown(path)),
      kStatusMs);
  return true;
}

bool FormMain::SaveSetupFile(const QString& path) {
  SetupFile setup;
  for (const auto& [entry, key] : kSetupEntryKeys)
    setup.Text(entry) = EntryEdit(entry)->text().toStdString();
  setup.inch = InchUnitsSelected();
  setup.glassName = shared_.GlassName;
  setup.wavelengthMicrons = shared_.TestWavelength;
  setup.foucault = exactCheck_->Foucault()->Entries();
  if (const FileWriteResult saved = WriteSetupFile(FsPath(path), setup); !saved.written()) {
    Warn(this, tr("Save set-up"),
         tr("The set-up could not be saved as %1:\n%2.").arg(Shown(path), Text(saved.why)));
    return false;
  }
  setupPath_ = path;
  statusBar()->showMessage(tr("Set-up saved as %1").arg(Shown(path)), kStatusMs);
  return true;
}

// ---- The report ------------------------------------------------------------------

QString FormMain::ReportFileText() const {
  return WidgetTextFromReport(report_) + QStringLiteral("\n\n") + Text(exactCheck_->ReportText()) +
         QLatin1Char('\n');
}

void FormMain::SaveReport() {
  if (runBusy_ || RefuseStaleReport(tr("Save report"))) return;
  const QString path = ChooseFile(
      this, tr("Save report"), StartFolder(), QStringLiteral("report.txt"),
      tr("Text files (*.txt);;All files (*)"), QFileDialog::AcceptSave, QStringLiteral("txt"));
  if (path.isEmpty()) return;
  RememberFolder(path);
  SaveReportFile(path);
}

bool FormMain::SaveReportFile(const QString& path) {
  if (RefuseStaleReport(tr("Save report"))) return false;
  if (const FileWriteResult saved = WriteWholeFile(FsPath(path), ReportFileText().toStdString());
      !saved.written()) {
    Warn(this, tr("Save report"),
         tr("The report could not be saved as %1:\n%2.").arg(Shown(path), Text(saved.why)));
    return false;
  }
  statusBar()->showMessage(tr("Report saved as %1").arg(Shown(path)), kStatusMs);
  return true;
}

void FormMain::PrintReport() {
  if (runBusy_ || RefuseStaleReport(tr("Print report"))) return;
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(tr("Vantry Null report"));
  QPrintDialog dialog(&printer, this);
  dialog.setObjectName(QStringLiteral("PrintDialog"));
  dialog.setWindowTitle(tr("Print report"));
  if (dialog.exec() != QDialog::Accepted) return;
  PrintReportTo(printer);
  if (printer.printerState() == QPrinter::Error) {
    Warn(this, tr("Print report"), tr("The report could not be printed."));
  }
}

void FormMain::PrintReportTo(QPrinter& printer) {
  // One page for the workshop: the title with the date and the set-up's
  // name; the verdict and the distances to set up; the report and the
  // exact check, their columns on the report box's tab stops; the set-up
  // drawn with the distances to set up. The page is laid out in 1/96 inch,
  // the window's pixels, whatever the printer's resolution, and the type
  // sized in those pixels, so that nothing depends on the screen's.
  QPainter painter;
  if (!painter.begin(&printer)) return;
  const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
  const double scale = printer.resolution() / 96.0;
  painter.scale(scale, scale);
  const QRectF area(0, 0, page.width() / scale, page.height() / scale);

  const auto document = [](const QString& text, int pixelSize, bool bold = false) {
    auto doc = std::make_unique<QTextDocument>();
    QFont font = QApplication::font();
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    doc->setDefaultFont(font);
    // The report box's tab stops: every eight average characters.
    QTextOption option;
    option.setTabStopDistance(8 * QFontMetricsF(font).averageCharWidth());
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    doc->setDefaultTextOption(option);
    doc->setDocumentMargin(0);
    doc->setPlainText(text);
    return doc;
  };
  double y = 0;
  const auto place = [&](QTextDocument& doc, double width, double shrink = 1.0) {
    doc.setTextWidth(width / shrink);
    painter.save();
    painter.translate(0, y);
    painter.scale(shrink, shrink);
    doc.drawContents(&painter);
    painter.restore();
    y += doc.size().height() * shrink + 8;
  };

  const QString setup = setupPath_.isEmpty()
                            ? tr("set-up not saved in a file")
                            : tr("set-up %1").arg(QFileInfo(setupPath_).fileName());
  auto title = document(tr("Vantry Null null-test set-up"), 20, true);
  place(*title, area.width());
  y -= 4;
  auto subtitle =
      document(QDate::currentDate().toString(Qt::ISODate) + QStringLiteral(" \u2014 ") + setup, 12);
  place(*subtitle, area.width());

  const QString verdict = Text(exactCheck_->VerdictReportText());
  auto first =
      document(verdict.isEmpty() ? tr("No exact check of these entries: no verdict, and no "
                                      "distances to set up.")
                                 : verdict.trimmed(),
               13, true);
  place(*first, area.width());

  // The set-up picture takes the page's lower part; the report the room
  // between, in a smaller type when it would not fit.
  const double pictureHeight = std::min(0.3 * area.height(), 0.62 * area.width());
  const double room = area.height() - pictureHeight - y - 8;
  auto report = document(ReportFileText().trimmed(), 11);
  report->setTextWidth(area.width());
  const double shrink = std::clamp(room / report->size().height(), 0.4, 1.0);
  // At a smaller type the lines are longer: lay it out again at that width.
  place(*report, area.width(), shrink);

  const QRectF picture(0, area.height() - pictureHeight, area.width(), pictureHeight);
  painter.save();
  QFont small = QApplication::font();
  small.setPixelSize(10);
  painter.setFont(small);
  if (!exactCheck_->PaintSetUp(painter, picture)) {
    painter.drawText(picture, Qt::AlignCenter | Qt::TextWordWrap,
                     tr("No picture of the set-up: solve the entries first."));
  }
  painter.restore();
  painter.end();
}

void FormMain::ExportPictures() {
  if (runBusy_) return;
  auto* button = exactCheck_->findChild<QPushButton*>(QStringLiteral("ExactExport"));
  if (button == nullptr || !button->isEnabled()) {
    statusBar()->showMessage(tr("No exact check to export: solve a set-up first."), kStatusMs);
    return;
  }
  button->click();
}

// ---- Help ------------------------------------------------------------------------

void FormMain::ShowAbout() {
  auto* box = new QMessageBox(this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setObjectName(QStringLiteral("AboutBox"));
  box->setWindowTitle(tr("About Vantry Null"));
  box->setIconPixmap(ProgramIcon().pixmap(64, 64));
  box->setTextFormat(Qt::RichText);
  box->setText(
      tr("<h3>Vantry Null %1</h3>"
         "<p>Sets up the Vantry null test of a concave conic mirror tested at its centre of "
         "curvature: the source-to-lens and lens-to-mirror distances that null it, how good "
         "the null is, and an exact check of the solved set-up.</p>"
         "<p>Copyright (c) 2026 The Vantry Null developers.<br>"
         "Released under the MIT licence, without warranty of any kind; the licence is below "
         "(Show Details) and in the file LICENSE that comes with the program.</p>"
         "<p>Built with Qt %2.</p>")
          .arg(Text(VersionText()), QStringLiteral(QT_VERSION_STR)));
  QFile licence(QStringLiteral(":/text/LICENSE"));
  if (licence.open(QIODevice::ReadOnly)) box->setDetailedText(QString::fromUtf8(licence.readAll()));
  box->setStandardButtons(QMessageBox::Ok);
  box->show();
}

}  // namespace vn
