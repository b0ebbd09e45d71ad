// How exactly each build figure must be met: the sensitivity table, the
// equivalent conic error, and the conic of a mirror that nulls best at a
// spacing other than the computed one.
//
// For each build parameter the table gives the change, each way, that costs
// 1/20 wave RMS of wavefront after the user refocuses (the RMS of the change
// itself, so that it adds to the design's own residual as the square root of
// the sum of squares), what that change looks like (its Zernike terms), and
// the conic constant the mirror would seem to have if the parameter were off
// by the user's tolerance.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "analysis/tolerance_model.h"
#include "common/cancel_token.h"

namespace vn {

// The wavefront change a sensitivity is measured against.
inline constexpr double kSensitivityTargetRmsWaves = 0.05;

struct SensitivityRow {
  BuildParameter parameter = BuildParameter::ObjectDistance;
  ChangeUnit unit = ChangeUnit::Length;
  // The design's value: inches, a radius in inches (9e99 flat), the index,
  // the wavelength in nanometres; 0 for the three alignment errors.
  double nominal = 0;

  // The change (in the unit above; a length in inches) that costs the target
  // RMS after refocusing, each way; nothing when the target is not reached
  // within ±searchLimit (or the set-up cannot be traced before it is).
  std::optional<double> plus;
  std::optional<double> minus;
  double searchLimit = 0;

  // What the change at `plus` (else at `minus`) looks like: Fringe Zernike
  // coefficients Z1–Z36, peak-normalised, in waves.
  std::vector<double> zernike;

  // The user's tolerance (±, same unit) and the conic constant the mirror
  // seems to have with the parameter off by it, each way.
  double tolerance = 0;
  double apparentConicPlus = 0;
  double apparentConicMinus = 0;

  std::string why;  // why a figure is missing, when one is
};

struct SensitivityTable {
  bool ok = false;
  bool cancelled = false;
  std::string why;  // why no table could be made
  double targetRmsWaves = kSensitivityTargetRmsWaves;
  double wavelengthMicrons = 0;
  int rays = 0;
  double designPvWaves = 0;  // the design's own residual about its best reference point
  double designRmsWaves = 0;
  double conicConstant = 0;  // the mirror's
  // The wavelength's row includes the index's change through this catalog
  // glass's dispersion; empty when the dispersion is not known (the row
  // then counts only the change of the wave's length).
  std::string dispersionGlass;
  std::vector<SensitivityRow> rows;
};

// The whole table. `cancel`, when set by the host, stops it between two
// wavefronts; the table then comes back with cancelled = true.
SensitivityTable ComputeSensitivities(const ToleranceModel& model,
                                      const BuildTolerances& tolerances,
                                      const CancelToken* cancel = nullptr);

// The reverse question: the user finds the best null (the least residual
// after refocusing, the source and lens left where they are) with the lens
// at measuredSpacing from the mirror instead of the computed spacing. What
// conic constant has the mirror? Found exactly: the spacing of least RMS is
// found by parabolas through RMS² (nearly quadratic in the spacing), and the
// mirror's K by the secant method until that spacing is the measured one.
struct ConicFromSpacing {
  bool ok = false;
  std::string why;
  double measuredSpacing = 0;    // inches
  double spacingChange = 0;      // measured − computed, inches
  double conicConstant = 0;      // the mirror's, as the test shows it
  double designBestSpacing = 0;  // where a mirror of the design's K nulls best, inches
  int iterations = 0;
};

ConicFromSpacing ConicFromBestNullSpacing(const ToleranceModel& model, double measuredSpacing);

// The change of the lens-to-mirror spacing at which the set-up, its mirror's
// conic constant changed by conicChange, has its least RMS after
// refocusing; nothing when the set-up cannot be traced near it.
std::optional<double> BestNullSpacingChange(const ToleranceModel& model, double conicChange,
                                            std::string* problem = nullptr);

}  // namespace vn
