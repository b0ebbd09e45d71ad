// The exact check of a solved null-test set-up: what the wavefront returning
// to the source really looks like.
//
// The run settles the object distance D and the lens-to-mirror spacing d2
// with a fast trace that approximates the mirror by a four-term series and
// stops on a fixed length tolerance. This check retraces the solved set-up
// with the exact surfaces (exact_trace.h) and reports, at the test
// wavelength:
//  - for zones from the mirror's centre to its edge, where each returning ray
//    meets the axis and the wavefront error it carries;
//  - the wavefront's peak-to-valley and RMS about the best-focus point and
//    about the source, the best focus's distance beyond the source, and the
//    Strehl ratio estimated from the RMS;
//  - the marginal ray's heights on the lens, with a warning when they
//    leave the lens's clear aperture;
//  - the exact null: the D and d2 for which the marginal ray and the ray at a
//    tenth of its height both return exactly to the source, and its wavefront;
//  - the verdict on the set-up and the distances to set up (verdict.h).
//
// The wavefront is measured as lens design programs measure it: on a
// reference sphere centred on the focus point and passing through the centre
// of the exit pupil, which is the image of the mirror (the aperture stop)
// formed by the lens on the way back (Welford, "Aberrations of Optical
// Systems", ch. 5; Hopkins, "Wave Theory of Aberrations"). A zone's error is
// its optical path from the source to that sphere minus the axial ray's;
// positive means the ray's path is the longer one. Pupil positions are
// fractions ρ of the mirror's edge height; the RMS is taken over the mirror's
// area by Gauss-Legendre quadrature in ρ², with the mean (piston) removed, and
// the best focus is the point on the axis about which that RMS is least. The
// P-V is the spread of the error over the zones, its extremes sharpened by a
// search between zones.
//
// Every loop ends on its own (relative tolerances, iteration limits) and
// stops at the next step once the host sets the cancel flag. Nothing here is
// shared between calls, so checks may run on several threads at once.
//
// All lengths are inches, the engine's unit; the text and JSON forms convert
// to the run's unit.
#pragma once

#include <array>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "common/cancel_token.h"
#include "common/constants.h"
#include "engine/null_test_engine.h"
#include "exact/exact_null.h"
#include "exact/exact_trace.h"
#include "exact/spacing_range.h"
#include "exact/verdict.h"
#include "record/solved_set_up.h"

namespace vn {

// One zone of the mirror, traced out and back.
struct ZoneSample {
  double zoneFraction = 0;           // mirror height as a fraction of the edge height
  double mirrorHeight = 0;           // inches
  double interceptBeyondSource = 0;  // where the returning ray meets the axis, inches
                                     // beyond the source (negative: between source and lens)
  double opdBestFocusWaves = 0;      // wavefront error about the best-focus point
  double opdSourceWaves = 0;         // wavefront error about the source
};

// The drawn path of one ray: source, lens faces, mirror, lens faces, and the
// point where it meets the axis again, as (z, y) in inches.
struct ExactRayPath {
  double zoneFraction = 0;
  std::vector<PathPoint> points;
};

// A figure that could not be computed is NaN (null in the JSON).
inline constexpr double kNotComputed = std::numeric_limits<double>::quiet_NaN();

struct ExactCheckResult {
  bool ok = false;         // the wavefront of the run's set-up was measured
  bool cancelled = false;  // stopped through the cancel token
  std::string why;         // why the check could not be made, when ok is false
  // The ray that could not be traced, when that is why, and its mirror zone
  // as a fraction of the edge height.
  TraceFailure failure;
  double failureZoneFraction = kNotComputed;

  double wavelengthMicrons = 0;
  double pvWaves = kNotComputed;          // about the best-focus point
  double rmsWaves = kNotComputed;         // about the best-focus point, piston removed
  double strehl = kNotComputed;           // exp(−(2π·rmsWaves)²)
  double bestFocusOffset = kNotComputed;  // inches, positive beyond the source (away from the lens)
  double pvWavesSource = kNotComputed;    // about the source
  double rmsWavesSource = kNotComputed;

  // The marginal ray's heights on the lens, inches: source-side face out,
  // mirror-side face out, mirror-side face back, source-side face back.
  std::array<double, 4> lensHeights{kNotComputed, kNotComputed, kNotComputed, kNotComputed};
  double lensClearSemiDiameter = 0;
  bool lensHeightsExceedClearAperture = false;

