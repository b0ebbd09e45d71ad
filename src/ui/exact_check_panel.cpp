// The exact-check panel: the verdict across the top, figures on the left, the
// pictures in tabs on the right.
#include "ui/exact_check_panel.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QSplitter>
#include <QStringList>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <string>

#include "common/constants.h"
#include "common/number_text.h"
#include "tester/tester_distances.h"
#include "ui/exact_plots.h"
#include "ui/foucault_view.h"
#include "ui/mirror_view.h"
#include "ui/ronchi_photo_page.h"
#include "ui/tester_view.h"

namespace vn {

namespace {

// The figures' column beside the pictures, and their band above them.
constexpr int kFiguresWidthPx = 210;
constexpr int kFiguresMinWidthPx = 150;
constexpr int kFiguresHeightPx = 130;
constexpr int kFiguresMinHeightPx = 90;
// The panel's width from which the figures go beside the pictures.
constexpr int kSideBySideMinWidthPx = 600;

QString Text(const std::string& s) { return QString::fromStdString(s); }

// Waves to the thousandth: finer than the check's own accuracy would be noise.
QString Waves(double waves) { return Text(RoundedText(waves, 3)); }

// Lengths in the run's unit: 3 decimals of a millimetre or 4 of an inch, as
// the report gives them.
QString Number(double inches, bool inchUnits) {
  return inchUnits ? Text(RoundedText(inches, 4)) : Text(RoundedText(mmFromInch(inches), 3));
}

QString Length(double inches, bool inchUnits) {
  return Number(inches, inchUnits) + (inchUnits ? " in" : " mm");
}

// The best focus is a few micrometres from the source: micrometres for a
// millimetre run, six decimals of an inch for an inch run.
QString FocusOffset(double inches, bool inchUnits) {
  const double size = std::fabs(inches);
  const QString amount = inchUnits ? Text(RoundedText(size, 6)) + " in"
                                   : Text(RoundedText(mmFromInch(size) * 1000, 1)) + " \u00b5m";
  return amount + (inches >= 0 ? " beyond the source" : " short of the source");
}

// A figure's name with its value indented on the line below: the column
// beside the pictures is narrow, and a value wrapped inside a table cell
// reads badly.
QString Item(const QString& name, const QString& value) {
  return "<div style='margin-top:3px'>" + name + "</div><div style='margin-left:12px'>" + value +
         "</div>";
}

QString WavefrontText(double pv, double rms) { return Waves(pv) + " P-V, " + Waves(rms) + " RMS"; }

// The verdict's colours: text and background, green for ok, amber for
// caution, red for not a null.
QString VerdictStyle(VerdictStatus status) {
  switch (status) {
    case VerdictStatus::Ok:
      return QStringLiteral("color:#1b5e20; background-color:#e6f4e6; border:1px solid #1b5e20;");
    case VerdictStatus::Caution:
      return QStringLiteral("color:#7a4b00; background-color:#fff3d6; border:1px solid #b07000;");
    case VerdictStatus::NotANull:
      break;
  }
  return QStringLiteral("color:#9b0000; background-color:#fde8e8; border:1px solid #b00000;");
}

QString VerdictHtml(const Verdict& v, bool inchUnits) {
  QString html = "<b>Verdict: " + QString::fromUtf8(VerdictStatusWords(v.status)) + "</b>";
  if (!v.reasons.empty()) {
    html += "<ul style='margin-left:-24px; margin-top:2px; margin-bottom:2px'>";
    for (const VerdictReason& reason : v.reasons)
      html += "<li>" + QString::fromStdString(reason.text).toHtmlEscaped() + "</li>";
    html += "</ul>";
  }
  const RecommendedSetUp& r = v.recommended;
  if (r.available) {
    html += "<div style='margin-top:3px'>Set up (the exact null): Object to Lens <b>" +
            Length(r.objectDistance, inchUnits) + "</b>, Lens to Mirror <b>" +
            Length(r.lensMirrorDistance, inchUnits) + "</b>; wavefront there " + Waves(r.pvWaves) +
            " P-V (" + QString::fromStdString(WaveFractionText(r.pvWaves)) + "), " +
            Waves(r.rmsWaves) + " RMS, Strehl " + Text(RoundedText(r.strehl, 3)) +
            ". The report's " + Length(r.objectDistance - r.objectDistanceChange, inchUnits) +
            " and " + Length(r.lensMirrorDistance - r.lensMirrorDistanceChange, inchUnits);
    if (std::isfinite(r.reportCostWaves)) {
      html += " leave the wavefront " + Text(ReportCostText(r.reportCostWaves)) + ".";
    } else {
      html += " could not be measured.";
    }
    html += "</div>";
  } else {
    html += "<div style='margin-top:3px'>No exact null was found: no distances to recommend.</div>";
  }
  return html;
}

// The spacing range about the exact null, found by exact traces: each end
// as the spacing and its change, and the source refocused there.
QString SpacingRangeHtml(const ExactSpacingRange& range, bool inchUnits) {
  QString html = "<div style='margin-top:8px'><b>Spacing range</b> within " +
                 Text(GeneralNumber(range.limitWaves)) +
                 " waves P-V (exact, source refocused)</div>";
  if (!range.ok) {
    return html + "<div style='margin-left:12px'>" + Text(range.why).toHtmlEscaped() + "</div>";
  }
  const auto end = [&](const SpacingRangeEnd& e, double sign) {
    if (!e.found) {
      return "beyond " + Length(range.nullLensMirrorDistance + sign * range.searchedTo, inchUnits);
    }
    const QString change = Length(e.spacingChange, inchUnits);
    QString text = Length(e.lensMirrorDistance, inchUnits) + " (" +
                   (e.spacingChange > 0 ? "+" + change : change) + "), source " +
                   Length(e.objectDistance, inchUnits);
    if (!e.untraceableBeyond.empty()) {
      text += "; not traceable beyond: " + Text(e.untraceableBeyond).toHtmlEscaped();
    }
    return text;
  };
  html += Item("Lens to Mirror, shorter", end(range.shorter, -1.0));
  html += Item("Lens to Mirror, longer", end(range.longer, 1.0));
  return html;
}

QString FiguresHtml(const ExactCheckResult& r, bool inchUnits) {
  QString html =
      "<b>Exact check</b> at " + Text(RoundedText(r.wavelengthMicrons * 1000, 1)) + " nm";
  html += Item("Wavefront about best focus, waves", WavefrontText(r.pvWaves, r.rmsWaves));
  html += Item("Strehl ratio", Text(RoundedText(r.strehl, 4)));
  html += Item("Best focus", FocusOffset(r.bestFocusOffset, inchUnits));
  html +=
      Item("Wavefront about the source, waves", WavefrontText(r.pvWavesSource, r.rmsWavesSource));
  const auto& h = r.lensHeights;
  html += Item("Marginal ray on the lens",
               "out " + Number(h[0], inchUnits) + ", " + Length(h[1], inchUnits) + "<br>back " +
                   Number(h[2], inchUnits) + ", " + Length(h[3], inchUnits));
  if (r.lensHeightsExceedClearAperture) {
    html +=
        "<div style='margin-top:3px; color:#b00000'><b>Warning:</b> the marginal ray passes "
        "outside the lens's clear semi-diameter of " +
        Length(r.lensClearSemiDiameter, inchUnits) + ".</div>";
  }
  const auto& null = r.exactNull;
  if (null.converged) {
    html += "<div style='margin-top:8px'><b>Exact null</b></div>";
    html += Item("Object to Lens", Length(null.objectDistance, inchUnits));
    html += Item("Lens to Mirror", Length(null.lensMirrorDistance, inchUnits));
    html += Item("Wavefront, waves", WavefrontText(null.pvWaves, null.rmsWaves));
  } else {
    html += "<div style='margin-top:8px'><b>Exact null not found:</b> " +
            Text(null.why).toHtmlEscaped() + "</div>";
  }
  if (r.spacingRange) html += SpacingRangeHtml(*r.spacingRange, inchUnits);
  return html;
}

}  // namespace

ExactCheckPanel::ExactCheckPanel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("ExactCheck"));

  verdict_ = new QLabel;
  verdict_->setObjectName(QStringLiteral("ExactVerdict"));
  verdict_->setTextFormat(Qt::RichText);
  verdict_->setWordWrap(true);
  verdict_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  verdict_->setContentsMargins(4, 3, 4, 3);
  // A verdict with several reasons scrolls within a quarter of the panel's
  // height rather than push the pictures below their tallest tab's needs.
  verdictScroll_ = new QScrollArea;
  verdictScroll_->setObjectName(QStringLiteral("ExactVerdictScroll"));
  verdictScroll_->setWidget(verdict_);
  verdictScroll_->setWidgetResizable(true);
  verdictScroll_->setFrameShape(QFrame::NoFrame);
  verdictScroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

  figures_ = new QLabel;
  figures_->setObjectName(QStringLiteral("ExactFigures"));
  figures_->setTextFormat(Qt::RichText);
  figures_->setWordWrap(true);
  figures_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  figures_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  figures_->setContentsMargins(4, 4, 4, 4);
  auto* scroll = new QScrollArea;
  scroll->setWidget(figures_);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);

  export_ = new QPushButton(tr("Export pictures..."));
  export_->setObjectName(QStringLiteral("ExactExport"));
  connect(export_, &QPushButton::clicked, this, &ExactCheckPanel::ExportPictures_Click);

  auto* left = new QWidget;
  auto* leftLayout = new QVBoxLayout(left);
  leftLayout->setContentsMargins(0, 0, 0, 0);
  leftLayout->addWidget(scroll, 1);
  leftLayout->addWidget(export_, 0, Qt::AlignLeft);

  setUp_ = new ExactPlotWidget;
  setUp_->setObjectName(QStringLiteral("ExactSetUp"));
  wavefront_ = new ExactPlotWidget;
  wavefront_->setObjectName(QStringLiteral("ExactWavefront"));
  aberration_ = new ExactPlotWidget;
  aberration_->setObjectName(QStringLiteral("ExactAberration"));
  pictures_ = new QTabWidget;
  pictures_->setObjectName(QStringLiteral("ExactPictures"));
  pictures_->setDocumentMode(true);
  pictures_->addTab(setUp_, tr("Set-up"));
  pictures_->addTab(wavefront_, tr("Wavefront"));
  pictures_->addTab(aberration_, tr("Aberration"));
  tester_ = new TesterView;
  pictures_->addTab(tester_, tr("Tester's view"));
  mirror_ = new MirrorView;
  mirror_->setObjectName(QStringLiteral("MirrorView"));
  pictures_->addTab(mirror_, tr("Mirror"));
  ronchiPhoto_ = new RonchiPhotoPage;
  pictures_->addTab(ronchiPhoto_, tr("Ronchi photo"));
  foucault_ = new FoucaultView;
  pictures_->addTab(foucault_, tr("Foucault"));

  splitter_ = new QSplitter(Qt::Horizontal);
  splitter_->setObjectName(QStringLiteral("ExactSplitter"));
  splitter_->addWidget(left);
  splitter_->addWidget(pictures_);
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);
  splitter_->setChildrenCollapsible(false);
  left->setMinimumWidth(kFiguresMinWidthPx);
  left->setMinimumHeight(kFiguresMinHeightPx);
  ArrangeFor(width());

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(verdictScroll_);
  layout->addWidget(splitter_, 1);

  Clear(tr("No solved set-up yet."));
}

void ExactCheckPanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  ArrangeFor(event->size().width());
  FitVerdict();
  // Once the splitter has its new size: the pictures keep the height their
  // tallest tab needs, so that switching tabs never moves them.
  QTimer::singleShot(0, this, [this] { KeepPicturesRoom(); });
}

void ExactCheckPanel::FitVerdict() {
  if (verdictScroll_->isHidden()) return;
  const int limit = std::max(5 * fontMetrics().lineSpacing(), height() / 4);
  const int wanted = verdict_->heightForWidth(std::max(1, width()));
  verdictScroll_->setFixedHeight(std::min(wanted, limit));
}

void ExactCheckPanel::KeepPicturesRoom() {
  if (splitter_->orientation() != Qt::Vertical) return;
  const QList<int> sizes = splitter_->sizes();
  const int needed = pictures_->minimumSizeHint().height();
  if (sizes.size() != 2 || sizes[1] >= needed) return;
  const int total = sizes[0] + sizes[1];
  const int figures = std::max(kFiguresMinHeightPx, total - needed);
  splitter_->setSizes({figures, std::max(1, total - figures)});
}

void ExactCheckPanel::ArrangeFor(int width) {
  // Side by side when the pictures keep a readable width beside the
  // figures; otherwise the figures above the pictures.
  const Qt::Orientation wanted = width >= kSideBySideMinWidthPx ? Qt::Horizontal : Qt::Vertical;
  if (splitter_->orientation() == wanted && arranged_) return;
  arranged_ = true;
  splitter_->setOrientation(wanted);
  if (wanted == Qt::Horizontal) {
    splitter_->setSizes({kFiguresWidthPx, std::max(1, width - kFiguresWidthPx)});
  } else {
    // The figures' band as high as the pictures' tallest tab leaves room
    // for, within its bounds; the band scrolls.
    const int room = std::max(splitter_->height(), height() - verdictScroll_->sizeHint().height());
    const int figures = std::clamp(room - pictures_->minimumSizeHint().height(),
                                   kFiguresMinHeightPx, kFiguresHeightPx);
    splitter_->setSizes({figures, std::max(1, room - figures)});
  }
}

