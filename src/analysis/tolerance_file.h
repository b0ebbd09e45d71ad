// The user's tolerances as a JSON file.
//
// One object; every member may be left out (its default stays), none may be
// unknown, every tolerance is a number of 0 or more:
//   {
//     "units": "mm",                 lengths below in "mm" or "inch" (default: the run's)
//     "object_distance": 0.1,        ± source to lens
//     "lens_mirror_distance": 1,     ± lens to mirror
//     "lens_thickness": 0.1,
//     "radius_percent": 0.1,         ± of each curved radius
//     "flat_fringes": 1,             ± power of a flat face over the lens's clear diameter
//     "lens_index": 0.0005,
//     "wavelength_nm": 0,
//     "tilt_degrees": 0.1,           the lens's tilt, in any direction
//     "decenter": 0.1,               the lens's decenter, in any direction
//     "source_offset": 0.1,          the source off the axis, in any direction
//     "trials": 10000,               Monte Carlo set-ups, 0 for none (at most 1000000)
//     "seed": 1                      whole number from 0 to 2^53
//   }
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "analysis/monte_carlo.h"
#include "analysis/tolerance_model.h"

namespace vn {

// What a tolerance file says, before the run's unit is known.
struct ToleranceFile {
  std::optional<bool> inchUnits;                 // the file's "units", when given
  std::array<std::optional<double>, 10> values;  // in the order of kToleranceFileKeys
  std::optional<int> trials;
  std::optional<std::uint64_t> seed;
};

// The tolerance members of the file, in the order of ToleranceFile::values.
inline constexpr const char* kToleranceFileKeys[10] = {
    "object_distance", "lens_mirror_distance", "lens_thickness", "radius_percent", "flat_fringes",
    "lens_index",      "wavelength_nm",        "tilt_degrees",   "decenter",       "source_offset"};

struct ToleranceFileReading {
  std::optional<ToleranceFile> file;
  std::string why;  // what is wrong with the text, when file is empty
};

ToleranceFileReading ReadToleranceFile(std::string_view text);

// The tolerances as the window's ten entries show them, in the order of
// kToleranceFileKeys, lengths in the run's unit (general number form).
std::array<std::string, 10> ToleranceTexts(const BuildTolerances& tolerances, bool inchUnits);

// The entries read back; nothing when one is not a number of 0 or more, and
// then `bad` gets its index.
std::optional<BuildTolerances> ReadToleranceTexts(const std::array<std::string, 10>& texts,
                                                  bool inchUnits, std::size_t* bad = nullptr);

// The defaults of the file's unit (or the run's, when it names none) with the
// file's figures put in, lengths in inches; the Monte Carlo's trials and seed
// go into `settings` when the file gives them.
BuildTolerances ResolveTolerances(const ToleranceFile& file, bool runInchUnits,
                                  MonteCarloSettings& settings);

}  // namespace vn