  struct ExactNull {
    bool converged = false;
    std::string why;
    int iterations = 0;
    double objectDistance = kNotComputed;      // inches
    double lensMirrorDistance = kNotComputed;  // inches
    double pvWaves = kNotComputed;             // about its best-focus point
    double rmsWaves = kNotComputed;
    double strehl = kNotComputed;
    std::array<double, 4> lensHeights{kNotComputed, kNotComputed, kNotComputed, kNotComputed};
    bool lensHeightsExceedClearAperture = false;
    // Where the zones' rays come back at the exact null: the farthest any
    // comes back from the source, and the depth along the axis that a
    // quarter wave of defocus spans for the returning cone, λ / (2·NA²),
    // inches. A spread far beyond that depth is no null, whatever the P-V.
    double returnSpread = kNotComputed;
    double quarterWaveDepth = kNotComputed;
    // Found from a start of its own (exact_null.h) rather than from the
    // run's distances.
    bool ownStart = false;
  } exactNull;

  std::vector<ZoneSample> zones;       // from the centre (fraction 0) to the edge (1)
  std::vector<ExactRayPath> rayPaths;  // the marginal, 70% and 10% rays

  Verdict verdict;

  // The spacing range about the recommended set-up, when the host asked for
  // it (FindExactSpacingRange, spacing_range.h): the check itself leaves it
  // empty, and the text and JSON forms show it when it is there.
  std::optional<ExactSpacingRange> spacingRange;
};

// Number of equal steps in mirror height from the centre to the edge.
inline constexpr int kExactCheckZoneSteps = 100;

// Never throws: every failure comes back as ok = false with a message (and
// the ray's TraceFailure when a ray is why), a failed exact-null search as
// exactNull.converged = false. The verdict is always filled in. The host
// (the window's next run, its closing, a key press, the command line's
// timeout) cancels through `cancel` to stop the check at its next loop step;
// the result then comes back with cancelled = true.
struct ExactCheckOptions {
  // Seek the exact null first from the run's distances even when its search
  // was stopped before it converged, and only then from starts of its own.
  // A search stopped near its null leads the Newton search there in a few
  // steps, where the starts of its own trace a hundred spacings first. The
  // run leaves it unset, and then keeps the least P-V null of its own
  // starts whenever its search did not converge.
  bool startFromStoppedSearch = false;
  // Seek the exact null from starts of its own when the run's distances
  // give none. A host that rejects the set-up whatever its null (a lens
  // that cannot be made) saves the hundred spacings' traces.
  bool ownStarts = true;
  // How many spacings those starts are sought over (exact_null.h).
  int ownStartSamples = kExactNullSpacingSamples;
};
ExactCheckResult RunExactCheck(const SolvedSetUp& input, const CancelToken* cancel = nullptr,
                               const ExactCheckOptions& options = {});

// The wavefront of `input`'s system with the source at object distance D
// and the lens at spacing d2 from the mirror, traced exactly as the check
// traces the exact null: P-V and RMS about the best-focus point, and where
// that point lies beyond the source (inches). ok = false with the reason
// when a ray cannot be traced or the host stopped it.
struct ExactWavefront {
  bool ok = false;
  bool cancelled = false;
  std::string why;
  double pvWaves = kNotComputed;
  double rmsWaves = kNotComputed;
  double bestFocusOffset = kNotComputed;
};
ExactWavefront MeasureExactWavefront(const SolvedSetUp& input, double objectDistance,
                                     double lensMirrorDistance,
                                     const CancelToken* cancel = nullptr);

// What stopped a ray, where, and for which mirror zone, as a phrase in the
// run's unit: "the ray to the 87% zone of the mirror is totally reflected
// inside the lens at its mirror-side face on the way back, 31.2 mm from the
// axis".
std::string TraceFailureText(const TraceFailure& failure, double zoneFraction, bool inchUnits);

// A length given in inches, in the run's unit: 3 decimals of a millimetre
// with " mm", or 4 of an inch with the inch sign, plus extraDecimals.
std::string RunLengthText(double inches, bool inchUnits, int extraDecimals = 0);

// The verdict and the distances to set up, as the "Exact check" block opens
// with them: lines separated by "\n", lengths in the run's unit.
std::string VerdictText(const ExactCheckResult& result, bool inchUnits);

// The "Exact check" block of the report: lines separated by "\n", lengths in
// inches or in millimetres.
std::string ExactCheckText(const ExactCheckResult& result, bool inchUnits);

// The same figures as one JSON object, lengths in inches or millimetres.
std::string ExactCheckJson(const ExactCheckResult& result, bool inchUnits);

}  // namespace vn
