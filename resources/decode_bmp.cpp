// BMP: core (OS/2 1.x) and Windows info headers up to version 5; 1, 2, 4 and
// 8-bit palettes (uncompressed, RLE4, RLE8), 16 and 32-bit with or without
// bit fields, 24-bit; bottom-up and top-down rows. An 8-bit palette picture
// keeps its raw index values beside its colours (see DecodedImage::indices).

#include <algorithm>
#include <bit>

#include "platform/byte_reader.h"
#include "resources/decoded_image.h"

namespace resources {

namespace {

enum Compression : uint32_t {
  kRgb = 0,
  kRle8 = 1,
  kRle4 = 2,
  kBitFields = 3,
  kAlphaBitFields = 6,
};

constexpr uint32_t kOpaqueBlack = 0xFF000000u;

struct Header {
  int64_t width = 0;
  int64_t height = 0;  // positive; topDown says which way rows run
  bool topDown = false;
  int bpp = 0;
  uint32_t compression = kRgb;
  uint32_t colorsUsed = 0;
  uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
  bool core = false;                 // 3-byte palette entries
  size_t paletteStart = 0;
};

// One channel described by a bit mask, scaled to 8 bits.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;

  explicit Channel(uint32_t m) : mask(m) {
    if (m == 0) return;
    shift = std::countr_zero(m);
    max = m >> shift;  // non-contiguous masks still give a usable (if odd) value
  }
  uint32_t Get(uint32_t px) const {
    if (max == 0) return 0;
    uint64_t v = (px & mask) >> shift;
    return static_cast<uint32_t>((v * 255 + max / 2) / max);
  }
};

struct Picture {
  int32_t width;
  int32_t height;
  bool topDown;
  std::vector<uint32_t>& pixels;
  std::vector<uint8_t>* indices;  // 8-bit palettes only
  const std::vector<uint32_t>& palette;

