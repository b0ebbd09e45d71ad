// Reading the chooser's entries.
#include "design/chooser_entries.h"

#include <cmath>

#include "common/constants.h"
#include "common/failure.h"
#include "common/number_text.h"

namespace vn {

namespace {

// The first entry that is not usable ends the reading.
[[noreturn]] void FailEntry(const std::string& what) { throw Failure(FailureKind::Syntax, what); }

class EntryReader {
 public:
  explicit EntryReader(bool inch) : inch_(inch) {}

  double Number(const std::string& text, const char* name) const {
    const auto x = ReadNumber(text);
    if (!x) {
      // The one wording of every field that refuses a number, a comma named
      // as such; the window adds its own full stop.
      std::string why = NumberTextProblem(text);
      if (why.ends_with('.')) why.pop_back();
      FailEntry(std::string("the ") + name + " \"" + text + "\" " + why);
    }
    return *x;
  }
  // A length more than 0, in inches.
  double Length(const std::string& text, const char* name) const {
    const double x = Number(text, name);
    if (!(x > 0.0)) FailEntry(std::string("the ") + name + " must be more than 0");
    return Inches(x);
  }
  // A length or an empty text (0).
  double OptionalLength(const std::string& text, const char* name) const {
    if (text.find_first_not_of(" \t") == std::string::npos) return 0.0;
    return Length(text, name);
  }
  // "15" or "10:20", in inches.
  void Range(const std::string& text, const char* name, double& lo, double& hi) const {
    const auto colon = text.find(':');
    if (colon == std::string::npos) {
      lo = hi = Length(text, name);
      return;
    }
    lo = Length(text.substr(0, colon), name);
    hi = Length(text.substr(colon + 1), name);
    if (hi < lo) {
      FailEntry(std::string("the ") + name + " range \"" + text +
                "\" must run from the smaller to the larger");
    }
  }
  double Inches(double entered) const { return inchFromUnit(entered, inch_); }

 private:
  bool inch_;
};

}  // namespace

ChooserReading ReadChooserEntries(const ChooserEntries& e) {
  ChooserReading reading;
  try {
    const EntryReader r(e.inch);
    ChooserInputs in;
    NullTestSystem& mirror = in.setting.mirror;
    mirror.MirrorSemiDiameter = 0.5 * r.Length(e.mirrorDiameter, "mirror diameter");
    // The mirror is concave toward the lens, whatever sign is typed, as in a run.
    mirror.MirrorRadius = -std::fabs(r.Number(e.mirrorRoc, "mirror radius of curvature"));
    if (mirror.MirrorRadius == 0.0) {
      FailEntry("the mirror radius of curvature must not be 0");
    }
    mirror.MirrorRadius = r.Inches(mirror.MirrorRadius);
    mirror.ConicPlusOne = r.Number(e.conic, "conic constant") + 1.0;
    const double index = r.Number(e.index, "refractive index");
    if (!(index > 1.0)) FailEntry("the refractive index must be more than 1");

    ChooserConditions& c = in.setting.conditions;
    c.inchUnits = e.inch;
    c.wavelengthMicrons = e.wavelengthMicrons;
    c.maxSourceToMirror =
        r.OptionalLength(e.maxSourceToMirror, "longest source-to-mirror distance");
    c.minSourceToLens = r.OptionalLength(e.minSourceToLens, "shortest source-to-lens distance");
    const double percent = r.Number(e.clearAperturePercent, "clear aperture");
    if (!(percent > 0.0 && percent <= 100.0)) {
      FailEntry("the clear aperture must be more than 0% and at most 100% of the diameter");
    }
    c.clearApertureFraction = percent / 100.0;
    // In nanometres as the dialog read it (632.8, not 632.8000000000001).
    in.setting.wavelengthNm = Round(e.wavelengthMicrons * 1000.0, 10);
    in.setting.glassName = e.glassName;
    in.setting.index = index;

    DesignRequest& d = in.design;
    d.mirror = mirror;
    d.index = index;
    d.conditions = c;
    r.Range(e.thickness, "lens thickness", d.thicknessMin, d.thicknessMax);
    r.Range(e.lensDiameter, "lens diameter", d.diameterMin, d.diameterMax);
    d.radiusStep = e.radiusStep.find_first_not_of(" \t") == std::string::npos
                       ? (e.inch ? 0.005 : inchFromMm(0.1))
                       : r.Length(e.radiusStep, "radius step");

    in.ranking.mirror = mirror;
    in.ranking.conditions = c;
    reading.inputs = std::move(in);
  } catch (const Failure& problem) {
    if (problem.kind() != FailureKind::Syntax) throw;
    reading.why = problem.what();
  }
  return reading;
}

bool SameMainWindowSetting(const ChooserEntries& madeFor, const ChooserEntries& now) {
  return madeFor.inch == now.inch && madeFor.mirrorDiameter == now.mirrorDiameter &&
         madeFor.mirrorRoc == now.mirrorRoc && madeFor.conic == now.conic &&
         madeFor.index == now.index && madeFor.glassName == now.glassName &&
         madeFor.wavelengthMicrons == now.wavelengthMicrons;
}

}  // namespace vn
