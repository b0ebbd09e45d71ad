// The exact check's pictures laid out as drawings: axes, ticks and curves,
// and the set-up in true proportion.
#include "pictures/exact_pictures.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/constants.h"
#include "common/number_text.h"
#include "engine/optics_primitives.h"

namespace vn {

namespace {

constexpr Colour kWhite{255, 255, 255};
constexpr Colour kInk{40, 40, 40};
constexpr Colour kGrid{226, 226, 226};
constexpr Colour kAxisLine{150, 150, 150};
constexpr Colour kPlate{255, 255, 255, 215};
constexpr Colour kNote{110, 110, 110};

// ---- Text ---------------------------------------------------------------------

DrawnText TextAt(std::string text, Point at, double size, TextAnchor anchor, Colour colour = kInk,
                 bool bold = false) {
  DrawnText t;
  t.text = std::move(text);
  t.at = at;
  t.size = size;
  t.anchor = anchor;
  t.colour = colour;
  t.bold = bold;
  return t;
}

// The baseline of a line of text of `size` centred in a band from `top`,
// `height` high.
double BaselineIn(double top, double height, double size) {
  return top + 0.5 * (height - LineHeight(size)) + TextAscent(size);
}

// Drops the last UTF-8 character of `text`.
void DropLastCharacter(std::string& text) {
  while (!text.empty()) {
    const auto byte = static_cast<unsigned char>(text.back());
    text.pop_back();
    if ((byte & 0xC0) != 0x80) return;
  }
}

struct Fitted {
  std::string text;
  double size = 0;
};

// The text at a smaller size, down to kSmallestTextSize, until it is at most
// `width` wide; the text itself cut short with an ellipsis if even that is
// too wide.
Fitted FitText(std::string text, double size, bool bold, double width) {
  while (TextWidth(text, size, bold) > width && size > kSmallestTextSize) size -= 1;
  if (TextWidth(text, size, bold) <= width) return {std::move(text), size};
  const std::string ellipsis = "\u2026";
  while (!text.empty()) {
    DropLastCharacter(text);
    if (TextWidth(text + ellipsis, size, bold) <= width) return {text + ellipsis, size};
  }
  return {"", size};
}

// ---- Scales and ticks -----------------------------------------------------------

// The 1-2-5 step that cuts `span` into about `count` parts.
double NiceStep(double span, int count) {
  const double raw = span / std::max(1, count);
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  const double norm = raw / magnitude;
  const double nice = norm < 1.5 ? 1 : norm < 3.5 ? 2 : norm < 7.5 ? 5 : 10;
  return nice * magnitude;
}

// A tick label with as many decimals as the step needs, "0" for the tick at
// zero however the sum of steps rounded.
std::string TickText(double value, double step) {
  if (std::fabs(value) < step * 1e-6) value = 0;
  const int decimals = std::clamp(static_cast<int>(-std::floor(std::log10(step) + 1e-9)), 0, 12);
  return decimals == 0 ? RoundedText(value, 0) : FixedText(value, decimals);
}

double TickStep(const std::vector<double>& ticks, double lo, double hi) {
  return ticks.size() >= 2 ? ticks[1] - ticks[0] : std::max(hi - lo, 1e-300);
}

// A data rectangle [x0, x1] × [y0, y1] laid onto a rectangle of the picture.
struct Frame {
  Rect px;
  double x0 = 0, x1 = 1, y0 = 0, y1 = 1;

