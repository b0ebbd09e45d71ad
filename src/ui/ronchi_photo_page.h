// The "Ronchi photo" tab: a photo of the bands seen through the null, the
// bands a conic mirror shows fitted to it (tester/ronchi_photo.h) and drawn
// over it, and a ΔK to try by hand against the photo.
//
// The fit runs on a thread of its own, stopped when the set-up changes or
// the tab closes; redrawing the bands for a ΔK typed by hand takes a trace
// of the mirror's rays and a picture of a few hundred pixels, done at once.
#pragma once

#include <QWidget>
#include <memory>
#include <optional>
#include <thread>

#include "common/cancel_token.h"
#include "record/solved_set_up.h"
#include "tester/grey_image.h"
#include "tester/mirror_through_null.h"
#include "tester/ronchi_photo.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;

namespace vn {

class PointSpinBox;

class RonchiPhotoPage : public QWidget {
  Q_OBJECT

 public:
  explicit RonchiPhotoPage(QWidget* parent = nullptr);
  ~RonchiPhotoPage() override;

  // The set-up as built (lengths in inches) and the run's unit.
  void ShowSetUp(const SolvedSetUp& setUp, bool inchUnits);
  void Clear(const QString& why);

  // Opens the photo at `path` and fits it; false and *why when it cannot be
  // read.
  bool OpenPhoto(const QString& path, QString* why = nullptr);

  // For tests: the fit's text, and the ΔK tried by hand.
  QString ResultText() const;
  const std::optional<RonchiPhotoFit>& Fit() const { return fit_; }
  PointSpinBox* HandDeltaK() const { return handDeltaK_; }

 signals:
  void fitted();  // a fit (or its failure) is shown

 private:
  void StartFit();
  void StopFit();
  void Receive(RonchiPhotoFit fit, int generation);
  void DrawOverlay();
  void OpenPhoto_Click();

  PointSpinBox* lines_ = nullptr;
  PointSpinBox* offsetGuess_ = nullptr;
  PointSpinBox* handDeltaK_ = nullptr;
  QSlider* slider_ = nullptr;
  QCheckBox* outlineByHand_ = nullptr;
  PointSpinBox* outlineX_ = nullptr;
  PointSpinBox* outlineY_ = nullptr;
  PointSpinBox* outlineR_ = nullptr;
  QPushButton* open_ = nullptr;
  QPushButton* fitButton_ = nullptr;
  QLabel* picture_ = nullptr;
  QLabel* result_ = nullptr;

  std::optional<SolvedSetUp> setUp_;
  std::unique_ptr<TesterModel> model_;  // the window thread's, for redraws
  bool inchUnits_ = false;
  GreyImage photo_;
  QString photoName_;
  std::optional<RonchiPhotoFit> fit_;
  int generation_ = 0;
  CancelToken cancel_;
  std::thread worker_;
};

}  // namespace vn
