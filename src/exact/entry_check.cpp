// The entries' own check: what the typed numbers alone show is wrong.
#include "exact/entry_check.h"

#include <cmath>

#include "common/constants.h"
#include "common/number_text.h"
#include "engine/optics_primitives.h"
#include "exact/exact_trace.h"
#include "glass/typed_index.h"

namespace vn {

namespace {

std::string Caption(Entry e) { return EntryCaption(e); }

}  // namespace

TypedEntries TypedEntriesOf(const NullSetup& setup) {
  TypedEntries in;
  if (setup.typed) in.texts = *setup.typed;
  in.inch = setup.inch;
  in.glassName = setup.glassName;
  in.testWavelength = setup.testWavelength;
  return in;
}

std::vector<EntryProblem> CheckEntries(const TypedEntries& in) {
  std::vector<EntryProblem> problems;
  const auto unitText = [&](double x) {
    return in.inch ? RoundedText(x, 4) + "\"" : RoundedText(mmFromInch(x), 3) + " mm";
  };
  const auto add = [&](Entry e, EntrySeverity s, const std::string& text) {
    if (!ProblemOf(problems, e)) problems.push_back({e, s, Caption(e) + " " + text});
  };

  // Every field: a number, typed with a point.
  std::optional<double> value[kEntryCount];
  for (std::size_t k = 0; k < kEntryCount; ++k) {
    const Entry e = static_cast<Entry>(k);
    value[k] = ReadNumber(in.Text(e));
    if (!value[k]) add(e, EntrySeverity::Wrong, NumberTextProblem(in.Text(e)));
  }
  // Lengths in engine inches from here on.
  const auto inches = [&](Entry e) -> std::optional<double> {
    const auto& v = value[static_cast<std::size_t>(e)];
    if (!v) return std::nullopt;
    return inchFromUnit(*v, in.inch);
  };

  // Sizes: positive, and within any mirror's.
  for (Entry e : {Entry::MirrorDiameter, Entry::MirrorRadiusOfCurvature, Entry::CentreThickness,
                  Entry::LensDiameter}) {
    const auto x = inches(e);
    if (!x) continue;
    if (std::fabs(*x) > kLargestLengthInch) {
      add(e, EntrySeverity::Absurd,
          "is larger than " + unitText(kLargestLengthInch) + ": no mirror or lens is that large.");
    } else if (e == Entry::MirrorRadiusOfCurvature ? *x == 0 : !(*x > 0)) {
      add(e, EntrySeverity::Wrong,
          e == Entry::MirrorRadiusOfCurvature ? "must not be 0." : "must be larger than 0.");
    }
  }
  for (Entry e : {Entry::SourceSideRadius, Entry::MirrorSideRadius}) {
    if (const auto r = inches(e); r && *r == 0) add(e, EntrySeverity::Wrong, "must not be 0.");
  }
  if (const auto n = value[static_cast<std::size_t>(Entry::LensIndex)]; n && !(*n > 1)) {
    add(Entry::LensIndex, EntrySeverity::Wrong, "must be larger than 1.");
  }

  // The lens against the mirror, and against itself at its rim.
  const auto mirrorDiameter = inches(Entry::MirrorDiameter),
             lensDiameter = inches(Entry::LensDiameter);
  if (mirrorDiameter && lensDiameter && *mirrorDiameter > 0 && *lensDiameter > *mirrorDiameter) {
    add(Entry::LensDiameter, EntrySeverity::Wrong,
        "is larger than the mirror's " + unitText(*mirrorDiameter) + ".");
  }
  const auto r1 = inches(Entry::SourceSideRadius), r2 = inches(Entry::MirrorSideRadius),
             t = inches(Entry::CentreThickness);
  if (lensDiameter && *lensDiameter > 0 && !ProblemOf(problems, Entry::LensDiameter)) {
    const double a = *lensDiameter / 2;
    bool facesFit = r1 && r2;
    for (const auto& [e, r] :
         {std::pair{Entry::SourceSideRadius, r1}, std::pair{Entry::MirrorSideRadius, r2}}) {
      if (r && *r != 0 && std::fabs(*r) < kFlatRadius && std::fabs(*r) < a) {
        facesFit = false;
        add(e, EntrySeverity::Wrong,
            "is smaller than the lens's semi-diameter of " + unitText(a) +
                ": the face cannot reach the lens's rim.");
      }
    }
    if (facesFit && t && *t > 0) {
      const double edge =
          LensEdgeThickness(*t, CurvatureFromRadius(*r1), CurvatureFromRadius(*r2), a);
      if (!(edge > 0)) {
        add(Entry::CentreThickness, EntrySeverity::Wrong,
            "leaves no edge at the entered diameter of " + unitText(*lensDiameter) +
                ": the faces meet before the rim (edge " + unitText(edge) + ").");
      }
    }
  }

  // The index against the glass the set-up names.
  if (const auto d =
          TypedIndexDisagreement(in.Text(Entry::LensIndex), in.glassName, in.testWavelength)) {
    if (!ProblemOf(problems, Entry::LensIndex)) {
      problems.push_back(
          {Entry::LensIndex, EntrySeverity::Note,
           IndexDisagreementText(in.Text(Entry::LensIndex), in.glassName, in.testWavelength, *d)});
    }
  }
  return problems;
}

std::optional<EntryProblem> ProblemOf(const std::vector<EntryProblem>& problems, Entry entry) {
  for (const EntryProblem& p : problems) {
    if (p.entry == entry) return p;
  }
  return std::nullopt;
}

std::optional<EntryProblem> FirstProblem(const std::vector<EntryProblem>& problems) {
  std::optional<EntryProblem> first;
  for (const EntryProblem& p : problems) {
    if (!first || p.severity > first->severity) first = p;
  }
  return first;
}

bool SameEntries(const TypedEntries& ran, const TypedEntries& now) {
  return ran.texts == now.texts && ran.inch == now.inch && ran.glassName == now.glassName &&
         ran.testWavelength == now.testWavelength;
}

}  // namespace vn
