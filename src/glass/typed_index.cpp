// The typed lens index against the named glass's index.
#include "glass/typed_index.h"

#include <cmath>

#include "common/number_text.h"
#include "glass/glass_lookup.h"
#include "glass/glass_record.h"

namespace vn {

namespace {

// Half a unit of the dialog's fifth decimal, with room for the binary
// representation of a typed five-decimal text.
constexpr double kIndexAgreement = 0.5e-5 + 1e-12;

}  // namespace

std::optional<IndexDisagreement> TypedIndexDisagreement(std::string_view typedIndex,
                                                        const std::string& glassName,
                                                        double wavelengthMicrons) {
  const auto typed = ReadNumber(typedIndex);
  if (!typed || !(wavelengthMicrons > 0)) return std::nullopt;
  const auto found = FindGlass(glassName);
  if (!found) return std::nullopt;
  const double nm = wavelengthMicrons * 1000;
  const double n = GlassIndex(*found->glass, nm);
  if (!std::isfinite(n) || std::fabs(*typed - n) <= kIndexAgreement) return std::nullopt;
  return IndexDisagreement{n, RoundedIndexText(*found->glass, nm)};
}

std::string IndexDisagreementText(std::string_view typedIndex, const std::string& glassName,
                                  double wavelengthMicrons, const IndexDisagreement& d) {
  const std::string typed = GeneralNumber(ReadNumber(typedIndex).value_or(0));
  return "The index " + typed + " is not " + glassName + "'s at " +
         GeneralNumber(wavelengthMicrons * 1000) + " nm (" + d.glassIndexText +
         "): the run solves with " + typed + ", and a lens file gives OSLO that index as a " +
         "model glass.";
}

}  // namespace vn
