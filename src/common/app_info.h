// The program's name and version, as its windows and message boxes show them.
#pragma once

#include <string>

namespace vn {

// Title of every message box unless a message has a title of its own.
inline constexpr const char* kAppTitle = "Vantry Null";

inline std::string VersionText() {
  return std::to_string(VN_VERSION_MAJOR) + "." + std::to_string(VN_VERSION_MINOR) + "." +
         std::to_string(VN_VERSION_PATCH);
}

}  // namespace vn
