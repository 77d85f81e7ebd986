// Bitmap fonts: the image stream's pixel formats, glyph drawing, advances,
// colour tags, decorations and measuring.

#include <gtest/gtest.h>

#include <cmath>

#include "render/canvas2d.h"
#include "render/render_font.h"
#include "font_test_util.h"

namespace {

using render::RenderFont;
using render_test::FontRecord;
using render_test::GlyphSize;
using render_test::ImageStream;
using render_test::RecordingCanvas;
using render_test::StreamSpec;

std::span<const uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

std::string Le(uint32_t v, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  return out;
}

// One pattern of two pixels in the given format; returns the two ARGB values read back.
std::pair<uint32_t, uint32_t> Decode(uint8_t format, int bytesPerPixel, uint32_t first,
                                     uint32_t second) {
  StreamSpec s;
  s.format = format;
  s.patternWidth = s.visibleWidth = s.textureWidth = 2;
  s.pixels = Le(first, bytesPerPixel) + Le(second, bytesPerPixel);
  RenderFont font("t");
  EXPECT_EQ(font.Load(Bytes(FontRecord(32, 0, {{2, 1}}, ImageStream(s)))),
            render::FontRecordError::kNone)
      << int{format};
  return {font.Image().ReadPixel(0, 0, 0), font.Image().ReadPixel(1, 0, 0)};
}

// n-bit channels expand to round(v x 255 / (2^n - 1)); missing channels are 255.
TEST(FontImageStream, ElevenPixelFormats) {
  using P = std::pair<uint32_t, uint32_t>;
  // R2 G3 B3: 10 011 101 -> 170, round(3 x 255 / 7) = 109, round(5 x 255 / 7) = 182.
  EXPECT_EQ(Decode(0, 1, 0x9D, 0xFF), (P{0xFFAA6DB6, 0xFFFFFFFF}));
  // R5 G6 B5: g 32 -> round(32 x 255 / 63) = 130, b 16 -> round(16 x 255 / 31) = 132.
  EXPECT_EQ(Decode(1, 2, 0xF81F, 0x0410), (P{0xFFFF00FF, 0xFF008284}));
  EXPECT_EQ(Decode(2, 4, 0x12345678, 0x00000000), (P{0xFF345678, 0xFF000000}));
  // X1 R5 G5 B5: the X bit is ignored.
  EXPECT_EQ(Decode(3, 2, 0x8000, 0x4210), (P{0xFF000000, 0xFF848484}));
  EXPECT_EQ(Decode(4, 2, 0xF123, 0x0FFF), (P{0xFF112233, 0xFFFFFFFF}));
  EXPECT_EQ(Decode(5, 4, 0x80123456, 0x00FFFFFF), (P{0x80123456, 0x00FFFFFF}));
  EXPECT_EQ(Decode(6, 2, 0x8000, 0x7C00), (P{0xFF000000, 0x00FF0000}));
  EXPECT_EQ(Decode(7, 2, 0x8F00, 0xF00F), (P{0x88FF0000, 0xFF0000FF}));
  // A8 R2 G3 B3: g 4 -> round(4 x 255 / 7) = 146.
  EXPECT_EQ(Decode(8, 2, 0x40E0, 0xFF03), (P{0x40FF9200, 0xFF00006D}));
  EXPECT_EQ(Decode(9, 1, 0x6C, 0xC0), (P{0x55AAFF00, 0xFF000000}));
  EXPECT_EQ(Decode(10, 1, 0x7F, 0x00), (P{0x7FFFFFFF, 0x00FFFFFF}));
}

TEST(FontImageStream, BadStreamsAreRefused) {
  auto load = [](const StreamSpec& s, std::string tail = "") {
    RenderFont font("t");
    render::ImageStreamError error = render::ImageStreamError::kNone;
    font.Load(Bytes(FontRecord(32, 0, {{1, 1}}, ImageStream(s) + tail)), &error);
    EXPECT_FALSE(font.Loaded() && error != render::ImageStreamError::kNone);
    return error;
  };
  StreamSpec ok;
  ok.pixels = Le(0xFFFFFFFF, 4);
  EXPECT_EQ(load(ok), render::ImageStreamError::kNone);
  StreamSpec s = ok;
  s.format = 11;
  EXPECT_EQ(load(s), render::ImageStreamError::kBadFormat);
  s = ok;
  s.pixels.pop_back();
  EXPECT_EQ(load(s), render::ImageStreamError::kTruncated);
  s = ok;
  s.textureWidth = 0;  // smaller than the pattern
  EXPECT_EQ(load(s), render::ImageStreamError::kBadGeometry);
  s = ok;
  s.patternCount = -1;
  EXPECT_EQ(load(s), render::ImageStreamError::kBadGeometry);
  // Huge sizes are refused before anything is allocated.
  s = ok;
  s.textureWidth = s.textureHeight = 16384;
  s.textureCount = 16384;
  EXPECT_EQ(load(s), render::ImageStreamError::kTruncated);
  s.textureWidth = 0x7FFFFFFF;
  EXPECT_EQ(load(s), render::ImageStreamError::kTooLarge);
  // Fewer textures than patterns: the rest have none and draw nothing.
  s = ok;
  s.patternCount = 3;
  EXPECT_EQ(load(s), render::ImageStreamError::kNone);
  // Large patterns without stored pixels allocate nothing: what is allocated follows the bytes
  // present, not the sizes claimed.
  s = ok;
  s.patternWidth = s.patternHeight = s.textureWidth = s.textureHeight = 8000;
  s.textureCount = 0;
  s.pixels.clear();
  {
    RenderFont big("big");
    ASSERT_EQ(big.Load(Bytes(FontRecord(32, 0, {{1, 1}}, ImageStream(s)))),
              render::FontRecordError::kNone);
    EXPECT_EQ(big.Image().TextureCount(), 0);
    EXPECT_EQ(big.Image().TextureBytes(), 0u);
    EXPECT_EQ(big.Image().PatternWidth(), 8000);
  }
  // A record cut inside its glyph table.
  RenderFont font("t");
  EXPECT_EQ(font.Load(Bytes(FontRecord(32, 0, {{1, 1}, {2, 2}}, "").substr(0, 20))),
            render::FontRecordError::kTruncated);
  EXPECT_FALSE(font.Loaded());
}

// Glyphs 'A', 'B', 'C': patterns of 4 x 6 in 6 x 8 cells whose padding holds garbage;
// widths 5, 6, 7 and heights 6, 5, 8; extra advance 1.
std::string TestFontRecord() {
  StreamSpec s;
  s.patternWidth = s.visibleWidth = 4;
  s.patternHeight = s.visibleHeight = 6;
  s.patternCount = s.textureCount = 3;
  s.textureWidth = 6;
  s.textureHeight = 8;
  for (int g = 0; g < 3; ++g)
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 6; ++x)
        s.pixels += Le(x < 4 && y < 6 ? 0xFF000000u | (0x40u * (g + 1)) * 0x010101u : 0xDEADBEEF, 4);
  return FontRecord('A', 1, {{5, 6}, {6, 5}, {7, 8}}, ImageStream(s));
}

