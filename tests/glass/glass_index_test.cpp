// The dispersion formula: catalog rows into records, reference indices, the
// whole catalogs over the dialog's wavelength range, and the checked failures.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "common/arithmetic.h"
#include "common/number_text.h"
#include "glass/glass_catalogs.h"
#include "glass/glass_lookup.h"
#include "glass/glass_record.h"

namespace vn {
namespace {

const GlassRecord& Glass(const char* name) {
  const auto found = FindGlass(name);
  if (!found) throw std::logic_error(std::string("no glass ") + name);
  return *found->glass;
}

TEST(GlassRow, SplitsNameAndSixCoefficients) {
  const GlassRecord bk7 =
      ParseGlassRow("BK7|2.27189|-0.0101081|0.0105925|0.00020817|-7.64725e-06|4.9241e-07");
  EXPECT_EQ(bk7.Name, "BK7");
  EXPECT_EQ(bk7.CatalogRow, "BK7|2.27189|-0.0101081|0.0105925|0.00020817|-7.64725e-06|4.9241e-07");
  // Each coefficient is the double nearest its decimal text, exponent form included.
  EXPECT_EQ(bk7.A0, 2.27189);
  EXPECT_EQ(bk7.A1, -0.0101081);
  EXPECT_EQ(bk7.A2, 0.0105925);
  EXPECT_EQ(bk7.A3, 0.00020817);
  EXPECT_EQ(bk7.A4, -7.64725e-06);
  EXPECT_EQ(bk7.A5, 4.9241e-07);

  // Marks belong to the name.
  EXPECT_EQ(ParseGlassRow("LaFN2*1|1|0|0|0|0|0").Name, "LaFN2*1");
  EXPECT_EQ(ParseGlassRow("O_L-BAL35|1|0|0|0|0|0").Name, "O_L-BAL35");
}

TEST(GlassRow, DamagedRowsAreRefused) {
  EXPECT_THROW(ParseGlassRow("BK7|2.27189|-0.0101081|0.0105925|0.00020817|-7.64725e-06"),
               std::invalid_argument);
  EXPECT_THROW(ParseGlassRow("BK7|2.27189|x|0.0105925|0.00020817|-7.64725e-06|4.9241e-07"),
               std::invalid_argument);
  EXPECT_THROW(ParseGlassRow("BK7|2.27189||0.0105925|0.00020817|-7.64725e-06|4.9241e-07"),
               std::invalid_argument);
}

// The reference indices are the catalog's published check values, given to 7
// decimals; the computed index must round to exactly that (half-even on the
// binary value, as Round does).
TEST(GlassIndex, MatchesReferenceValuesToSevenDecimals) {
  struct Case {
    const char* glass;
    double nm;
    double index;
  };
  const Case cases[] = {
      {"BK7", 632.8, 1.5150885},    {"BK7", 587.56, 1.5167988},    {"BK7", 350, 1.5391621},
      {"BK7", 850, 1.5098437},      {"F2", 632.8, 1.6165567},      {"SF11", 632.8, 1.7786208},
      {"S-BSL7", 632.8, 1.5146227}, {"S-FPL53", 632.8, 1.4377713},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Round(GlassIndex(Glass(c.glass), c.nm), 7), c.index)
        << c.glass << " at " << c.nm << " nm";
  }
}

// The texts the dialog and the main window's default lens index show; the
// values come from the BK7 reference row (1.5150885 → "1.51509"; nd and V from
// the d, C and F lines as the catalog data line gives them).
TEST(GlassIndex, DialogFiguresOfBK7) {
  EXPECT_EQ(RoundedIndexText(Glass("BK7"), 632.8), "1.51509");
  const GlassDispersion d = CatalogDispersion(Glass("BK7"));
  EXPECT_EQ(RoundedText(d.nd, 4), "1.5168");
  EXPECT_EQ(RoundedText(d.V, 3), "64.142");
}

// Every glass at every whole nanometre the dialog accepts gives a valid index,
// and the catalogs' extremes lie in [1.4329, 2.1265] after rounding to 4
// decimals (FK54 at 850 nm is the lowest; SF59 at 350 nm the highest, 2.1259
// with these rows). This sweep is what guarantees that the dialog never hits
// an arithmetic failure.
TEST(GlassIndex, EveryGlassIsValidFrom350To850Nm) {
  const GlassCatalogs& catalogs = BuiltInGlassCatalogs();
  double lowest = std::numeric_limits<double>::infinity(), highest = 0;
  std::string lowestAt, highestAt;
  for (GlassCatalog catalog : {GlassCatalog::Schott, GlassCatalog::Ohara}) {
    for (const GlassRecord& glass : catalogs.Glasses(catalog)) {
      for (int nm = 350; nm <= 850; ++nm) {
        double n = 0;
        ASSERT_NO_THROW(n = GlassIndex(glass, nm)) << glass.Name << " at " << nm << " nm";
        const double rounded = Round(n, 4);
        ASSERT_GE(rounded, 1.4329) << glass.Name << " at " << nm << " nm";
        ASSERT_LE(rounded, 2.1265) << glass.Name << " at " << nm << " nm";
        if (n < lowest) lowest = n, lowestAt = glass.Name + "@" + std::to_string(nm);
        if (n > highest) highest = n, highestAt = glass.Name + "@" + std::to_string(nm);
      }
    }
  }
  EXPECT_EQ(lowestAt, "FK54@850");
  EXPECT_EQ(highestAt, "SF59@350");
}

// Each kind of arithmetic failure the formula can meet ends in RunFailure
// instead of a NaN or infinite index.
TEST(GlassIndex, ArithmeticFailuresThrow) {
  const GlassRecord& bk7 = Glass("BK7");
  auto kindOf = [](const GlassRecord& glass, double nm) {
    try {
      GlassIndex(glass, nm);
    } catch (const RunFailure& failure) {
      return failure.kind();
    }
    ADD_FAILURE() << "no failure at " << nm << " nm";
    return FailureKind::File;
  };
  // Wavelength 0: A2 / L2 divides by zero.
  EXPECT_EQ(kindOf(bk7, 0), FailureKind::Arithmetic);
  // 1e-80 nm: L2 = 1e-166, and L4 underflows to zero, so A3 / L4 divides by zero.
  EXPECT_EQ(kindOf(bk7, 1e-80), FailureKind::Arithmetic);
  // Overflow at each power: λ² itself at 1e200 nm; L4 = 1e312 at 1e81 nm;
  // L6 = 1e462 at 1e80 nm, where L4 = 1e308 is still finite.
  EXPECT_EQ(kindOf(bk7, 1e200), FailureKind::Arithmetic);
  EXPECT_EQ(kindOf(bk7, 1e81), FailureKind::Arithmetic);
  EXPECT_EQ(kindOf(bk7, 1e80), FailureKind::Arithmetic);
  EXPECT_EQ(kindOf(bk7, std::numeric_limits<double>::quiet_NaN()), FailureKind::Arithmetic);

  // A negative sum under the root: n² = −1 + 0.01/λ² at 500 nm is −0.96.
  GlassRecord impossible;
  impossible.A0 = -1;
  impossible.A2 = 0.01;
  EXPECT_EQ(kindOf(impossible, 500), FailureKind::Arithmetic);

  // The sign of the wavelength does not matter: only its even powers enter.
  EXPECT_EQ(GlassIndex(bk7, -632.8), GlassIndex(bk7, 632.8));
}

}  // namespace
}  // namespace vn
