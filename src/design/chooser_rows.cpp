// The results table's rows and the texts a chosen lens fills in.
#include "design/chooser_rows.h"

#include <cmath>

#include "common/constants.h"
#include "common/number_text.h"
#include "design/chooser_text.h"
#include "engine/optics_primitives.h"

namespace vn {

namespace {

std::string Unit(bool inch) { return inch ? " (in)" : " (mm)"; }

// A length in the user's unit, to a micrometre or a ten-thousandth of an
// inch; empty when not known.
std::string Cell(double inches, bool inch) {
  if (!std::isfinite(inches)) return {};
  return inch ? RoundedText(inches, 4) : RoundedText(mmFromInch(inches), 3);
}

// A length as a user types it: what the chooser's own run read.
std::string Typed(double inches, bool inch) { return GeneralNumber(unitFromInch(inches, inch)); }

std::string RadiusCell(double inches, bool inch) {
  return IsFlatRadius(inches) ? std::string("flat") : Cell(inches, inch);
}

ChooserRow RowOf(std::size_t rank, const std::string& lens, const std::string& form,
                 const LensPrescription& prescription, const CandidateFigures& f,
                 const std::string& glassName, bool inch) {
  ChooserRow row;
  row.fit = f.fit;
  row.status = f.verdict.status;
  row.lens = prescription;
  row.glassName = glassName;
  row.detail = CandidateText(prescription, f, glassName, inch);
  std::string verdict = VerdictStatusWords(f.verdict.status);
  if (f.fit == CandidateFit::Tight) verdict += ", tight";
  row.cells = {std::to_string(rank),
               lens,
               form,
               RadiusCell(prescription.sourceRadius, inch),
               RadiusCell(prescription.mirrorRadius, inch),
               Cell(prescription.thickness, inch),
               Cell(prescription.diameter, inch),
               Cell(f.objectDistance, inch),
               Cell(f.lensMirrorDistance, inch),
               std::isfinite(f.pvWaves) ? RoundedText(f.pvWaves, 3) : std::string(),
               std::isfinite(f.strehl) ? RoundedText(f.strehl, 4) : std::string(),
               Cell(f.margin, inch),
               verdict};
  return row;
}

}  // namespace

std::string ChooserColumnHeading(ChooserColumn column, bool inch) {
  switch (column) {
    case ChooserColumn::Rank:
      return "#";
    case ChooserColumn::Lens:
      return "Lens";
    case ChooserColumn::Form:
      return "Form";
    case ChooserColumn::SourceRadius:
      return "Source side radius" + Unit(inch);
    case ChooserColumn::MirrorRadius:
      return "Mirror side radius" + Unit(inch);
    case ChooserColumn::Thickness:
      return "Thickness" + Unit(inch);
    case ChooserColumn::Diameter:
      return "Diameter" + Unit(inch);
    case ChooserColumn::SourceToLens:
      return "Source to lens" + Unit(inch);
    case ChooserColumn::LensToMirror:
      return "Lens to mirror" + Unit(inch);
    case ChooserColumn::Residual:
      return "Residual (waves P-V)";
    case ChooserColumn::Strehl:
      return "Strehl";
    case ChooserColumn::Margin:
      return "Margin" + Unit(inch);
    case ChooserColumn::Verdict:
      break;
  }
  return "Verdict";
}

std::vector<ChooserRow> DesignRows(const DesignResult& result, const std::string& glassName,
                                   bool inch) {
  std::vector<ChooserRow> rows;
  for (std::size_t i = 0; i < result.candidates.size(); ++i) {
    const DesignedLens& d = result.candidates[i];
    ChooserRow row =
        RowOf(i + 1, LensFormWords(d.form), ShapeWords(d.lens), d.lens, d.figures, glassName, inch);
    // The main window keeps its own glass: the design used its index.
    row.glassName.clear();
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<ChooserRow> RankingRows(const LensRanking& ranking, const LensList& list, bool inch) {
  std::vector<ChooserRow> rows;
  for (std::size_t i = 0; i < ranking.entries.size(); ++i) {
    const RankedLens& e = ranking.entries[i];
    const ListedLens& listed = list.lenses[e.listIndex];
    std::string name = listed.name;
    if (!listed.partNumber.empty()) {
      name += name.empty() ? listed.partNumber : " (" + listed.partNumber + ")";
    }
    const char* way = e.symmetric ? "either way round, " : e.reversed ? "turned round, " : "";
    rows.push_back(
        RowOf(i + 1, name, way + ShapeWords(e.lens), e.lens, e.figures, listed.glassName, inch));
  }
  return rows;
}

LensEntryTexts EntryTextsFor(const ChooserRow& row, bool inch) {
  const LensPrescription& lens = row.lens;
  const auto radius = [&](double r) {
    return IsFlatRadius(r) ? std::string("9e99") : Typed(r, inch);
  };
  return {radius(lens.sourceRadius),  radius(lens.mirrorRadius), Typed(lens.thickness, inch),
          Typed(lens.diameter, inch), GeneralNumber(lens.index), row.glassName};
}

}  // namespace vn
