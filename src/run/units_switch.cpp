// Units switching: 25.4 millimetres to the inch, exactly.
#include "run/units_switch.h"

#include <cmath>

#include "common/constants.h"
#include "common/number_text.h"
#include "record/run_host.h"
#include "record/run_units.h"

namespace vn {

std::optional<std::string> ConvertLengthText(const std::string& text, bool toInch) {
  const auto x = ReadNumber(text);
  if (!x) return std::nullopt;
  const double converted = toInch ? inchFromMm(*x) : mmFromInch(*x);
  if (!std::isfinite(converted)) return std::nullopt;
  return GeneralNumber(converted);
}

std::optional<LengthField> UnitsSwitch::Click(int i, std::array<std::string, 6>& fields) {
  if (i == currentUnitIndex_) return std::nullopt;
  const bool toInch = currentUnitIndex_ == kMm;
  // Convert all six first: a switch is made whole or not at all, so the
  // option group, the unit index and the texts always agree.
  std::array<std::string, 6> converted;
  for (std::size_t k = 0; k < fields.size(); ++k) {
    auto text = ConvertLengthText(fields[k], toInch);
    if (!text) return kLengthFields[k];
    converted[k] = *text;
  }
  fields = converted;
  currentUnitIndex_ = i;
  return std::nullopt;
}

const char* LengthFieldName(LengthField f) {
  // The fields in the order of LengthField.
  constexpr Entry kEntries[] = {Entry::MirrorDiameter,   Entry::MirrorRadiusOfCurvature,
                                Entry::SourceSideRadius, Entry::MirrorSideRadius,
                                Entry::CentreThickness,  Entry::LensDiameter};
  return EntryCaption(kEntries[static_cast<int>(f)]);
}

}  // namespace vn
