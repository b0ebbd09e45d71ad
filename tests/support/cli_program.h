// The command-line program run through its real executable, for the tests
// of what scripts rely on: standard output, standard error, exit status.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace vn::test {

struct CliResult {
  int status = -1;
  std::string out, err;
  bool Has(const std::string& s) const { return out.find(s) != std::string::npos; }
  bool Says(const std::string& s) const { return err.find(s) != std::string::npos; }
};

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs the program with the given arguments (already quoted for the shell),
// with the environment settings `env` ("LC_ALL=de_DE.UTF-8") in front.
inline CliResult RunCli(const std::string& args, const std::string& env = "") {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string base =
      ::testing::TempDir() + "vn_cli_" + test->test_suite_name() + "_" + test->name();
  const int raw = std::system((env + " '" + VN_CLI_PATH + "' " + args + " >'" + base + ".out' 2>'" +
                               base + ".err' </dev/null")
                                  .c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadAll(base + ".out"), ReadAll(base + ".err")};
}

}  // namespace vn::test
