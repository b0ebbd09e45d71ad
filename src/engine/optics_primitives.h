// Optics primitives every stage shares, one place for each formula: the
// curvature of a face and the flat face, the sag of a conic surface, a lens's
// edge thickness, thin- and thick-lens power, and Gauss quadrature on the
// Legendre polynomials. Lengths in any one unit; radii signed, positive when
// the centre of curvature lies toward the mirror.
#pragma once

#include <cmath>
#include <limits>
#include <vector>

#include "common/constants.h"

namespace vn {

// ---- Faces -----------------------------------------------------------------------

// A face typed with a radius longer than kFlatRadius (9e99) is flat.
inline bool IsFlatRadius(double radius) { return std::fabs(radius) > kFlatRadius; }

// Curvature of a face of signed radius; exactly 0 for a flat face.
inline double CurvatureFromRadius(double radius) {
  return IsFlatRadius(radius) ? 0.0 : 1.0 / radius;
}

// Sag z of a conic surface of curvature c and conic constant k at height h,
// from its vertex, positive toward the mirror:
//   z = c·h² / (1 + √(1 − (k + 1)·c²·h²)).
// The root sits in the denominator so that the sag stays accurate as the
// curvature goes to zero and holds for a paraboloid ((k + 1) = 0). NaN past
// the surface's own reach ((k + 1)·c²·h² > 1); at the reach of a sphere, its
// semi-diameter, the sag is the radius.
inline double ConicSag(double curvature, double conicPlusOne, double height) {
  const double ch = curvature * height;
  const double reach = conicPlusOne * ch * ch;
  if (reach > 1.0) return std::numeric_limits<double>::quiet_NaN();
  return curvature * height * height / (1.0 + std::sqrt(1.0 - reach));
}

// Sag of a spherical face.
inline double SphereSag(double curvature, double height) {
  return ConicSag(curvature, 1.0, height);
}

// Edge thickness of a lens of centre thickness t whose faces have the
// curvatures c1 (source side) and c2 (mirror side), at the semi-diameter a:
// t + z2(a) − z1(a). NaN when a face does not reach a.
inline double LensEdgeThickness(double thickness, double c1, double c2, double semiDiameter) {
  return thickness + SphereSag(c2, semiDiameter) - SphereSag(c1, semiDiameter);
}

// ---- Lens power ------------------------------------------------------------------

// Thin-lens power (one over the focal length) of a lens of index n whose
// faces have the curvatures c1 and c2: (c1 − c2)·(n − 1), the lensmaker's
// formula with the thickness left out.
inline double ThinLensPower(double c1, double c2, double index) {
  return (c1 - c2) * (index - 1.0);
}

// Thick-lens power in air: (n − 1)·(c1 − c2 + (n − 1)·t·c1·c2 / n), the
// lensmaker's formula (Hecht, "Optics", §6.1).
inline double ThickLensPower(double c1, double c2, double thickness, double index) {
  return (index - 1.0) * (c1 - c2 + (index - 1.0) * thickness * c1 * c2 / index);
}

// ---- Quadrature ------------------------------------------------------------------

// Nodes and weights of a quadrature rule on [−1, 1], the nodes descending
// from the one nearest +1; the weights sum to 2.
struct QuadratureRule {
  std::vector<double> nodes, weights;
};

// Gauss–Legendre rule of n nodes, the roots of P_n: it integrates every
// polynomial up to degree 2n − 1 exactly.
QuadratureRule GaussLegendreRule(int n);

// Gauss–Lobatto rule of n nodes (n ≥ 2): both ends of the interval and the
// roots of P'_{n−1}; exact up to degree 2n − 3.
QuadratureRule GaussLobattoRule(int n);

}  // namespace vn
