// Writing a file whole or not at all.
#pragma once

#include <string>

namespace vn {

// Writes `text` byte for byte as the file `path`: the text goes to a
// temporary file in the same folder, which is then renamed to `path`, so a
// reader sees either the old file or the whole new one. On failure the
// temporary file is removed, an existing file at `path` is left as it was,
// and the reason comes back ("" on success).
std::string WriteWholeFile(const std::string& path, const std::string& text);

}  // namespace vn
