// The Ronchigram, the Foucault shadowgram and the interferogram of a mirror
// seen through the null.
#include "tester/null_views.h"

#include <algorithm>
#include <cmath>

#include "analysis/zernike_series.h"
#include "common/constants.h"
#include "common/number_text.h"

namespace vn {

namespace {

// Bands whose ends stray less than this fraction of a band spacing from a
// straight line look straight: a twentieth of a spacing is about what an
// eye can tell against a straight edge.
constexpr double kStraightBow = 0.05;
// Grey of the mirror's rim, drawn just outside it so that the disc's edge
// shows where the picture is dark.
constexpr std::uint8_t kRimGrey = 110;

// Cubic Lagrange interpolation in a table of equal steps indexed by
// t ∈ [0, N], the table even about its first entry (v(−t) = v(t)): the
// picture's quantities are even functions of the mirror radius.
double Interpolate(const std::vector<double>& v, double t) {
  const int last = static_cast<int>(v.size()) - 1;
  int base = static_cast<int>(std::floor(t)) - 1;
  if (base + 3 > last) base = last - 3;
  const double f = t - base;
  const double w0 = -(f - 1.0) * (f - 2.0) * (f - 3.0) / 6.0;
  const double w1 = f * (f - 2.0) * (f - 3.0) / 2.0;
  const double w2 = -f * (f - 1.0) * (f - 3.0) / 2.0;
  const double w3 = f * (f - 1.0) * (f - 2.0) / 6.0;
  const auto at = [&](int k) { return v[static_cast<std::size_t>(std::abs(k))]; };
  return w0 * at(base) + w1 * at(base + 1) + w2 * at(base + 2) + w3 * at(base + 3);
}

// Each ray's height in the plane z = planeZ as a proportion of its apparent
// radius: an even function of the apparent radius, constant when the bands
// are straight.
std::vector<double> Proportions(const MirrorThroughNull& mirror, double planeZ) {
  std::vector<double> k(mirror.apparentHeight.size());
  for (std::size_t j = 0; j < k.size(); ++j) {
    k[j] = mirror.apparentHeight[j] + (planeZ - mirror.sourceZ) * mirror.apparentSlope[j];
  }
  return k;
}

// The fraction of a slit of width w centred at u that the grating passes:
// its clear strips are (−p/4, p/4) + j·p, so the clear length below t is
// p·(⌊s⌋/2 + min(frac s, 1/2)) with s = t/p + 1/4.
double GratingPasses(double u, double period, double width) {
  const auto clearBelow = [period](double t) {
    const double s = t / period + 0.25;
    const double whole = std::floor(s);
    return period * (0.5 * whole + std::min(s - whole, 0.5));
  };
  if (!(width > 0.0)) {
    const double s = u / period + 0.25;
    return s - std::floor(s) < 0.5 ? 1.0 : 0.0;
  }
  return (clearBelow(u + 0.5 * width) - clearBelow(u - 0.5 * width)) / width;
}

// The fraction of a slit of width w centred at u that a knife covering
// everything right of `edge` lets pass.
double KnifePasses(double u, double edge, double width) {
  if (!(width > 0.0)) return u < edge ? 1.0 : u > edge ? 0.0 : 0.5;
  return std::clamp(0.5 + (edge - u) / width, 0.0, 1.0);
}

std::uint8_t Grey(double level) {
  return static_cast<std::uint8_t>(std::lround(255.0 * std::clamp(level, 0.0, 1.0)));
}

// ---- Caption text ---------------------------------------------------------------

// A length in the run's unit: micrometres below a tenth of a millimetre,
// millimetres to the micrometre; inches to 1e-6 below a hundredth, else 1e-4.
std::string Length(double inches, bool inchUnits) {
  const double size = std::fabs(inches);
  if (inchUnits) return RoundedText(inches, size < 0.01 ? 6 : 4) + " in";
  const double mm = mmFromInch(inches);
  if (mmFromInch(size) < 0.1) return RoundedText(mm * 1000.0, 1) + " \u00b5m";
  return RoundedText(mm, 3) + " mm";
}

std::string Along(double offset, bool inchUnits, const char* what) {
  if (offset == 0.0) return std::string("at ") + what;
  return Length(std::fabs(offset), inchUnits) + (offset > 0 ? " inside " : " outside ") + what;
}

std::string MirrorSentence(const MirrorThroughNull& m) {
  const double design = m.conicConstant - m.deltaK;
  if (m.deltaK == 0.0) {
    return "A perfect mirror of the design's conic (K = " + RoundedText(m.conicConstant, 6) +
           ") through the null.";
  }
  return "A mirror of K = " + RoundedText(m.conicConstant, 6) +
         " (\u0394K = " + RoundedText(m.deltaK, 6) + " from the design's " +
         RoundedText(design, 6) + ": " + (m.deltaK < 0 ? "over" : "under") +
         "-corrected) through the null.";
}

std::string ReturnImageSentence(const MirrorThroughNull& m, bool inchUnits) {
  const double beyond = m.ImageBeyondSource();
  return "Return image " + Length(std::fabs(beyond), inchUnits) +
         (beyond >= 0 ? " beyond the source (away from the lens)"
                      : " short of the source (toward the lens)") +
         ", " + Length(m.BlurDiameterAt(m.focusZ), inchUnits) + " across (geometric).";
}

}  // namespace

const char* TesterViewName(TesterViewKind kind) {
  switch (kind) {
    case TesterViewKind::Ronchi:
      return "Ronchigram";
    case TesterViewKind::Foucault:
      return "Foucault shadowgram";
    case TesterViewKind::Fringes:
      return "Interferogram";
  }
  return "View";
}

double DefaultGratingOffset(const MirrorThroughNull& mirror, double linesPerInch) {
  // The returning cone is 2·δ·slope across at δ from its focus; kDefaultBands
  // periods of 1/linesPerInch fill it.
  const double slope = mirror.MarginalSlope();
  if (!(slope > 0.0) || !(linesPerInch > 0.0)) return 0.0;
  return kDefaultBands / (2.0 * slope * linesPerInch);
}

TesterPicture RenderTesterView(const MirrorThroughNull& mirror,
                               const TesterViewSettings& settings) {
  TesterPicture picture;
  if (!mirror.ok || mirror.apparentMirror.size() < 4) {
    picture.why = mirror.ok ? "too few rays to draw" : mirror.why;
    return picture;
  }
  const int size = std::clamp(settings.sizePx, 16, 8192);
  const bool inch = settings.inchUnits;
  const double steps = static_cast<double>(mirror.apparentMirror.size() - 1);
  picture.title = std::string(TesterViewName(settings.kind)) + " through the null";
  picture.caption.push_back(MirrorSentence(mirror));
  // Which set-up, next: a picture belongs to one pair of distances.
  if (!mirror.tracedAt.empty()) picture.caption.push_back("Traced " + mirror.tracedAt + ".");

  // The plane of the grating or the knife, and each ray's proportion there.
  std::vector<double> k;
  double period = 0.0;
  if (settings.kind == TesterViewKind::Ronchi) {
    if (!(settings.gratingLinesPerInch > 0.0) || !std::isfinite(settings.gratingLinesPerInch)) {
      picture.why = "the grating needs a positive number of lines";
      return picture;
    }
    period = 1.0 / settings.gratingLinesPerInch;
    picture.planeOffset = settings.gratingOffset
                              ? *settings.gratingOffset
                              : DefaultGratingOffset(mirror, settings.gratingLinesPerInch);
  } else if (settings.kind == TesterViewKind::Foucault) {
    picture.planeOffset = settings.knifeOffset;
  }
  picture.planeZ = mirror.focusZ + picture.planeOffset;
  if (settings.kind != TesterViewKind::Fringes) {
    k = Proportions(mirror, picture.planeZ);
    if (!std::all_of(k.begin(), k.end(), [](double x) { return std::isfinite(x); })) {
      picture.why = "a returning ray does not reach the plane";
      return picture;
    }
  }
  const ZernikeSeries series(mirror.zernike);
  picture.vignettedFrom = mirror.FirstVignettedZone();

  // Pixel by pixel: the mirror as the tester sees it, (x, y) in fractions of
  // its edge's apparent radius.
  picture.disc = GreyImage(size, size, 0);
  const double half = 0.5 * size;
  const double radius = half - kDiscMargin;  // room for the rim inside the square
  const double rim = 1.0 + 1.5 / radius;     // a ring a pixel or so wide
  for (int row = 0; row < size; ++row) {
    if (CancelRequested(settings.cancel)) {
      picture.disc = GreyImage();
      picture.why = "the drawing was stopped before it finished";
      return picture;
    }
    const double y = (half - row - 0.5) / radius;
    for (int col = 0; col < size; ++col) {
      const double x = (col + 0.5 - half) / radius;
      const double rhoSquared = x * x + y * y;
      if (rhoSquared > 1.0) {
        if (rhoSquared <= rim * rim) picture.disc.at(col, row) = kRimGrey;
        continue;
      }
      if (picture.vignettedFrom) {
        // The zone of the mirror this pixel shows; its light misses the
        // lens's clear aperture, so the tester sees it dark.
        const double apparent = std::sqrt(rhoSquared);
        if (mirror.Vignetted(Interpolate(mirror.apparentMirror, apparent * steps) * apparent))
          continue;
      }
      double level = 0.0;
      switch (settings.kind) {
        case TesterViewKind::Ronchi:
        case TesterViewKind::Foucault: {
          const double u = Interpolate(k, std::sqrt(rhoSquared) * steps) * x;
          level = settings.kind == TesterViewKind::Ronchi
                      ? GratingPasses(u, period, settings.sourceWidth)
                      : KnifePasses(u, settings.knifeEdge, settings.sourceWidth);
          break;
        }
        case TesterViewKind::Fringes: {
          const double onMirror = Interpolate(mirror.apparentMirror, std::sqrt(rhoSquared) * steps);
          const double waves = series.At(x * onMirror, y * onMirror) +
                               0.5 * settings.tiltFringes * x + settings.defocusWaves * rhoSquared;
          level = 0.5 * (1.0 + std::cos(2.0 * kPi * waves));
          break;
        }
      }
      picture.disc.at(col, row) = Grey(level);
    }
  }

  // The caption: what is shown and what it means.
  switch (settings.kind) {
    case TesterViewKind::Ronchi: {
      const double edgeHeight = k.back();
      picture.bandsAcross = 2.0 * std::fabs(edgeHeight) / period;
      picture.bandBow = (std::fabs(edgeHeight) - std::fabs(k.front())) / period;
      const double lines = settings.gratingLinesPerInch;
      picture.caption.push_back("Grating " + RoundedText(lines, 3) + " lines/in (" +
                                RoundedText(lines / kMmPerInch, 3) + " lines/mm), " +
                                Along(picture.planeOffset, inch, "the return focus") + ": " +
                                RoundedText(picture.bandsAcross, 1) + " bands across the mirror.");
      const bool rejected =
          picture.vignettedFrom.has_value() || settings.verdict == VerdictStatus::NotANull;
      if (std::fabs(picture.bandBow) < kStraightBow && !rejected) {
        picture.caption.push_back("Bands straight and evenly spaced: at the edge they bow by " +
                                  RoundedText(picture.bandBow, 3) + " of a band spacing.");
      } else if (std::fabs(picture.bandBow) < kStraightBow) {
        // Straight bands of a set-up that is no null must not read as praise.
        picture.caption.push_back(
            "At the edge the bands bow by " + RoundedText(picture.bandBow, 3) +
            " of a band spacing, but this is no null to trust: " +
            (picture.vignettedFrom ? "part of the mirror is not seen through the lens."
                                   : "the verdict is \"not a null\"."));
      } else {
        picture.caption.push_back(
            "Bands curved: at the edge they bow by " + RoundedText(picture.bandBow, 2) +
            " band spacings, their ends bending " + (picture.bandBow > 0 ? "toward" : "away from") +
            " the centre line.");
      }
      break;
    }
    case TesterViewKind::Foucault: {
      const double edge = settings.knifeEdge;
      picture.caption.push_back(
          "Knife from the right, " + Along(picture.planeOffset, inch, "the return focus") +
          ", its edge " +
          (edge == 0.0
               ? std::string("on the axis")
               : Length(std::fabs(edge), inch) + (edge > 0 ? " right" : " left") + " of the axis") +
          "; slit source " + Length(settings.sourceWidth, inch) + " wide.");
      break;
    }
    case TesterViewKind::Fringes:
      picture.caption.push_back(
          "Double pass at " + RoundedText(mirror.wavelengthMicrons * 1000.0, 1) + " nm, " +
          RoundedText(settings.tiltFringes, 2) + " tilt fringes, defocus " +
          RoundedText(settings.defocusWaves, 3) + " waves; the residual about best focus is " +
          RoundedText(mirror.pvWaves, 3) + " waves P-V, " + RoundedText(mirror.rmsWaves, 3) +
          " RMS.");
      break;
  }
  // What makes this no test to trust comes first, before what the picture shows.
  std::vector<std::string> warnings;
  if (picture.vignettedFrom) {
    warnings.push_back(
        "Dark beyond " + RoundedText(100.0 * *picture.vignettedFrom, 1) +
        "% of the mirror's radius: the rays of those zones pass outside the lens's clear "
        "semi-diameter of " +
        Length(mirror.lensClearSemiDiameter, inch) + ", so they are not seen through the null.");
  }
  if (settings.verdict == VerdictStatus::NotANull) {
    warnings.push_back(
        "The verdict on this set-up is \"not a null\": see its reasons before you build it.");
  }
  picture.caption.insert(picture.caption.begin(), warnings.begin(), warnings.end());
  picture.caption.push_back(ReturnImageSentence(mirror, inch));
  picture.ok = true;
  return picture;
}

}  // namespace vn
