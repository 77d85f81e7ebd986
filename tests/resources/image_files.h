#pragma once
// Real image files made inside the tests: PNG through libpng, JPEG through
// libjpeg, BMP and Targa written byte by byte.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/bmp_file.h"

namespace test_images {

// ARGB of pixel (x, y).
using PixelFn = std::function<uint32_t(int x, int y)>;

// An opaque picture whose every pixel differs from its neighbours.
inline uint32_t OpaquePattern(int x, int y) {
  return 0xFF000000u | static_cast<uint32_t>(x * 7 + y * 131) * 0x010307u;
}

struct PngOptions {
  int colorType = 6;  // PNG_COLOR_TYPE_RGB_ALPHA
  int bitDepth = 8;
  bool interlaced = false;
  std::vector<uint32_t> palette;  // ARGB; alpha below 255 goes to tRNS
};
// Pixels are given as ARGB; grey types take the blue byte (and 16-bit depths
// repeat each byte), palette types take the blue byte as the index.
std::string MakePng(int width, int height, const PixelFn& pixel, const PngOptions& options = {});

struct JpegOptions {
  int quality = 95;
  int components = 3;  // 1 grey, 3 RGB, 4 CMYK (Adobe-inverted values from ARGB)
  bool progressive = false;
};
std::string MakeJpeg(int width, int height, const PixelFn& pixel, const JpegOptions& options = {});

// BMP files come from the shared writer (tests/support/bmp_file.h).
using testing_support::ArgbBitFields;
using testing_support::BmpOptions;
using testing_support::MakeBmp;
using testing_support::MakeRleBmp;

struct TgaOptions {
  int depth = 32;  // 8, 16, 24, 32
  bool rle = false;
  bool grey = false;              // with depth 8
  bool mapped = false;            // with depth 8; palette below
  std::vector<uint32_t> palette;  // ARGB, written as 24 or 32-bit entries
  int mapFirst = 0;
  int alphaBits = -1;  // descriptor bits 0-3; -1: 8 for 32-bit, 1 for 16-bit, else 0
  bool topDown = false;
  bool rightToLeft = false;
};
// Pixel values: ARGB for true colour, grey level or index for 8-bit.
std::string MakeTga(int width, int height, const std::function<uint32_t(int, int)>& value,
                    const TgaOptions& options = {});

}  // namespace test_images
