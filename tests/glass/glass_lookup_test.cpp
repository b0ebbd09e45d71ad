// Finding glasses by name, near names for a mistyped one, the wavelength
// check shared with the dialog, and the glass listing.
#include "glass/glass_lookup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "glass/refractive_index_dialog.h"

namespace vn {
namespace {

TEST(FindGlass, ExactNameThenIgnoringCase) {
  struct Case {
    const char* typed;
    GlassCatalog catalog;
    int position;
    const char* name;
  };
  // Positions are those of the documented list order.
  const Case found[] = {
      {"BK7", GlassCatalog::Schott, 49, "BK7"},
      {"bk7", GlassCatalog::Schott, 49, "BK7"},
      {"FK1*", GlassCatalog::Schott, 63, "FK1*"},
      {"LaFN2*1", GlassCatalog::Schott, 103, "LaFN2*1"},
      {"BSL1", GlassCatalog::Ohara, 0, "BSL1"},
      {"o_bsl3", GlassCatalog::Ohara, 49, "O_BSL3"},
      {"S-FPL53", GlassCatalog::Ohara, 181, "S-FPL53"},
      {"TPH55", GlassCatalog::Ohara, 275, "TPH55"},
  };
  for (const Case& c : found) {
    const auto glass = FindGlass(c.typed);
    ASSERT_TRUE(glass) << c.typed;
    EXPECT_EQ(glass->catalog, c.catalog) << c.typed;
    EXPECT_EQ(glass->position, c.position) << c.typed;
    EXPECT_EQ(glass->glass->Name, c.name) << c.typed;
  }
  // The marks are part of the name; no partial or hyphen-blind matches.
  for (const char* unknown : {"FK1", "LaFN21", "BSL3", "SFPL53", "N-BK7", "", "BK7 "}) {
    EXPECT_FALSE(FindGlass(unknown)) << unknown;
  }
}

// No name equals another ignoring case, within or across the catalogs, so the
// case-blind pass of FindGlass can never pick between two glasses.
TEST(FindGlass, NamesAreDistinctIgnoringCase) {
  std::vector<std::string> folded;
  for (GlassCatalog catalog : {GlassCatalog::Schott, GlassCatalog::Ohara}) {
    for (const GlassRecord& glass : BuiltInGlassCatalogs().Glasses(catalog)) {
      std::string name = glass.Name;
      std::transform(name.begin(), name.end(), name.begin(),
                     [](unsigned char c) { return std::toupper(c); });
      folded.push_back(name);
    }
  }
  std::sort(folded.begin(), folded.end());
  EXPECT_EQ(std::adjacent_find(folded.begin(), folded.end()), folded.end());
}

TEST(CloseGlassNames, OffersTheNearestNames) {
  // One edit away: the missing mark, the maker's modern prefix, a lost hyphen.
  EXPECT_EQ(CloseGlassNames("FK1").front(), "FK1*");
  const auto nbk7 = CloseGlassNames("N-BK7");
  EXPECT_NE(std::find(nbk7.begin(), nbk7.end(), "BK7"), nbk7.end());
  EXPECT_EQ(CloseGlassNames("SFPL53").front(), "S-FPL53");
  // Among equally near names the longer common beginning comes first, then
  // list order: "BaK3" is one edit from BaK1, BaK2, BaK4, BaK5 (common "BaK"),
  // BaF3 (common "Ba") and BK3 (common "B").
  EXPECT_EQ(CloseGlassNames("BaK3"),
            (std::vector<std::string>{"BaK1", "BaK2", "BaK4", "BaK5", "BaF3"}));
  // At most the number asked for; nothing for a name far from every glass.
  EXPECT_EQ(CloseGlassNames("SF", 5).size(), 5u);
  EXPECT_EQ(CloseGlassNames("SF", 2).size(), 2u);
  EXPECT_TRUE(CloseGlassNames("Quartzglas").empty());
}

TEST(ReadWavelength, RangeAndMessagesOfTheDialog) {
  for (const char* accepted : {"350", "850", "632.8", " 546.1 ", "3.5e2", "+850.0"}) {
    const WavelengthReading r = ReadWavelength(accepted);
    EXPECT_TRUE(r.nanometres) << accepted;
    EXPECT_EQ(r.message, "") << accepted;
  }
  EXPECT_EQ(*ReadWavelength("632.8").nanometres, 632.8);
  for (const char* outside : {"349.9", "850.1", "0", "-632.8", "1e9"}) {
    const WavelengthReading r = ReadWavelength(outside);
    EXPECT_FALSE(r.nanometres) << outside;
    EXPECT_EQ(r.message, "Wavelength needs to be between 350 to 850nm") << outside;
  }
  for (const char* notNumbers : {"abc", "", "632,8", "632.8nm", "nan", "inf"}) {
    const WavelengthReading r = ReadWavelength(notNumbers);
    EXPECT_FALSE(r.nanometres) << notNumbers;
    EXPECT_EQ(r.message, "wave length data must be a numeric value!") << notNumbers;
  }
}

// The listing: 241 Schott then 276 Ohara lines, each ended by "\n", with the
// figures of the dialog's glass data line (BK7's "1.5168" and "64.142" are the
// catalog's reference figures; BSL1's and O_BSL3's come from their rows by the
// dispersion formula, computed independently of this program; F2's nd shows
// the general number form dropping a trailing zero, 1.6200 → "1.62").
TEST(ListGlassesText, OneLinePerGlassInListOrder) {
  const std::string text = ListGlassesText();
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n');
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 241u + 276u);

  EXPECT_EQ(lines[49], "Schott\t49\tBK7\t1.5168\t64.142");
  EXPECT_EQ(lines[55], "Schott\t55\tF2\t1.62\t36.351");
  EXPECT_EQ(lines[63], "Schott\t63\tFK1*\t1.4707\t67.311");
  EXPECT_EQ(lines[241], "Ohara\t0\tBSL1\t1.5101\t63.609");
  EXPECT_EQ(lines[241 + 49], "Ohara\t49\tO_BSL3\t1.4983\t65.023");
  EXPECT_EQ(lines.back().rfind("Ohara\t275\tTPH55\t", 0), 0u);
  for (const std::string& line : lines) {
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 4) << line;
    EXPECT_EQ(line.find('\r'), std::string::npos) << line;
  }
}

}  // namespace
}  // namespace vn
