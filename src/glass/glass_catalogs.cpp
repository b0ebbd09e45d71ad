// Loading, sorting and listing of the built-in glass catalogs.
#include "glass/glass_catalogs.h"

#include <algorithm>
#include <stdexcept>

#include "common/failure.h"
#include "glass/glass_rows.h"

namespace vn {

const char* CatalogWord(GlassCatalog catalog) {
  return catalog == GlassCatalog::Schott ? "Schott" : "Ohara";
}

namespace {

// Collation weight of one character: punctuation (by its code) below digits
// below letters (case folded); bytes outside ASCII come last.
int CollationWeight(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u >= '0' && u <= '9') return 0x100 + u;
  if (u >= 'a' && u <= 'z') return 0x200 + (u - 'a' + 'A');
  if (u >= 'A' && u <= 'Z') return 0x200 + u;
  if (u >= 0x80) return 0x300 + u;
  return u;
}

// Fills one catalog array from its rows: store, sort, yield, parse.
int LoadCatalog(std::span<const std::string_view> builtInRows, std::span<GlassRecord> places,
                const YieldCallback& yield) {
  if (builtInRows.size() > places.size()) {
    throw Failure(FailureKind::ProgramData, "more built-in glass rows than catalog places");
  }
  std::vector<std::string> rows(builtInRows.begin(), builtInRows.end());
  SortGlassRows(rows);
  if (yield) yield();

  std::fill(places.begin(), places.end(), GlassRecord{});
  for (std::size_t k = 0; k < rows.size(); ++k) places[k] = ParseGlassRow(rows[k]);
  return static_cast<int>(rows.size());
}

}  // namespace

bool GlassRowPrecedes(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  for (;;) {
    while (i < a.size() && a[i] == '-') ++i;
    while (j < b.size() && b[j] == '-') ++j;
    if (i == a.size() || j == b.size()) break;
    const int wa = CollationWeight(a[i]);
    const int wb = CollationWeight(b[j]);
    if (wa != wb) return wa < wb;
    ++i, ++j;
  }
  const bool aEnded = i == a.size();
  const bool bEnded = j == b.size();
  if (aEnded != bEnded) return aEnded;  // the shorter key first
  return a < b;
}

void SortGlassRows(std::vector<std::string>& rows) {
  std::sort(rows.begin(), rows.end(),
            [](const std::string& a, const std::string& b) { return GlassRowPrecedes(a, b); });
}

void GlassCatalogs::LoadSchottCatalog(const YieldCallback& yield) {
  schottFilled_ = LoadCatalog(BuiltInSchottRows(), SchottGlass, yield);
}

void GlassCatalogs::LoadOharaCatalog(const YieldCallback& yield) {
  oharaFilled_ = LoadCatalog(BuiltInOharaRows(), OharaGlass, yield);
}

void GlassCatalogs::FillGlassLists(GlassListControls& lists) const {
  lists.ClearList(GlassCatalog::Schott);
  lists.ClearList(GlassCatalog::Ohara);
  for (const GlassRecord& glass : Glasses(GlassCatalog::Schott)) {
    lists.AddListItem(GlassCatalog::Schott, glass.Name);
  }
  for (const GlassRecord& glass : Glasses(GlassCatalog::Ohara)) {
    lists.AddListItem(GlassCatalog::Ohara, glass.Name);
  }
}

void GlassCatalogs::LoadGlassCatalogs(GlassListControls& lists, const YieldCallback& yield) {
  LoadSchottCatalog(yield);
  LoadOharaCatalog(yield);
  FillGlassLists(lists);
}

std::span<const GlassRecord> GlassCatalogs::Glasses(GlassCatalog catalog) const {
  if (catalog == GlassCatalog::Schott) {
    return std::span<const GlassRecord>(SchottGlass).first(static_cast<std::size_t>(schottFilled_));
  }
  return std::span<const GlassRecord>(OharaGlass).first(static_cast<std::size_t>(oharaFilled_));
}

const GlassCatalogs& BuiltInGlassCatalogs() {
  static const GlassCatalogs catalogs = [] {
    GlassCatalogs loaded;
    loaded.LoadSchottCatalog();
    loaded.LoadOharaCatalog();
    return loaded;
  }();
  return catalogs;
}

}  // namespace vn
