#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "image_files.h"
#include "platform/byte_reader.h"
#include "resources/decoded_image.h"
#include "support/test_support.h"

namespace {

using resources::DecodedImage;
using resources::DecodeError;
using test_images::BmpOptions;
using test_images::JpegOptions;
using test_images::PngOptions;
using test_images::TgaOptions;

std::span<const uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// A picture every pixel of which differs: colour from position, alpha varying.
uint32_t Pattern(int x, int y) {
  return (static_cast<uint32_t>((x * 37 + y * 11) & 0xFF) << 24) |
         (static_cast<uint32_t>(x * 16 & 0xFF) << 16) |
         (static_cast<uint32_t>(y * 16 & 0xFF) << 8) | static_cast<uint32_t>((x + y) * 8 & 0xFF);
}

void ExpectPixels(const DecodedImage& img, int w, int h,
                  const std::function<uint32_t(int, int)>& want) {
  ASSERT_EQ(img.width, w);
  ASSERT_EQ(img.height, h);
  ASSERT_EQ(img.pixels.size(), static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      ASSERT_EQ(img.At(x, y), want(x, y)) << "at " << x << "," << y;
    }
  }
}

// Every prefix of a valid file, and copies with bytes flipped, must fail or
// decode without reading outside the data (ASan/UBSan builds check the latter).
void ExpectSurvivesDamage(const std::string& file, resources::ImageFormat format) {
  for (size_t n = 0; n < file.size(); n += (n < 256 ? 1 : 7)) {
    std::string cut = file.substr(0, n);
    DecodedImage img;
    DecodeError e = resources::DecodeImage(format, Bytes(cut), img);
    if (e == DecodeError::None) {
      EXPECT_EQ(img.pixels.size(), static_cast<size_t>(img.width) * img.height);
    }
  }
  std::srand(7);
  for (int round = 0; round < 300; ++round) {
    std::string bad = file;
    for (int k = 0; k < 4; ++k) bad[std::rand() % bad.size()] = static_cast<char>(std::rand());
    DecodedImage img;
    if (resources::DecodeImage(format, Bytes(bad), img) == DecodeError::None) {
      EXPECT_EQ(img.pixels.size(), static_cast<size_t>(img.width) * img.height);
    }
  }
}

TEST(DecoderTest, FormatByExtension) {
  using resources::FormatFromName;
  using resources::ImageFormat;
  EXPECT_EQ(FormatFromName("a.TGA"), ImageFormat::Tga);
  EXPECT_EQ(FormatFromName("a.jpg"), ImageFormat::Jpeg);
  EXPECT_EQ(FormatFromName("A.JPEG"), ImageFormat::Jpeg);
  EXPECT_EQ(FormatFromName("logos\\logo1.Png"), ImageFormat::Png);
  EXPECT_EQ(FormatFromName("a.bmp"), ImageFormat::Bmp);
  EXPECT_EQ(FormatFromName("a.gif"), ImageFormat::Bmp);
  EXPECT_EQ(FormatFromName("png"), ImageFormat::Bmp);
}

