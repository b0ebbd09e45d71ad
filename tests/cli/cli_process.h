// Running the command-line program as a script would: its standard output,
// standard error and exit status.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace vn {

struct CliResult {
  int status = -1;
  std::string out, err;
  bool Has(const std::string& s) const { return out.find(s) != std::string::npos; }
};

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs the program with the given arguments (already quoted for the shell).
inline CliResult RunCli(const std::string& args) {
  const std::string base = ::testing::TempDir() + "vn_cli_" +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name();
  const int raw = std::system((std::string("'") + VN_CLI_PATH + "' " + args + " >'" + base +
                               ".out' 2>'" + base + ".err' </dev/null")
                                  .c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadAll(base + ".out"), ReadAll(base + ".err")};
}

}  // namespace vn