  // File row r (0 = first row in the file) is picture row y.
  size_t RowStart(int64_t fileRow) const {
    int64_t y = topDown ? fileRow : height - 1 - fileRow;
    return static_cast<size_t>(y) * static_cast<size_t>(width);
  }
  void SetIndex(size_t at, uint8_t index) {
    pixels[at] = index < palette.size() ? palette[index] : kOpaqueBlack;
    if (indices) (*indices)[at] = index;
  }
};

DecodeError ReadHeader(platform::ByteReader& r, Header& h) {
  uint32_t headerSize = 0;
  if (!r.ReadU32LE(headerSize)) return DecodeError::Truncated;
  const size_t headerStart = 14;
  if (headerSize == 12) {
    uint16_t w, ht, planes, bpp;
    if (!r.ReadU16LE(w) || !r.ReadU16LE(ht) || !r.ReadU16LE(planes) || !r.ReadU16LE(bpp)) {
      return DecodeError::Truncated;
    }
    h.width = w;
    h.height = ht;
    h.bpp = bpp;
    h.core = true;
    h.paletteStart = headerStart + 12;
    return DecodeError::None;
  }
  if (headerSize < 16 || headerSize > 1024) return DecodeError::Unsupported;
  platform::ByteReader fields;
  {
    std::span<const uint8_t> span;
    if (!r.ReadSpan(headerSize - 4, span)) return DecodeError::Truncated;
    fields = platform::ByteReader(span);
  }
  int32_t w = 0, ht = 0;
  uint16_t planes = 0, bpp = 0;
  fields.ReadI32LE(w);
  fields.ReadI32LE(ht);
  fields.ReadU16LE(planes);
  fields.ReadU16LE(bpp);
  // Fields a short (OS/2 2.x) header leaves out read as zero.
  uint32_t ignored = 0;
  fields.ReadU32LE(h.compression);
  fields.ReadU32LE(ignored);  // image size
  fields.ReadU32LE(ignored);  // resolution
  fields.ReadU32LE(ignored);
  fields.ReadU32LE(h.colorsUsed);
  fields.ReadU32LE(ignored);  // important colours
  if (headerSize >= 52) {
    for (int i = 0; i < (headerSize >= 56 ? 4 : 3); ++i) fields.ReadU32LE(h.masks[i]);
  }
  if (headerSize == 64 && h.compression != kRgb) {
    return DecodeError::Unsupported;  // OS/2 2.x Huffman and RLE24
  }
  h.width = w;
  h.height = ht < 0 ? -static_cast<int64_t>(ht) : ht;
  h.topDown = ht < 0;
  h.bpp = bpp;
  h.paletteStart = headerStart + headerSize;
  // A 40-byte header keeps its masks right after it.
  if (headerSize < 52 && (h.compression == kBitFields || h.compression == kAlphaBitFields)) {
    int n = h.compression == kAlphaBitFields ? 4 : 3;
    for (int i = 0; i < n; ++i) {
      if (!r.ReadU32LE(h.masks[i])) return DecodeError::Truncated;
    }
    h.paletteStart += static_cast<size_t>(n) * 4;
  }
  return DecodeError::None;
}

DecodeError ReadPalette(std::span<const uint8_t> data, const Header& h,
                        std::vector<uint32_t>& palette) {
  if (h.bpp > 8) return DecodeError::None;
  size_t count = size_t{1} << h.bpp;
  if (!h.core && h.colorsUsed != 0 && h.colorsUsed < count) count = h.colorsUsed;
  const size_t entry = h.core ? 3 : 4;
  if (h.paletteStart > data.size()) return DecodeError::Truncated;
  // A palette cut short by the pixel data or the end of the file keeps what is there.
  count = std::min(count, (data.size() - h.paletteStart) / entry);
  palette.resize(count);
  const uint8_t* p = data.data() + h.paletteStart;
  for (size_t i = 0; i < count; ++i, p += entry) {
    palette[i] = kOpaqueBlack | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
  }
  return DecodeError::None;
}

void DecodeIndexedRows(std::span<const uint8_t> bits, size_t stride, int bpp, Picture& pic) {
  const uint32_t mask = (1u << bpp) - 1;
  for (int64_t row = 0; row < pic.height; ++row) {
    const uint8_t* src = bits.data() + static_cast<size_t>(row) * stride;
    size_t at = pic.RowStart(row);
    if (bpp == 8) {
      for (int32_t x = 0; x < pic.width; ++x) pic.SetIndex(at + x, src[x]);
      continue;
    }
    const int perByte = 8 / bpp;
    for (int32_t x = 0; x < pic.width; ++x) {
      int shift = 8 - bpp * (x % perByte + 1);
      pic.SetIndex(at + x, static_cast<uint8_t>((src[x / perByte] >> shift) & mask));
    }
  }
}

void DecodeDirectRows(std::span<const uint8_t> bits, size_t stride, const Header& h, Picture& pic,
                      bool& hasAlpha) {
  const bool fields = h.compression == kBitFields || h.compression == kAlphaBitFields;
  if (h.bpp == 24 || (h.bpp == 32 && !fields)) {
    const size_t bytes = static_cast<size_t>(h.bpp / 8);
    hasAlpha = h.bpp == 32;
    for (int64_t row = 0; row < pic.height; ++row) {
      const uint8_t* src = bits.data() + static_cast<size_t>(row) * stride;
      uint32_t* dst = pic.pixels.data() + pic.RowStart(row);
      for (int32_t x = 0; x < pic.width; ++x, src += bytes) {
        uint32_t a = bytes == 4 ? src[3] : 0xFF;
        dst[x] = (a << 24) | (uint32_t{src[2]} << 16) | (uint32_t{src[1]} << 8) | src[0];
      }
    }
    // The format calls the fourth byte reserved, and many writers leave it 0:
    // a picture whose alpha bytes are all 0 is an opaque picture, not an
    // invisible one. Any other alpha bytes are the picture's own.
    if (hasAlpha) {
      uint32_t any = 0;
      for (uint32_t px : pic.pixels) any |= px;
      if ((any >> 24) == 0) {
        for (uint32_t& px : pic.pixels) px |= 0xFF000000u;
        hasAlpha = false;
      }
    }
    return;
  }
  uint32_t masks[4] = {h.masks[0], h.masks[1], h.masks[2], h.masks[3]};
  if (!fields) {  // 16-bit without fields is 5-5-5
    masks[0] = 0x7C00;
    masks[1] = 0x03E0;
    masks[2] = 0x001F;
    masks[3] = 0;
  }
  const Channel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
  hasAlpha = masks[3] != 0;
  const size_t bytes = static_cast<size_t>(h.bpp / 8);
  for (int64_t row = 0; row < pic.height; ++row) {
    const uint8_t* src = bits.data() + static_cast<size_t>(row) * stride;
    uint32_t* dst = pic.pixels.data() + pic.RowStart(row);
    for (int32_t x = 0; x < pic.width; ++x, src += bytes) {
      uint32_t px = bytes == 2 ? uint32_t{src[0]} | (uint32_t{src[1]} << 8)
                               : uint32_t{src[0]} | (uint32_t{src[1]} << 8) |
                                     (uint32_t{src[2]} << 16) | (uint32_t{src[3]} << 24);
      uint32_t a = hasAlpha ? alpha.Get(px) : 0xFF;
      dst[x] = (a << 24) | (red.Get(px) << 16) | (green.Get(px) << 8) | blue.Get(px);
    }
  }
}

// RLE4 and RLE8. Pixels the stream skips keep palette index 0; a stream that
// ends without its end marker keeps what it drew.
void DecodeRle(std::span<const uint8_t> bits, bool four, Picture& pic) {
  platform::ByteReader r(bits);
  int64_t x = 0, row = 0;
  auto put = [&](uint8_t index) {
    if (x < pic.width && row < pic.height) pic.SetIndex(pic.RowStart(row) + x, index);
    ++x;
  };
  uint8_t count = 0, value = 0;
  while (row < pic.height && r.ReadU8(count) && r.ReadU8(value)) {
    if (count > 0) {
      for (int i = 0; i < count; ++i) {
        put(four ? static_cast<uint8_t>((i & 1) ? value & 0x0F : value >> 4) : value);
      }
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++row;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // move right and up
      uint8_t dx = 0, dy = 0;
      if (!r.ReadU8(dx) || !r.ReadU8(dy)) break;
      x += dx;
      row += dy;
    } else {  // a run of literal indices, padded to a 16-bit boundary
      const size_t n = value;
      const size_t bytes = four ? (n + 1) / 2 : n;
      std::span<const uint8_t> lit;
      if (!r.ReadSpan(std::min(bytes, r.Remaining()), lit)) break;
      for (size_t i = 0; i < n && (four ? i / 2 : i) < lit.size(); ++i) {
        put(four ? static_cast<uint8_t>((i & 1) ? lit[i / 2] & 0x0F : lit[i / 2] >> 4) : lit[i]);
      }
      if (bytes & 1) r.Skip(1);
      if (lit.size() < bytes) break;
    }
  }
}

}  // namespace

