// The lens chooser's results as text and as JSON: for each candidate the
// lens, the distances to set up (its exact null), the residual there, the
// beam's margin inside the clear aperture and the verdict.
//
// Lengths are in the user's unit (ChooserConditions::inchUnits); a flat
// radius is "flat" in the text and the program's 9e99 in the JSON; radii,
// thicknesses and diameters go into the JSON to a billionth of the unit (so
// that a radius rounded to 0.1 mm reads as it was rounded); a figure that
// could not be computed is null in the JSON.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "design/lens_design.h"
#include "design/lens_list.h"
#include "design/lens_ranking.h"

namespace vn {

// What the results are for: the heading of both forms.
struct ChooserSetting {
  NullTestSystem mirror;  // its mirror fields, inches
  double wavelengthNm = 632.8;
  ChooserConditions conditions;
  // The design's glass; the list's lenses carry their own.
  std::string glassName;
  double index = 0;
};

// A radius as the chooser shows it: "flat", "-291.3 mm", "-11.4685\"" (2
// decimals of a millimetre or 4 of an inch, plus extraDecimals).
std::string RadiusText(double inches, bool inchUnits, int extraDecimals = 0);

// One candidate's lines: the lens, the distances to set up, the residual, the
// beam's margin and the verdict with its reasons, each indented four spaces.
std::string CandidateText(const LensPrescription& lens, const CandidateFigures& figures,
                          const std::string& glassName, bool inchUnits);

std::string DesignText(const DesignResult& result, const ChooserSetting& setting);
std::string DesignJson(const DesignResult& result, const ChooserSetting& setting);

// The first `top` entries of the ranking (all when 0).
std::string RankingText(const LensRanking& ranking, const LensList& list,
                        const ChooserSetting& setting, std::size_t top = 0);
std::string RankingJson(const LensRanking& ranking, const LensList& list,
                        const ChooserSetting& setting, std::size_t top = 0);

}  // namespace vn
