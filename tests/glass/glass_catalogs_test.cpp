// The catalogs as the dialog lists them: the whole order of both catalogs,
// from the data files and from any other arrangement, and loading again.
#include "glass/glass_catalogs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "glass/glass_rows.h"

namespace vn {
namespace {

// The order each list must show, position 0 first, as the product documents
// it: case and hyphens do not count, punctuation sorts below digits and
// digits below letters, "*" below "|". The dialog relies on BK7 at Schott 49.
const char* const kSchottListOrder =
    "BaF12*, BaF13, BaF3, BaF4, BaF5*, BaF50, BaF51, BaF52, BaF53*, BaF54*, BaF8, BaF9, BaFN10, "
    "BaFN11, BaFN6, BaK1, BaK2, BaK4, BaK5, BaK50, BaK6*, BaLF3*, BaLF4, BaLF5, BaLF50, BaLF51*, "
    "BaLF6*, BaLF8*, BaLK1*, BaLKN3, BaSF1, BaSF10, BaSF12, BaSF13, BaSF14*, BaSF2, BaSF5*, "
    "BaSF50*, BaSF51, BaSF52, BaSF54, BaSF55*, BaSF56, BaSF57, BaSF6, BK1, BK10, BK3, BK6, BK7, "
    "BK8, F1, F13, F14, F15, F2, F3, F4, F5, F6, F7, F8, F9, FK1*, FK3, FK5, FK51, FK52, FK54, "
    "FN11, K10, K11, K3, K4, K5, K50, K51*, K7, KF1*, KF3, KF50*, KF6, KF9, KzF1, KzF2, KzF6*, "
    "KzFS1, KzFS6, KzFS8, KzFSN2, KzFSN4, KzFSN5, KzFSN7*, KzFSN9, LaF13, LaF20, LaF22, LaF23*, "
    "LaF25*, LaF26*, LaF9, LaFN10, LaFN11*, LaFN2*1, LaFN2, LaFN24, LaFN28, LaFN3*, LaFN7, LaFN8, "
    "LaK10, LaK11, LaK20*, LaK21, LaK23, LaK28, LaK31, LaK8, LaK9, LaKL21, LaKN12, LaKN13, "
    "LaKN14, LaKN16*, LaKN22, LaKN6, LaKN7, LaSF11*, LaSF13*, LaSF32, LaSF33, LaSF8*, LaSFN15, "
    "LaSFN18*, LaSFN3*, LaSFN30, LaSFN31, LaSFN9, LF1*, LF2*, LF3*, LF4*, LF5, LF6*, LF7, LF8, "
    "LgSK2*, LLF1, LLF2, LLF3*, LLF4*, LLF6, LLF7, PK1, PK2, PK3, PK50, PK51, PSK2, PSK3, PSK50, "
    "PSK52, PSK53, SF1, SF10, SF11, SF12, SF13, SF14, SF15, SF16, SF17*, SF18, SF19, SF2, SF3, "
    "SF4, SF5, SF50*, SF51*, SF52*, SF53, SF54, SF55, SF56, SF57, SF58, SF59, SF6, SF61*, SF62*, "
    "SF63, SF7*, SF8, SF9, SFL56, SFL6, SFN64*, SK1, SK10, SK11, SK12, SK13, SK14, SK15, SK16, "
    "SK19*, SK2, SK20*, SK3, SK4, SK5, SK51, SK52*, SK6, SK7, SK8, SK9*, SKN18*, SSK1, SSK2, "
    "SSK3, SSK4, SSK50, SSK51, SSK52*, SSKN5, SSKN8, TiF1*, TiF2*, TiF3, TiF4*, TiF6, TiFN5, "
    "TiK1*, TiSF1*, UBK7, UK50, ZK1, ZK5*, ZKN7";

const char* const kOharaListOrder =
    "BSL1, BSL7Y, FTL8, NSL3, NSL7, O_BAH10, O_BAH11, O_BAH13, O_BAH22, O_BAH26, O_BAH27, "
    "O_BAH28, O_BAH30, O_BAH32, O_BAH71, O_BAH77, O_BAH78, O_BAL11, O_BAL12, O_BAL14, O_BAL15, "
    "O_BAL15Y, O_BAL2, O_BAL22, O_BAL3, O_BAL35, O_BAL35Y, O_BAL41, O_BAL5, O_BAL7, O_BAM12, "
    "O_BAM21, O_BAM23, O_BAM25, O_BAM3, O_BAM4, O_BAM5, O_BAM8, O_BAM9, O_BPH35, O_BPH40, "
    "O_BPH45, O_BPH5, O_BPH50, O_BPH8, O_BPM4, O_BPM51, O_BSL21, O_BSL22, O_BSL3, O_BSM10, "
    "O_BSM14, O_BSM15, O_BSM16, O_BSM16C, O_BSM2, O_BSM21, O_BSM22, O_BSM23, O_BSM24, O_BSM25, "
    "O_BSM28, O_BSM4, O_BSM51Y, O_BSM6, O_BSM7, O_BSM9, O_FSL3, O_FTL10, O_FTM8, O_LAH71, "
    "O_LAH78, O_LAL58, O_LAM51, O_LAM52, O_LAM58, O_LAM59, O_LAM61, O_LAM7, O_L-BAL35, O_L-BAL42, "
    "O_L-BSM15, O_L-LAL12, O_L-LAM69, O_L-TIM28, O_NSL2, O_NSL33, O_NSL36, O_NSL5, O_PBH1, "
    "O_PBH10, O_PBH11, O_PBH11W, O_PBH13, O_PBH13W, O_PBH14, O_PBH14W, O_PBH21, O_PBH23, "
    "O_PBH23W, O_PBH25, O_PBH25W, O_PBH3, O_PBH3W, O_PBH4, O_PBH4W, O_PBH53, O_PBH53W, O_PBH6, "
    "O_PBH6W, O_PBH71, O_PBH72, O_PBL1, O_PBL1Y, O_PBL2, O_PBL21, O_PBL22, O_PBL25, O_PBL25Y, "
    "O_PBL26, O_PBL26Y, O_PBL27, O_PBL6, PBL6Y, PBM1, PBM18Y, PBM2, PBM22, PBM25, PBM27, PBM28, "
    "PBM28W, PBM2Y, PBM3, PBM35, PBM39, PBM4, PBM5, PBM6, PBM8, PBM8Y, PBM9, S-APL1, S-BAH10, "
    "S-BAH11, S-BAH27, S-BAH28, S-BAH32, S-BAH54, S-BAL11, S-BAL12, S-BAL14, S-BAL2, S-BAL22, "
    "S-BAL3, S-BAL35, S-BAL41, S-BAL42, S-BAL50, S-BAM12, S-BAM3, S-BAM4, S-BSL7, S-BSM10, "
    "S-BSM14, S-BSM15, S-BSM16, S-BSM18, S-BSM2, S-BSM22, S-BSM25, S-BSM28, S-BSM36, S-BSM4, "
    "S-BSM71, S-BSM81, S-BSM9, S-BSM93, S-FPL51, S-FPL51Y, S-FPL52, S-FPL53, S-FSL5, S-FSL5Y, "
    "S-FTL10, S-FTM16, S-LAH51, S-LAH52, S-LAH53, S-LAH54, S-LAH55, S-LAH58, S-LAH59, S-LAH60, "
    "S-LAH63, S-LAH64, S-LAH65, S-LAH66, S-LAH67, S-LAH75, S-LAH79, S-LAL10, S-LAL11, S-LAL12, "
    "S-LAL13, S-LAL14, S-LAL18, S-LAL52, S-LAL54, S-LAL56, S-LAL58, S-LAL59, S-LAL60, S-LAL61, "
    "S-LAL7, S-LAL8, S-LAL9, S-LAM2, S-LAM3, S-LAM51, S-LAM52, S-LAM54, S-LAM55, S-LAM58, "
    "S-LAM59, S-LAM60, S-LAM61, S-LAM66, S-LAM7, S-NBH5, S-NBH8, S-NBM51, S-NPH1, S-NPH2, S-NSL2, "
    "S-NSL3, S-NSL36, S-NSL5, S-PHM51, S-PHM52, S-PHM53, SSL2, SSL5, S-TIH1, S-TIH10, S-TIH11, "
    "S-TIH13, S-TIH14, S-TIH18, S-TIH23, S-TIH3, S-TIH4, S-TIH53, S-TIH6, S-TIL1, S-TIL2, "
    "S-TIL25, S-TIL26, S-TIL27, S-TIL6, S-TIM1, S-TIM2, S-TIM22, S-TIM25, S-TIM27, S-TIM28, "
    "S-TIM3, S-TIM35, S-TIM39, S-TIM5, S-TIM6, S-TIM8, S-YGH51, TIH53, TIM11, TPH55";

// Names joined as the lists above are, from glass records or catalog rows.
std::string NameOf(const GlassRecord& glass) { return glass.Name; }
std::string NameOf(const std::string& row) { return row.substr(0, row.find('|')); }
std::string ListOf(const auto& glassesOrRows) {
  std::string list;
  for (const auto& item : glassesOrRows) list += NameOf(item) + ", ";
  return list.substr(0, list.size() - 2);
}

// The dialog reloads the catalogs at every opening: both loads must give the
// list order, and the second must undo changes made to the arrays in between,
// beyond the glasses included.
TEST(GlassCatalogs, EveryLoadGivesTheListOrder) {
  GlassCatalogs catalogs;
  catalogs.LoadSchottCatalog();
  catalogs.LoadOharaCatalog();
  EXPECT_EQ(ListOf(catalogs.Glasses(GlassCatalog::Schott)), kSchottListOrder);
  EXPECT_EQ(ListOf(catalogs.Glasses(GlassCatalog::Ohara)), kOharaListOrder);
  const GlassCatalogs first = catalogs;
  catalogs.SchottGlass[49].A0 = 0;
  catalogs.SchottGlass[kSchottPlaces - 1].Name = "stray";
  catalogs.OharaGlass[0].Name = "stray";
  catalogs.LoadSchottCatalog();
  catalogs.LoadOharaCatalog();
  EXPECT_EQ(catalogs.SchottGlass, first.SchottGlass);
  EXPECT_EQ(catalogs.OharaGlass, first.OharaGlass);
}

// The data files are stored in list order, so loading them proves little about
// the sort: the same rows reversed and shuffled must sort to the list order.
TEST(GlassCatalogs, SortingAnyArrangementGivesTheListOrder) {
  const std::pair<std::span<const std::string_view>, const char*> catalogs[] = {
      {BuiltInSchottRows(), kSchottListOrder}, {BuiltInOharaRows(), kOharaListOrder}};
  std::mt19937 random(20240611);
  for (const auto& [builtIn, listOrder] : catalogs) {
    std::vector<std::string> rows(builtIn.rbegin(), builtIn.rend());
    for (int round = 0; round < 3; ++round) {
      SortGlassRows(rows);
      EXPECT_EQ(ListOf(rows), listOrder) << "round " << round;
      std::shuffle(rows.begin(), rows.end(), random);
    }
  }
}

}  // namespace
}  // namespace vn
