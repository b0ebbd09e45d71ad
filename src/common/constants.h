// Constants every stage converts with. The engine works in inches; the user's
// unit is the inch or the millimetre, and wavelengths are in micrometres.
#pragma once

namespace vn {

inline constexpr double kMmPerInch = 25.4;
inline constexpr double kMicronsPerInch = 25400.0;
inline constexpr double kPi = 3.141592653589793;

// The helium-neon laser's red line, the start-up test wavelength (µm).
inline constexpr double kHeNeWavelengthMicrons = 0.6328;

// Lengths between the engine's inches and millimetres, each one operation
// (a product or a quotient), so that a length converted anywhere has the
// same bits. Where a site scales by the length of its unit, the unit's
// length is itself converted: inchFromMm(1.0) is an inch per millimetre.
constexpr double mmFromInch(double inches) { return inches * kMmPerInch; }
constexpr double inchFromMm(double mm) { return mm / kMmPerInch; }

// The same between inches and the user's unit, inches or millimetres.
constexpr double unitFromInch(double inches, bool inchUnits) {
  return inchUnits ? inches : mmFromInch(inches);
}
constexpr double inchFromUnit(double length, bool inchUnits) {
  return inchUnits ? length : inchFromMm(length);
}

// A flat lens face is typed as the radius 9e99 (the window's start-up
// source-side face); a radius longer than kFlatRadius is a flat face.
inline constexpr double kFlatFaceRadius = 9e99;
inline constexpr double kFlatRadius = 1e30;

}  // namespace vn
