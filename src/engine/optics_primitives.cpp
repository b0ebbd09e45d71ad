// Gauss quadrature rules on the Legendre polynomials.
#include "engine/optics_primitives.h"

#include <cstddef>

namespace vn {

namespace {

// Newton's method stops on a step this small, or after this many steps.
constexpr double kNewtonStep = 1e-16;
constexpr int kNewtonSteps = 100;

// P_n(x) and P_{n−1}(x) by Bonnet's recurrence
// k·P_k = (2k − 1)·x·P_{k−1} − (k − 1)·P_{k−2}.
struct LegendrePair {
  double pn, pnMinus1;
};

LegendrePair Legendre(int n, double x) {
  double previous = 1.0, current = x;
  for (int k = 2; k <= n; ++k) {
    const double next = ((2.0 * k - 1.0) * x * current - (k - 1.0) * previous) / k;
    previous = current;
    current = next;
  }
  return {current, previous};
}

}  // namespace

QuadratureRule GaussLegendreRule(int n) {
  // The roots of P_n, found by Newton's method from Tricomi's estimate
  // (Abramowitz & Stegun 25.4.29, Press et al. "Numerical Recipes" §4.6);
  // the weight of a root x is 2 / ((1 − x²)·P_n'(x)²). Newton converges in a
  // handful of steps from there. The roots lie in pairs ±x.
  QuadratureRule rule;
  const auto count = static_cast<std::size_t>(n);
  rule.nodes.assign(count, 0.0);
  rule.weights.assign(count, 0.0);
  for (int i = 0; i < (n + 1) / 2; ++i) {
    double x = std::cos(kPi * (i + 0.75) / (n + 0.5));
    double derivative = 1.0;
    for (int step = 0; step < kNewtonSteps; ++step) {
      const LegendrePair p = Legendre(n, x);
      derivative = n * (x * p.pn - p.pnMinus1) / (x * x - 1.0);
      const double dx = p.pn / derivative;
      x -= dx;
      if (std::fabs(dx) <= kNewtonStep) break;
    }
    const double w = 2.0 / ((1.0 - x * x) * derivative * derivative);
    const auto first = static_cast<std::size_t>(i), last = count - 1 - first;
    rule.nodes[first] = x;
    rule.nodes[last] = -x;
    rule.weights[first] = rule.weights[last] = w;
  }
  return rule;
}

QuadratureRule GaussLobattoRule(int n) {
  // The ends and the roots of P'_N (N = n − 1), found by Newton's method
  // from the Chebyshev–Lobatto points (the algorithm of Canuto et al.,
  // "Spectral Methods", §2.3); the weight of a node x is
  // 2 / (N·(N + 1)·P_N(x)²).
  const int N = n - 1;
  QuadratureRule rule;
  const auto count = static_cast<std::size_t>(n);
  rule.nodes.assign(count, 0.0);
  rule.weights.assign(count, 0.0);
  for (int k = 0; k <= N; ++k) {
    double x = std::cos(kPi * k / N);
    double pN = 1.0;  // P_N(x) at the last step
    for (int step = 0; step < kNewtonSteps; ++step) {
      const LegendrePair p = Legendre(N, x);
      pN = p.pn;
      const double change = (x * p.pn - p.pnMinus1) / ((N + 1.0) * p.pn);
      x -= change;
      if (std::fabs(change) <= kNewtonStep) break;
    }
    rule.nodes[static_cast<std::size_t>(k)] = x;
    rule.weights[static_cast<std::size_t>(k)] = 2.0 / (N * (N + 1.0) * pN * pN);
  }
  return rule;
}

}  // namespace vn
