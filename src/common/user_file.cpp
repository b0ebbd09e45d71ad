// Reading a user's file whole, bounded by size and by the clock.
#include "common/user_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#ifdef _WIN32
#include <fstream>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vn {

namespace {

// Read in pieces of this size, the clock looked at between them.
constexpr std::size_t kChunkBytes = 1024 * 1024;

UserFileReading Refused(UserFileProblem problem, std::string why) {
  UserFileReading reading;
  reading.problem = problem;
  reading.why = std::move(why);
  return reading;
}

UserFileReading TooLarge(std::size_t maxBytes) {
  return Refused(UserFileProblem::TooLarge, "it is larger than " + ByteSizeText(maxBytes));
}

UserFileReading Unreadable(int error) {
  return Refused(UserFileProblem::Unreadable, std::generic_category().message(error));
}

const UserFileReading kFolder{std::nullopt, UserFileProblem::Folder, "it is a folder, not a file"};

}  // namespace

std::string ByteSizeText(std::size_t bytes) {
  if (bytes % (1024 * 1024) == 0) return std::to_string(bytes / (1024 * 1024)) + " MB";
  if (bytes % 1024 == 0) return std::to_string(bytes / 1024) + " KB";
  return std::to_string(bytes) + " bytes";
}

#ifdef _WIN32

UserFileReading ReadUserFile(const std::filesystem::path& path, std::size_t maxBytes,
                             std::chrono::steady_clock::time_point deadline) {
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (error) return Refused(UserFileProblem::Unreadable, error.message());
  if (std::filesystem::is_directory(status)) return kFolder;
  if (!std::filesystem::is_regular_file(status)) {
    return Refused(UserFileProblem::NotAFile, "it is not a regular file");
  }
  const auto size = std::filesystem::file_size(path, error);
  if (!error && size > maxBytes) return TooLarge(maxBytes);
  std::ifstream in(path, std::ios::binary);
  if (!in) return Unreadable(errno != 0 ? errno : EACCES);
  std::string bytes;
  for (;;) {
    if (std::chrono::steady_clock::now() >= deadline) {
      return Refused(UserFileProblem::Stopped, "the time limit passed while it was read");
    }
    const std::size_t had = bytes.size();
    bytes.resize(had + kChunkBytes);
    in.read(bytes.data() + had, static_cast<std::streamsize>(kChunkBytes));
    bytes.resize(had + static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > maxBytes) return TooLarge(maxBytes);
    if (in.bad()) return Unreadable(EIO);
    if (in.eof()) break;
  }
  UserFileReading reading;
  reading.bytes = std::move(bytes);
  return reading;
}

#else

UserFileReading ReadUserFile(const std::filesystem::path& path, std::size_t maxBytes,
                             std::chrono::steady_clock::time_point deadline) {
  // Opened without waiting: a FIFO with no writer would otherwise block the
  // open itself. What was opened is then looked at, not what the name held
  // a moment before.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return Unreadable(errno);
  struct Closer {
    int fd;
    ~Closer() { close(fd); }
  } closer{fd};
  struct stat info {};
  if (fstat(fd, &info) != 0) return Unreadable(errno);
  if (S_ISDIR(info.st_mode)) return kFolder;
  if (!S_ISREG(info.st_mode)) {
    const char* what = S_ISFIFO(info.st_mode)   ? "a FIFO"
                       : S_ISSOCK(info.st_mode) ? "a socket"
                                                : "a device";
    return Refused(UserFileProblem::NotAFile, std::string("it is ") + what + ", not a file");
  }
  if (static_cast<unsigned long long>(info.st_size) > maxBytes) return TooLarge(maxBytes);

  // One byte past the cap tells a file of exactly maxBytes from one that grew.
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(info.st_size));
  for (;;) {
    if (std::chrono::steady_clock::now() >= deadline) {
      return Refused(UserFileProblem::Stopped, "the time limit passed while it was read");
    }
    const std::size_t had = bytes.size();
    const std::size_t want = std::min(kChunkBytes, maxBytes + 1 - had);
    bytes.resize(had + want);
    const ssize_t n = read(fd, bytes.data() + had, want);
    if (n < 0) {
      bytes.resize(had);
      if (errno == EINTR || errno == EAGAIN) continue;
      return Unreadable(errno);
    }
    bytes.resize(had + static_cast<std::size_t>(n));
    if (bytes.size() > maxBytes) return TooLarge(maxBytes);
    if (n == 0) break;
  }
  UserFileReading reading;
  reading.bytes = std::move(bytes);
  return reading;
}

#endif

}  // namespace vn
