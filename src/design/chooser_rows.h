// The "Choose lens" window's logic, without the window: the rows of its
// results table, the detail shown for a row, and the texts a chosen lens
// puts into the main window's lens fields.
#pragma once

#include <string>
#include <vector>

#include "design/lens_design.h"
#include "design/lens_list.h"
#include "design/lens_ranking.h"

namespace vn {

// The table's columns, in order; lengths in the user's unit.
enum class ChooserColumn {
  Rank,
  Lens,
  Form,
  SourceRadius,
  MirrorRadius,
  Thickness,
  Diameter,
  SourceToLens,
  LensToMirror,
  Residual,
  Strehl,
  Margin,
  Verdict,
};
inline constexpr int kChooserColumnCount = 13;

// A column's heading, with the unit where it has one: "Source to lens (mm)".
std::string ChooserColumnHeading(ChooserColumn column, bool inchUnits);

struct ChooserRow {
  std::vector<std::string> cells;  // one per column
  std::string detail;              // the candidate's lines (CandidateText)
  CandidateFit fit = CandidateFit::CannotNull;
  VerdictStatus status = VerdictStatus::NotANull;
  LensPrescription lens;  // as it stands in the test
  std::string glassName;  // the list's glass, empty for a designed lens
};

std::vector<ChooserRow> DesignRows(const DesignResult& result, const std::string& glassName,
                                   bool inchUnits);
std::vector<ChooserRow> RankingRows(const LensRanking& ranking, const LensList& list,
                                    bool inchUnits);

// What choosing a row types into the main window's lens fields: the texts a
// run reads back to the very lens the chooser solved (so that the find
// button then gives the figures the row shows).
struct LensEntryTexts {
  std::string sourceRadius;  // source-side radius ("9e99" for a flat face)
  std::string mirrorRadius;  // mirror-side radius
  std::string thickness;     // centre thickness
  std::string diameter;      // lens diameter
  std::string index;         // refractive index
  std::string glassName;     // the glass to name in the report; empty: keep the current one
};

LensEntryTexts EntryTextsFor(const ChooserRow& row, bool inchUnits);

}  // namespace vn
