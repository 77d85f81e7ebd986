#pragma once
// BMP files written from the format's layout, for tests that need BMP images
// (decoders, the image cache, games with a BMP particle sheet, the check
// command): one writer, so a header field is never spelled two ways.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testing_support {

struct BmpOptions {
  int bpp = 24;
  bool topDown = false;
  int headerSize = 40;            // 12 core, 40 info, 108 v4, 124 v5
  std::vector<uint32_t> palette;  // for bpp <= 8
  uint32_t compression = 0;       // 0 RGB, 3 bit fields (masks below)
  uint32_t masks[4] = {0, 0, 0, 0};
};
// 32-bit bit fields with an alpha mask: A, R, G, B from the top byte down.
BmpOptions ArgbBitFields(int headerSize = 40);
// Pixel values: palette indices for bpp <= 8 (the low bits of the value), the
// packed value for 16-bit, ARGB for 24 and 32-bit.
std::string MakeBmp(int width, int height, const std::function<uint32_t(int, int)>& value,
                    const BmpOptions& options = {});
// An 8-bit BMP with an RLE8 stream given byte for byte.
std::string MakeRleBmp(int width, int height, int bpp, const std::vector<uint32_t>& palette,
                       const std::string& stream);

// A 24-bit bottom-up BMP in one colour (0xRRGGBB).
std::string SolidBmp(int width, int height, uint32_t rgb);

}  // namespace testing_support
