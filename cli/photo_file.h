// A photo the user names on the command line (PNG or JPEG), read whole and
// decoded to grey levels for the core's photo fits.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "tester/grey_image.h"

namespace vn::cli {

// The largest photo file and picture read: far beyond a phone's photo
// (12 to 50 megapixels, a few to 20 MB), small enough to decode in seconds.
inline constexpr std::size_t kMaxPhotoFileBytes = 64 * 1024 * 1024;
inline constexpr long long kMaxPhotoPixels = 64LL * 1000 * 1000;

// The photo at `path` named with `option`, as grey levels (colours mixed by
// the decoder's luminance weights). UsageProblem naming the option and the
// path when it is no file that can be read, too large, or no PNG or JPEG
// picture that decodes whole; StoppedByTimeout when the deadline passed.
GreyImage ReadPhoto(const std::string& option, const std::string& path,
                    std::chrono::steady_clock::time_point deadline);

}  // namespace vn::cli
