// The build errors of a null-test set-up and what they do to its wavefront.
//
// A user builds the design's set-up with a tape measure, a lens whose
// thickness, radii and index are catalogue or workshop figures, a lens cell
// that is never quite square to the axis and a source placed by hand. Each of
// these is a build parameter; a build error is its departure from the design.
// The model traces the set-up as built exactly over the whole mirror
// (pupil_wavefront.h) and measures the wavefront after the user refocuses.
//
// Units: the engine's inches inside; each parameter's change is given in the
// unit a user sets it in (ChangeUnit), and the hosts show lengths in the
// run's unit.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/pupil_wavefront.h"
#include "analysis/skew_trace.h"
#include "common/constants.h"
#include "engine/null_test_engine.h"
#include "engine/optics_primitives.h"
#include "exact/exact_check.h"

namespace vn {

// The set-up a run has solved, as the tolerance analysis takes it.
enum class BuildParameter : std::uint8_t {
  ObjectDistance,      // source to the lens's source-side vertex
  LensMirrorDistance,  // lens's mirror-side vertex to the mirror
  LensThickness,
  SourceSideRadius,
  MirrorSideRadius,
  LensIndex,
  Wavelength,    // with the index it brings through the glass's dispersion
  LensTilt,      // the lens turned about its centre
  LensDecenter,  // the lens moved across the axis
  SourceOffset,  // the source moved across the axis
};
inline constexpr int kBuildParameterCount = 10;

// The unit of a parameter's change.
enum class ChangeUnit : std::uint8_t {
  Length,      // inches inside, the run's unit outside
  Percent,     // of a curved face's radius
  Fringes,     // of power over the lens's clear diameter, for a flat face
  Index,       // refractive index
  Nanometres,  // of wavelength
  Degrees,     // of tilt
};

struct BuildParameterInfo {
  const char* key;    // JSON and CSV name, e.g. "lens_mirror_distance"
  const char* label;  // for the report, e.g. "Lens to mirror"
  bool acrossAxis;    // an alignment error with a direction across the axis
};

BuildParameterInfo ParameterInfo(BuildParameter parameter);
BuildParameter ParameterAt(int index);

// The unit a parameter's change is given in for this design (a radius:
// percent when curved, fringes of power when flat).
ChangeUnit UnitOf(BuildParameter parameter, const SolvedSetUp& input);

// The errors of one set-up, each in its parameter's change unit. For the
// three alignment errors `change` is the part in the y–z plane (tilt about
// x, decenter and offset along y) and `across` the part in the x–z plane
// (tilt about y, decenter and offset along x).
struct BuildErrors {
  std::array<double, kBuildParameterCount> change{};
  std::array<double, kBuildParameterCount> across{};
  double conicConstant = 0;  // a change of the mirror's K (not a build error)

  static BuildErrors Single(BuildParameter parameter, double amount) {
    BuildErrors errors;
    errors.change[static_cast<std::size_t>(parameter)] = amount;
    return errors;
  }
};

// The tolerance (±) a user gives each parameter, in its change unit. A
// curved radius takes `radiusPercent`, a flat face `flatFringes`.
struct BuildTolerances {
  double objectDistance = 0;      // inches
  double lensMirrorDistance = 0;  // inches
  double lensThickness = 0;       // inches
  double radiusPercent = 0;
  double flatFringes = 0;
  double lensIndex = 0;
  double wavelengthNm = 0;
  double tiltDegrees = 0;
  double decenter = 0;      // inches
  double sourceOffset = 0;  // inches

  double For(BuildParameter parameter, ChangeUnit unit) const;
};

// The defaults, round figures in the user's unit: ±0.1 mm (0.004") source
// distance, ±1 mm (0.04") spacing, ±0.1 mm (0.004") thickness, ±0.1 % radii,
// ±1 fringe of power on a flat, ±0.0005 index, the wavelength exact, ±0.1°
// tilt, ±0.1 mm (0.004") decenter and source offset.
BuildTolerances DefaultTolerances(bool inchUnits);

// The set-up as built, and the wavelength it is tested at.
struct BuiltSetUp {
  AsBuilt build;
  double wavelengthMicrons = 0;
};

// Change of the lens's index per micron of wavelength from the catalog glass
// of that name, by a central difference of its dispersion formula; 0 when
// the glass is not in the catalogs, or when the lens's index is not that
// glass's at the wavelength (an index typed by hand), as then its
// dispersion is not known.
double IndexChangePerMicron(const std::string& glassName, double wavelengthMicrons,
                            double lensIndex);

class ToleranceModel {
 public:
  // Plans the pupil on the design's set-up and measures its wavefront and
  // the wavefront of a change of the mirror's conic constant.
  explicit ToleranceModel(const SolvedSetUp& input, const PupilSampling& sampling = {});

  bool ok() const { return ok_; }
  const std::string& message() const { return message_; }
  const SolvedSetUp& input() const { return input_; }
  const PupilPlan& plan() const { return plan_; }
  const PupilWavefront& design() const { return design_; }
  // dn/dλ per micron of the lens glass (0: its dispersion is not known).
  double indexPerMicron() const { return indexPerMicron_; }
  double conicConstant() const { return input_.system.ConicPlusOne - 1.0; }

  BuiltSetUp Build(const BuildErrors& errors) const;

  // The set-up's wavefront about its best reference point.
  PupilWavefront Measure(const BuildErrors& errors) const;
  // What the errors change in the wavefront after the user refocuses: the
  // set-up's wavefront minus the design's, about the reference point that
  // makes the difference least.
  PupilWavefront MeasureChange(const BuildErrors& errors) const;

  // The change of the mirror's conic constant a user would read from a
  // wavefront change (per pupil point, waves): the least-squares projection
  // on the change that a conic error itself makes, so that a build error
  // reads as "the mirror looks like K + this". Coma, astigmatism and the like
  // have no part in it.
  double ApparentConicChange(const std::vector<double>& changeWaves) const;

 private:
  SolvedSetUp input_;
  bool ok_ = false;
  std::string message_;
  double indexPerMicron_ = 0;
  PupilPlan plan_;
  PupilWavefront design_;
  std::vector<double> perUnitConic_;  // waves per unit of K, refocused
  double perUnitConicSquare_ = 0;
};

}  // namespace vn
