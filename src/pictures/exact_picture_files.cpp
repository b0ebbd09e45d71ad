// The exact check's pictures as a set of SVG files.
#include "pictures/exact_picture_files.h"

#include <filesystem>

namespace vn {

namespace {

constexpr const char* kPictureNames[3] = {"exact_setup", "exact_wavefront", "exact_aberration"};

}  // namespace

std::vector<std::string> ExactPictureSvgs(const ExactPictures& pictures) {
  return {SvgText(DrawSetUp(pictures.setUp, kPictureFileSize), kPictureNames[0]),
          SvgText(DrawCurvePlot(pictures.wavefront, kPictureFileSize), kPictureNames[1]),
          SvgText(DrawCurvePlot(pictures.aberration, kPictureFileSize), kPictureNames[2])};
}

std::string ExactPicturePath(const std::string& folder, int number, std::size_t member) {
  std::string name = kPictureNames[member];
  if (number > 1) {
    name += '_';
    name += std::to_string(number);
  }
  return (std::filesystem::path(folder) / (name + ".svg")).string();
}

FileSetResult WriteExactPictures(const ExactPictures& pictures, const std::string& folder) {
  return WriteFileSet(
      [&](int number, std::size_t member) { return ExactPicturePath(folder, number, member); },
      ExactPictureSvgs(pictures), "picture set");
}

}  // namespace vn
