// Exact skew-ray trace of the folded null test in three dimensions.
//
// The meridional exact check follows rays in the plane of the axis; a lens
// that is tilted or decentered, or a source off the axis, sends rays out of
// that plane, so this trace follows them in space. Each surface is a conic of
// revolution about its own axis, c·(x² + y² + (1+K)·z²) − 2·z = 0 in its local
// frame, placed in the set-up by the position of its vertex and the rotation
// of its frame (tilt and decenter). Rays are refracted with Snell's law and
// reflected with the law of reflection in vector form, and carry their optical
// path (index × length) so that the wavefront can be read from them.
//
// Global frame: z along the nominal axis from the source toward the mirror,
// z = 0 at the lens's nominal source-side vertex; x and y across. Lengths in
// inches, the engine's unit. A curvature is positive when the centre of
// curvature lies toward the surface's local +z.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/null_test_engine.h"
#include "record/solved_set_up.h"

namespace vn {

struct Vec3 {
  double x = 0, y = 0, z = 0;
};

inline Vec3 operator+(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(double s, const Vec3& a) { return {s * a.x, s * a.y, s * a.z}; }
inline double Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// A rotation, as the matrix whose columns are the rotated frame's axes seen
// from the fixed frame (row-major).
struct Rotation {
  std::array<double, 9> m{1, 0, 0, 0, 1, 0, 0, 0, 1};

  // A vector given in the rotated frame, seen from the fixed frame.
  Vec3 Apply(const Vec3& v) const {
    return {m[0] * v.x + m[1] * v.y + m[2] * v.z, m[3] * v.x + m[4] * v.y + m[5] * v.z,
            m[6] * v.x + m[7] * v.y + m[8] * v.z};
  }
  // A vector given in the fixed frame, seen from the rotated frame.
  Vec3 ApplyInverse(const Vec3& v) const {
    return {m[0] * v.x + m[3] * v.y + m[6] * v.z, m[1] * v.x + m[4] * v.y + m[7] * v.z,
            m[2] * v.x + m[5] * v.y + m[8] * v.z};
  }
};

// Right-handed rotations by an angle in radians: about x (turns +y toward +z)
// and about y (turns +z toward +x).
Rotation RotationAboutX(double radians);
Rotation RotationAboutY(double radians);
// a after b: (a·b)·v = a·(b·v).
Rotation operator*(const Rotation& a, const Rotation& b);

struct SkewSurface {
  Vec3 vertex;           // inches, global frame
  Rotation axes;         // the surface's local frame
  bool tilted = false;   // axes is not the identity
  double curvature = 0;  // 1/radius, 0 for a plane
  double conicPlusOne = 1;
};

// The surface turned by `rotation` about the point `pivot` (a rigid motion:
// its vertex moves on a circle about the pivot and its axis turns with it).
SkewSurface TurnedAbout(const SkewSurface& surface, const Rotation& rotation, const Vec3& pivot);

// A ray: a point, a unit direction and the optical path from the source.
struct SkewRay {
  Vec3 position;
  Vec3 direction{0, 0, 1};
  double opticalPath = 0;  // Σ index × length, inches
};

// Carries the ray along its line to the sheet of the surface through its
// vertex, adding index × the (signed) length to its optical path. False when
// the line misses that sheet.
bool MoveToSurface(SkewRay& ray, const SkewSurface& surface, double index);

// Unit normal of the surface at a point on it; at the vertex it points along
// the surface's local −z.
Vec3 SurfaceNormal(const SkewSurface& surface, const Vec3& point);

// Snell's law in vector form from index n to nPrime at the point the ray sits
// on. False on total internal reflection.
bool RefractAt(SkewRay& ray, const SkewSurface& surface, double n, double nPrime);

// The law of reflection in vector form.
void ReflectAt(SkewRay& ray, const SkewSurface& surface);

// ---- The folded set-up ------------------------------------------------------

// One set-up as the user builds it: the design's figures plus the errors of
// alignment. The lens turns as one body about its centre (the point on its
// axis midway between the vertices), first about x, then about y; its
// decenter moves it across the axis; the source may sit off the axis. The
// mirror defines the axis.
struct AsBuilt {
  SolvedSetUp setUp;     // the figures as built: the mirror, the lens, D and d2
  double lensTiltX = 0;  // radians
  double lensTiltY = 0;
  double lensDecenterX = 0;  // inches
  double lensDecenterY = 0;
  double sourceOffsetX = 0;  // inches
  double sourceOffsetY = 0;
};

struct SkewSetUp {
  Vec3 source;
  SkewSurface lensFront;  // source-side face
  SkewSurface lensBack;   // mirror-side face
  SkewSurface mirror;
  double lensIndex = 1;
};

SkewSetUp MakeSkewSetUp(const AsBuilt& build);

// Where a ray's trace ended before it was complete.
enum class SkewTraceStop : std::uint8_t {
  Complete,
  MissedLensFrontOut,  // missed the source-side face on the way out
  MissedLensBackOut,
  TotalReflectionOut,  // totally reflected inside the lens on the way out
  MissedMirror,
  NotReturned,  // the mirror does not send the ray back toward the lens
  MissedLensBackIn,
  MissedLensFrontIn,
  TotalReflectionIn,
};

// Words for a stop, e.g. "misses the mirror".
const char* SkewTraceStopText(SkewTraceStop stop);

// A unit direction from the slopes u = dx/dz and v = dy/dz.
Vec3 DirectionFromSlopes(double u, double v);

// From the source along the slopes (u, v) through the lens to the mirror,
// reflected there. mirrorPoint: where the ray met the mirror, in the
// mirror's own x and y (inches).
SkewTraceStop TraceToMirror(const SkewSetUp& setUp, double u, double v, SkewRay& ray,
                            std::array<double, 2>& mirrorPoint);

// The same for many rays at once, surface by surface rather than ray by ray:
// the rays are independent, so the processor works on several of them at a
// time. The spans are parallel (one slope pair, ray, stop and mirror point
// per ray). The figures are those of the one-ray forms.
void TraceAllToMirror(const SkewSetUp& setUp, std::span<const std::array<double, 2>> slopes,
                      std::span<SkewRay> rays, std::span<SkewTraceStop> stops,
                      std::span<std::array<double, 2>> mirrorPoints);
void TraceAllFromMirror(const SkewSetUp& setUp, std::span<SkewRay> rays,
                        std::span<SkewTraceStop> stops);

// A pupil's rays as columns, one array per figure, in the global frame:
// the form the wavefront is read from. Each column has room after its last
// ray for the lanes a trace of several rays at a time writes beyond it.
struct RayColumns {
  std::vector<double> px, py, pz, dx, dy, dz, path;

  void Resize(std::size_t count);
  SkewRay Ray(std::size_t i) const;
  void SetRay(std::size_t i, const SkewRay& ray);
};

// TraceAllToMirror for the rays first, first + 1, … of the columns, one per
// slope pair, traced where they lie (stops and mirrorPoints hold just those
// rays). The rays after them up to a whole number of lanes are overwritten.
void TraceColumnsToMirror(const SkewSetUp& setUp, std::span<const std::array<double, 2>> slopes,
                          RayColumns& rays, std::size_t first, std::span<SkewTraceStop> stops,
                          std::span<std::array<double, 2>> mirrorPoints);
// TraceAllFromMirror for the first stops.size() rays of the columns.
void TraceColumnsFromMirror(const SkewSetUp& setUp, RayColumns& rays,
                            std::span<SkewTraceStop> stops);

}  // namespace vn
