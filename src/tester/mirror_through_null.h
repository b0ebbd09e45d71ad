// What a mirror looks like through the null: the tester's side of a solved
// set-up.
//
// A perfect mirror of the design's conic, tested through the solved null,
// does not return a perfect wavefront: the single lens leaves a residual
// (mostly fifth- and seventh-order spherical). Interferogram software that
// reduces the test must subtract it, and a Ronchi or Foucault tester must
// know what a perfect mirror shows. This module measures that residual and
// keeps the rays that make the pictures, for the design's mirror and for a
// mirror whose conic constant differs by ΔK (what an under- or over-corrected
// mirror shows in this null).
//
// The residual is the wavefront of the whole pupil traced exactly in three
// dimensions (pupil_wavefront.h), about the best reference point (the user
// refocuses), fitted by least squares with the first 49 Zernike terms in the
// zero-based Fringe order, peak-normalised (zernike.h).
//
// Sign: the residual is the wavefront error of the mirror that a perfect
// mirror would appear to have, as interferogram software reports a mirror:
// positive where the mirror looks high (standing toward the incoming light),
// and twice the surface error (the light meets the mirror once and so its
// path changes by twice a height error). A ray whose optical path to the
// reference sphere is the longer one shows there as a low place, negative.
// So a bare paraboloid tested at its centre of curvature, with no null, looks
// like a sphere with a turned-down edge: its primary spherical term is
// negative, K·a⁴/(24·R³) in lengths.
//
// Pupil coordinates are the mirror's, as the tester sees it from behind the
// source: x to the right, y up, in fractions of the mirror's semi-diameter.
//
// Lengths are inches, the engine's unit; z runs along the axis from the source
// toward the mirror, 0 at the lens's source-side vertex (exact_trace.h).
#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "analysis/pupil_wavefront.h"
#include "common/cancel_token.h"
#include "exact/exact_check.h"
#include "exact/exact_trace.h"
#include "tester/tester_distances.h"

namespace vn {

// The Zernike terms of an exported residual: Z0 … Z48 in the zero-based
// Fringe order, the n = 12 spherical term last.
inline constexpr int kExportedZernikeTerms = 49;

// Mirror radii at which rays are kept for the pictures: equal steps from the
// centre to the edge, both included.
inline constexpr int kRayTableZones = 200;

// One mirror tested through the set-up's null.
struct MirrorThroughNull {
  bool ok = false;
  std::string why;  // why the mirror could not be traced, when !ok

  double deltaK = 0;         // the mirror's conic constant less the design's
  double conicConstant = 0;  // the mirror's own K
  double wavelengthMicrons = 0;
  double mirrorSemiDiameter = 0;  // inches
  double mirrorRadius = 0;        // of curvature, inches, positive
  // The set-up the mirror was traced at, as the files' trailers and the
  // summaries state it ("at the recommended set-up (the exact null): Object
  // to Lens 204.73 mm, Lens to Mirror 2076.765 mm"; tester_distances.h).
  std::string tracedAt;

  // The residual wavefront in waves at the test wavelength, mirror-error sign.
  std::vector<double> zernike;     // kExportedZernikeTerms coefficients
  double fitRmsResidualWaves = 0;  // RMS over the pupil of the traced wavefront less the fit
  double pvWaves = 0;              // of the traced wavefront about the reference point
  double rmsWaves = 0;

  // The return image: the best reference point on the axis, and where the
  // source is.
  double focusZ = 0;   // inches
  double sourceZ = 0;  // −D

  // Returning rays, just after the lens, for the mirror radii
  // r_i = semi-diameter · i / kRayTableZones (i = 0 the axial ray).
  std::vector<VectorRay> rays;

  // The mirror as the tester sees it through the null: the returning rays'
  // directions, for the apparent radii ρ' = j / kRayTableZones (fractions of
  // the edge's). The eye (or the interferometer's camera) at the return image
  // sees the mirror point of a ray in the direction the ray comes from, so
  // the pictures are drawn in these coordinates; the lens's pupil distortion
  // makes ρ' differ a little from the mirror's own ρ. For j ≥ 1 each is the
  // quantity divided by ρ' (even functions of ρ'; j = 0 the limit):
  //   apparentHeight: the ray's height in the plane of the source, inches;
  //   apparentSlope: its slope dy/dz;
  //   apparentMirror: its point on the mirror as a fraction of the edge's.
  std::vector<double> apparentHeight, apparentSlope, apparentMirror;

  // Vignetting: for each ray of `rays`, its widest height on the lens (out
  // or back, either face) over the lens's clear semi-diameter. A zone whose
  // ratio exceeds 1 sends its light outside the clear aperture: the tester
  // does not see it through the null. Zeros when no clear aperture is known.
  std::vector<double> lensHeightRatio;
  double lensClearSemiDiameter = 0;  // inches; 0: not known

  // Where the return image lies beyond the source, along the axis away from
  // the lens (negative: between source and lens), inches.
  double ImageBeyondSource() const { return sourceZ - focusZ; }
  // Height of ray i where it crosses the plane z = planeZ, inches (signed:
  // positive on the same side of the axis as its point on the mirror).
  double HeightAt(std::size_t i, double planeZ) const;
  // The returning cone's largest slope (marginal ray, |dy/dz|).
  double MarginalSlope() const;
  // Diameter of the geometric blur in the plane z = planeZ (all rays), inches.
  double BlurDiameterAt(double planeZ) const;
  // Where the mirror's zone at `fraction` of its radius appears to the
  // tester, as a fraction of the edge's apparent radius.
  double ApparentRadius(double fraction) const;
  // Whether the mirror zone at `fraction` of its radius is vignetted: its
  // ray's widest height on the lens, interpolated between the table's rays,
  // lies outside the clear semi-diameter.
  bool Vignetted(double fraction) const;
  // The innermost vignetted zone as a fraction of the mirror's radius, or
  // nothing when the whole mirror is seen through the clear aperture.
  std::optional<double> FirstVignettedZone() const;
};

// The design traced once; mirrors measured against it. The pupil plan (the
// rays aimed at their points of the mirror) is made once and serves every
// ΔK. Nothing is shared between objects; one object may be used from one
// thread at a time.
class TesterModel {
 public:
  // `cancel` (kept, may be null) stops the work at its next step.
  explicit TesterModel(const SolvedSetUp& input, const CancelToken* cancel = nullptr);
  // The set-up at the distances `chosen` describes, which its mirrors carry.
  explicit TesterModel(const TesterSetUp& chosen, const CancelToken* cancel = nullptr);

  bool ok() const { return ok_; }
  const std::string& message() const { return message_; }
  const SolvedSetUp& input() const { return input_; }

  // The mirror whose conic constant is the design's plus deltaK, as a
  // perfect mirror of that conic shows through the null. Stops at its next
  // step (ok = false, "stopped") once the cancel token is set.
  MirrorThroughNull Mirror(double deltaK) const;

 private:
  SolvedSetUp input_;
  const CancelToken* cancel_ = nullptr;
  std::string tracedAt_;
  bool ok_ = false;
  std::string message_;
  PupilPlan plan_;
  ZernikeFit fit_{{}, {}, 0};
};

// The pupil sampling of the exported residual: enough rings and spokes that
// the 49 terms are orthogonal over the points (radial degree 12, azimuthal
// frequency 6; pupil_wavefront.h says why).
inline constexpr PupilSampling kResidualSampling{16, 32};

}  // namespace vn
