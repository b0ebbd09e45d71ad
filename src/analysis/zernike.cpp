// Zernike polynomials in the Fringe order and their least-squares fit.
#include "analysis/zernike.h"

#include <cmath>

namespace vn {

namespace {

// Binomial coefficient C(n, k), exact for the degrees used here.
double Binomial(int n, int k) {
  double result = 1.0;
  for (int i = 1; i <= k; ++i) result = result * (n - k + i) / i;
  return result;
}

// (x + i·y)^m: its real part is ρ^m·cos(mθ), its imaginary part ρ^m·sin(mθ),
// with no angle and no division at the centre.
void ComplexPower(double x, double y, int m, double& re, double& im) {
  re = 1.0;
  im = 0.0;
  for (int k = 0; k < m; ++k) {
    const double nextRe = re * x - im * y;
    im = re * y + im * x;
    re = nextRe;
  }
}

// R_n^m(ρ)/ρ^m as a polynomial in u = ρ², by Horner's rule. The coefficients
// are (−1)^s·C(n−s, s)·C(n−2s, (n−m)/2 − s) (Born and Wolf, §9.2.1, written
// as a product of binomials so that no factorial overflows).
double RadialInSquare(int n, int m, double u) {
  const int top = (n - m) / 2;
  double sum = 0.0;
  for (int s = 0; s <= top; ++s) {
    const double sign = s % 2 == 0 ? 1.0 : -1.0;
    sum = sum * u + sign * Binomial(n - s, s) * Binomial(n - 2 * s, top - s);
  }
  return sum;
}

}  // namespace

ZernikeTerm FringeTerm(int zeroBasedIndex) {
  int group = 0;
  while ((group + 1) * (group + 1) <= zeroBasedIndex) ++group;
  const int position = zeroBasedIndex - group * group;
  ZernikeTerm term;
  if (position == 2 * group) {
    term.m = 0;
  } else {
    term.m = group - position / 2;
    term.sine = position % 2 == 1;
  }
  term.n = 2 * group - term.m;
  return term;
}

int FringeIndex(const ZernikeTerm& term) {
  const int group = (term.n + term.m) / 2;
  if (term.m == 0) return group * group + 2 * group;
  return group * group + 2 * (group - term.m) + (term.sine ? 1 : 0);
}

std::string ZernikeTermName(const ZernikeTerm& t) {
  const char* xy = t.sine ? " y" : " x";
  if (t.n == 0) return "piston";
  if (t.n == 1) return std::string("tilt") + xy;
  if (t.n == 2 && t.m == 0) return "defocus";
  if (t.n == 2) return t.sine ? "astigmatism 45°" : "astigmatism 0°";
  if (t.n == 3 && t.m == 1) return std::string("coma") + xy;
  if (t.n == 3) return std::string("trefoil") + xy;
  if (t.n == 4 && t.m == 0) return "spherical";
  if (t.n == 6 && t.m == 0) return "spherical 5th";
  if (t.n == 8 && t.m == 0) return "spherical 7th";
  if (t.n == 5 && t.m == 1) return std::string("coma 5th") + xy;
  if (t.n == 4 && t.m == 2) return t.sine ? "astigmatism 5th 45°" : "astigmatism 5th 0°";
  return "n=" + std::to_string(t.n) + " m=" + std::to_string(t.m) + (t.sine ? " sin" : " cos");
}

double ZernikeRadial(int n, int m, double rho) {
  double power = 1.0;
  for (int k = 0; k < m; ++k) power *= rho;
  return power * RadialInSquare(n, m, rho * rho);
}

double ZernikeValue(const ZernikeTerm& term, double x, double y) {
  double re = 0, im = 0;
  ComplexPower(x, y, term.m, re, im);
  return RadialInSquare(term.n, term.m, x * x + y * y) * (term.sine ? im : re);
}

double ZernikeSum(const std::vector<double>& coefficients, double x, double y) {
  double sum = 0.0;
  for (std::size_t j = 0; j < coefficients.size(); ++j) {
    sum += coefficients[j] * ZernikeValue(FringeTerm(static_cast<int>(j)), x, y);
  }
  return sum;
}

ZernikeFit::ZernikeFit(const std::vector<std::array<double, 2>>& points,
                       const std::vector<double>& weights, int termCount)
    : terms_(termCount), points_(points.size()) {
  if (termCount < 1 || points.size() != weights.size() ||
      points.size() < static_cast<std::size_t>(termCount)) {
    return;
  }
  const std::size_t N = points_;
  const std::size_t J = static_cast<std::size_t>(terms_);
  rootWeights_.resize(N);
  for (std::size_t i = 0; i < N; ++i) {
    if (!(weights[i] > 0.0)) return;
    rootWeights_[i] = std::sqrt(weights[i]);
  }

  // The weighted design matrix, column by column.
  householder_.assign(N * J, 0.0);
  for (std::size_t j = 0; j < J; ++j) {
    const ZernikeTerm term = FringeTerm(static_cast<int>(j));
    for (std::size_t i = 0; i < N; ++i) {
      householder_[j * N + i] = rootWeights_[i] * ZernikeValue(term, points[i][0], points[i][1]);
    }
  }

  // Householder QR (Golub and Van Loan, §5.2): each reflector zeroes one
  // column below the diagonal and stays in the column's place.
  beta_.assign(J, 0.0);
  r_.assign(J * J, 0.0);
  double largestDiagonal = 0.0;
  for (std::size_t k = 0; k < J; ++k) {
    double* v = &householder_[k * N];
    double norm = 0.0;
    for (std::size_t i = k; i < N; ++i) norm += v[i] * v[i];
    norm = std::sqrt(norm);
    if (norm == 0.0) return;
    const double alpha = v[k] > 0.0 ? -norm : norm;
    v[k] -= alpha;
    double vv = 0.0;
    for (std::size_t i = k; i < N; ++i) vv += v[i] * v[i];
    beta_[k] = 2.0 / vv;
    for (std::size_t j = k + 1; j < J; ++j) {
      double* a = &householder_[j * N];
      double dot = 0.0;
      for (std::size_t i = k; i < N; ++i) dot += v[i] * a[i];
      const double scale = beta_[k] * dot;
      for (std::size_t i = k; i < N; ++i) a[i] -= scale * v[i];
      r_[k * J + j] = a[k];
    }
    r_[k * J + k] = alpha;
    largestDiagonal = std::fmax(largestDiagonal, std::fabs(alpha));
  }
  // Terms the points cannot tell apart leave a diagonal element that is
  // rounding noise against the others.
  for (std::size_t k = 0; k < J; ++k) {
    if (std::fabs(r_[k * J + k]) <= 1e-10 * largestDiagonal) return;
  }
  ok_ = true;
}

std::vector<double> ZernikeFit::Fit(const std::vector<double>& values) const {
  if (!ok_ || values.size() != points_) return {};
  const std::size_t N = points_;
  const std::size_t J = static_cast<std::size_t>(terms_);
  std::vector<double> b(N);
  for (std::size_t i = 0; i < N; ++i) b[i] = rootWeights_[i] * values[i];

  // Qᵀ·b, one reflector at a time.
  for (std::size_t k = 0; k < J; ++k) {
    const double* v = &householder_[k * N];
    double dot = 0.0;
    for (std::size_t i = k; i < N; ++i) dot += v[i] * b[i];
    const double scale = beta_[k] * dot;
    for (std::size_t i = k; i < N; ++i) b[i] -= scale * v[i];
  }

  // R·c = (Qᵀ·b) by back substitution.
  std::vector<double> c(J);
  for (std::size_t k = J; k-- > 0;) {
    double sum = b[k];
    for (std::size_t j = k + 1; j < J; ++j) sum -= r_[k * J + j] * c[j];
    c[k] = sum / r_[k * J + k];
  }
  return c;
}

}  // namespace vn
