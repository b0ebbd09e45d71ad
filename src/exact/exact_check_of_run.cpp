// The exact check of the set-up a run has just solved, read from its record.
#include "exact/exact_check_of_run.h"

namespace vn {

ExactCheckInput ExactCheckInputOf(const RunRecord& run) {
  ExactCheckInput in;
  in.system = run.system;
  in.objectDistance = run.solution.ObjectDistance;
  in.lensMirrorDistance = run.solution.LensMirrorDistance;
  in.wavelengthMicrons = run.inputs.TestWavelength;
  in.lensClearSemiDiameter = 0.5 * run.LensDiameter;
  in.inchUnits = run.inputs.inch;
  in.searchConverged = run.converged;
  return in;
}

}  // namespace vn
