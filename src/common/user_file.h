// Reading a file the user names (a set-up, tolerances, a lens list): whole,
// bounded by a size of its kind and by the command's clock, and never
// blocked by something that is not a file.
//
// Only a regular file is read. A folder, a FIFO, a socket or a device
// (/dev/zero, a terminal) is refused at once, without waiting for a writer
// or reading an endless stream. A file longer than the cap of its kind is
// refused without reading it; a file that grows past the cap while being
// read is refused as well. The bytes are read in chunks, and the reading
// stops once the deadline has passed.
#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace vn {

// The caps of the files a user gives the program, each far beyond a real
// file of its kind and small enough to read and parse in well under a second.
inline constexpr std::size_t kMaxSetupFileBytes = 64 * 1024;        // eight entries and a glass
inline constexpr std::size_t kMaxToleranceFileBytes = 1024 * 1024;  // a dozen figures
inline constexpr std::size_t kMaxLensListBytes = 16 * 1024 * 1024;  // twenty makers' catalogues
inline constexpr std::size_t kMaxReadingsFileBytes = 256 * 1024;    // a Couder mask's readings

enum class UserFileProblem {
  None,
  Unreadable,  // missing, no permission, a read error: `why` in the system's words
  Folder,      // a folder was named
  NotAFile,    // a FIFO, socket or device
  TooLarge,    // longer than the cap
  Stopped,     // the deadline passed while reading
};

struct UserFileReading {
  std::optional<std::string> bytes;  // the whole file, when read
  UserFileProblem problem = UserFileProblem::None;
  std::string why;  // for the user, when not read: "it is a folder, not a file"
};

// Reads the whole file at `path`, at most `maxBytes` long, before `deadline`.
UserFileReading ReadUserFile(
    const std::filesystem::path& path, std::size_t maxBytes,
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max());

// A byte count as the help texts give caps: "64 KB", "1 MB", "32 MB".
std::string ByteSizeText(std::size_t bytes);

}  // namespace vn
