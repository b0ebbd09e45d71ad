// Bracketed root finding and minimisation in one variable.
#include "exact/scalar_search.h"

#include <cmath>
#include <utility>

#include "common/cancel_token.h"

namespace vn {

std::optional<double> FindRootBracketed(const std::function<double(double)>& f, double a, double b,
                                        double xTolerance, int maxIterations,
                                        const CancelToken* cancel) {
  double fa = f(a);
  double fb = f(b);
  if (!std::isfinite(fa) || !std::isfinite(fb)) return std::nullopt;
  if (fa == 0.0) return a;
  if (fb == 0.0) return b;
  if ((fa > 0) == (fb > 0)) return std::nullopt;

  // b is the best estimate, a the previous one, c the point that keeps the
  // root bracketed with b (Brent 1973, "Algorithms for Minimization without
  // Derivatives", ch. 4).
  double c = a, fc = fa;
  double step = b - a, previousStep = step;
  for (int i = 0; i < maxIterations; ++i) {
    if (CancelRequested(cancel)) return std::nullopt;
    if ((fb > 0) == (fc > 0)) {
      c = a;
      fc = fa;
      step = previousStep = b - a;
    }
    if (std::fabs(fc) < std::fabs(fb)) {
      a = b;
      b = c;
      c = a;
      fa = fb;
      fb = fc;
      fc = fa;
    }
    const double tolerance = 0.5 * xTolerance;
    const double half = 0.5 * (c - b);
    if (std::fabs(half) <= tolerance || fb == 0.0) return b;

    if (std::fabs(previousStep) >= tolerance && std::fabs(fa) > std::fabs(fb)) {
      // Interpolate: secant through two points, inverse quadratic through three.
      double p, q;
      const double s = fb / fa;
      if (a == c) {
        p = 2.0 * half * s;
        q = 1.0 - s;
      } else {
        const double qa = fa / fc;
        const double r = fb / fc;
        p = s * (2.0 * half * qa * (qa - r) - (b - a) * (r - 1.0));
        q = (qa - 1.0) * (r - 1.0) * (s - 1.0);
      }
      if (p > 0) q = -q;
      p = std::fabs(p);
      // Accept the step only if it falls well inside the bracket and shrinks
      // faster than bisection would.
      if (2.0 * p <
          std::fmin(3.0 * half * q - std::fabs(tolerance * q), std::fabs(previousStep * q))) {
        previousStep = step;
        step = p / q;
      } else {
        step = half;
        previousStep = step;
      }
    } else {
      step = half;
      previousStep = step;
    }
    a = b;
    fa = fb;
    if (std::fabs(step) > tolerance) {
      b += step;
    } else {
      b += half > 0 ? tolerance : -tolerance;
    }
    fb = f(b);
    if (!std::isfinite(fb)) return std::nullopt;
  }
  return std::nullopt;
}

double MinimiseBracketed(const std::function<double(double)>& f, double a, double b,
                         double xTolerance, const CancelToken* cancel) {
  if (b < a) std::swap(a, b);
  // Each step keeps 0.618 of the bracket: 200 steps shrink it by 1e-42, past
  // the spacing of doubles for any bracket that is itself a finite number.
  constexpr int kMaxSteps = 200;
  const double golden = 0.6180339887498949;  // (√5 − 1)/2
  double x1 = b - golden * (b - a);
  double x2 = a + golden * (b - a);
  double f1 = f(x1);
  double f2 = f(x2);
  for (int step = 0; step < kMaxSteps && b - a > xTolerance; ++step) {
    if (CancelRequested(cancel)) return f1 <= f2 ? x1 : x2;
    if (f1 <= f2) {
      b = x2;
      x2 = x1;
      f2 = f1;
      x1 = b - golden * (b - a);
      f1 = f(x1);
    } else {
      a = x1;
      x1 = x2;
      f1 = f2;
      x2 = a + golden * (b - a);
      f2 = f(x2);
    }
  }
  double best = f1 <= f2 ? x1 : x2;
  double fBest = f1 <= f2 ? f1 : f2;

  // A smooth minimum is a parabola near its bottom: one interpolation step
  // through the two inner points and the bracket's midpoint sharpens it.
  const double xm = 0.5 * (a + b);
  const double fm = f(xm);
  if (fm < fBest) {
    best = xm;
    fBest = fm;
  }
  const double d1 = x1 - xm, d2 = x2 - xm;
  const double g1 = f1 - fm, g2 = f2 - fm;
  const double denominator = 2.0 * (d1 * g2 - d2 * g1);
  if (denominator != 0.0) {
    const double vertex = xm + (d1 * d1 * g2 - d2 * d2 * g1) / denominator;
    if (vertex > a && vertex < b) {
      const double fv = f(vertex);
      if (fv < fBest) best = vertex;
    }
  }
  return best;
}

}  // namespace vn