class FontText : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(font.Load(Bytes(TestFontRecord())), render::FontRecordError::kNone); }
  RenderFont font{"Test"};
};

TEST_F(FontText, DefaultsAndGlyphs) {
  EXPECT_EQ(font.Scale(), 1.0);
  EXPECT_EQ(font.ExtraSpacing(), 0.0);
  EXPECT_EQ(font.MissingWidthFactor(), 0.3);
  EXPECT_TRUE(font.ColourTags());
  EXPECT_EQ(font.Style(), 0u);
  EXPECT_EQ(font.ShadowOpacity(), 0.5);
  EXPECT_EQ(font.ShadowDistance(), 1.0);
  EXPECT_EQ(font.EmbossColour(), 0u);
  EXPECT_EQ(font.EmbossOpacity(), 0.8);
  EXPECT_EQ(font.FirstCode(), 'A');
  EXPECT_EQ(font.GlyphCount(), 3);
  EXPECT_EQ(font.GlyphWidth(2), 7);
  EXPECT_EQ(font.Image().ReadPixel(3, 5, 1), 0xFF808080u);
  EXPECT_EQ(font.Image().ReadPixel(4, 0, 1), 0u) << "cell padding is not part of the pattern";
}

// Pen advances by (glyph width + extra advance + extra spacing) x scale; a character without
// a glyph by (visible width x 0.3 + extra spacing) x scale.
TEST_F(FontText, AdvancesAndWidth) {
  EXPECT_DOUBLE_EQ(font.TextWidth("AB"), 6 + 7);
  EXPECT_DOUBLE_EQ(font.TextWidth("AzB"), 6 + 4 * 0.3 + 7);
  EXPECT_DOUBLE_EQ(font.TextWidth(""), 0);
  font.SetScale(2);
  font.SetExtraSpacing(2);
  EXPECT_DOUBLE_EQ(font.TextWidth("AB"), (5 + 1 + 2 + 6 + 1 + 2) * 2);
  EXPECT_DOUBLE_EQ(font.TextWidth(" "), (4 * 0.3 + 2) * 2);

  RecordingCanvas canvas;
  font.TextOut(canvas, "A B", 10.5, 20, 0xFFFFFFFF, 0xFF0000FF, 0x504);
  ASSERT_EQ(canvas.quads.size(), 2u);
  // Quads of round(4 x 2) x round(6 x 2) at the pen.
  EXPECT_EQ(canvas.quads[0].corners[0].x, 10.5);
  EXPECT_EQ(canvas.quads[0].corners[2].x, 18.5);
  EXPECT_EQ(canvas.quads[0].corners[2].y, 32);
  EXPECT_EQ(canvas.quads[0].pattern, 0);
  EXPECT_EQ(canvas.quads[0].effect, 0x504u);
  EXPECT_EQ(canvas.quads[1].pattern, 1);
  EXPECT_DOUBLE_EQ(canvas.quads[1].corners[0].x, 10.5 + 16 + (4 * 0.3 + 2) * 2);
  EXPECT_EQ(canvas.quads[1].colours, (render::QuadColours{0xFFFFFFFF, 0xFFFFFFFF, 0xFF0000FF,
                                                          0xFF0000FF}));
}

