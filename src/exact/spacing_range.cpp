// The exact spacing range: both ends bracketed and closed by exact traces.
#include "exact/spacing_range.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "common/constants.h"
#include "common/json_text.h"
#include "common/number_text.h"
#include "exact/exact_check.h"
#include "exact/scalar_search.h"
#include "exact/verdict.h"
#include "record/run_record.h"
#include "record/solved_set_up.h"

namespace vn {

namespace {

// The first step out from the null, as a fraction of its spacing: a tenth
// of a millimetre on a metre, below any shop's tape. Steps double from it.
constexpr double kFirstStepFraction = 1e-4;
// Each side is searched to half the null's spacing: a lens that far off is
// no longer the set-up the user asked about.
constexpr double kFarthestFraction = 0.5;
// The ends are closed to this fraction of their distance from the null: the
// P-V there is then the limit to some 1e-5 of itself.
constexpr double kEndTolerance = 1e-5;
// The source is refocused until the return image stands this fraction of
// the set-up's length from where it stood at the null: a nanometre on a
// metre, far below anything the P-V about best focus can feel.
constexpr double kRefocusTolerance = 1e-12;
constexpr int kRefocusSteps = 30;

struct Refocused {
  bool ok = false;
  bool cancelled = false;
  std::string why;
  double objectDistance = 0;
  double pvWaves = 0;
};

// The set-up at spacing d2 with the source moved so that the best focus
// stands `focusOffset` beyond it, found by the secant method from `guess`:
// where the return image lies depends on the source's place smoothly and
// almost linearly, so two or three steps settle it.
Refocused Refocus(const SolvedSetUp& input, double d2, double guess, double focusOffset,
                  const CancelToken* cancel) {
  Refocused result;
  const double scale = guess + input.system.LensThickness + d2;
  double a = guess;
  ExactWavefront wa = MeasureExactWavefront(input, a, d2, cancel);
  double b = a + 1e-6 * guess;
  for (int step = 0; step < kRefocusSteps && wa.ok; ++step) {
    const double ga = wa.bestFocusOffset - focusOffset;
    if (std::fabs(ga) <= kRefocusTolerance * scale) {
      result.ok = true;
      result.objectDistance = a;
      result.pvWaves = wa.pvWaves;
      return result;
    }
    const ExactWavefront wb = MeasureExactWavefront(input, b, d2, cancel);
    if (!wb.ok) {
      wa = wb;
      break;
    }
    const double gb = wb.bestFocusOffset - focusOffset;
    const double next = b - gb * (b - a) / (gb - ga);
    if (!std::isfinite(next) || !(next > 0.0)) {
      result.why = "the return image cannot be brought back to the source";
      return result;
    }
    a = b;
    wa = wb;
    b = next;
  }
  if (!wa.ok) {
    result.cancelled = wa.cancelled;
    result.why = wa.why;
  } else if (result.why.empty()) {
    result.why = "the source could not be refocused in " + std::to_string(kRefocusSteps) + " steps";
  }
  return result;
}

std::string SignedLength(double inches, bool inchUnits) {
  std::string text = RunLengthText(inches, inchUnits);
  if (inches > 0.0) text.insert(text.begin(), '+');
  return text;
}

ExactSpacingRange Find(const SolvedSetUp& input, const RecommendedSetUp& recommended,
                       double limitWaves, const CancelToken* cancel) {
  ExactSpacingRange range;
  range.limitWaves = limitWaves;
  if (!recommended.available) {
    range.why = "no exact null was found to take the range about";
    return range;
  }
  if (!(limitWaves > 0.0) || !std::isfinite(limitWaves)) {
    range.why = "the P-V limit must be a positive number of waves";
    return range;
  }
  const double D0 = recommended.objectDistance, d0 = recommended.lensMirrorDistance;
  range.nullObjectDistance = D0;
  range.nullLensMirrorDistance = d0;
  const ExactWavefront atNull = MeasureExactWavefront(input, D0, d0, cancel);
  if (!atNull.ok) {
    range.cancelled = atNull.cancelled;
    range.why = "the exact null's wavefront cannot be measured: " + atNull.why;
    return range;
  }
  range.nullPvWaves = atNull.pvWaves;
  if (!(atNull.pvWaves < limitWaves)) {
    range.why = "the exact null itself is " + RoundedText(atNull.pvWaves, 4) +
                " waves P-V, not within " + GeneralNumber(limitWaves) + " waves";
    return range;
  }
  range.searchedTo = kFarthestFraction * d0;

  for (const double sign : {-1.0, 1.0}) {
    SpacingRangeEnd& end = sign < 0 ? range.shorter : range.longer;
    // The last refocused source, the guess for the next spacing; and the
    // P-V less the limit at a change δ (a set-up that cannot be traced
    // counts as beyond the limit).
    double lastChange = 0.0, lastD = D0, slope = 0.0;
    std::string problem;
    const auto excess = [&](double change) {
      const double guess = lastD + slope * (change - lastChange);
      const Refocused r =
          Refocus(input, d0 + change, guess > 0.0 ? guess : lastD, atNull.bestFocusOffset, cancel);
      if (r.cancelled) range.cancelled = true;
      if (!r.ok) {
        problem = r.why;
        return limitWaves;
      }
      if (change != lastChange) slope = (r.objectDistance - lastD) / (change - lastChange);
      lastChange = change;
      lastD = r.objectDistance;
      return r.pvWaves - limitWaves;
    };
    // Step out with doubling steps until the limit is passed.
    double inside = 0.0, outside = 0.0;
    bool bracketed = false;
    for (double step = kFirstStepFraction * d0;; step = std::min(2.0 * step, range.searchedTo)) {
      if (CancelRequested(cancel)) range.cancelled = true;
      if (range.cancelled) break;
      if (excess(sign * step) >= 0.0) {
        outside = sign * step;
        bracketed = true;
        break;
      }
      inside = sign * step;
      if (step >= range.searchedTo) break;
    }
    if (range.cancelled) {
      range.why = "the spacing range was stopped before it finished";
      return range;
    }
    if (!bracketed) continue;
    const std::optional<double> root =
        FindRootBracketed(excess, inside, outside, kEndTolerance * std::fabs(outside), 200, cancel);
    if (range.cancelled || CancelRequested(cancel)) {
      range.cancelled = true;
      range.why = "the spacing range was stopped before it finished";
      return range;
    }
    if (!root) {
      range.why = "an end of the range could not be closed" +
                  (problem.empty() ? std::string() : ": " + problem);
      return range;
    }
    // The end measured once more where the search left it.
    const double value = excess(*root);
    if (lastChange != *root) {
      range.why = "the set-up at an end of the range cannot be traced: " + problem;
      return range;
    }
    end.found = true;
    end.spacingChange = *root;
    end.lensMirrorDistance = d0 + *root;
    end.objectDistance = lastD;
    end.pvWaves = value + limitWaves;
    // A P-V well inside the limit at the end: what ends the range there is
    // a set-up that cannot be traced just beyond it.
    if (end.pvWaves < (1.0 - 1e-3) * limitWaves) {
      end.untraceableBeyond = problem.empty() ? "the set-up cannot be traced" : problem;
    }
  }
  range.ok = true;
  return range;
}

}  // namespace

double SpacingRangeLimitWaves(const RunRecord& run) {
  const auto& asked = run.options.exploration;
  return asked && asked->inWaves && asked->limit > 0.0 ? asked->limit
                                                       : kDefaultSpacingRangeLimitWaves;
}

ExactSpacingRange FindExactSpacingRange(const SolvedSetUp& input,
                                        const RecommendedSetUp& recommended, double limitWaves,
                                        const CancelToken* cancel) {
  try {
    return Find(input, recommended, limitWaves, cancel);
  } catch (const std::exception& failure) {
    ExactSpacingRange range;
    range.limitWaves = limitWaves;
    range.why = std::string("the spacing range failed: ") + failure.what();
    return range;
  }
}

std::string ExactSpacingRangeText(const ExactSpacingRange& range, bool inchUnits) {
  std::string text = "Spacing range within " + GeneralNumber(range.limitWaves) +
                     " waves P-V (exact traces, the source refocused):";
  if (!range.ok) return text + "\n  none: " + range.why;
  const auto side = [&](const SpacingRangeEnd& end, double sign) {
    if (!end.found) {
      return "no end within " + SignedLength(sign * range.searchedTo, inchUnits);
    }
    std::string text = SignedLength(end.spacingChange, inchUnits) + " (" +
                       RunLengthText(end.lensMirrorDistance, inchUnits);
    if (!end.untraceableBeyond.empty()) {
      text += ", " + RoundedText(end.pvWaves, 4) +
              " waves P-V; beyond it the set-up cannot be traced: " + end.untraceableBeyond;
    }
    return text + ")";
  };
  text += "\n  Lens to Mirror about the exact null's " +
          RunLengthText(range.nullLensMirrorDistance, inchUnits) + ": from " +
          side(range.shorter, -1.0) + " to " + side(range.longer, 1.0);
  if (range.shorter.found || range.longer.found) {
    const auto source = [&](const SpacingRangeEnd& end) {
      return end.found ? RunLengthText(end.objectDistance, inchUnits) : std::string("-");
    };
    text +=
        "\n  Object to Lens at those ends = " + source(range.shorter) + ", " + source(range.longer);
  }
  return text;
}

std::string ExactSpacingRangeJson(const ExactSpacingRange& range, bool inchUnits) {
  const double factor = unitFromInch(1.0, inchUnits);
  const auto length = [factor](double inches) { return JsonNumber(inches * factor); };
  const auto end = [&](const SpacingRangeEnd& e) {
    return "{\"found\":" + std::string(e.found ? "true" : "false") +
           ",\"spacing_change\":" + length(e.spacingChange) +
           ",\"lens_mirror_distance\":" + length(e.lensMirrorDistance) +
           ",\"object_distance\":" + length(e.objectDistance) +
           ",\"pv_waves\":" + JsonNumber(e.pvWaves) +
           ",\"untraceable_beyond\":" + JsonString(e.untraceableBeyond) + "}";
  };
  return "{\"ok\":" + std::string(range.ok ? "true" : "false") +
         ",\"cancelled\":" + std::string(range.cancelled ? "true" : "false") +
         ",\"message\":" + JsonString(range.why) +
         ",\"limit_waves\":" + JsonNumber(range.limitWaves) +
         ",\"lens_mirror_distance\":" + length(range.nullLensMirrorDistance) +
         ",\"object_distance\":" + length(range.nullObjectDistance) +
         ",\"pv_waves\":" + JsonNumber(range.nullPvWaves) +
         ",\"searched_to\":" + length(range.searchedTo) + ",\"shorter\":" + end(range.shorter) +
         ",\"longer\":" + end(range.longer) + "}";
}

}  // namespace vn
