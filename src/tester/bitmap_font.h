// Letters for the pictures the command line writes without a toolkit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tester/grey_image.h"

namespace vn {

// A glyph's cell in pixels at scale 1, and the step from one letter to the
// next; a line of text takes kLineHeight.
inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 9;
inline constexpr int kGlyphAdvance = 6;
inline constexpr int kLineHeight = 11;

// Width of UTF-8 text in pixels at the given scale (each pixel of a glyph a
// scale × scale square).
int TextWidthPx(std::string_view text, int scale);

// Draws UTF-8 text with its top-left corner at (x, y) in `value`; a sign the
// font lacks is drawn as "?".
void DrawText(GreyImage& image, int x, int y, std::string_view text, int scale, std::uint8_t value);

// Breaks text at spaces into lines no wider than widthPx.
std::vector<std::string> WrapText(const std::string& text, int widthPx, int scale);

}  // namespace vn