TEST_F(FontText, HeightIsTallestGlyphTimesScale) {
  EXPECT_DOUBLE_EQ(font.TextHeight("AB"), 6);
  EXPECT_DOUBLE_EQ(font.TextHeight("BC"), 8);
  EXPECT_DOUBLE_EQ(font.TextHeight("xyz"), 0);
  EXPECT_DOUBLE_EQ(font.TextHeight(""), 0);
  font.SetScale(1.5);
  EXPECT_DOUBLE_EQ(font.TextHeight("zB"), 7.5);
}

// Tags: "#$" upper colour, "&$" lower, "0x" both; recognised only with at least ten more
// characters after the tag's first one.
TEST_F(FontText, ColourTags) {
  RecordingCanvas canvas;
  font.TextOut(canvas, "#$FF00FF00A&$11223344B0x0000000AC", 0, 0, 0xFFFFFFFF, 0xFF000000, 0x504);
  ASSERT_EQ(canvas.quads.size(), 3u);
  EXPECT_EQ(canvas.quads[0].colours,
            (render::QuadColours{0xFF00FF00, 0xFF00FF00, 0xFF000000, 0xFF000000}));
  EXPECT_EQ(canvas.quads[1].colours,
            (render::QuadColours{0xFF00FF00, 0xFF00FF00, 0x11223344, 0x11223344}));
  EXPECT_EQ(canvas.quads[2].colours, render::SameColours(0x0000000A));
  // Tags neither draw nor advance.
  EXPECT_EQ(canvas.quads[1].corners[0].x, 6);
  EXPECT_EQ(canvas.quads[2].corners[0].x, 13);
  EXPECT_DOUBLE_EQ(font.TextWidth("#$FF00FF00A&$11223344B"), 13);

  // Ten characters at the very end are not a tag: they are characters (here without glyphs).
  canvas.quads.clear();
  font.TextOut(canvas, "A#$FF00FF00", 0, 0, 0xFFFFFFFF, 0xFFFFFFFF, 0x504);
  EXPECT_EQ(canvas.quads.size(), 1u);
  EXPECT_DOUBLE_EQ(font.TextWidth("A#$FF00FF00"), 6 + 10 * 4 * 0.3);
  // A malformed number keeps the colour but the tag is still taken out.
  canvas.quads.clear();
  font.TextOut(canvas, "&$12G45678A", 0, 0, 0xFFFFFFFF, 0xFF00FF00, 0x504);
  ASSERT_EQ(canvas.quads.size(), 1u);
  EXPECT_EQ(canvas.quads[0].colours[3], 0xFF00FF00u);
  EXPECT_EQ(canvas.quads[0].corners[0].x, 0);
  // With tags off the characters are text.
  font.SetColourTags(false);
  EXPECT_DOUBLE_EQ(font.TextWidth("#$FF00FF00A"), 10 * 4 * 0.3 + 6);
}

