// Test doubles for the lens-file export: a platform with a fixed clock and a
// scripted association answer, a host that records its message boxes, and a
// fresh folder per test.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "oslo/lens_file_platform.h"
#include "run/run_host.h"

namespace vn::testing {

inline std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class FakeLensFilePlatform : public LensFilePlatform {
 public:
  std::string programFolder, documentsFolder;
  bool programFolderWritable = true;
  int answerCode = kNoAssociation;  // the scripted association answer
  std::string answerPath;           // copied with its NUL when answerCode >= 32
  bool answerWithoutNul = false, throwOnFind = false;
  std::vector<std::string> probedFiles, probedContents;       // the scratch file while asked about
  std::vector<std::pair<std::string, std::string>> launches;  // file, directory

  std::string ProgramFolder() override { return programFolder; }
  bool IsFolderWritable(const std::string&) override { return programFolderWritable; }
  std::string DocumentsFolder() override { return documentsFolder; }
  std::string Separator() override { return "/"; }
  int FindExecutable(const std::string& file, const std::string&,
                     FindExecutableBuffer& buffer) override {
    probedFiles.push_back(file);
    probedContents.push_back(FileBytes(file));
    if (throwOnFind) throw std::runtime_error("association service failed");
    if (answerCode >= 32 && answerWithoutNul) buffer.fill('X');
    if (answerCode >= 32 && !answerWithoutNul) {
      std::memcpy(buffer.data(), answerPath.c_str(), answerPath.size() + 1);
    }
    return answerCode;
  }
  void Launch(const std::string& file, const std::string& dir) override {
    launches.emplace_back(file, dir);
  }
  // United States short date and long time of 1:23:45 PM on 5 December 2026.
  std::string ShortDate() override { return "12/5/2026"; }
  std::string LongTime() override { return "1:23:45 PM"; }
};

class RecordingHost : public RunHost {
 public:
  std::vector<std::pair<std::string, std::string>> messages, questions;  // title, text
  bool answerYes = true;

  std::string EntryText(Entry) override { return ""; }
  bool IsChecked(CheckBox) override { return false; }
  bool InchUnitsSelected() override { return false; }
  std::string ReportText() override { return ""; }
  void SetReportText(const std::string&) override {}
  void SetFindCaption(const std::string&) override {}
  void ShowAbortNotice(bool) override {}
  void FocusReport() override {}
  void ShowMessage(const std::string& t, const std::string& m) override {
    messages.emplace_back(t, m);
  }
  bool AskYesNo(const std::string& t, const std::string& m) override {
    questions.emplace_back(t, m);
    return answerYes;
  }
  void YieldToEvents() override {}
};

// A fresh empty folder, removed with its content afterwards.
class TestFolder {
 public:
  explicit TestFolder(const std::string& name)
      : path_((std::filesystem::temp_directory_path() /
               ("vn_oslo_" + name + "_" + std::to_string(getpid())))
                  .string()) {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TestFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }
  std::vector<std::string> Names() const {  // sorted
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path_)) {
      names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::string path_;
};

}  // namespace vn::testing
