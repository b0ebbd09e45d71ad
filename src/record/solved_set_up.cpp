// The one validity check of a solved set-up, and the set-up of a run.
#include "record/solved_set_up.h"

#include <cmath>

#include "record/run_record.h"

namespace vn {

std::string SetUpProblem(const SolvedSetUp& setUp) {
  const NullTestSystem& s = setUp.system;
  const double numbers[] = {s.MirrorSemiDiameter,
                            s.MirrorRadius,
                            s.ConicPlusOne,
                            s.LensThickness,
                            s.LensIndex,
                            setUp.objectDistance,
                            setUp.lensMirrorDistance,
                            setUp.wavelengthMicrons,
                            setUp.lensClearSemiDiameter};
  for (double x : numbers) {
    if (!std::isfinite(x)) return "an entry is not a finite number";
  }
  if (!(s.MirrorSemiDiameter > 0.0)) return "the mirror diameter must be positive";
  if (s.MirrorRadius == 0.0) return "the mirror radius must not be zero";
  if (s.LensRadius1 == 0.0 || s.LensRadius2 == 0.0) return "a lens radius must not be zero";
  if (!(s.LensThickness >= 0.0)) return "the lens thickness must not be negative";
  if (!(s.LensIndex > 0.0)) return "the lens index must be positive";
  if (!(setUp.objectDistance > 0.0)) return "the object distance must be positive";
  if (!(setUp.lensMirrorDistance > 0.0)) return "the lens-to-mirror distance must be positive";
  if (!(setUp.wavelengthMicrons > 0.0)) return "the wavelength must be positive";
  return {};
}

SolvedSetUp SolvedSetUpOf(const RunRecord& run) {
  SolvedSetUp setUp;
  setUp.system = run.system;
  setUp.objectDistance = run.solution.ObjectDistance;
  setUp.lensMirrorDistance = run.solution.LensMirrorDistance;
  setUp.wavelengthMicrons = run.setup.testWavelength;
  setUp.lensClearSemiDiameter = 0.5 * run.LensDiameter;
  setUp.glassName = run.setup.glassName;
  setUp.inchUnits = run.setup.inch;
  setUp.searchConverged = run.converged;
  setUp.hasRunDistances = run.solved;
  return setUp;
}

}  // namespace vn
