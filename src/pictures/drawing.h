// A picture as a plain list of drawing primitives in pixels (lines and
// polylines, filled polygons, texts), laid out once here for a given size so
// that the window, its picture files and the command line show the same
// drawing. The window paints the list with its painter; SvgText writes it as
// SVG.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vn {

struct Point {
  double x = 0, y = 0;
};

// A rectangle of the picture, y downwards.
struct Rect {
  double left = 0, top = 0, width = 0, height = 0;
  double right() const { return left + width; }
  double bottom() const { return top + height; }
  Point centre() const { return {left + 0.5 * width, top + 0.5 * height}; }
  bool Contains(Point p) const {
    return p.x >= left && p.x <= right() && p.y >= top && p.y <= bottom();
  }
  // Moved inwards by the four amounts (outwards when negative).
  Rect Inset(double l, double t, double r, double b) const {
    return {left + l, top + t, width - l - r, height - t - b};
  }
};

struct Colour {
  unsigned char r = 0, g = 0, b = 0;
  unsigned char a = 255;  // 255 opaque
};

// Dash patterns, as lengths in units of the line's width: dashes of 4 with
// gaps of 2, dots of 1 with gaps of 2, and the two alternating.
enum class Dash { Solid, Dashed, Dotted, DashDotted };
std::vector<double> DashPattern(Dash dash);

// Lines end flat and join round.
struct Pen {
  Colour colour;
  double width = 1;
  Dash dash = Dash::Solid;
};

// An open polyline (no fill) or a closed polygon (a fill, an outline or
// both). `clip` is an index into the drawing's clip rectangles, -1 for none.
struct Shape {
  std::vector<Point> points;
  std::optional<Pen> pen;
  std::optional<Colour> fill;
  int clip = -1;
};

enum class TextAnchor { Start, Middle, End };

// One line of text. `at` is on its baseline, at its start, middle or end as
// `anchor` says; an upright text runs along the baseline turned a quarter
// turn anticlockwise about `at`. `size` is the font's size in pixels.
struct DrawnText {
  std::string text;  // UTF-8
  Point at;
  double size = 12;
  TextAnchor anchor = TextAnchor::Start;
  bool bold = false;
  bool upright = false;
  Colour colour;
  int clip = -1;
};

using DrawingItem = std::variant<Shape, DrawnText>;

struct Drawing {
  double width = 0, height = 0;
  std::vector<Rect> clips;
  std::vector<DrawingItem> items;  // in painting order
};

// ---- Text metrics -------------------------------------------------------------
// Layout must come out the same on every system, so it never asks a font
// library: a text's width is estimated from fixed widths per character,
// those of DejaVu Sans (the common Linux desktop font, and a wide one)
// rounded up slightly, in ems: 0.64 for digits and most lower-case letters,
// 0.33 for narrow ones (i j l t f r and punctuation), 0.98 for m and w and
// the percent sign, 0.72 for capitals, 0.35 for a space, 0.7 for a
// character beyond ASCII; bold text 10% wider. A renderer's own font may
// be a little narrower or wider; texts are placed by their anchors, so the
// difference shows at their loose ends only.
double TextWidth(std::string_view text, double size, bool bold = false);
// The height of a line of text, and its ascent above the baseline: DejaVu
// Sans's, 1.164 and 0.928 of the size, to the whole pixel.
double LineHeight(double size);
double TextAscent(double size);

// The smallest text a picture shrinks a caption to, in pixels.
inline constexpr double kSmallestTextSize = 8;

// `text` with the characters XML reserves written as their entities, for
// an SVG's texts and attributes.
std::string XmlEscaped(std::string_view text);

// The drawing written as an SVG document: deterministic text, numbers with a
// point and at most two decimals, whatever the locale.
std::string SvgText(const Drawing& drawing, std::string_view title);

// ---- Building a drawing ----------------------------------------------------------

class Canvas {
 public:
  Canvas(double width, double height) {
    drawing_.width = width;
    drawing_.height = height;
  }

  // Items added from now on are clipped to `r` (none after NoClip).
  void ClipTo(const Rect& r) {
    drawing_.clips.push_back(r);
    clip_ = static_cast<int>(drawing_.clips.size()) - 1;
  }
  void NoClip() { clip_ = -1; }

  void Line(Point a, Point b, const Pen& pen) { Polyline({a, b}, pen); }
  void Polyline(std::vector<Point> points, const Pen& pen);
  void Polygon(std::vector<Point> points, std::optional<Pen> pen, std::optional<Colour> fill);
  void Rectangle(const Rect& r, std::optional<Pen> pen, std::optional<Colour> fill);
  void Add(DrawnText text);

  Drawing Take() { return std::move(drawing_); }

 private:
  Drawing drawing_;
  int clip_ = -1;
};

}  // namespace vn
