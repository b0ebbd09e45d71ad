// The lens-file platform on Windows: the program's folder from the module
// file name, the association and the opening from the shell (shell32), the
// documents folder from the shell's known folders, and the clock in the
// user's short date and long time formats.
#ifdef _WIN32

#include <shellapi.h>
#include <shlobj.h>
#include <windows.h>

#include <cstring>

#include "oslo/lens_file_platform.h"

namespace vn {

namespace {

class WindowsLensFilePlatform : public LensFilePlatform {
 public:
  std::string ProgramFolder() override {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    const auto slash = folder.find_last_of('\\');
    if (slash == std::string::npos) return ".";
    // A drive root keeps its separator: "C:\".
    return slash == 2 && folder[1] == ':' ? folder.substr(0, 3) : folder.substr(0, slash);
  }

  bool IsFolderWritable(const std::string& folder) override {
    // Folder attributes do not tell whether files may be created (Program
    // Files is read-only to a standard user only through its access list), so try.
    char probe[MAX_PATH] = {};
    if (GetTempFileNameA(folder.c_str(), "vnw", 0, probe) == 0) return false;
    DeleteFileA(probe);
    return true;
  }

  std::string DocumentsFolder() override {
    char path[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, 0, path))) return path;
    return ".";
  }

  std::string Separator() override { return "\\"; }

  int FindExecutable(const std::string& file, const std::string& directory,
                     FindExecutableBuffer& buffer) override {
    HINSTANCE code = FindExecutableA(file.c_str(), directory.c_str(), buffer.data());
    return static_cast<int>(reinterpret_cast<INT_PTR>(code));
  }

  void Launch(const std::string& file, const std::string& directory) override {
    ShellExecuteA(GetActiveWindow(), nullptr, file.c_str(), nullptr, directory.c_str(),
                  SW_SHOWNORMAL);
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
