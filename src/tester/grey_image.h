// A grey picture: one byte a pixel, 0 black, 255 white, row 0 at the top.
#pragma once

#include <cstdint>
#include <vector>

namespace vn {

struct GreyImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // width × height, row by row

  GreyImage() = default;
  GreyImage(int w, int h, std::uint8_t fill)
      : width(w), height(h), pixels(static_cast<std::size_t>(w) * h, fill) {}
  std::uint8_t& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
  std::uint8_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

}  // namespace vn
