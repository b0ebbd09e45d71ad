// The tolerance analysis as a whole, for the hosts: the sensitivity table,
// the Monte Carlo and the reverse question, and their text, JSON and CSV
// forms in the run's unit (millimetres or inches).
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "analysis/monte_carlo.h"
#include "analysis/sensitivity.h"
#include "analysis/tolerance_model.h"
#include "common/cancel_token.h"

namespace vn {

struct ToleranceReport {
  BuildTolerances tolerances;
  SensitivityTable table;
  std::optional<MonteCarloResult> monteCarlo;
  std::optional<ConicFromSpacing> conicFromSpacing;
  // E[RMS²] of the built set-ups predicted from the sensitivities (the
  // design's mean square plus each tolerance's share), and those shares.
  double predictedRmsWaves = 0;
  std::array<double, kBuildParameterCount> meanSquareShare{};
};

// The root of the mean square a set-up drawn within the tolerances is
// expected to have if each error acts linearly: the design's RMS² plus, for
// each parameter, (1/20 wave · tolerance / its change for 1/20 wave)² times
// the mean square of a uniform draw (1/3 along a line, 1/2 over a disc).
// `shares` gets each parameter's part of the added mean square.
double PredictedRms(const SensitivityTable& table,
                    std::array<double, kBuildParameterCount>* shares = nullptr);

// Runs the whole analysis on the calling thread (the Monte Carlo on every
// core); `measuredSpacing` (inches) asks the reverse question as well.
ToleranceReport RunToleranceReport(const ToleranceModel& model, const BuildTolerances& tolerances,
                                   const MonteCarloSettings& monteCarlo,
                                   std::optional<double> measuredSpacing,
                                   const CancelToken* cancel = nullptr,
                                   const std::function<void(int, int)>& progress = {});

// The report block ("Tolerances ..."), lines separated by "\n".
std::string ToleranceText(const ToleranceReport& report, bool inchUnits);

// One JSON object with every figure.
std::string ToleranceJson(const ToleranceReport& report, bool inchUnits);

// The sensitivity table and the Monte Carlo's set-ups as CSV (comma
// separated, "." decimal point, one header line).
std::string SensitivityCsv(const SensitivityTable& table, bool inchUnits);
std::string MonteCarloCsv(const MonteCarloResult& result);

// The Monte Carlo's figures, lines separated by "\n": the residual's median
// and 95th percentile, the share under 1/8 wave P-V and the apparent conic.
std::string MonteCarloLines(const MonteCarloResult& result);

// The reverse question's answer in a sentence or two, lengths in the run's
// unit; `designConic` is the mirror's K in the design.
std::string ConicFromSpacingText(const ConicFromSpacing& answer, double designConic,
                                 bool inchUnits);

// A conic constant with its four decimals ("-1.0000").
std::string ConicText(double k);

// A change in a parameter's unit as the user reads it: lengths in the run's
// unit, with 3 significant digits, e.g. "+7.55 mm", "-0.0504°", "+130
// fringes".
std::string ChangeText(double change, ChangeUnit unit, bool inchUnits, bool withSign = true);

// The design value of a row ("2076.366 mm", "flat", "1.51509", "632.8 nm").
std::string NominalText(const SensitivityRow& row, bool inchUnits);

// What the change of a row looks like: its one or two largest Zernike terms
// with their coefficients ("spherical +0.112 waves").
std::string LooksLikeText(const SensitivityRow& row);

}  // namespace vn
