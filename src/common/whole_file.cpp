// Whole-file writing through an exclusive temporary file and a rename.
#include "common/whole_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

namespace vn {

namespace {

namespace fs = std::filesystem;

// Temporary names tried before giving up: a clash is already unlikely once.
constexpr int kTemporaryNameAttempts = 16;

// A new file opened for writing, or nullptr with errno set; EEXIST when
// anything at all, a dangling symbolic link included, already has the name.
// The "x" mode is C11's exclusive creation (O_CREAT | O_EXCL), which never
// follows a symbolic link. Windows' older C runtime (msvcrt.dll, which
// mingw-w64 programs use) does not know the "x" mode, so there the file is
// created with the flags themselves and given a stream afterwards.
std::FILE* CreateExclusive(const fs::path& path) {
#ifdef _WIN32
  const int fd =
      _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0) return nullptr;
  std::FILE* file = _wfdopen(fd, L"wb");
  if (file == nullptr) _close(fd);
  return file;
#else
  return std::fopen(path.c_str(), "wbx");
#endif
}

// Writes, flushes and closes `file`; the text reaches the disk before the
// rename makes it the file's contents.
std::optional<std::string> WriteAndClose(std::FILE* file, std::string_view bytes) {
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  int error = written ? 0 : errno;
  if (written && std::fflush(file) != 0) error = errno;
#ifndef _WIN32
  if (error == 0 && fsync(fileno(file)) != 0) error = errno;
#endif
  if (std::fclose(file) != 0 && error == 0) error = errno;
  if (error != 0) return std::strerror(error);
  return std::nullopt;
}

}  // namespace

FileWriteResult WriteWholeFile(const fs::path& path, std::string_view bytes) {
  // A hidden name beside the target, so that the rename stays within one
  // file system and replaces the target in one step.
  std::random_device random;
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string name = ".";
    name += path.filename().string();
    name += '.';
    for (unsigned bits = random(), k = 0; k < 8; ++k, bits >>= 4) name += kHex[bits & 0xF];
    name += ".tmp";
    const fs::path temporary = path.parent_path() / name;

    std::FILE* file = CreateExclusive(temporary);
    if (file == nullptr) {
      if (errno == EEXIST) continue;
      return {std::strerror(errno), ""};
    }
    std::error_code ignored;
    if (auto why = WriteAndClose(file, bytes)) {
      fs::remove(temporary, ignored);
      return {*why, ""};
    }
    std::error_code renamed;
    fs::rename(temporary, path, renamed);
    if (renamed) {
      fs::remove(temporary, ignored);
      return {renamed.message(), ""};
    }
    return {};
  }
  return {"no free name for a temporary file in the folder", ""};
}

}  // namespace vn