void ExactCheckPanel::ShowResult(const ExactCheckResult& r, const SolvedSetUp& setUp) {
  const bool inchUnits = setUp.inchUnits;
  if (!r.ok) {
    Clear(tr("Exact check not available: %1").arg(Text(r.why)));
    ShowVerdict(r, inchUnits);
    return;
  }
  ShowVerdict(r, inchUnits);
  busy_ = false;
  figuresHtml_ = FiguresHtml(r, inchUnits);
  figures_->setText(figuresHtml_);
  reportText_ = ExactCheckText(r, inchUnits);

  const ExactPictures pictures = ExactPicturesOf(r, setUp);
  setUp_->SetDrawing(
      [set = pictures.setUp](const PictureSize& size) { return DrawSetUp(set, size); },
      QStringLiteral("exact_setup"));
  wavefront_->SetDrawing(
      [plot = pictures.wavefront](const PictureSize& size) { return DrawCurvePlot(plot, size); },
      QStringLiteral("exact_wavefront"));
  aberration_->SetDrawing(
      [plot = pictures.aberration](const PictureSize& size) { return DrawCurvePlot(plot, size); },
      QStringLiteral("exact_aberration"));
  tester_->ShowSetUp(setUp, r.verdict.status, r.verdict.recommended);
  // A photo is taken at the set-up the user built: the one the verdict
  // recommends when there is one.
  ronchiPhoto_->ShowSetUp(
      ChooseTesterSetUp(setUp, r.verdict.recommended, TesterDistances::Recommended).setUp,
      inchUnits);
  recommended_ = r.verdict.recommended;
  export_->setEnabled(true);
}

