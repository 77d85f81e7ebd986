#pragma once
// A decoded picture as every image decoder returns it.

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

namespace resources {

// Why a decoder gave up. Callers only see a quiet failure of the entry; the
// reason is for tests, tools and fuzzing.
enum class DecodeError {
  None,
  BadSignature,  // not this format at all
  Truncated,     // the data end before the picture does
  Unsupported,   // a legal variant this player does not read
  TooLarge,      // the dimensions exceed the limits below
  Corrupt,       // inconsistent headers or compressed data
  OverBudget,    // the caller's reservation refused the picture's pixels
};

// Decoders refuse pictures beyond these sizes before allocating anything, so a
// header can never ask for more memory than a real game image could use.
inline constexpr int32_t kMaxImageSide = 32768;
inline constexpr int64_t kMaxImagePixels = int64_t{1} << 25;  // 128 MiB of ARGB

inline bool DimensionsAllowed(int64_t width, int64_t height) {
  return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
         width * height <= kMaxImagePixels;
}

struct DecodedImage {
  int32_t width = 0;
  int32_t height = 0;
  // Bits per pixel of the source bitmap (1, 4, 8, 16, 24 or 32).
  int bitsPerPixel = 0;
  // True when the alpha bytes of `pixels` are the picture's own (a 32-bit
  // bitmap); false when the source has no alpha channel and alpha is 255.
  bool hasAlpha = false;
  // width x height ARGB values (alpha in the top byte), rows top to bottom.
  std::vector<uint32_t> pixels;
  // For 8-bit palette BMPs only: the raw palette index of every pixel, in the
  // same order. Such a bitmap can serve as an alpha mask whose index values
  // are the alpha levels, whatever colours its palette holds.
  std::vector<uint8_t> indices;

  uint32_t& At(int32_t x, int32_t y) {
    return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
  }
  uint32_t At(int32_t x, int32_t y) const {
    return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
  }
};

// Asked by a decoder, with width x height x 4, just before it allocates a
// picture's pixels; false stops the decode (DecodeError::OverBudget) with
// nothing allocated. Lets a caller that decodes on others' behalf cap the
// memory of the pictures it holds.
using PixelReservation = std::function<bool(int64_t bytes)>;

inline bool PixelsGranted(const PixelReservation* reserve, int64_t width, int64_t height) {
  return !reserve || (*reserve)(width * height * 4);
}

enum class ImageFormat { Bmp, Png, Jpeg, Tga };

// The decoder a file name selects by its extension: ".tga" Targa, ".jpg" and
// ".jpeg" JPEG, ".png" PNG, anything else BMP. Letter case does not matter.
ImageFormat FormatFromName(std::string_view name);

DecodeError DecodeBmp(std::span<const uint8_t> data, DecodedImage& out,
                      const PixelReservation* reserve = nullptr);
DecodeError DecodePng(std::span<const uint8_t> data, DecodedImage& out,
                      const PixelReservation* reserve = nullptr);
DecodeError DecodeJpeg(std::span<const uint8_t> data, DecodedImage& out,
                       const PixelReservation* reserve = nullptr);
DecodeError DecodeTga(std::span<const uint8_t> data, DecodedImage& out,
                      const PixelReservation* reserve = nullptr);
DecodeError DecodeImage(ImageFormat format, std::span<const uint8_t> data, DecodedImage& out,
                        const PixelReservation* reserve = nullptr);

}  // namespace resources
