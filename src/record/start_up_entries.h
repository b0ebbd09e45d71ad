// The set-up the window opens with: a 317.5 mm (12.5 inch) f/4 paraboloid
// nulled by an 80 mm plano-convex lens of BK7, with its flat face toward the
// source. The window, the command line's defaults, the set-up file's defaults,
// the test host and the benchmarks all start from this one table.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "common/constants.h"
#include "record/run_host.h"

namespace vn {

// Indexed by Entry, as typed in millimetres. "9e99" is how a flat face is
// typed: a radius so long that the lens's power comes from its other face.
inline constexpr std::array<const char*, kEntryCount> kStartUpEntries = {
    "317.5", "2540", "-1", "9e99", "-206", "15", "80", "1.51509"};

// The same entries after the units switch turns them into inches (it keeps
// the flat radius, the conic and the index as typed).
inline constexpr std::array<const char*, kEntryCount> kStartUpEntriesInInches = {
    "12.5",   "100", "-1", "9e99", "-8.11023622047244", "0.590551181102362", "3.1496062992126",
    "1.51509"};

inline constexpr const char* StartUpEntry(Entry entry, bool inch = false) {
  return (inch ? kStartUpEntriesInInches : kStartUpEntries)[static_cast<std::size_t>(entry)];
}

// All eight, as the entry texts of a set-up.
inline std::array<std::string, kEntryCount> StartUpEntryTexts(bool inch = false) {
  std::array<std::string, kEntryCount> texts;
  for (std::size_t i = 0; i < kEntryCount; ++i) {
    texts[i] = (inch ? kStartUpEntriesInInches : kStartUpEntries)[i];
  }
  return texts;
}

inline constexpr const char* kStartUpGlass = "BK7";
inline constexpr double kStartUpWavelengthMicrons = kHeNeWavelengthMicrons;

}  // namespace vn
