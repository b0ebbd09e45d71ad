// Files and texts for the tests: a fresh folder per test, a file's bytes, a
// text's lines, and the kind of failure a step of a run ends in.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "common/arithmetic.h"

namespace vn::test {

inline std::string FileText(const std::filesystem::path& path) {
  return (std::ostringstream() << std::ifstream(path, std::ios::binary).rdbuf()).str();
}

inline void WriteText(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// A file of `text` in the tests' temporary folder; its path. The process id
// in its name keeps apart the test programs of several build folders and
// users: a file another user's run left under the same name cannot be
// replaced, and must not make this run fail.
inline std::string TempFile(const std::string& name, const std::string& text) {
  const std::string path = ::testing::TempDir() + std::to_string(getpid()) + "_" + name;
  WriteText(path, text);
  return path;
}

// The lines of a text written with "\n" ends (a CR before one is kept).
inline std::vector<std::string> TextLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A fresh empty folder, removed with its content afterwards (given its
// rights back first: a test may take them away). The process id keeps the
// test programs of several build folders apart.
class TempFolder {
 public:
  explicit TempFolder(const std::string& name)
      : path(::testing::TempDir() + "vn_" + name + "_" + std::to_string(getpid())) {
    std::filesystem::remove_all(path), std::filesystem::create_directories(path);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(path, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::string operator/(const std::string& name) const { return path + "/" + name; }
  std::vector<std::string> Names() const {  // sorted
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  const std::string path;
};

// The RunFailure `step` ends in, if any.
template <class Step>
std::optional<RunFailure> FailureIn(Step step) {
  try {
    step();
  } catch (const RunFailure& failure) {
    return failure;
  }
  return std::nullopt;
}

// Its kind, and what it says failed ("" when nothing did).
template <class Step>
std::optional<FailureKind> FailureOf(Step step) {
  const auto failure = FailureIn(step);
  return failure ? std::optional(failure->kind()) : std::nullopt;
}
template <class Step>
std::string FailureText(Step step) {
  const auto failure = FailureIn(step);
  return failure ? failure->what() : "";
}

}  // namespace vn::test
