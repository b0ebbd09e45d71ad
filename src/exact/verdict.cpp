// The verdict on a solved set-up, and the distances to set up.
#include "exact/verdict.h"

#include <algorithm>
#include <cmath>

#include "common/number_text.h"
#include "engine/optics_primitives.h"
#include "exact/exact_check.h"

namespace vn {

namespace {

// ---- Thresholds ---------------------------------------------------------------
//
// At the centre of curvature the returning wavefront carries twice the
// mirror's surface error, as it does at the mirror's focus in use: a residual
// the null leaves is an error the test will show on a perfect mirror, or hide
// on a flawed one, one for one in the mirror's own wavefront.

// Rayleigh's quarter wave P-V: the classical limit of a diffraction-limited
// wavefront (Strehl about 0.8 for spherical aberration). A null that leaves
// more cannot tell a good mirror from a bad one.
constexpr double kNotANullWaves = 0.25;
// An eighth of a wave P-V: the figure fine mirrors are made to. A null that
// leaves more uses up the error budget of the mirror it is meant to judge.
constexpr double kCautionWaves = 0.125;
// 0.05 waves P-V: the finest spacing-error limit the program's exploration
// offers. A difference between the report's distances and the exact null
// that costs more than the finest set-up tolerance the user can ask for is
// worth setting up the exact null for.
constexpr double kReportCostWaves = 0.05;
// The beam uses less than a tenth of the lens's diameter: the lens then adds
// almost no aberration of its own, so the "null" rests on the lens standing
// next to the source rather than on its correction.
constexpr double kDegenerateBeamFraction = 0.1;
// The source closer to the lens than 2% of the lens's diameter (1.6 mm for
// an 80 mm lens): no room for a pinhole and a knife edge, and the returning
// focus lies against the glass.
constexpr double kTouchingFraction = 0.02;
// How far beyond the depth a quarter wave of focus spans (λ / 2NA², the
// longitudinal defocus worth a quarter wave for the returning cone) the
// zones' rays may come back at the exact null before the lens is said to
// leave the mirror's aberration where it was. The spread grows about 30
// depths per wave of residual: on 300 random set-ups the ok and caution
// nulls stay within 7 depths and a 7-wave residual reaches 200, so only a
// lens that does not act on the light at all comes near this.
constexpr double kFarOutsideDepth = 1000.0;

void Add(Verdict& verdict, VerdictStatus severity, const char* code, std::string text) {
  verdict.reasons.push_back({severity, code, std::move(text)});
  verdict.status = std::max(verdict.status, severity);
}

std::string Waves(double waves) { return RoundedText(waves, 3); }

std::string WavesWithFraction(double waves) {
  return Waves(waves) + " waves P-V (" + WaveFractionText(waves) + ")";
}

// What the exact null offers, appended to a residual reason.
std::string BestHere(const ExactCheckResult::ExactNull& null) {
  if (!null.converged || !std::isfinite(null.pvWaves))
    return " No exact null was found for this lens.";
  if (null.pvWaves > kNotANullWaves) {
    return " Even at its exact null this lens leaves " + WavesWithFraction(null.pvWaves) +
           ": it cannot null this mirror.";
  }
  return " At its exact null this lens leaves " + WavesWithFraction(null.pvWaves) + ".";
}

// A usable exact null: found, with its wavefront measured.
bool HasExactNull(const ExactCheckResult& check) {
  return check.exactNull.converged && std::isfinite(check.exactNull.pvWaves);
}

// The run's distances are a null to judge: its search converged to a
// set-up that can be built. Otherwise the exact null, when one was found,
// is the set-up judged, and its residual decides.
bool RunIsTheNull(const SolvedSetUp& in) {
  return in.hasRunDistances && in.searchConverged && in.objectDistance > 0.0 &&
         in.lensMirrorDistance > 0.0;
}

bool NullDecides(const SolvedSetUp& in, const ExactCheckResult& check) {
  return !RunIsTheNull(in) && HasExactNull(check);
}

void JudgeRun(const SolvedSetUp& in, const ExactCheckResult& check, Verdict& verdict) {
  const auto length = [&](double inches) { return RunLengthText(inches, in.inchUnits); };
  // Without a converged search the report's figures are not a null; with an
  // exact null found from its own start there is still one to set up, and
  // its residual decides the verdict.
  const VerdictStatus unsolved =
      HasExactNull(check) ? VerdictStatus::Caution : VerdictStatus::NotANull;
  const std::string setUpNull =
      HasExactNull(check) ? " Set up the exact null's distances below." : "";
  if (!in.hasRunDistances) {
    const NullTestSystem& s = in.system;
    // Faces that curve alike give the lens no power as a thin lens: the
    // search, which starts from its focal length, has nowhere to begin.
    const bool noPower = s.LensIndex > 1.0 && 1.0 / s.LensRadius1 - 1.0 / s.LensRadius2 == 0.0;
    Add(verdict, unsolved, "search_failed",
        (noPower ? "The lens has no power as a thin lens: its faces curve alike, so the run's "
                   "search has no start and the report has no distances."
                 : "The run's search could not go on: its rays left the finite numbers, so the "
                   "report has no distances.") +
            setUpNull);
    return;
  }
  if (!(in.objectDistance > 0.0)) {
    Add(verdict, unsolved, "object_distance_not_positive",
        "The object distance is " + length(in.objectDistance) +
            ": the source would sit on or inside the lens, so there is no set-up to build." +
            setUpNull);
  }
  if (!(in.lensMirrorDistance > 0.0)) {
    Add(verdict, unsolved, "lens_mirror_distance_not_positive",
        "The lens-to-mirror distance is " + length(in.lensMirrorDistance) +
            ": the mirror would stand on or inside the lens." + setUpNull);
  }
  if (!in.searchConverged) {
    Add(verdict, unsolved, "search_not_converged",
        "The search was stopped before it converged (by a key press, the time limit or its step "
        "limit): the report's distances are not a null." +
            setUpNull);
  }
}

// No exact null exists for this lens, or the one it has sends the rays back
// far outside the depth a quarter wave spans: the lens cannot null the
// mirror, whatever the run's figures say.
void JudgeNullExists(const SolvedSetUp& in, const ExactCheckResult& check, Verdict& verdict) {
  const auto& null = check.exactNull;
  const auto length = [&](double inches) { return RunLengthText(inches, in.inchUnits); };
  if (check.cancelled) return;
  if (!null.converged && null.ownStart && !null.why.empty()) {
    Add(verdict, VerdictStatus::NotANull, "no_exact_null",
        "This lens cannot null this mirror: " + null.why + ".");
    return;
  }
  if (HasExactNull(check) && null.returnSpread > kFarOutsideDepth * null.quarterWaveDepth) {
    Add(verdict, VerdictStatus::NotANull, "lens_does_not_null",
        "The lens does not null this mirror: at its best (the exact null) the rays come back up "
        "to " +
            length(null.returnSpread) + " from the source, " +
            RoundedText(null.returnSpread / null.quarterWaveDepth, 0) +
            " times the depth a quarter wave of focus spans there (" +
            length(null.quarterWaveDepth) + ").");
  }
}

void JudgeLens(const SolvedSetUp& in, Verdict& verdict) {
  const NullTestSystem& s = in.system;
  const double a = in.lensClearSemiDiameter;
  if (!(a > 0.0)) return;
  const auto length = [&](double inches) { return RunLengthText(inches, in.inchUnits); };
  const double c1 = CurvatureFromRadius(s.LensRadius1), c2 = CurvatureFromRadius(s.LensRadius2);
  const double front = SphereSag(c1, a);
  const double edge = LensEdgeThickness(s.LensThickness, c1, c2, a);
  if (std::isnan(edge)) {
    Add(verdict, VerdictStatus::NotANull, "lens_cannot_exist",
        "The lens cannot be made: a face's radius is smaller than the lens's semi-diameter of " +
            length(a) + ".");
  } else if (!(edge > 0.0)) {
    Add(verdict, VerdictStatus::NotANull, "lens_cannot_exist",
        "The lens cannot be made: its edge thickness at the entered diameter of " +
            length(2.0 * a) + " is " + length(edge) + ".");
  }
  // A source-side face hollow toward the source has its rim nearer the
  // source than its vertex; a source closer than that sits inside the lens's
  // outline.
  if (in.objectDistance > 0.0 && front < 0.0 && in.objectDistance < -front) {
    Add(verdict, VerdictStatus::Caution, "source_inside_lens",
        "The source sits " + length(-front - in.objectDistance) +
            " inside the hollow of the lens's source-side face, whose rim stands " +
            length(-front) + " nearer the source than its vertex: check that the source fits.");
  }
}

void JudgeWavefront(const SolvedSetUp& in, const ExactCheckResult& check, Verdict& verdict) {
  const auto length = [&](double inches) { return RunLengthText(inches, in.inchUnits); };
  const auto& null = check.exactNull;
  if (NullDecides(in, check)) {
    // The report's distances are not to be set up: the exact null's
    // wavefront is the one to judge.
    if (null.pvWaves > kNotANullWaves) {
      Add(verdict, VerdictStatus::NotANull, "residual_over_quarter_wave",
          "At the exact null the wavefront about best focus is " + WavesWithFraction(null.pvWaves) +
              ", more than a quarter wave: this lens cannot null "
              "this mirror.");
    } else if (null.pvWaves > kCautionWaves) {
      Add(verdict, VerdictStatus::Caution, "residual_over_eighth_wave",
          "At the exact null the wavefront about best focus is " + WavesWithFraction(null.pvWaves) +
              ", more than an eighth of a wave.");
    }
    if (null.lensHeightsExceedClearAperture) {
      double widest = 0.0;
      for (double h : null.lensHeights) widest = std::max(widest, std::fabs(h));
      Add(verdict, VerdictStatus::NotANull, "marginal_ray_outside_lens",
          "At the exact null the marginal ray crosses the lens " + length(widest) +
              " from the axis, outside its clear semi-diameter of " +
              length(in.lensClearSemiDiameter) +
              ": the mirror's edge is not seen through the lens.");
    }
    return;
  }
  const bool distancesPositive =
      in.hasRunDistances && in.objectDistance > 0.0 && in.lensMirrorDistance > 0.0;
  if (!check.ok && !check.cancelled && distancesPositive) {
    if (check.failure.failed()) {
      Add(verdict, VerdictStatus::NotANull, "wavefront_not_traceable",
          "The wavefront cannot be traced at the report's distances: " + check.why + "." +
              BestHere(null));
    } else {
      Add(verdict, VerdictStatus::NotANull, "exact_check_unavailable",
          "The exact check could not be made: " + check.why + ".");
    }
  }
  if (check.ok) {
    if (check.pvWaves > kNotANullWaves) {
      Add(verdict, VerdictStatus::NotANull, "residual_over_quarter_wave",
          "At the report's distances the wavefront about best focus is " +
              WavesWithFraction(check.pvWaves) + ", more than a quarter wave." + BestHere(null));
    } else if (check.pvWaves > kCautionWaves) {
      Add(verdict, VerdictStatus::Caution, "residual_over_eighth_wave",
          "At the report's distances the wavefront about best focus is " +
              WavesWithFraction(check.pvWaves) + ", more than an eighth of a wave." +
              BestHere(null));
    }
  }
  const auto outside = [&](const std::array<double, 4>& heights, const char* where) {
    double widest = 0.0;
    for (double h : heights) widest = std::max(widest, std::fabs(h));
    Add(verdict, VerdictStatus::NotANull, "marginal_ray_outside_lens",
        std::string(where) + " the marginal ray crosses the lens " + length(widest) +
            " from the axis, outside its clear semi-diameter of " +
            length(in.lensClearSemiDiameter) + ": the mirror's edge is not seen through the lens.");
  };
  if (check.ok && check.lensHeightsExceedClearAperture)
    outside(check.lensHeights, "At the report's distances");
  if (null.converged && null.lensHeightsExceedClearAperture)
    outside(null.lensHeights, "At the exact null");
}

void JudgeDegenerate(const SolvedSetUp& in, const ExactCheckResult& check, Verdict& verdict) {
  const auto length = [&](double inches) { return RunLengthText(inches, in.inchUnits); };
  if (std::fabs(in.system.ConicPlusOne - 1.0) < 1e-12) {
    Add(verdict, VerdictStatus::Caution, "sphere_needs_no_lens",
        "A spherical mirror needs no null lens: test it with the source at its centre of "
        "curvature and no lens.");
  }
  const double lensDiameter = 2.0 * in.lensClearSemiDiameter;
  std::string text;
  const bool nullDecides = NullDecides(in, check);
  if (check.ok && lensDiameter > 0.0 && !nullDecides) {
    double beam = 0.0;
    for (double h : check.lensHeights) beam = std::max(beam, 2.0 * std::fabs(h));
    if (beam < kDegenerateBeamFraction * lensDiameter) {
      text += "The light uses only " + length(beam) + " of the lens's " + length(lensDiameter) +
              " (" + RoundedText(100.0 * beam / lensDiameter, 1) +
              "%), so the lens hardly acts on it.";
    }
  }
  const double D = nullDecides ? check.exactNull.objectDistance : in.objectDistance;
  if ((nullDecides || in.hasRunDistances) && D > 0.0 && D < kTouchingFraction * lensDiameter) {
    text += std::string(text.empty() ? "" : " ") + "The source sits only " + length(D) +
            " from the lens.";
  }
  if (!text.empty()) {
    Add(verdict, VerdictStatus::Caution, "degenerate_null", "This null is degenerate. " + text);
  }
}

void Recommend(const SolvedSetUp& in, const ExactCheckResult& check, Verdict& verdict) {
  const auto& null = check.exactNull;
  RecommendedSetUp& r = verdict.recommended;
  if (null.converged && std::isfinite(null.pvWaves)) {
    r.available = true;
    r.objectDistance = null.objectDistance;
    r.lensMirrorDistance = null.lensMirrorDistance;
    r.pvWaves = null.pvWaves;
    r.rmsWaves = null.rmsWaves;
    r.strehl = null.strehl;
    r.objectDistanceChange = null.objectDistance - in.objectDistance;
    r.lensMirrorDistanceChange = null.lensMirrorDistance - in.lensMirrorDistance;
    if (check.ok) r.reportCostWaves = check.pvWaves - null.pvWaves;
  }
  const auto length = [&](double inches) { return RunLengthText(inches, in.inchUnits); };
  if (r.available && r.reportCostWaves > kReportCostWaves) {
    Add(verdict, VerdictStatus::Caution, "report_off_exact_null",
        "The report's distances are " + length(std::fabs(r.objectDistanceChange)) +
            " (object to lens) and " + length(std::fabs(r.lensMirrorDistanceChange)) +
            " (lens to mirror) off the exact null; set up there, the wavefront is " +
            ReportCostText(r.reportCostWaves) + ": set up the exact null's distances.");
  }
  // Only worth saying when the run's own set-up was measured: otherwise a
  // graver reason already says why nothing could be traced.
  if (check.ok && !null.converged && !check.cancelled && !null.ownStart) {
    Add(verdict, VerdictStatus::Caution, "exact_null_not_found",
        "No exact null was found" + (null.why.empty() ? std::string() : ": " + null.why) + ".");
  }
  if (check.cancelled) {
    Add(verdict, VerdictStatus::Caution, "exact_check_stopped",
        "The exact check was stopped before it finished: nothing after that point was checked.");
  }
}

}  // namespace

// The JSON code and the words of each status, in the enumeration's order.
constexpr struct {
  const char* code;
  const char* words;
} kStatusNames[] = {{"ok", "ok"}, {"caution", "caution"}, {"not_a_null", "not a null"}};

const char* VerdictStatusCode(VerdictStatus status) {
  return kStatusNames[static_cast<int>(status)].code;
}

const char* VerdictStatusWords(VerdictStatus status) {
  return kStatusNames[static_cast<int>(status)].words;
}

std::string ReportCostText(double reportCostWaves) {
  // Four decimals: the cost of a good run's distances is a ten-thousandth of
  // a wave, which three would print as 0.
  return RoundedText(std::fabs(reportCostWaves), 4) + " waves P-V " +
         (reportCostWaves >= 0.0 ? "worse" : "better");
}

std::string WaveFractionText(double waves) {
  if (!std::isfinite(waves) || waves < 0.0) return "?";
  if (waves >= 1.0) return RoundedText(waves, 2) + "λ";
  const double denominator = 1.0 / waves;
  if (denominator > 1000.0) return "under λ/1000";
  // Shops speak of λ/4, λ/8, λ/32: whole numbers from λ/10 on, one decimal
  // below it, where a tenth of the denominator still matters.
  return "λ/" + RoundedText(denominator, denominator >= 10.0 ? 0 : 1);
}

Verdict JudgeSetUp(const SolvedSetUp& input, const ExactCheckResult& check) {
  Verdict verdict;
  // What is wrong in the optics comes first: it is the line a user sees
  // when only one is shown, and a stalled search is its consequence.
  JudgeNullExists(input, check, verdict);
  JudgeRun(input, check, verdict);
  JudgeLens(input, verdict);
  JudgeWavefront(input, check, verdict);
  JudgeDegenerate(input, check, verdict);
  Recommend(input, check, verdict);
  return verdict;
}

}  // namespace vn
