// The lens-file platform on Windows: the program's folder from the module
// file name, the association and the opening from the shell (shell32), the
// documents folder from the shell's known folders, and the clock in the
// user's short date and long time formats; and the writing of whole files
// that side-by-side runs cannot lose.
//
// Paths are narrow strings in the user's code page, the same the C library's
// fopen takes, so every path this file hands out can be written to.
#ifdef _WIN32

// <windows.h> comes first: the shell's headers are built on its types.
// Without its min and max macros (mingw's C++ headers may have asked for
// that already).
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The shell: associations, opening, known folders; COM for the opening.
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
// <shellapi.h> maps the name FindExecutable to FindExecutableA. The
// platform's member of that name must keep its own name: renamed, it would no
// longer override the interface's, and its call of the shell would call itself.
#undef FindExecutable

#include <cerrno>
#include <cstdint>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "oslo/lens_file_platform.h"

namespace vn {

namespace {

// The shell writes the program's path, with its NUL, into MAX_PATH characters.
static_assert(kFindExecutableBufferSize >= MAX_PATH);
// The answer codes of the interface are the shell's own.
static_assert(kFileNotFound == SE_ERR_FNF && kPathNotFound == SE_ERR_PNF &&
              kBadFormat == ERROR_BAD_FORMAT && kNoAssociation == SE_ERR_NOASSOC);

// The longest path Windows accepts, in characters.
constexpr DWORD kLongestPath = 32768;

bool IsDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsAbsolute(const std::string& path) {
  return (!path.empty() && (path[0] == '\\' || path[0] == '/')) ||
         (path.size() >= 2 && path[1] == ':');
}

std::string CurrentFolder() {
  std::vector<char> path(MAX_PATH);
  for (;;) {
    const DWORD n = GetCurrentDirectoryA(static_cast<DWORD>(path.size()), path.data());
    if (n == 0 || n >= kLongestPath) return ".";
    if (n < path.size()) return std::string(path.data(), n);
    path.resize(n);  // n is then the size needed, NUL included
  }
}

// The full path of the running program. The buffer grows until the path fits,
// up to the longest path there is.
std::string ModuleFileName() {
  std::vector<char> path(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return "";
    if (n < path.size()) return std::string(path.data(), n);
    if (path.size() >= kLongestPath) return "";
    path.resize(path.size() * 2);
  }
}

// A folder of the shell (CSIDL_PERSONAL, CSIDL_PROFILE), or "" when the user
// has none.
std::string ShellFolder(int csidl) {
  char path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return "";
  return path;
}

// A problem in the words the C library has for it, as on every system.
std::string Reason(int error) { return std::generic_category().message(error); }

// The folder part of a path, with its separator; "" for a bare name.
std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of("\\/");
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// A failed file operation on `path` as an error number of the C library. A
// path through a plain file is "not a directory", as elsewhere.
int ErrorNumber(DWORD error, const std::string& path) {
  switch (error) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_FILE_NOT_FOUND:
      return ENOENT;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DIRECTORY: {
      std::string folder = FolderOf(path);
      if (!folder.empty()) folder.pop_back();
      return !folder.empty() && Exists(folder) && !IsDirectory(folder) ? ENOTDIR : ENOENT;
    }
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    default:
      return EIO;
  }
}

// Writes all of `text` to `file` and onto the disk, so that the name the file
// takes afterwards never shows a file cut short; then closes it. Returns 0
// or the error number of the first step that failed.
int WriteAllAndClose(HANDLE file, const std::string& text, const std::string& path) {
  const char* next = text.data();
  std::size_t left = text.size();
  int error = 0;
  while (left > 0 && error == 0) {
    const DWORD chunk = left > 1u << 30 ? 1u << 30 : static_cast<DWORD>(left);
    DWORD written = 0;
    if (!WriteFile(file, next, chunk, &written, nullptr)) {
      error = ErrorNumber(GetLastError(), path);
    } else if (written == 0) {
      error = EIO;  // no progress: a file system that takes nothing more
    } else {
      next += written;
      left -= written;
    }
  }
  if (error == 0 && !FlushFileBuffers(file)) error = ErrorNumber(GetLastError(), path);
  if (!CloseHandle(file) && error == 0) error = EIO;
  return error;
}

// A temporary file of this call's own in the folder of `path`: a hidden name
// with 64 random bits, created only when nothing (no file, folder or link)
// holds the name, so that neither a run beside this one nor a planted link
// can share it.
struct TemporaryFile {
  std::string path;
  HANDLE file = INVALID_HANDLE_VALUE;
  int error = 0;
};

TemporaryFile CreateTemporaryBeside(const std::string& path) {
  const std::string folder = FolderOf(path);
  thread_local std::mt19937_64 random{(std::uint64_t{std::random_device{}()} << 32) ^
                                      std::random_device{}() ^ GetCurrentProcessId()};
  TemporaryFile temporary;
  // A name already there (a left-over, or another run's) is skipped; after
  // a hundred tries something else is wrong.
  for (int attempt = 0; attempt < 100; ++attempt) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string name = folder + ".vantry-null-";
    for (std::uint64_t bits = random(), k = 0; k < 16; ++k, bits >>= 4) name += kHex[bits & 15];
    name += ".tmp";
    const HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return {name, file, 0};
    temporary.error = ErrorNumber(GetLastError(), name);
    if (temporary.error != EEXIST) break;
  }
  return temporary;
}

