// The exact check's pictures as the core lays them out: the set-up's SVG
// names the distances the check's text recommends and is drawn to scale,
// and no text of any picture runs past its edges at any size.
#include "pictures/exact_pictures.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "pictures/exact_picture_files.h"
#include "support/comma_locale.h"
#include "support/start_up_set_up.h"

namespace vn {
namespace {

// The elements of an XML text nest and close, its attributes are quoted, and
// its character data holds no bare '<' or '&': enough of well-formedness to
// catch a writer that forgets to escape or to close.
bool WellFormedXml(const std::string& xml, std::string& why) {
  std::vector<std::string> open;
  std::size_t i = 0;
  if (xml.rfind("<?xml ", 0) == 0) i = xml.find("?>") + 2;
  while (i < xml.size()) {
    const std::size_t lt = xml.find('<', i);
    const std::string text = xml.substr(i, lt == std::string::npos ? std::string::npos : lt - i);
    for (std::size_t a = text.find('&'); a != std::string::npos; a = text.find('&', a + 1)) {
      if (!std::regex_search(text.substr(a), std::regex("^&(amp|lt|gt|quot|apos);"))) {
        why = "a bare & in: " + text;
        return false;
      }
    }
    if (lt == std::string::npos) break;
    const std::size_t gt = xml.find('>', lt);
    if (gt == std::string::npos) return why = "a tag that never ends", false;
    const std::string tag = xml.substr(lt + 1, gt - lt - 1);
    static const std::regex kOpen(R"(^([A-Za-z][\w:-]*)(\s+[\w:-]+="[^"<]*")*\s*(/?)$)");
    std::smatch m;
    if (!tag.empty() && tag[0] == '/') {
      if (open.empty() || open.back() != tag.substr(1)) return why = "stray </" + tag, false;
      open.pop_back();
    } else if (std::regex_match(tag, m, kOpen)) {
      if (m[3].length() == 0) open.push_back(m[1]);
    } else {
      return why = "a malformed tag: <" + tag + ">", false;
    }
    i = gt + 1;
  }
  if (!open.empty()) return why = "<" + open.back() + "> never closed", false;
  return true;
}

// No decimal comma anywhere: in the texts, in the attributes, and in the
// points, which are pairs "x,y" of numbers with a point.
bool NumbersHaveAPoint(const std::string& svg) {
  static const std::regex kPair(R"(-?\d+(\.\d+)?,-?\d+(\.\d+)?)");
  static const std::regex kAttribute(R"re(([\w:-]+)="([^"]*)")re");
  bool good = true;
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), kAttribute);
       it != std::sregex_iterator(); ++it) {
    const std::string name = (*it)[1], value = (*it)[2];
    if (name == "points") {
      std::istringstream pairs(value);
      for (std::string pair; pairs >> pair;) {
        if (std::regex_match(pair, kPair)) continue;
        ADD_FAILURE() << "points " << pair;
        good = false;
      }
    } else if (value.find(',') != std::string::npos &&
               std::regex_search(value, std::regex(R"(\d,\d)"))) {
      ADD_FAILURE() << name << "=" << value;
      good = false;
    }
  }
  if (std::regex_search(svg, std::regex(R"(>[^<]*\d,\d)"))) {
    ADD_FAILURE() << "a decimal comma in a text";
    good = false;
  }
  return good;
}

// The first value of `pattern`'s group in `text`.
std::string Captured(const std::string& text, const std::string& pattern) {
  std::smatch m;
  return std::regex_search(text, m, std::regex(pattern)) ? m[1].str() : "";
}

struct StartUpCheck {
  SolvedSetUp setUp = test::StartUpExactInput();
  ExactCheckResult check = RunExactCheck(setUp);
};

const StartUpCheck& StartUp() {
  static const StartUpCheck c;
  return c;
}

TEST(ExactPictures, SvgIsWellFormedAndMarksTheRecommendedDistances) {
  // The numbers must come out with a point under a comma locale.
  test::CommaLocale comma;
  ASSERT_TRUE(StartUp().check.ok);
  const std::vector<std::string> svgs =
      ExactPictureSvgs(ExactPicturesOf(StartUp().check, StartUp().setUp));
  ASSERT_EQ(svgs.size(), 3u);
  for (const std::string& svg : svgs) {
    std::string why;
    EXPECT_TRUE(WellFormedXml(svg, why)) << why;
    EXPECT_TRUE(NumbersHaveAPoint(svg));
  }
  // The distances on the set-up are the ones the check's text tells the
  // user to set up, with the report's beside them.
  const std::string text = ExactCheckText(StartUp().check, false);
  const std::string object = Captured(text, R"(Object to Lens = (\S+ mm) \(report (\S+) mm\))");
  const std::string spacing = Captured(text, R"(Lens to Mirror = (\S+ mm) \(report (\S+) mm\))");
  ASSERT_FALSE(object.empty() || spacing.empty()) << text;
  EXPECT_NE(svgs[0].find(">source to lens " + object + " to set up (exact null; report 204.817)<"),
            std::string::npos)
      << svgs[0];
  EXPECT_NE(
      svgs[0].find(">lens to mirror " + spacing + " to set up (exact null; report 2076.366)<"),
      std::string::npos);
  EXPECT_NE(svgs[1].find("OPD (waves at 632.8 nm)"), std::string::npos);
}

// The two dimension lines of the set-up (the only horizontal ink lines
// longer than a tick) are as long as the distances they mark, at one
// scale: the whole view is drawn to scale along the axis.
TEST(ExactPictures, SetUpIsDrawnToScaleAlongTheAxis) {
  const Drawing d =
      DrawSetUp(ExactPicturesOf(StartUp().check, StartUp().setUp).setUp, kPictureFileSize);
  std::vector<double> lengths;
  for (const DrawingItem& item : d.items) {
    const Shape* s = std::get_if<Shape>(&item);
    if (s == nullptr || s->fill || s->points.size() != 2 || !s->pen) continue;
    const Point a = s->points[0], b = s->points[1];
    if (a.y == b.y && std::fabs(b.x - a.x) > 10 && s->pen->colour.r == 40 &&
        s->pen->dash == Dash::Solid && s->pen->width == 1) {
      lengths.push_back(std::fabs(b.x - a.x));
    }
  }
  ASSERT_EQ(lengths.size(), 2u);
  // The geometry is the report's: source to lens, lens's back to mirror.
  const double expected = StartUp().setUp.lensMirrorDistance / StartUp().setUp.objectDistance;
  EXPECT_NEAR(lengths[1] / lengths[0], expected, 1e-9 * expected);
}

// Every text stays inside its picture by the width the layout estimates,
// on a phone's width, the panel's and the files', in both units.
TEST(ExactPictures, NoTextRunsPastThePicture) {
  SolvedSetUp inch = StartUp().setUp;
  inch.inchUnits = true;
  for (const SolvedSetUp& setUp : {StartUp().setUp, inch}) {
    const ExactPictures pictures = ExactPicturesOf(StartUp().check, setUp);
    for (const PictureSize size : {PictureSize{360, 300, 12}, PictureSize{420, 400, 13},
                                   kPictureFileSize, PictureSize{1600, 1000, 20}}) {
      const Drawing drawings[] = {DrawSetUp(pictures.setUp, size),
                                  DrawCurvePlot(pictures.wavefront, size),
                                  DrawCurvePlot(pictures.aberration, size)};
      for (const Drawing& d : drawings) {
        int texts = 0;
        for (const DrawingItem& item : d.items) {
          const DrawnText* t = std::get_if<DrawnText>(&item);
          if (t == nullptr) continue;
          ++texts;
          const double w = TextWidth(t->text, t->size, t->bold);
          const double start = t->anchor == TextAnchor::Start    ? 0
                               : t->anchor == TextAnchor::Middle ? -w / 2
                                                                 : -w;
          // Along its baseline: x for a text across, upwards for an upright one.
          const double from = t->upright ? t->at.y - start - w : t->at.x + start;
          const double extent = t->upright ? d.height : d.width;
          EXPECT_GE(from, -1e-9) << t->text << " at " << size.width << "x" << size.height;
          EXPECT_LE(from + w, extent + 1e-9) << t->text << " at " << size.width;
        }
        EXPECT_GT(texts, 10);
      }
    }
  }
}

}  // namespace
}  // namespace vn
