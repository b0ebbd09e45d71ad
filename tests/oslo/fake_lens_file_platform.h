// Test doubles for the lens-file export: the start-up record, a platform
// with a fixed clock and a scripted association answer, a fresh folder per
// test, and the kind of a run's failure.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "common/arithmetic.h"
#include "oslo/lens_file_export.h"
#include "oslo/lens_file_platform.h"

namespace vn::testing {

inline std::string FileBytes(const std::string& path) {
  return (std::ostringstream() << std::ifstream(path, std::ios::binary).rdbuf()).str();
}

// The start-up set-up (317.5 mm paraboloid of radius 2540 mm, 80 mm
// plano-convex BK7 lens of radius 206 mm, 15 mm thick), typed in millimetres
// or in inches, with round engine values in inches standing for a solved run:
// a lens file only copies and scales them.
inline RunRecord StartupRecord(bool inch = false) {
  RunRecord r;
  r.setup.typed = {{inch ? "12.5" : "317.5", inch ? "100" : "2540", "-1", "9e99",
                    inch ? "-8.11" : "-206", inch ? "0.590551" : "15", inch ? "3.14961" : "80",
                    "1.51509"}};
  NullSetup& s = r.setup;
  s.inch = inch;
  s.mirrorDiameter = inch ? 12.5 : 317.5, s.mirrorRadiusOfCurvature = inch ? 100 : 2540;
  s.conicConstant = -1, s.sourceSideRadius = 9e99, s.mirrorSideRadius = inch ? -8.11 : -206;
  s.centreThickness = inch ? 0.590551 : 15, s.lensDiameter = inch ? 3.14961 : 80;
  s.lensIndex = 1.51509, s.glassName = "BK7", s.testWavelength = 0.6328;
  r.system.MirrorSemiDiameter = 6.25;
  r.solution.WorkingSemiDiameter = 1.15, r.solution.ObjectDistance = 8.06367;
  r.solution.LensMirrorDistance = 81.7467;
  return r;
}

inline std::string& Typed(RunRecord& r, Entry e) {
  return (*r.setup.typed)[static_cast<std::size_t>(e)];
}

// The kind of RunFailure `step` ends in, if any.
std::optional<FailureKind> FailureOf(auto step) try {
  return step(), std::nullopt;
} catch (const RunFailure& f) {
  return f.kind();
}

class FakeLensFilePlatform : public LensFilePlatform {
 public:
  std::string programFolder, documentsFolder;
  bool programFolderWritable = true;
  int answerCode = kNoAssociation;  // a negative code makes the query throw
  std::string answerPath;           // copied with its NUL; when empty the blank buffer has no NUL
  std::vector<std::string> probes;  // "file: bytes" of the scratch file while asked about
  std::vector<std::pair<std::string, std::string>> launches;  // file, directory

  std::string ProgramFolder() override { return programFolder; }
  bool IsFolderWritable(const std::string&) override { return programFolderWritable; }
  std::string DocumentsFolder() override { return documentsFolder; }
  std::string Separator() override { return "/"; }
  int FindExecutable(const std::string& file, const std::string&,
                     FindExecutableBuffer& buffer) override {
    probes.push_back(file + ": " + FileBytes(file));
    if (answerCode < 0) throw std::runtime_error("association service failed");
    if (!answerPath.empty()) std::copy_n(answerPath.c_str(), answerPath.size() + 1, buffer.data());
    return answerCode;
  }
  void Launch(const std::string& f, const std::string& d) override { launches.emplace_back(f, d); }
  // 1:23:45 PM on 5 December 2026 with United States settings.
  std::string ShortDate() override { return "12/5/2026"; }
  std::string LongTime() override { return "1:23:45 PM"; }
};

// A fresh empty folder, removed with its content afterwards; the process id
// keeps runs from other build folders apart.
struct TestFolder {
  explicit TestFolder(const std::string& name)
      : path(::testing::TempDir() + "vn_oslo_" + name + "_" + std::to_string(getpid())) {
    std::filesystem::remove_all(path), std::filesystem::create_directories(path);
  }
  ~TestFolder() { std::filesystem::remove_all(path); }
  std::vector<std::string> Names() const {  // sorted
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  const std::string path;
};

}  // namespace vn::testing
