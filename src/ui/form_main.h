// The main window FormMain: the entry fields of the mirror and the null lens,
// the units choice, the two option boxes, the find button, the abort notice
// and the report box TextOut. It hosts the null-finding run (ReportHost) and
// opens the refractive-index and error-exploration dialogs.
#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <array>
#include <string>

#include "common/shared_values.h"
#include "exact/entry_check.h"
#include "glass/glass_catalogs.h"
#include "glass/refractive_index_dialog.h"
#include "record/run_host.h"
#include "run/null_finder.h"
#include "run/units_switch.h"
#include "spacing_error_dialog/error_explore_dialog.h"
#include "ui/find_spinner.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPrinter;
class QPushButton;
class QRadioButton;
class QSettings;

namespace vn {

class FormMain : public QMainWindow, public ReportHost {
  Q_OBJECT

 public:
  // The window shows and edits `shared` (glass, wavelength, exploration
  // limit) and starts its runs with `finder`; both outlive the window.
  FormMain(SharedValues& shared, NullFinder& finder, QWidget* parent = nullptr);
  ~FormMain() override;

  // ReportHost: what a run shows in this window while it works.
  void ShowReport(const std::string& text) override { SetReportText(text); }
  void Step() override;
  void ShowMessage(const std::string& title, const std::string& text) override;
  bool AskYesNo(const std::string& title, const std::string& text) override;

  // What the entry fields and option boxes hold, as a run reads them.
  RunEntries Entries() const;
  bool InchUnitsSelected() const;
  std::string ReportText() const { return report_; }
  void SetReportText(const std::string& text);
  // The find button's caption (its spinner during a run) and the abort notice.
  void SetFindCaption(const std::string& caption);
  void ShowAbortNotice(bool shown);

  // The longest a run goes without letting the window handle its events
  // (and the time a run must last before the window shows it is busy).
  static constexpr int kYieldIntervalMs = 15;
  // Tests shorten it to 0 to see the window in the middle of a short run.
  void SetYieldInterval(int ms) { yieldIntervalMs_ = ms; }

  // The File menu's work without its file dialogs (main_menu.cpp). Each
  // tells the user what went wrong and returns false; opening a set-up file
  // that cannot be read changes nothing.
  bool OpenSetupFile(const QString& path);
  bool SaveSetupFile(const QString& path);
  bool SaveReportFile(const QString& path);
  void PrintReportTo(QPrinter& printer);
  // The report box's text and the exact check, as saved and printed.
  QString ReportFileText() const;
  // The results on screen (report, exact check, Tester's view, tolerances)
  // were made from other entries than the fields now hold.
  bool ResultsStale() const { return stale_; }

  // Help: how to use the program and its sign conventions (the start-up text).
  void ShowHelp();

  // Keeps the window's size, position and last folder in `settings` from one
  // session to the next (window_settings.cpp); without it nothing is kept.
  void UseSettings(QSettings* settings);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void SetTabOrder();
  // The menus, the units beside the length fields, the tooltips and the icon.
  void BuildDesktopParts();
  void BuildMenus();
  void AddControlHelp();
  // The length fields' unit labels follow the units switch.
  void ShowLengthUnits();

  // The File menu's actions, through the file dialogs.
  void OpenSetup();
  void SaveSetup();
  void OpenMeasurement();
  void SaveReport();
  void PrintReport();
  void ExportPictures();
  void ShowAbout();
  // The folder a file dialog starts in, and the one the user last chose.
  QString StartFolder() const;
  void RememberFolder(const QString& file);
  void SaveWindowSettings();

  // Handlers of the window's controls.
  void FindIt_Click();
  void Calc_RIn_Click();
  void CHk_QtrWave_Click(bool checked);
  void inches_Click(int index);

  // The run's window around it: the locked entries and the events queued
  // during the run.
  void FocusReport();
  void YieldToEvents();
  void SetEntriesEnabled(bool enabled);
  FindSpinner spinner_;
  // From the find button's click until the events queued during its run
  // have been handled.
  bool runBusy_ = false;

