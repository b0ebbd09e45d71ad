// A set of files written into one folder as one unit, under the first set
// number whose names are all free.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vn {

struct FileSetResult {
  bool ok = false;
  std::string why;                 // why not, when !ok
  std::vector<std::string> paths;  // the files written, in the order of the texts
};

// The path of member `member` of set `number` (1, 2, ...).
using FileSetPath = std::function<std::string(int number, std::size_t member)>;

// Writes `texts` as the members of one set, as the lens files take "_2":
// the first member claims the first free set number in one step (no other
// writer takes a set whose first member is held) and each file is written
// whole through a temporary file, taking its name only when that name is
// free. A partner's name held by another file gives the set up for the
// next number. A failure removes the members already written, so that
// nothing new is left beside an older set. `setName` names the sets in the
// message when every number up to `lastSet` is taken ("residual set").
FileSetResult WriteFileSet(const FileSetPath& pathOf, const std::vector<std::string>& texts,
                           const std::string& setName, int lastSet = 9999);

}  // namespace vn