// PNG: every colour type becomes ARGB; alpha only where the file has it.
TEST(DecoderTest, PngColourTypes) {
  DecodedImage img;
  std::string rgba = test_images::MakePng(13, 7, Pattern);
  ASSERT_EQ(resources::DecodePng(Bytes(rgba), img), DecodeError::None);
  EXPECT_TRUE(img.hasAlpha);
  EXPECT_EQ(img.bitsPerPixel, 32);
  ExpectPixels(img, 13, 7, Pattern);

  PngOptions rgb;
  rgb.colorType = 2;
  ASSERT_EQ(resources::DecodePng(Bytes(test_images::MakePng(5, 4, Pattern, rgb)), img),
            DecodeError::None);
  EXPECT_FALSE(img.hasAlpha);
  ExpectPixels(img, 5, 4, [](int x, int y) { return Pattern(x, y) | 0xFF000000u; });

  // Palette with transparency: tRNS becomes alpha.
  PngOptions pal;
  pal.colorType = 3;
  pal.palette = {0xFF102030, 0x80405060, 0x00708090};
  ASSERT_EQ(resources::DecodePng(Bytes(test_images::MakePng(
                                     6, 3, [](int x, int) { return x % 3; }, pal)),
                                 img),
            DecodeError::None);
  EXPECT_TRUE(img.hasAlpha);
  ExpectPixels(img, 6, 3, [&](int x, int) { return pal.palette[x % 3]; });

  // 1-bit grey.
  PngOptions grey1;
  grey1.colorType = 0;
  grey1.bitDepth = 1;
  ASSERT_EQ(resources::DecodePng(Bytes(test_images::MakePng(
                                     9, 2, [](int x, int y) { return (x + y) & 1; }, grey1)),
                                 img),
            DecodeError::None);
  ExpectPixels(img, 9, 2, [](int x, int y) { return ((x + y) & 1) ? 0xFFFFFFFFu : 0xFF000000u; });

  // Grey with alpha.
  PngOptions greyA;
  greyA.colorType = 4;
  ASSERT_EQ(resources::DecodePng(Bytes(test_images::MakePng(4, 4, Pattern, greyA)), img),
            DecodeError::None);
  ExpectPixels(img, 4, 4, [](int x, int y) {
    uint32_t g = Pattern(x, y) & 0xFF;
    return (Pattern(x, y) & 0xFF000000u) | g << 16 | g << 8 | g;
  });

  // 16-bit channels keep their high byte.
  PngOptions deep;
  deep.bitDepth = 16;
  ASSERT_EQ(resources::DecodePng(Bytes(test_images::MakePng(7, 5, Pattern, deep)), img),
            DecodeError::None);
  ExpectPixels(img, 7, 5, Pattern);

  // Interlaced files give the same picture.
  PngOptions interlaced;
  interlaced.interlaced = true;
  ASSERT_EQ(resources::DecodePng(Bytes(test_images::MakePng(19, 11, Pattern, interlaced)), img),
            DecodeError::None);
  ExpectPixels(img, 19, 11, Pattern);
}

TEST(DecoderTest, PngRejectsDamage) {
  DecodedImage img;
  EXPECT_EQ(resources::DecodePng(Bytes("not a png at all"), img), DecodeError::BadSignature);
  std::string file = test_images::MakePng(32, 32, Pattern);
  EXPECT_EQ(resources::DecodePng(Bytes(file.substr(0, file.size() / 2)), img),
            DecodeError::Truncated);
  EXPECT_TRUE(img.pixels.empty());  // untouched on failure
  ExpectSurvivesDamage(file, resources::ImageFormat::Png);
  PngOptions pal;
  pal.colorType = 3;
  pal.interlaced = true;
  pal.palette = {0xFF000001, 0x80000002, 0xFF000003, 0x00000004, 0xFF000005};
  ExpectSurvivesDamage(test_images::MakePng(
                           9, 9, [](int x, int y) { return (x + y) % 5u; }, pal),
                       resources::ImageFormat::Png);
}

// A valid 1 x 1 file whose header claims other dimensions (CRC redone).
std::string PngClaiming(uint32_t width, uint32_t height) {
  std::string file = test_images::MakePng(1, 1, Pattern);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<char>(v >> (24 - 8 * i));
  };
  put32(16, width);
  put32(20, height);
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 12; i < 29; ++i) {
    crc ^= static_cast<uint8_t>(file[i]);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  put32(29, ~crc);
  return file;
}

TEST(DecoderTest, PngTooLargeIsRefusedBeforeAllocating) {
  DecodedImage img;
  EXPECT_EQ(resources::DecodePng(Bytes(PngClaiming(30000, 30000)), img), DecodeError::TooLarge);
  // Within the limits, but more pixels than the bytes left could ever
  // inflate to: refused as cut short before 64 MiB are allocated.
  EXPECT_EQ(resources::DecodePng(Bytes(PngClaiming(4096, 4096)), img), DecodeError::Truncated);
  EXPECT_TRUE(img.pixels.empty());
  // A real picture that compresses as well as deflate can still decodes.
  const std::string flat = test_images::MakePng(2048, 2048, [](int, int) { return 0xFF336699u; });
  ASSERT_LT(flat.size() * 300, size_t{2048} * 2048 * 4) << "the test picture should compress well";
  ASSERT_EQ(resources::DecodePng(Bytes(flat), img), DecodeError::None);
  EXPECT_EQ(img.pixels[2048 * 2048 - 1] & 0xFFFFFFu, 0x336699u);
}

