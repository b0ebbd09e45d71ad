// Where a lens file goes and what it is called: the mirror's diameter, its
// focal ratio and the moment of writing, as in
// "254 mm_F-4.5_created_12_5_2026@1_23_45 PM.len".
#pragma once

#include <string>
#include <vector>

#include "oslo/lens_file_platform.h"

namespace vn {

// `folder`, the separator unless the folder text already ends with it, and
// `name`: a root folder ("/", "C:\") gets no doubled separator.
std::string JoinFolder(const std::string& folder, const std::string& separator,
                       const std::string& name);

// The lens file's full path in `folder`. The mirror's diameter and radius of
// curvature are in the run's unit, as given; a zero diameter throws
// RunFailure(Arithmetic).
std::string BuildLensFileName(const std::string& folder, const std::string& separator, bool inchRun,
                              double mirrorDiameter, double mirrorRadiusOfCurvature,
                              const ClockText& now);

// The folder that lens files and the probe's scratch file go to: `override`
// when given; else the program's folder when it is writable; else the user's
// documents folder, because an installed program's folder belongs to the
// system and writing there would always fail.
std::string LensFileFolder(const std::string& override, LensFilePlatform& platform);

// The names a lens file of this run may take, first to last: `path` itself,
// then "..._2.len", "..._3.len" and so on up to "..._9999.len", leaving out
// those written earlier in the run (`writtenEarlier`). The name carries the
// time only to the second, so the up to three files of one run, and files of
// runs side by side, would otherwise replace one another.
NextFileName LensFileNames(const std::string& path, const std::vector<std::string>& writtenEarlier);

}  // namespace vn
