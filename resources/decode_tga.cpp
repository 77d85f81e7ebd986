// Targa: colour-mapped, true-colour and grey pictures, uncompressed or RLE,
// 8, 15/16, 24 and 32 bits per pixel, with any of the four origins.

#include <algorithm>

#include "platform/byte_reader.h"
#include "resources/decoded_image.h"

namespace resources {

namespace {

constexpr uint32_t kOpaque = 0xFF000000u;

uint32_t Expand5(uint32_t v) {
  return (v * 255 + 15) / 31;
}

// One pixel (or palette entry) of `bytes` bytes as ARGB.
uint32_t ReadColor(const uint8_t* p, int bits, bool alpha16) {
  switch (bits) {
    case 8:
      return kOpaque | (uint32_t{p[0]} * 0x010101u);
    case 15:
    case 16: {
      uint32_t v = uint32_t{p[0]} | (uint32_t{p[1]} << 8);
      uint32_t a = (bits == 16 && alpha16) ? ((v & 0x8000) ? 0xFFu : 0u) : 0xFFu;
      return (a << 24) | (Expand5((v >> 10) & 31) << 16) | (Expand5((v >> 5) & 31) << 8) |
             Expand5(v & 31);
    }
    case 24:
      return kOpaque | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
    default:  // 32
      return (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
  }
}

}  // namespace

DecodeError DecodeTga(std::span<const uint8_t> data, DecodedImage& out,
                      const PixelReservation* reserve) {
  platform::ByteReader r(data);
  uint8_t idLength = 0, mapType = 0, imageType = 0, mapEntryBits = 0, depth = 0, descriptor = 0;
  uint16_t mapFirst = 0, mapLength = 0, xOrigin = 0, yOrigin = 0, width = 0, height = 0;
  if (!r.ReadU8(idLength) || !r.ReadU8(mapType) || !r.ReadU8(imageType) || !r.ReadU16LE(mapFirst) ||
      !r.ReadU16LE(mapLength) || !r.ReadU8(mapEntryBits) || !r.ReadU16LE(xOrigin) ||
      !r.ReadU16LE(yOrigin) || !r.ReadU16LE(width) || !r.ReadU16LE(height) || !r.ReadU8(depth) ||
      !r.ReadU8(descriptor)) {
    return DecodeError::Truncated;
  }
  const bool rle = imageType >= 9;
  const int kind = rle ? imageType - 8 : imageType;  // 1 mapped, 2 true colour, 3 grey
  if (kind < 1 || kind > 3 || mapType > 1) return DecodeError::BadSignature;
  if (width == 0 || height == 0) return DecodeError::Corrupt;
  if (!DimensionsAllowed(width, height)) return DecodeError::TooLarge;
  if (kind == 1 && (mapType != 1 || (depth != 8 && depth != 16))) return DecodeError::Unsupported;
  if (kind == 2 && depth != 15 && depth != 16 && depth != 24 && depth != 32) {
    return DecodeError::Unsupported;
  }
  if (kind == 3 && depth != 8) return DecodeError::Unsupported;
  if (!r.Skip(idLength)) return DecodeError::Truncated;

  const int alphaBits = descriptor & 0x0F;
  // 16-bit pictures use their top bit as alpha only when the header says so;
  // many writers leave it at random.
  const bool alpha16 = alphaBits == 1;

  std::vector<uint32_t> palette;
  if (mapType == 1) {
    if (mapEntryBits != 15 && mapEntryBits != 16 && mapEntryBits != 24 && mapEntryBits != 32) {
      return DecodeError::Unsupported;
    }
    const size_t entryBytes = (mapEntryBits + 7) / 8;
    std::span<const uint8_t> map;
    if (!r.ReadSpan(size_t{mapLength} * entryBytes, map)) return DecodeError::Truncated;
    if (kind == 1) {
      palette.resize(mapLength);
      for (size_t i = 0; i < mapLength; ++i) {
        palette[i] = ReadColor(map.data() + i * entryBytes, mapEntryBits, alpha16);
      }
    }
  }

  const int pixelBytes = (depth + 7) / 8;
  const size_t count = size_t{width} * height;
  if (!rle && static_cast<uint64_t>(count) * pixelBytes > r.Remaining()) {
    return DecodeError::Truncated;
  }

  if (!PixelsGranted(reserve, width, height)) return DecodeError::OverBudget;
  DecodedImage img;
  img.width = width;
  img.height = height;
  img.bitsPerPixel = kind == 1 ? 8 : depth;
  img.hasAlpha = (kind == 2 && (depth == 32 || (depth == 16 && alpha16))) ||
                 (kind == 1 && (mapEntryBits == 32 || (mapEntryBits == 16 && alpha16)));
  img.pixels.resize(count);

  // Pixels in file order; placed by the origin bits afterwards.
  auto convert = [&](const uint8_t* p) -> uint32_t {
    if (kind == 1) {
      uint32_t index = depth == 8 ? p[0] : (uint32_t{p[0]} | (uint32_t{p[1]} << 8));
      index -= std::min<uint32_t>(index, mapFirst);
      return index < palette.size() ? palette[index] : kOpaque;
    }
    return ReadColor(p, kind == 3 ? 8 : depth, alpha16);
  };

  const bool rightToLeft = (descriptor & 0x10) != 0;
  const bool topDown = (descriptor & 0x20) != 0;
  auto place = [&](size_t i, uint32_t argb) {
    size_t fileRow = i / width, fileCol = i % width;
    size_t y = topDown ? fileRow : height - 1 - fileRow;
    size_t x = rightToLeft ? width - 1 - fileCol : fileCol;
    img.pixels[y * width + x] = argb;
  };

  if (!rle) {
    std::span<const uint8_t> bits;
    r.ReadSpan(count * pixelBytes, bits);
    for (size_t i = 0; i < count; ++i) place(i, convert(bits.data() + i * pixelBytes));
  } else {
    size_t i = 0;
    while (i < count) {
      uint8_t packet = 0;
      if (!r.ReadU8(packet)) return DecodeError::Truncated;
      const size_t n = std::min<size_t>((packet & 0x7F) + 1, count - i);
      if (packet & 0x80) {
        std::span<const uint8_t> px;
        if (!r.ReadSpan(pixelBytes, px)) return DecodeError::Truncated;
        const uint32_t argb = convert(px.data());
        for (size_t k = 0; k < n; ++k) place(i++, argb);
      } else {
        std::span<const uint8_t> px;
        if (!r.ReadSpan(n * pixelBytes, px)) return DecodeError::Truncated;
        for (size_t k = 0; k < n; ++k) place(i++, convert(px.data() + k * pixelBytes));
      }
    }
  }
  out = std::move(img);
  return DecodeError::None;
}

}  // namespace resources