DecodeError DecodeBmp(std::span<const uint8_t> data, DecodedImage& out,
                      const PixelReservation* reserve) {
  platform::ByteReader r(data);
  uint16_t magic = 0;
  uint32_t fileSize = 0, reserved = 0, offBits = 0;
  if (!r.ReadU16LE(magic) || magic != 0x4D42) return DecodeError::BadSignature;
  if (!r.ReadU32LE(fileSize) || !r.ReadU32LE(reserved) || !r.ReadU32LE(offBits)) {
    return DecodeError::Truncated;
  }
  Header h;
  if (DecodeError e = ReadHeader(r, h); e != DecodeError::None) return e;
  if (!DimensionsAllowed(h.width, h.height)) {
    return (h.width <= 0 || h.height <= 0) ? DecodeError::Corrupt : DecodeError::TooLarge;
  }
  const bool rle = h.compression == kRle8 || h.compression == kRle4;
  const bool fields = h.compression == kBitFields || h.compression == kAlphaBitFields;
  switch (h.bpp) {
    case 1:
    case 2:
    case 4:
    case 8:
      if (!(h.compression == kRgb || (h.compression == kRle8 && h.bpp == 8) ||
            (h.compression == kRle4 && h.bpp == 4))) {
        return DecodeError::Unsupported;
      }
      break;
    case 16:
    case 32:
      if (!(h.compression == kRgb || fields)) return DecodeError::Unsupported;
      break;
    case 24:
      if (h.compression != kRgb) return DecodeError::Unsupported;
      break;
    default:
      return DecodeError::Unsupported;
  }

  std::vector<uint32_t> palette;
  if (DecodeError e = ReadPalette(data, h, palette); e != DecodeError::None) return e;
  if (offBits >= data.size()) return DecodeError::Truncated;
  std::span<const uint8_t> bits = data.subspan(offBits);

  const size_t stride = ((static_cast<size_t>(h.width) * h.bpp + 31) / 32) * 4;
  if (!rle) {
    // The last row needs only its pixels, not its padding.
    const size_t lastRow = (static_cast<size_t>(h.width) * h.bpp + 7) / 8;
    if (static_cast<uint64_t>(stride) * static_cast<uint64_t>(h.height - 1) + lastRow >
        bits.size()) {
      return DecodeError::Truncated;
    }
  }

  if (!PixelsGranted(reserve, h.width, h.height)) return DecodeError::OverBudget;
  DecodedImage img;
  img.width = static_cast<int32_t>(h.width);
  img.height = static_cast<int32_t>(h.height);
  img.bitsPerPixel = h.bpp;
  const size_t count = static_cast<size_t>(h.width) * static_cast<size_t>(h.height);
  img.pixels.assign(count, palette.empty() ? kOpaqueBlack : palette[0]);
  if (h.bpp == 8) img.indices.assign(count, 0);
  Picture pic{img.width, img.height, h.topDown, img.pixels, h.bpp == 8 ? &img.indices : nullptr,
              palette};
  if (rle) {
    DecodeRle(bits, h.compression == kRle4, pic);
  } else if (h.bpp <= 8) {
    DecodeIndexedRows(bits, stride, h.bpp, pic);
  } else {
    DecodeDirectRows(bits, stride, h, pic, img.hasAlpha);
  }
  out = std::move(img);
  return DecodeError::None;
}

}  // namespace resources
