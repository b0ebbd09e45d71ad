// The optical engine against the worked cases of its design notes and cases
// with closed-form answers. Worked numbers are given to 6 significant digits,
// so they are compared to half a unit of the 6th digit.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "common/arithmetic.h"
#include "engine/null_test_engine.h"
#include "engine/surface_ops.h"
#include "support/files.h"

namespace vn {
namespace {

// Half a unit in the 6th significant digit of `expected`.
double SixDigits(double expected) {
  return 0.5 * std::pow(10.0, std::floor(std::log10(std::fabs(expected))) - 5);
}
#define EXPECT_6DIGITS(actual, expected) EXPECT_NEAR(actual, expected, SixDigits(expected))

using test::FailureText;  // what the arithmetic error says failed, or ""

TEST(SurfaceOps, ArcSinClampsAndSignedPowerKeepsTheSign) {
  EXPECT_EQ(ArcSin(1), 1.570796326794895);
  EXPECT_EQ(ArcSin(2), 1.570796326794895);
  EXPECT_EQ(ArcSin(-1), -1.570796326794895);
  EXPECT_LT(ArcSin(1), std::acos(0.0));  // seven units in the last place below pi/2
  EXPECT_NEAR(ArcSin(0.5), 0.52359877559829, 1e-14);
  EXPECT_EQ(SignedPower(0, 3), 0);
  EXPECT_NEAR(SignedPower(-2, 3), -8, 1e-14);  // exp and ln round in the last digits
  EXPECT_NEAR(SignedPower(-2, 2), -4, 1e-14);
  EXPECT_NEAR(SignedPower(4, 0.5), 2, 1e-15);
  EXPECT_THROW(SignedPower(10, 400), RunFailure);  // exp overflows
}

TEST(SurfaceOps, RefractionAtFlatAndSphericalFaces) {
  // r = 9e99 behaves as a plane: I = -U, Y = Q / cos U, Snell's law, and the
  // height on the vertex plane is unchanged.
  double Q = 1, U = 0.1, Y = 0;
  RefractAtSurface(Q, U, Y, 1.0, 1.5, 9e99);
  EXPECT_NEAR(Y, 1 / std::cos(0.1), 1e-15);
  EXPECT_NEAR(std::sin(U), std::sin(0.1) / 1.5, 1e-15);
  EXPECT_NEAR(Q / std::cos(U), 1 / std::cos(0.1), 1e-15);
  // A ray parallel to the axis meets a sphere at its own height.
  Q = 0.5, U = 0;
  RefractAtSurface(Q, U, Y, 1.0, 1.0, 10.0);
  EXPECT_NEAR(Y, 0.5, 1e-15);
  // A ray that misses the surface (|sin I| = 2) goes on clamped, without an error.
  Q = 20, U = 0;
  EXPECT_NO_THROW(RefractAtSurface(Q, U, Y, 1.0, 1.5, 10.0));
  EXPECT_TRUE(std::isfinite(Q) && std::isfinite(U));
}

TEST(ReflectAtConicMirror, ParallelRayOnASphere) {
  // U = 0 at Q = 3 on a sphere of R = 100: met at y = 3 after one step,
  // s = S(3), U = 2·atan(-3 / (R - S)), Q = y·cos U.
  NullTestEngine e;
  int steps = 0;
  e.onStep = [&] { ++steps; };
  double Q = 3, U = 0, Ym = 0;
  e.ReflectAtConicMirror(Q, U, Ym, 1.0, -100.0);
  EXPECT_EQ(Ym, 3);
  const double S = 9 / 200.0 + 81 / (8 * 1e6) + 729 / (16 * 1e10) + 6561 / (25.6 * 1e14);
  EXPECT_NEAR(S, 0.04501, 0.000005);
  EXPECT_NEAR(U, 2 * std::atan(-3 / (100 - S)), 1e-15);
  EXPECT_NEAR(U, -0.06001, 0.000005);
  EXPECT_NEAR(Q, 2.9946, 0.00005);
  EXPECT_EQ(steps, 1);  // one Newton step
}

// The lens used by the worked traces: plano-convex, flat toward the source.
NullTestSystem PlanoConvexOnParaboloid() {
  return {.MirrorSemiDiameter = 6.25,
          .MirrorRadius = -100,
          .ConicPlusOne = 0,
          .LensRadius1 = 9e99,
          .LensRadius2 = -206 / 25.4,
          .LensThickness = 0.25,
          .LensIndex = 1.51509};
}

TEST(TraceDoublePass, IndexOneLensWithTheSourceAtTheCentreOfCurvature) {
  // A lens of index 1 does nothing; the source sits at the sphere's centre, so
  // an exact trace would return L + D = 0 and Ym = 9.95037. The engine's
  // start at height Q and its reflected Q = y·cos U leave the worked residue.
  NullTestEngine e;
  e.system = {.MirrorRadius = -100,
              .ConicPlusOne = 1,
              .LensRadius1 = 50,
              .LensRadius2 = -50,
              .LensThickness = 0.5,
              .LensIndex = 1};
  double L = 0, Y2 = 0, Ym = 0;
  e.TraceDoublePass(1, 10, 89.5, L, Y2, Ym);
  EXPECT_6DIGITS(L + 10, -0.00985213);
  EXPECT_6DIGITS(Ym, 9.90123);
}

TEST(TraceDoublePass, PlanoConvexLensOnAParaboloid) {
  NullTestEngine e;
  e.system = PlanoConvexOnParaboloid();
  double L = 0, Y2 = 0, Ym = 0;
  e.TraceDoublePass(1, 8, 80, L, Y2, Ym);
  EXPECT_6DIGITS(L, -9.20288);
  EXPECT_6DIGITS(Y2, 1.01529);
  EXPECT_6DIGITS(Ym, 5.76415);
  e.TraceDoublePass(0.5, 8, 80, L, Y2, Ym);
  EXPECT_6DIGITS(L, -9.21645);
  EXPECT_6DIGITS(Y2, 0.509641);
  EXPECT_6DIGITS(Ym, 2.90853);
}

TEST(TraceDoublePass, DegenerateSetUpsEndInTheArithmeticError) {
  const auto trace = [](NullTestSystem s, double h, double D) {
    return FailureText([&] {
      NullTestEngine e;
      e.system = s;
      double L, Y2, Ym;
      e.TraceDoublePass(h, D, 80, L, Y2, Ym);
    });
  };
  const NullTestSystem ok = PlanoConvexOnParaboloid();
  NullTestSystem zeroRadius = ok, flatMirror = ok;
  zeroRadius.LensRadius2 = 0;
  flatMirror.MirrorRadius = 0;
  // The axial ray comes back along the axis: 0/0 where it should meet it.
  EXPECT_EQ(trace(ok, 0, 8), "returning ray parallel to the axis");
  EXPECT_EQ(trace(ok, 1, 0), "object distance 0");         // h / (-D)
  EXPECT_EQ(trace(zeroRadius, 1, 8), "surface radius 0");  // Q / r
  EXPECT_EQ(trace(flatMirror, 1, 8), "mirror radius 0");   // 1 / (2R)
}

TEST(SurfaceOps, DegenerateGeometryEndsInTheArithmeticError) {
  // A ray running back along the axis (U = pi) meets a face head-on from the
  // wrong side: cos U + cos I = -1 + 1 = 0 in the height formula.
  double Q = 0, U = 3.141592653589793, Y = 0;
  EXPECT_EQ(FailureText([&] { RefractAtSurface(Q, U, Y, 1.0, 1.5, 10.0); }), "cos U + cos I = 0");
  // A ray along the paraboloid's tangent at its start: with R = 0.5 the slope
  // factor is exactly 2, so Q = cos U / 2 makes cos U + m sin U exactly 0.
  NullTestEngine e;
  U = 1.5707963267948966;
  // The cosine the engine takes, the library's at run time: a constant the
  // compiler folds may differ in its last bits (mingw-w64's x87 cosine does,
  // this close to a right angle).
  const volatile double runtimeU = U;
  Q = std::cos(runtimeU) / 2;
  double Ym = 0;
  EXPECT_EQ(FailureText([&] { e.ReflectAtConicMirror(Q, U, Ym, 0.0, -0.5); }),
            "Newton denominator 0");
}

TEST(NullSolver, WorkedCases) {
  // From half the thin-lens focal length 15.7453 at d2 = 80 and h = 1.25.
  NullTestEngine e;
  e.system = PlanoConvexOnParaboloid();
  double D = 7.87264;
  e.SolveObjectDistance(1.25, 80, D);
  EXPECT_6DIGITS(D, 8.63218);
  // A start that already returns the ray is returned unchanged.
  const double solved = D;
  e.SolveObjectDistance(1.25, 80, D);
  EXPECT_EQ(D, solved);

  D = 7.87264;
  double h = 1.25, SA = 0;
  e.FindMarginalSA(80, 6.25, D, h, SA);
  EXPECT_6DIGITS(D, 8.63233);
  EXPECT_6DIGITS(h, 1.24441);
  EXPECT_6DIGITS(SA, 0.0245393);

  // With H equal to the height the ray already meets, h is kept.
  double L, Y2, Ym;
  e.TraceDoublePass(h, D, 80, L, Y2, Ym);
  const double kept = h;
  e.FindMarginalSA(80, Ym, D, h, SA);
  EXPECT_EQ(h, kept);
}

TEST(Abort, EndsEveryLoopWithinOneIteration) {
  // The key press arrives during the fifth step, inside some mirror
  // intersection: that loop stops, the trace completes, and the solver stops
  // after its own step, long before its nine corrections.
  NullTestEngine e;
  e.system = PlanoConvexOnParaboloid();
  CancelToken cancel;
  e.cancel = &cancel;
  int yields = 0;
  e.onStep = [&] {
    if (++yields == 5) cancel.Cancel();  // the key press
  };
  double D = 7.87264;
  e.SolveObjectDistance(1.25, 80, D);
  EXPECT_LE(yields, 6);
  EXPECT_GT(std::fabs(D - 8.63218), 0.001);  // not converged

  yields = 0;
  double Q = 3, U = 0.01, Ym = 0;
  e.onStep = [&] { ++yields; };
  e.ReflectAtConicMirror(Q, U, Ym, 0.0, -100.0);
  EXPECT_EQ(yields, 1);  // at least one step is always made, and only one
}

}  // namespace
}  // namespace vn
