// An uncompressed PNG writer, and Base 64.
#include "tester/png_file.h"

#include <algorithm>
#include <array>

namespace vn {

namespace {

const std::array<std::uint32_t, 256>& CrcTable() {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  return table;
}

void AppendBigEndian(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFFu);
}

void AppendChunk(std::string& out, const char* type, std::string_view data) {
  AppendBigEndian(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t typeAt = out.size();
  out.append(type, 4);
  out.append(data);
  AppendBigEndian(out, Crc32(std::string_view(out).substr(typeAt)));
}

}  // namespace

std::uint32_t Crc32(std::string_view bytes, std::uint32_t crc) {
  const auto& table = CrcTable();
  std::uint32_t c = crc ^ 0xFFFFFFFFu;
  for (char b : bytes) c = table[(c ^ static_cast<unsigned char>(b)) & 0xFFu] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::uint32_t Adler32(std::string_view bytes) {
  // Sums kept below 2³² by reducing every 5552 bytes (zlib's NMAX).
  constexpr std::uint32_t kModulus = 65521;
  std::uint32_t a = 1, b = 0;
  for (std::size_t start = 0; start < bytes.size(); start += 5552) {
    const std::size_t end = std::min(bytes.size(), start + 5552);
    for (std::size_t i = start; i < end; ++i) {
      a += static_cast<unsigned char>(bytes[i]);
      b += a;
    }
    a %= kModulus;
    b %= kModulus;
  }
  return (b << 16) | a;
}

std::string PngBytes(const GreyImage& image) {
  // The raw scan lines: filter type 0 (none), then the row's bytes.
  std::string raw;
  raw.reserve(static_cast<std::size_t>(image.width + 1) * image.height);
  for (int y = 0; y < image.height; ++y) {
    raw += '\0';
    const auto* row = image.pixels.data() + static_cast<std::size_t>(y) * image.width;
    raw.append(reinterpret_cast<const char*>(row), static_cast<std::size_t>(image.width));
  }

  // The zlib stream: header (deflate, 32 KiB window, no dictionary, a
  // check that makes it a multiple of 31), stored blocks of at most 65535
  // bytes, the last one marked final, then Adler-32 of the raw bytes.
  std::string z = "\x78\x01";
  std::size_t at = 0;
  do {
    const std::size_t length = std::min<std::size_t>(65535, raw.size() - at);
    const bool last = at + length == raw.size();
    z += static_cast<char>(last ? 1 : 0);
    z += static_cast<char>(length & 0xFFu);
    z += static_cast<char>((length >> 8) & 0xFFu);
    z += static_cast<char>(~length & 0xFFu);
    z += static_cast<char>((~length >> 8) & 0xFFu);
    z.append(raw, at, length);
    at += length;
  } while (at < raw.size());
  AppendBigEndian(z, Adler32(raw));

  std::string png = "\x89PNG\r\n\x1a\n";
  std::string header;
  AppendBigEndian(header, static_cast<std::uint32_t>(image.width));
  AppendBigEndian(header, static_cast<std::uint32_t>(image.height));
  header += '\x08';  // bit depth
  header += '\x00';  // colour type: greyscale
  header += '\x00';  // compression: deflate
  header += '\x00';  // filter method 0
  header += '\x00';  // no interlace
  AppendChunk(png, "IHDR", header);
  AppendChunk(png, "IDAT", z);
  AppendChunk(png, "IEND", {});
  return png;
}

std::string Base64(std::string_view bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
    std::uint32_t v = 0;
    for (std::size_t k = 0; k < 3; ++k) {
      v = (v << 8) | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    }
    for (std::size_t k = 0; k < 4; ++k) {
      out += k <= n ? kAlphabet[(v >> (18 - 6 * k)) & 0x3Fu] : '=';
    }
  }
  return out;
}

}  // namespace vn