TEST(DecoderTest, JpegColourAndGrey) {
  auto smooth = [](int x, int y) {
    return 0xFF000000u | static_cast<uint32_t>(x * 4) << 16 | static_cast<uint32_t>(y * 4) << 8 |
           0x80;
  };
  auto close = [](uint32_t a, uint32_t b, int tol) {
    for (int s = 0; s < 32; s += 8) {
      if (std::abs(static_cast<int>((a >> s) & 0xFF) - static_cast<int>((b >> s) & 0xFF)) > tol)
        return false;
    }
    return true;
  };
  for (bool progressive : {false, true}) {
    JpegOptions o;
    o.progressive = progressive;
    DecodedImage img;
    ASSERT_EQ(resources::DecodeJpeg(Bytes(test_images::MakeJpeg(40, 30, smooth, o)), img),
              DecodeError::None);
    ASSERT_EQ(img.width, 40);
    ASSERT_EQ(img.height, 30);
    EXPECT_FALSE(img.hasAlpha);
    EXPECT_EQ(img.bitsPerPixel, 24);
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x)
        ASSERT_TRUE(close(img.At(x, y), smooth(x, y), 6)) << x << "," << y;
  }
  JpegOptions grey;
  grey.components = 1;
  DecodedImage img;
  ASSERT_EQ(resources::DecodeJpeg(Bytes(test_images::MakeJpeg(
                                      16, 16, [](int x, int) { return x * 16u; }, grey)),
                                  img),
            DecodeError::None);
  for (int x = 0; x < 16; ++x) {
    uint32_t p = img.At(x, 3);
    EXPECT_EQ(p >> 24, 0xFFu);
    EXPECT_EQ((p >> 16) & 0xFF, p & 0xFF);
    EXPECT_EQ((p >> 8) & 0xFF, p & 0xFF);
    EXPECT_NEAR(static_cast<int>(p & 0xFF), x * 16, 6);
  }
  // CMYK (Adobe-inverted, as image editors write it) comes out as RGB.
  JpegOptions cmyk;
  cmyk.components = 4;
  ASSERT_EQ(resources::DecodeJpeg(Bytes(test_images::MakeJpeg(
                                      16, 16, [](int, int) { return 0xFFC03010u; }, cmyk)),
                                  img),
            DecodeError::None);
  EXPECT_TRUE(close(img.At(8, 8), 0xFFC03010u, 6)) << std::hex << img.At(8, 8);
}

TEST(DecoderTest, JpegRejectsDamage) {
  DecodedImage img;
  EXPECT_EQ(resources::DecodeJpeg(Bytes("\xFF\xD8\xFF"), img), DecodeError::Corrupt);
  EXPECT_EQ(resources::DecodeJpeg(Bytes("GIF89a"), img), DecodeError::BadSignature);
  std::string file = test_images::MakeJpeg(64, 48, Pattern);
  // Cut in the middle of the picture: not what the file should show.
  EXPECT_EQ(resources::DecodeJpeg(Bytes(file.substr(0, file.size() * 2 / 3)), img),
            DecodeError::Truncated);
  // Only the end marker missing: whole.
  EXPECT_EQ(resources::DecodeJpeg(Bytes(file.substr(0, file.size() - 2)), img), DecodeError::None);
  // A frame header claiming 40000 x 40000 pixels is refused before any allocation.
  std::string huge = file;
  size_t sof = huge.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  huge[sof + 5] = huge[sof + 7] = '\x9C';
  huge[sof + 6] = huge[sof + 8] = '\x40';
  EXPECT_EQ(resources::DecodeJpeg(Bytes(huge), img), DecodeError::TooLarge);
  ExpectSurvivesDamage(file, resources::ImageFormat::Jpeg);
  JpegOptions progressive;
  progressive.progressive = true;
  ExpectSurvivesDamage(test_images::MakeJpeg(24, 24, Pattern, progressive),
                       resources::ImageFormat::Jpeg);
}

