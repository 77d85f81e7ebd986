#include "bench/game_pictures.h"

#include <png.h>

#include <algorithm>
#include <cstdio>

// jpeglib.h needs size_t and FILE first.
#include <jpeglib.h>
#include <cstddef>

namespace bench {

std::vector<uint8_t> MakeBackground(int seed) {
  std::vector<uint8_t> rgba(static_cast<size_t>(kPictureWidth) * kPictureHeight * 4);
  uint32_t noise = 0x9E3779B9u * static_cast<uint32_t>(seed + 1);
  for (int y = 0; y < kPictureHeight; ++y) {
    for (int x = 0; x < kPictureWidth; ++x) {
      noise = noise * 1664525u + 1013904223u;
      int n = static_cast<int>((noise >> 24) & 15) - 8;
      int dx = x - 300 - seed * 40, dy = y - 380;
      bool disc = dx * dx + dy * dy < 180 * 180;
      uint8_t* p = &rgba[(static_cast<size_t>(y) * kPictureWidth + x) * 4];
      p[0] = static_cast<uint8_t>(std::clamp((disc ? 200 : x / 5) + n, 0, 255));
      p[1] = static_cast<uint8_t>(std::clamp(y / 4 + seed * 10 + n, 0, 255));
      p[2] = static_cast<uint8_t>(std::clamp(((x + y) / 8) % 256 + n, 0, 255));
      p[3] = static_cast<uint8_t>(disc ? 255 : (x * 255 / kPictureWidth));
    }
  }
  return rgba;
}

void WritePng(const std::filesystem::path& path, const std::vector<uint8_t>& rgba) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = kPictureWidth;
  image.height = kPictureHeight;
  image.format = PNG_FORMAT_RGBA;
  png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr);
}

void WriteJpeg(const std::filesystem::path& path, const std::vector<uint8_t>& rgba) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  FILE* f = std::fopen(path.c_str(), "wb");
  jpeg_stdio_dest(&cinfo, f);
  cinfo.image_width = kPictureWidth;
  cinfo.image_height = kPictureHeight;
  cinfo.input_components = 4;
  cinfo.in_color_space = JCS_EXT_RGBA;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 90, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row =
        const_cast<uint8_t*>(&rgba[static_cast<size_t>(cinfo.next_scanline) * kPictureWidth * 4]);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::fclose(f);
}

}  // namespace bench
