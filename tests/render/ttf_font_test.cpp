// Bitmap fonts made from the DejaVu TrueType font, read back through the archive.

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/codepage.h"
#include "render/canvas2d.h"
#include "render/font_store.h"
#include "render/ttf_font_builder.h"
#include "support/test_support.h"

namespace {

const char* kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

std::string BuildDejaVu(int size) {
  render::TtfFontOptions options;
  options.ttfPath = kDejaVu;
  options.pixelSize = size;
  std::string record, error;
  EXPECT_TRUE(render::BuildFontRecordFromTtf(options, record, error)) << error;
  return record;
}

render::FontArchive ArchiveOf(const std::string& name, const std::string& record) {
  render::FontArchiveWriter writer;
  writer.AddRecord(name, render::kFontRecordKind,
                   {reinterpret_cast<const uint8_t*>(record.data()), record.size()});
  render::FontArchive archive;
  EXPECT_EQ(archive.Parse(writer.Build()), render::ArchiveError::kNone);
  return archive;
}

TEST(TtfFont, DejaVuRecordReadsBack) {
  ASSERT_TRUE(std::filesystem::exists(kDejaVu));
  render::FontStore store;
  ASSERT_EQ(store.LoadFontArchive(ArchiveOf("Sans", BuildDejaVu(20))).fontsLoaded, 1);
  render::RenderFont* font = store.FindFont("sans");
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->FirstCode(), 32);
  EXPECT_EQ(font->GlyphCount(), 224);
  const int w = 'W' - 32, i = 'i' - 32, space = 0;
  EXPECT_GT(font->GlyphWidth(w), font->GlyphWidth(i));
  EXPECT_GT(font->GlyphWidth(space), 0);
  EXPECT_GE(font->TextHeight("W"), 20);
  EXPECT_LE(font->TextHeight("W"), 30);
  EXPECT_DOUBLE_EQ(font->TextWidth("Wi"), font->GlyphWidth(w) + font->GlyphWidth(i));
  // CP1251 0xC6 is the Cyrillic capital Zhe, which DejaVu Sans has; 0x98 is unassigned.
  EXPECT_GT(font->GlyphWidth(0xC6 - 32), 0);
  EXPECT_EQ(font->GlyphWidth(0x98 - 32), 0);

  // The glyph of 'I' is a white bar: opaque white texels, transparent around it.
  const render::RenderImage& image = font->Image();
  int opaque = 0;
  for (int y = 0; y < image.PatternHeight(); ++y)
    for (int x = 0; x < image.PatternWidth(); ++x) {
      const uint32_t p = image.ReadPixel(x, y, 'I' - 32);
      EXPECT_EQ(p & 0xFFFFFF, 0xFFFFFFu);
      opaque += (p >> 24) == 0xFF;
    }
  EXPECT_GT(opaque, 10);
  EXPECT_EQ(image.ReadPixel(0, 0, space) >> 24, 0u);

  // Drawn in red, the text leaves red pixels and nothing else.
  render::Frame frame(200, 60);
  render::Canvas2D canvas(frame);
  font->TextOut(canvas, "Hello", 5, 5, 0xFFFF0000, 0xFFFF0000, 0x504);
  int red = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 200; ++x) {
      const uint32_t p = frame.Pixel(x, y);
      EXPECT_EQ(p & 0xFFFF, 0u);
      red += p == 0xFFFF0000u;
    }
  EXPECT_GT(red, 50);
}

TEST(TtfFont, RefusesBadRequests) {
  render::TtfFontOptions options;
  std::string record, error;
  options.ttfPath = "/nonexistent.ttf";
  EXPECT_FALSE(render::BuildFontRecordFromTtf(options, record, error));
  EXPECT_FALSE(error.empty());
  options.ttfPath = kDejaVu;
  options.pixelSize = 0;
  EXPECT_FALSE(render::BuildFontRecordFromTtf(options, record, error));
  options.pixelSize = 12;
  options.firstCode = 200;
  options.lastCode = 100;
  EXPECT_FALSE(render::BuildFontRecordFromTtf(options, record, error));
  testing_support::TempDir dir;
  testing_support::WriteFile(dir / "junk.ttf", "not a font");
  options = {};
  options.ttfPath = (dir / "junk.ttf").string();
  EXPECT_FALSE(render::BuildFontRecordFromTtf(options, record, error));
}

}  // namespace
