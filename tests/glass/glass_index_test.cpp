// The dispersion formula: reference indices, the whole catalogs over the
// dialog's wavelength range, and the failures it must report.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "common/arithmetic.h"
#include "common/number_text.h"
#include "glass/glass_lookup.h"
#include "glass/glass_record.h"

namespace vn {
namespace {

const GlassRecord& Glass(const char* name) { return *FindGlass(name).value().glass; }

// The catalog's published check values, given to 7 decimals; the computed
// index must round to exactly that.
TEST(GlassIndex, MatchesReferenceValuesToSevenDecimals) {
  const std::tuple<const char*, double, double> cases[] = {
      {"BK7", 632.8, 1.5150885},    {"BK7", 587.56, 1.5167988},    {"BK7", 350, 1.5391621},
      {"BK7", 850, 1.5098437},      {"F2", 632.8, 1.6165567},      {"SF11", 632.8, 1.7786208},
      {"S-BSL7", 632.8, 1.5146227}, {"S-FPL53", 632.8, 1.4377713},
  };
  for (const auto& [glass, nm, index] : cases) {
    EXPECT_EQ(Round(GlassIndex(Glass(glass), nm), 7), index) << glass << " " << nm;
  }
}

// Every glass at every whole nanometre the dialog accepts: an index in
// [1.4329, 2.1265] after rounding to 4 decimals (the catalogs' extremes, FK54
// at 850 nm and SF59 at 350 nm), which a NaN fails. This is what keeps the
// dialog from ever meeting an arithmetic failure.
TEST(GlassIndex, EveryGlassIsValidFrom350To850Nm) {
  for (GlassCatalog catalog : {GlassCatalog::Schott, GlassCatalog::Ohara}) {
    for (const GlassRecord& glass : BuiltInGlassCatalogs().Glasses(catalog)) {
      for (int nm = 350; nm <= 850; ++nm) {
        const double n = Round(GlassIndex(glass, nm), 4);
        ASSERT_TRUE(n >= 1.4329 && n <= 2.1265) << glass.Name << " at " << nm << ": " << n;
      }
    }
  }
}

// Each arithmetic failure the formula can meet ends in RunFailure, never in a
// NaN or infinite index: 0 nm divides by λ²; at 1e-80 nm λ⁴ underflows to 0;
// λ² overflows at 1e200 nm, λ⁴ at 1e81 nm, λ⁶ at 1e80 nm; and a glass with
// n² = −1 + 0.01/λ² has n² = −0.96 at 500 nm.
TEST(GlassIndex, ArithmeticFailuresThrow) {
  GlassRecord impossible;
  impossible.A0 = -1, impossible.A2 = 0.01;
  const std::pair<const GlassRecord&, double> cases[] = {
      {Glass("BK7"), 0},    {Glass("BK7"), 1e-80}, {Glass("BK7"), 1e200},
      {Glass("BK7"), 1e81}, {Glass("BK7"), 1e80},  {Glass("BK7"), std::nan("")},
      {impossible, 500}};
  for (const auto& [glass, nm] : cases) EXPECT_THROW(GlassIndex(glass, nm), RunFailure) << nm;
}

}  // namespace
}  // namespace vn
