#include "exact/exact_check_of_run.h"

namespace vn {

ExactCheckInput ExactCheckInputOf(const RunRecord& run) {
  ExactCheckInput in;
  in.system = run.system;
  in.objectDistance = run.solution.ObjectDistance;
  in.lensMirrorDistance = run.solution.LensMirrorDistance;
  in.wavelengthMicrons = run.setup.testWavelength;
  in.lensClearSemiDiameter = 0.5 * run.LensDiameter;
  in.inchUnits = run.setup.inch;
  in.searchConverged = run.converged;
  return in;
}

}  // namespace vn
