// A set-up's one derived text: an entry as the report and the lens file show it.
#include "record/null_setup.h"

#include "common/number_text.h"

namespace vn {

std::string NullSetup::ShownText(Entry e) const {
  if (typed) return (*typed)[static_cast<std::size_t>(e)];
  const NullSetup& s = *this;
  switch (e) {
    case Entry::MirrorDiameter:
      return GeneralNumber(s.mirrorDiameter);
    case Entry::MirrorRadiusOfCurvature:
      return GeneralNumber(s.mirrorRadiusOfCurvature);
    case Entry::ConicConstant:
      return GeneralNumber(s.conicConstant);
    case Entry::SourceSideRadius:
      return GeneralNumber(s.sourceSideRadius);
    case Entry::MirrorSideRadius:
      return GeneralNumber(s.mirrorSideRadius);
    case Entry::CentreThickness:
      return GeneralNumber(s.centreThickness);
    case Entry::LensDiameter:
      return GeneralNumber(s.lensDiameter);
    case Entry::LensIndex:
      return GeneralNumber(s.lensIndex);
  }
  return {};
}

}  // namespace vn
