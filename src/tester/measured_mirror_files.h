// The measured mirror as files: its radial profile as CSV, its surface map
// as a grey PNG, and both as one SVG (the profile against the wanted conic
// drawn, the map beside it).
#pragma once

#include <string>

#include "tester/grey_image.h"
#include "tester/measured_mirror.h"

namespace vn {

// radius (run's unit), height_nm: the profile from the centre out, then the
// zones.
std::string MeasuredMirrorCsv(const MeasuredMirror& mirror, bool inchUnits);

// The surface map: black the lowest, white the highest; outside the mirror
// and where there is no data mid-grey.
GreyImage MeasuredMirrorMap(const MeasuredMirror& mirror);

std::string MeasuredMirrorSvg(const MeasuredMirror& mirror, bool inchUnits);

// By the path's extension (.csv, .png, .svg, any case), whole or not at all;
// "" on success, else why not.
std::string WriteMeasuredMirror(const MeasuredMirror& mirror, const std::string& path,
                                bool inchUnits);

}  // namespace vn