// Shadow copy at (2, 2) x scale x distance in the shadow colour at alpha 128, then the glyph;
// with emboss the glyph moves by (-1, -1) and a black copy at alpha 204 follows at the pen.
TEST_F(FontText, ShadowAndEmboss) {
  RecordingCanvas canvas;
  font.SetStyle(RenderFont::kStyleShadow | RenderFont::kStyleEmboss);
  font.SetShadowColour(0x12345678);
  font.SetScale(2);
  font.SetShadowDistance(1.5);
  font.TextOut(canvas, "A", 100, 50, 0xFFFFFFFF, 0xFFEEEEEE, 0x504);
  ASSERT_EQ(canvas.quads.size(), 3u);
  EXPECT_EQ(canvas.quads[0].corners[0].x, 106);
  EXPECT_EQ(canvas.quads[0].corners[0].y, 56);
  EXPECT_EQ(canvas.quads[0].colours, render::SameColours(0x80345678));
  EXPECT_EQ(canvas.quads[1].corners[0].x, 99);
  EXPECT_EQ(canvas.quads[1].corners[0].y, 49);
  EXPECT_EQ(canvas.quads[1].colours[2], 0xFFEEEEEEu);
  EXPECT_EQ(canvas.quads[2].corners[0].x, 100);
  EXPECT_EQ(canvas.quads[2].colours, render::SameColours(0xCC000000));
  for (const auto& q : canvas.quads) EXPECT_EQ(q.pattern, 0);
}

// Through the real canvas: glyph pixels land at the pen, the next glyph one advance further.
TEST_F(FontText, DrawsGlyphPixels) {
  render::Frame frame(64, 32);
  render::Canvas2D canvas(frame);
  font.TextOut(canvas, "AB", 10, 10, 0xFFFFFFFF, 0xFFFFFFFF, 0x504);
  EXPECT_EQ(frame.Pixel(10, 10), 0xFF404040u);
  EXPECT_EQ(frame.Pixel(13, 15), 0xFF404040u);
  EXPECT_EQ(frame.Pixel(14, 10), 0xFF000000u);
  EXPECT_EQ(frame.Pixel(16, 10), 0xFF808080u);
  EXPECT_EQ(frame.Pixel(19, 15), 0xFF808080u);
  EXPECT_EQ(frame.Pixel(20, 15), 0xFF000000u);
}

TEST_F(FontText, UnloadedFontDrawsAndMeasuresNothing) {
  font.Unload();
  RecordingCanvas canvas;
  font.TextOut(canvas, "ABC", 0, 0, 0xFFFFFFFF, 0xFFFFFFFF, 0x504);
  EXPECT_TRUE(canvas.quads.empty());
  EXPECT_EQ(font.TextWidth("ABC"), 0);
  EXPECT_EQ(font.TextHeight("ABC"), 0);
}

}  // namespace
