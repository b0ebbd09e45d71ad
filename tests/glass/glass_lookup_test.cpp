// Finding glasses by name, near names for a mistyped one, the wavelength check
// shared with the dialog, and the glass listing.
#include "glass/glass_lookup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "glass/refractive_index_dialog.h"

namespace vn {
namespace {

// Exact names, then names ignoring case; positions are those of the
// documented list order. The marks are part of the name: no partial or
// hyphen-blind matches.
TEST(FindGlass, ExactNameThenIgnoringCase) {
  const struct {
    const char* typed;
    GlassCatalog catalog;
    int position;
    const char* name;
  } found[] = {
      {"BK7", GlassCatalog::Schott, 49, "BK7"},     {"bk7", GlassCatalog::Schott, 49, "BK7"},
      {"FK1*", GlassCatalog::Schott, 63, "FK1*"},   {"o_bsl3", GlassCatalog::Ohara, 49, "O_BSL3"},
      {"TPH55", GlassCatalog::Ohara, 275, "TPH55"},
  };
  for (const auto& c : found) {
    const auto glass = FindGlass(c.typed);
    ASSERT_TRUE(glass) << c.typed;
    EXPECT_EQ(glass->catalog, c.catalog) << c.typed;
    EXPECT_EQ(glass->position, c.position) << c.typed;
    EXPECT_EQ(glass->glass->Name, c.name) << c.typed;
  }
  for (const char* unknown : {"FK1", "LaFN21", "SFPL53", "N-BK7", "", "BK7 "}) {
    EXPECT_FALSE(FindGlass(unknown)) << unknown;
  }
}

// One edit away: the missing mark, the maker's modern prefix, a lost hyphen.
// Among equally near names the longer common beginning comes first, then list
// order: "BaK3" is one edit from BaK1, BaK2, BaK4, BaK5 ("BaK"), BaF3 ("Ba")
// and BK3 ("B"), and five are asked for.
TEST(CloseGlassNames, OffersTheNearestNames) {
  EXPECT_EQ(CloseGlassNames("FK1").front(), "FK1*");
  const auto nbk7 = CloseGlassNames("N-BK7");
  EXPECT_NE(std::find(nbk7.begin(), nbk7.end(), "BK7"), nbk7.end());
  EXPECT_EQ(CloseGlassNames("SFPL53").front(), "S-FPL53");
  EXPECT_EQ(CloseGlassNames("BaK3"),
            (std::vector<std::string>{"BaK1", "BaK2", "BaK4", "BaK5", "BaF3"}));
  EXPECT_EQ(CloseGlassNames("SF", 2).size(), 2u);
  EXPECT_TRUE(CloseGlassNames("Quartzglas").empty());
}

// The dialog's range, 350 to 850 nm inclusive, and its two exact messages,
// against texts a careless parse would take: locale commas, units, "nan".
TEST(ReadWavelength, RangeAndMessagesOfTheDialog) {
  for (const char* text : {"350", "850", " 546.1 ", "3.5e2"}) {
    EXPECT_TRUE(ReadWavelength(text).nanometres) << text;
  }
  EXPECT_EQ(ReadWavelength("632.8").nanometres, 632.8);
  for (const char* text : {"349.9", "850.1", "-632.8"}) {
    EXPECT_EQ(ReadWavelength(text).message, "Wavelength needs to be between 350 to 850nm");
  }
  for (const char* text : {"abc", "", "632,8", "632.8nm", "nan", "inf"}) {
    EXPECT_EQ(ReadWavelength(text).message, "wave length data must be a numeric value!") << text;
  }
}

// 241 Schott then 276 Ohara lines of catalog, position, name, nd and V, each
// ended by "\n". BK7's figures are the catalog's reference ones; BSL1's come
// from its row by the dispersion formula, computed independently; F2's nd
// shows the general number form dropping trailing zeros (1.6200 → "1.62").
TEST(ListGlassesText, OneLinePerGlassInListOrder) {
  std::vector<std::string> lines;
  std::istringstream in(ListGlassesText());
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 241u + 276u);
  EXPECT_EQ(lines[49], "Schott\t49\tBK7\t1.5168\t64.142");
  EXPECT_EQ(lines[55], "Schott\t55\tF2\t1.62\t36.351");
  EXPECT_EQ(lines[241], "Ohara\t0\tBSL1\t1.5101\t63.609");
  EXPECT_EQ(ListGlassesText().back(), '\n');
}

}  // namespace
}  // namespace vn
