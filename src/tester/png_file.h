// PNG files without a library: a grey picture in an uncompressed PNG.
//
// A PNG's pixels are a zlib stream, and zlib allows "stored" blocks that
// carry bytes as they are (RFC 1951 §3.2.4). A file made of stored blocks is
// larger than a compressed one but valid for every reader, and needs only
// the two checksums: CRC-32 over each chunk (ISO 3309, as PNG §5.5 gives
// it) and Adler-32 over the pixels (RFC 1950).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tester/grey_image.h"

namespace vn {

// The bytes of an 8-bit greyscale PNG of the image.
std::string PngBytes(const GreyImage& image);

// CRC-32 (the PNG and zlib polynomial 0xEDB88320, reflected) and Adler-32.
std::uint32_t Crc32(std::string_view bytes, std::uint32_t crc = 0);
std::uint32_t Adler32(std::string_view bytes);

// Base 64 (RFC 4648, with padding), for a PNG inside an SVG file.
std::string Base64(std::string_view bytes);

}  // namespace vn
