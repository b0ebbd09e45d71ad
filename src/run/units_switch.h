// Switching the units of the main window: the six length fields are
// converted in place so that the mirror and the lens keep their physical
// size. The conic constant and the refractive index have no unit.
#pragma once

#include <array>
#include <optional>
#include <string>

namespace vn {

// The converted fields, in the order of conversion.
enum class LengthField {
  MirrorDiameter,
  MirrorRadiusOfCurvature,
  SourceSideRadius,
  MirrorSideRadius,
  CentreThickness,
  LensDiameter,
};
inline constexpr std::array<LengthField, 6> kLengthFields = {
    LengthField::MirrorDiameter,   LengthField::MirrorRadiusOfCurvature,
    LengthField::SourceSideRadius, LengthField::MirrorSideRadius,
    LengthField::CentreThickness,  LengthField::LensDiameter};

// A length text converted to the other unit in the general number form, or
// nothing when the text is not a number or the result overflows.
std::optional<std::string> ConvertLengthText(const std::string& text, bool toInch);

class UnitsSwitch {
 public:
  static constexpr int kInch = 0;
  static constexpr int kMm = 1;

  // Index of the unit the field texts are in now: 0 inch, 1 mm (the start-up unit).
  int CurrentUnitIndex() const { return currentUnitIndex_; }

  // The option i was clicked; fields holds the six texts in conversion order
  // and is rewritten on success. When a field cannot be converted, nothing
  // changes, the unit stays as it was, and the name of the first such field
  // is returned so the window can tell the user and put the option back.
  std::optional<LengthField> Click(int i, std::array<std::string, 6>& fields);

  // The fields were given texts in unit i (0 inch, 1 mm) from elsewhere, an
  // opened set-up file: later clicks convert from that unit.
  void SetCurrentUnitIndex(int i) { currentUnitIndex_ = i == kInch ? kInch : kMm; }

 private:
  int currentUnitIndex_ = kMm;
};

// The control name of a length field, for messages.
const char* LengthFieldName(LengthField f);

}  // namespace vn
