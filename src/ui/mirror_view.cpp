// The "Mirror" tab: a measurement read back to the mirror.
#include "ui/mirror_view.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "common/number_text.h"
#include "tester/measured_mirror_files.h"

namespace vn {

// The profile against the wanted conic (left) and the surface map (right).
class MirrorPlot : public QWidget {
 public:
  void Show(std::shared_ptr<const MeasuredMirror> mirror) {
    mirror_ = std::move(mirror);
    map_ = QImage();
    if (mirror_ && mirror_->ok && mirror_->mapSize > 0) {
      const GreyImage grey = MeasuredMirrorMap(*mirror_);
      map_ = QImage(grey.width, grey.height, QImage::Format_Grayscale8);
      for (int y = 0; y < grey.height; ++y) {
        std::copy_n(&grey.pixels[static_cast<std::size_t>(y) * grey.width], grey.width,
                    map_.scanLine(y));
      }
    }
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (!mirror_ || !mirror_->ok || mirror_->profileRadius.empty()) return;
    const MeasuredMirror& m = *mirror_;
    p.setRenderHint(QPainter::Antialiasing);
    const int side = std::max(40, std::min(height() - 20, width() / 3));
    const QRectF plot(50, 10, std::max(40, width() - side - 80), std::max(40, height() - 40));
    double low = -1.0, high = 1.0;
    for (double h : m.profileHeightNm) low = std::min(low, h), high = std::max(high, h);
    const double edge = m.zones.back().radius;
    const auto at = [&](double r, double h) {
      return QPointF(plot.left() + plot.width() * r / edge,
                     plot.top() + plot.height() * (high - h) / (high - low));
    };
    p.setPen(QPen(Qt::gray, 1, Qt::DashLine));
    p.drawLine(at(0, 0), at(edge, 0));
    p.drawText(at(edge, 0) + QPointF(-90, -4), tr("wanted conic"));
    QPainterPath path(at(m.profileRadius[0], m.profileHeightNm[0]));
    for (std::size_t k = 1; k < m.profileRadius.size(); ++k) {
      path.lineTo(at(m.profileRadius[k], m.profileHeightNm[k]));
    }
    p.setPen(QPen(Qt::black, 1.5));
    p.drawPath(path);
    p.setBrush(Qt::black);
    for (const MirrorZone& zone : m.zones) p.drawEllipse(at(zone.radius, zone.heightNm), 3, 3);
    p.setBrush(Qt::NoBrush);
    p.setPen(Qt::black);
    p.drawRect(plot);
    p.drawText(QPointF(4, plot.top() + 10), QString::fromStdString(RoundedText(high, 1) + " nm"));
    p.drawText(QPointF(4, plot.bottom()), QString::fromStdString(RoundedText(low, 1) + " nm"));
    if (!map_.isNull()) {
      p.drawImage(QRectF(width() - side - 10, 10, side, side), map_);
    }
  }

 private:
  std::shared_ptr<const MeasuredMirror> mirror_;
  QImage map_;
};

MirrorView::MirrorView(QWidget* parent) : QWidget(parent) {
  figures_ = new QLabel;
  figures_->setObjectName(QStringLiteral("MirrorFigures"));
  figures_->setTextFormat(Qt::PlainText);
  figures_->setWordWrap(true);
  figures_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  figures_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  plot_ = new MirrorPlot;
  plot_->setObjectName(QStringLiteral("MirrorPlot"));
  plot_->setMinimumHeight(200);
  export_ = new QPushButton(tr("Export mirror..."));
  export_->setObjectName(QStringLiteral("MirrorExport"));
  export_->setToolTip(
      tr("Save the mirror as a surface map (PNG), its profile and map (SVG) or its profile and "
         "zones (CSV)"));
  connect(export_, &QPushButton::clicked, this, &MirrorView::Export_Click);
  // The figures and the plot scroll together: the tab never makes the
  // window taller than it is.
  auto* content = new QWidget;
  auto* contentLayout = new QVBoxLayout(content);
  contentLayout->setContentsMargins(4, 4, 4, 4);
  contentLayout->addWidget(figures_);
  contentLayout->addWidget(plot_, 1);
  auto* scroll = new QScrollArea;
  scroll->setWidget(content);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(scroll, 1);
  layout->addWidget(export_, 0, Qt::AlignLeft);
  Clear(
      tr("No measurement yet: File \u2192 Open measurement… reads one taken through the "
         "null."));
}

MirrorView::~MirrorView() { StopWorker(); }

void MirrorView::StopWorker() {
  cancel_.Cancel();
  if (worker_.joinable()) worker_.join();
  cancel_.Reset();
}

void MirrorView::Open(const QString& path, const SolvedSetUp& builtAt) {
  StopWorker();
  inchUnits_ = builtAt.inchUnits;
  const int generation = ++generation_;
  mirror_.reset();
  plot_->Show(nullptr);
  export_->setEnabled(false);
  figures_->setText(tr("Reading %1\u2026").arg(path));
  worker_ = std::thread([this, file = path.toStdString(), builtAt, generation] {
    MeasurementReading how;
    how.testWavelengthNm = builtAt.wavelengthMicrons * 1000.0;
    auto mirror = std::make_shared<const MeasuredMirror>(
        ReduceMeasurement(ReadMeasuredWavefrontFile(file, how), builtAt, &cancel_));
    QMetaObject::invokeMethod(
        this, [this, mirror, generation] { Receive(mirror, generation); }, Qt::QueuedConnection);
  });
}

void MirrorView::Receive(std::shared_ptr<const MeasuredMirror> mirror, int generation) {
  if (generation != generation_) return;  // a newer measurement is on its way
  mirror_ = std::move(mirror);
  figures_->setText(QString::fromStdString(MeasuredMirrorText(*mirror_, inchUnits_)));
  plot_->Show(mirror_);
  export_->setEnabled(mirror_->ok);
  emit MirrorShown();
}

void MirrorView::Clear(const QString& why) {
  StopWorker();
  ++generation_;
  mirror_.reset();
  figures_->setText(why);
  plot_->Show(nullptr);
  export_->setEnabled(false);
}

QString MirrorView::SaveMirror(const QString& path) const {
  if (!mirror_) return tr("No mirror to save.");
  return QString::fromStdString(WriteMeasuredMirror(*mirror_, path.toStdString(), inchUnits_));
}

QString MirrorView::FiguresText() const { return figures_->text(); }

void MirrorView::Export_Click() {
  const QString path = QFileDialog::getSaveFileName(
      this, tr("Export mirror"), QString(),
      tr("Surface map (*.png);;Profile and map (*.svg);;Profile and zones (*.csv)"));
  if (path.isEmpty()) return;
  if (const QString why = SaveMirror(path); !why.isEmpty()) figures_->setText(why);
}

}  // namespace vn
