// The wavefront over the whole pupil: a centred set-up agrees with the
// meridional exact check, and errors that keep the set-up round leave no
// coma, astigmatism or other term that is not round.
#include "analysis/pupil_wavefront.h"

#include <gtest/gtest.h>

#include <cmath>

#include "analysis/monte_carlo.h"
#include "analysis/tolerance_model.h"
#include "exact/exact_check.h"
#include "support/start_up_set_up.h"

namespace vn {
namespace {

using test::kMm;

// The same set-up for the meridional exact check.
SolvedSetUp MeridionalCheckInput(const SolvedSetUp& in) {
  SolvedSetUp e;
  e.system = in.system;
  e.objectDistance = in.objectDistance, e.lensMirrorDistance = in.lensMirrorDistance;
  e.wavelengthMicrons = in.wavelengthMicrons, e.lensClearSemiDiameter = in.lensClearSemiDiameter;
  return e;
}

TEST(PupilWavefront, CentredSetUpsAgreeWithTheMeridionalCheck) {
  // The meridional check samples 100 zones along a radius; the pupil here
  // samples rings and spokes. On a centred set-up both measure one round
  // wavefront about the same best axial point, so near a null their P-V and
  // RMS must agree within 0.0005 wave. 40 rings sample the wavefront about
  // as finely as the 100 zones. The best points differ by the two
  // quadratures' minima, a few millionths of an inch; on a wavefront of a
  // wave or more that moves the P-V by about a thousandth of a wave, which
  // is why the cases stay near a null.
  struct Case {
    const char* name;
    double conicPlusOne, lensMirrorChangeMm, wavelength;
  };
  for (const Case c :
       {Case{"start-up", 0.0, 0.0, 0.6328}, Case{"K = -0.99", 0.01, 0.0, 0.6328},
        Case{"spacing off 3 mm", 0.0, 3.0, 0.6328}, Case{"green light", 0.0, 0.0, 0.5461}}) {
    SolvedSetUp in = test::StartUpToleranceInput();
    in.system.ConicPlusOne = c.conicPlusOne;
    in.lensMirrorDistance += c.lensMirrorChangeMm * kMm;
    in.wavelengthMicrons = c.wavelength;
    PupilSampling sampling;
    sampling.rings = 40;
    const ExactCheckResult meridional = RunExactCheck(MeridionalCheckInput(in));
    ASSERT_TRUE(meridional.ok) << meridional.why;
    const ToleranceModel model(in, sampling);
    ASSERT_TRUE(model.ok()) << model.message();
    const PupilWavefront& w = model.design();
    EXPECT_NEAR(w.pvWaves, meridional.pvWaves, 0.0005) << c.name;
    EXPECT_NEAR(w.rmsWaves, meridional.rmsWaves, 0.0005) << c.name;
    // The best point on the axis, where the meridional check puts its focus.
    EXPECT_NEAR(w.referencePoint.x, 0.0, 1e-12) << c.name;
    EXPECT_NEAR(w.referencePoint.y, 0.0, 1e-12) << c.name;
    EXPECT_NEAR(-in.objectDistance - w.referencePoint.z, meridional.bestFocusOffset, 1e-5)
        << c.name;
  }
}

TEST(PupilWavefront, RoundErrorsLeaveOnlyRoundTerms) {
  // Without tilt, decenter or a source off the axis the set-up stays
  // symmetric about its axis, so the change of its wavefront has only m = 0
  // terms (defocus and the sphericals): no coma, no astigmatism. The lens
  // tilted by the same order of change does show coma. Tolerance: the
  // aim's 1e-6 of the pupil and rounding, against changes of ~0.1 wave.
  const ToleranceModel& model = test::StartUpToleranceModel();
  ASSERT_TRUE(model.ok()) << model.message();
  using P = BuildParameter;
  const struct {
    P parameter;
    double amount;
  } round[] = {{P::ObjectDistance, 10 * kMm}, {P::LensMirrorDistance, 5 * kMm},
               {P::LensThickness, -5 * kMm},  {P::MirrorSideRadius, 2.0},
               {P::SourceSideRadius, 100.0},  {P::LensIndex, 0.01}};
  for (const auto& r : round) {
    const PupilWavefront w = model.MeasureChange(BuildErrors::Single(r.parameter, r.amount));
    ASSERT_TRUE(w.ok) << w.why;
    const std::vector<double> z = model.plan().fit.Fit(w.waves);
    EXPECT_GT(std::fabs(z[8]), 0.02) << ParameterInfo(r.parameter).label;  // spherical
    for (int j = 1; j < kReportedFringeTerms; ++j) {
      if (FringeTerm(j).m == 0) continue;
      EXPECT_NEAR(z[j], 0.0, 1e-6) << ParameterInfo(r.parameter).label << " Z" << j + 1;
    }
  }
  const PupilWavefront tilted = model.MeasureChange(BuildErrors::Single(P::LensTilt, 0.05));
  ASSERT_TRUE(tilted.ok) << tilted.why;
  EXPECT_GT(std::fabs(model.plan().fit.Fit(tilted.waves)[7]), 0.1);  // coma along the tilt
}

TEST(PupilWavefront, SourceOffTheAxisIsImagedAcrossIt) {
  // A concave mirror at its centre of curvature images a point beside the
  // axis on the other side of it; through the null lens the returning
  // focus lands the same way. The best reference point must follow it, by
  // about the offset itself (the magnification is near −1).
  const ToleranceModel& model = test::StartUpToleranceModel();
  ASSERT_TRUE(model.ok());
  for (const double offset : {0.5 * kMm, 2.0 * kMm}) {
    const PupilWavefront w =
        model.Measure(BuildErrors::Single(BuildParameter::SourceOffset, offset));
    ASSERT_TRUE(w.ok) << w.why;
    EXPECT_NEAR(w.referencePoint.y / offset, -1.0, 0.05) << offset;
    EXPECT_NEAR(w.referencePoint.x, 0.0, 1e-12);
  }
}

TEST(PupilWavefront, UntraceableSetUpsSayWhatFailed) {
  // A lens moved right out of the beam: the edge rays miss it.
  const ToleranceModel& model = test::StartUpToleranceModel();
  const PupilWavefront w = model.Measure(BuildErrors::Single(BuildParameter::LensDecenter, 3.0));
  EXPECT_FALSE(w.ok);
  EXPECT_TRUE(w.why.starts_with("the ray to ")) << w.why;
  EXPECT_NE(w.why.find("misses the lens"), std::string::npos) << w.why;

  // Set-ups that cannot be analysed at all.
  const struct {
    void (*spoil)(SolvedSetUp&);
    const char* message;
  } cases[] = {
      {[](SolvedSetUp& in) { in.objectDistance = 0; }, "the set-up is not one that can be traced"},
      {[](SolvedSetUp& in) { in.wavelengthMicrons = -0.5; },
       "the set-up is not one that can be traced"},
      {[](SolvedSetUp& in) { in.system.LensRadius2 = std::nan(""); },
       "the ray to 0% of the mirror's radius misses the lens's mirror-side face on the way out"},
      {[](SolvedSetUp& in) { in.system.LensRadius2 = 0.3; },  // a bead, not a lens
       "misses the lens's mirror-side face"},
  };
  for (const auto& c : cases) {
    SolvedSetUp in = test::StartUpToleranceInput();
    c.spoil(in);
    const ToleranceModel spoilt(in);
    EXPECT_FALSE(spoilt.ok());
    EXPECT_NE(spoilt.message().find(c.message), std::string::npos) << spoilt.message();
  }
}

TEST(PupilWavefront, AnEvaluationDoesNotDependOnTheOnesBeforeIt) {
  // A thread keeps its working arrays from one evaluation to the next, and
  // the last pupil's Zernike fit is kept: a set-up measured after others of
  // another pupil, and after one that failed half-way, keeps its figures to
  // the bit, and each pupil gets the fit of its own points.
  const ToleranceModel& model = test::StartUpToleranceModel();
  ASSERT_TRUE(model.ok());
  const BuildErrors errors = DrawBuildErrors(model, DefaultTolerances(false), 7, 3);
  const PupilWavefront first = model.Measure(errors);
  ASSERT_TRUE(first.ok) << first.why;

  PupilSampling coarse;
  coarse.rings = 8;
  coarse.spokes = 16;
  const ToleranceModel other(test::StartUpToleranceInput(), coarse);
  ASSERT_TRUE(other.ok()) << other.message();
  EXPECT_EQ(other.plan().fit.Fit(other.design().waves).size(),
            static_cast<std::size_t>(kReportedFringeTerms));
  EXPECT_TRUE(other.Measure(errors).ok);
  EXPECT_FALSE(model.Measure(BuildErrors::Single(BuildParameter::LensDecenter, 3.0)).ok);

  const PupilWavefront again = model.Measure(errors);
  ASSERT_TRUE(again.ok) << again.why;
  EXPECT_EQ(again.waves, first.waves);
  EXPECT_EQ(again.rmsWaves, first.rmsWaves);
  EXPECT_EQ(again.pvWaves, first.pvWaves);
  EXPECT_EQ(again.referencePoint.z, first.referencePoint.z);
  EXPECT_EQ(model.plan().fit.Fit(again.waves), model.plan().fit.Fit(first.waves));
}

}  // namespace
}  // namespace vn
