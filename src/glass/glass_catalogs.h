// The built-in Schott and Ohara glass catalogs, as the refractive-index dialog
// lists them.
//
// Loading a catalog takes its built-in rows, sorts them by the catalog
// collation (below) and parses each into a GlassRecord; position k of an array
// is position k of the dialog's list of that catalog. The dialog rebuilds the
// catalogs on every opening, so loading is repeatable and always gives the
// same arrays.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "glass/glass_record.h"

namespace vn {

// The two catalogs; the values are the indices of the dialog's catalog option
// buttons (0 Schott, 1 Ohara).
enum class GlassCatalog { Schott = 0, Ohara = 1 };

// "Schott" or "Ohara", as the dialog's labels and the glass listing write it.
const char* CatalogWord(GlassCatalog catalog);

// Places in each catalog array, and how many of them the built-in rows fill.
inline constexpr int kSchottPlaces = 251;
inline constexpr int kSchottGlassCount = 241;
inline constexpr int kOharaPlaces = 301;
inline constexpr int kOharaGlassCount = 276;

// The catalog collation: true when row `a` sorts before row `b`.
//
// The key is the whole row, so in effect the name followed by "|". Characters
// are compared one by one, case-insensitively, digits as characters (not as
// numbers). Punctuation ranks below digits and digits below letters, so a name
// comes before every longer name that begins with it ("K5|" < "K50|"), and
// among punctuation marks the character code decides ("*" below "|", so
// "LaFN2*1" < "LaFN2"). Hyphens do not count ("S-TIH1" sorts as "STIH1").
// Rows equal under these rules fall back to their plain character order so
// that the order stays total; no two built-in names are that close.
bool GlassRowPrecedes(std::string_view a, std::string_view b);

// Sorts rows into catalog order by GlassRowPrecedes.
void SortGlassRows(std::vector<std::string>& rows);

// The two catalog lists of the refractive-index dialog, as the loading needs
// them: emptied and refilled with glass names in array order.
class GlassListControls {
 public:
  virtual ~GlassListControls() = default;
  // Removes every entry (and so the selection) of the catalog's list.
  virtual void ClearList(GlassCatalog list) = 0;
  // Appends a glass name at the end of the catalog's list; the list does not sort.
  virtual void AddListItem(GlassCatalog list, const std::string& name) = 0;
};

// Called once during each catalog load to let the window handle its pending
// events; may be empty.
using YieldCallback = std::function<void()>;

class GlassCatalogs {
 public:
  // Positions 0-240 filled after loading; 241-250 stay empty records.
  std::array<GlassRecord, kSchottPlaces> SchottGlass;
  // Positions 0-275 filled after loading; 276-300 stay empty records.
  std::array<GlassRecord, kOharaPlaces> OharaGlass;
  // The glass of the last list click in the dialog, and its list position
  // (−1 when the list had no selection).
  GlassRecord CurrentGlass;
  std::int16_t CurrentGlassIndex = -1;

  // Builds SchottGlass / OharaGlass from the built-in rows, sorted.
  void LoadSchottCatalog(const YieldCallback& yield = {});
  void LoadOharaCatalog(const YieldCallback& yield = {});
  // Refills both lists from the arrays: Schott list, then Ohara list.
  void FillGlassLists(GlassListControls& lists) const;
  // LoadSchottCatalog, LoadOharaCatalog, then FillGlassLists.
  void LoadGlassCatalogs(GlassListControls& lists, const YieldCallback& yield = {});

  // The filled positions of a catalog (empty before it is loaded).
  std::span<const GlassRecord> Glasses(GlassCatalog catalog) const;

 private:
  int schottFilled_ = 0;
  int oharaFilled_ = 0;
};

// Both catalogs loaded once from the built-in rows, for callers that only
// read them (the command line, the glass look-ups).
const GlassCatalogs& BuiltInGlassCatalogs();

}  // namespace vn
