// Sets of files claimed and written as one unit.
#include "oslo/file_set.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "oslo/lens_file_platform.h"

namespace vn {

FileSetResult WriteFileSet(const FileSetPath& pathOf, const std::vector<std::string>& texts,
                           const std::string& setName, int lastSet) {
  FileSetResult result;
  if (texts.empty()) {
    result.ok = true;
    return result;
  }
  const auto removeWritten = [&] {
    std::error_code ignored;
    for (const std::string& path : result.paths) std::filesystem::remove(path, ignored);
    result.paths.clear();
  };
  for (int first = 1; first <= lastSet;) {
    // The first member takes the first free set number from `first` on.
    int number = first;
    int offered = first;
    const NextFileName names = [&]() -> std::string {
      if (offered > lastSet) return "";
      number = offered++;
      return pathOf(number, 0);
    };
    const FileWriteResult head = WriteFileUnderFreeName(names, texts[0]);
    if (!head.written()) {
      result.why = "cannot write " + pathOf(number, 0) + ": " + head.why;
      return result;
    }
    result.paths.push_back(head.path);
    // Its partners under the same number. A name held there (a file left
    // from an older set, or the user's) gives the set up for the next one.
    bool held = false;
    for (std::size_t k = 1; k < texts.size() && !held; ++k) {
      const std::string path = pathOf(number, k);
      bool given = false;
      const FileWriteResult member = WriteFileUnderFreeName(
          [&]() -> std::string { return std::exchange(given, true) ? "" : path; }, texts[k]);
      if (member.written()) {
        result.paths.push_back(member.path);
        continue;
      }
      removeWritten();
      std::error_code ignored;
      held = std::filesystem::exists(std::filesystem::symlink_status(path, ignored));
      if (!held) {
        result.why = "cannot write " + path + ": " + member.why;
        return result;
      }
    }
    if (!held) {
      result.ok = true;
      return result;
    }
    first = number + 1;
  }
  result.why = "cannot write " + pathOf(lastSet, 0) + ": every " + setName + "'s name up to _" +
               std::to_string(lastSet) + " is taken in the folder";
  return result;
}

}  // namespace vn