  // Puts the report text into TextOut if the run changed it since.
  void FlushReport();
  // Shows where the last run wrote its lens files, if it wrote any.
  void ShowWrittenFiles();
  // Names the entry the last run could not read, if any, and focuses it.
  void ShowUnreadEntry();
  QLineEdit* EntryEdit(Entry entry) const;

  // The entries, unit, glass and wavelength as a run would read them now.
  TypedEntries CurrentInputs() const;
  // An entry, the unit, the glass or the wavelength changed: the fields are
  // checked again, and the results of other entries are marked out of date.
  void EntriesChanged();
  void ShowEntryProblems();
  void MarkResultsStale();
  // Refuses, with its reason, to save or print a report that is out of date.
  bool RefuseStaleReport(const QString& action);
  QLineEdit* LengthEdit(LengthField field) const;

  SharedValues& shared_;
  NullFinder& finder_;
  GlassCatalogs catalogs_;
  // The dialogs' logic lives as long as the window, so that their choices
  // carry over from one opening to the next.
  RefractiveIndexDialog refractiveIndex_;
  ErrorExploreDialog errorExplore_;
  UnitsSwitch unitsSwitch_;

  // The report as the run last set it (CR LF lines); TextOut follows lazily.
  std::string report_;
  bool reportDirty_ = false;
  // Event handling during a run: at most every yieldIntervalMs_, the first
  // time that long after the run started; a run shorter than that never
  // repaints the window, and the user sees only its result. The window
  // shows it is busy (notice, locked entries) from the first handling on.
  QElapsedTimer sinceEvents_;
  int yieldIntervalMs_ = kYieldIntervalMs;
  bool inRun_ = false;
  bool busyShown_ = false;
  bool handledDuringRun_ = false;
  bool abortNoticeWanted_ = false;
  void ShowBusy(bool busy);
  // The exact check of the last solved set-up, made after the run has ended.
  void ShowExactCheck();
  class ExactCheckPanel* exactCheck_ = nullptr;
  class ExactCheckRunner* exactRunner_ = nullptr;
  // The divider beside the report has its first place (set at the first showing).
  bool dividerPlaced_ = false;
  // The window was asked to close during a run; it closes when the run ends.
  bool closePending_ = false;

  QGroupBox* units_ = nullptr;
  QButtonGroup* inches_ = nullptr;
  std::array<QRadioButton*, 2> inchesOptions_{};
  QGroupBox* mData_ = nullptr;
  QGroupBox* rlData_ = nullptr;
  QLineEdit* mDiam_ = nullptr;
  QLineEdit* mRoC_ = nullptr;
  QLineEdit* mcc_ = nullptr;
  QLineEdit* lradI_ = nullptr;
  QLineEdit* lRadM_ = nullptr;
  QLineEdit* lthck_ = nullptr;
  QLineEdit* lDiam_ = nullptr;
  QLineEdit* lindexR_ = nullptr;
  QPushButton* calcRIn_ = nullptr;
  QCheckBox* chkQtrWave_ = nullptr;
  QCheckBox* chkSaveOslo_ = nullptr;
  QPushButton* findIt_ = nullptr;
  QLabel* abrt_ = nullptr;
  QPlainTextEdit* textOut_ = nullptr;
  QLabel* lensFileNote_ = nullptr;
  // What the entries alone show is wrong, named, under the entries.
  QLabel* entryNote_ = nullptr;
  std::vector<EntryProblem> entryProblems_;
  QString entryStatus_;  // the status bar's message about them, while shown
  // Over the report, while the results are of other entries.
  QLabel* staleNote_ = nullptr;
  bool stale_ = false;
  // The run's error box came after a key press: the run was stopped, and its
  // entries are not to blame.
  bool stoppedByKey_ = false;
  class QDialog* help_ = nullptr;
  std::array<class UnitSuffix*, 6> unitSuffixes_{};
  QSettings* settings_ = nullptr;
  QString lastFolder_;
  // The set-up file last opened or saved, named on the printed report.
  QString setupPath_;
};

// Report text as a text widget wants it: each CR LF one line feed.
QString WidgetTextFromReport(const std::string& report);

}  // namespace vn
