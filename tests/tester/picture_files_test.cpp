// The PNG and SVG writers: checksums against their standards' check values,
// a PNG taken apart again, and the Zernike series the pictures evaluate.
#include "tester/picture_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "analysis/zernike.h"
#include "analysis/zernike_series.h"
#include "tester/bitmap_font.h"
#include "tester/png_file.h"

namespace vn {
namespace {

std::uint32_t BigEndian(const std::string& s, std::size_t at) {
  std::uint32_t v = 0;
  for (int k = 0; k < 4; ++k) v = (v << 8) | static_cast<unsigned char>(s[at + k]);
  return v;
}

// The check values the standards give: CRC-32 of "123456789" is CBF43926
// (the zlib and PNG polynomial), Adler-32 of "Wikipedia" is 11E60398 and of
// 100 000 bytes FF, which needs the sums reduced many times, 149A302C (as
// zlib's own adler32 gives it), and RFC 4648 §10's Base 64 examples.
TEST(PictureFiles, ChecksumsAndBase64MatchTheirStandards) {
  EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
  EXPECT_EQ(Adler32("Wikipedia"), 0x11E60398u);
  EXPECT_EQ(Adler32(std::string(100000, '\xff')), 0x149A302Cu);
  const std::pair<const char*, const char*> base64[] = {{"", ""},
                                                        {"f", "Zg=="},
                                                        {"fo", "Zm8="},
                                                        {"foo", "Zm9v"},
                                                        {"foob", "Zm9vYg=="},
                                                        {"fooba", "Zm9vYmE="},
                                                        {"foobar", "Zm9vYmFy"}};
  for (const auto& [in, out] : base64) EXPECT_EQ(Base64(in), out);
}

// A picture larger than one stored block, taken apart as a reader would:
// signature, chunks with good CRCs, the zlib stream's header, blocks and
// Adler-32, and the pixels as they went in.
TEST(PictureFiles, PngCarriesThePixelsInValidChunks) {
  GreyImage image(300, 250, 0);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) image.at(x, y) = static_cast<std::uint8_t>(x * 7 + y);
  }
  const std::string png = PngBytes(image);
  ASSERT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  std::size_t at = 8;
  std::string idat;
  std::vector<std::string> types;
  while (at < png.size()) {
    const std::uint32_t length = BigEndian(png, at);
    const std::string type = png.substr(at + 4, 4);
    const std::string data = png.substr(at + 8, length);
    EXPECT_EQ(BigEndian(png, at + 8 + length), Crc32(type + data)) << type;
    if (type == "IHDR") {
      EXPECT_EQ(BigEndian(data, 0), 300u);
      EXPECT_EQ(BigEndian(data, 4), 250u);
      EXPECT_EQ(data.substr(8), std::string("\x08\x00\x00\x00\x00", 5));
    }
    if (type == "IDAT") idat += data;
    types.push_back(type);
    at += 12 + length;
  }
  EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
  ASSERT_EQ((static_cast<unsigned char>(idat[0]) * 256 + static_cast<unsigned char>(idat[1])) % 31,
            0);
  std::string raw;
  std::size_t p = 2;
  for (bool last = false; !last;) {
    last = (idat[p] & 1) != 0;
    const std::size_t length =
        static_cast<unsigned char>(idat[p + 1]) + 256u * static_cast<unsigned char>(idat[p + 2]);
    const std::size_t check =
        static_cast<unsigned char>(idat[p + 3]) + 256u * static_cast<unsigned char>(idat[p + 4]);
    ASSERT_EQ(length ^ 0xFFFFu, check);
    raw += idat.substr(p + 5, length);
    p += 5 + length;
  }
  EXPECT_EQ(BigEndian(idat, p), Adler32(raw));
  ASSERT_EQ(raw.size(), 301u * 250u);
  for (int y = 0; y < 250; ++y) {
    ASSERT_EQ(raw[y * 301], '\0');  // filter: none
    for (int x = 0; x < 300; ++x) {
      ASSERT_EQ(static_cast<unsigned char>(raw[y * 301 + 1 + x]), image.at(x, y));
    }
  }
}

// The caption: wrapped at spaces to the width, drawn in black on white, and
// in the SVG as text with its markup characters escaped.
TEST(PictureFiles, CaptionsAreWrappedDrawnAndEscaped) {
  const auto lines = WrapText("one two three four", 6 * 9, 1);  // nine letters a line
  EXPECT_EQ(lines, (std::vector<std::string>{"one two", "three", "four"}));
  EXPECT_EQ(TextWidthPx("\u00b5m", 2), 24);  // two letters, µ one of them

  TesterPicture picture;
  picture.ok = true;
  picture.disc = GreyImage(64, 64, 128);
  picture.title = "Ronchigram <test> & more";
  picture.caption = {"A line."};
  const GreyImage image = LabelledImage(picture);
  int black = 0;
  for (auto v : image.pixels) black += v == 0 ? 1 : 0;
  EXPECT_GT(black, 50);
  const std::string svg = LabelledSvg(picture);
  EXPECT_NE(svg.find("Ronchigram &lt;test&gt; &amp; more"), std::string::npos);
  EXPECT_NE(svg.find("data:image/png;base64,iVBORw0KGgo"), std::string::npos);
  EXPECT_EQ(WriteTesterPicture(picture, "/nonexistent-folder/x.gif").why,
            "the picture's name must end in .png or .svg");
}

// The gathered series is the term-by-term sum, at points in and beyond the
// disc, for coefficients of every term of the 49.
TEST(ZernikeSeriesTest, EqualsTheTermByTermSum) {
  std::vector<double> c(49);
  for (std::size_t j = 0; j < c.size(); ++j) c[j] = std::sin(1.7 * j + 0.3) / (1.0 + j);
  const ZernikeSeries series(c);
  for (double x : {-1.0, -0.37, 0.0, 0.21, 0.8}) {
    for (double y : {-0.9, 0.0, 0.44, 1.0}) {
      EXPECT_NEAR(series.At(x, y), ZernikeSum(c, x, y), 1e-12) << x << ", " << y;
    }
  }
  double symmetric = 0.0;
  for (int j : {0, 3, 8, 15, 24, 35, 48}) {
    symmetric += c[j] * ZernikeValue(FringeTerm(j), 0.6, 0.0);
  }
  EXPECT_NEAR(series.SymmetricAt(0.6), symmetric, 1e-12);
}

}  // namespace
}  // namespace vn
