// One-dimensional searches used by the exact check: a bracketed root finder
// for aiming rays and a bracketed minimiser for the best-focus point and the
// wavefront's extremes.
//
// Both end on their own: on their tolerance, or after an iteration limit that
// is never reached in double precision (each step shrinks the bracket by a
// fixed factor at worst), or when the host's cancel flag is set.
#pragma once

#include <functional>
#include <optional>

#include "common/cancel_token.h"

namespace vn {

// Brent's method (inverse quadratic interpolation and secant steps kept
// inside the bracket, bisection whenever they stall). f(a) and f(b) must have
// opposite signs or one of them be zero; otherwise nothing is returned. Ends
// when the bracket is narrower than xTolerance or f is exactly zero; nothing
// after maxIterations steps or once *cancel is set.
std::optional<double> FindRootBracketed(const std::function<double(double)>& f, double a, double b,
                                        double xTolerance, int maxIterations = 200,
                                        const CancelToken* cancel = nullptr);

// Minimum of a unimodal f on [a, b] by golden-section search narrowed to
// xTolerance (at most 200 steps, enough to close any bracket of doubles),
// finished with one parabolic step through the last three points when that
// step stays inside the final bracket and does better. Once *cancel is set it
// returns the best point so far.
double MinimiseBracketed(const std::function<double(double)>& f, double a, double b,
                         double xTolerance, const CancelToken* cancel = nullptr);

}  // namespace vn
