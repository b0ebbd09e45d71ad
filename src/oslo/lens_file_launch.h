// After a lens file is written: find out which program the system opens ".len"
// files with, and only when that is OSLO offer to open the new file there.
#pragma once

#include <string>

#include "oslo/lens_file_platform.h"
#include "record/run_host.h"

namespace vn {

struct LensExportRun;

inline constexpr const char* kScratchFileName = "qwerty_test_figure_ext.len";
inline constexpr const char* kLaunchQuestion = "Launch Oslo File Now?";

// Asks the platform which program opens a scratch ".len" file written in
// `folder` (and deleted again, whatever happens) and sets `LensFileProgram` to
// that program's path or to one of "NO_ASSOCIATION", "FILE_NOT_FOUND",
// "PATH_NOT_FOUND", "BAD_FORMAT"; other error codes leave it as it was.
// Returns true when "OSLO" occurs in it, capitals only. A scratch file that
// cannot be written or deleted throws RunFailure(File).
bool ProbeLensFileProgram(std::string& LensFileProgram, const std::string& folder,
                          LensFilePlatform& platform);

// Probes, and when OSLO opens lens files asks whether to open `path` now;
// on Yes opens it without waiting. The run's offerLaunch being false (the
// command line) skips both the probe and the question.
void OfferLensFileLaunch(LensExportRun& run, const std::string& path, const std::string& folder,
                         RunHost& host, LensFilePlatform& platform);

}  // namespace vn
