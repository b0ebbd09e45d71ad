// The "Tester's view" tab: what a perfect mirror (or one of another conic)
// looks like through the solved null, as a Ronchigram, a Foucault shadowgram
// or an interferogram, with the controls a tester turns (grating, knife,
// tilt, defocus, ΔK), the caption that says what the picture means, and the
// export of the null's residual for interferogram software.
//
// The pictures are computed by the core (tester/) on a worker thread that
// lives as long as the tab: the window hands it the latest request and shows
// the latest result, and is never kept waiting.
#pragma once

#include <QStringList>
#include <QWidget>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "common/cancel_token.h"
#include "common/constants.h"
#include "exact/exact_check.h"
#include "tester/mirror_through_null.h"
#include "tester/null_views.h"
#include "tester/tester_distances.h"

class QComboBox;
class QLabel;
class QPushButton;
class QStackedWidget;

namespace vn {
class SquarePicture;
}

namespace vn {

class PointSpinBox;

class TesterView : public QWidget {
  Q_OBJECT

 public:
  explicit TesterView(QWidget* parent = nullptr);
  ~TesterView() override;

  // Shows the views of the solved set-up `in` (the report's distances):
  // lengths in inches as the engine has them, its unit for the controls and
  // captions; `verdict` the exact check's, so that no caption praises a
  // set-up it rejects, and `recommended` its distances to set up, which the
  // views are traced at unless the user chooses the report's.
  void ShowSetUp(const SolvedSetUp& in, std::optional<VerdictStatus> verdict = std::nullopt,
                 const RecommendedSetUp& recommended = RecommendedSetUp());

  // Which distances the views are traced at, in words (the caption's last
  // sentence; above the picture too when the report's stand in for a
  // recommended set-up that does not exist).
  QString TracedAtText() const;
  // Chooses the distances, as the tab's choice does.
  void ChooseDistances(TesterDistances distances);

  // Empties the tab, saying `why`.
  void Clear(const QString& why);

  // Writes the perfect mirror's residual files into `folder`: their paths,
  // or an empty list and the reason in *why.
  QStringList ExportResidual(const QString& folder, QString* why = nullptr);

  // Saves the picture shown as PNG or SVG (by the extension); "" or why not.
  QString SavePicture(const QString& path) const;

  // For tests: the caption shown, and whether a picture is shown.
  QString CaptionText() const;
  bool HasPicture() const { return picture_.ok; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct Request {
    std::optional<TesterSetUp> setUp;  // nothing: no set-up shown
    double deltaK = 0;
    TesterViewSettings settings;
    int generation = 0;
  };
  struct Result {
    int generation = 0;
    TesterPicture picture;
    std::shared_ptr<const MirrorThroughNull> perfect;  // for the export
    double defaultGratingOffset = 0;                   // inches
  };

  void Work();
  void SendRequest();  // hands the controls' state to the worker
  void ChooseSetUp();  // the set-up at the distances chosen, and its words
  void Receive(Result result);
  void ShowPicture();
  void ExportResidual_Click();
  void SavePicture_Click();
  // Says beside the boxes, and in the main window's status bar, why a typed
  // number was refused; an empty text takes the saying away.
  void ShowNumberProblem(const QString& problem);
  double Inches(double shown) const { return inchFromUnit(shown, inchUnits_); }
  double Shown(double inches) const { return unitFromInch(inches, inchUnits_); }

  QComboBox* kind_ = nullptr;
  QComboBox* distances_ = nullptr;  // recommended set-up or the report's distances
  QLabel* tracedAt_ = nullptr;
  PointSpinBox* deltaK_ = nullptr;
  QStackedWidget* options_ = nullptr;
  PointSpinBox* lines_ = nullptr;
  PointSpinBox* gratingOffset_ = nullptr;
  PointSpinBox* knifeOffset_ = nullptr;
  PointSpinBox* knifeEdge_ = nullptr;
  PointSpinBox* tilt_ = nullptr;
  PointSpinBox* defocus_ = nullptr;
  QLabel* problem_ = nullptr;
  SquarePicture* pictureLabel_ = nullptr;
  QLabel* caption_ = nullptr;
  QPushButton* export_ = nullptr;
  QPushButton* save_ = nullptr;

  bool inchUnits_ = false;
  bool gratingOffsetChosen_ = false;  // the user set it; else the default follows the set-up
  bool settingControls_ = false;
  std::optional<SolvedSetUp> setUp_;  // at the report's distances
  RecommendedSetUp recommended_;
  std::optional<TesterSetUp> chosen_;
  std::optional<VerdictStatus> verdict_;
  int generation_ = 0;
  TesterPicture picture_;
  std::shared_ptr<const MirrorThroughNull> perfect_;

  // The worker and the latest request it has not taken yet.
  std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<Request> pending_;
  bool stopping_ = false;
  CancelToken cancel_;
  std::thread worker_;
};

}  // namespace vn
