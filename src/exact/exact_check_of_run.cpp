#include "exact/exact_check_of_run.h"

namespace vn {

ExactCheckInput ExactCheckInputOf(const RunSummary& run, double wavelengthMicrons) {
  ExactCheckInput in;
  in.system = run.system;
  in.objectDistance = run.objectDistance;
  in.lensMirrorDistance = run.lensMirrorDistance;
  in.wavelengthMicrons = wavelengthMicrons;
  in.lensClearSemiDiameter = 0.5 * run.lensDiameter;
  in.inchUnits = run.inch;
  in.searchConverged = run.converged;
  return in;
}

}  // namespace vn
