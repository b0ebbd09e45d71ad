// A Zernike sum gathered into one polynomial in ρ² per azimuthal frequency.
#include "analysis/zernike_series.h"

#include <algorithm>

#include "analysis/zernike.h"

namespace vn {

namespace {

// Adds coefficient × R_n^m(ρ)/ρ^m, a polynomial in u = ρ² of degree
// j = (n − m)/2, to `polynomial` (lowest power first while it is built).
// The coefficient of u^(j−s) is a_s = (−1)^s·(n−s)! / (s!·(k−s)!·(j−s)!)
// with k = (n + m)/2 (Born and Wolf, §9.2.1), taken from a_0 = C(n, j) by
// the ratio a_{s+1}/a_s = −(k−s)(j−s) / ((s+1)(n−s)); each step multiplies
// before it divides, so every a_s comes out as the exact integer it is.
void AddRadial(int n, int m, double coefficient, std::vector<double>& polynomial) {
  const int j = (n - m) / 2, k = (n + m) / 2;
  if (static_cast<int>(polynomial.size()) < j + 1) polynomial.resize(j + 1, 0.0);
  double a = 1.0;
  for (int i = 1; i <= j; ++i) a = a * (k + i) / i;
  for (int s = 0; s <= j; ++s) {
    polynomial[j - s] += coefficient * a;
    if (s < j) a = a * -((k - s) * (j - s)) / ((s + 1) * (n - s));
  }
}

double Horner(const std::vector<double>& highestFirst, double u) {
  double sum = 0.0;
  for (double c : highestFirst) sum = sum * u + c;
  return sum;
}

}  // namespace

ZernikeSeries::ZernikeSeries(const std::vector<double>& coefficients) {
  for (std::size_t j = 0; j < coefficients.size(); ++j) {
    const ZernikeTerm term = FringeTerm(static_cast<int>(j));
    largestM_ = std::max(largestM_, term.m);
  }
  cosine_.assign(static_cast<std::size_t>(largestM_ + 1), {});
  sine_.assign(static_cast<std::size_t>(largestM_ + 1), {});
  for (std::size_t j = 0; j < coefficients.size(); ++j) {
    const ZernikeTerm term = FringeTerm(static_cast<int>(j));
    auto& polynomial = term.sine ? sine_[term.m] : cosine_[term.m];
    AddRadial(term.n, term.m, coefficients[j], polynomial);
  }
  for (auto& p : cosine_) std::reverse(p.begin(), p.end());
  for (auto& p : sine_) std::reverse(p.begin(), p.end());
}

double ZernikeSeries::At(double x, double y) const {
  const double u = x * x + y * y;
  double sum = 0.0;
  double re = 1.0, im = 0.0;  // (x + i·y)^m
  for (int m = 0; m <= largestM_; ++m) {
    if (m > 0) {
      const double nextRe = re * x - im * y;
      im = re * y + im * x;
      re = nextRe;
    }
    sum += Horner(cosine_[m], u) * re;
    if (m > 0) sum += Horner(sine_[m], u) * im;
  }
  return sum;
}

double ZernikeSeries::SymmetricAt(double rho) const {
  return largestM_ < 0 ? 0.0 : Horner(cosine_[0], rho * rho);
}

}  // namespace vn
