// The dispersion formula: reference indices, the whole catalogs over the
// dialog's wavelength range, and the failures it must report.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "common/arithmetic.h"
#include "common/number_text.h"
#include "glass/glass_catalogs.h"
#include "glass/glass_lookup.h"
#include "glass/glass_record.h"

namespace vn {
namespace {

const GlassRecord& Glass(const char* name) { return *FindGlass(name).value().glass; }

// The catalog's published check values, given to 7 decimals; the computed
// index must round to exactly that.
TEST(GlassIndex, MatchesReferenceValuesToSevenDecimals) {
  const struct {
    const char* glass;
    double nm, index;
  } cases[] = {
      {"BK7", 632.8, 1.5150885},    {"BK7", 587.56, 1.5167988},    {"BK7", 350, 1.5391621},
      {"BK7", 850, 1.5098437},      {"F2", 632.8, 1.6165567},      {"SF11", 632.8, 1.7786208},
      {"S-BSL7", 632.8, 1.5146227}, {"S-FPL53", 632.8, 1.4377713},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Round(GlassIndex(Glass(c.glass), c.nm), 7), c.index) << c.glass << " " << c.nm;
  }
}

// Every glass at every whole nanometre the dialog accepts: a finite index in
// [1.4329, 2.1265] after rounding to 4 decimals (the catalogs' extremes, FK54
// at 850 nm and SF59 at 350 nm). This is what keeps the dialog from ever
// meeting an arithmetic failure.
TEST(GlassIndex, EveryGlassIsValidFrom350To850Nm) {
  for (GlassCatalog catalog : {GlassCatalog::Schott, GlassCatalog::Ohara}) {
    for (const GlassRecord& glass : BuiltInGlassCatalogs().Glasses(catalog)) {
      for (int nm = 350; nm <= 850; ++nm) {
        double n = 0;
        ASSERT_NO_THROW(n = GlassIndex(glass, nm)) << glass.Name << " at " << nm;
        ASSERT_GE(Round(n, 4), 1.4329) << glass.Name << " at " << nm;
        ASSERT_LE(Round(n, 4), 2.1265) << glass.Name << " at " << nm;
      }
    }
  }
}

// Each arithmetic failure the formula can meet ends in RunFailure, never in a
// NaN or infinite index: 0 nm divides by λ²; at 1e-80 nm λ⁴ underflows to 0;
// λ² overflows at 1e200 nm, λ⁴ at 1e81 nm, λ⁶ at 1e80 nm.
TEST(GlassIndex, ArithmeticFailuresThrow) {
  GlassRecord impossible;  // n² = −1 + 0.01/λ² is −0.96 at 500 nm
  impossible.A0 = -1;
  impossible.A2 = 0.01;
  const std::pair<const GlassRecord*, double> cases[] = {
      {&Glass("BK7"), 0},    {&Glass("BK7"), 1e-80}, {&Glass("BK7"), 1e200},
      {&Glass("BK7"), 1e81}, {&Glass("BK7"), 1e80},  {&Glass("BK7"), std::nan("")},
      {&impossible, 500}};
  for (const auto& [glass, nm] : cases) {
    try {
      GlassIndex(*glass, nm);
      ADD_FAILURE() << "no failure at " << nm << " nm";
    } catch (const RunFailure& failure) {
      EXPECT_EQ(failure.kind(), FailureKind::Arithmetic) << nm;
    }
  }
}

// A damaged catalog row (a coefficient missing, unreadable or empty) is refused.
TEST(GlassRow, DamagedRowsAreRefused) {
  for (const char* row : {"BK7|2.27189|-0.0101081|0.0105925|0.00020817|-7.64725e-06",
                          "BK7|2.27189|x|0.0105925|0.00020817|-7.64725e-06|4.9241e-07",
                          "BK7|2.27189||0.0105925|0.00020817|-7.64725e-06|4.9241e-07"}) {
    EXPECT_THROW(ParseGlassRow(row), std::invalid_argument) << row;
  }
}

}  // namespace
}  // namespace vn