// BMP: every depth, both row orders; palettes; 8-bit indices kept.
TEST(DecoderTest, BmpDepthsAndRowOrders) {
  const std::vector<uint32_t> pal16 = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0x112233, 0x445566,
                                       0x778899, 0xAABBCC, 0xDDEEFF, 0x010203, 0x040506, 0x070809,
                                       0x0A0B0C, 0x0D0E0F, 0x101112, 0x131415};
  auto index = [](int x, int y) { return static_cast<uint32_t>(x * 3 + y * 5); };
  for (bool topDown : {false, true}) {
    for (int bpp : {1, 2, 4, 8}) {
      BmpOptions o;
      o.bpp = bpp;
      o.topDown = topDown;
      const uint32_t mask = (1u << bpp) - 1;
      for (uint32_t i = 0; i <= mask; ++i) o.palette.push_back(pal16[i % 16] + i);
      DecodedImage img;
      ASSERT_EQ(resources::DecodeBmp(Bytes(test_images::MakeBmp(11, 6, index, o)), img),
                DecodeError::None)
          << bpp;
      EXPECT_EQ(img.bitsPerPixel, bpp);
      EXPECT_FALSE(img.hasAlpha);
      ExpectPixels(img, 11, 6,
                   [&](int x, int y) { return 0xFF000000u | o.palette[index(x, y) & mask]; });
      EXPECT_EQ(img.indices.empty(), bpp != 8);
      if (bpp == 8) {
        EXPECT_EQ(img.indices[5 * 11 + 7], index(7, 5) & 0xFF);
      }
    }
    BmpOptions o24;
    o24.topDown = topDown;
    DecodedImage img;
    ASSERT_EQ(resources::DecodeBmp(Bytes(test_images::MakeBmp(7, 5, Pattern, o24)), img),
              DecodeError::None);
    EXPECT_FALSE(img.hasAlpha);
    ExpectPixels(img, 7, 5, [](int x, int y) { return Pattern(x, y) | 0xFF000000u; });

    BmpOptions o32 = o24;
    o32.bpp = 32;
    ASSERT_EQ(resources::DecodeBmp(Bytes(test_images::MakeBmp(7, 5, Pattern, o32)), img),
              DecodeError::None);
    EXPECT_TRUE(img.hasAlpha);
    EXPECT_EQ(img.bitsPerPixel, 32);
    ExpectPixels(img, 7, 5, Pattern);

    // A 32-bit picture whose alpha bytes are all 0 is opaque.
    ASSERT_EQ(resources::DecodeBmp(
                  Bytes(test_images::MakeBmp(
                      7, 5, [](int x, int y) { return Pattern(x, y) & 0xFFFFFFu; }, o32)),
                  img),
              DecodeError::None);
    EXPECT_FALSE(img.hasAlpha);
    ExpectPixels(img, 7, 5, [](int x, int y) { return Pattern(x, y) | 0xFF000000u; });
  }
}

TEST(DecoderTest, BmpPaletteIndicesSurviveAnyPalette) {
  // An all-black palette of 4 entries: the colours say nothing, the indices
  // (including ones past the palette) are what a mask needs.
  BmpOptions o;
  o.bpp = 8;
  o.palette = {0, 0, 0, 0};
  DecodedImage img;
  ASSERT_EQ(resources::DecodeBmp(Bytes(test_images::MakeBmp(
                                     16, 16, [](int x, int y) { return y * 16u + x; }, o)),
                                 img),
            DecodeError::None);
  ASSERT_EQ(img.indices.size(), 256u);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(img.indices[i], i);
  EXPECT_EQ(img.At(15, 15), 0xFF000000u);
}

