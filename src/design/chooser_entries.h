// What the user gives the lens chooser, as the texts they type (into the
// "Choose lens" window or on the command line), and the design and ranking
// requests read from them.
//
// The mirror and the lens glass are those of the main window's entries; the
// lens's thickness and diameter may each be one value ("15") or a range
// ("10:20"); the room is the longest source-to-mirror distance and the
// shortest source-to-lens distance the user can work with (empty: no limit).
#pragma once

#include <optional>
#include <string>

#include "common/constants.h"
#include "design/chooser_text.h"
#include "design/lens_design.h"
#include "design/lens_ranking.h"

namespace vn {

struct ChooserEntries {
  bool inch = false;  // lengths below are inches, not millimetres
  std::string mirrorDiameter = "317.5";
  std::string mirrorRoc = "2540";
  std::string conic = "-1";
  std::string thickness = "15";
  std::string lensDiameter = "80";
  std::string index = "1.51509";
  std::string glassName = "BK7";  // of the index, for the heading; empty when typed
  // The test wavelength as the refractive-index dialog keeps it, in
  // micrometres (SharedValues::TestWavelength), so that the exact check
  // measures waves of exactly the run's wavelength.
  double wavelengthMicrons = kHeNeWavelengthMicrons;
  std::string maxSourceToMirror;  // empty: no limit
  std::string minSourceToLens;    // empty: no limit
  std::string clearAperturePercent = "90";
  std::string radiusStep;  // empty: 0.1 mm, or 0.005" in inches
};

// Whether results made for `madeFor` still belong to the main window's
// `now`: the same mirror, lens index, glass, wavelength and unit (the
// chooser's own fields are its own to change).
bool SameMainWindowSetting(const ChooserEntries& madeFor, const ChooserEntries& now);

struct ChooserInputs {
  ChooserSetting setting;
  DesignRequest design;    // both forms; the host may narrow it
  RankingRequest ranking;  // for the list the host reads
};

struct ChooserReading {
  std::optional<ChooserInputs> inputs;
  std::string why;  // the first entry that is not usable, and why
};

ChooserReading ReadChooserEntries(const ChooserEntries& entries);

}  // namespace vn
