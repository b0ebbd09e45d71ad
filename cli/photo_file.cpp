// Decoding the user's photo with the public-domain stb_image (Debian's
// libstb-dev): PNG and JPEG only, from the bytes already read, so that the
// decoder never opens a file of its own and every size is checked first.
#include "cli/photo_file.h"

#include <climits>
#include <cstring>
#include <memory>

#include "cli/cli_support.h"
#include "common/user_file.h"

#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS 65536
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

namespace vn::cli {

GreyImage ReadPhoto(const std::string& option, const std::string& path,
                    std::chrono::steady_clock::time_point deadline) {
  const std::string bytes = ReadOptionFile(option, path, kMaxPhotoFileBytes, deadline);
  const auto refuse = [&](const std::string& why) {
    return UsageProblem(option + " " + path + ": " + why);
  };
  if (bytes.size() > static_cast<std::size_t>(INT_MAX)) throw refuse("the file is too large");
  const auto* data = reinterpret_cast<const stbi_uc*>(bytes.data());
  const int length = static_cast<int>(bytes.size());
  // The picture's size from its header, before any pixel is decoded.
  int width = 0, height = 0, channels = 0;
  if (!stbi_info_from_memory(data, length, &width, &height, &channels) || width <= 0 ||
      height <= 0) {
    throw refuse("it is not a PNG or JPEG picture that can be read");
  }
  if (static_cast<long long>(width) * height > kMaxPhotoPixels) {
    throw refuse("the picture is " + std::to_string(width) + " x " + std::to_string(height) +
                 " pixels, more than the 64 megapixels read");
  }
  if (std::chrono::steady_clock::now() > deadline) {
    throw StoppedByTimeout("--timeout stopped the reading of " + path);
  }
  std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
      stbi_load_from_memory(data, length, &width, &height, &channels, 1), stbi_image_free);
  if (!pixels) throw refuse("the picture is damaged or in a form that cannot be read");
  GreyImage photo(width, height, 0);
  std::memcpy(photo.pixels.data(), pixels.get(), photo.pixels.size());
  return photo;
}

}  // namespace vn::cli
