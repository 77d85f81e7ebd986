// Text elements: the line and wrap passes, drawing with a real font archive
// (block glyphs built here, and DejaVu Sans rasterised by SDL2_ttf),
// alignment, intervals, colours, decorations, the box hit test and TEXTSZ,
// and unicode mode with its glyph atlas and TrueType pictures.

#include "platform/codepage.h"
#include "platform/path_resolver.h"
#include "render/font_archive.h"
#include "render/render_font.h"
#include "render/ttf_font_builder.h"
#include "scene/shape_element.h"
#include "scene/text_element.h"
#include "scene/text_layout.h"
#include "tests/scene/visual_fixture.h"

namespace scene {
namespace visual_test {
namespace {

using script::Value;

// ---- layout passes ---------------------------------------------------------------

TEST(TextLayout, LinePassCutsAtCrLfAndBackslashN) {
  using namespace std::string_literals;
  EXPECT_EQ(SplitLines("ab"), "ab\0"s);
  EXPECT_EQ(SplitLines("a\\nb"), "a\0b\0"s);
  EXPECT_EQ(SplitLines("a\r\nb"), "a\0b\0"s);
  EXPECT_EQ(SplitLines("a\\n"), "a\0\0"s);
  EXPECT_EQ(SplitLines("a\nb\rc"), "a\nb\rc\0"s);  // lone line feeds are kept
  EXPECT_EQ(SplitLines(""), "\0"s);
  // The two bytes after 0x01 are a code unit, never a line end.
  EXPECT_EQ(SplitLines("x\x01\\nz"), "x\x01\\nz\0"s);
  EXPECT_EQ(SplitLines("x\x01\r\n\r\nz"), "x\x01\r\n\0z\0"s);
  EXPECT_EQ(SplitLines("\x01"), "\x01\0"s);
}

TEST(TextLayout, WrapPassPutsWordsOnLinesNoWiderThanTheBox) {
  using namespace std::string_literals;
  const MeasureFn tenPerByte = [](std::string_view s) { return 10.0 * s.size(); };
  EXPECT_EQ(WrapWords(SplitLines("aaaa bbbb cccc dddddddddddd e"), 100, tenPerByte, nullptr),
            "aaaa bbbb\0cccc\0dddddddddddd\0e"s);
  // Line ends of the line pass separate words like spaces.
  EXPECT_EQ(WrapWords(SplitLines("a\\nb"), 100, tenPerByte, nullptr), "a b"s);
  // A first word wider than the box stays on the first line.
  EXPECT_EQ(WrapWords(SplitLines("abcdefghijkl x"), 50, tenPerByte, nullptr), "abcdefghijkl\0x"s);
  EXPECT_EQ(WrapWords(SplitLines(""), 50, tenPerByte, nullptr), ""s);
  // Unicode mode breaks a too-wide word between characters (an escape is one character).
  const GlyphAdvanceFn ten = [](uint16_t) { return 10.0; };
  const MeasureFn perChar = [](std::string_view s) {
    double w = 0;
    ForEachCodeUnit(s, [&](uint16_t) { w += 10; });
    return w;
  };
  EXPECT_EQ(WrapWords(SplitLines("aaaaa"), 25, perChar, &ten), "aa\0aa\0a"s);
  EXPECT_EQ(WrapWords(SplitLines("b \x01\x16\x04\x01\x16\x04\x01\x16\x04"), 25, perChar, &ten),
            "b \0\x01\x16\x04\x01\x16\x04\0\x01\x16\x04"s);
  // A glyph wider than the box starts no empty line.
  EXPECT_EQ(WrapWords(SplitLines("aa"), 5, perChar, &ten), "a\0a"s);
}

TEST(TextLayout, LinesAndCodeUnits) {
  using namespace std::string_literals;
  EXPECT_EQ(LaidOutLines("a\0bc\0"s), (std::vector<std::string_view>{"a", "bc"}));
  EXPECT_EQ(LaidOutLines("a\0bc"s), (std::vector<std::string_view>{"a", "bc"}));
  EXPECT_EQ(LaidOutLines("\0\0"s), (std::vector<std::string_view>{"", ""}));
  EXPECT_EQ(LaidOutLines("a\x01\x00\x04"s).size(), 1u);  // an escaped zero is no line end
  std::vector<uint16_t> units;
  ForEachCodeUnit("A\x01\x16\x04\x01\x02", [&](uint16_t u) { units.push_back(u); });
  EXPECT_EQ(units, (std::vector<uint16_t>{0x41, 0x416}));
  const auto& cp = platform::CodePage::Default();
  EXPECT_EQ(DecodeForDrawing("A\xC0\x01\x16\x04", cp), u"A\u0410\u0416");
  EXPECT_EQ(DecodeForDrawing("A\x01\x16", cp), u"A");
}

// ---- drawing with block glyphs (10 x 20; the space is transparent) -------------------

class TextTest : public VisualTest {
 protected:
  void SetUp() override {
    VisualTest::SetUp();
    LoadBlockFonts();
    screen_ = NewScreen();
  }
  TQZText* NewText(const std::string& text, double x = 100, double y = 100) {
    auto* t = Add<TQZText>(screen_, "TQZText", "Txt");
    t->rX = x;
    t->rY = y;
    t->Colour2 = kWhite;
    t->SetFont("Block");
    t->SetText(text);
    return t;
  }
  TQZScreen* screen_ = nullptr;
};

TEST_F(TextTest, NewTextDrawsNothingUntilItsSecondColourIsOpaqueEnough) {
  TQZText* t = NewText("ab");
  t->SetValue("HXTRANS2", Value::Integer(5));
  Render();
  EXPECT_EQ(Extent()[0], -1);
  t->SetValue("HXTRANS2", Value::Integer(6));
  Render();
  EXPECT_EQ(Extent(), (std::array<int, 4>{100, 100, 119, 119}));
  t->Colour1 = 0x05FFFFFF;
  Render();
  EXPECT_EQ(Extent()[0], -1);
}

TEST_F(TextTest, LineEndsNeedEnEnter) {
  TQZText* t = NewText("a\\nb");
  Render();
  EXPECT_EQ(Extent(), (std::array<int, 4>{100, 100, 139, 119}));  // four glyphs on one line
  t->SetLayoutFlag(t->EnEnter, true);
  EXPECT_EQ(t->LaidOutText(), std::string("a\0b\0", 4));
  Render();
  EXPECT_EQ(Extent(), (std::array<int, 4>{100, 100, 109, 139}));
  t->SetText("a\r\nb");
  EXPECT_EQ(t->LaidOutText(), std::string("a\0b\0", 4));
  // Without a font nothing is processed.
  t->SetFont("");
  EXPECT_EQ(t->LaidOutText(), "a\r\nb");
}

TEST_F(TextTest, ThreeLinesWithIntervalAlignedToTheBottom) {
  TQZText* t = NewText("a\\nb\\nc");
  t->SetValue("ENENTER", Value::Integer(1));
  t->Interval = 4;
  t->PosVert = TQZPosVert::pvBottom;
  Render();
  // 3 x 20 + 2 x 4 = 68 pixels, starting 100 - 68 = 32 below the box's top.
  EXPECT_EQ(Rgb(100, 131), 0u);
  EXPECT_EQ(Rgb(100, 132), 0xFFFFFFu);
  EXPECT_EQ(Rgb(100, 151), 0xFFFFFFu);
  EXPECT_EQ(Rgb(100, 152), 0u);
  EXPECT_EQ(Rgb(100, 156), 0xFFFFFFu);
  EXPECT_EQ(Rgb(100, 199), 0xFFFFFFu);
  EXPECT_EQ(Rgb(100, 200), 0u);
  t->PosVert = TQZPosVert::pvCenter;
  Render();
  EXPECT_EQ(Extent()[1], 116);
}

TEST_F(TextTest, HorizontalAlignmentPerLine) {
  TQZText* t = NewText("ab\\nabcd");
  t->SetLayoutFlag(t->EnEnter, true);
  t->PosHor = TQZPosHor::phCenter;
  Render();
  EXPECT_EQ(Count(0, 100, 1024, 120, 0xFFFFFF), 20 * 20);
  EXPECT_EQ(Rgb(140, 110), 0xFFFFFFu);
  EXPECT_EQ(Rgb(139, 110), 0u);
  EXPECT_EQ(Rgb(130, 130), 0xFFFFFFu);
  t->PosHor = TQZPosHor::phRight;
  Render();
  EXPECT_EQ(Rgb(180, 110), 0xFFFFFFu);
  EXPECT_EQ(Rgb(179, 110), 0u);
  EXPECT_EQ(Rgb(199, 130), 0xFFFFFFu);
  EXPECT_EQ(Rgb(159, 130), 0u);
}

TEST_F(TextTest, AutoEnterWrapsToTheBoxWidth) {
  TQZText* t = NewText("aaaa bbbb cccc dddddddddddd e");
  t->SetLayoutFlag(t->EnEnter, true);
  t->SetLayoutFlag(t->AutoEnter, true);
  EXPECT_EQ(t->LaidOutText(), std::string("aaaa bbbb\0cccc\0dddddddddddd\0e", 29));
  Render();
  EXPECT_EQ(Extent(), (std::array<int, 4>{100, 100, 219, 179}));
  // Width and scale lay the text out again.
  t->SetSizeX(300);
  EXPECT_EQ(t->LaidOutText(), "aaaa bbbb cccc dddddddddddd e");
  t->SetValue("SCALE", Value::Real(2));
  EXPECT_EQ(t->LaidOutText(), std::string("aaaa bbbb cccc\0dddddddddddd e", 29));
  Render();
  EXPECT_EQ(Extent()[3], 100 + 2 * 40 - 1);
}

TEST_F(TextTest, TextIdDecidesTheText) {
  testing_support::WriteFile(game_.Path() / "eng.lng", "[Default]\r\nGreeting=Hello\r\n[Menu]\r\nStart=Go\r\n");
  root_.SetLang("eng.lng");
  TQZText* t = NewText("mine");
  t->SetTextId("Greeting");
  EXPECT_EQ(t->Text(), "Hello");
  t->SetText("other");
  EXPECT_EQ(t->Text(), "Hello");
  t->SetValue("TEXTID", Value::String("Menu.Start"));
  EXPECT_EQ(t->Text(), "Go");
  t->SetTextId("");
  t->SetText("free");
  EXPECT_EQ(t->Text(), "free");
  // A quoted text assigned by name is a language key.
  t->SetValue("TEXT", Value::String("\"Greeting\""));
  EXPECT_EQ(t->Text(), "Hello");
  t->SetValue("TEXT", Value::String("\"Nothing\""));
  EXPECT_EQ(t->Text(), "\"Nothing\"");
}

TEST_F(TextTest, WithoutAFontNothingIsDrawnButTheBoxIsHit) {
  TQZText* t = NewText("abc", 10, 10);
  t->SetFont("");
  Render();
  EXPECT_EQ(Extent()[0], -1);
  EXPECT_EQ(HitAt(10, 10), t);
  EXPECT_EQ(HitAt(110, 110), t);
  EXPECT_EQ(HitAt(111, 110), nullptr);
  t->SetFont("NoSuchFont");
  EXPECT_EQ(t->FontObject(), nullptr);
  Render();
  EXPECT_EQ(Extent()[0], -1);
  // Children of a text are drawn but never hit.
  auto* inner = Add<TQZText>(t, "TQZText");
  inner->rX = 200;
  EXPECT_EQ(HitAt(215, 15), nullptr);
  t->SetOrder(2);
  EXPECT_EQ(t->HitTest(0, 20, 20, 0, 0), nullptr);
}

TEST_F(TextTest, FontNamesMatchInAnyCaseAndTextszIsTheTextWidth) {
  TQZText* t = NewText("abc");
  t->SetFont("bLOCK");
  ASSERT_NE(t->FontObject(), nullptr);
  Value v;
  ASSERT_TRUE(t->GetValue("TEXTSZ", v));
  EXPECT_EQ(v.kind, script::VKind::Real);
  EXPECT_EQ(v.d, 30.0);
  t->SetScale(1.5);
  t->GetValue("TEXTSZ", v);
  EXPECT_EQ(v.d, 45.0);
  auto* shape = Add<TQZShape>(screen_, "TQZShape");
  EXPECT_FALSE(shape->GetValue("TEXTSZ", v));
}

TEST_F(TextTest, ShadowAndEmbossDecorations) {
  TQZText* t = NewText("a", 100, 100);
  t->Shadow = true;
  t->hxShadColor = 0xFFFF0000;
  Render();
  EXPECT_EQ(t->FontObject()->Style(), render::RenderFont::kStyleShadow);
  // The shadow copy lies 2 pixels right and down, at half opacity.
  EXPECT_EQ(Rgb(111, 121), 0x800000u);
  EXPECT_EQ(Rgb(109, 119), 0xFFFFFFu);
  t->Shadow = false;
  t->Emboss = true;
  Render();
  EXPECT_EQ(t->FontObject()->Style(), render::RenderFont::kStyleEmboss);
  EXPECT_EQ(Rgb(99, 99), 0xFFFFFFu);  // the glyph moves up and left by one
}

TEST_F(TextTest, RealTrueTypeFontDrawsInsideItsBox) {
  std::string record, error;
  render::TtfFontOptions options;
  options.ttfPath = kDejaVu;
  options.pixelSize = 16;
  ASSERT_TRUE(render::BuildFontRecordFromTtf(options, record, error)) << error;
  render::FontArchiveWriter writer;
  writer.AddRecord("Sans", render::kFontRecordKind,
                   {reinterpret_cast<const uint8_t*>(record.data()), record.size()});
  testing_support::WriteFile(game_.Path() / "sans.dat", writer.Build());
  root_.SetFileFonts("sans.dat");
  TQZText* t = NewText("Hello, world", 50, 60);
  t->SetFont("Sans");
  t->SizeX = 300;
  Render();
  const auto box = Extent();
  EXPECT_GE(box[0], 50);
  EXPECT_GE(box[1], 60);
  EXPECT_LE(box[2], 50 + 300);
  EXPECT_LE(box[3], 60 + 20);
  EXPECT_GT(Count(50, 60, 350, 80, 0xFFFFFF), 40);
  Value v;
  t->GetValue("TEXTSZ", v);
  EXPECT_NEAR(v.d, box[2] - 50, 12);
}

// ---- unicode mode ---------------------------------------------------------------------

// The atlas has four 10 x 20 patterns: red, green, blue, white. A (glyph 0)
// and B (glyph 2) advance 10 pixels, Zhe (U+0416, glyph 1) 20.
class UnicodeTextTest : public TextTest {
 protected:
  void SetUp() override {
    VisualTest::SetUp();
    Png("unicode/unicode.png", 40, 20, [](int x, int) {
      const uint32_t colours[4] = {kRed, kGreen, kBlue, kWhite};
      return colours[x / 10];
    });
    Sheet("unicode/unicode.an", 4, 1);
    testing_support::WriteFile(game_.Path() / "unicode" / "unicode.fnt",
                               "3\r\n41 17\r\n416 34\r\n42 17\r\nDejaVu Sans\r\n");
    std::filesystem::copy_file(kDejaVu, game_.Path() / "unicode" / "unicode.ttf");
    testing_support::WriteFile(game_.Path() / "g.qzf", "");
    platform::GameFiles().Invalidate();
    root_.SetGameFileName("g.qzf");
    root_.LoadGame();
    ASSERT_TRUE(root_.UnicodeMode());
    LoadBlockFonts();
    screen_ = NewScreen();
  }
};

TEST_F(UnicodeTextTest, GlyphAtlasMeasuresAndDrawsCodeUnits) {
  TQZText* t = NewText("A\x01\x16\x04" "B", 0, 0);
  EXPECT_EQ(t->MeasureText("AB"), 20.0);
  EXPECT_EQ(t->MeasureText("A\x01\x16\x04"), 30.0);
  EXPECT_EQ(t->MeasureText("A\x01\x16"), 10.0);  // a cut escape ends the measurement
  EXPECT_EQ(t->MeasureText("Z"), 0.0);           // no glyph
  Render();
  EXPECT_EQ(Rgb(5, 10), 0xFF0000u);
  EXPECT_EQ(Rgb(15, 10), 0x00FF00u);
  EXPECT_EQ(Rgb(25, 10), 0u);
  EXPECT_EQ(Rgb(35, 10), 0x0000FFu);
  EXPECT_EQ(Rgb(45, 10), 0u);
  // The glyphs follow the font's line height: scale 2 doubles them.
  t->SetScale(2);
  Render();
  EXPECT_EQ(Rgb(39, 39), 0x00FF00u);
  EXPECT_EQ(Rgb(50, 39), 0u);
  EXPECT_EQ(Rgb(60, 39), 0x0000FFu);
}

TEST_F(UnicodeTextTest, WrappingBreaksLongWordsBetweenCharacters) {
  TQZText* t = NewText("AAAA", 0, 0);
  t->SizeX = 25;
  t->SetLayoutFlag(t->EnEnter, true);
  t->SetLayoutFlag(t->AutoEnter, true);
  EXPECT_EQ(t->LaidOutText(), std::string("AA\0AA", 5));
  Render();
  EXPECT_EQ(Extent(), (std::array<int, 4>{0, 0, 19, 39}));
}

TEST_F(UnicodeTextTest, UniTextIsOneTrueTypePictureRenderedAgainOnlyWhenTheTextChanges) {
  TQZText* t = NewText("Hi \x01\x16\x04", 300, 200);
  t->Uni = true;
  ASSERT_TRUE(t->DrawnAsPicture());
  Value v;
  t->GetValue("TEXTSZ", v);
  EXPECT_EQ(v.d, 0.0);  // no picture yet
  Render();
  EXPECT_EQ(t->PictureRenders(), 1);
  ASSERT_GT(t->PictureWidth(), 0);
  ASSERT_GT(t->PictureHeight(), 0);
  // Scaled to 1.5 line heights and centred on the box's top-left corner.
  const double k = 20.0 / t->PictureHeight() * 1.5;
  t->GetValue("TEXTSZ", v);
  EXPECT_DOUBLE_EQ(v.d, t->PictureWidth() * k);
  const auto box = Extent();
  ASSERT_GE(box[0], 0);
  EXPECT_NEAR((box[0] + box[2]) / 2.0, 300, t->PictureWidth() * k / 2 * 0.25);
  EXPECT_LE(box[3] - box[1], 30);
  EXPECT_GE(box[0], 300 - t->PictureWidth() * k / 2 - 1);
  EXPECT_LE(box[2], 300 + t->PictureWidth() * k / 2 + 1);
  Render();
  t->SetScale(2);
  Render();
  EXPECT_EQ(t->PictureRenders(), 1);
  t->SetText("Hi");
  Render();
  EXPECT_EQ(t->PictureRenders(), 2);
  // Right and bottom anchors move the picture's centre to the box's corner.
  t->PosHor = TQZPosHor::phRight;
  t->PosVert = TQZPosVert::pvBottom;
  t->SetScale(1);
  Render();
  const auto moved = Extent();
  EXPECT_NEAR((moved[0] + moved[2]) / 2.0, 400, 10);
  EXPECT_NEAR((moved[1] + moved[3]) / 2.0, 300, 6);
  // Code-page letters become their characters; an empty text has no picture.
  t->SetText("\xC0\xC1");
  Render();
  EXPECT_GT(t->PictureWidth(), 0);
  t->SetText("");
  Render();
  EXPECT_EQ(Extent()[0], -1);
}

TEST_F(UnicodeTextTest, TheTextReceivingInputIsDrawnAsAPicture) {
  TQZText* t = NewText("ok", 100, 100);
  EXPECT_FALSE(t->DrawnAsPicture());
  root_.SetFocusedText(t);
  EXPECT_TRUE(t->DrawnAsPicture());
  root_.CharInput(0x416);
  EXPECT_EQ(t->Text(), "ok\x01\x16\x04");
  Render();
  EXPECT_EQ(t->PictureRenders(), 1);
  root_.SetFocusedText(nullptr);
  Render();
  EXPECT_EQ(Rgb(105, 110), 0x00FF00u);  // back to the atlas: o and k have no glyph
}

}  // namespace
}  // namespace visual_test
}  // namespace scene
