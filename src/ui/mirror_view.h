// The "Mirror" tab: the mirror read back from a wavefront measured through
// the null (File → Open measurement…): its figures, its profile against the
// wanted conic and its surface map, and their export as PNG, SVG or CSV.
//
// The measurement is read and reduced by the core (tester/measured_mirror.h)
// on a thread of its own; the window shows the result when it comes back.
#pragma once

#include <QWidget>
#include <memory>
#include <thread>

#include "common/cancel_token.h"
#include "tester/measured_mirror.h"

class QLabel;
class QPushButton;

namespace vn {

class MirrorPlot;

class MirrorView : public QWidget {
  Q_OBJECT

 public:
  explicit MirrorView(QWidget* parent = nullptr);
  // Stops a reduction still going and waits for it (it stops at its next
  // step).
  ~MirrorView() override;

  // Reads and reduces the file `path` measured through the null as it was
  // built (`builtAt`, shown in its run's unit); a reduction still going is
  // stopped first.
  void Open(const QString& path, const SolvedSetUp& builtAt);
  void Clear(const QString& why);

  // Saves the mirror as PNG (map), SVG (profile and map) or CSV (profile
  // and zones) by the extension: "" or why not.
  QString SaveMirror(const QString& path) const;

  // For tests: the figures shown, and whether a mirror is shown.
  QString FiguresText() const;
  bool HasMirror() const { return mirror_ && mirror_->ok; }

 signals:
  // A mirror (or the reason there is none) is shown.
  void MirrorShown();

 private:
  void Receive(std::shared_ptr<const MeasuredMirror> mirror, int generation);
  void Export_Click();
  void StopWorker();

  QLabel* figures_ = nullptr;
  MirrorPlot* plot_ = nullptr;
  QPushButton* export_ = nullptr;
  std::thread worker_;
  CancelToken cancel_;
  int generation_ = 0;
  bool inchUnits_ = false;
  std::shared_ptr<const MeasuredMirror> mirror_;
};

}  // namespace vn
