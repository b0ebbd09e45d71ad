// One-dimensional searches used by the exact check: a bracketed root finder
// for aiming rays and a bracketed minimiser for the best-focus point.
#pragma once

#include <functional>
#include <optional>

namespace vn {

// Brent's method (inverse quadratic interpolation and secant steps kept
// inside the bracket, bisection whenever they stall). f(a) and f(b) must have
// opposite signs or one of them be zero; otherwise nothing is returned. Ends
// when the bracket is narrower than xTolerance or f is exactly zero.
std::optional<double> FindRootBracketed(const std::function<double(double)>& f, double a, double b,
                                        double xTolerance, int maxIterations = 200);

// Minimum of a unimodal f on [a, b] by golden-section search narrowed to
// xTolerance, finished with one parabolic step through the last three points
// when that step stays inside the final bracket and does better.
double MinimiseBracketed(const std::function<double(double)>& f, double a, double b,
                         double xTolerance);

}  // namespace vn
