// Writing a file whole or not at all.
#include "common/whole_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace vn {

std::string WriteWholeFile(const std::string& path, const std::string& text) {
  namespace fs = std::filesystem;
  // The temporary file sits in the same folder, so the rename cannot cross
  // file systems and either the whole text arrives under the name or nothing.
  const std::string temporary = path + ".tmp";
  std::error_code ignored;

  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) return std::strerror(errno);
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  const int writeError = errno;
  const bool flushed = written && std::fflush(file) == 0;
  const bool closed = std::fclose(file) == 0;
  if (!written || !flushed || !closed) {
    fs::remove(temporary, ignored);
    return written ? "the file could not be closed" : std::strerror(writeError);
  }

  std::error_code renamed;
  fs::rename(temporary, path, renamed);
  if (renamed) {
    fs::remove(temporary, ignored);
    return renamed.message();
  }
  return {};
}

}  // namespace vn