TEST(DecoderTest, BmpBitFieldsAndHeaders) {
  DecodedImage img;
  // 16-bit 5-5-5 without fields.
  BmpOptions o16;
  o16.bpp = 16;
  ASSERT_EQ(
      resources::DecodeBmp(
          Bytes(test_images::MakeBmp(
              3, 2, [](int x, int) { return x == 0   ? 0x7C00u
                                            : x == 1 ? 0x03E0u
                                                     : 0x0010u; }, o16)),
          img),
      DecodeError::None);
  EXPECT_EQ(img.At(0, 0), 0xFFFF0000u);
  EXPECT_EQ(img.At(1, 1), 0xFF00FF00u);
  EXPECT_EQ(img.At(2, 0), 0xFF000084u);  // 16 of 31 -> 132
  // 16-bit 5-6-5 fields.
  BmpOptions o565 = o16;
  o565.compression = 3;
  o565.masks[0] = 0xF800;
  o565.masks[1] = 0x07E0;
  o565.masks[2] = 0x001F;
  ASSERT_EQ(resources::DecodeBmp(Bytes(test_images::MakeBmp(
                                     2, 1, [](int x, int) { return x ? 0x07E0u : 0xF81Fu; }, o565)),
                                 img),
            DecodeError::None);
  EXPECT_EQ(img.At(0, 0), 0xFFFF00FFu);
  EXPECT_EQ(img.At(1, 0), 0xFF00FF00u);
  EXPECT_FALSE(img.hasAlpha);
  // 32-bit with an alpha mask in a version 5 header.
  BmpOptions v5 = test_images::ArgbBitFields(124);
  ASSERT_EQ(resources::DecodeBmp(Bytes(test_images::MakeBmp(5, 3, Pattern, v5)), img),
            DecodeError::None);
  EXPECT_TRUE(img.hasAlpha);
  ExpectPixels(img, 5, 3, Pattern);
  // The same masks without alpha: opaque.
  v5.masks[3] = 0;
  ASSERT_EQ(resources::DecodeBmp(Bytes(test_images::MakeBmp(5, 3, Pattern, v5)), img),
            DecodeError::None);
  EXPECT_FALSE(img.hasAlpha);
  ExpectPixels(img, 5, 3, [](int x, int y) { return Pattern(x, y) | 0xFF000000u; });
  // Core (OS/2) header with 3-byte palette entries.
  BmpOptions core;
  core.headerSize = 12;
  core.bpp = 8;
  core.palette = {0x123456, 0xABCDEF};
  ASSERT_EQ(resources::DecodeBmp(Bytes(test_images::MakeBmp(
                                     4, 4, [](int x, int) { return x & 1u; }, core)),
                                 img),
            DecodeError::None);
  EXPECT_EQ(img.At(0, 0), 0xFF123456u);
  EXPECT_EQ(img.At(1, 3), 0xFFABCDEFu);
}

TEST(DecoderTest, BmpRunLengthStreams) {
  const std::vector<uint32_t> pal = {0x000000, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF};
  // RLE8, 6 x 3 bottom-up: row 0 (bottom) "1 1 1 2 3 4" as a run and a literal
  // run; then a delta of (2, 1) skipping to row 2, x 2; "4 4"; end of bitmap.
  std::string s8 = std::string("\x03\x01", 2) + std::string("\x00\x03\x02\x03\x04\x00", 6) +
                   std::string("\x00\x00", 2) + std::string("\x00\x02\x02\x01", 4) +
                   std::string("\x02\x04", 2) + std::string("\x00\x01", 2);
  DecodedImage img;
  ASSERT_EQ(resources::DecodeBmp(Bytes(test_images::MakeRleBmp(6, 3, 8, pal, s8)), img),
            DecodeError::None);
  std::vector<uint8_t> want = {0, 0, 4, 4, 0, 0,   // top row (file row 2)
                               0, 0, 0, 0, 0, 0,   // skipped row
                               1, 1, 1, 2, 3, 4};  // bottom row
  EXPECT_EQ(img.indices, want);
  EXPECT_EQ(img.At(5, 2), 0xFFFFFFFFu);
  // RLE4: a run alternating two nibbles, then a literal of 3 nibbles.
  std::string s4 =
      std::string("\x04\x12", 2) + std::string("\x00\x03\x34\x00", 4) + std::string("\x00\x01", 2);
  ASSERT_EQ(resources::DecodeBmp(Bytes(test_images::MakeRleBmp(7, 1, 4, pal, s4)), img),
            DecodeError::None);
  EXPECT_EQ(img.At(0, 0), 0xFF0000FFu);
  EXPECT_EQ(img.At(1, 0), 0xFF00FF00u);
  EXPECT_EQ(img.At(4, 0), 0xFFFF0000u);
  EXPECT_EQ(img.At(6, 0), 0xFF000000u);
  // Runs past the right edge, deltas past the bottom and streams without an end stay inside.
  std::string wild = std::string("\xFF\x01\x00\x02\xFF\xFF\x05\x02\x00\xFE\x01", 11);
  ASSERT_EQ(resources::DecodeBmp(Bytes(test_images::MakeRleBmp(4, 2, 8, pal, wild)), img),
            DecodeError::None);
}

