// The "Foucault" tab: the knife readings of a Couder mask, taken through the
// null, typed into a table (or read from the command line's CSV), and their
// reduction to the mirror's conic, departure and wavefront, with the surface
// profile drawn in nanometres.
//
// The readings are the user's entries: they stay as typed, go into the
// set-up file with the other entries, and follow the units switch. The
// reduction (analysis/foucault_reduction.h) runs on a thread of its own
// through the set-up the last run solved; when the readings, the distances
// or the set-up change, what it showed is washed out and says why until the
// readings are reduced again.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "analysis/foucault_reduction.h"
#include "common/cancel_token.h"
#include "exact/verdict.h"
#include "record/setup_file.h"
#include "record/solved_set_up.h"

class QBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace vn {

class FoucaultPlot;

class FoucaultView : public QWidget {
  Q_OBJECT

 public:
  explicit FoucaultView(QWidget* parent = nullptr);
  // Stops a reduction still going and waits for it (it stops at its next trace).
  ~FoucaultView() override;

  // The set-up the last run solved, and the distances its exact check
  // recommends; the readings are reduced through it.
  void SetSetUp(const SolvedSetUp& setUp, const RecommendedSetUp& recommended);
  // There is no set-up to reduce through now (a run is going, the entries
  // changed): `why` says so over the last results.
  void SetUpGone(const QString& why);

  // The unit the readings are typed in. `convert`: the units were switched,
  // and the texts are converted so that they keep their length.
  void SetUnits(bool inchUnits, bool convert);
  // Where "Propose zones" finds the mirror's diameter (in the unit of the
  // entries), or nothing when it cannot be read.
  void SetMirrorDiameterSource(std::function<std::optional<double>()> source) {
    mirrorDiameter_ = std::move(source);
  }

  // The entries as typed, for the set-up file; and put back from one.
  FoucaultSetupEntries Entries() const;
  void SetEntries(const FoucaultSetupEntries& entries);

  // The command line's readings file (--foucault): "" or why not.
  QString ImportReadings(const QString& path);
  QString ExportReadings(const QString& path) const;

  // "Reduce readings": reads the table and starts the reduction; what is
  // wrong with the entries is shown instead.
  void Reduce();
  // "Propose zones": the Couder zones of the mirror in the table's first column.
  void ProposeZones();

  // For tests: the figures shown, whether a reduction is shown, and whether
  // it is out of date.
  QString FiguresText() const;
  bool HasReduction() const { return reduction_ && reduction_->ok; }
  bool ReductionStale() const { return stale_; }
  QString ProblemText() const;

 signals:
  // A reduction (or the reason there is none) is shown.
  void ReductionShown();

 private:
  void resizeEvent(QResizeEvent* event) override;
  void BuildTable();
  void Receive(std::shared_ptr<const FoucaultReduction> reduction, int generation);
  void StopWorker();
  // The readings or distances were edited: what was reduced from them is out of date.
  void EntriesEdited();
  void MarkStale(const QString& why);
  void ShowFigures();
  void ShowRecommended();
  void ShowProblem(const QString& problem, int row, int column);
  void SetRows(const std::vector<FoucaultSetupEntries::Zone>& zones);
  void ShowUnits();
  void ImportReadings_Click();
  void ExportReadings_Click();

  QBoxLayout* arrangement_ = nullptr;  // entries and results, side by side or stacked
  QTableWidget* table_ = nullptr;
  QPushButton* propose_ = nullptr;
  QPushButton* addRow_ = nullptr;
  QPushButton* removeRow_ = nullptr;
  QPushButton* import_ = nullptr;
  QPushButton* export_ = nullptr;
  QPushButton* reduce_ = nullptr;
  QRadioButton* recommendedOption_ = nullptr;
  QRadioButton* builtAtOption_ = nullptr;
  QLineEdit* builtD_ = nullptr;
  QLineEdit* builtD2_ = nullptr;
  QLabel* problem_ = nullptr;
  QLabel* staleNote_ = nullptr;
  QLabel* figures_ = nullptr;
  FoucaultPlot* plot_ = nullptr;

  std::function<std::optional<double>()> mirrorDiameter_;
  std::optional<SolvedSetUp> setUp_;
  RecommendedSetUp recommended_;
  bool inchUnits_ = false;     // the unit the readings are typed in
  bool settingTable_ = false;  // the program fills the table: no edit
  QString figuresText_;        // the figures shown, without a stale note
  bool stale_ = false;
  std::shared_ptr<const FoucaultReduction> reduction_;
  bool reductionInch_ = false;  // the unit the reduction was made in
  std::thread worker_;
  CancelToken cancel_;
  int generation_ = 0;
};

}  // namespace vn
