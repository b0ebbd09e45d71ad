// The command-line program as scripts start it: a child process with its own
// arguments (any bytes but NUL, no shell between, or a shell's line), its
// output in files, many at once if need be, and optionally with a limit the
// system imposes (a file-size limit standing for a full disk, an
// unprivileged user).
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

namespace vn::test {

struct ChildSetup {
  // When above zero: the largest file the child may write, in bytes; a write
  // past it fails with EFBIG as a full disk fails with ENOSPC.
  rlim_t fileSizeLimit = 0;
  // Run as the user "nobody" when started by root, for whom no folder is
  // read-only.
  bool withoutRoot = false;
};

inline std::vector<char*> ArgumentVector(const std::string& program,
                                         const std::vector<std::string>& args) {
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  return argv;
}

// In the forked child: standard input from /dev/null, output and error to the
// descriptors given, the setup applied, then the program. Never returns.
[[noreturn]] inline void ExecChild(std::vector<char*>& argv, int out, int err,
                                   const ChildSetup& setup) {
  const int in = open("/dev/null", O_RDONLY);
  if (in < 0 || out < 0 || err < 0) _exit(126);
  dup2(in, STDIN_FILENO), dup2(out, STDOUT_FILENO), dup2(err, STDERR_FILENO);
  if (setup.withoutRoot && geteuid() == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(126);
  }
  if (setup.fileSizeLimit > 0) {
    // Past the limit a write fails instead of the signal ending the program.
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{setup.fileSizeLimit, setup.fileSizeLimit};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
  }
  execv(argv[0], argv.data());
  _exit(127);
}

// Starts `program` with `args`, its output and error going into the files
// named; many may run at once. Returns the child's process id, or -1.
inline pid_t StartChild(const std::string& program, const std::vector<std::string>& args,
                        const std::string& outPath, const std::string& errPath) {
  std::vector<char*> argv = ArgumentVector(program, args);
  const pid_t pid = fork();
  if (pid != 0) return pid;
  ExecChild(argv, open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644),
            open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), {});
}

// The child's exit status, or -1 when a signal ended it.
inline int WaitChild(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct ChildResult {
  int status = -1;
  std::string out, err;
  bool Has(const std::string& s) const { return out.find(s) != std::string::npos; }
};

// Runs `program` with `args` to its end, its output and error read through
// pipes, so a file-size limit does not touch them.
inline ChildResult RunChild(const std::string& program, const std::vector<std::string>& args,
                            const ChildSetup& setup = {}) {
  std::vector<char*> argv = ArgumentVector(program, args);
  int outPipe[2], errPipe[2];
  if (pipe(outPipe) != 0) return {};
  if (pipe(errPipe) != 0) return close(outPipe[0]), close(outPipe[1]), ChildResult{};
  const pid_t pid = fork();
  if (pid == 0) {
    close(outPipe[0]), close(errPipe[0]);
    ExecChild(argv, outPipe[1], errPipe[1], setup);
  }
  close(outPipe[1]), close(errPipe[1]);
  ChildResult result;
  pollfd ends[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  std::string* texts[2] = {&result.out, &result.err};
  for (int open = 2; open > 0;) {
    if (poll(ends, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int k = 0; k < 2; ++k) {
      if (ends[k].fd < 0 || ends[k].revents == 0) continue;
      char chunk[4096];
      const ssize_t n = read(ends[k].fd, chunk, sizeof chunk);
      if (n > 0) {
        texts[k]->append(chunk, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        close(ends[k].fd), ends[k].fd = -1, --open;
      }
    }
  }
  for (const auto& end : ends) {
    if (end.fd >= 0) close(end.fd);
  }
  if (pid < 0) return result;
  result.status = WaitChild(pid);
  return result;
}

// The command-line program as a script's shell line starts it: `args` are
// quoted for the shell, `environment` holds assignments put before it
// ("LC_ALL=de_DE.UTF-8").
inline ChildResult RunCli(const std::string& args, const std::string& environment = "") {
  return RunChild("/bin/sh",
                  {"-c", environment + " exec '" + std::string(VN_CLI_PATH) + "' " + args});
}

}  // namespace vn::test
