// Checked arithmetic: the one way a failure reaches a run.
//
// Every floating-point result of the engine and the run is checked as it is
// made. A division by zero, an overflow to infinity or an invalid operation
// (0/0, the root of a negative number) throws RunFailure, which the run's top
// level turns into its single error report. Nothing is caught inside the
// engine. Checking each result (rather than reading the processor's sticky
// exception flags) keeps the behaviour identical under every optimiser.
#pragma once

#include <cmath>

#include "common/failure.h"

namespace vn {

// A result that must be a finite number: infinity means an overflow (or a
// division by zero already made), NaN an invalid operation.
inline double Finite(double x, const char* what = "arithmetic") {
  if (!std::isfinite(x)) throw RunFailure(FailureKind::Arithmetic, what);
  return x;
}

// a / b, failing on a zero divisor (0/0 is invalid, x/0 a division by zero)
// and on a quotient that overflows.
inline double Quotient(double a, double b, const char* what = "division") {
  if (b == 0.0) throw RunFailure(FailureKind::Arithmetic, what);
  return Finite(a / b, what);
}

}  // namespace vn
