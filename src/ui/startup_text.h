// The help text the report box shows when the program starts.
#pragma once

#include <string>

namespace vn {

// The 24 lines of the start-up text, joined by CR LF (none after the last).
std::string StartupText();

}  // namespace vn