TEST(DecoderTest, BmpRejectsDamage) {
  DecodedImage img;
  EXPECT_EQ(resources::DecodeBmp(Bytes("BM"), img), DecodeError::Truncated);
  EXPECT_EQ(resources::DecodeBmp(Bytes("XX\x00\x00"), img), DecodeError::BadSignature);
  // Dimensions far beyond the data: refused before any allocation.
  std::string file = test_images::MakeBmp(4, 4, Pattern);
  std::string big = file;
  big[18] = big[19] = big[20] = '\x7F';
  big[22] = big[23] = '\x7F';
  EXPECT_NE(resources::DecodeBmp(Bytes(big), img), DecodeError::None);
  // Width within limits but the rows missing.
  std::string tall = file;
  tall[22] = '\x00';
  tall[23] = '\x10';  // 4096 rows
  EXPECT_EQ(resources::DecodeBmp(Bytes(tall), img), DecodeError::Truncated);
  // Pixel data offset past the end of the file.
  std::string off = file;
  off[10] = off[11] = off[12] = '\x7F';
  EXPECT_EQ(resources::DecodeBmp(Bytes(off), img), DecodeError::Truncated);
  EXPECT_TRUE(img.pixels.empty());
  BmpOptions o8;
  o8.bpp = 8;
  o8.palette = {1, 2, 3};
  ExpectSurvivesDamage(test_images::MakeBmp(
                           9, 5, [](int x, int) { return x % 5u; }, o8),
                       resources::ImageFormat::Bmp);
  ExpectSurvivesDamage(file, resources::ImageFormat::Bmp);
  ExpectSurvivesDamage(
      test_images::MakeRleBmp(
          6, 3, 8, {1, 2, 3},
          std::string("\x03\x01\x00\x03\x02\x03\x04\x00\x00\x00\x00\x02\x02\x01\x00\x01", 16)),
      resources::ImageFormat::Bmp);
}

// The BMP Suite, when the outside test data is present: nothing crashes, and
// the pictures every reader must handle decode.
TEST(DecoderTest, BmpSuite) {
  namespace fs = std::filesystem;
  const fs::path suite =
      testing_support::FixturesDir() / ".." / ".." / ".." / "shared" / "testdata" / "bmpsuite";
  if (!fs::is_directory(suite)) GTEST_SKIP() << "no BMP Suite at " << suite;
  int good = 0;
  for (const char* folder : {"g", "q", "b"}) {
    if (!fs::is_directory(suite / folder)) continue;
    for (const auto& entry : fs::directory_iterator(suite / folder)) {
      auto bytes = testing_support::ReadFile(entry.path());
      DecodedImage img;
      DecodeError e = resources::DecodeBmp(Bytes(bytes), img);
      if (std::string(folder) == "g") {
        EXPECT_EQ(e, DecodeError::None) << entry.path();
        ++good;
      }
      if (e == DecodeError::None) {
        EXPECT_EQ(img.pixels.size(), static_cast<size_t>(img.width) * img.height) << entry.path();
      }
    }
  }
  EXPECT_GT(good, 0);
}

