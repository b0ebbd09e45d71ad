// The exact check's pictures written as SVG files into a folder, as one set.
#pragma once

#include <string>
#include <vector>

#include "oslo/file_set.h"
#include "pictures/exact_pictures.h"

namespace vn {

// The three pictures' SVG texts at kPictureFileSize, in the order of the
// set's members: the set-up, the wavefront, the aberration.
std::vector<std::string> ExactPictureSvgs(const ExactPictures& pictures);

// "folder/exact_setup.svg" for member 0 of set 1,
// "folder/exact_wavefront_2.svg" for member 1 of set 2.
std::string ExactPicturePath(const std::string& folder, int number, std::size_t member);

// Writes the three pictures into `folder` (which must exist) as one unit:
// exact_setup.svg, exact_wavefront.svg and exact_aberration.svg, else the
// same names with _2, _3 and so on (WriteFileSet).
FileSetResult WriteExactPictures(const ExactPictures& pictures, const std::string& folder);

}  // namespace vn
