#pragma once
// A decoded picture handed to the image store: a read-only view of pixel rows
// in one of the layouts that decoders produce, converted to ARGB on upload.

#include <cstddef>
#include <cstdint>
#include <span>

namespace render {

enum class PixelFormat : uint8_t {
  kArgb32,    // 32-bit values 0xAARRGGBB in native byte order; the picture's own alpha
  kXrgb32,    // the same layout without alpha: the top byte is ignored, pixels are opaque
  kBgr24,     // 3 bytes per pixel: blue, green, red (BMP order); opaque
  kRgb24,     // 3 bytes per pixel: red, green, blue (PNG and JPEG order); opaque
  kRgba32,    // 4 bytes per pixel: red, green, blue, alpha (PNG order)
  kIndexed8,  // 1 byte per pixel indexing `palette` (0x00RRGGBB, top byte ignored); opaque
  kGrey8,     // 1 byte per pixel, a grey level; opaque
};

int BytesPerPixel(PixelFormat format);
// True for the formats that carry their own alpha; every other format uploads opaque.
bool FormatHasAlpha(PixelFormat format);

struct BitmapView {
  int width = 0;
  int height = 0;
  PixelFormat format = PixelFormat::kArgb32;
  // The top row. Rows lie `stride` bytes apart; a stride of 0 means tightly
  // packed rows, a negative stride walks a bottom-up buffer upwards.
  const void* pixels = nullptr;
  std::ptrdiff_t stride = 0;
  // kIndexed8 only. Indices at or beyond its end read as opaque black.
  std::span<const uint32_t> palette;

  // A tightly packed ARGB buffer, as the image decoders produce it; hasAlpha
  // false makes it opaque whatever its top bytes hold.
  static BitmapView Argb(const uint32_t* pixels, int width, int height, bool hasAlpha);

  std::ptrdiff_t RowStride() const;
  const uint8_t* Row(int y) const;
  bool Valid() const;
};

// Pixel (x, y) as ARGB (alpha 255 for formats without alpha). The caller keeps
// x and y inside the bitmap.
uint32_t ReadBitmapPixel(const BitmapView& bitmap, int x, int y);

// Converts `count` pixels of row y starting at column x into ARGB.
void ConvertBitmapRow(const BitmapView& bitmap, int x, int y, int count, uint32_t* out);

}  // namespace render
