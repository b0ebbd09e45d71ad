// The lens chooser on the command line: --design (the null lens for the
// mirror) and --rank-lenses FILE.csv (the lenses of a list, best first).
#pragma once

#include <chrono>
#include <optional>

namespace vn::cli {

// The chooser's part of --help.
extern const char* const kChooserUsage;

// Runs the chooser when the command line asks for it and returns the exit
// status; nothing when neither --design nor --rank-lenses is given. The
// --timeout clock runs from `start`, the command's start.
std::optional<int> RunChooserCommand(int argc, char** argv,
                                     std::chrono::steady_clock::time_point start);

}  // namespace vn::cli
