// The lens-file platform on Linux and other free desktops: the program's
// folder from /proc, the association of ".len" files from xdg-utils and the
// desktop entries, opening with xdg-open, and the clock in the user's LC_TIME
// formats; and the writing of whole files that side-by-side runs cannot lose.
// No toolkit is needed, so the command line has the same services as the
// window.
#ifndef _WIN32

#include <fcntl.h>
#include <locale.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <system_error>
#include <vector>

#include "oslo/lens_file_platform.h"

extern char** environ;

namespace vn {

namespace {

namespace fs = std::filesystem;

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

std::string EnvOr(const char* name, const std::string& otherwise) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::string(value) : otherwise;
}

std::string HomeFolder() { return EnvOr("HOME", "/"); }

bool IsDirectory(const std::string& path) {
  std::error_code ignored;
  return fs::is_directory(path, ignored);
}

// Runs a program from PATH with its arguments, no shell between (a path with
// blanks stays one argument), and returns its standard output when it started
// and ended with status 0.
std::optional<std::string> OutputOf(const std::vector<std::string>& args) {
#ifdef __EMSCRIPTEN__
  // The browser runs no other program: no desktop opens lens files there.
  (void)args;
  return std::nullopt;
#else
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return std::nullopt;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);

  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  pid_t child = 0;
  const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  if (spawned != 0) {
    close(pipeEnds[0]);
    return std::nullopt;
  }

