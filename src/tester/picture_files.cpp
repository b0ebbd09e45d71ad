// The tester's pictures with their captions, as PNG and SVG.
#include "tester/picture_files.h"

#include <algorithm>
#include <optional>

#include "common/whole_file.h"
#include "oslo/lens_file_platform.h"
#include "pictures/drawing.h"
#include "tester/bitmap_font.h"
#include "tester/png_file.h"

namespace vn {

namespace {

constexpr int kMargin = 10;

// The layout both files share: the caption's lines and where things go.
struct Layout {
  int scale = 1;
  int width = 0, height = 0;
  int discY = 0;
  std::vector<std::string> title;
  std::vector<std::string> caption;
  int captionY = 0;
  int lineHeight = 0;
};

Layout LayOut(const TesterPicture& picture) {
  Layout l;
  l.scale = picture.disc.width >= 384 ? 2 : 1;
  l.width = std::max(picture.disc.width, 320) + 2 * kMargin;
  l.lineHeight = kLineHeight * l.scale;
  const int textWidth = l.width - 2 * kMargin;
  l.title = WrapText(picture.title, textWidth, l.scale);
  for (const std::string& sentence : picture.caption) {
    for (std::string& line : WrapText(sentence, textWidth, l.scale)) l.caption.push_back(line);
  }
  l.discY = kMargin + static_cast<int>(l.title.size()) * l.lineHeight + kMargin / 2;
  l.captionY = l.discY + picture.disc.height + kMargin;
  l.height = l.captionY + static_cast<int>(l.caption.size()) * l.lineHeight + kMargin;
  return l;
}

int DiscX(const Layout& l, const TesterPicture& picture) {
  return (l.width - picture.disc.width) / 2;
}

bool EndsWith(const std::string& path, const char* extension) {
  const std::string e(extension);
  if (path.size() < e.size()) return false;
  for (std::size_t i = 0; i < e.size(); ++i) {
    const char c = path[path.size() - e.size() + i];
    if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != e[i]) return false;
  }
  return true;
}

}  // namespace

GreyImage LabelledImage(const TesterPicture& picture) {
  const Layout l = LayOut(picture);
  GreyImage image(l.width, l.height, 255);
  int y = kMargin;
  for (const std::string& line : l.title) {
    DrawText(image, kMargin, y, line, l.scale, 0);
    y += l.lineHeight;
  }
  const int x0 = DiscX(l, picture);
  for (int row = 0; row < picture.disc.height; ++row) {
    std::copy_n(&picture.disc.pixels[static_cast<std::size_t>(row) * picture.disc.width],
                picture.disc.width, &image.at(x0, l.discY + row));
  }
  y = l.captionY;
  for (const std::string& line : l.caption) {
    DrawText(image, kMargin, y, line, l.scale, 0);
    y += l.lineHeight;
  }
  return image;
}

std::string LabelledSvg(const TesterPicture& picture) {
  const Layout l = LayOut(picture);
  const int fontPx = 9 * l.scale;
  const auto text = [&](int y, const std::string& line, bool bold) {
    return "<text x=\"" + std::to_string(kMargin) + "\" y=\"" + std::to_string(y + 7 * l.scale) +
           "\"" + (bold ? " font-weight=\"bold\"" : "") + ">" + XmlEscaped(line) + "</text>\n";
  };
  std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(l.width) +
         "\" height=\"" + std::to_string(l.height) + "\" viewBox=\"0 0 " + std::to_string(l.width) +
         " " + std::to_string(l.height) + "\">\n";
  svg += "<title>" + XmlEscaped(picture.title) + "</title>\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  svg += "<g font-family=\"sans-serif\" font-size=\"" + std::to_string(fontPx) +
         "\" fill=\"black\">\n";
  int y = kMargin;
  for (const std::string& line : l.title) {
    svg += text(y, line, true);
    y += l.lineHeight;
  }
  y = l.captionY;
  for (const std::string& line : l.caption) {
    svg += text(y, line, false);
    y += l.lineHeight;
  }
  svg += "</g>\n";
  svg += "<image x=\"" + std::to_string(DiscX(l, picture)) + "\" y=\"" + std::to_string(l.discY) +
         "\" width=\"" + std::to_string(picture.disc.width) + "\" height=\"" +
         std::to_string(picture.disc.height) +
         "\" image-rendering=\"pixelated\" href=\"data:image/png;base64," +
         Base64(PngBytes(picture.disc)) + "\"/>\n";
  svg += "</svg>\n";
  return svg;
}

namespace {

// The file's bytes by the path's extension, or nothing for another one.
std::optional<std::string> PictureBytes(const TesterPicture& picture, const std::string& path) {
  if (EndsWith(path, ".png")) return PngBytes(LabelledImage(picture));
  if (EndsWith(path, ".svg")) return LabelledSvg(picture);
  return std::nullopt;
}

constexpr const char* kWrongExtension = "the picture's name must end in .png or .svg";

}  // namespace

FileWriteResult WriteTesterPicture(const TesterPicture& picture, const std::string& path) {
  if (!picture.ok) return {"no picture: " + picture.why, ""};
  const auto bytes = PictureBytes(picture, path);
  if (!bytes) return {kWrongExtension, ""};
  return WriteWholeFile(path, *bytes);
}

FileWriteResult WriteTesterPictureUnderFreeName(const TesterPicture& picture,
                                                const std::string& path) {
  if (!picture.ok) return {"no picture: " + picture.why, ""};
  const auto bytes = PictureBytes(picture, path);
  if (!bytes) return {kWrongExtension, ""};
  // As many names as the lens files have; the extension stays as given.
  constexpr int kLastNumber = 9999;
  const std::string stem = path.substr(0, path.size() - 4),
                    extension = path.substr(path.size() - 4);
  int number = 1;
  return WriteFileUnderFreeName(
      [&]() -> std::string {
        if (number > kLastNumber) return "";
        const int n = number++;
        return n == 1 ? path : stem + "_" + std::to_string(n) + extension;
      },
      *bytes);
}

}  // namespace vn
