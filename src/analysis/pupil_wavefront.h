// The wavefront of a folded set-up over the whole mirror, traced exactly in
// three dimensions, about the best reference point in space.
//
// The pupil is the mirror: a ray stands for the point where it meets the
// mirror, as a fraction of the mirror's semi-diameter in the mirror's own x
// and y. The points lie on rings and spokes: the rings at the Gauss–Lobatto
// nodes of ρ² (the centre and the edge included, each ring's weight its share
// of the area), the spokes equally spaced. With n rings and s spokes, sums
// over the points integrate exactly over the disc the product of any two
// Zernike terms of radial degree up to 2n − 1 and azimuthal frequency below
// s/2, so the RMS and the Zernike fit of a smooth wavefront are those of the
// whole pupil.
//
// Each ray is aimed at its point of the mirror. For the design's own set-up
// (MakePupilPlan) by Newton's method from scratch; for a set-up built with
// errors (MeasurePupilWavefront) by chord steps that reuse the design's
// slopes, since a build error moves the rays on the mirror only a little.
//
// The wavefront error of a ray is its optical path from the source to a
// reference sphere centred on the reference point P and passing through the
// lens's nominal source-side vertex (the origin), in waves, less the pupil's
// mean (Welford, "Aberrations of Optical Systems", ch. 5). The best reference
// point is the P that makes the RMS least: what a user gets by refocusing the
// knife-edge, grating or interferometer in all three directions. It removes
// tilt and defocus as the reference sphere itself moves, not as Zernike terms
// (which would leave the higher orders of a large refocus behind).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "analysis/skew_trace.h"
#include "analysis/zernike.h"

namespace vn {

struct PupilSampling {
  int rings = 12;   // rings besides the centre ray, the edge included
  int spokes = 24;  // rays on each ring
};

struct PupilPoint {
  double x = 0, y = 0;  // on the unit disc
  double weight = 0;    // share of the pupil's area; the weights sum to 1
};

// The centre first, then ring by ring outward, each ring from the +x axis
// toward +y.
std::vector<PupilPoint> RingsAndSpokes(const PupilSampling& sampling);

// How many Fringe terms the pupil fit and the reports use (Z1–Z36).
inline constexpr int kReportedFringeTerms = 36;

// The rays of a pupil as the design's set-up launches them.
struct PupilPlan {
  bool ok = false;
  std::string why;          // why the plan could not be made
  double semiDiameter = 0;  // inches of the mirror that pupil radius 1 stands for
  PupilSampling sampling;
  std::vector<PupilPoint> points;                      // as RingsAndSpokes gives them
  std::vector<std::array<double, 2>> targets;          // each ray's point of the mirror, inches
  std::vector<std::array<double, 2>> launch;           // slopes (u, v) from the source
  std::vector<std::array<double, 4>> inverseJacobian;  // ∂(u, v)/∂(x, y) on the mirror
  // How a measured set-up guesses the correction of each ray's slopes from
  // the rays aimed before it: Σ weight·correction[from] (see Step 1 of
  // MeasurePupilWavefront).
  std::vector<std::array<std::size_t, 3>> guessFrom;
  std::vector<std::array<double, 3>> guessWeight;
  ZernikeFit fit{{}, {}, 0};  // the first kReportedFringeTerms
};

PupilPlan MakePupilPlan(const SkewSetUp& design, double mirrorSemiDiameter,
                        const PupilSampling& sampling = {});

struct PupilWavefront {
  bool ok = false;
  std::string why;            // why the wavefront could not be measured
  std::vector<double> waves;  // per pupil point, waves, area-weighted mean 0
  double pvWaves = 0;
  double rmsWaves = 0;
  Vec3 referencePoint;  // the best reference point, inches
};

// The wavefront of `setUp` at the plan's pupil points, about its best
// reference point. With a baseline (one value per point, waves), the
// wavefront measured is the set-up's minus the baseline, about the reference
// point that makes that difference least: the change a build error makes
// after the user has refocused.
PupilWavefront MeasurePupilWavefront(const PupilPlan& plan, const SkewSetUp& setUp,
                                     double wavelengthMicrons,
                                     const std::vector<double>* baseline = nullptr);

// Σ w·a·b over the pupil: with a = b, the mean square.
double PupilInnerProduct(const PupilPlan& plan, const std::vector<double>& a,
                         const std::vector<double>& b);

}  // namespace vn
