// The double-pass trace, the conic mirror and the two nested null searches.
#include "engine/null_test_engine.h"

#include <cmath>

#include "common/arithmetic.h"
#include "engine/surface_ops.h"

namespace vn {

namespace {
// Convergence of the mirror intersection and of the object distance, inches.
constexpr double kEngineTolerance = 0.0001;
// The object-distance correction factor: written with ten threes, so it is
// not exactly one third; kept as the solver has always used it.
constexpr double kDistanceGain = 0.3333333333;

// SignedPower(x, a), SignedPower(x, b) and SignedPower(x, c) sharing one
// logarithm: the same operations on the same values as three separate calls,
// so the same bits, at a third of the cost of the logarithms.
void SignedPowers(double x, double a, double b, double c, double& xa, double& xb, double& xc) {
  if (x == 0.0) {
    xa = xb = xc = 0.0;
    return;
  }
  const double lnAbs = std::log(x < 0.0 ? -x : x);
  const double sign = x < 0.0 ? -1.0 : 1.0;
  xa = sign * Finite(std::exp(a * lnAbs), "SignedPower overflow");
  xb = sign * Finite(std::exp(b * lnAbs), "SignedPower overflow");
  xc = sign * Finite(std::exp(c * lnAbs), "SignedPower overflow");
}
}  // namespace

void NullTestEngine::ReflectAtConicMirror(double& Q, double& U, double& Ym, double ConicPlusOne,
                                          double MirrorRadius) {
  // The radius of curvature as a positive length: the system keeps it
  // negative (the mirror is concave toward the lens), the sag series below
  // reads more simply with a positive one.
  const double Rc = -MirrorRadius;
  const double K1 = ConicPlusOne;

  // Sag series of a conic of vertex radius Rc, first four terms:
  // S(y) = c2·y² + c4·y⁴ + c6·y⁶ + c8·y⁸, s measured from the vertex toward the lens.
  // The binomial series of the exact sag gives c2 = 1/(2Rc), c4 = K1/(8Rc³),
  // c6 = K1²/(16Rc⁵) and c8 = 5·K1³/(128Rc⁷); the last is written as
  // K1³/(25.6·Rc⁷), 25.6 being 128/5.
  const double c2 = Quotient(1.0, 2.0 * Rc, "mirror radius 0");
  double R3 = 0, R5 = 0, R7 = 0;
  SignedPowers(Rc, 3.0, 5.0, 7.0, R3, R5, R7);
  const double c4 = Quotient(K1, 8.0 * R3);
  const double c6 = Quotient(std::pow(K1, 2.0), 16.0 * R5);
  const double c8 = Quotient(SignedPower(K1, 3.0), 25.6 * R7);

  // Newton's method for the point where the ray meets the surface, starting
  // at the height Q on the vertex plane.
  double y = Q;
  double s = 0.0;
  const double sinU = std::sin(U);
  const double cosU = std::cos(U);
  for (;;) {
    // Sag and minus the slope at the current height. The even powers keep
    // the sign of y, as the series has always been evaluated.
    double y4 = 0, y6 = 0, y8 = 0;
    SignedPowers(y, 4.0, 6.0, 8.0, y4, y6, y8);
    const double y2 = std::pow(y, 2.0);
    const double S = Finite(c2 * y2 + c4 * y4 + c6 * y6 + c8 * y8);
    const double G = Finite(2.0 * c2 + 4.0 * c4 * y2 + 6.0 * c6 * y4 + 8.0 * c8 * y6);
    const double m = Finite(-y * G);

    // Move along the ray to where the tangent plane meets it.
    const double t = Quotient(S - s, Finite(cosU + m * sinU), "Newton denominator 0");
    s = Finite(s + t * cosU);
    y = Finite(y + t * sinU);
    Ym = y;

    Step();
    if (std::fabs(s - S) <= kEngineTolerance || Cancelled()) break;
  }

  // Reflect about the normal of the conic at (s, y).
  const double phi = std::atan(Quotient(-y, Finite(Rc - K1 * s), "R - K1*s = 0"));
  U = Finite(2.0 * phi - U);
  Q = Finite(y * std::cos(U));
  Ym = y;
}

void NullTestEngine::TraceDoublePass(double h, double D, double d2, double& L, double& Y2,
                                     double& Ym) {
  const NullTestSystem& sys = system;
  double discardedY = 0.0;

  // Ray from the axial source toward height h on the first vertex plane.
  double U = std::atan(Quotient(h, -D, "object distance 0"));
  double Q = Finite(-D * std::sin(U));

  // Outward: lens, then the mirror.
  RefractAtSurface(Q, U, discardedY, 1.0, sys.LensIndex, sys.LensRadius1);
  TransferToSurface(Q, U, sys.LensThickness);
  RefractAtSurface(Q, U, Y2, sys.LensIndex, 1.0, sys.LensRadius2);
  TransferToSurface(Q, U, d2);
  ReflectAtConicMirror(Q, U, Ym, sys.ConicPlusOne, sys.MirrorRadius);

  // Back through the lens toward the source.
  TransferToSurface(Q, U, -d2);
  RefractAtSurface(Q, U, discardedY, 1.0, sys.LensIndex, sys.LensRadius2);
  TransferToSurface(Q, U, -sys.LensThickness);
  RefractAtSurface(Q, U, discardedY, sys.LensIndex, 1.0, sys.LensRadius1);

  // Where the returning ray meets the axis.
  L = Quotient(Q, std::sin(U), "returning ray parallel to the axis");
}

void NullTestEngine::SolveObjectDistance(double h, double d2, double& D) {
  double L = 0.0, Y2 = 0.0, Ym = 0.0;
  TraceDoublePass(h, D, d2, L, Y2, Ym);
  for (;;) {
    // L + D: distance from the source to the return point, positive toward the lens.
    if (!(std::fabs(L + D) < kEngineTolerance)) D = Finite(D - (L + D) * kDistanceGain);
    TraceDoublePass(h, D, d2, L, Y2, Ym);
    Step();
    if (std::fabs(L + D) <= kEngineTolerance || Cancelled()) break;
  }
}

void NullTestEngine::FindMarginalSA(double d2, double H, double& D, double& h, double& SA) {
  double L1 = 0.0, L2 = 0.0, Y2 = 0.0, Ym = 0.0;
  SolveObjectDistance(h, d2, D);
  TraceDoublePass(h, D, d2, L1, Y2, Ym);
  // Scale the lens height so that the ray moves toward the mirror's edge.
  h = Quotient(H * h, Ym, "ray meets the mirror on the axis");
  SolveObjectDistance(h, d2, D);
  TraceDoublePass(0.1 * h, D, d2, L2, Y2, Ym);
  SA = Finite(L1 - L2);
}

}  // namespace vn
