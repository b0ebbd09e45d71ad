// Lens file names and folders.
#include "oslo/lens_file_name.h"

#include <algorithm>

#include "common/arithmetic.h"
#include "common/number_text.h"

namespace vn {

namespace {

constexpr const char* kLensExtension = ".len";

// A date or time text made fit for a file name: `from` becomes "_", and so
// does any path separator left in it (a locale whose time format holds "/"
// would otherwise send the file into a folder that does not exist).
std::string NameSafe(std::string text, char from, const std::string& separator) {
  std::replace(text.begin(), text.end(), from, '_');
  std::replace(text.begin(), text.end(), '/', '_');
  if (separator.size() == 1) std::replace(text.begin(), text.end(), separator[0], '_');
  return text;
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::string JoinFolder(const std::string& folder, const std::string& separator,
                       const std::string& name) {
  if (EndsWith(folder, separator)) return folder + name;
  return folder + separator + name;
}

std::string BuildLensFileName(const std::string& folder, const std::string& separator, bool inchRun,
                              double mirrorDiameter, double mirrorRadiusOfCurvature,
                              const ClockText& now) {
  const double diameter = mirrorDiameter;
  const double radius = mirrorRadiusOfCurvature;

  // The mirror's whole diameter and its focal ratio, f/D = R / D / 2, to one
  // decimal; both rounded half to even (254.5 -> 254, 4.25 -> 4.2).
  std::string name = RoundedText(diameter, 0);
  name += inchRun ? "inch" : " mm";
  name += "_F-";
  name += RoundedText(Quotient(radius, diameter, "mirror diameter 0") / 2, 1);

  // The moment of writing, to the second.
  name += "_created_";
  name += NameSafe(now.ShortDate, '/', separator);
  name += "@";
  name += NameSafe(now.LongTime, ':', separator);
  name += kLensExtension;
  return JoinFolder(folder, separator, name);
}

std::string LensFileFolder(const std::string& override, LensFilePlatform& platform) {
  if (!override.empty()) return override;
  const std::string program = platform.ProgramFolder();
  if (platform.IsFolderWritable(program)) return program;
  return platform.DocumentsFolder();
}

NextFileName LensFileNames(const std::string& path,
                           const std::vector<std::string>& writtenEarlier) {
  // Enough for any number of runs in one second; the list ends so that a
  // folder full of held names ends the run instead of searching on.
  constexpr int kLastNumber = 9999;
  const std::string stem = EndsWith(path, kLensExtension) ? path.substr(0, path.size() - 4) : path;
  return [=, n = 1]() mutable -> std::string {
    for (; n <= kLastNumber; ++n) {
      std::string name = n == 1 ? path : stem + "_" + std::to_string(n) + kLensExtension;
      if (std::find(writtenEarlier.begin(), writtenEarlier.end(), name) != writtenEarlier.end()) {
        continue;
      }
      ++n;
      return name;
    }
    return "";
  };
}

}  // namespace vn
