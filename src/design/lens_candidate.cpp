// Judging one candidate lens, and the order candidates rank in.
#include "design/lens_candidate.h"

#include <algorithm>
#include <cmath>

#include "common/constants.h"
#include "common/number_text.h"
#include "engine/optics_primitives.h"
#include "exact/exact_check.h"

namespace vn {

namespace {

// The residual as it is compared: rounded as shown, nothing known last.
double ResidualKey(const CandidateFigures& f) {
  return std::isfinite(f.pvWaves) ? Round(f.pvWaves, 3) : HUGE_VAL;
}

double MarginKey(const CandidateFigures& f) {
  return std::isfinite(f.margin) ? f.margin : -HUGE_VAL;
}

}  // namespace

LensPrescription Reversed(const LensPrescription& lens) {
  LensPrescription turned = lens;
  // Turning the lens round swaps its faces, and each face's centre of
  // curvature moves to the other side of it.
  turned.sourceRadius = IsFlatRadius(lens.mirrorRadius) ? kFlatFaceRadius : -lens.mirrorRadius;
  turned.mirrorRadius = IsFlatRadius(lens.sourceRadius) ? kFlatFaceRadius : -lens.sourceRadius;
  return turned;
}

NullTestSystem SetUpWith(const NullTestSystem& mirror, const LensPrescription& lens) {
  NullTestSystem system = mirror;
  system.LensRadius1 = lens.sourceRadius;
  system.LensRadius2 = lens.mirrorRadius;
  system.LensThickness = lens.thickness;
  system.LensIndex = lens.index;
  return system;
}

double ThinLensFocalLength(const LensPrescription& lens) {
  // 1/r of a face typed 9e99 is 1e-100, not 0: a flat face adds nothing to
  // the other's curvature either way.
  return 1.0 / ThinLensPower(1.0 / lens.sourceRadius, 1.0 / lens.mirrorRadius, lens.index);
}

std::string ShapeWords(const LensPrescription& lens) {
  const double c1 = CurvatureFromRadius(lens.sourceRadius);
  const double c2 = CurvatureFromRadius(lens.mirrorRadius);
  // A face bulges toward the source when its centre lies toward the mirror.
  if (c1 == 0.0 && c2 == 0.0) return "flat plate";
  if (c1 == 0.0)
    return c2 < 0.0 ? "plano-convex, flat toward the source"
                    : "plano-concave, flat toward the source";
  if (c2 == 0.0)
    return c1 > 0.0 ? "plano-convex, flat toward the mirror"
                    : "plano-concave, flat toward the mirror";
  if (c1 > 0.0 && c2 < 0.0) return "biconvex";
  if (c1 < 0.0 && c2 > 0.0) return "biconcave";
  const bool positive = c1 - c2 > 0.0;
  return std::string(positive ? "positive" : "negative") + " meniscus, hollow toward the " +
         (c1 < 0.0 ? "source" : "mirror");
}

const char* CandidateFitCode(CandidateFit fit) {
  switch (fit) {
    case CandidateFit::Fits:
      return "fits";
    case CandidateFit::Tight:
      return "tight";
    case CandidateFit::CannotNull:
      break;
  }
  return "cannot_null";
}

CandidateFigures EvaluateCandidate(const NullTestSystem& mirror, const LensPrescription& lens,
                                   const ChooserConditions& conditions) {
  CandidateConditions solveConditions;
  solveConditions.wavelengthMicrons = conditions.wavelengthMicrons;
  solveConditions.inchUnits = conditions.inchUnits;
  solveConditions.searchSteps = conditions.searchSteps;
  solveConditions.cancel = conditions.cancel;
  const CandidateSolution solution =
      SolveCandidate(SetUpWith(mirror, lens), lens.diameter, solveConditions);

  CandidateFigures f;
  f.cancelled = solution.cancelled;
  f.verdict = solution.nullVerdict;
  f.clearAperture = conditions.clearApertureFraction * lens.diameter;
  const auto& null = solution.check.exactNull;
  f.nullFound = solution.solved && null.converged && std::isfinite(null.pvWaves);
  if (!f.nullFound) return f;

  f.objectDistance = null.objectDistance;
  f.lensMirrorDistance = null.lensMirrorDistance;
  f.sourceToMirror = null.objectDistance + lens.thickness + null.lensMirrorDistance;
  double widest = 0.0;
  for (double h : null.lensHeights) widest = std::max(widest, std::fabs(h));
  f.workingDiameter = 2.0 * widest;
  f.margin = f.clearAperture - f.workingDiameter;
  f.pvWaves = null.pvWaves;
  f.rmsWaves = null.rmsWaves;
  f.strehl = null.strehl;
  if (f.verdict.status == VerdictStatus::NotANull) return f;

  // It nulls the mirror; does it fit the lens's clear aperture and the room?
  const auto length = [&](double inches) { return RunLengthText(inches, conditions.inchUnits); };
  if (!(f.margin >= 0.0)) {
    f.shortfall += -f.margin / f.clearAperture;
    f.notes.push_back("The beam is " + length(f.workingDiameter) +
                      " wide on the lens, wider than its clear aperture of " +
                      length(f.clearAperture) + " (" +
                      GeneralNumber(Round(100.0 * conditions.clearApertureFraction, 1)) + "% of " +
                      length(lens.diameter) + ").");
  }
  if (conditions.minSourceToLens > 0.0 && f.objectDistance < conditions.minSourceToLens) {
    f.shortfall += 1.0 - f.objectDistance / conditions.minSourceToLens;
    f.notes.push_back("The source stands " + length(f.objectDistance) +
                      " from the lens, nearer than the " + length(conditions.minSourceToLens) +
                      " you need.");
  }
  if (conditions.maxSourceToMirror > 0.0 && f.sourceToMirror > conditions.maxSourceToMirror) {
    f.shortfall += f.sourceToMirror / conditions.maxSourceToMirror - 1.0;
    f.notes.push_back("The source stands " + length(f.sourceToMirror) +
                      " from the mirror, further than the " + length(conditions.maxSourceToMirror) +
                      " you have.");
  }
  f.fit = f.notes.empty() ? CandidateFit::Fits : CandidateFit::Tight;
  return f;
}

bool RanksBefore(const CandidateFigures& a, const CandidateFigures& b) {
  if (a.fit != b.fit) return a.fit < b.fit;
  const double ra = ResidualKey(a), rb = ResidualKey(b);
  if (ra != rb) return ra < rb;
  return MarginKey(a) > MarginKey(b);
}

}  // namespace vn
