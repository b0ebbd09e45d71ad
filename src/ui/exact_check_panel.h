// The exact check in the window: its verdict on the set-up across the top,
// coloured, with its reasons and the distances to set up; below, the figures
// of the solved set-up's exact trace beside three pictures of it (the set-up to scale with its
// rays, the returning wavefront, the longitudinal aberration), and their export to PNG and SVG
// files.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <string>

#include "engine/null_test_engine.h"
#include "exact/exact_check.h"
#include "tester/measured_mirror.h"

class QLabel;
class QPainter;
class QRectF;
class QPushButton;
class QScrollArea;
class QSplitter;
class QTabWidget;

namespace vn {

class ExactPlotWidget;
class FoucaultView;
class MirrorView;
class RonchiPhotoPage;
class TesterView;

class ExactCheckPanel : public QWidget {
  Q_OBJECT

 public:
  explicit ExactCheckPanel(QWidget* parent = nullptr);

  // Shows the check `r` of the solved set-up `setUp` (lengths in inches, as
  // the engine has them; its unit for the figures and the pictures' axes).
  void ShowResult(const ExactCheckResult& r, const SolvedSetUp& setUp);

  // Empties the panel, saying `why` in place of the figures and pictures.
  void Clear(const QString& why);

  // The check is being made again (a run is going, or the new check is on
  // its way): `note` says so over the last figures and pictures, which are
  // washed out, and nothing can be exported until the next result.
  void ShowBusy(const QString& note);
  bool IsBusy() const { return busy_; }
  // The check no longer belongs to the entries (they changed since its run):
  // as ShowBusy, and the Tester's view, which would go on drawing the old
  // set-up, is emptied. The next result replaces it all.
  void ShowStale(const QString& note);
  // What the panel shows as text for a saved or printed report: the exact
  // check's text block, or its heading and why there is no result.
  const std::string& ReportText() const { return reportText_; }
  // The verdict and the distances to set up, as the report's exact check
  // opens with them; empty when there is no current result.
  const std::string& VerdictReportText() const { return verdictText_; }
  // Paints the set-up picture, with the distances to set up, into `area`;
  // false when there is no current picture.
  bool PaintSetUp(QPainter& painter, const QRectF& area) const;

  // Writes basePath_setup, basePath_wavefront and basePath_aberration as PNG
  // and SVG. False when nothing is shown, the panel is busy, or a file could
  // not be written.
  bool ExportPictures(const QString& basePath);
  // Where "Export pictures" starts (the window's last folder), and what it
  // tells the window of the file chosen.
  void SetExportFolder(std::function<QString()> startFolder,
                       std::function<void(const QString&)> chosen) {
    startFolder_ = std::move(startFolder);
    folderChosen_ = std::move(chosen);
  }

  // The distances the last check recommends (available = false when none).
  const RecommendedSetUp& Recommended() const { return recommended_; }
  // Reads the measurement `path` taken through `null` into the "Mirror" tab
  // and shows the tab.
  void OpenMeasurement(const QString& path, const SolvedSetUp& builtAt);
  // The "Foucault" tab: its readings are the window's entries, its
  // reductions go through the set-up of the last check.
  FoucaultView* Foucault() const { return foucault_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ExportPictures_Click();
  // Puts the figures beside the pictures in a wide panel, above them in a
  // narrow one.
  void ArrangeFor(int width);
  // Gives the pictures their tallest tab's height where the figures above
  // them left less.
  void KeepPicturesRoom();
  // The verdict as high as its text, within a quarter of the panel.
  void FitVerdict();

  void ShowVerdict(const ExactCheckResult& r, bool inchUnits);
  void ClearMirror();

  QLabel* verdict_ = nullptr;
  QScrollArea* verdictScroll_ = nullptr;
  QSplitter* splitter_ = nullptr;
  bool arranged_ = false;
  QLabel* figures_ = nullptr;
  QTabWidget* pictures_ = nullptr;
  ExactPlotWidget* setUp_ = nullptr;
  ExactPlotWidget* wavefront_ = nullptr;
  ExactPlotWidget* aberration_ = nullptr;
  QPushButton* export_ = nullptr;
  QString figuresHtml_;  // the figures shown, without a busy note
  bool busy_ = false;
  TesterView* tester_ = nullptr;            // what the tester sees through the null
  MirrorView* mirror_ = nullptr;            // a measurement read back to the mirror
  RonchiPhotoPage* ronchiPhoto_ = nullptr;  // a Ronchi photo fitted to a conic's bands
  FoucaultView* foucault_ = nullptr;        // knife readings through the null, reduced
  RecommendedSetUp recommended_;
  std::string reportText_;
  std::string verdictText_;
  std::function<QString()> startFolder_;
  std::function<void(const QString&)> folderChosen_;
};

}  // namespace vn
