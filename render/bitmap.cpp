#include "render/bitmap.h"

#include <cstring>

namespace render {

int BytesPerPixel(PixelFormat format) {
  switch (format) {
    case PixelFormat::kArgb32:
    case PixelFormat::kXrgb32:
    case PixelFormat::kRgba32:
      return 4;
    case PixelFormat::kBgr24:
    case PixelFormat::kRgb24:
      return 3;
    case PixelFormat::kIndexed8:
    case PixelFormat::kGrey8:
      return 1;
  }
  return 4;
}

bool FormatHasAlpha(PixelFormat format) {
  return format == PixelFormat::kArgb32 || format == PixelFormat::kRgba32;
}

BitmapView BitmapView::Argb(const uint32_t* pixels, int width, int height, bool hasAlpha) {
  BitmapView view;
  view.width = width;
  view.height = height;
  view.format = hasAlpha ? PixelFormat::kArgb32 : PixelFormat::kXrgb32;
  view.pixels = pixels;
  view.stride = 0;
  return view;
}

std::ptrdiff_t BitmapView::RowStride() const {
  return stride != 0 ? stride : static_cast<std::ptrdiff_t>(width) * BytesPerPixel(format);
}

const uint8_t* BitmapView::Row(int y) const {
  return static_cast<const uint8_t*>(pixels) + RowStride() * y;
}

bool BitmapView::Valid() const {
  if (width <= 0 || height <= 0 || pixels == nullptr) return false;
  std::ptrdiff_t minStride = static_cast<std::ptrdiff_t>(width) * BytesPerPixel(format);
  std::ptrdiff_t s = RowStride();
  return s >= minStride || -s >= minStride;
}

uint32_t ReadBitmapPixel(const BitmapView& bitmap, int x, int y) {
  uint32_t out = 0;
  ConvertBitmapRow(bitmap, x, y, 1, &out);
  return out;
}

void ConvertBitmapRow(const BitmapView& bitmap, int x, int y, int count, uint32_t* out) {
  const uint8_t* row = bitmap.Row(y);
  switch (bitmap.format) {
    case PixelFormat::kArgb32:
      std::memcpy(out, row + static_cast<size_t>(x) * 4, static_cast<size_t>(count) * 4);
      break;
    case PixelFormat::kXrgb32: {
      const uint8_t* p = row + static_cast<size_t>(x) * 4;
      for (int i = 0; i < count; ++i) {
        uint32_t v;
        std::memcpy(&v, p + 4 * i, 4);
        out[i] = v | 0xFF000000u;
      }
      break;
    }
    case PixelFormat::kRgba32: {
      const uint8_t* p = row + static_cast<size_t>(x) * 4;
      for (int i = 0; i < count; ++i, p += 4) {
        out[i] = (uint32_t{p[3]} << 24) | (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
      }
      break;
    }
    case PixelFormat::kBgr24: {
      const uint8_t* p = row + static_cast<size_t>(x) * 3;
      for (int i = 0; i < count; ++i, p += 3) {
        out[i] = 0xFF000000u | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
      }
      break;
    }
    case PixelFormat::kRgb24: {
      const uint8_t* p = row + static_cast<size_t>(x) * 3;
      for (int i = 0; i < count; ++i, p += 3) {
        out[i] = 0xFF000000u | (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
      }
      break;
    }
    case PixelFormat::kIndexed8: {
      const uint8_t* p = row + x;
      for (int i = 0; i < count; ++i) {
        uint8_t index = p[i];
        uint32_t colour = index < bitmap.palette.size() ? bitmap.palette[index] : 0;
        out[i] = 0xFF000000u | (colour & 0xFFFFFFu);
      }
      break;
    }
    case PixelFormat::kGrey8: {
      const uint8_t* p = row + x;
      for (int i = 0; i < count; ++i) {
        uint32_t g = p[i];
        out[i] = 0xFF000000u | (g << 16) | (g << 8) | g;
      }
      break;
    }
  }
}

}  // namespace render
