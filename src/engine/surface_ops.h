// Surface operations of the meridional ray trace.
//
// A ray between two surfaces is carried by (Q, U): U the angle between the ray
// and the axis (radians), Q the signed perpendicular distance from the current
// surface vertex to the ray (inches). The ray is the line z·sin U + y·cos U = Q
// in the frame of the current vertex, z toward the mirror. A line, not a
// direction: on the way back the same signs and radii are used and the ray is
// moved toward the source with negative transfers.
//
// Lens radii are positive when the centre of curvature lies toward the mirror;
// a flat face is the radius 9e99 and needs no special case.
#pragma once

namespace vn {

// Clamped right angle: the double nearest 1.570796326794895, seven units in
// the last place below the double nearest pi/2. A ray that misses a surface or
// is totally internally reflected goes on at this angle, without an error.
inline constexpr double kClampedRightAngle = 1.570796326794895;

// Arcsine that never fails: |x| >= 1 gives the clamped right angle with the
// sign of x; otherwise atan(x / (1 - x²)^0.5).
double ArcSin(double x);

// x to the power y carrying the sign of x whatever y is:
// SignedPower(-2, 2) = -4. Computed as exp(y·ln|x|); 0 gives 0.
double SignedPower(double x, double y);

// Refraction at a spherical (or flat) surface of radius r from index n to n2.
// Q and U become the refracted ray at the same vertex; Y is the height of the
// point of incidence.
void RefractAtSurface(double& Q, double& U, double& Y, double n, double n2, double r);

// Moves the reference vertex by d along the axis (negative toward the source).
void TransferToSurface(double& Q, double U, double d);

}  // namespace vn
