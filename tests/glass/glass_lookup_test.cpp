// Finding glasses by name, near names for a mistyped one, and the glass
// listing.
#include "glass/glass_lookup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vn {
namespace {

// Exact names, then names ignoring case, with their position in the
// documented list order. The marks are part of the
// name: no partial or hyphen-blind matches, which are left to the near names.
// Among equally near names the longer common beginning comes first, then list
// order: "BaK3" is one edit from BaK1, BaK2, BaK4, BaK5 ("BaK"), BaF3 ("Ba")
// and BK3 ("B").
TEST(FindGlass, ExactNameThenIgnoringCaseThenNearNames) {
  const std::pair<const char*, const char*> cases[] = {
      {"BK7", "BK7@49"},      {"bk7", "BK7@49"}, {"o_bsl3", "O_BSL3@49"},
      {"TPH55", "TPH55@275"}, {"FK1", ""},       {"SFPL53", ""},
      {"BK7 ", ""},
  };
  for (const auto& [typed, expected] : cases) {
    const auto g = FindGlass(typed);
    EXPECT_EQ(g ? g->glass->Name + "@" + std::to_string(g->position) : "", expected) << typed;
  }
  EXPECT_EQ(CloseGlassNames("FK1").front(), "FK1*");
  EXPECT_EQ(CloseGlassNames("SFPL53").front(), "S-FPL53");
  EXPECT_EQ(CloseGlassNames("BaK3"),
            (std::vector<std::string>{"BaK1", "BaK2", "BaK4", "BaK5", "BaF3"}));
  EXPECT_TRUE(CloseGlassNames("Quartzglas").empty());
}

// 241 Schott then 276 Ohara lines of catalog, position, name, nd and V, BK7's
// figures being the catalog's reference ones.
TEST(ListGlassesText, OneLinePerGlassInListOrder) {
  const std::string text = ListGlassesText();
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 241 + 276);
  EXPECT_NE(text.find("\nSchott\t49\tBK7\t1.5168\t64.142\n"), std::string::npos);
}

}  // namespace
}  // namespace vn
