// The "Choose lens" window: designs the null lens for the main window's
// mirror and glass, or ranks the lenses of a list for it, and types the
// chosen lens into the main window's lens fields with one click.
//
// The work runs on its own thread in the core (ChooserJob); a timer shows
// its progress and picks up its result, so the window's event loop is never
// held up. The window reads the main window through its RunHost entries and
// fills the lens fields found by their control names.
#pragma once

#include <QDialog>
#include <memory>
#include <optional>
#include <vector>

#include "common/shared_values.h"
#include "design/chooser_entries.h"
#include "design/chooser_job.h"
#include "design/chooser_rows.h"
#include "design/lens_list.h"
#include "record/run_host.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTabWidget;
class QTimer;

namespace vn {

class FormMain;

class ChooseLensWindow : public QDialog {
  Q_OBJECT

 public:
  // `form` is the main window whose entries `host` reads and whose lens
  // fields a chosen lens fills; `shared` holds its glass and wavelength.
  ChooseLensWindow(const FormMain& main, SharedValues& shared, QWidget* form);
  ~ChooseLensWindow() override;

  // Takes the main window's lens thickness and diameter as the design's
  // (when they have changed since last taken), and shows what the results
  // will be for.
  void TakeMainWindowEntries();

  // The main window's entries, glass or wavelength may have changed: results
  // made for another mirror are marked out of date and cannot be used.
  void MainWindowChanged();

  // How often the running work's progress is looked at.
  static constexpr int kPollIntervalMs = 50;

 private:
  // The chooser's inputs from the entries, or nothing with `cannot` (its %1
  // the problem) in the status line.
  std::optional<ChooserInputs> ReadInputs(const QString& cannot);
  // Shows the mirror and glass the results will be for.
  void ShowSetting();
  void StartDesign();
  void StartRanking();
  void OpenList();
  void Poll();
  // Every column within the table's width, the verdict last taking the rest.
  void FitColumns();
  void ShowHeadings();
  void ShowRows(std::vector<ChooserRow> rows);
  void ShowDetail();
  void UseSelectedLens();
  void SetRunning(bool running);
  ChooserEntries Entries() const;

  const FormMain& main_;
  SharedValues& shared_;
  QWidget* form_;
  ChooserJob job_;
  bool inchResults_ = false;                    // the unit the shown rows were made in
  std::string takenThickness_, takenDiameter_;  // the main window's, as last taken
  LensList list_;                               // the list being ranked (its lenses and problems)
  std::vector<ChooserRow> rows_;
  ChooserEntries madeFor_;   // the main window's setting the work was started for
  bool stale_ = false;       // rows_ belong to another setting than the main window's
  bool typingLens_ = false;  // "Use this lens" is filling the main window's fields

  QLabel* setting_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  QLineEdit* thickness_ = nullptr;
  QLineEdit* diameter_ = nullptr;
  QCheckBox* planoConvex_ = nullptr;
  QCheckBox* bestForm_ = nullptr;
  QLineEdit* maxSourceToMirror_ = nullptr;
  QLineEdit* minSourceToLens_ = nullptr;
  QLineEdit* clearAperture_ = nullptr;
  QPushButton* design_ = nullptr;
  QLineEdit* listPath_ = nullptr;
  QPushButton* rank_ = nullptr;
  QPlainTextEdit* listProblems_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QLabel* status_ = nullptr;
  QTableWidget* table_ = nullptr;
  QPlainTextEdit* detail_ = nullptr;
  QPushButton* use_ = nullptr;
  QTimer* poll_ = nullptr;
};

// Adds the "Choose lens..." button (ChooseLens) to the main window's status
// bar; it opens the window, or brings it back to the front.
void AttachChooseLens(QMainWindow& form, const FormMain& main, SharedValues& shared);

}  // namespace vn
