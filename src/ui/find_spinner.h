// The find button's progress while a run works: a glyph before
// "Processing " that turns on every 1001st step of the run. Plain C++, so
// that its counting is testable without a window; it lives as long as the
// window, so a new run goes on turning where the last one stopped.
#pragma once

#include <cstdint>
#include <string>

namespace vn {

// The find button's caption while no run is in progress.
inline constexpr const char* kFindCaption = "Find Null Variables";

class FindSpinner {
 public:
  // The glyphs, shown in turn before "Processing ".
  static constexpr const char* kGlyphs[4] = {"|", "/", "--", "\\"};

  // Counts one step of the run; on every 1001st it turns and returns true,
  // and Caption() is the button's new caption.
  bool Step() {
    if (++counter_ <= 1000) return false;
    counter_ = 0;
    if (++glyph_ > 3) glyph_ = 0;
    return true;
  }
  std::string Caption() const { return std::string(kGlyphs[glyph_]) + "Processing "; }

 private:
  std::int32_t counter_ = 0;
  std::int32_t glyph_ = 0;
};

}  // namespace vn