void ExactCheckPanel::ShowVerdict(const ExactCheckResult& r, bool inchUnits) {
  verdictText_ = VerdictText(r, inchUnits);
  verdict_->setText(VerdictHtml(r.verdict, inchUnits));
  verdict_->setStyleSheet("QLabel#ExactVerdict {" + VerdictStyle(r.verdict.status) + "}");
  verdict_->setProperty("verdictStatus", QString::fromUtf8(VerdictStatusCode(r.verdict.status)));
  verdictScroll_->show();
  FitVerdict();
}

void ExactCheckPanel::Clear(const QString& why) {
  verdictScroll_->hide();
  verdict_->clear();
  verdictText_.clear();
  busy_ = false;
  figuresHtml_ = why.toHtmlEscaped();
  figures_->setText(figuresHtml_);
  reportText_ = "Exact check\n" + why.toStdString();
  setUp_->ClearPicture(why);
  wavefront_->ClearPicture(why);
  aberration_->ClearPicture(why);
  tester_->Clear(why);
  ronchiPhoto_->Clear(why);
  ClearMirror();
  export_->setEnabled(false);
}

void ExactCheckPanel::ClearMirror() {
  // A measurement belongs to the set-up it was read through.
  recommended_ = RecommendedSetUp();
  mirror_->Clear(
      tr("The set-up has changed: open the measurement again (File \u2192 Open "
         "measurement…)."));
  // So do the reduced readings; the readings themselves stay.
  foucault_->SetUpGone(
      tr("Out of date: the set-up has changed since the readings were reduced. Press 'Find "
         "Null Variables', then 'Reduce readings'."));
}

