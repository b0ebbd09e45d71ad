// The exact check in the window: the figures of the solved set-up's exact
// trace beside three pictures of it (the set-up to scale with its rays, the
// returning wavefront, the longitudinal aberration), and their export to PNG
// and SVG files.
#pragma once

#include <QString>
#include <QWidget>
#include <string>

#include "engine/null_test_engine.h"
#include "exact/exact_check.h"

class QLabel;
class QPushButton;
class QTabWidget;

namespace vn {

class ExactPlotWidget;

class ExactCheckPanel : public QWidget {
  Q_OBJECT

 public:
  explicit ExactCheckPanel(QWidget* parent = nullptr);

  // Shows the check of the set-up `system` at object distance D and lens to
  // mirror distance d2, the lens `lensSemiDiameter` in radius; lengths in
  // inches, as the engine has them. `inchUnits`: the run's unit is the inch
  // (else the millimetre), for the figures and the pictures' axes.
  void ShowResult(const ExactCheckResult& r, const NullTestSystem& system, double objectDistance,
                  double lensMirrorDistance, double lensSemiDiameter, bool inchUnits);

  // Empties the panel, saying `why` in place of the figures and pictures.
  void Clear(const QString& why);

  // What the panel shows as text for a saved or printed report: the exact
  // check's text block, or its heading and why there is no result.
  const std::string& ReportText() const { return reportText_; }

  // Writes basePath_setup, basePath_wavefront and basePath_aberration as PNG
  // (and SVG when the program has SVG support). False when nothing is shown
  // or a file could not be written.
  bool ExportPictures(const QString& basePath);

 private:
  void ExportPictures_Click();

  QLabel* figures_ = nullptr;
  QTabWidget* pictures_ = nullptr;
  ExactPlotWidget* setUp_ = nullptr;
  ExactPlotWidget* wavefront_ = nullptr;
  ExactPlotWidget* aberration_ = nullptr;
  QPushButton* export_ = nullptr;
  std::string reportText_;
};

}  // namespace vn