class WindowsLensFilePlatform : public LensFilePlatform {
 public:
  std::string ProgramFolder() override {
    const std::string program = ModuleFileName();
    const auto slash = program.find_last_of("\\/");
    if (slash == std::string::npos) return CurrentFolder();
    // A drive root keeps its separator: "C:\".
    return slash == 2 && program[1] == ':' ? program.substr(0, 3) : program.substr(0, slash);
  }

  bool IsFolderWritable(const std::string& folder) override {
    // Folder attributes do not tell whether files may be created (Program
    // Files is read-only to a standard user only through its access list),
    // so create one and take it away again.
    if (!IsDirectory(folder)) return false;
    char probe[MAX_PATH] = {};
    if (GetTempFileNameA(folder.c_str(), "vnw", 0, probe) == 0) return false;
    DeleteFileA(probe);
    return true;
  }

  std::string DocumentsFolder() override {
    // The user's Documents (wherever the user moved it), else the profile
    // folder, as elsewhere the documents folder and else home.
    const std::string documents = ShellFolder(CSIDL_PERSONAL);
    if (!documents.empty() && IsFolderWritable(documents)) return documents;
    const std::string profile = ShellFolder(CSIDL_PROFILE);
    return profile.empty() ? CurrentFolder() : profile;
  }

  std::string Separator() override { return "\\"; }

  int FindExecutable(const std::string& file, const std::string& directory,
                     FindExecutableBuffer& buffer) override {
    // A missing folder or file gets the same answer on every system, before
    // the shell is asked.
    if (!directory.empty() && !IsDirectory(directory)) return kPathNotFound;
    const std::string located =
        IsAbsolute(file) || directory.empty() ? file : directory + "\\" + file;
    if (!Exists(located)) return kFileNotFound;

    const HINSTANCE code = ::FindExecutableA(
        file.c_str(), directory.empty() ? nullptr : directory.c_str(), buffer.data());
    return static_cast<int>(reinterpret_cast<INT_PTR>(code));
  }

  void Launch(const std::string& file, const std::string& directory) override {
    // The program that opens the file may be reached through a shell
    // extension, a COM object: the calling thread needs COM, in a
    // single-threaded apartment, without the old DDE. The shell does not
    // wait for the program it starts.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    ShellExecuteA(GetActiveWindow(), nullptr, file.c_str(), nullptr,
                  directory.empty() ? nullptr : directory.c_str(), SW_SHOWNORMAL);
    if (SUCCEEDED(com)) CoUninitialize();
  }

  std::string ShortDate() override { return Now().ShortDate; }
  std::string LongTime() override { return Now().LongTime; }

  ClockText Now() override {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char date[128] = {}, time[128] = {};
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, date, sizeof date);
    GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &now, nullptr, time, sizeof time);
    return {date, time};
  }
};

}  // namespace

FileWriteResult WriteFileUnderFreeName(const NextFileName& names, const std::string& text) {
  std::string path = names();
  if (path.empty()) return {Reason(EEXIST), ""};
  TemporaryFile temporary = CreateTemporaryBeside(path);
  if (temporary.file == INVALID_HANDLE_VALUE) return {Reason(temporary.error), ""};
  int error = WriteAllAndClose(temporary.file, text, temporary.path);

  // The first free name: a move that never replaces takes the name in one
  // step or fails because it is held, so of two runs claiming one name at
  // once exactly one gets it and the other goes on to the next.
  bool moved = false;
  while (error == 0) {
    if (path.empty()) {  // every name offered is held
      error = EEXIST;
      break;
    }
    if (MoveFileExA(temporary.path.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) {
      moved = true;
      break;
    }
    error = ErrorNumber(GetLastError(), path);
    // A folder at the name refuses the move as access denied.
    if (error == EACCES && Exists(path)) error = EEXIST;
    if (error != EEXIST) break;
    error = 0;
    path = names();
  }
  if (!moved) DeleteFileA(temporary.path.c_str());
  if (error != 0) return {Reason(error), ""};
  return {"", path};
}

std::unique_ptr<LensFilePlatform> MakeSystemLensFilePlatform() {
  return std::make_unique<WindowsLensFilePlatform>();
}

}  // namespace vn

#endif  // _WIN32
