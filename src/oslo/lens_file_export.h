// The OSLO lens file of a solved null test: the folded double-pass system
// (source, null lens, mirror, null lens again, back to the source) written in
// OSLO's command format, and the export step a run performs after its main
// results and after each spacing-error pass.
#pragma once

#include <string>
#include <vector>

#include "oslo/lens_file_platform.h"
#include "run/run_host.h"

namespace vn {

// What one lens file is written from, taken at the moment of writing.
struct LensFileSnapshot {
  // Engine values, inches.
  double WorkingSemiDiameter =
      0;                          // first-pass height of the marginal ray on the lens's mirror side
  double ObjectDistance = 0;      // source to the lens's source-side vertex
  double LensMirrorDistance = 0;  // lens's mirror-side vertex to the mirror vertex
  double MirrorSemiDiameter = 0;
  // Entry texts exactly as typed, in the display unit.
  std::string LradI, lthck, lRadM, Mcc, LDiam, MRoC, MDiam;
  std::string GlassName;      // catalog name, as the catalog lists it
  double TestWavelength = 0;  // micrometres
};

// The message shown once per run when no catalog glass is known.
inline constexpr const char* kNoGlassMessage =
    "Alas, you must visit the Refractive index menu above.\r\n"
    "Oslo needs to know Glass Type used, not just refractive index, sorry.";

// The complete lens file: 44 lines, each ended by CR LF. `unitFactor` is the
// display length of one engine inch: 1 in an inch run (the file then declares
// "UNI 25.4"), 25.4 in a millimetre run ("UNI 1.0"). The numbers in LDiam and
// MRoC are read from their texts; an unreadable one throws
// RunFailure(NotANumber).
std::string ComposeLensFile(const std::string& title, const LensFileSnapshot& snap,
                            double unitFactor);

// Writes `text` byte for byte as the file `path`, whole or not at all,
// replacing a file of that name (the association probe's scratch file). On
// failure RunFailure(File) says why, "cannot write PATH: REASON", and an
// existing file at `path` is left as it was.
void WriteFileWhole(const std::string& path, const std::string& text);

// One run's export state, created by the run at its start.
struct LensExportRun {
  // "Save Oslo file" as it stood when the run started; cleared for the rest of
  // the run once the no-glass message has been shown.
  bool SaveLensFile = false;
  bool inchRun = false;
  // Answer of the last association probe of this run; empty at the start.
  std::string LensFileProgram;
  // When not empty, lens files go to this folder (the command line's choice).
  std::string folderOverride;
  // Whether a written file may be offered for opening in OSLO.
  bool offerLaunch = true;
  // Every lens file written in this run, in order, so the host can say where
  // they are.
  std::vector<std::string> writtenPaths;
};

// The export step: the glass check, the name, the file and the launch offer.
void ExportLensFile(LensExportRun& run, const std::string& title, const LensFileSnapshot& snap,
                    RunHost& host, LensFilePlatform& platform);

}  // namespace vn
