// Test doubles for the lens-file export: the start-up record, and a
// platform with a fixed clock and a scripted association answer.
#pragma once

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "oslo/lens_file_export.h"
#include "oslo/lens_file_platform.h"
#include "support/files.h"

namespace vn::test {

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
    probes.push_back(file + ": " + FileText(file));
    if (answerCode < 0) throw std::runtime_error("association service failed");
    if (!answerPath.empty()) std::copy_n(answerPath.c_str(), answerPath.size() + 1, buffer.data());
    return answerCode;
  }
  void Launch(const std::string& f, const std::string& d) override { launches.emplace_back(f, d); }
  // 1:23:45 PM on 5 December 2026 with United States settings.
  std::string ShortDate() override { return "12/5/2026"; }
  std::string LongTime() override { return "1:23:45 PM"; }
};

}  // namespace vn::test
