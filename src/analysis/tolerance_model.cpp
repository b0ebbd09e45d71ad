// Build errors of the set-up and their wavefront, traced exactly.
#include "analysis/tolerance_model.h"

#include <cmath>
#include <exception>

#include "common/constants.h"
#include "glass/glass_lookup.h"
#include "glass/glass_record.h"

namespace vn {

namespace {

// Step of the conic constant for the wavefront a conic error makes; its
// effect is so nearly linear that the central difference is exact to well
// below the wavefront's rounding.
constexpr double kConicStep = 0.01;

constexpr BuildParameterInfo kParameters[kBuildParameterCount] = {
    {"object_distance", "Source to lens", false},
    {"lens_mirror_distance", "Lens to mirror", false},
    {"lens_thickness", "Lens thickness", false},
    {"source_side_radius", "Source-side radius", false},
    {"mirror_side_radius", "Mirror-side radius", false},
    {"lens_index", "Lens index", false},
    {"wavelength", "Wavelength", false},
    {"lens_tilt", "Lens tilt", true},
    {"lens_decenter", "Lens decenter", true},
    {"source_offset", "Source off the axis", true},
};

double At(const std::array<double, kBuildParameterCount>& values, BuildParameter p) {
  return values[static_cast<std::size_t>(p)];
}

// A face's radius with an error: a curved face by a percentage of its
// radius, a flat face by fringes of power over the clear semi-diameter h at
// the test wavelength λ. A fringe is half a wave of sag, and the sag of a
// curvature c over h is c·h²/2, so F fringes are the curvature F·λ/h².
double RadiusWithError(double radius, double error, double clearSemiDiameter,
                       double wavelengthInches) {
  if (error == 0.0) return radius;
  if (!IsFlatRadius(radius)) return radius * (1.0 + error / 100.0);
  const double curvature = error * wavelengthInches / (clearSemiDiameter * clearSemiDiameter);
  return 1.0 / curvature;
}

}  // namespace

BuildParameterInfo ParameterInfo(BuildParameter parameter) {
  return kParameters[static_cast<std::size_t>(parameter)];
}

BuildParameter ParameterAt(int index) { return static_cast<BuildParameter>(index); }

ChangeUnit UnitOf(BuildParameter parameter, const SolvedSetUp& input) {
  switch (parameter) {
    case BuildParameter::ObjectDistance:
    case BuildParameter::LensMirrorDistance:
    case BuildParameter::LensThickness:
    case BuildParameter::LensDecenter:
    case BuildParameter::SourceOffset:
      return ChangeUnit::Length;
    case BuildParameter::SourceSideRadius:
      return IsFlatRadius(input.system.LensRadius1) ? ChangeUnit::Fringes : ChangeUnit::Percent;
    case BuildParameter::MirrorSideRadius:
      return IsFlatRadius(input.system.LensRadius2) ? ChangeUnit::Fringes : ChangeUnit::Percent;
    case BuildParameter::LensIndex:
      return ChangeUnit::Index;
    case BuildParameter::Wavelength:
      return ChangeUnit::Nanometres;
    case BuildParameter::LensTilt:
      return ChangeUnit::Degrees;
  }
  return ChangeUnit::Length;
}

double BuildTolerances::For(BuildParameter parameter, ChangeUnit unit) const {
  switch (parameter) {
    case BuildParameter::ObjectDistance:
      return objectDistance;
    case BuildParameter::LensMirrorDistance:
      return lensMirrorDistance;
    case BuildParameter::LensThickness:
      return lensThickness;
    case BuildParameter::SourceSideRadius:
    case BuildParameter::MirrorSideRadius:
      return unit == ChangeUnit::Fringes ? flatFringes : radiusPercent;
    case BuildParameter::LensIndex:
      return lensIndex;
    case BuildParameter::Wavelength:
      return wavelengthNm;
    case BuildParameter::LensTilt:
      return tiltDegrees;
    case BuildParameter::LensDecenter:
      return decenter;
    case BuildParameter::SourceOffset:
      return sourceOffset;
  }
  return 0.0;
}

BuildTolerances DefaultTolerances(bool inchUnits) {
  BuildTolerances t;
  const double length = inchFromUnit(1.0, inchUnits);  // inches per user unit
  const double small = inchUnits ? 0.004 : 0.1;        // 0.1 mm, about 0.004"
  t.objectDistance = small * length;
  t.lensMirrorDistance = (inchUnits ? 0.04 : 1.0) * length;
  t.lensThickness = small * length;
  t.radiusPercent = 0.1;
  t.flatFringes = 1.0;
  t.lensIndex = 0.0005;
  t.wavelengthNm = 0.0;
  t.tiltDegrees = 0.1;
  t.decenter = small * length;
  t.sourceOffset = small * length;
  return t;
}

double IndexChangePerMicron(const std::string& glassName, double wavelengthMicrons,
                            double lensIndex) {
  if (glassName.empty()) return 0.0;
  const auto found = FindGlass(glassName);
  if (!found) return 0.0;
  // Central difference over ±1 nm: the dispersion curve is smooth on that
  // scale, and the step is far above the formula's rounding. The index sent
  // by the refractive-index dialog is rounded to 5 decimals.
  constexpr double kStepNm = 1.0;
  constexpr double kSameIndex = 1e-4;
  const double nm = wavelengthMicrons * 1000.0;
  try {
    if (std::fabs(GlassIndex(*found->glass, nm) - lensIndex) > kSameIndex) return 0.0;
    const double above = GlassIndex(*found->glass, nm + kStepNm);
    const double below = GlassIndex(*found->glass, nm - kStepNm);
    return (above - below) / (2.0 * kStepNm / 1000.0);
  } catch (const std::exception&) {
    return 0.0;
  }
}

ToleranceModel::ToleranceModel(const SolvedSetUp& input, const PupilSampling& sampling)
    : input_(input) {
  // What the trace cannot start from; a set-up it can start but not follow
  // (a radius that is not a number, a lens the rays miss) it reports itself.
  const NullTestSystem& s = input.system;
  if (const std::string problem = SetUpProblem(input); !problem.empty()) {
    message_ = "the set-up is not one that can be traced: " + problem;
    return;
  }
  indexPerMicron_ = IndexChangePerMicron(input.glassName, input.wavelengthMicrons, s.LensIndex);

  const BuiltSetUp design = Build(BuildErrors{});
  plan_ = MakePupilPlan(MakeSkewSetUp(design.build), s.MirrorSemiDiameter, sampling);
  if (!plan_.ok) {
    message_ = plan_.why;
    return;
  }
  design_ = MeasurePupilWavefront(plan_, MakeSkewSetUp(design.build), input.wavelengthMicrons);
  if (!design_.ok) {
    message_ = design_.why;
    return;
  }

  // The wavefront a conic error makes, per unit of K, refocused.
  BuildErrors above, below;
  above.conicConstant = kConicStep;
  below.conicConstant = -kConicStep;
  const PupilWavefront up = MeasureChange(above);
  const PupilWavefront down = MeasureChange(below);
  if (!up.ok || !down.ok) {
    message_ = up.ok ? down.why : up.why;
    return;
  }
  perUnitConic_.resize(up.waves.size());
  for (std::size_t i = 0; i < up.waves.size(); ++i) {
    perUnitConic_[i] = (up.waves[i] - down.waves[i]) / (2.0 * kConicStep);
  }
  perUnitConicSquare_ = PupilInnerProduct(plan_, perUnitConic_, perUnitConic_);
  if (!(perUnitConicSquare_ > 0.0)) {
    message_ = "a change of the mirror's conic constant does not change the wavefront";
    return;
  }
  ok_ = true;
}

BuiltSetUp ToleranceModel::Build(const BuildErrors& e) const {
  using P = BuildParameter;
  BuiltSetUp built;
  AsBuilt& b = built.build;
  b.setUp = input_;
  b.setUp.objectDistance = input_.objectDistance + At(e.change, P::ObjectDistance);
  b.setUp.lensMirrorDistance = input_.lensMirrorDistance + At(e.change, P::LensMirrorDistance);
  b.setUp.system.LensThickness += At(e.change, P::LensThickness);

  // The wavelength, and the index it brings through the glass's dispersion.
  const double wavelengthChange = At(e.change, P::Wavelength) / 1000.0;
  built.wavelengthMicrons = input_.wavelengthMicrons + wavelengthChange;
  b.setUp.system.LensIndex += At(e.change, P::LensIndex) + indexPerMicron_ * wavelengthChange;

  // A flat face's fringes are counted at the design's test wavelength.
  const double wavelengthInches = input_.wavelengthMicrons / kMicronsPerInch;
  const double h = input_.lensClearSemiDiameter > 0.0 ? input_.lensClearSemiDiameter
                                                      : 0.5 * input_.system.MirrorSemiDiameter;
  b.setUp.system.LensRadius1 = RadiusWithError(
      input_.system.LensRadius1, At(e.change, P::SourceSideRadius), h, wavelengthInches);
  b.setUp.system.LensRadius2 = RadiusWithError(
      input_.system.LensRadius2, At(e.change, P::MirrorSideRadius), h, wavelengthInches);
  b.setUp.system.ConicPlusOne += e.conicConstant;

  // Alignment: the y–z part along the parameter, the x–z part across it.
  const double radiansPerDegree = kPi / 180.0;
  b.lensTiltX = At(e.change, P::LensTilt) * radiansPerDegree;
  b.lensTiltY = At(e.across, P::LensTilt) * radiansPerDegree;
  b.lensDecenterY = At(e.change, P::LensDecenter);
  b.lensDecenterX = At(e.across, P::LensDecenter);
  b.sourceOffsetY = At(e.change, P::SourceOffset);
  b.sourceOffsetX = At(e.across, P::SourceOffset);
  return built;
}

PupilWavefront ToleranceModel::Measure(const BuildErrors& errors) const {
  const BuiltSetUp built = Build(errors);
  return MeasurePupilWavefront(plan_, MakeSkewSetUp(built.build), built.wavelengthMicrons);
}

PupilWavefront ToleranceModel::MeasureChange(const BuildErrors& errors) const {
  const BuiltSetUp built = Build(errors);
  return MeasurePupilWavefront(plan_, MakeSkewSetUp(built.build), built.wavelengthMicrons,
                               &design_.waves);
}

double ToleranceModel::ApparentConicChange(const std::vector<double>& changeWaves) const {
  if (!ok_ || changeWaves.size() != perUnitConic_.size()) return 0.0;
  return PupilInnerProduct(plan_, changeWaves, perUnitConic_) / perUnitConicSquare_;
}

}  // namespace vn
