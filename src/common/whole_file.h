// Files written whole or not at all.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vn {

// Writes `bytes` as the file `path`. They go first to a temporary file in the
// same folder, created exclusively under a name no other file has (a file or
// symbolic link already there is never opened or followed), flushed to the
// disk and then renamed over `path` in one step: `path` afterwards holds
// either its old contents or all of the new ones. A symbolic link at `path`
// is replaced, not followed. Returns nothing on success, otherwise why the
// file could not be written (the temporary file is then removed).
std::optional<std::string> WriteWholeFile(const std::filesystem::path& path,
                                          std::string_view bytes);

}  // namespace vn