  std::string output;
  char chunk[512];
  for (;;) {
    const ssize_t n = read(pipeEnds[0], chunk, sizeof chunk);
    if (n > 0) {
      output.append(chunk, static_cast<std::size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      break;
    }
  }
  close(pipeEnds[0]);

  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return output;
#endif
}

// The folders that hold desktop entries, most personal first.
std::vector<std::string> ApplicationFolders() {
  std::vector<std::string> folders{EnvOr("XDG_DATA_HOME", HomeFolder() + "/.local/share")};
  std::stringstream system(EnvOr("XDG_DATA_DIRS", "/usr/local/share:/usr/share"));
  for (std::string dir; std::getline(system, dir, ':');) {
    if (!dir.empty()) folders.push_back(dir);
  }
  for (auto& f : folders) f += "/applications";
  return folders;
}

// The file of a desktop entry id. An id "vendor-app.desktop" may stand for
// "vendor/app.desktop" below an applications folder.
std::optional<std::string> DesktopEntryFile(const std::string& id) {
  std::vector<std::string> relatives{id};
  std::string nested = id;
  for (auto dash = nested.find('-'); dash != std::string::npos; dash = nested.find('-', dash + 1)) {
    nested[dash] = '/';
    relatives.push_back(nested);
  }
  for (const auto& folder : ApplicationFolders()) {
    for (const auto& relative : relatives) {
      const std::string candidate = folder + "/" + relative;
      std::error_code ignored;
      if (fs::is_regular_file(candidate, ignored)) return candidate;
    }
  }
  return std::nullopt;
}

// The Exec value of the entry's [Desktop Entry] group.
std::string ExecLine(const std::string& entryFile) {
  std::ifstream in(entryFile);
  bool inMainGroup = false;
  for (std::string line; std::getline(in, line);) {
    line = Trimmed(line);
    if (!line.empty() && line.front() == '[') {
      inMainGroup = line == "[Desktop Entry]";
    } else if (inMainGroup && line.rfind("Exec", 0) == 0) {
      const auto eq = line.find('=');
      if (eq != std::string::npos && Trimmed(line.substr(4, eq - 4)).empty()) {
        return Trimmed(line.substr(eq + 1));
      }
    }
  }
  return "";
}

// The words of an Exec value: blanks separate them, double quotes group them
// with backslash escapes inside; field codes such as %f and %U are dropped.
std::vector<std::string> ExecWords(const std::string& exec) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false, quoted = false;
  for (std::size_t i = 0; i < exec.size(); ++i) {
    const char c = exec[i];
    if (quoted) {
      if (c == '\\' && i + 1 < exec.size()) {
        word += exec[++i];
      } else if (c == '"') {
        quoted = false;
      } else {
        word += c;
      }
    } else if (c == '"') {
      quoted = inWord = true;
    } else if (c == ' ' || c == '\t') {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);

  std::vector<std::string> kept;
  for (auto& w : words) {
    if (w.size() == 2 && w[0] == '%' && w[1] != '%') continue;
    kept.push_back(w);
  }
  return kept;
}

// A program name searched on PATH, as the shell would find it.
std::string ProgramPath(const std::string& program) {
  if (program.find('/') != std::string::npos) return program;
  std::stringstream path(EnvOr("PATH", "/usr/local/bin:/usr/bin:/bin"));
  for (std::string dir; std::getline(path, dir, ':');) {
    const std::string candidate = (dir.empty() ? "." : dir) + "/" + program;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return program;
}

class PosixLensFilePlatform : public LensFilePlatform {
 public:
  std::string ProgramFolder() override {
    std::error_code failed;
    const fs::path exe = fs::read_symlink("/proc/self/exe", failed);
    if (!failed && exe.has_parent_path()) return exe.parent_path().string();
    return fs::current_path(failed).string();
  }

  bool IsFolderWritable(const std::string& folder) override {
    return IsDirectory(folder) && access(folder.c_str(), W_OK | X_OK) == 0;
  }

  std::string DocumentsFolder() override {
    const std::string home = HomeFolder();
    // The documents folder the desktop named in user-dirs.dirs, e.g.
    // XDG_DOCUMENTS_DIR="$HOME/Dokumente".
    std::ifstream dirs(EnvOr("XDG_CONFIG_HOME", home + "/.config") + "/user-dirs.dirs");
    for (std::string line; std::getline(dirs, line);) {
      const std::string key = "XDG_DOCUMENTS_DIR=";
      if (line.rfind(key, 0) != 0) continue;
      std::string value = line.substr(key.size());
      if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
      }
      if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
      if (!value.empty() && value.front() == '/' && IsFolderWritable(value)) return value;
    }
    if (IsFolderWritable(home + "/Documents")) return home + "/Documents";
    return home;
  }

  std::string Separator() override { return "/"; }

  int FindExecutable(const std::string& file, const std::string& directory,
                     FindExecutableBuffer& buffer) override {
    if (!directory.empty() && !IsDirectory(directory)) return kPathNotFound;
    std::error_code ignored;
    if (!fs::exists(file, ignored)) return kFileNotFound;

    // The file's type, then the desktop entry that opens that type. No
    // xdg-utils, no type or no default program: no association.
    const auto type = OutputOf({"xdg-mime", "query", "filetype", file});
    if (!type || Trimmed(*type).empty()) return kNoAssociation;
    const auto id = OutputOf({"xdg-mime", "query", "default", Trimmed(*type)});
    if (!id || Trimmed(*id).empty()) return kNoAssociation;
    const auto entry = DesktopEntryFile(Trimmed(*id));
    if (!entry) return kNoAssociation;

    // The program: the Exec command with its program found on PATH. The whole
    // command is given, not the program alone, because a Windows program
    // such as OSLO is started through a wrapper (wine, env) that names it
    // only among the arguments.
    std::vector<std::string> words = ExecWords(ExecLine(*entry));
    if (words.empty()) return kBadFormat;
    words[0] = ProgramPath(words[0]);
    std::string command;
    for (const auto& w : words) command += (command.empty() ? "" : " ") + w;

    const std::size_t n = std::min(command.size(), buffer.size() - 1);
    std::memcpy(buffer.data(), command.data(), n);
    buffer[n] = '\0';
    return kFindExecutableSuccess;
  }

  void Launch(const std::string& file, const std::string& directory) override {
    // Everything the child needs is prepared before the fork.
    std::string program = "xdg-open";
    std::vector<char*> argv{program.data(), const_cast<char*>(file.c_str()), nullptr};
    const char* dir = directory.c_str();

    // Fork twice and reap the middle process at once: the opened program is
    // not waited for and leaves no zombie behind when it ends.
    const pid_t middle = fork();
    if (middle < 0) return;
    if (middle == 0) {
      setsid();
      const pid_t opener = fork();
      if (opener == 0) {
        if (*dir != '\0' && chdir(dir) != 0) _exit(127);
        execvp(argv[0], argv.data());
        _exit(127);
      }
      _exit(0);
    }
    int status = 0;
    while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
  }

  std::string ShortDate() override { return Now().ShortDate; }
  std::string LongTime() override { return Now().LongTime; }

  ClockText Now() override {
    const time_t now = time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);

    // The user's date and time formats (LC_TIME, or LC_ALL / LANG), "C" when
    // the locale named there is not installed.
    locale_t timeLocale = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
    if (timeLocale == static_cast<locale_t>(0)) {
      timeLocale = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
    }
    const auto format = [&](const char* pattern) {
      char text[128];
      const std::size_t n = strftime_l(text, sizeof text, pattern, &local, timeLocale);
      return std::string(text, n);
    };
    ClockText clock{format("%x"), format("%X")};
    if (timeLocale != static_cast<locale_t>(0)) freelocale(timeLocale);
    return clock;
  }
};

// ---- Whole files -------------------------------------------------------------

std::string Reason(int error) { return std::generic_category().message(error); }

