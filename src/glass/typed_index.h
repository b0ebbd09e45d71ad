// Whether the lens index typed by hand is the index of the glass the set-up
// names. The run solves with the typed index, while the echo and the lens
// file name the glass last chosen: when the two disagree the user must be
// told, and OSLO must be given the index that was solved, not the glass's.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vn {

// The named glass's index at the test wavelength, when the typed index is
// not it.
struct IndexDisagreement {
  double glassIndex = 0;       // the catalog's, at the wavelength
  std::string glassIndexText;  // rounded to five decimals, as the dialog sends it
};

// Nothing when the typed index agrees with the glass's to the five decimals
// the refractive-index dialog gives (within half a unit of the fifth
// decimal), or when there is nothing to compare: the text is not a number,
// the glass is not in the catalogs, or the wavelength is not positive.
std::optional<IndexDisagreement> TypedIndexDisagreement(std::string_view typedIndex,
                                                        const std::string& glassName,
                                                        double wavelengthMicrons);

// The sentence that says so, for the window, the command line and the lens
// file's reader: "The index 1.5 is not BK7's at 632.8 nm (1.51509): ...".
std::string IndexDisagreementText(std::string_view typedIndex, const std::string& glassName,
                                  double wavelengthMicrons, const IndexDisagreement& d);

}  // namespace vn
