// Zernike polynomials in the Fringe order, and their least-squares fit to a
// wavefront sampled anywhere on the unit disc.
//
// Each term is R_n^m(ρ)·cos(mθ) or R_n^m(ρ)·sin(mθ) on the unit disc (ρ ≤ 1,
// θ from the x axis toward y), normalised to a peak of 1 as interferogram
// reports give them: R_n^m(1) = 1, so a coefficient is the term's amplitude
// at the edge of the pupil, in the wavefront's own unit.
//
// The Fringe order groups the terms by (n + m)/2; within a group m goes down
// from its largest value to 0, the cosine term before the sine term. Zero-
// based: 0 piston, 1 and 2 tilt, 3 defocus, 4 and 5 astigmatism, 6 and 7 coma,
// 8 primary spherical, ..., 15 the next spherical, 24, 35 and 48 those after.
// The first 36 are the classical Fringe set Z1–Z36; the order continues with
// the same rule, as 49-term interferogram files (the 37th term of the
// classical 37-term set, the n = 12 spherical, is index 48 here).
#pragma once

#include <array>
#include <string>
#include <vector>

namespace vn {

struct ZernikeTerm {
  int n = 0;          // radial degree
  int m = 0;          // azimuthal frequency, 0 ≤ m ≤ n, n − m even
  bool sine = false;  // sin(mθ) rather than cos(mθ)
};

// The term at a zero-based Fringe index (0 ≤ index).
ZernikeTerm FringeTerm(int zeroBasedIndex);

// The zero-based Fringe index of a term.
int FringeIndex(const ZernikeTerm& term);

// What an optician calls the term ("defocus", "coma y", "spherical 5th") or,
// beyond the named ones, "n=8 m=4 cos".
std::string ZernikeTermName(const ZernikeTerm& term);

// R_n^m(ρ), with R_n^m(1) = 1.
double ZernikeRadial(int n, int m, double rho);

// The term's value at (x, y) on the unit disc.
double ZernikeValue(const ZernikeTerm& term, double x, double y);

// Σ coefficient[j] · (term j in the Fringe order) at (x, y).
double ZernikeSum(const std::vector<double>& coefficients, double x, double y);

// A weighted least-squares fit of the first termCount Fringe terms to values
// at fixed points of the unit disc. The points and weights are fixed when the
// fit is made (a Householder QR factorisation of the weighted design matrix),
// so that each Fit costs only two passes over the data: made once for a
// pupil's rays, it fits thousands of wavefronts.
class ZernikeFit {
 public:
  // points: (x, y) on the unit disc; weights: each point's share of the
  // pupil's area (any positive scale). ok() is false when the points cannot
  // tell the terms apart (fewer points than terms, or all on too few rings
  // or spokes).
  ZernikeFit(const std::vector<std::array<double, 2>>& points, const std::vector<double>& weights,
             int termCount);

  bool ok() const { return ok_; }
  int termCount() const { return terms_; }

  // The coefficients (Fringe order) that minimise Σ w·(value − fit)², or an
  // empty vector when !ok() or the value count is wrong.
  std::vector<double> Fit(const std::vector<double>& values) const;

 private:
  int terms_ = 0;
  std::size_t points_ = 0;
  bool ok_ = false;
  std::vector<double> rootWeights_;  // √w per point
  std::vector<double> householder_;  // column-major, points_ × terms_: the reflectors below R
  std::vector<double> beta_;         // 2 / |v|² of each reflector
  std::vector<double> r_;            // upper triangle of R, row-major terms_ × terms_
};

}  // namespace vn
