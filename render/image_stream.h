#pragma once
// The image stream stored inside font records: a header with the pattern
// geometry, then one texture per pattern in one of eleven pixel formats.
//
// Layout (little-endian): pixel format (1 byte); pattern width, height;
// visible width, height; pattern count; texture width, height; texture count
// (int32 each); then texture count x texture height rows of texture width
// pixels. Pattern g lies at the origin of texture g; texture pixels beyond the
// pattern (the padding of its cell) are not needed by this reader. Patterns
// beyond the textures stored draw nothing; textures beyond the patterns are
// skipped.

#include <cstdint>
#include <string>

#include "platform/byte_reader.h"
#include "render/render_image.h"

namespace render {

// Pixel formats of the stream: channels from the most significant bit, blue
// always lowest. An n-bit channel v becomes round(v x 255 / (2^n - 1)); a
// missing channel becomes 255.
enum class StreamFormat : uint8_t {
  kR2G3B3 = 0,
  kR5G6B5 = 1,
  kX8R8G8B8 = 2,
  kX1R5G5B5 = 3,
  kX4R4G4B4 = 4,
  kA8R8G8B8 = 5,
  kA1R5G5B5 = 6,
  kA4R4G4B4 = 7,
  kA8R2G3B3 = 8,
  kA2R2G2B2 = 9,
  kA8 = 10,  // colour white
};
inline constexpr int kStreamFormatCount = 11;

int StreamBytesPerPixel(StreamFormat format);
// The ARGB value of one stored pixel (value read little-endian from its bytes).
uint32_t StreamPixelToArgb(StreamFormat format, uint32_t value);

enum class ImageStreamError {
  kNone,
  kTruncated,      // the stream ends before its header or its pixels
  kBadFormat,      // a pixel format beyond the eleven
  kBadGeometry,    // sizes or counts that are negative, zero or inconsistent
  kTooLarge,       // beyond the texture limits of RenderImage
};

// Reads one image stream from the reader's position into `image` (replacing
// its textures). Every size is checked against the limits and against the
// bytes that remain before anything is allocated.
ImageStreamError ReadImageStream(platform::ByteReader& reader, RenderImage& image);

// Writes an image stream in format A8R8G8B8 with cells padded as the reader
// expects: texture size = cell size, pattern at the origin, padding repeating
// the pattern's right column and bottom row.
void WriteImageStream(platform::ByteWriter& out, const RenderImage& image);

}  // namespace render
