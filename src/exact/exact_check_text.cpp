// The exact check as report text and as JSON, and the phrases its messages
// and the verdict are written in.
#include <cmath>
#include <string>

#include "common/constants.h"
#include "common/json_text.h"
#include "common/number_text.h"
#include "exact/exact_check.h"

namespace vn {

namespace {

std::string Waves(double waves) { return RoundedText(waves, 4); }

std::string Percent(double fraction) { return GeneralNumber(Round(100.0 * fraction, 1)) + "%"; }

const char* SurfaceName(TraceSurface surface) {
  switch (surface) {
    case TraceSurface::LensSourceSide:
      return "the lens's source-side face";
    case TraceSurface::LensMirrorSide:
      return "the lens's mirror-side face";
    case TraceSurface::Mirror:
      return "the mirror";
    case TraceSurface::None:
      break;
  }
  return "a surface";
}

const char* FaultCode(TraceFault fault) {
  switch (fault) {
    case TraceFault::None:
      return "none";
    case TraceFault::MissedSurface:
      return "missed_surface";
    case TraceFault::TotalInternalReflection:
      return "total_internal_reflection";
    case TraceFault::BehindSource:
      return "behind_source";
    case TraceFault::SurfaceBehindRay:
      return "surface_behind_ray";
    case TraceFault::NotReturned:
      return "not_returned";
    case TraceFault::NoRayReachesZone:
      return "no_ray_reaches_zone";
  }
  return "none";
}

const char* SurfaceCode(TraceSurface surface) {
  switch (surface) {
    case TraceSurface::LensSourceSide:
      return "lens_source_side";
    case TraceSurface::LensMirrorSide:
      return "lens_mirror_side";
    case TraceSurface::Mirror:
      return "mirror";
    case TraceSurface::None:
      break;
  }
  return "none";
}

std::string Bool(bool b) { return b ? "true" : "false"; }

}  // namespace

std::string RunLengthText(double inches, bool inchUnits, int extraDecimals) {
  if (inchUnits) return RoundedText(inches, 4 + extraDecimals) + "\"";
  return RoundedText(mmFromInch(inches), 3 + extraDecimals) + " mm";
}

std::string TraceFailureText(const TraceFailure& failure, double zoneFraction, bool inchUnits) {
  const std::string ray = !std::isfinite(zoneFraction) ? "a ray"
                          : zoneFraction == 0.0
                              ? "the axial ray"
                              : "the ray to the " + Percent(zoneFraction) + " zone of the mirror";
  const std::string surface = SurfaceName(failure.surface);
  const std::string way = failure.returning ? " on the way back" : " on the way out";
  // The surface the ray left last, where its height was taken.
  const auto previous = [&]() -> std::string {
    switch (failure.surface) {
      case TraceSurface::LensSourceSide:
        return failure.returning ? SurfaceName(TraceSurface::LensMirrorSide) : "the source";
      case TraceSurface::LensMirrorSide:
        return failure.returning ? SurfaceName(TraceSurface::Mirror)
                                 : SurfaceName(TraceSurface::LensSourceSide);
      case TraceSurface::Mirror:
        return SurfaceName(TraceSurface::LensMirrorSide);
      case TraceSurface::None:
        break;
    }
    return "the last surface";
  };
  const std::string at =
      std::isfinite(failure.height)
          ? RunLengthText(std::fabs(failure.height), inchUnits) + " from the axis"
          : std::string("off the axis");
  switch (failure.fault) {
    case TraceFault::None:
      break;
    case TraceFault::MissedSurface:
      return ray + " misses " + surface + way + " (it left " + previous() + " " + at + ")";
    case TraceFault::TotalInternalReflection:
      return ray + " is totally reflected inside the lens at " + surface + way + ", " + at;
    case TraceFault::BehindSource:
      return ray + " starts behind " + surface + ": the source sits inside the lens";
    case TraceFault::SurfaceBehindRay:
      return ray + " meets " + surface + " behind itself" + way + " (it left " + previous() + " " +
             at + "): the " +
             (failure.surface == TraceSurface::Mirror ? "mirror stands inside the lens"
                                                      : "lens's faces cross there");
    case TraceFault::NotReturned:
      return ray + " is sent away from the source by " + surface + way + ", " + at;
    case TraceFault::NoRayReachesZone:
      return "no ray through the lens reaches the " +
             (std::isfinite(zoneFraction) ? Percent(zoneFraction) + " zone of the mirror, "
                                          : std::string("mirror ")) +
             at;
  }
  return ray + " cannot be traced";
}

std::string VerdictText(const ExactCheckResult& result, bool inchUnits) {
  const auto length = [inchUnits](double inches, int extra = 0) {
    return RunLengthText(inches, inchUnits, extra);
  };
  std::string text;
  const Verdict& verdict = result.verdict;
  text += "Verdict: " + std::string(VerdictStatusWords(verdict.status)) + "\n";
  for (const VerdictReason& reason : verdict.reasons) text += "  - " + reason.text + "\n";
  const RecommendedSetUp& r = verdict.recommended;
  if (r.available) {
    text += "Distances to set up (the exact null):\n";
    text += "  Object to Lens = " + length(r.objectDistance) + " (report " +
            length(r.objectDistance - r.objectDistanceChange) + ")\n";
    text += "  Lens to Mirror = " + length(r.lensMirrorDistance) + " (report " +
            length(r.lensMirrorDistance - r.lensMirrorDistanceChange) + ")\n";
    text += "  Wavefront there = " + Waves(r.pvWaves) + " waves P-V (" +
            WaveFractionText(r.pvWaves) + "), " + Waves(r.rmsWaves) + " waves RMS, Strehl " +
            RoundedText(r.strehl, 4) + "\n";
    if (std::isfinite(r.reportCostWaves)) {
      text += "  At the report's distances it is " + ReportCostText(r.reportCostWaves) + "\n";
    }
  } else {
    text += "Distances to set up: no exact null was found to recommend\n";
  }

  return text;
}

std::string ExactCheckText(const ExactCheckResult& result, bool inchUnits) {
  const auto length = [inchUnits](double inches, int extra = 0) {
    return RunLengthText(inches, inchUnits, extra);
  };
  // The verdict first: what to make of everything below.
  std::string text = "Exact check\n" + VerdictText(result, inchUnits);

  const auto& null = result.exactNull;
  const auto nullLines = [&] {
    if (null.converged) {
      return "Exact null: Object to Lens     = " + length(null.objectDistance) + "\n" +
             "Exact null: Lens to Mirror     = " + length(null.lensMirrorDistance) + "\n" +
             "Exact null: wavefront          = " + Waves(null.pvWaves) + " waves P-V, " +
             Waves(null.rmsWaves) + " waves RMS";
    }
    return "Exact null not found" + (null.why.empty() ? std::string() : ": " + null.why);
  };
  // The spacing range, when the host asked for it, closes the block.
  const std::string rangeLines =
      result.spacingRange ? "\n" + ExactSpacingRangeText(*result.spacingRange, inchUnits) : "";
  if (!result.ok) return text + "Not available: " + result.why + "\n" + nullLines() + rangeLines;

  text += "Wavefront about best focus      = " + Waves(result.pvWaves) + " waves P-V, " +
          Waves(result.rmsWaves) + " waves RMS\n";
  text += "Strehl ratio                    = " + RoundedText(result.strehl, 4) + "\n";
  text += "Best focus beyond the source    = " + length(result.bestFocusOffset, 1) + "\n";
  text += "Wavefront about the source      = " + Waves(result.pvWavesSource) + " waves P-V, " +
          Waves(result.rmsWavesSource) + " waves RMS\n";
  const auto& h = result.lensHeights;
  text += "Marginal ray on the lens, out   = " + length(h[0]) + ", " + length(h[1]) + "\n";
  text += "Marginal ray on the lens, back  = " + length(h[2]) + ", " + length(h[3]) + "\n";
  if (result.lensHeightsExceedClearAperture) {
    text += "Warning: the marginal ray passes outside the lens's clear semi-diameter of " +
            length(result.lensClearSemiDiameter) + "\n";
  }
  return text + nullLines() + rangeLines;
}

std::string ExactCheckJson(const ExactCheckResult& result, bool inchUnits) {
  const double factor = unitFromInch(1.0, inchUnits);
  const auto length = [factor](double inches) { return JsonNumber(inches * factor); };
  const auto heights = [&](const std::array<double, 4>& h) {
    std::string list = "[";
    for (std::size_t i = 0; i < h.size(); ++i) {
      if (i) list += ',';
      list += length(h[i]);
    }
    return list + "]";
  };
  std::string json = "{";
  json += "\"ok\":" + Bool(result.ok);
  json += ",\"cancelled\":" + Bool(result.cancelled);
  json += ",\"message\":" + JsonString(result.why);
  if (result.failure.failed()) {
    const TraceFailure& f = result.failure;
    json += ",\"failure\":{\"fault\":" + JsonString(FaultCode(f.fault)) +
            ",\"surface\":" + JsonString(SurfaceCode(f.surface)) +
            ",\"returning\":" + Bool(f.returning) + ",\"height\":" + length(f.height) +
            ",\"zone_fraction\":" + JsonNumber(result.failureZoneFraction) + "}";
  } else {
    json += ",\"failure\":null";
  }

  const Verdict& verdict = result.verdict;
  json += ",\"verdict\":{\"status\":" + JsonString(VerdictStatusCode(verdict.status)) +
          ",\"reasons\":[";
  for (std::size_t i = 0; i < verdict.reasons.size(); ++i) {
    json += std::string(i ? "," : "") + "{\"code\":" + JsonString(verdict.reasons[i].code) +
            ",\"text\":" + JsonString(verdict.reasons[i].text) + "}";
  }
  json += "]}";
  const RecommendedSetUp& r = verdict.recommended;
  json += ",\"recommended\":{\"object_distance\":" + length(r.objectDistance);
  json += ",\"lens_mirror_distance\":" + length(r.lensMirrorDistance);
  json += ",\"pv_waves\":" + JsonNumber(r.pvWaves);
  json += ",\"pv_fraction\":" +
          (std::isfinite(r.pvWaves) ? JsonString(WaveFractionText(r.pvWaves)) : "null");
  json += ",\"rms_waves\":" + JsonNumber(r.rmsWaves);
  json += ",\"strehl\":" + JsonNumber(r.strehl);
  json += ",\"object_distance_change\":" + length(r.objectDistanceChange);
  json += ",\"lens_mirror_distance_change\":" + length(r.lensMirrorDistanceChange);
  json += ",\"report_cost_waves\":" + JsonNumber(r.reportCostWaves) + "}";

  json += ",\"wavelength_microns\":" + JsonNumber(result.wavelengthMicrons);
  json += ",\"pv_waves\":" + JsonNumber(result.pvWaves);
  json += ",\"rms_waves\":" + JsonNumber(result.rmsWaves);
  json += ",\"strehl\":" + JsonNumber(result.strehl);
  json += ",\"best_focus_offset\":" + length(result.bestFocusOffset);
  json += ",\"pv_waves_source\":" + JsonNumber(result.pvWavesSource);
  json += ",\"rms_waves_source\":" + JsonNumber(result.rmsWavesSource);
  json += ",\"lens_heights\":" + heights(result.lensHeights);
  json += ",\"lens_heights_exceed_clear_aperture\":" + Bool(result.lensHeightsExceedClearAperture);
  const auto& null = result.exactNull;
  const auto ifConverged = [&](double x) { return null.converged ? x : kNotComputed; };
  json += ",\"exact_null\":{";
  json += "\"object_distance\":" + length(ifConverged(null.objectDistance));
  json += ",\"lens_mirror_distance\":" + length(ifConverged(null.lensMirrorDistance));
  json += ",\"pv_waves\":" + JsonNumber(ifConverged(null.pvWaves));
  json += ",\"rms_waves\":" + JsonNumber(ifConverged(null.rmsWaves));
  json += ",\"converged\":" + Bool(null.converged);
  json += ",\"message\":" + JsonString(null.why);
  json += "}";
  if (result.spacingRange) {
    json += ",\"spacing_range\":" + ExactSpacingRangeJson(*result.spacingRange, inchUnits);
  }
  json += "}";
  return json;
}

}  // namespace vn
