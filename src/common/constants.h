// Constants every stage converts with. The engine works in inches; the user's
// unit is the inch or the millimetre, and wavelengths are in micrometres.
#pragma once

namespace vn {

inline constexpr double kMmPerInch = 25.4;
inline constexpr double kMicronsPerInch = 25400.0;
inline constexpr double kPi = 3.141592653589793;

// A flat lens face is typed as the radius 9e99 (the window's start-up
// source-side face); a radius longer than kFlatRadius is a flat face.
inline constexpr double kFlatFaceRadius = 9e99;
inline constexpr double kFlatRadius = 1e30;

}  // namespace vn