// Writes all of `text` to `fd` and makes it durable, so that the name the
// file takes afterwards never shows a file cut short; then closes `fd`.
// Returns 0 or the error number of the first step that failed.
int WriteAllAndClose(int fd, const std::string& text) {
  const char* next = text.data();
  std::size_t left = text.size();
  int error = 0;
  while (left > 0 && error == 0) {
    const ssize_t n = write(fd, next, left);
    if (n > 0) {
      next += n;
      left -= static_cast<std::size_t>(n);
    } else if (n == 0) {
      error = EIO;  // no progress: a file system that takes nothing more
    } else if (errno != EINTR) {
      error = errno;
    }
  }
  // Some file systems only report a full disk when the data reaches it.
  if (error == 0 && fsync(fd) != 0) error = errno;
  if (close(fd) != 0 && error == 0 && errno != EINTR) error = errno;
  return error;
}

// A temporary file of this call's own in the folder of `path`: a hidden name
// with 64 random bits, created exclusively and never through a symbolic link,
// so neither a run beside this one nor a planted link can share it.
struct TemporaryFile {
  std::string path;
  int fd = -1;
  int error = 0;
};

TemporaryFile CreateTemporaryBeside(const std::string& path) {
  const auto slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  thread_local std::mt19937_64 random{(std::uint64_t{std::random_device{}()} << 32) ^
                                      std::random_device{}() ^
                                      static_cast<std::uint64_t>(getpid())};
  TemporaryFile temporary;
  // A name already there (a left-over, or another run's) is skipped; after
  // a hundred tries something else is wrong.
  for (int attempt = 0; attempt < 100; ++attempt) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string name = folder + ".vantry-null-";
    for (std::uint64_t bits = random(), k = 0; k < 16; ++k, bits >>= 4) name += kHex[bits & 15];
    name += ".tmp";
    const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0) return {name, fd, 0};
    temporary.error = errno;
    if (temporary.error != EEXIST) break;
  }
  return temporary;
}

// How the finished temporary file takes a name that no file holds.
enum class Claim {
  Link,           // a hard link; the temporary name is removed afterwards
  MoveNoReplace,  // a move that fails on a held name (no hard links here)
  CreateName      // neither works: the name itself is created exclusively
};

// A file system without hard links (FAT, some network shares, the browser's
// files, which answer that a new file has too many links already).
bool NoHardLinks(int error) {
  return error == EPERM || error == EOPNOTSUPP || error == ENOTSUP || error == ENOSYS ||
         error == EMLINK;
}

// Gives the text the name `path` unless the name is held, in the way `claim`
// says, falling back to the next way where the file system lacks one.
// Returns 0, EEXIST when the name is held, or another error number.
int TakeName(Claim& claim, const std::string& temporary, const std::string& path,
             const std::string& text) {
  if (claim == Claim::Link) {
    if (link(temporary.c_str(), path.c_str()) == 0) return 0;
    if (!NoHardLinks(errno)) return errno;
    claim = Claim::MoveNoReplace;
  }
#ifdef RENAME_NOREPLACE
  if (claim == Claim::MoveNoReplace) {
    if (renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0) {
      return 0;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
  }
#endif
  // The name is claimed by creating it, the text written into it, and a
  // failed write removes it again: never a partial file left, but another
  // program may see the file growing.
  claim = Claim::CreateName;
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  const int error = WriteAllAndClose(fd, text);
  if (error != 0) unlink(path.c_str());
  return error;
}

}  // namespace

FileWriteResult WriteFileUnderFreeName(const NextFileName& names, const std::string& text) {
  std::string path = names();
  if (path.empty()) return {Reason(EEXIST), ""};
  TemporaryFile temporary = CreateTemporaryBeside(path);
  if (temporary.fd < 0) return {Reason(temporary.error), ""};
  int error = WriteAllAndClose(temporary.fd, text);

  // The first free name: of two runs claiming one name at once, exactly one
  // gets it and the other goes on to the next.
  Claim claim = Claim::Link;
  while (error == 0) {
    if (path.empty()) {  // every name offered is held
      error = EEXIST;
      break;
    }
    error = TakeName(claim, temporary.path, path, text);
    if (error != EEXIST) break;
    error = 0;
    path = names();
  }
  // After a move the temporary name is gone already.
  if (claim != Claim::MoveNoReplace || error != 0) unlink(temporary.path.c_str());
  if (error != 0) return {Reason(error), ""};
  return {"", path};
}

std::unique_ptr<LensFilePlatform> MakeSystemLensFilePlatform() {
  return std::make_unique<PosixLensFilePlatform>();
}

}  // namespace vn

#endif  // !_WIN32
