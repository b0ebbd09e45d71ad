// The tester's pictures as files: PNG with the caption drawn in, or SVG with
// the caption as text and the mirror's picture inside as a PNG.
#pragma once

#include <string>

#include "common/whole_file.h"
#include "tester/grey_image.h"
#include "tester/null_views.h"

namespace vn {

// The picture laid out on white: the title above the mirror, the caption
// below it, wrapped to the width.
GreyImage LabelledImage(const TesterPicture& picture);

std::string LabelledSvg(const TesterPicture& picture);

// Writes the picture as PNG or SVG by the path's extension (.png, .svg, any
// case), whole or not at all.
FileWriteResult WriteTesterPicture(const TesterPicture& picture, const std::string& path);

// The same, but never over a file that is there: the picture takes `path`
// when it is free, else the first free of "name_2.png", "name_3.png" and so
// on, in one step as the lens files take theirs; `path` of the result is the
// name taken.
FileWriteResult WriteTesterPictureUnderFreeName(const TesterPicture& picture,
                                                const std::string& path);

}  // namespace vn