TEST(DecoderTest, TgaKindsAndOrigins) {
  for (bool rle : {false, true}) {
    for (int origin = 0; origin < 4; ++origin) {
      TgaOptions o;
      o.rle = rle;
      o.topDown = origin & 1;
      o.rightToLeft = origin & 2;
      auto runs = [](int x, int y) { return Pattern(x / 3, y); };  // runs for RLE
      DecodedImage img;
      o.depth = 32;
      ASSERT_EQ(resources::DecodeTga(Bytes(test_images::MakeTga(10, 4, runs, o)), img),
                DecodeError::None);
      EXPECT_TRUE(img.hasAlpha);
      ExpectPixels(img, 10, 4, runs);
      o.depth = 24;
      ASSERT_EQ(resources::DecodeTga(Bytes(test_images::MakeTga(10, 4, runs, o)), img),
                DecodeError::None);
      EXPECT_FALSE(img.hasAlpha);
      ExpectPixels(img, 10, 4, [&](int x, int y) { return runs(x, y) | 0xFF000000u; });
      o.depth = 16;
      ASSERT_EQ(resources::DecodeTga(
                    Bytes(test_images::MakeTga(
                        3, 2,
                        [](int x, int y) {
                          return x == 0 ? 0xFC00u : x == 1 ? 0x03E0u : y ? 0x801Fu : 0x001Fu;
                        },
                        o)),
                    img),
                DecodeError::None);
      EXPECT_EQ(img.At(0, 0), 0xFFFF0000u);
      EXPECT_EQ(img.At(1, 1), 0x0000FF00u);  // alpha bit clear
      EXPECT_EQ(img.At(2, 1), 0xFF0000FFu);
      o.depth = 8;
      o.grey = true;
      ASSERT_EQ(resources::DecodeTga(Bytes(test_images::MakeTga(
                                         5, 3, [](int x, int y) { return x * 40u + y; }, o)),
                                     img),
                DecodeError::None);
      EXPECT_EQ(img.At(4, 2), 0xFFA2A2A2u);
      o.grey = false;
      o.mapped = true;
      o.mapFirst = 2;
      o.palette = {0x80112233, 0xFF445566, 0x00778899};
      ASSERT_EQ(resources::DecodeTga(Bytes(test_images::MakeTga(
                                         4, 2, [](int x, int) { return 2u + x; }, o)),
                                     img),
                DecodeError::None);
      EXPECT_EQ(img.At(0, 0), 0x80112233u);
      EXPECT_EQ(img.At(2, 1), 0x00778899u);
      EXPECT_EQ(img.At(3, 1), 0xFF000000u);  // past the palette
    }
  }
  // A 16-bit picture whose header declares no alpha bit is opaque.
  TgaOptions plain;
  plain.depth = 16;
  plain.alphaBits = 0;
  DecodedImage img;
  ASSERT_EQ(resources::DecodeTga(Bytes(test_images::MakeTga(
                                     1, 1, [](int, int) { return 0x001Fu; }, plain)),
                                 img),
            DecodeError::None);
  EXPECT_EQ(img.At(0, 0), 0xFF0000FFu);
  EXPECT_FALSE(img.hasAlpha);
}

TEST(DecoderTest, TgaRejectsDamage) {
  DecodedImage img;
  EXPECT_EQ(resources::DecodeTga(Bytes(std::string(10, '\0')), img), DecodeError::Truncated);
  TgaOptions o;
  std::string file = test_images::MakeTga(8, 8, Pattern, o);
  std::string huge = file;
  huge[12] = huge[13] = huge[14] = huge[15] = '\xFF';  // 65535 x 65535
  EXPECT_EQ(resources::DecodeTga(Bytes(huge), img), DecodeError::TooLarge);
  std::string lots = file;
  lots[13] = lots[15] = '\x10';  // 4104 x 4104 with 256 pixels of data
  EXPECT_EQ(resources::DecodeTga(Bytes(lots), img), DecodeError::Truncated);
  EXPECT_TRUE(img.pixels.empty());
  ExpectSurvivesDamage(file, resources::ImageFormat::Tga);
  o.rle = true;
  ExpectSurvivesDamage(test_images::MakeTga(
                           16, 8, [](int x, int y) { return Pattern(x / 4, y); }, o),
                       resources::ImageFormat::Tga);
}

}  // namespace
