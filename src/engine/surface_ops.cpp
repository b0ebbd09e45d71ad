// Surface operations: the exact trigonometric trace of one meridional ray
// through a spherical surface, in the classical (Q, U) form of the optical
// design textbooks (Conrady; Kingslake, "Lens Design Fundamentals", ch. 2).
#include "engine/surface_ops.h"

#include <cmath>

#include "common/arithmetic.h"

namespace vn {

double ArcSin(double x) {
  if (std::fabs(x) >= 1.0) return x < 0.0 ? -kClampedRightAngle : kClampedRightAngle;
  // The root is taken as the power 0.5, as the published routine does.
  return Finite(std::atan(x / std::pow(1.0 - std::pow(x, 2.0), 0.5)), "ArcSin");
}

double SignedPower(double x, double y) {
  if (x < 0.0) return -Finite(std::exp(y * std::log(-x)), "SignedPower overflow");
  if (x == 0.0) return 0.0;
  return Finite(std::exp(y * std::log(x)), "SignedPower overflow");
}

void RefractAtSurface(double& Q, double& U, double& Y, double n, double n2, double r) {
  // Angle of incidence from the triangle vertex-centre-ray: sin I = Q/r - sin U.
  const double sinI = Finite(Quotient(Q, r, "surface radius 0") - std::sin(U));
  const double I = ArcSin(sinI);

  // Height of the point of incidence. Equal to r·sin(U + I), but written so
  // that it stays accurate for a flat face (r = 9e99), where r·sin(U + I) is
  // the product of a huge and a tiny number.
  const double cosSum = std::cos(U) + std::cos(I);
  Y = Quotient(Q * (1.0 + std::cos(U + I)), cosSum, "cos U + cos I = 0");

  // Snell's law, then the refracted ray at the same vertex.
  const double I2 = ArcSin(Finite((n / n2) * sinI));
  const double U2 = Finite(U + I - I2);
  const double Q2 = Quotient((std::cos(I2) + std::cos(U2)) * Q, cosSum, "cos U + cos I = 0");
  Q = Q2;
  U = U2;
}

void TransferToSurface(double& Q, double U, double d) { Q = Finite(Q - d * std::sin(U)); }

}  // namespace vn
