// The optical engine of the null test: the system under test, the double-pass
// ray trace, the object-distance solver, the marginal aberration and the
// progress spinner.
//
// Light leaves a point source on the axis, passes the null lens, reflects from
// the concave conic mirror and passes the lens again back toward the source.
// z = 0 at the lens's source-side vertex, z grows toward the mirror: source at
// -D, lens vertices at 0 and LensThickness, mirror vertex at LensThickness + d2.
// Every length here is in inches, whatever unit the user works in.
//
// The engine knows no window: its host hands it two callbacks, one that sets
// the find button's caption (the spinner) and one that yields to the event
// loop, during which a key press may set AbortRequested.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vn {

struct NullTestSystem {
  double MirrorSemiDiameter = 0;    // half the mirror's diameter
  double MirrorRadius = 0;          // minus the mirror's radius of curvature; always negative
  double ConicPlusOne = 0;          // conic constant + 1 (0 paraboloid, 1 sphere)
  double LensRadius1 = 0;           // source-side face, signed (9e99 flat)
  double LensRadius2 = 0;           // mirror-side face, signed
  double LensThickness = 0;         // centre thickness
  double LensIndex = 0;             // refractive index of the lens glass
  std::int16_t AbortRequested = 0;  // 0 while a run may go on; -1 after a key press
};

// The spinner's glyphs, shown before "Processing " in the find button.
inline constexpr const char* kSpinnerGlyphs[4] = {"|", "/", "--", "\\"};

class NullTestEngine {
 public:
  NullTestSystem system;

  // Host callbacks. Either may be empty (a test without a window).
  std::function<void(const std::string&)> setFindCaption;
  std::function<void()> yieldToEvents;

  bool Aborted() const { return system.AbortRequested != 0; }

  // Reflection at the conic mirror, found by Newton's method on a four-term
  // series of the conic's sag; yields and turns the spinner once per step.
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

  // Counts calls; on every 1001st it turns the spinner in the find button.
  void SpinProgress();

  // Spinner state, for tests: it lives as long as the engine.
  std::int32_t spinCounter() const { return spinCounter_; }
  std::int32_t spinGlyph() const { return spinGlyph_; }

 private:
  void Yield() {
    if (yieldToEvents) yieldToEvents();
  }

  std::int32_t spinCounter_ = 0;
  std::int32_t spinGlyph_ = 0;
};

}  // namespace vn
