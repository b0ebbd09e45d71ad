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
//  - the marginal ray's heights on the lens faces, with a warning when they
//    leave the lens's clear aperture;
//  - the exact null: the D and d2 for which the marginal ray and the ray at a
//    tenth of its height both return exactly to the source.
//
// The wavefront error of a zone is the optical path from the source, along
// its ray, to a reference sphere centred on the focus point and passing
// through the lens's source-side vertex, minus the same path of the axial
// ray (Welford, "Aberrations of Optical Systems", ch. 5). Positive means the
// ray's path is the longer one. The RMS is taken over the mirror's area
// (zones weighted by their radius), with the mean (piston) removed.
//
// All lengths are inches, the engine's unit; the text and JSON forms convert
// to the run's unit.
#pragma once

#include <array>
#include <atomic>
#include <string>
#include <vector>

#include "engine/null_test_engine.h"
#include "exact/exact_trace.h"

namespace vn {

struct ExactCheckInput {
  NullTestSystem system;
  double objectDistance = 0;          // D, source to the lens's source-side vertex, inches
  double lensMirrorDistance = 0;      // d2, lens mirror-side vertex to mirror vertex, inches
  double wavelengthMicrons = 0.6328;  // test wavelength
  double lensClearSemiDiameter = 0;   // half the lens's clear diameter, inches
  // Set by the host (the window's next run, its closing, a key press, the
  // command line's timeout) to stop the check at its next loop step; the
  // result then comes back with cancelled = true.
  const std::atomic<bool>* cancel = nullptr;
};

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

struct ExactCheckResult {
  bool ok = false;
  bool cancelled = false;  // stopped through ExactCheckInput::cancel
  std::string message;     // why the check could not be made, when ok is false

  double wavelengthMicrons = 0;
  double pvWaves = 0;          // about the best-focus point
  double rmsWaves = 0;         // about the best-focus point, piston removed
  double strehl = 0;           // exp(−(2π·rmsWaves)²)
  double bestFocusOffset = 0;  // inches, positive beyond the source (away from the lens)
  double pvWavesSource = 0;    // about the source
  double rmsWavesSource = 0;

  // The marginal ray's heights on the lens, inches: source-side face out,
  // mirror-side face out, mirror-side face back, source-side face back.
  std::array<double, 4> lensHeights{};
  double lensClearSemiDiameter = 0;
  bool lensHeightsExceedClearAperture = false;

  struct ExactNull {
    bool converged = false;
    std::string message;
    int iterations = 0;
    double objectDistance = 0;      // inches
    double lensMirrorDistance = 0;  // inches
    double pvWaves = 0;             // about its best-focus point
    double rmsWaves = 0;
  } exactNull;

  std::vector<ZoneSample> zones;       // from the centre (fraction 0) to the edge (1)
  std::vector<ExactRayPath> rayPaths;  // the marginal, 70% and 10% rays
};

// Number of equal steps in mirror height from the centre to the edge.
inline constexpr int kExactCheckZoneSteps = 100;

// Never throws: every failure comes back as ok = false with a message, and a
// failed exact-null search as exactNull.converged = false.
ExactCheckResult RunExactCheck(const ExactCheckInput& input);

// The "Exact check" block of the report: lines separated by "\n", lengths in
// inches or in millimetres.
std::string ExactCheckText(const ExactCheckResult& result, bool inchUnits);

// The same figures as one JSON object, lengths in inches or millimetres.
std::string ExactCheckJson(const ExactCheckResult& result, bool inchUnits);

}  // namespace vn
