// What a run needs from the program that hosts it while it works: progress
// to show, a turn at every step (where the window handles its events, and a
// key press cancels the run through its token), and an answer to the run's
// one question. The window, the command line, the lens chooser and the
// tests each implement it.
#pragma once

#include <cstddef>
#include <string>

namespace vn {

// The eight entries of a set-up, in the order the window shows them.
enum class Entry {
  MirrorDiameter,
  MirrorRadiusOfCurvature,
  ConicConstant,
  SourceSideRadius,
  MirrorSideRadius,
  CentreThickness,
  LensDiameter,
  LensIndex,
};
inline constexpr std::size_t kEntryCount = 8;

// An entry's caption in the window, for messages ("Center Thickness").
constexpr const char* EntryCaption(Entry entry) {
  switch (entry) {
    case Entry::MirrorDiameter:
      return "Mirror Diameter";
    case Entry::MirrorRadiusOfCurvature:
      return "Radius of Curvature";
    case Entry::ConicConstant:
      return "Conic Constant";
    case Entry::SourceSideRadius:
      return "Source side RoC";
    case Entry::MirrorSideRadius:
      return "Mirror Side RoC";
    case Entry::CentreThickness:
      return "Center Thickness";
    case Entry::LensDiameter:
      return "Lens Diameter";
    case Entry::LensIndex:
      return "Refractive Index";
  }
  return "";
}

struct RunRecord;
struct SetupFigures;

// What the run tells its host while it works, and asks of it. Every event
// has a default that ignores it, so a host takes only what it shows.
class RunHost {
 public:
  virtual ~RunHost() = default;

  // One step of the work has been made (a mirror Newton step, an
  // object-distance iteration, a step of a search): the host's turn to show
  // that the run is busy and to handle its events. A key press then cancels
  // the run through its token.
  virtual void Step() {}

  // Progress: every eleventh step of a search, the set-up being traced.
  virtual void Searching(const SetupFigures& /*now*/) {}
  // The main search has ended and its set-up is evaluated (record.solution).
  virtual void Solved(const RunRecord& /*record*/) {}
  // A pass of the spacing-error exploration starts (sign +1 lengthens the
  // spacing, -1 shortens it), and has ended (record.exploration->passes.back()).
  virtual void PassStarting(const RunRecord& /*record*/, int /*sign*/) {}
  virtual void PassDone(const RunRecord& /*record*/, int /*sign*/) {}

  // A message box with an OK button only: the run's error report, and the
  // lens-file export's note that a glass is needed.
  virtual void ShowMessage(const std::string& /*title*/, const std::string& /*text*/) {}
  // The run's one question: open the lens file just written in OSLO? True
  // for Yes.
  virtual bool AskYesNo(const std::string& /*title*/, const std::string& /*text*/) { return false; }
};

// A host that shows the report's text as it grows: the window, the command
// line and the tests. The run from typed entries composes the text.
class ReportHost : public RunHost {
 public:
  // The report as it now stands, lines separated by CR LF.
  virtual void ShowReport(const std::string& text) = 0;
};

}  // namespace vn
