#include "render/image_stream.h"

#include <algorithm>

namespace render {

namespace {

// round(v x 255 / max) for an n-bit channel whose largest value is max.
uint32_t Expand(uint32_t v, uint32_t max) { return (v * 255 * 2 + max) / (2 * max); }

struct Channels {
  int aBits, rBits, gBits, bBits;
};

Channels ChannelsOf(StreamFormat format) {
  switch (format) {
    case StreamFormat::kR2G3B3: return {0, 2, 3, 3};
    case StreamFormat::kR5G6B5: return {0, 5, 6, 5};
    case StreamFormat::kX8R8G8B8: return {0, 8, 8, 8};
    case StreamFormat::kX1R5G5B5: return {0, 5, 5, 5};
    case StreamFormat::kX4R4G4B4: return {0, 4, 4, 4};
    case StreamFormat::kA8R8G8B8: return {8, 8, 8, 8};
    case StreamFormat::kA1R5G5B5: return {1, 5, 5, 5};
    case StreamFormat::kA4R4G4B4: return {4, 4, 4, 4};
    case StreamFormat::kA8R2G3B3: return {8, 2, 3, 3};
    case StreamFormat::kA2R2G2B2: return {2, 2, 2, 2};
    case StreamFormat::kA8: return {8, 0, 0, 0};
  }
  return {0, 0, 0, 0};
}

// Takes the `bits` lowest bits of value >> shift, expanded to 8 bits; 255 when the
// format has no such channel.
uint32_t Field(uint32_t value, int shift, int bits) {
  if (bits == 0) return 255;
  const uint32_t max = (1u << bits) - 1;
  return Expand((value >> shift) & max, max);
}

}  // namespace

int StreamBytesPerPixel(StreamFormat format) {
  switch (format) {
    case StreamFormat::kR2G3B3:
    case StreamFormat::kA2R2G2B2:
    case StreamFormat::kA8:
      return 1;
    case StreamFormat::kX8R8G8B8:
    case StreamFormat::kA8R8G8B8:
      return 4;
    default:
      return 2;
  }
}

uint32_t StreamPixelToArgb(StreamFormat format, uint32_t value) {
  const Channels c = ChannelsOf(format);
  // Blue in the lowest bits, then green, red and alpha; the X formats leave
  // their unused top bits out of every channel.
  const int bShift = 0;
  const int gShift = c.bBits;
  const int rShift = gShift + c.gBits;
  const int aShift = rShift + c.rBits;
  const uint32_t a = Field(value, aShift, c.aBits);
  const uint32_t r = Field(value, rShift, c.rBits);
  const uint32_t g = Field(value, gShift, c.gBits);
  const uint32_t b = Field(value, bShift, c.bBits);
  return (a << 24) | (r << 16) | (g << 8) | b;
}

ImageStreamError ReadImageStream(platform::ByteReader& reader, RenderImage& image) {
  image.ReleaseTextures();
  uint8_t formatByte = 0;
  int32_t patternWidth, patternHeight, visibleWidth, visibleHeight, patternCount;
  int32_t textureWidth, textureHeight, textureCount;
  if (!reader.ReadU8(formatByte) || !reader.ReadI32LE(patternWidth) ||
      !reader.ReadI32LE(patternHeight) || !reader.ReadI32LE(visibleWidth) ||
      !reader.ReadI32LE(visibleHeight) || !reader.ReadI32LE(patternCount) ||
      !reader.ReadI32LE(textureWidth) || !reader.ReadI32LE(textureHeight) ||
      !reader.ReadI32LE(textureCount)) {
    return ImageStreamError::kTruncated;
  }
  if (formatByte >= kStreamFormatCount) return ImageStreamError::kBadFormat;
  const auto format = static_cast<StreamFormat>(formatByte);
  if (patternWidth <= 0 || patternHeight <= 0 || patternCount <= 0 || textureCount < 0 ||
      visibleWidth < 0 || visibleHeight < 0 || textureWidth < patternWidth ||
      textureHeight < patternHeight) {
    return ImageStreamError::kBadGeometry;
  }
  if (textureWidth > kMaxTextureSide || textureHeight > kMaxTextureSide ||
      visibleWidth > kMaxTextureSide || visibleHeight > kMaxTextureSide ||
      patternCount > kMaxPatternCount || textureCount > kMaxPatternCount) {
    return ImageStreamError::kTooLarge;
  }
  const int bpp = StreamBytesPerPixel(format);
  const uint64_t textureBytes =
      static_cast<uint64_t>(textureWidth) * static_cast<uint64_t>(textureHeight) * bpp;
  if (textureBytes * static_cast<uint64_t>(textureCount) > reader.Remaining()) {
    return ImageStreamError::kTruncated;
  }
  // Textures only for the patterns the stream holds pixels for: what is
  // allocated never exceeds a fixed multiple of the bytes present.
  if (!image.Allocate(patternWidth, patternHeight, patternCount, textureCount)) {
    return ImageStreamError::kTooLarge;
  }
  image.SetVisibleSize(visibleWidth, visibleHeight);

  for (int t = 0; t < textureCount; ++t) {
    std::span<const uint8_t> bytes;
    reader.ReadSpan(static_cast<size_t>(textureBytes), bytes);  // checked above
    PatternTexture* pattern = image.MutablePattern(t);
    if (pattern == nullptr) continue;  // textures beyond the patterns are not used
    for (int y = 0; y < patternHeight; ++y) {
      const uint8_t* row = bytes.data() + static_cast<size_t>(y) * textureWidth * bpp;
      uint32_t* out = pattern->Row(y);
      for (int x = 0; x < patternWidth; ++x) {
        const uint8_t* p = row + static_cast<size_t>(x) * bpp;
        uint32_t value = p[0];
        if (bpp >= 2) value |= uint32_t{p[1]} << 8;
        if (bpp == 4) value |= (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
        out[x] = StreamPixelToArgb(format, value);
      }
    }
  }
  for (int p = 0; p < image.TextureCount(); ++p) image.MutablePattern(p)->Finish();
  return ImageStreamError::kNone;
}

void WriteImageStream(platform::ByteWriter& out, const RenderImage& image) {
  const int pw = image.PatternWidth();
  const int ph = image.PatternHeight();
  const int cw = image.CellWidth();
  const int chh = image.CellHeight();
  out.U8(static_cast<uint8_t>(StreamFormat::kA8R8G8B8));
  out.I32LE(pw);
  out.I32LE(ph);
  out.I32LE(image.VisibleWidth());
  out.I32LE(image.VisibleHeight());
  out.I32LE(image.PatternCount());
  out.I32LE(cw);
  out.I32LE(chh);
  out.I32LE(image.TextureCount());
  for (int t = 0; t < image.TextureCount(); ++t) {
    const PatternTexture* pattern = image.Pattern(t);
    for (int y = 0; y < chh; ++y) {
      for (int x = 0; x < cw; ++x) {
        out.U32LE(*pattern->Texel(std::min(x, pw - 1), std::min(y, ph - 1)));
      }
    }
  }
}

}  // namespace render
