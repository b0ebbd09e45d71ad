// Text metrics for layout, the drawing's builder, and the drawing as SVG.
#include "pictures/drawing.h"

#include <cmath>

#include "common/number_text.h"

namespace vn {

std::vector<double> DashPattern(Dash dash) {
  switch (dash) {
    case Dash::Solid:
      break;
    case Dash::Dashed:
      return {4, 2};
    case Dash::Dotted:
      return {1, 2};
    case Dash::DashDotted:
      return {4, 2, 1, 2};
  }
  return {};
}

// ---- Text metrics -------------------------------------------------------------

namespace {

// The width of one ASCII character in ems (see TextWidth).
double AsciiEms(char c) {
  if (c == ' ') return 0.35;
  if (c == 'm' || c == 'w' || c == '%' || c == 'M' || c == 'W') return 0.98;
  if (c >= 'A' && c <= 'Z') return 0.72;
  switch (c) {
    case 'i':
    case 'j':
    case 'l':
    case 't':
    case 'f':
    case 'r':
    case '.':
    case ',':
    case ':':
    case ';':
    case '\'':
    case '!':
    case '|':
    case '(':
    case ')':
    case '[':
    case ']':
    case '-':
      return 0.33;
    default:
      return 0.64;
  }
}

}  // namespace

double TextWidth(std::string_view text, double size, bool bold) {
  double ems = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      ems += AsciiEms(static_cast<char>(byte));
    } else if ((byte & 0xC0) != 0x80) {
      ems += 0.7;  // the first byte of a character beyond ASCII; its others add nothing
    }
  }
  return ems * size * (bold ? 1.1 : 1.0);
}

double LineHeight(double size) { return std::round(1.164 * size); }
double TextAscent(double size) { return std::round(0.928 * size); }

// ---- Building -----------------------------------------------------------------

void Canvas::Polyline(std::vector<Point> points, const Pen& pen) {
  if (points.size() < 2) return;
  drawing_.items.emplace_back(Shape{std::move(points), pen, std::nullopt, clip_});
}

void Canvas::Polygon(std::vector<Point> points, std::optional<Pen> pen,
                     std::optional<Colour> fill) {
  if (points.size() < 3) return;
  // A polygon always has a fill (transparent when only its outline shows),
  // which is what tells it from a polyline.
  drawing_.items.emplace_back(
      Shape{std::move(points), pen, fill.value_or(Colour{0, 0, 0, 0}), clip_});
}

void Canvas::Rectangle(const Rect& r, std::optional<Pen> pen, std::optional<Colour> fill) {
  Polygon({{r.left, r.top}, {r.right(), r.top}, {r.right(), r.bottom()}, {r.left, r.bottom()}}, pen,
          fill);
}

void Canvas::Add(DrawnText text) {
  if (text.text.empty()) return;
  text.clip = clip_;
  drawing_.items.emplace_back(std::move(text));
}

// ---- SVG ------------------------------------------------------------------------

std::string XmlEscaped(std::string_view text) {
  std::string s;
  for (char c : text) {
    switch (c) {
      case '&':
        s += "&amp;";
        break;
      case '<':
        s += "&lt;";
        break;
      case '>':
        s += "&gt;";
        break;
      case '"':
        s += "&quot;";
        break;
      default:
        s += c;
    }
  }
  return s;
}

namespace {

// A coordinate to the hundredth of a pixel, "0" rather than "-0".
std::string Num(double x) {
  const double r = Round(x, 2);
  return r == 0 ? std::string("0") : RoundedText(r, 2);
}

std::string Hex(const Colour& c) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string s = "#";
  for (unsigned char v : {c.r, c.g, c.b}) {
    s += kDigits[v >> 4];
    s += kDigits[v & 0xF];
  }
  return s;
}

// fill="…" or stroke="…" with its opacity when not opaque.
std::string Paint(const char* what, const Colour& c) {
  std::string s = std::string(" ") + what + "=\"" + Hex(c) + "\"";
  if (c.a != 255) s += std::string(" ") + what + "-opacity=\"" + Num(c.a / 255.0) + "\"";
  return s;
}

std::string ClipAttribute(int clip) {
  return clip < 0 ? std::string() : " clip-path=\"url(#c" + std::to_string(clip) + ")\"";
}

std::string ShapeSvg(const Shape& s) {
  std::string out = s.fill ? "<polygon points=\"" : "<polyline points=\"";
  for (std::size_t i = 0; i < s.points.size(); ++i) {
    if (i) out += ' ';
    out += Num(s.points[i].x) + "," + Num(s.points[i].y);
  }
  out += "\"";
  if (!s.fill) {
    out += " fill=\"none\"";
  } else if (s.fill->a == 0) {
    out += " fill=\"none\"";
  } else {
    out += Paint("fill", *s.fill);
  }
  if (s.pen) {
    out += Paint("stroke", s.pen->colour) + " stroke-width=\"" + Num(s.pen->width) + "\"";
    const std::vector<double> dashes = DashPattern(s.pen->dash);
    if (!dashes.empty()) {
      out += " stroke-dasharray=\"";
      for (std::size_t i = 0; i < dashes.size(); ++i) {
        if (i) out += ' ';
        out += Num(dashes[i] * s.pen->width);
      }
      out += "\"";
    }
  }
  return out + ClipAttribute(s.clip) + "/>\n";
}

std::string TextSvg(const DrawnText& t) {
  static const char* const kAnchors[] = {"start", "middle", "end"};
  std::string out =
      "<text x=\"" + Num(t.at.x) + "\" y=\"" + Num(t.at.y) + "\" font-size=\"" + Num(t.size) + "\"";
  if (t.anchor != TextAnchor::Start) {
    out += std::string(" text-anchor=\"") + kAnchors[static_cast<int>(t.anchor)] + "\"";
  }
  if (t.bold) out += " font-weight=\"bold\"";
  out += Paint("fill", t.colour);
  if (t.upright) out += " transform=\"rotate(-90 " + Num(t.at.x) + " " + Num(t.at.y) + ")\"";
  return out + ClipAttribute(t.clip) + ">" + XmlEscaped(t.text) + "</text>\n";
}

}  // namespace

std::string SvgText(const Drawing& d, std::string_view title) {
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + Num(d.width) +
         "\" height=\"" + Num(d.height) + "\" viewBox=\"0 0 " + Num(d.width) + " " + Num(d.height) +
         "\" font-family=\"DejaVu Sans, Verdana, sans-serif\" stroke-linejoin=\"round\">\n";
  out += "<title>" + XmlEscaped(title) + "</title>\n";
  if (!d.clips.empty()) {
    out += "<defs>\n";
    for (std::size_t i = 0; i < d.clips.size(); ++i) {
      const Rect& r = d.clips[i];
      out += "<clipPath id=\"c" + std::to_string(i) + "\"><rect x=\"" + Num(r.left) + "\" y=\"" +
             Num(r.top) + "\" width=\"" + Num(r.width) + "\" height=\"" + Num(r.height) +
             "\"/></clipPath>\n";
    }
    out += "</defs>\n";
  }
  for (const DrawingItem& item : d.items) {
    if (const Shape* s = std::get_if<Shape>(&item)) {
      out += ShapeSvg(*s);
    } else {
      out += TextSvg(std::get<DrawnText>(item));
    }
  }
  return out + "</svg>\n";
}

}  // namespace vn
