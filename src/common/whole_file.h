// Files written whole or not at all.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vn {

// What writing a file whole did: the one result of every writer of the
// program (this one, and the lens files' WriteFileUnderFreeName).
struct FileWriteResult {
  std::string why;   // why nothing was written, in the system's words; empty when written
  std::string path;  // the name the file took, where the writer chose it among several
  bool written() const { return why.empty(); }
};

// Writes `bytes` as the file `path`. They go first to a temporary file in the
// same folder, created exclusively under a name no other file has (a file or
// symbolic link already there is never opened or followed), flushed to the
// disk and then renamed over `path` in one step: `path` afterwards holds
// either its old contents or all of the new ones. A symbolic link at `path`
// is replaced, not followed. On failure the temporary file is removed and
// an existing file at `path` stays as it was.
FileWriteResult WriteWholeFile(const std::filesystem::path& path, std::string_view bytes);

}  // namespace vn
