#include "support/bmp_file.h"

#include "platform/byte_reader.h"

namespace testing_support {

std::string MakeBmp(int width, int height, const std::function<uint32_t(int, int)>& value,
                    const BmpOptions& o) {
  const bool core = o.headerSize == 12;
  const size_t paletteBytes = o.palette.size() * (core ? 3 : 4);
  const size_t maskBytes = (o.compression == 3 && o.headerSize == 40) ? 12 : 0;
  const size_t stride = ((static_cast<size_t>(width) * o.bpp + 31) / 32) * 4;
  const uint32_t offBits = static_cast<uint32_t>(14 + o.headerSize + maskBytes + paletteBytes);
  platform::ByteWriter w;
  w.U16LE(0x4D42);
  w.U32LE(static_cast<uint32_t>(offBits + stride * height));
  w.U32LE(0);
  w.U32LE(offBits);
  w.U32LE(static_cast<uint32_t>(o.headerSize));
  if (core) {
    w.U16LE(static_cast<uint16_t>(width));
    w.U16LE(static_cast<uint16_t>(height));
    w.U16LE(1);
    w.U16LE(static_cast<uint16_t>(o.bpp));
  } else {
    w.I32LE(width);
    w.I32LE(o.topDown ? -height : height);
    w.U16LE(1);
    w.U16LE(static_cast<uint16_t>(o.bpp));
    w.U32LE(o.compression);
    w.U32LE(static_cast<uint32_t>(stride * height));
    w.U32LE(2835);
    w.U32LE(2835);
    w.U32LE(static_cast<uint32_t>(o.palette.size()));
    w.U32LE(0);
    if (o.headerSize >= 52) {
      for (int i = 0; i < 4; ++i) w.U32LE(o.masks[i]);
      for (int i = 56; i < o.headerSize; ++i) w.U8(0);
    } else if (maskBytes) {
      for (int i = 0; i < 3; ++i) w.U32LE(o.masks[i]);
    }
  }
  for (uint32_t c : o.palette) {
    w.U8(static_cast<uint8_t>(c));
    w.U8(static_cast<uint8_t>(c >> 8));
    w.U8(static_cast<uint8_t>(c >> 16));
    if (!core) w.U8(0);
  }
  for (int row = 0; row < height; ++row) {
    int y = o.topDown ? row : height - 1 - row;
    std::string bytes(stride, '\0');
    for (int x = 0; x < width; ++x) {
      uint32_t v = value(x, y);
      switch (o.bpp) {
        case 1:
        case 2:
        case 4: {
          int perByte = 8 / o.bpp;
          int shift = 8 - o.bpp * (x % perByte + 1);
          bytes[x / perByte] =
              static_cast<char>(bytes[x / perByte] | ((v & ((1u << o.bpp) - 1)) << shift));
          break;
        }
        case 8:
          bytes[x] = static_cast<char>(v);
          break;
        case 16:
          bytes[2 * x] = static_cast<char>(v);
          bytes[2 * x + 1] = static_cast<char>(v >> 8);
          break;
        case 24:
          bytes[3 * x] = static_cast<char>(v);
          bytes[3 * x + 1] = static_cast<char>(v >> 8);
          bytes[3 * x + 2] = static_cast<char>(v >> 16);
          break;
        default:
          for (int i = 0; i < 4; ++i) bytes[4 * x + i] = static_cast<char>(v >> (8 * i));
      }
    }
    w.Bytes(bytes);
  }
  return w.Take();
}

std::string MakeRleBmp(int width, int height, int bpp, const std::vector<uint32_t>& palette,
                       const std::string& stream) {
  const uint32_t offBits = static_cast<uint32_t>(14 + 40 + palette.size() * 4);
  platform::ByteWriter w;
  w.U16LE(0x4D42);
  w.U32LE(static_cast<uint32_t>(offBits + stream.size()));
  w.U32LE(0);
  w.U32LE(offBits);
  w.U32LE(40);
  w.I32LE(width);
  w.I32LE(height);
  w.U16LE(1);
  w.U16LE(static_cast<uint16_t>(bpp));
  w.U32LE(bpp == 8 ? 1 : 2);
  w.U32LE(static_cast<uint32_t>(stream.size()));
  w.U32LE(0);
  w.U32LE(0);
  w.U32LE(static_cast<uint32_t>(palette.size()));
  w.U32LE(0);
  for (uint32_t c : palette) w.U32LE(c & 0xFFFFFF);
  w.Bytes(stream);
  return w.Take();
}

std::string SolidBmp(int width, int height, uint32_t rgb) {
  return MakeBmp(width, height, [rgb](int, int) { return rgb; });
}

BmpOptions ArgbBitFields(int headerSize) {
  BmpOptions o;
  o.bpp = 32;
  o.headerSize = headerSize;
  o.compression = 3;
  o.masks[0] = 0x00FF0000;
  o.masks[1] = 0x0000FF00;
  o.masks[2] = 0x000000FF;
  o.masks[3] = 0xFF000000;
  return o;
}

}  // namespace testing_support
