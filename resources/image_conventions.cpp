#include "resources/image_conventions.h"

#include <algorithm>

#include "platform/numeric.h"

namespace resources {

namespace {

// Folder part (up to and including the last separator) and file part.
std::pair<std::string_view, std::string_view> SplitName(std::string_view name) {
  size_t cut = name.find_last_of("\\/");
  if (cut == std::string_view::npos) return {std::string_view(), name};
  return {name.substr(0, cut + 1), name.substr(cut + 1)};
}

bool EndsWithNoCase(std::string_view s, std::string_view ext) {
  return s.size() >= ext.size() && platform::AsciiIEquals(s.substr(s.size() - ext.size()), ext);
}

// The partner named by the text before the first "_" of the file name.
std::optional<std::string> BeforeUnderscore(std::string_view name, std::string_view ext) {
  auto [folder, file] = SplitName(name);
  size_t underscore = file.find('_');
  if (underscore == std::string_view::npos) return std::nullopt;
  std::string out(folder);
  out.append(file.substr(0, underscore));
  out.append(ext);
  return out;
}

int SheetCount(std::string_view line) {
  size_t start = line.find_first_not_of(" \t");
  if (start == std::string_view::npos) return 1;
  size_t end = line.find_first_of(" \t", start);
  auto value = platform::ParseIntegerText(
      line.substr(start, end == std::string_view::npos ? end : end - start));
  if (!value || *value <= 0 || *value > INT32_MAX) return 1;
  return static_cast<int>(*value);
}

uint8_t MaskValue(const DecodedImage& mask, size_t at) {
  if (!mask.indices.empty()) return mask.indices[at];
  uint32_t p = mask.pixels[at];
  return static_cast<uint8_t>((((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) + 1) / 3);
}

}  // namespace

std::string SpriteSheetName(std::string_view imageName) {
  std::string out(imageName.substr(0, imageName.size() >= 4 ? imageName.size() - 4 : 0));
  out += ".an";
  return out;
}

SpriteSheet ParseSpriteSheet(std::string_view text) {
  SpriteSheet sheet;
  size_t firstEnd = text.find('\n');
  std::string_view first = text.substr(0, firstEnd);
  std::string_view second;
  if (firstEnd != std::string_view::npos) {
    second = text.substr(firstEnd + 1);
    second = second.substr(0, second.find('\n'));
  }
  auto trimCr = [](std::string_view& line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  };
  trimCr(first);
  trimCr(second);
  sheet.columns = SheetCount(first);
  sheet.rows = SheetCount(second);
  return sheet;
}

std::optional<std::string> MaskedJpegOfBmp(std::string_view bmpName) {
  return BeforeUnderscore(bmpName, ".jpg");
}

std::string AlternativeMaskedJpegOfBmp(std::string_view bmpName) {
  std::string out(bmpName.substr(0, bmpName.size() >= 4 ? bmpName.size() - 4 : 0));
  out += "_.jpg";
  return out;
}

std::optional<std::string> MaskBmpOfJpeg(std::string_view jpegName) {
  if (!EndsWithNoCase(jpegName, ".jpg")) return std::nullopt;
  return BeforeUnderscore(jpegName, ".bmp");
}

DecodedImage ApplyMask(DecodedImage colours, const DecodedImage& mask) {
  const int32_t w = std::min(colours.width, mask.width);
  const int32_t h = std::min(colours.height, mask.height);
  for (int32_t y = 0; y < colours.height; ++y) {
    uint32_t* row = colours.pixels.data() + static_cast<size_t>(y) * colours.width;
    for (int32_t x = 0; x < colours.width; ++x) {
      uint32_t alpha = 0xFF;
      if (x < w && y < h) alpha = MaskValue(mask, static_cast<size_t>(y) * mask.width + x);
      row[x] = (row[x] & 0x00FFFFFFu) | (alpha << 24);
    }
  }
  colours.bitsPerPixel = 32;
  colours.hasAlpha = true;
  colours.indices.clear();
  return colours;
}

void ApplyAlphaView(DecodedImage& picture) {
  for (uint32_t& p : picture.pixels) p = (p >> 24) * 0x01010101u;
  picture.indices.clear();
}

void ApplyGreyView(DecodedImage& picture) {
  for (uint32_t& p : picture.pixels) {
    // (sum + 1) / 3 is round(sum / 3); thirds never fall on a half.
    uint32_t g = (((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) + 1) / 3;
    p = (p & 0xFF000000u) | (g * 0x010101u);
  }
  picture.indices.clear();
}

OpaqueBox ComputeOpaqueBox(const DecodedImage& picture) {
  const OpaqueBox whole{0, 0, picture.width - 1, picture.height - 1};
  if (!picture.hasAlpha) return whole;
  OpaqueBox box{picture.width - 1, picture.height - 1, 0, 0};
  bool any = false;
  for (int32_t y = 0; y < picture.height; ++y) {
    const uint32_t* row = picture.pixels.data() + static_cast<size_t>(y) * picture.width;
    int32_t first = -1, last = -1;
    for (int32_t x = 0; x < picture.width; ++x) {
      if (row[x] >> 24) {
        first = x;
        break;
      }
    }
    if (first < 0) continue;
    for (int32_t x = picture.width - 1; x >= first; --x) {
      if (row[x] >> 24) {
        last = x;
        break;
      }
    }
    any = true;
    box.left = std::min(box.left, first);
    box.right = std::max(box.right, last);
    box.top = std::min(box.top, y);
    box.bottom = std::max(box.bottom, y);
  }
  return any ? box : whole;
}

}  // namespace resources
