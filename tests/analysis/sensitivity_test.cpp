// The sensitivity table and the equivalent conic error on the start-up
// set-up: the symmetries of ± errors, the change found costing what it
// should, and the apparent conic of a spacing error checked against the
// spacing at which a mirror of that conic really nulls best.
#include "analysis/sensitivity.h"

#include <gtest/gtest.h>

#include <cmath>

#include "common/cancel_token.h"
#include "exact/scalar_search.h"
#include "support/start_up_set_up.h"

namespace vn {
namespace {

using test::kMm;
using P = BuildParameter;

bool Quadratic(P parameter) {
  return parameter == P::SourceOffset || parameter == P::ObjectDistance;
}

const SensitivityRow& Row(const SensitivityTable& table, P parameter) {
  return table.rows[static_cast<std::size_t>(parameter)];
}

TEST(Sensitivity, ErrorsEachWayCostAlikeAndMirrorTheWavefront) {
  // Tilt, decenter and the source's offset turn into their mirror images
  // when their sign changes (the set-up is symmetric about the y–z plane
  // through the axis), so both ways cost the same and the coma along y
  // changes sign. The spacing acts nearly linearly: both ways cost about
  // the same and the spherical term changes sign. Tolerances: the search's
  // 1e-4 of the target, and for the spacing its small quadratic part.
  const ToleranceModel& model = test::StartUpToleranceModel();
  ASSERT_TRUE(model.ok()) << model.message();
  const SensitivityTable table = ComputeSensitivities(model, DefaultTolerances(false));
  ASSERT_TRUE(table.ok) << table.why;
  for (const P p : {P::LensTilt, P::LensDecenter, P::SourceOffset}) {
    const SensitivityRow& row = Row(table, p);
    ASSERT_TRUE(row.plus && row.minus) << row.why;
    EXPECT_NEAR(*row.plus, -*row.minus, 1e-3 * *row.plus) << ParameterInfo(p).label;
    const PupilWavefront up = model.MeasureChange(BuildErrors::Single(p, *row.plus));
    const PupilWavefront down = model.MeasureChange(BuildErrors::Single(p, *row.minus));
    const auto zUp = model.plan().fit.Fit(up.waves), zDown = model.plan().fit.Fit(down.waves);
    for (const int j : {4, 7, 8}) {  // astigmatism 0°, coma y, spherical: even or odd in y
      const double parity = FringeTerm(j).m % 2 == 1 ? -1.0 : 1.0;
      EXPECT_NEAR(zDown[j], parity * zUp[j], 1e-5) << ParameterInfo(p).label << " Z" << j + 1;
    }
  }
  const SensitivityRow& spacing = Row(table, P::LensMirrorDistance);
  ASSERT_TRUE(spacing.plus && spacing.minus);
  EXPECT_NEAR(*spacing.plus / -*spacing.minus, 1.0, 0.1);
  const auto spherical = [&](double change) {
    return model.plan().fit.Fit(
        model.MeasureChange(BuildErrors::Single(P::LensMirrorDistance, change)).waves)[8];
  };
  EXPECT_NEAR(spherical(-0.5 * kMm) / spherical(0.5 * kMm), -1.0, 0.02);
}

TEST(Sensitivity, EachChangeFoundCostsTheTarget) {
  // Retracing each change found must give 1/20 wave RMS (to the search's
  // tolerance); half the change costs half as much where the error acts
  // linearly and a quarter where it acts quadratically: the source off the
  // axis (astigmatism grows with the square of the field) and the source
  // distance (the design sits where the wavefront is stationary in it).
  // Tolerance: the changes are large (the lens 70% thinner), so the
  // response bends by up to a tenth.
  const ToleranceModel& model = test::StartUpToleranceModel();
  const SensitivityTable table = ComputeSensitivities(model, DefaultTolerances(true));
  ASSERT_TRUE(table.ok) << table.why;
  for (const SensitivityRow& row : table.rows) {
    for (const auto& change : {row.plus, row.minus}) {
      if (!change) continue;
      const PupilWavefront w = model.MeasureChange(BuildErrors::Single(row.parameter, *change));
      ASSERT_TRUE(w.ok) << w.why;
      EXPECT_NEAR(w.rmsWaves, 0.05, 1e-5) << ParameterInfo(row.parameter).label;
      if (row.parameter == P::Wavelength) continue;
      const PupilWavefront half =
          model.MeasureChange(BuildErrors::Single(row.parameter, 0.5 * *change));
      const double power = Quadratic(row.parameter) ? 2.0 : 1.0;
      EXPECT_NEAR(half.rmsWaves / 0.05, std::pow(0.5, power), 0.12 * std::pow(0.5, power))
          << ParameterInfo(row.parameter).label;
    }
  }
  // A thicker lens never costs 1/20 wave before it is 90% thicker still,
  // and the table says so rather than inventing a figure.
  EXPECT_FALSE(Row(table, P::LensThickness).plus.has_value());
  EXPECT_NE(Row(table, P::LensThickness).why.find("not reached"), std::string::npos);
}

TEST(Sensitivity, ApparentConicOfASpacingErrorIsLinearInTheError) {
  // A spacing error Δ makes the paraboloid look like K + δK(Δ); near the
  // null δK is linear in Δ. Tolerance: the small quadratic part.
  const ToleranceModel& model = test::StartUpToleranceModel();
  const auto apparent = [&](double change) {
    return model.ApparentConicChange(
        model.MeasureChange(BuildErrors::Single(P::LensMirrorDistance, change)).waves);
  };
  EXPECT_NEAR(apparent(2 * kMm) / apparent(1 * kMm), 2.0, 0.02);
  EXPECT_NEAR(apparent(-1 * kMm) / apparent(1 * kMm), -1.0, 0.02);
}

TEST(Sensitivity, ConicFromTheBestNullSpacingNullsBestThere) {
  // The reverse question's answer K' for a best null at the spacing s must
  // be a mirror whose least RMS, searched over the spacing independently
  // (golden section on the exact wavefront), lies at s; and a best null
  // where the design's own mirror has it gives the design's K. The answer is
  // near K − δK(s − s0), the equivalent conic of the spacing's offset from
  // the design's best null s0. Tolerances: the golden section's bracket
  // narrowed to 1e-6 inch on a minimum flat to ~1e-9 wave², which leaves a
  // few micrometres; the equivalent conic's small quadratic part.
  const ToleranceModel& model = test::StartUpToleranceModel();
  const double d2 = model.input().lensMirrorDistance;
  const ConicFromSpacing atDesign = ConicFromBestNullSpacing(model, d2);
  ASSERT_TRUE(atDesign.ok) << atDesign.why;
  EXPECT_NEAR(ConicFromBestNullSpacing(model, atDesign.designBestSpacing).conicConstant, -1.0,
              1e-5);
  for (const double delta : {3 * kMm, -4 * kMm}) {
    const ConicFromSpacing reverse = ConicFromBestNullSpacing(model, d2 + delta);
    ASSERT_TRUE(reverse.ok) << reverse.why;
    const double offset = d2 + delta - reverse.designBestSpacing;
    const double seen = model.ApparentConicChange(
        model.MeasureChange(BuildErrors::Single(P::LensMirrorDistance, offset)).waves);
    EXPECT_NEAR(reverse.conicConstant, -1.0 - seen, 0.05 * std::fabs(seen));

    SolvedSetUp other = model.input();
    other.system.ConicPlusOne = reverse.conicConstant + 1.0;
    const ToleranceModel otherMirror(other);
    ASSERT_TRUE(otherMirror.ok()) << otherMirror.message();
    const double best = MinimiseBracketed(
        [&](double change) {
          return otherMirror.Measure(BuildErrors::Single(P::LensMirrorDistance, change)).rmsWaves;
        },
        delta - 2 * std::fabs(delta), delta + 2 * std::fabs(delta), 1e-6);
    EXPECT_NEAR(best, delta, 0.01 * kMm) << delta / kMm << " mm";
  }
}

TEST(Sensitivity, StopsWhenAskedAndSaysSo) {
  CancelToken cancel;
  cancel.Cancel();
  const SensitivityTable table =
      ComputeSensitivities(test::StartUpToleranceModel(), DefaultTolerances(false), &cancel);
  EXPECT_FALSE(table.ok);
  EXPECT_TRUE(table.cancelled);
}

}  // namespace
}  // namespace vn
