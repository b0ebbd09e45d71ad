// Glass look-up by name, near names for a mistyped one, and the glass listing.
#include "glass/glass_lookup.h"

#include <algorithm>
#include <tuple>

#include "common/number_text.h"

namespace vn {

namespace {

constexpr GlassCatalog kSearchOrder[] = {GlassCatalog::Schott, GlassCatalog::Ohara};

char FoldCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return FoldCase(x) == FoldCase(y);
         });
}

// Levenshtein distance, case folded.
std::size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      const std::size_t substitution =
          diagonal + (FoldCase(a[i - 1]) == FoldCase(b[j - 1]) ? 0 : 1);
      row[j] = std::min({above + 1, row[j - 1] + 1, substitution});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::size_t CommonPrefixIgnoringCase(std::string_view a, std::string_view b) {
  std::size_t n = 0;
  while (n < a.size() && n < b.size() && FoldCase(a[n]) == FoldCase(b[n])) ++n;
  return n;
}

template <typename Match>
std::optional<FoundGlass> FindFirst(const GlassCatalogs& catalogs, Match matches) {
  for (GlassCatalog catalog : kSearchOrder) {
    const auto glasses = catalogs.Glasses(catalog);
    for (std::size_t k = 0; k < glasses.size(); ++k) {
      if (matches(glasses[k].Name)) return FoundGlass{catalog, static_cast<int>(k), &glasses[k]};
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<FoundGlass> FindGlass(std::string_view name, const GlassCatalogs& catalogs) {
  if (auto exact = FindFirst(catalogs, [&](const std::string& n) { return n == name; }))
    return exact;
  return FindFirst(catalogs, [&](const std::string& n) { return EqualIgnoringCase(n, name); });
}

std::vector<std::string> CloseGlassNames(std::string_view name, std::size_t maxCount,
                                         const GlassCatalogs& catalogs) {
  const std::size_t limit = std::max<std::size_t>(2, name.size() / 3);
  // (distance, −common prefix, catalog, position) orders the candidates.
  std::vector<std::tuple<std::size_t, std::ptrdiff_t, int, std::size_t, const std::string*>>
      candidates;
  for (GlassCatalog catalog : kSearchOrder) {
    const auto glasses = catalogs.Glasses(catalog);
    for (std::size_t k = 0; k < glasses.size(); ++k) {
      const std::size_t distance = EditDistance(name, glasses[k].Name);
      if (distance > limit) continue;
      const auto prefix =
          static_cast<std::ptrdiff_t>(CommonPrefixIgnoringCase(name, glasses[k].Name));
      candidates.emplace_back(distance, -prefix, static_cast<int>(catalog), k, &glasses[k].Name);
    }
  }
  std::sort(candidates.begin(), candidates.end());
  std::vector<std::string> names;
  for (const auto& candidate : candidates) {
    if (names.size() == maxCount) break;
    names.push_back(*std::get<4>(candidate));
  }
  return names;
}

std::string ListGlassesText(const GlassCatalogs& catalogs) {
  std::string text;
  for (GlassCatalog catalog : kSearchOrder) {
    const auto glasses = catalogs.Glasses(catalog);
    for (std::size_t k = 0; k < glasses.size(); ++k) {
      const GlassDispersion d = CatalogDispersion(glasses[k]);
      text += std::string(CatalogWord(catalog)) + "\t" + std::to_string(k) + "\t" +
              glasses[k].Name + "\t" + RoundedText(d.nd, 4) + "\t" + RoundedText(d.V, 3) + "\n";
    }
  }
  return text;
}

}  // namespace vn
