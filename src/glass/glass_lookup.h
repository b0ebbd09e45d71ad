// Finding catalog glasses by name, and the glass listing, for the command line
// and for the dialog's restoring of a glass by name.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "glass/glass_catalogs.h"

namespace vn {

struct FoundGlass {
  GlassCatalog catalog = GlassCatalog::Schott;
  int position = 0;                    // list position in that catalog
  const GlassRecord* glass = nullptr;  // points into the catalogs searched
};

// The glass of that name, marks included: an exact match first (Schott, then
// Ohara), failing that a match ignoring case (Schott, then Ohara), so "bk7"
// finds "BK7" but "FK1" does not find "FK1*". No two catalog names are equal
// ignoring case, so the second pass cannot be ambiguous.
std::optional<FoundGlass> FindGlass(std::string_view name,
                                    const GlassCatalogs& catalogs = BuiltInGlassCatalogs());

// Up to maxCount catalog names near an unknown name, nearest first: fewest
// single-character edits ignoring case, then the longest common beginning,
// then list order (Schott first). Names further than a third of the typed
// length (at least 2 edits) away are not offered.
std::vector<std::string> CloseGlassNames(std::string_view name, std::size_t maxCount = 5,
                                         const GlassCatalogs& catalogs = BuiltInGlassCatalogs());

// Every catalog glass, one line each ending in "\n", Schott first then Ohara,
// in list order: catalog word, TAB, list position, TAB, name, TAB, nd rounded
// to 4 decimals, TAB, V rounded to 3 decimals (general number form), as the
// dialog's glass data line gives them.
std::string ListGlassesText(const GlassCatalogs& catalogs = BuiltInGlassCatalogs());

}  // namespace vn
