#include "render/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <vector>

#include "platform/file_io.h"

namespace render {

namespace {

void WriteToString(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}
void FlushNothing(png_structp) {}
[[noreturn]] void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnWarning(png_structp, png_const_charp) {}

// Everything the longjmp could skip lives outside the frame that calls setjmp.
struct PngWrite {
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::string out;
  std::vector<png_byte> row;
};

bool Encode(PngWrite& s, const uint32_t* pixels, int width, int height, int stride) {
  if (setjmp(png_jmpbuf(s.png))) return false;
  png_set_write_fn(s.png, &s.out, WriteToString, FlushNothing);
  png_set_IHDR(s.png, s.info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
               8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(s.png, 3);
  png_write_info(s.png, s.info);
  for (int y = 0; y < height; ++y) {
    const uint32_t* src = pixels + static_cast<ptrdiff_t>(y) * stride;
    for (int x = 0; x < width; ++x) {
      s.row[static_cast<size_t>(x) * 3] = static_cast<png_byte>(src[x] >> 16);
      s.row[static_cast<size_t>(x) * 3 + 1] = static_cast<png_byte>(src[x] >> 8);
      s.row[static_cast<size_t>(x) * 3 + 2] = static_cast<png_byte>(src[x]);
    }
    png_write_row(s.png, s.row.data());
  }
  png_write_end(s.png, nullptr);
  return true;
}

}  // namespace

std::optional<std::string> EncodePng(const uint32_t* pixels, int width, int height, int stride) {
  if (pixels == nullptr || width <= 0 || height <= 0 || stride < width) return std::nullopt;
  PngWrite s;
  s.row.resize(static_cast<size_t>(width) * 3);
  s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
  if (s.png == nullptr) return std::nullopt;
  s.info = png_create_info_struct(s.png);
  const bool ok = s.info != nullptr && Encode(s, pixels, width, height, stride);
  png_destroy_write_struct(&s.png, &s.info);
  if (!ok) return std::nullopt;
  return std::move(s.out);
}

bool WritePng(const std::string& path, const Frame& frame) {
  std::optional<std::string> bytes =
      EncodePng(frame.Data(), frame.Width(), frame.Height(), frame.Width());
  return bytes && platform::WriteFileAtomically(path, *bytes);
}

}  // namespace render