void ExactCheckPanel::OpenMeasurement(const QString& path, const SolvedSetUp& builtAt) {
  mirror_->Open(path, builtAt);
  pictures_->setCurrentWidget(mirror_);
}

void ExactCheckPanel::ShowBusy(const QString& note) {
  busy_ = true;
  verdictScroll_->hide();  // the last verdict is not this run's
  verdictText_.clear();
  figures_->setText("<div style='margin-bottom:6px'><b>" + note.toHtmlEscaped() +
                    "</b></div><div style='color:#9a9a9a'>" + figuresHtml_ + "</div>");
  for (ExactPlotWidget* plot : {setUp_, wavefront_, aberration_}) plot->SetStale(note);
  ClearMirror();
  export_->setEnabled(false);
}

void ExactCheckPanel::ShowStale(const QString& note) {
  ShowBusy(note);
  tester_->Clear(note);
  ronchiPhoto_->Clear(note);
}

bool ExactCheckPanel::PaintSetUp(QPainter& painter, const QRectF& area) const {
  if (busy_ || !setUp_->HasPicture()) return false;
  setUp_->PaintOn(painter, area);
  return true;
}

bool ExactCheckPanel::ExportPictures(const QString& basePath) {
  if (busy_ || !setUp_->HasPicture()) return false;
  const std::pair<const char*, ExactPlotWidget*> pictures[] = {
      {"_setup", setUp_}, {"_wavefront", wavefront_}, {"_aberration", aberration_}};
  bool ok = true;
  for (const auto& [suffix, plot] : pictures) {
    ok = plot->SavePng(basePath + suffix + ".png", kExactPictureSize) && ok;
    ok = plot->SaveSvg(basePath + suffix + ".svg", kExactPictureSize) && ok;
  }
  return ok;
}

void ExactCheckPanel::ExportPictures_Click() {
  const QString folder = startFolder_ ? startFolder_() : QString();
  QString base = QFileDialog::getSaveFileName(
      this, tr("Export pictures"),
      folder.isEmpty() ? QStringLiteral("exact_check")
                       : QDir(folder).filePath(QStringLiteral("exact_check")),
      tr("Base name of the picture files (*)"));
  if (base.isEmpty()) return;
  if (folderChosen_) folderChosen_(base);
  // A name typed with a picture's extension still means the base name.
  for (const char* extension : {".png", ".svg"}) {
    if (base.endsWith(QLatin1String(extension), Qt::CaseInsensitive)) base.chop(4);
  }
  if (!ExportPictures(base)) {
    QMessageBox::warning(
        this, tr("Export pictures"),
        tr("Could not write all the pictures to %1.").arg(QFileInfo(base).absolutePath()));
    return;
  }
  const QString kinds = tr("PNG and SVG");
  QMessageBox::information(
      this, tr("Export pictures"),
      tr("Wrote %1_setup, %1_wavefront and %1_aberration as %2 in %3.")
          .arg(QFileInfo(base).fileName(), kinds, QFileInfo(base).absolutePath()));
}

}  // namespace vn
