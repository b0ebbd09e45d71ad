// The lens-file platform on Windows: the program's folder from the module
// file name, the association and the opening from the shell (shell32), the
// documents folder from the shell's known folders, and the clock in the
// user's short date and long time formats.
//
// Paths are narrow strings in the user's code page, the same the C library's
// fopen takes, so every path this file hands out can be written to.
#ifdef _WIN32

// <windows.h> comes first: the shell's headers are built on its types.
#define NOMINMAX
#include <windows.h>
// The shell: associations, opening, known folders; COM for the opening.
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
// <shellapi.h> maps the name FindExecutable to FindExecutableA. The
// platform's member of that name must keep its own name: renamed, it would no
// longer override the interface's, and its call of the shell would call itself.
#undef FindExecutable

#include <string>
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

std::unique_ptr<LensFilePlatform> MakeSystemLensFilePlatform() {
  return std::make_unique<WindowsLensFilePlatform>();
}

}  // namespace vn

#endif  // _WIN32
