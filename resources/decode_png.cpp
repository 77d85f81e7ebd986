// PNG through libpng: every colour type and bit depth becomes 8-bit BGRA in
// memory (ARGB as 32-bit values), palette transparency becomes alpha, 16-bit
// channels are reduced to 8.

#include <png.h>

#include <csetjmp>
#include <cstring>

#include "resources/decoded_image.h"

namespace resources {

namespace {

constexpr uint64_t kMaxDeflateRatio = 1032;

struct MemoryInput {
  const uint8_t* data;
  size_t size;
  size_t pos;
  bool truncated;
};

void ReadFromMemory(png_structp png, png_bytep dst, png_size_t length) {
  auto* in = static_cast<MemoryInput*>(png_get_io_ptr(png));
  if (length > in->size - in->pos) {
    in->truncated = true;
    png_error(png, "truncated");
  }
  std::memcpy(dst, in->data + in->pos, length);
  in->pos += length;
}

// libpng's errors must not return: they jump back to the setjmp below.
[[noreturn]] void OnError(png_structp png, png_const_charp) {
  png_longjmp(png, 1);
}
void OnWarning(png_structp, png_const_charp) {}

// Everything that must survive a longjmp lives outside the frame that calls
// setjmp, so no C++ object is skipped or left half-changed by the jump.
struct PngState {
  png_structp png = nullptr;
  png_infop info = nullptr;
  MemoryInput input{};
  const PixelReservation* reserve = nullptr;
  DecodedImage image;
  std::vector<png_bytep> rows;
  DecodeError error = DecodeError::Corrupt;
};

// Returns true when the picture was read whole into state.image.
bool ReadPng(PngState& s) {
  if (setjmp(png_jmpbuf(s.png))) return false;

  png_set_user_limits(s.png, kMaxImageSide, kMaxImageSide);
  png_set_chunk_malloc_max(s.png, 16u << 20);  // ancillary chunks (text, profiles)
  png_set_read_fn(s.png, &s.input, ReadFromMemory);
  png_read_info(s.png, s.info);

  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0, interlace = 0;
  png_get_IHDR(s.png, s.info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
  if (!DimensionsAllowed(width, height)) {
    s.error = DecodeError::TooLarge;
    return false;
  }
  // Deflate expands its input at most 1032 times: a picture whose pixel
  // data cannot fit in the bytes that remain is refused before its pixels
  // are allocated, so a few bytes of header cannot claim 128 MiB.
  const uint64_t bitsPerPixel = uint64_t{png_get_channels(s.png, s.info)} * bitDepth;
  const uint64_t leastData = (uint64_t{width} * height * bitsPerPixel + 7) / 8;
  if (leastData > kMaxDeflateRatio * (s.input.size - s.input.pos) + 4096) {
    s.error = DecodeError::Truncated;
    return false;
  }
  const bool hasAlpha =
      (colorType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(s.png, s.info, PNG_INFO_tRNS) != 0;

  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(s.png);
  if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(s.png);
  if (png_get_valid(s.png, s.info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(s.png);
  if (bitDepth == 16) png_set_strip_16(s.png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
    png_set_gray_to_rgb(s.png);
  }
  png_set_bgr(s.png);
  if (!hasAlpha) png_set_filler(s.png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(s.png);
  png_read_update_info(s.png, s.info);
  if (png_get_rowbytes(s.png, s.info) != static_cast<size_t>(width) * 4) return false;
  if (!PixelsGranted(s.reserve, width, height)) {
    s.error = DecodeError::OverBudget;
    return false;
  }

  s.image.width = static_cast<int32_t>(width);
  s.image.height = static_cast<int32_t>(height);
  s.image.bitsPerPixel = hasAlpha ? 32 : 24;
  s.image.hasAlpha = hasAlpha;
  s.image.pixels.resize(static_cast<size_t>(width) * height);
  s.rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y) {
    s.rows[y] = reinterpret_cast<png_bytep>(s.image.pixels.data() + static_cast<size_t>(y) * width);
  }
  png_read_image(s.png, s.rows.data());
  png_read_end(s.png, nullptr);
  return true;
}

}  // namespace

DecodeError DecodePng(std::span<const uint8_t> data, DecodedImage& out,
                      const PixelReservation* reserve) {
  if (data.size() < 8 || png_sig_cmp(data.data(), 0, 8) != 0) return DecodeError::BadSignature;
  PngState s;
  s.reserve = reserve;
  s.input = {data.data(), data.size(), 0, false};
  s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
  if (!s.png) return DecodeError::Corrupt;
  s.info = png_create_info_struct(s.png);
  if (!s.info) {
    png_destroy_read_struct(&s.png, nullptr, nullptr);
    return DecodeError::Corrupt;
  }
  bool ok = ReadPng(s);
  png_destroy_read_struct(&s.png, &s.info, nullptr);
  if (!ok) {
    return s.input.truncated ? DecodeError::Truncated : s.error;
  }
  out = std::move(s.image);
  return DecodeError::None;
}

}  // namespace resources
