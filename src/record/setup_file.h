// Set-up files (.vnull): what the user typed and chose for a run, kept for a
// later session or for the command line. A set-up is the eight entry fields
// exactly as typed, the units they are typed in, the lens glass and the test
// wavelength; a small JSON object holds it:
//
//   {
//     "format": "Vantry Null set-up",
//     "version": 1,
//     "saved_by": "Vantry Null 2.2.0",
//     "units": "mm",
//     "entries": {
//       "mirror_diameter": "317.5",
//       "mirror_roc": "2540",
//       "conic": "-1",
//       "source_radius": "9e99",
//       "mirror_side_radius": "-206",
//       "thickness": "15",
//       "lens_diameter": "80",
//       "index": "1.51509"
//     },
//     "glass": "BK7",
//     "wavelength_um": 0.6328
//   }
//
// A set-up may also hold the Foucault readings taken through its null, as
// the window's Foucault page has them typed (the key is left out when there
// are none, so that a set-up without readings is written as before):
//
//     "wavelength_um": 0.6328,
//     "foucault": {
//       "zones": [
//         {"radius": "40.7", "knife": "10"},
//         {"radius": "86.6", "knife": "10.012"}
//       ],
//       "built_at": {"object_distance": "204.8", "lens_mirror_distance": "2076.4"}
//     }
//
// Each zone is its mean radius on the mirror and the knife's reading, in the
// set-up's units; "built_at", when there, gives the distances the readings
// were taken at (without it, the exact check's recommended ones).
//
// The entries stay text, so that a set-up reopens exactly as it was typed
// (a half-typed entry included; the run is what judges it). The version
// rises only when a change would be misread by an older program; keys this
// version does not know are ignored, so a later version may add some without
// raising it. A file with a higher version is refused.
//
// Reading is all or nothing: a file that is not JSON, lacks a key, has a
// value of the wrong kind, names a glass outside the catalogs or a wavelength
// the refractive-index dialog would refuse gives a typed error with a message
// for the user, and no set-up.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/user_file.h"
#include "common/whole_file.h"
#include "record/run_host.h"
#include "record/start_up_entries.h"

namespace vn {

inline constexpr int kSetupFormatVersion = 1;
inline constexpr const char* kSetupFormatName = "Vantry Null set-up";
inline constexpr const char* kSetupFileSuffix = ".vnull";

// The entry fields in the order of the Entry enumeration, with their keys.
inline constexpr std::array<std::pair<Entry, const char*>, kEntryCount> kSetupEntryKeys = {{
    {Entry::MirrorDiameter, "mirror_diameter"},
    {Entry::MirrorRadiusOfCurvature, "mirror_roc"},
    {Entry::ConicConstant, "conic"},
    {Entry::SourceSideRadius, "source_radius"},
    {Entry::MirrorSideRadius, "mirror_side_radius"},
    {Entry::CentreThickness, "thickness"},
    {Entry::LensDiameter, "lens_diameter"},
    {Entry::LensIndex, "index"},
}};

// The Foucault page's entries, texts as typed, in the set-up's units.
struct FoucaultSetupEntries {
  struct Zone {
    std::string radius;  // the zone's mean radius on the mirror
    std::string knife;   // the knife's reading along the axis
    bool operator==(const Zone&) const = default;
  };
  std::vector<Zone> zones;
  // The source-to-lens and lens-to-mirror distances the readings were taken
  // at; none: the exact check's recommended distances.
  std::optional<std::pair<std::string, std::string>> builtAt;

  bool Empty() const { return zones.empty() && !builtAt; }
  bool operator==(const FoucaultSetupEntries&) const = default;
};

// A default set-up is the window's at start-up.
struct SetupFile {
  // The entry texts as typed, indexed by Entry, in the unit below.
  std::array<std::string, kEntryCount> entries = StartUpEntryTexts();
  bool inch = false;                                     // the units: inch, else millimetre
  std::string glassName = kStartUpGlass;                 // as the catalog lists it
  double wavelengthMicrons = kStartUpWavelengthMicrons;  // the test wavelength
  FoucaultSetupEntries foucault = {};                    // none at start-up

  std::string& Text(Entry e) { return entries[static_cast<std::size_t>(e)]; }
  const std::string& Text(Entry e) const { return entries[static_cast<std::size_t>(e)]; }
  bool operator==(const SetupFile&) const = default;
};

enum class SetupFileProblem {
  Unreadable,  // the file could not be read at all
  NotASetup,   // some other file (another JSON file, a report, a picture)
  Damaged,     // a set-up file that is cut short, edited wrongly or corrupted
  Newer,       // a set-up file from a newer version of the program
  Stopped,     // the time limit passed while the file was read
};

struct SetupFileError {
  SetupFileProblem problem = SetupFileProblem::Damaged;
  std::string why;  // one or two sentences for the user, ending in a full stop
};

struct SetupFileReading {
  std::optional<SetupFile> setup;  // set when the file was read
  SetupFileError error;            // otherwise why not
};

// The file's text: the object above, two-space indents, LF line ends.
std::string SetupFileText(const SetupFile& setup);

SetupFileReading ParseSetupFile(std::string_view text);

// Reads the file through ReadUserFile (at most kMaxSetupFileBytes, a regular
// file only, before the deadline) and parses it.
SetupFileReading ReadSetupFile(
    const std::filesystem::path& path,
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max());

// Why an entry of the set-up cannot start a run from the command line, or
// nothing: the run would judge such an entry only with its one error
// message, which names neither the file nor the entry. An entry must read
// as a number within ±1e100 (9e99 is a flat face) and be no longer than a
// typed number.
std::optional<std::string> SetupEntryProblem(const SetupFile& setup, Entry entry);

// Writes the set-up whole or not at all (see WriteWholeFile).
FileWriteResult WriteSetupFile(const std::filesystem::path& path, const SetupFile& setup);

}  // namespace vn
