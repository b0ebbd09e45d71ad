// Foucault zonal readings taken through the null, reduced to the mirror that
// returns them.
//
// The tester puts a Couder mask on the mirror and, looking through the null
// lens from beside the source, moves the knife along the axis until each
// zone darkens evenly: the knife then stands where that zone's returning
// rays cross the axis. A perfect mirror of the design's conic sends every
// zone's rays back through the same point (up to the lens's small residual);
// every spread of the readings beyond that is the mirror's own. This module
// finds the mirror whose exactly traced rays cross the axis where the knife
// was read.
//
// The mirror modelled: the design's vertex radius, a conic constant K (the
// design's plus ΔK), and a smooth departure beyond the conic in even powers
// of the normalised radius ρ = r / semi-diameter, starting at ρ⁶:
//   δ(ρ) = a₆·ρ⁶ + a₈·ρ⁸
// (height toward the incoming light). ρ⁴ is left to the conic, whose leading
// term it is, and ρ² to the readings' zero: a change of radius moves every
// zone's crossing by nearly the same length, which the unknown zero of the
// knife's scale takes up. Over a handful of zones ρ⁴, ρ⁶ and ρ⁸ look much
// alike, so a departure term fitted to reading scatter alone would trade
// with the conic and make its uncertainty tenfold: the reduction fits the
// conic with ρ⁶ and ρ⁸, and drops the last term while it does not lower the
// residuals significantly (an F-test at 99%), always leaving two readings
// over to measure the scatter (five zones allow ρ⁶, six and more ρ⁸).
//
// Each zone's ray is aimed once at its mean radius on the design's mirror
// through the lens as built; for a trial mirror it is carried from the lens
// to the trial surface (conic and departure, met by Newton's method), reflected
// about that surface's normal, refracted back through both faces of the lens,
// and its crossing with the axis is the predicted reading. A reading is
// modelled as the reading's unknown zero minus the crossing's z (the knife's
// scale grows away from the mirror, z toward it), and the unknowns (zero, ΔK,
// departure) are fitted by Gauss-Newton least squares with a Jacobian from
// central differences of those traces. The uncertainties are the fit's
// covariance scaled by the residuals' variance (residual sum of squares over
// the degrees of freedom left), widened by Student's t for those degrees of
// freedom so that ± the uncertainty is a 68% interval however few zones.
//
// The surface profile is the fitted mirror less the design's, as a height
// toward the light in nm, zero at the centre. The wavefront is twice it, with
// piston and focus (ρ²) removed over the mirror's area: what the mirror does
// to a star in use.
//
// Lengths are inches, the engine's unit; the text and JSON convert to the
// run's unit.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/cancel_token.h"
#include "exact/exact_check.h"
#include "record/solved_set_up.h"

namespace vn {

// One zone of the Couder mask and the knife's reading there, inches.
struct FoucaultReading {
  double zoneRadius = 0;  // the zone's mean radius on the mirror
  double knife = 0;       // along the axis, larger = farther from the mirror, any zero
};

// The largest number of departure terms (ρ⁶, ρ⁸) the reduction fits.
inline constexpr int kFoucaultDepartureTerms = 2;

// Radii of the profile: equal steps from the centre to the edge.
inline constexpr int kFoucaultProfileSteps = 20;

struct FoucaultZone {
  double zoneRadius = 0;      // inches
  double knife = 0;           // as read, inches
  double fromNull = 0;        // reading less a perfect mirror's, the mean difference removed
  double fitResidual = 0;     // reading less the fitted mirror's
  double perfectReading = 0;  // a perfect mirror's reading on the same zero as fromNull's
};

struct FoucaultProfilePoint {
  double radius = 0;     // on the mirror, inches
  double surfaceNm = 0;  // fitted mirror less the design's, toward the light
};

struct FoucaultReduction {
  bool ok = false;
  bool cancelled = false;
  std::string why;  // why there is no reduction, when !ok

  double objectDistance = 0;  // the set-up as built, inches
  double lensMirrorDistance = 0;
  // Where those distances come from, for the text (set by the host):
  // "the exact check's recommended distances", "as given", ...
  std::string setUpSource;
  double wavelengthMicrons = 0;
  double mirrorSemiDiameter = 0;

  double designConic = 0;
  double deltaK = kNotComputed;
  double conic = kNotComputed;
  double conicUncertainty = kNotComputed;  // 68% (one standard deviation)
  // Departure coefficients of ρ⁶, ρ⁸, … in nm, with their standard
  // deviations; as many as the zones allow.
  std::vector<double> departureNm, departureUncertaintyNm;
  int degreesOfFreedom = 0;
  double rmsResidual = kNotComputed;  // of the readings about the fit, inches
  int iterations = 0;

  std::vector<FoucaultZone> zones;  // as given, sorted from the centre out
  std::vector<FoucaultProfilePoint> profile;
  double surfacePvNm = kNotComputed;
  double wavefrontPvWaves = kNotComputed;
  double wavefrontRmsWaves = kNotComputed;
  double strehl = kNotComputed;
};

// Reduces the readings for the set-up `setUp` as built (its system, the
// distances the tester set, the wavelength; `cancel` stops the work at
// the next trace). Never throws: a reading that cannot be used, a zone
// whose ray does not come back through the lens, or a fit that does not
// settle comes back as ok = false with a message.
FoucaultReduction ReduceFoucaultReadings(const SolvedSetUp& setUp,
                                         std::vector<FoucaultReading> readings,
                                         const CancelToken* cancel = nullptr);

// The readings of a CSV file: a header line, then one zone a line, its mean
// radius on the mirror and the knife's reading, separated by a comma (or a
// semicolon or a tab), numbers with a point, in the run's unit as typed.
// Blank lines are skipped; a first line that reads as two numbers is a zone,
// not a header. `error` names the line that cannot be read.
struct FoucaultCsv {
  std::vector<FoucaultReading> readings;  // in the file's unit, not converted
  std::string why;                        // empty when every line was read
};
FoucaultCsv ReadFoucaultCsv(std::string_view text);

// Mean radii of `count` Couder zones of equal area on a mirror of this
// semi-diameter: zone k spans semi-diameter·√(k/count) to √((k+1)/count).
std::vector<double> CouderZoneRadii(double semiDiameter, int count);

// The reduction as the report's text block, lengths in the run's unit.
std::string FoucaultText(const FoucaultReduction& reduction, bool inchUnits);

// The block's figures alone, for a page that shows the zones and the profile
// in its own table and plot: the conic with its uncertainty, the departure,
// the readings' scatter, the surface P-V and the wavefront; or why there is
// no reduction.
std::string FoucaultFiguresText(const FoucaultReduction& reduction, bool inchUnits);

// The same figures as one JSON object, lengths in the run's unit.
std::string FoucaultJson(const FoucaultReduction& reduction, bool inchUnits);

}  // namespace vn