  Point Map(double x, double y) const {
    return {px.left + (x - x0) / (x1 - x0) * px.width,
            px.bottom() - (y - y0) / (y1 - y0) * px.height};
  }
  double Scale() const { return px.width / (x1 - x0); }  // pixels per unit along x
};

// Widens the data range of the shorter side so that one unit is as long
// across as it is up: the drawing is to scale and still fills the frame.
void MakeEqualScale(Frame& f) {
  const double s = std::min(f.px.width / (f.x1 - f.x0), f.px.height / (f.y1 - f.y0));
  const double xMid = 0.5 * (f.x0 + f.x1), yMid = 0.5 * (f.y0 + f.y1);
  f.x0 = xMid - 0.5 * f.px.width / s;
  f.x1 = xMid + 0.5 * f.px.width / s;
  f.y0 = yMid - 0.5 * f.px.height / s;
  f.y1 = yMid + 0.5 * f.px.height / s;
}

int TickCount(double pixels, double spacing) {
  return std::max(2, static_cast<int>(pixels / spacing));
}

double WidestTickText(const std::vector<double>& ticks, double step, double size) {
  double width = 0;
  for (double t : ticks) width = std::max(width, TextWidth(TickText(t, step), size));
  return width;
}

// Grid, frame, tick labels and the axis captions around `f`. The y caption
// runs up the left edge of `outer`; the x caption sits centred under the
// tick labels when `xLabel` is not empty.
void DrawAxes(Canvas& c, const Frame& f, const Rect& outer, const std::string& xLabel,
              const std::string& yLabel, int xCount, int yCount, bool grid, double size) {
  const double lh = LineHeight(size);
  const std::vector<double> xt = NiceTicks(f.x0, f.x1, xCount);
  const std::vector<double> yt = NiceTicks(f.y0, f.y1, yCount);
  const double xStep = TickStep(xt, f.x0, f.x1), yStep = TickStep(yt, f.y0, f.y1);
  const double tick = 4;
  const Pen ink{kInk, 1};

  if (grid) {
    for (double x : xt) c.Line(f.Map(x, f.y0), f.Map(x, f.y1), {kGrid, 1});
    for (double y : yt) c.Line(f.Map(f.x0, y), f.Map(f.x1, y), {kGrid, 1});
  }
  c.Rectangle(f.px, ink, std::nullopt);
  for (double x : xt) {
    const Point at = f.Map(x, f.y0);
    c.Line(at, {at.x, at.y - tick}, ink);
    c.Add(TextAt(TickText(x, xStep), {at.x, f.px.bottom() + 2 + TextAscent(size)}, size,
                 TextAnchor::Middle));
  }
  for (double y : yt) {
    const Point at = f.Map(f.x0, y);
    c.Line(at, {at.x + tick, at.y}, ink);
    c.Add(TextAt(TickText(y, yStep), {f.px.left - 4, BaselineIn(at.y - lh / 2, lh, size)}, size,
                 TextAnchor::End));
  }
  // The captions shrink, and at last are cut short, rather than run past
  // the picture in a narrow or low window.
  if (!xLabel.empty()) {
    const Fitted text = FitText(xLabel, size, false, outer.width);
    const double w = TextWidth(text.text, text.size) + 2;
    const double x = std::clamp(f.px.centre().x - w / 2, outer.left, outer.right() - w);
    c.Add(TextAt(text.text, {x + w / 2, BaselineIn(f.px.bottom() + 2 + lh, lh, text.size)},
                 text.size, TextAnchor::Middle));
  }
  if (!yLabel.empty()) {
    const Fitted text = FitText(yLabel, size, false, f.px.height + lh);
    DrawnText t = TextAt(text.text, {outer.left + TextAscent(text.size), f.px.centre().y},
                         text.size, TextAnchor::Middle);
    t.upright = true;
    c.Add(std::move(t));
  }
}

// A picture's title, bold, on its own line.
void DrawTitle(Canvas& c, const Rect& line, const std::string& title, double size) {
  const Fitted text = FitText(title, size, true, line.width);
  c.Add(TextAt(text.text, {line.left, BaselineIn(line.top, line.height, text.size)}, text.size,
               TextAnchor::Start, kInk, true));
}

std::vector<Point> MappedPolyline(const Frame& f, const std::vector<Point>& points) {
  std::vector<Point> line;
  for (const Point& pt : points) {
    if (std::isfinite(pt.x) && std::isfinite(pt.y)) line.push_back(f.Map(pt.x, pt.y));
  }
  return line;
}

// A legend entry: a short sample of a series' line and its name.
constexpr double kLegendSample = 22;

double LegendEntryWidth(const std::string& name, double size) {
  return kLegendSample + 4 + TextWidth(name, size);
}

void DrawLegendEntry(Canvas& c, Point at, const std::string& name, const Pen& pen, double size) {
  const double mid = at.y + LineHeight(size) / 2;
  c.Line({at.x, mid}, {at.x + kLegendSample, mid}, pen);
  c.Add(TextAt(name, {at.x + kLegendSample + 4, at.y + TextAscent(size)}, size, TextAnchor::Start));
}

// Text on a translucent white plate so that lines beneath do not hide it.
void DrawPlateText(Canvas& c, Point topLeft, const std::string& text, double size) {
  const Rect box{topLeft.x, topLeft.y, TextWidth(text, size) + 6, LineHeight(size) + 2};
  c.Rectangle(box, std::nullopt, kPlate);
  c.Add(TextAt(text, {box.centre().x, BaselineIn(box.top, box.height, size)}, size,
               TextAnchor::Middle));
}

// How many points of the curves, taken every two pixels along them, fall
// inside `box`.
int CurvePointsIn(const Rect& box, const std::vector<std::vector<Point>>& curves) {
  int hits = 0;
  for (const std::vector<Point>& line : curves) {
    for (std::size_t i = 1; i < line.size(); ++i) {
      const Point a = line[i - 1], b = line[i];
      const double dx = b.x - a.x, dy = b.y - a.y;
      const int steps = std::max(1, static_cast<int>(std::sqrt(dx * dx + dy * dy) / 2));
      for (int k = 0; k <= steps; ++k) {
        const double t = static_cast<double>(k) / steps;
        if (box.Contains({a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t})) ++hits;
      }
    }
  }
  return hits;
}

// A white drawing of `size` and the rectangle inside its margin that a
// picture fills.
Canvas BlankCanvas(const PictureSize& size, Rect& inner) {
  Canvas c(size.width, size.height);
  c.Rectangle({0, 0, size.width, size.height}, std::nullopt, kWhite);
  inner = Rect{0, 0, size.width, size.height}.Inset(6, 6, 8, 6);
  return c;
}

// ---- The set-up ---------------------------------------------------------------

// A radius of 0 draws as a flat face rather than as no face at all.
double CurvatureOf(double radius) { return radius == 0 ? 0.0 : CurvatureFromRadius(radius); }

Colour RayColour(double zoneFraction) {
  if (zoneFraction >= 0.95) return {214, 39, 40};  // marginal
  if (zoneFraction >= 0.4) return {44, 160, 44};
  return {31, 119, 180};
}

std::string ZoneName(double zoneFraction) {
  return std::to_string(std::lround(zoneFraction * 100)) + "% zone";
}

// The lens's outline: the source-side face from the bottom edge to the top,
// the rim, the mirror-side face back down.
std::vector<Point> LensOutline(const SetUpPicture& s, const Frame& f) {
  constexpr int kSteps = 48;
  const double c1 = CurvatureOf(s.lensRadius1), c2 = CurvatureOf(s.lensRadius2);
  const double h = s.lensSemiDiameter;
  std::vector<Point> outline;
  for (int i = 0; i <= kSteps; ++i) {
    const double y = -h + 2 * h * i / kSteps;
    outline.push_back(f.Map(DrawnSag(c1, 1, y), y));
  }
  for (int i = kSteps; i >= 0; --i) {
    const double y = -h + 2 * h * i / kSteps;
    outline.push_back(f.Map(s.lensThickness + DrawnSag(c2, 1, y), y));
  }
  return outline;
}

// The mirror's reflecting face with a flat-backed blank behind it.
void DrawMirror(Canvas& c, const SetUpPicture& s, const Frame& f) {
  constexpr int kSteps = 64;
  const double curvature = CurvatureOf(s.mirrorRadius), h = s.mirrorSemiDiameter;
  const double back = s.mirrorVertexZ + h / 4;  // a blank a sixth or so of its diameter thick
  std::vector<Point> face;
  for (int i = 0; i <= kSteps; ++i) {
    const double y = -h + 2 * h * i / kSteps;
    face.push_back(f.Map(s.mirrorVertexZ + DrawnSag(curvature, s.mirrorConicPlusOne, y), y));
  }
  std::vector<Point> blank = face;
  blank.push_back(f.Map(back, h));
  blank.push_back(f.Map(back, -h));
  c.Polygon(std::move(blank), Pen{{160, 160, 160}, 1}, Colour{225, 225, 225});
  c.Polyline(std::move(face), {kInk, 2});
}

// Everything inside one view: axis, mirror, lens, rays and source.
void DrawSetUpContents(Canvas& c, const SetUpPicture& s, const Frame& f, bool labelSource,
                       double size) {
  c.ClipTo(f.px.Inset(1, 1, 1, 1));
  c.Line(f.Map(f.x0, 0), f.Map(f.x1, 0), {kAxisLine, 1, Dash::DashDotted});
  DrawMirror(c, s, f);
  c.Polygon(LensOutline(s, f), Pen{{40, 90, 160}, 1.2}, Colour{200, 224, 248});
  for (const SetUpPicture::Ray& ray : s.rays) {
    c.Polyline(MappedPolyline(f, ray.points), {RayColour(ray.zoneFraction), 1.2});
  }
  // The source, a dot of radius 3: a hexadecagon whose corners come from
  // the cosines of multiples of 22.5 degrees written out, so that its
  // coordinates do not depend on a maths library's last bit.
  const Point source = f.Map(s.sourceZ, 0);
  constexpr double kCos[5] = {1.0, 0.9238795325112867, 0.7071067811865476, 0.3826834323650898, 0.0};
  std::vector<Point> dot;
  for (int i = 0; i < 16; ++i) {
    const int q = i % 4;  // the step within the quadrant
    const double c = kCos[q], sn = kCos[4 - q];
    // Turn the first quadrant's (c, sn) by whole quarter turns.
    const double x = i < 4 ? c : i < 8 ? -sn : i < 12 ? -c : sn;
    const double y = i < 4 ? sn : i < 8 ? c : i < 12 ? -sn : -c;
    dot.push_back({source.x + 3 * x, source.y + 3 * y});
  }
  c.Polygon(std::move(dot), std::nullopt, kInk);
  if (labelSource) {
    c.Add(
        TextAt("source", {source.x + 4, source.y + LineHeight(size) + 2}, size, TextAnchor::Start));
  }
  c.NoClip();
}

// A dimension line from x0 to x1 at height y, arrowheads pointing out to
// the extension lines.
void DrawDimensionLine(Canvas& c, double x0, double x1, double y) {
  const double head = std::min(5.0, 0.4 * (x1 - x0));
  const Pen ink{kInk, 1};
  c.Line({x0, y}, {x1, y}, ink);
  for (const auto& [tip, dir] : {std::pair{x0, 1.0}, std::pair{x1, -1.0}}) {
    c.Polygon({{tip, y}, {tip + dir * head, y - 0.45 * head}, {tip + dir * head, y + 0.45 * head}},
              ink, kInk);
  }
}

// The two distances the user sets up, marked below the axis of the whole
// view with their values: the source to the lens's first vertex, and the
// lens's second vertex to the mirror's vertex. A value that does not fit
// between its arrows goes beside them, on the side with more room.
void DrawDistances(Canvas& c, const SetUpPicture& s, const Frame& f, double size) {
  if (s.sourceToLensText.empty() && s.lensToMirrorText.empty()) return;
  const double lh = LineHeight(size);
  const double axis = f.Map(0, 0).y;
  const double low = f.px.bottom() - axis;  // the lower half's height
  if (low < 2.4 * lh) return;
  struct Distance {
    double z0, z1, y;
    std::string text;
  };
  // The long label where the picture is wide enough for it.
  const auto fitting = [&](const std::string& name, const std::string& full,
                           const std::string& brief) {
    const std::string text = name + full;
    return brief.empty() || TextWidth(text, size) + 10 <= f.px.width ? text : name + brief;
  };
  const Distance distances[] = {
      {s.sourceZ, 0, axis + 0.42 * low,
       fitting("source to lens ", s.sourceToLensText, s.sourceToLensShortText)},
      {s.lensThickness, s.mirrorVertexZ, axis + 0.84 * low,
       fitting("lens to mirror ", s.lensToMirrorText, s.lensToMirrorShortText)}};
  c.ClipTo(f.px.Inset(1, 1, 1, 1));
  for (const Distance& d : distances) {
    const double x0 = f.Map(d.z0, 0).x, x1 = f.Map(d.z1, 0).x;
    // Extension lines down from the axis, then the dimension line.
    const Pen extension{{120, 120, 120}, 1, Dash::Dotted};
    c.Line({x0, axis}, {x0, d.y + 3}, extension);
    c.Line({x1, axis}, {x1, d.y + 3}, extension);
    DrawDimensionLine(c, x0, x1, d.y);
    const double w = TextWidth(d.text, size) + 6;
    double x = 0.5 * (x0 + x1) - 0.5 * w;
    if (w > x1 - x0 - 8) {
      x = f.px.right() - x1 >= x0 - f.px.left ? x1 + 4 : x0 - 4 - w;
    }
    x = std::clamp(x, f.px.left + 2, std::max(f.px.left + 2, f.px.right() - 2 - w));
    DrawPlateText(c, {x, d.y - lh - 3}, d.text, size);
  }
  c.NoClip();
}

// ---- The pictures' contents, in the run's unit ----------------------------------

// Lengths in the run's unit: 3 decimals of a millimetre or 4 of an inch, as
// the report gives them.
std::string Number(double inches, bool inchUnits) {
  return inchUnits ? RoundedText(inches, 4) : RoundedText(mmFromInch(inches), 3);
}

std::string Length(double inches, bool inchUnits) {
  return Number(inches, inchUnits) + (inchUnits ? " in" : " mm");
}

SetUpPicture SetUpPictureOf(const ExactCheckResult& r, const SolvedSetUp& setUp) {
  const bool inchUnits = setUp.inchUnits;
  const NullTestSystem& system = setUp.system;
  const double objectDistance = setUp.objectDistance;
  const double lensMirrorDistance = setUp.lensMirrorDistance;
  const double factor = unitFromInch(1.0, inchUnits);
  // A flat face's 9e99 stays as it is: scaling it would mean nothing.
  const auto radius = [factor](double r) { return IsFlatRadius(r) ? r : r * factor; };
  SetUpPicture s;
  s.unit = inchUnits ? "in" : "mm";
  s.sourceZ = -objectDistance * factor;
  s.lensRadius1 = radius(system.LensRadius1);
  s.lensRadius2 = radius(system.LensRadius2);
  s.lensThickness = system.LensThickness * factor;
  // Without a clear diameter the lens is drawn just wider than the marginal ray.
  double semi = setUp.lensClearSemiDiameter;
  if (!(semi > 0)) {
    for (double h : r.lensHeights) semi = std::max(semi, 1.1 * std::fabs(h));
  }
  s.lensSemiDiameter = semi * factor;
  s.mirrorVertexZ = (system.LensThickness + lensMirrorDistance) * factor;
  s.mirrorRadius = radius(system.MirrorRadius);
  s.mirrorConicPlusOne = system.ConicPlusOne;
  s.mirrorSemiDiameter = system.MirrorSemiDiameter * factor;
  // The distances marked are the ones to set up, the verdict's, with the
  // report's beside them: the two differ in the last digits, and the user
  // must know which to build.
  const RecommendedSetUp& set = r.verdict.recommended;
  if (set.available) {
    s.sourceToLensText = Length(set.objectDistance, inchUnits) + " to set up (exact null; report " +
                         Number(objectDistance, inchUnits) + ")";
    s.lensToMirrorText = Length(set.lensMirrorDistance, inchUnits) +
                         " to set up (exact null; report " + Number(lensMirrorDistance, inchUnits) +
                         ")";
    s.sourceToLensShortText = Length(set.objectDistance, inchUnits) + " to set up";
    s.lensToMirrorShortText = Length(set.lensMirrorDistance, inchUnits) + " to set up";
  } else {
    s.sourceToLensText = Length(objectDistance, inchUnits) + " (report; no exact null found)";
    s.lensToMirrorText = Length(lensMirrorDistance, inchUnits) + " (report; no exact null found)";
  }
  for (const ExactRayPath& path : r.rayPaths) {
    SetUpPicture::Ray ray;
    ray.zoneFraction = path.zoneFraction;
    for (const PathPoint& pt : path.points) ray.points.push_back({pt.z * factor, pt.y * factor});
    s.rays.push_back(std::move(ray));
  }
  return s;
}

constexpr const char* kZoneLabel = "Mirror zone (% of the edge height)";
constexpr Colour kSeriesBlue{31, 119, 180};

CurvePlot WavefrontPlot(const ExactCheckResult& r) {
  CurvePlot plot;
  plot.title = "Returning wavefront";
  plot.xLabel = kZoneLabel;
  plot.yLabel = "OPD (waves at " + RoundedText(r.wavelengthMicrons * 1000, 1) + " nm)";
  plot.minYSpan = 0.02;
  PlotSeries focus{"about best focus", kSeriesBlue, Dash::Solid, {}};
  PlotSeries source{"about the source", {230, 120, 20}, Dash::Dashed, {}};
  for (const ZoneSample& z : r.zones) {
    focus.points.push_back({z.zoneFraction * 100, z.opdBestFocusWaves});
    source.points.push_back({z.zoneFraction * 100, z.opdSourceWaves});
  }
  plot.series = {std::move(focus), std::move(source)};
  return plot;
}

CurvePlot AberrationPlot(const ExactCheckResult& r, bool inchUnits) {
  const double factor = unitFromInch(1.0, inchUnits);
  CurvePlot plot;
  plot.title = "Longitudinal aberration";
  plot.xLabel = kZoneLabel;
  plot.yLabel = std::string("Axis crossing beyond source (") + (inchUnits ? "in" : "mm") + ")";
  plot.minYSpan = inchFromMm(0.001 * factor);  // a micrometre, so that ticks stay readable
  PlotSeries crossing{"returning ray", kSeriesBlue, Dash::Solid, {}};
  for (const ZoneSample& z : r.zones) {
    // A ray that comes back parallel to the axis crosses it nowhere.
    if (std::isfinite(z.interceptBeyondSource))
      crossing.points.push_back({z.zoneFraction * 100, z.interceptBeyondSource * factor});
  }
  plot.series = {std::move(crossing)};
  plot.markers = {{"best focus", r.bestFocusOffset * factor, {120, 120, 120}}};
  return plot;
}

}  // namespace

// ---- Shared routines ----------------------------------------------------------

double DrawnSag(double curvature, double conicPlusOne, double y) {
  const double sag = ConicSag(curvature, conicPlusOne, y);
  // Past its reach a surface is drawn at the sag of its widest height.
  return std::isnan(sag) ? 1 / (conicPlusOne * curvature) : sag;
}

std::vector<double> NiceTicks(double lo, double hi, int count) {
  std::vector<double> ticks;
  if (!(hi > lo) || !std::isfinite(lo) || !std::isfinite(hi)) return ticks;
  const double step = NiceStep(hi - lo, count);
  const double first = std::ceil(lo / step - 1e-9), last = std::floor(hi / step + 1e-9);
  for (double k = first; k <= last && ticks.size() < 200; k += 1) ticks.push_back(k * step);
  return ticks;
}

ExactPictures ExactPicturesOf(const ExactCheckResult& check, const SolvedSetUp& setUp) {
  return {SetUpPictureOf(check, setUp), WavefrontPlot(check),
          AberrationPlot(check, setUp.inchUnits)};
}

// ---- Curve plot ---------------------------------------------------------------

Drawing DrawCurvePlot(const CurvePlot& plot, const PictureSize& size) {
  Rect area;
  Canvas c = BlankCanvas(size, area);
  const double ts = size.textSize;
  const double lh = LineHeight(ts);

  // The data's extent.
  double x0 = std::numeric_limits<double>::infinity(), x1 = -x0, y0 = x0, y1 = -x0;
  for (const PlotSeries& s : plot.series) {
    for (const Point& pt : s.points) {
      if (!std::isfinite(pt.x) || !std::isfinite(pt.y)) continue;
      x0 = std::min(x0, pt.x);
      x1 = std::max(x1, pt.x);
      y0 = std::min(y0, pt.y);
      y1 = std::max(y1, pt.y);
    }
  }
  for (const PlotMarker& m : plot.markers) {
    if (!std::isfinite(m.y)) continue;
    y0 = std::min(y0, m.y);
    y1 = std::max(y1, m.y);
  }
  if (!(x1 > x0)) {
    x0 = std::isfinite(x0) ? x0 - 1 : 0;
    x1 = x0 + 2;
  }
  if (!std::isfinite(y0)) y0 = y1 = 0;
  if (plot.includeZero) {
    y0 = std::min(y0, 0.0);
    y1 = std::max(y1, 0.0);
  }
  if (y1 - y0 < plot.minYSpan) {
    const double mid = 0.5 * (y0 + y1);
    y0 = mid - 0.5 * plot.minYSpan;
    y1 = mid + 0.5 * plot.minYSpan;
  }
  if (!(y1 > y0)) {
    y0 -= 1;
    y1 += 1;
  }

  // Header: the title on the left and the legend on the right, or the
  // legend on rows of its own below the title, as many as the width needs.
  const double titleWidth = TextWidth(plot.title, ts, true);
  const double gap = 14;
  const bool legend = plot.series.size() > 1;
  double legendWidth = -gap;
  for (const PlotSeries& s : plot.series) legendWidth += LegendEntryWidth(s.name, ts) + gap;
  const bool beside = !legend || titleWidth + 20 + legendWidth <= area.width;
  std::vector<Point> legendPlaces;
  Point at = beside ? Point{area.right() - legendWidth, area.top} : Point{area.left, area.top + lh};
  for (const PlotSeries& s : plot.series) {
    const double w = LegendEntryWidth(s.name, ts);
    if (!beside && at.x > area.left && at.x + w > area.right()) at = {area.left, at.y + lh};
    legendPlaces.push_back(at);
    at.x += w + gap;
  }
  const double header = (legend ? at.y - area.top + lh : lh) + 6;

  // The frame's height first, then the y ticks, whose widest label sets the
  // left margin.
  Rect px{area.left, area.top + header, area.width, area.height - header - 2 * lh - 6};
  const int yCount = TickCount(px.height, 2.4 * lh);
  const double yStep = NiceStep(y1 - y0, yCount);
  y0 = std::floor(y0 / yStep + 1e-9) * yStep;
  y1 = std::ceil(y1 / yStep - 1e-9) * yStep;
  const double yLabelWidth = WidestTickText(NiceTicks(y0, y1, yCount), yStep, ts);
  const double rightPad = 0.5 * TextWidth("100", ts) + 2;
  px.left = area.left + lh + 4 + yLabelWidth + 6;
  px.width = area.right() - rightPad - px.left;
  if (px.width < 20 || px.height < 20) return c.Take();

  const Frame f{px, x0, x1, y0, y1};
  const int xCount = TickCount(px.width, 4 * TextWidth("0.00", ts));
  DrawAxes(c, f, area, plot.xLabel, plot.yLabel, xCount, yCount, true, ts);

  DrawTitle(
      c, {area.left, area.top, legend && beside ? area.width - legendWidth - 20 : area.width, lh},
      plot.title, ts);
  if (legend) {
    for (std::size_t i = 0; i < plot.series.size(); ++i) {
      const PlotSeries& s = plot.series[i];
      DrawLegendEntry(c, legendPlaces[i], s.name, {s.colour, 2, s.dash}, ts);
    }
  }

  // Curves and markers, clipped to the frame.
  c.ClipTo(px);
  if (y0 < 0 && y1 > 0) c.Line(f.Map(x0, 0), f.Map(x1, 0), {kAxisLine, 1});
  std::vector<std::vector<Point>> curves;
  for (const PlotSeries& s : plot.series) curves.push_back(MappedPolyline(f, s.points));
  for (const PlotMarker& m : plot.markers) {
    if (!std::isfinite(m.y)) continue;
    c.Line(f.Map(x0, m.y), f.Map(x1, m.y), {m.colour, 1, Dash::Dashed});
  }
  for (std::size_t i = 0; i < plot.series.size(); ++i) {
    const PlotSeries& s = plot.series[i];
    c.Polyline(curves[i], {s.colour, 2, s.dash});
  }
  // The markers' names go where no curve passes: above or below the line,
  // at its right end, its left end or its middle, whichever is clear first.
  for (const PlotMarker& m : plot.markers) {
    if (!std::isfinite(m.y)) continue;
    const double lineY = f.Map(x0, m.y).y;
    const double w = TextWidth(m.name, ts) + 6, h = lh + 2;
    Rect best;
    int fewest = std::numeric_limits<int>::max();
    for (const double top : {lineY - h - 1, lineY + 1}) {
      if (top < px.top || top + h > px.bottom()) continue;
      for (const double left : {px.right() - 4 - w, px.left + 4, px.centre().x - w / 2}) {
        const Rect box{left, top, w, h};
        const int hits = CurvePointsIn(box.Inset(-2, -2, -2, -2), curves);
        if (hits < fewest) {
          fewest = hits;
          best = box;
        }
      }
    }
    if (fewest == std::numeric_limits<int>::max()) continue;
    DrawPlateText(c, {best.left, best.top}, m.name, ts);
  }
  c.NoClip();
  return c.Take();
}

// ---- The set-up -----------------------------------------------------------------

Drawing DrawSetUp(const SetUpPicture& s, const PictureSize& size) {
  Rect area;
  Canvas c = BlankCanvas(size, area);
  const double ts = size.textSize;
  const double lh = LineHeight(ts);
  const std::string zLabel = "z (" + s.unit + "), from the lens's first vertex";
  const std::string yLabel = "y (" + s.unit + ")";

  // What each view must hold. The whole view: source to the mirror's back.
  double zMin = s.sourceZ, zMax = s.mirrorVertexZ + s.mirrorSemiDiameter / 4;
  double yMax = std::max(s.mirrorSemiDiameter, s.lensSemiDiameter);
  for (const auto& ray : s.rays) {
    for (const Point& pt : ray.points) {
      if (!std::isfinite(pt.x) || !std::isfinite(pt.y)) continue;
      zMin = std::min(zMin, pt.x);
      zMax = std::max(zMax, pt.x);
      yMax = std::max(yMax, std::fabs(pt.y));
    }
  }
  const double zPad = 0.03 * (zMax - zMin);
  // The magnified view: the source and the lens, with the rays' heights on the
  // lens (which may pass outside its clear aperture).
  const double lensSpan = std::max(s.lensThickness - s.sourceZ, s.lensThickness);
  double insetYMax = s.lensSemiDiameter;
  for (const auto& ray : s.rays) {
    for (const Point& pt : ray.points) {
      if (pt.x >= s.sourceZ - 1e-9 && pt.x <= s.lensThickness + lensSpan * 0.05) {
        insetYMax = std::max(insetYMax, std::fabs(pt.y));
      }
    }
  }
  const double iz0 = std::min(s.sourceZ, 0.0) - 0.08 * lensSpan;
  const double iz1 = s.lensThickness + 0.15 * lensSpan;

  // Layout, top to bottom: the whole view's title, the whole view, its
  // ticks; the magnified view's title, the magnified view, its ticks and
  // axis caption.
  const double left = lh + 4 + TextWidth("-0000", ts) + 6;
  const double right = 0.5 * TextWidth("0000", ts) + 2;
  const double width = area.width - left - right;
  const double title = lh + 4;
  const double ticks = lh + 4;
  const double below = 2 * lh + 6;  // tick labels and the axis caption
  if (width < 40 || area.height < 2 * title + ticks + below + 8 * lh) {
    const Fitted note =
        FitText("Too small to draw the set-up: make the window larger.", ts, false, area.width);
    c.Add(TextAt(note.text, {area.centre().x, BaselineIn(area.centre().y - lh / 2, lh, note.size)},
                 note.size, TextAnchor::Middle, kNote));
    return c.Take();
  }

  // A null-test set-up is long and thin: drawn to scale, the whole of it
  // would be a sliver. Its heights are stretched by a whole factor, which
  // its title gives, so that it takes about a third of the picture and
  // room below the axis for the two distances; the magnified view is to
  // scale.
  const double zSpan = zMax - zMin + 2 * zPad;
  const double scale = width / zSpan;  // pixels per unit along the axis
  const double natural = scale * 2.2 * yMax;
  const double room = area.height - 2 * title - ticks - below;
  const double wanted = std::clamp(0.34 * room, 6 * lh, 0.5 * room);
  const double ratio = wanted / natural;
  const double stretch = ratio <= 1  ? 1.0
                         : ratio < 2 ? std::floor(ratio * 10) / 10
                                     : std::floor(ratio);
  const double wholeHeight = std::min(std::max(natural * stretch, 6 * lh), 0.5 * room);
  const double wholeYMax = 0.5 * wholeHeight / (scale * stretch);
  Frame whole{{area.left + left, area.top + title, width, wholeHeight},
              zMin - zPad,
              zMax + zPad,
              -wholeYMax,
              wholeYMax};
  if (stretch == 1.0) MakeEqualScale(whole);
  const double insetTop = whole.px.bottom() + ticks + title;
  Frame inset{{area.left + left, insetTop, width, area.bottom() - below - insetTop},
              iz0,
              iz1,
              -1.15 * insetYMax,
              1.15 * insetYMax};
  if (inset.px.height < 2 * lh) return c.Take();
  MakeEqualScale(inset);

  const Rect wholeOuter{area.left, whole.px.top, area.width, whole.px.height};
  const Rect insetOuter{area.left, inset.px.top, area.width, inset.px.height};
  const int xCount = TickCount(width, 3.5 * TextWidth("0000", ts));

  // The whole set-up, with the magnified region outlined.
  DrawSetUpContents(c, s, whole, false, ts);
  c.ClipTo(whole.px);
  const Point corner0 = whole.Map(inset.x0, inset.y1), corner1 = whole.Map(inset.x1, inset.y0);
  c.Rectangle({corner0.x, corner0.y, corner1.x - corner0.x, corner1.y - corner0.y},
              Pen{{90, 90, 90}, 1, Dash::Dashed}, std::nullopt);
  c.NoClip();
  DrawDistances(c, s, whole, ts);
  DrawAxes(c, whole, wholeOuter, "", yLabel, xCount,
           std::max(3, TickCount(whole.px.height, 2.2 * lh)), false, ts);
  // The whole view has no room for a caption under its ticks: its axis is
  // named in its title.
  const std::string wholeTitle =
      (stretch == 1.0 ? std::string("The whole set-up, to scale")
                      : "The whole set-up, heights stretched \u00d7" + RoundedText(stretch, 1)) +
      "; z (" + s.unit + ") from the lens's first vertex";
  DrawTitle(c, {area.left, area.top, area.width, lh}, wholeTitle, ts);

  // The source and the lens, magnified.
  DrawSetUpContents(c, s, inset, true, ts);
  DrawAxes(c, inset, insetOuter, zLabel, yLabel, xCount, TickCount(inset.px.height, 2.2 * lh),
           false, ts);
  const long magnification = std::lround(inset.Scale() / whole.Scale());
  DrawTitle(
      c, {area.left, inset.px.top - title, area.width, lh},
      "Source and lens to scale, lengths " + std::to_string(magnification) + "\u00d7 those above",
      ts);

  // The rays' legend in the corner of the magnified view that the rays, the
  // lens and the source leave most free (the lower left, mostly: the rays
  // are drawn above the axis).
  std::vector<std::vector<Point>> drawn;
  for (const auto& ray : s.rays) drawn.push_back(MappedPolyline(inset, ray.points));
  drawn.push_back(LensOutline(s, inset));
  const Point source = inset.Map(s.sourceZ, 0);
  drawn.push_back({{source.x - 4, source.y - 4}, {source.x + 4, source.y + 4}});
  const double legendW = 30 + TextWidth("100% zone", ts) + 6;
  const double legendH = lh * static_cast<double>(s.rays.size()) + 4;
  const Rect box = inset.px.Inset(3, 3, 3, 3);
  Rect best;
  int fewest = std::numeric_limits<int>::max();
  for (const Point& place : {Point{box.left, box.bottom() - legendH}, Point{box.left, box.top},
                             Point{box.right() - legendW, box.bottom() - legendH},
                             Point{box.right() - legendW, box.top}}) {
    const Rect r{place.x, place.y, legendW, legendH};
    const int hits = CurvePointsIn(r, drawn);
    if (hits < fewest) {
      fewest = hits;
      best = r;
    }
  }
  c.Rectangle(best, std::nullopt, kPlate);
  double y = best.top + 2;
  for (const auto& ray : s.rays) {
    DrawLegendEntry(c, {best.left + 3, y}, ZoneName(ray.zoneFraction),
                    {RayColour(ray.zoneFraction), 2}, ts);
    y += lh;
  }
  return c.Take();
}

}  // namespace vn
