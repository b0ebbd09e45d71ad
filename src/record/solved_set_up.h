// One solved null-test set-up, as every analysis of it reads it: the exact
// check and its verdict, the tolerances, the tester's view and the lens
// chooser. It comes from a run's record (SolvedSetUpOf) or from the chooser's
// candidates, and is checked in one place (SetUpProblem) before it is traced.
//
// Lengths are engine inches; inchUnits says how they are shown.
#pragma once

#include <string>

#include "common/constants.h"
#include "engine/null_test_engine.h"

namespace vn {

struct RunRecord;

struct SolvedSetUp {
  NullTestSystem system;          // the mirror and the lens
  double objectDistance = 0;      // D, source to the lens's source-side vertex
  double lensMirrorDistance = 0;  // d2, lens's mirror-side vertex to the mirror's vertex
  double wavelengthMicrons = kHeNeWavelengthMicrons;  // test wavelength
  double lensClearSemiDiameter = 0;                   // half the lens's clear diameter
  std::string glassName;   // catalog glass of the lens, for its dispersion ("" unknown)
  bool inchUnits = false;  // the run's unit, for messages and the verdict
  // The run's spacing search met its tolerance (it was not stopped by a key
  // press or the command line's timeout).
  bool searchConverged = true;
  // The run reached its results: objectDistance and lensMirrorDistance are
  // its distances. Without them (the search's arithmetic failed) only the
  // exact null is sought, from its own start.
  bool hasRunDistances = true;
};

// Why `setUp` cannot be traced ("the object distance must be positive"), or
// an empty text. A lens radius may be infinite (a flat face); one that is not
// a number is left to the trace, which says which ray it loses.
std::string SetUpProblem(const SolvedSetUp& setUp);

// The set-up a run solved: its distances, the lens's clear semi-diameter
// (half its entered diameter), the run's glass, wavelength and unit, and
// whether its search converged.
SolvedSetUp SolvedSetUpOf(const RunRecord& run);

}  // namespace vn
