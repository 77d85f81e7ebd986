#include "image_files.h"

#include <png.h>

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <stdexcept>

#include <jpeglib.h>

#include "platform/byte_reader.h"

namespace test_images {

namespace {

void AppendToString(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), length);
}
void NoFlush(png_structp) {}

}  // namespace

std::string MakePng(int width, int height, const PixelFn& pixel, const PngOptions& o) {
  std::string out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("libpng write failed");
  }
  png_set_write_fn(png, &out, AppendToString, NoFlush);
  png_set_IHDR(png, info, width, height, o.bitDepth, o.colorType,
               o.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (o.colorType == PNG_COLOR_TYPE_PALETTE) {
    std::vector<png_color> colors;
    std::vector<png_byte> alphas;
    bool anyAlpha = false;
    for (uint32_t c : o.palette) {
      colors.push_back({static_cast<png_byte>(c >> 16), static_cast<png_byte>(c >> 8),
                        static_cast<png_byte>(c)});
      alphas.push_back(static_cast<png_byte>(c >> 24));
      anyAlpha |= (c >> 24) != 0xFF;
    }
    png_set_PLTE(png, info, colors.data(), static_cast<int>(colors.size()));
    if (anyAlpha) png_set_tRNS(png, info, alphas.data(), static_cast<int>(alphas.size()), nullptr);
  }
  png_write_info(png, info);
  if (o.bitDepth < 8) png_set_packing(png);

  const int channels = o.colorType == 6 ? 4 : o.colorType == 2 ? 3 : o.colorType == 4 ? 2 : 1;
  const int bytesPerSample = o.bitDepth == 16 ? 2 : 1;
  std::vector<std::vector<png_byte>> rows(height);
  for (int y = 0; y < height; ++y) {
    auto& row = rows[y];
    for (int x = 0; x < width; ++x) {
      uint32_t c = pixel(x, y);
      std::vector<png_byte> samples;
      uint8_t a = c >> 24, r = c >> 16, g = c >> 8, b = c;
      switch (o.colorType) {
        case 6:
          samples = {r, g, b, a};
          break;
        case 2:
          samples = {r, g, b};
          break;
        case 4:
          samples = {b, a};
          break;
        default:
          samples = {b};
          break;
      }
      for (png_byte s : samples) {
        row.push_back(s);
        if (bytesPerSample == 2) row.push_back(static_cast<png_byte>(s ^ 0x5A));
      }
    }
    (void)channels;
  }
  // Interlaced writing needs every row passed once per pass.
  int passes = png_set_interlace_handling(png);
  for (int p = 0; p < passes; ++p) {
    for (int y = 0; y < height; ++y) png_write_row(png, rows[y].data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

std::string MakeJpeg(int width, int height, const PixelFn& pixel, const JpegOptions& o) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = width;
  cinfo.image_height = height;
  cinfo.input_components = o.components;
  cinfo.in_color_space = o.components == 1 ? JCS_GRAYSCALE : o.components == 4 ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, o.quality, TRUE);
  if (o.progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(static_cast<size_t>(width) * o.components);
  while (cinfo.next_scanline < cinfo.image_height) {
    int y = static_cast<int>(cinfo.next_scanline);
    for (int x = 0; x < width; ++x) {
      uint32_t c = pixel(x, y);
      uint8_t r = c >> 16, g = c >> 8, b = c;
      JSAMPLE* s = row.data() + static_cast<size_t>(x) * o.components;
      if (o.components == 1) {
        s[0] = b;
      } else if (o.components == 3) {
        s[0] = r, s[1] = g, s[2] = b;
      } else {
        // Adobe-style inverted CMYK of a pure RGB colour: K' = max, C' = R...
        s[0] = r, s[1] = g, s[2] = b, s[3] = 255;
      }
    }
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&cinfo, &p, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::string out(reinterpret_cast<char*>(buffer), size);
  free(buffer);
  return out;
}

std::string MakeTga(int width, int height, const std::function<uint32_t(int, int)>& value,
                    const TgaOptions& o) {
  platform::ByteWriter w;
  const bool mapped = o.mapped;
  const int entryBits = mapped ? 32 : 0;
  w.U8(3);  // image id length
  w.U8(mapped ? 1 : 0);
  int type = mapped ? 1 : (o.grey ? 3 : 2);
  w.U8(static_cast<uint8_t>(o.rle ? type + 8 : type));
  w.U16LE(static_cast<uint16_t>(o.mapFirst));
  w.U16LE(static_cast<uint16_t>(o.palette.size()));
  w.U8(static_cast<uint8_t>(entryBits));
  w.U16LE(0);
  w.U16LE(0);
  w.U16LE(static_cast<uint16_t>(width));
  w.U16LE(static_cast<uint16_t>(height));
  w.U8(static_cast<uint8_t>(o.depth));
  int alphaBits = o.alphaBits >= 0 ? o.alphaBits : (o.depth == 32 ? 8 : o.depth == 16 ? 1 : 0);
  w.U8(static_cast<uint8_t>(alphaBits | (o.rightToLeft ? 0x10 : 0) | (o.topDown ? 0x20 : 0)));
  w.Bytes("id!");
  for (uint32_t c : o.palette) w.U32LE(c);

  auto pixelBytes = [&](uint32_t v) {
    std::string s;
    switch (o.depth) {
      case 8:
        s.push_back(static_cast<char>(v));
        break;
      case 16:
        s += {static_cast<char>(v), static_cast<char>(v >> 8)};
        break;
      case 24:
        s += {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16)};
        break;
      default:
        s += {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
              static_cast<char>(v >> 24)};
    }
    return s;
  };
  // File order: rows from the origin, columns from the origin.
  std::vector<uint32_t> order;
  for (int row = 0; row < height; ++row) {
    int y = o.topDown ? row : height - 1 - row;
    for (int col = 0; col < width; ++col) {
      int x = o.rightToLeft ? width - 1 - col : col;
      order.push_back(value(x, y));
    }
  }
  if (!o.rle) {
    for (uint32_t v : order) w.Bytes(pixelBytes(v));
    return w.Take();
  }
  // Runs of equal values become run packets, the rest raw packets (packets may
  // cross row ends, as the format allows).
  size_t i = 0;
  while (i < order.size()) {
    size_t run = 1;
    while (i + run < order.size() && run < 128 && order[i + run] == order[i]) ++run;
    if (run >= 2) {
      w.U8(static_cast<uint8_t>(0x80 | (run - 1)));
      w.Bytes(pixelBytes(order[i]));
      i += run;
      continue;
    }
    size_t raw = 1;
    while (i + raw < order.size() && raw < 128 &&
           !(i + raw + 1 < order.size() && order[i + raw] == order[i + raw + 1])) {
      ++raw;
    }
    w.U8(static_cast<uint8_t>(raw - 1));
    for (size_t k = 0; k < raw; ++k) w.Bytes(pixelBytes(order[i + k]));
    i += raw;
  }
  return w.Take();
}

}  // namespace test_images
