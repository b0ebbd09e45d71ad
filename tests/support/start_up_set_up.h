// The program's start-up set-up for the tests and the benchmarks, read from
// the window's own start-up entries (record/start_up_entries.h) with the
// run's own conversion to engine inches, so that it is typed once: a
// 317.5 mm paraboloid of radius 2540 mm with an 80 mm plano-convex BK7 lens
// (flat toward the source, -206 mm toward the mirror, 15 mm thick) at
// 632.8 nm, at the distances the run's report gives for it.
#pragma once

#include <string>

#include "analysis/tolerance_model.h"
#include "common/number_text.h"
#include "design/lens_candidate.h"
#include "exact/exact_check.h"
#include "record/run_units.h"
#include "record/solved_set_up.h"
#include "record/start_up_entries.h"

namespace vn::test {

// One millimetre in engine inches.
inline constexpr double kMm = inchFromMm(1.0);

// The distances the run reports for the start-up set-up, in millimetres.
inline constexpr double kStartUpObjectDistanceMm = 204.817;
inline constexpr double kStartUpLensMirrorDistanceMm = 2076.366;

// A start-up entry as the millimetre run reads it (lengths in inches).
inline double StartUpValue(Entry entry) { return *ReadNumber(StartUpEntry(entry)); }
inline double StartUpLength(Entry entry) {
  return RunUnits::Mm().EngineFromEntered(StartUpValue(entry));
}

// The mirror and the lens as the run builds them from the start-up entries.
inline NullTestSystem StartUpSystem() {
  NullTestSystem s;
  s.MirrorSemiDiameter = StartUpLength(Entry::MirrorDiameter) * 0.5;
  s.MirrorRadius = -StartUpLength(Entry::MirrorRadiusOfCurvature);
  s.ConicPlusOne = StartUpValue(Entry::ConicConstant) + 1.0;
  s.LensRadius1 = StartUpLength(Entry::SourceSideRadius);
  s.LensRadius2 = StartUpLength(Entry::MirrorSideRadius);
  s.LensThickness = StartUpLength(Entry::CentreThickness);
  s.LensIndex = StartUpValue(Entry::LensIndex);
  return s;
}

// The solved set-up at the report's distances, as the exact check reads it.
// `mirrorDiameterMm` lets a test tell several checks apart.
inline SolvedSetUp StartUpExactInput(double mirrorDiameterMm = 0) {
  SolvedSetUp in;
  in.system = StartUpSystem();
  if (mirrorDiameterMm > 0) in.system.MirrorSemiDiameter = mirrorDiameterMm / 2 * kMm;
  in.objectDistance = kStartUpObjectDistanceMm * kMm;
  in.lensMirrorDistance = kStartUpLensMirrorDistanceMm * kMm;
  in.wavelengthMicrons = kStartUpWavelengthMicrons;
  in.lensClearSemiDiameter = StartUpLength(Entry::LensDiameter) * 0.5;
  return in;
}

// The same set-up as the tolerance analysis reads it: with the lens's glass,
// for its dispersion.
inline SolvedSetUp StartUpToleranceInput() {
  SolvedSetUp in = StartUpExactInput();
  in.glassName = kStartUpGlass;
  return in;
}

// Its tolerance model, built once for a test program.
inline const ToleranceModel& StartUpToleranceModel() {
  static const ToleranceModel model(StartUpToleranceInput());
  return model;
}

// The lens chooser's view of it: the mirror alone, and the lens.
inline NullTestSystem StartUpMirror() {
  const NullTestSystem s = StartUpSystem();
  NullTestSystem mirror;
  mirror.MirrorSemiDiameter = s.MirrorSemiDiameter;
  mirror.MirrorRadius = s.MirrorRadius;
  mirror.ConicPlusOne = s.ConicPlusOne;
  return mirror;
}

// A lens from its radii, thickness and diameter in millimetres (9e99 flat).
inline LensPrescription LensMm(double sourceRadius, double mirrorRadius, double thickness,
                               double diameter, double index = StartUpValue(Entry::LensIndex)) {
  LensPrescription lens;
  lens.sourceRadius = sourceRadius == 9e99 ? 9e99 : sourceRadius * kMm;
  lens.mirrorRadius = mirrorRadius == 9e99 ? 9e99 : mirrorRadius * kMm;
  lens.thickness = thickness * kMm;
  lens.diameter = diameter * kMm;
  lens.index = index;
  return lens;
}

inline LensPrescription StartUpLens() {
  return LensMm(StartUpValue(Entry::SourceSideRadius), StartUpValue(Entry::MirrorSideRadius),
                StartUpValue(Entry::CentreThickness), StartUpValue(Entry::LensDiameter));
}

}  // namespace vn::test
