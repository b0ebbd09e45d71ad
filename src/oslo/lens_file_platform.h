// What the lens-file export needs from the operating system: the program's
// folder and a writable place for lens files, the path separator, the program
// that opens ".len" files and the opening itself, and the clock's texts.
//
// The export (lens_file_export.h) and the association probe
// (lens_file_launch.h) see the system only through this interface, so the
// tests drive them with a fake and never touch the real desktop or clock.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "common/whole_file.h"

namespace vn {

// Length of the answer buffer of the "which program opens this file" query,
// the longest path of the Windows shell.
inline constexpr std::size_t kFindExecutableBufferSize = 260;
using FindExecutableBuffer = std::array<char, kFindExecutableBufferSize>;

// Answer codes of FindExecutable, as the Windows shell gives them. Codes of 32
// and above mean success; the others are error numbers.
inline constexpr int kFileNotFound = 2;
inline constexpr int kPathNotFound = 3;
inline constexpr int kBadFormat = 11;
inline constexpr int kNoAssociation = 31;
inline constexpr int kFindExecutableSuccess = 42;  // any value of 32 and above

// The short date and long time of one moment, in the user's formats.
struct ClockText {
  std::string ShortDate;  // "12/5/2026" with United States settings
  std::string LongTime;   // "1:23:45 PM"
};

class LensFilePlatform {
 public:
  virtual ~LensFilePlatform() = default;

  // The folder that holds the program, without a trailing separator except at
  // a root ("C:\", "/").
  virtual std::string ProgramFolder() = 0;
  // Whether files can be created in the folder.
  virtual bool IsFolderWritable(const std::string& folder) = 0;
  // Where lens files go when the program's folder is not writable (an
  // installed program): the user's documents folder, or home.
  virtual std::string DocumentsFolder() = 0;
  // "\" on Windows, "/" elsewhere.
  virtual std::string Separator() = 0;

  // The program associated with the type of `file`, in the manner of the
  // Windows shell's FindExecutable: `buffer` arrives filled with blanks; on
  // success (a code of 32 or more) it holds the program's path ended by a NUL;
  // otherwise the code is one of the error numbers above.
  virtual int FindExecutable(const std::string& file, const std::string& directory,
                             FindExecutableBuffer& buffer) = 0;
  // Opens `file` in its associated program without waiting for it; failures
  // are not reported.
  virtual void Launch(const std::string& file, const std::string& directory) = 0;

  virtual std::string ShortDate() = 0;
  virtual std::string LongTime() = 0;
  // Date and time of one moment, so that a name made at midnight cannot take
  // the date of one day and the time of the next.
  virtual ClockText Now() { return {ShortDate(), LongTime()}; }
};

// The names a new file may take, in order of preference, all in one folder:
// each call gives the next one, an empty text when there are no more.
using NextFileName = std::function<std::string()>;

// Writes `text` byte for byte as a new file under the first name of `names`
// that no file (nor folder, nor link) holds, whole or not at all, so that
// programs writing into one folder at once never lose or mix their files.
// The text first goes to a temporary file of this call's own, created
// exclusively in the target folder (a symbolic link planted at its name is
// never followed); the finished file then takes a name in one step that fails
// when the name is held (a hard link, or a move that does not replace), and
// the next name is tried; `path` of the result is the name taken. On failure
// nothing is left behind.
FileWriteResult WriteFileUnderFreeName(const NextFileName& names, const std::string& text);

// The platform the program runs on: the Windows shell on Windows, xdg-utils
// and the C library's locale elsewhere.
std::unique_ptr<LensFilePlatform> MakeSystemLensFilePlatform();

}  // namespace vn
