// The association probe and the offer to open a lens file in OSLO.
#include "oslo/lens_file_launch.h"

#include <filesystem>
#include <system_error>

#include "common/app_info.h"
#include "common/arithmetic.h"
#include "common/whole_file.h"
#include "oslo/lens_file_export.h"
#include "oslo/lens_file_name.h"

namespace vn {

bool ProbeLensFileProgram(std::string& LensFileProgram, const std::string& folder,
                          LensFilePlatform& platform) {
  // The system is asked about a real file: associations go by the file's
  // type, and some systems look at the content as well as the extension.
  const std::string scratch = JoinFolder(folder, platform.Separator(), kScratchFileName);
  if (const FileWriteResult written = WriteWholeFile(scratch, "ok to delete\r\n");
      !written.written()) {
    FailFileWrite(scratch, written.why);
  }

  FindExecutableBuffer buffer;
  buffer.fill(' ');
  int code = 0;
  try {
    code = platform.FindExecutable(scratch, folder, buffer);
  } catch (...) {
    std::error_code ignored;
    std::filesystem::remove(scratch, ignored);
    throw;
  }

  switch (code) {
    case kNoAssociation:
      LensFileProgram = "NO_ASSOCIATION";
      break;
    case kFileNotFound:
      LensFileProgram = "FILE_NOT_FOUND";
      break;
    case kPathNotFound:
      LensFileProgram = "PATH_NOT_FOUND";
      break;
    case kBadFormat:
      LensFileProgram = "BAD_FORMAT";
      break;
    default:
      if (code >= 32) {
        // The program's path ends at the first NUL; a buffer without one
        // is no answer and keeps the previous one.
        for (std::size_t i = 0; i < buffer.size(); ++i) {
          if (buffer[i] == '\0') {
            LensFileProgram.assign(buffer.data(), i);
            break;
          }
        }
      }
      // Other error codes keep the answer of the run's previous probe.
      break;
  }
  const bool isOslo = LensFileProgram.find("OSLO") != std::string::npos;

  std::error_code removed;
  std::filesystem::remove(scratch, removed);
  if (removed) {
    throw RunFailure(FailureKind::File, "cannot delete " + scratch + ": " + removed.message());
  }
  return isOslo;
}

void OfferLensFileLaunch(LensExportRun& run, const std::string& path, const std::string& folder,
                         RunHost& host, LensFilePlatform& platform) {
  if (!run.offerLaunch) return;
  if (!ProbeLensFileProgram(run.LensFileProgram, folder, platform)) return;
  if (!host.AskYesNo(kAppTitle, kLaunchQuestion)) return;
  if (!run.LensFileProgram.empty()) platform.Launch(path, folder);
}

}  // namespace vn
