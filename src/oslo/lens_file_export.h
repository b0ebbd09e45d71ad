// The OSLO lens file of a solved null test: the folded double-pass system
// (source, null lens, mirror, null lens again, back to the source) written in
// OSLO's command format, and the export step a run performs after its main
// results and after each spacing-error pass.
#pragma once

#include <string>
#include <vector>

#include "oslo/lens_file_platform.h"
#include "record/run_host.h"
#include "record/run_record.h"

namespace vn {

// The message shown once per run when no catalog glass is known.
inline constexpr const char* kNoGlassMessage =
    "Alas, you must visit the Refractive index menu above.\r\n"
    "Oslo needs to know Glass Type used, not just refractive index, sorry.";

// The complete lens file of the run's system set up at `setup` (its solution
// or one of its spacing-error passes): 44 lines, each ended by CR LF. The
// lens and mirror are written as their entries were typed, in the run's unit;
// the computed distances are converted to it. An inch run's file declares
// "UNI 25.4", a millimetre run's "UNI 1.0". The lens's radii and thickness
// and the conic are written as typed; the other lengths from the set-up's
// values.
std::string ComposeLensFile(const std::string& title, const RunRecord& run,
                            const SetupFigures& setup);

// Ends the run because the file `path` could not be written:
// RunFailure(File) says why, "cannot write PATH: REASON".
[[noreturn]] void FailFileWrite(const std::string& path, const std::string& why);

// One run's export state, created by the run at its start.
struct LensExportRun {
  // "Save Oslo file" as it stood when the run started; cleared for the rest of
  // the run once the no-glass message has been shown.
  bool SaveLensFile = false;
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
void ExportLensFile(LensExportRun& run, const std::string& title, const RunRecord& record,
                    const SetupFigures& setup, RunHost& host, LensFilePlatform& platform);

}  // namespace vn
