// The optical engine of the null test: the system under test, the double-pass
// ray trace, the object-distance solver and the marginal aberration.
//
// Light leaves a point source on the axis, passes the null lens, reflects from
// the concave conic mirror and passes the lens again back toward the source.
// z = 0 at the lens's source-side vertex, z grows toward the mirror: source at
// -D, lens vertices at 0 and LensThickness, mirror vertex at LensThickness + d2.
// Every length here is in inches, whatever unit the user works in.
//
// The engine knows no window: it reads the run's cancel token at every step of
// its loops, and calls its host once per step (a mirror Newton step, an
// object-distance iteration), the host's turn to show progress and to handle
// its events, during which a key press may cancel the run.
#pragma once

#include <functional>

#include "common/cancel_token.h"

namespace vn {

struct NullTestSystem {
  double MirrorSemiDiameter = 0;  // half the mirror's diameter
  double MirrorRadius = 0;        // minus the mirror's radius of curvature; always negative
  double ConicPlusOne = 0;        // conic constant + 1 (0 paraboloid, 1 sphere)
  double LensRadius1 = 0;         // source-side face, signed (9e99 flat)
  double LensRadius2 = 0;         // mirror-side face, signed
  double LensThickness = 0;       // centre thickness
  double LensIndex = 0;           // refractive index of the lens glass
};

class NullTestEngine {
 public:
  NullTestSystem system;

  // The run's cancel token (none: the engine is never stopped). Once it is
  // set every loop stops at its next test, and stays stopped until the
  // token is reset for the next run.
  const CancelToken* cancel = nullptr;
  // Called once per step of the engine's loops; may be empty.
  std::function<void()> onStep;

  // The most steps the engine may take before it stops as a cancel would
  // stop it (0: no limit), and the steps taken so far. The run's spacing
  // search sets it so that a search which does not converge ends by itself.
  long long stepLimit = 0;
  long long steps = 0;

  bool StepLimitReached() const { return stepLimit > 0 && steps >= stepLimit; }
  bool Cancelled() const { return CancelRequested(cancel) || StepLimitReached(); }

  // Reflection at the conic mirror, found by Newton's method on a four-term
  // series of the conic's sag; one step of the host per Newton step.
  void ReflectAtConicMirror(double& Q, double& U, double& Ym, double ConicPlusOne,
                            double MirrorRadius);

  // Traces the ray aimed at height h on the lens's source-side vertex plane
  // from the source at distance D, with the lens-to-mirror spacing d2, out and
  // back. L: where the returning ray meets the axis (relative to the first
  // lens vertex; L = -D when it comes back to the source). Y2: its height on
  // the lens's mirror-side face on the way out. Ym: its height on the mirror.
  void TraceDoublePass(double h, double D, double d2, double& L, double& Y2, double& Ym);

  // Moves the source (D in/out) until the ray at lens height h returns to it.
  void SolveObjectDistance(double h, double d2, double& D);

  // Makes the ray at height h the marginal ray (meeting the mirror at height
  // H), solves its object distance, and measures the marginal aberration SA:
  // how far beyond the source a ray at a tenth of the height comes back.
  void FindMarginalSA(double d2, double H, double& D, double& h, double& SA);

  // One step of the engine's work has been made: the host's turn.
  void Step() {
    ++steps;
    if (onStep) onStep();
  }
};

}  // namespace vn
