// The Tolerances window: how exactly the solved set-up must be built. It
// shows the sensitivity table of the exact 3D trace, takes the user's
// tolerances, runs the Monte Carlo in the background (a progress bar and a
// Cancel button; the window stays responsive), draws the distribution of the
// built set-ups' residual as a histogram, answers the reverse question (the
// conic of a mirror that nulls best at a measured spacing) and exports it
// all as CSV, PNG and SVG.
//
// The work is done by the core (src/analysis): the Monte Carlo on its own
// standard threads, which the window polls with a timer.
#pragma once

#include <QWidget>
#include <array>
#include <memory>
#include <optional>

#include "analysis/monte_carlo.h"
#include "analysis/sensitivity.h"
#include "analysis/tolerance_model.h"
#include "common/shared_values.h"
#include "record/run_record.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;

namespace vn {

class ExactPlotWidget;

class ToleranceWindow : public QWidget {
  Q_OBJECT

 public:
  explicit ToleranceWindow(QWidget* parent = nullptr);
  ~ToleranceWindow() override;

  // Analyses this set-up (lengths in inches, as the engine has them) and
  // shows its sensitivity table at once, every figure and entry in its unit.
  void ShowSetUp(const SolvedSetUp& input);
  // Empties the window, saying `why`.
  void ShowNothing(const QString& why);
  // The set-up shown is no longer the main window's: a Monte Carlo of it is
  // stopped and dropped, and the window emptied, saying `why`.
  void ShowOutOfDate(const QString& why);

  // Starts the Monte Carlo with the entries' tolerances, trials and seed;
  // false (and the reason shown) when an entry cannot be read or there is
  // no set-up.
  bool StartMonteCarlo();
  void CancelMonteCarlo();
  bool MonteCarloRunning() const { return job_ != nullptr; }
  const std::optional<MonteCarloResult>& monteCarlo() const { return monteCarlo_; }

  // basePath_sensitivity.csv and, after a Monte Carlo, basePath_set_ups.csv;
  // false when there is nothing to write or a file cannot be written.
  bool ExportCsv(const QString& basePath) const;
  // The histogram as basePath.png (and basePath.svg with SVG support).
  bool ExportPictures(const QString& basePath) const;

 signals:
  // The Monte Carlo has ended (done or cancelled) and its figures are shown.
  void monteCarloEnded();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void FillTable();
  void PollMonteCarlo();
  void ShowMonteCarlo();
  void ShowHistogram();
  void ConicFromSpacing_Click();
  void ExportCsv_Click();
  void ExportPictures_Click();
  void SetStatus(const QString& text);

  std::shared_ptr<const ToleranceModel> model_;
  bool inch_ = false;
  std::optional<SensitivityTable> table_;
  std::unique_ptr<MonteCarloJob> job_;
  std::optional<MonteCarloResult> monteCarlo_;

  QLabel* summary_ = nullptr;
  QTableWidget* sensitivity_ = nullptr;
  std::array<QLineEdit*, 10> toleranceEntries_{};
  std::array<QLabel*, 10> toleranceUnits_{};
  QLineEdit* trials_ = nullptr;
  QLineEdit* seed_ = nullptr;
  QPushButton* run_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QTimer* poll_ = nullptr;
  QComboBox* histogramOf_ = nullptr;
  ExactPlotWidget* histogram_ = nullptr;
  QLabel* statistics_ = nullptr;
  QLineEdit* measuredSpacing_ = nullptr;
  QLabel* conicAnswer_ = nullptr;
  QPushButton* exportCsv_ = nullptr;
  QPushButton* exportPictures_ = nullptr;
  QLabel* status_ = nullptr;
};

// Opens the owner's Tolerances window (or brings it to the front) on the
// last run's solved set-up.
void ShowToleranceWindow(QWidget* owner, const RunRecord& run);

// Keeps an open Tolerances window true to the main window: `run` is the new
// run's record, or nothing when the entries changed since the set-up shown
// (the window then says `why` and shows nothing of it).
void FollowMainWindow(QWidget* owner, const RunRecord* run, const QString& why);

}  // namespace vn
