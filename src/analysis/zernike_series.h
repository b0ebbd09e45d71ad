// A Zernike sum in the Fringe order, prepared for evaluation at many points.
//
// ZernikeSum (zernike.h) works term by term and recomputes each term's
// radial coefficients at every point: right for a few points, too slow for a
// picture or a wavefront grid of a hundred thousand points. Here the
// coefficients are gathered once by azimuthal frequency: for each m the
// cosine terms and the sine terms of every radial degree add up to one
// polynomial in u = ρ², so that
//
//   W(x, y) = Σ_m [A_m(u)·Re((x + i·y)^m) + B_m(u)·Im((x + i·y)^m)],
//
// which costs one power of x + i·y and one Horner pass per polynomial at
// each point, whatever the number of terms.
#pragma once

#include <vector>

namespace vn {

class ZernikeSeries {
 public:
  // coefficients[j]: the zero-based Fringe term j (zernike.h), peak-normalised.
  explicit ZernikeSeries(const std::vector<double>& coefficients);

  // The sum at (x, y) on the unit disc (or beyond it, as the polynomials go).
  double At(double x, double y) const;

  // The rotationally symmetric part (the m = 0 terms) at radius ρ.
  double SymmetricAt(double rho) const;

 private:
  int largestM_ = -1;
  // Per m: the polynomial in u of the cosine terms and of the sine terms,
  // highest power first (Horner's order).
  std::vector<std::vector<double>> cosine_;
  std::vector<std::vector<double>> sine_;
};

}  // namespace vn
