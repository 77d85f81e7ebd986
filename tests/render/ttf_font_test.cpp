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

namespace {

// qazmir-tool font creates an archive, adds to it, replaces by name and never overwrites a file
// that is not an archive.
TEST(TtfFont, ToolBuildsArchives) {
  const std::string tool = (testing_support::BinDir() / "qazmir-tool").string();
  ASSERT_TRUE(std::filesystem::exists(tool));
  testing_support::TempDir dir;
  const std::string archive = (dir / "fonts.dat").string();
  auto run = [&](const std::vector<std::string>& args) {
    std::vector<std::string> argv{tool};
    argv.insert(argv.end(), args.begin(), args.end());
    return testing_support::RunCommand(argv);
  };
  EXPECT_EQ(run({"font", kDejaVu, "--size", "16", "--name", "Main", "-o", archive}).status, 0);
  EXPECT_EQ(run({"font", kDejaVu, "--size", "28", "--name", "Title", "-o", archive}).status, 0);
  EXPECT_EQ(run({"font", kDejaVu, "--size", "12", "--name", "MAIN", "-o", archive}).status, 0);
  render::FontStore store;
  EXPECT_EQ(store.LoadFontArchive(archive).fontsLoaded, 2);
  ASSERT_NE(store.FindFont("main"), nullptr);
  ASSERT_NE(store.FindFont("title"), nullptr);
  EXPECT_LT(store.FindFont("main")->TextHeight("W"), store.FindFont("title")->TextHeight("W"));
  EXPECT_EQ(store.Fonts()[0]->Name(), "MAIN") << "replaced in place";

  testing_support::WriteFile(dir / "notes.txt", "not an archive");
  const auto refused =
      run({"font", kDejaVu, "--size", "16", "--name", "X", "-o", (dir / "notes.txt").string()});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(testing_support::ReadFile(dir / "notes.txt"), "not an archive");
  EXPECT_EQ(run({"--codepage", "NOPE", "font", kDejaVu, "--size", "16", "--name", "X", "-o",
                 archive})
                .status,
            2);
  EXPECT_NE(run({"font", "/nonexistent.ttf", "--size", "16", "--name", "X", "-o", archive}).status,
            0);
}

}  // namespace
