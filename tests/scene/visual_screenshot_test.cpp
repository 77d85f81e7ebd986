// One scene with every visual element, drawn into a frame and written as a
// PNG file (to $QZ_VISUAL_SCREENSHOT when set, for a person to look at).

#include <cmath>
#include <cstdlib>

#include "render/font_archive.h"
#include "render/png_writer.h"
#include "render/ttf_font_builder.h"
#include "scene/ex_screen.h"
#include "scene/im_list.h"
#include "scene/image_element.h"
#include "scene/shape_element.h"
#include "scene/text_element.h"
#include "tests/scene/visual_fixture.h"

namespace scene {
namespace visual_test {
namespace {

uint32_t Mix(uint32_t a, uint32_t b, double t) {
  auto ch = [&](int shift) {
    const double v = ((a >> shift) & 0xFF) * (1 - t) + ((b >> shift) & 0xFF) * t;
    return static_cast<uint32_t>(std::lround(v)) << shift;
  };
  return ch(24) | ch(16) | ch(8) | ch(0);
}

// A shaded disc with soft edges.
uint32_t Ball(int x, int y, int size, uint32_t colour) {
  const double r = size / 2.0;
  const double dx = x + 0.5 - r, dy = y + 0.5 - r;
  const double d = std::sqrt(dx * dx + dy * dy);
  if (d > r) return 0;
  const double edge = std::min(1.0, r - d);
  const double light = std::max(0.0, 1 - std::hypot(dx + r / 3, dy + r / 3) / (1.4 * r));
  const uint32_t lit = Mix(colour, 0xFFFFFFFFu, light * 0.8);
  return (static_cast<uint32_t>(edge * 255) << 24) | (lit & 0xFFFFFF);
}

class ScreenshotTest : public VisualTest {};

TEST_F(ScreenshotTest, OneOfEachElement) {
  // An opaque background drawn 1:1, so a pixel nothing covers is this one.
  const auto background = [](int x, int y) {
    const uint32_t base = Mix(0xFF10183Au, 0xFF1E6E78u, y / 767.0);
    return (((x / 64) + (y / 64)) & 1) ? base + 0x00080808u : base;
  };
  Png("bg.png", 1024, 768, background);
  Png("ball.png", 64, 64, [](int x, int y) { return Ball(x, y, 64, 0xFFD03020u); });
  Png("gem.png", 48, 48, [](int x, int y) { return Ball(x, y, 48, 0xFF30B050u); });
  Png("card.png", 120, 80, [](int x, int y) {
    if (x < 3 || y < 3 || x > 116 || y > 76) return 0xFF202020u;
    return ((x / 12) & 1) ? 0xFFF0D060u : 0xFFE09030u;
  });
  Png("panel.png", 300, 200, [](int x, int y) {
    return (x < 4 || y < 4 || x > 295 || y > 195) ? 0xFFFFFFFFu : 0xE0302050u;
  });
  std::string record, error;
  render::TtfFontOptions options;
  options.ttfPath = kDejaVu;
  options.pixelSize = 24;
  ASSERT_TRUE(render::BuildFontRecordFromTtf(options, record, error)) << error;
  render::FontArchiveWriter writer;
  writer.AddRecord("Sans24", render::kFontRecordKind,
                   {reinterpret_cast<const uint8_t*>(record.data()), record.size()});
  testing_support::WriteFile(game_.Path() / "fonts.dat", writer.Build());
  root_.SetFileFonts("fonts.dat");

  TQZScreen* screen = NewScreen(1);
  screen->SetImBack("bg.png");
  // Images: a ball, and a card turned by 20 degrees, tinted.
  auto* ball = Add<TQZImage>(screen, "TQZImage", "Ball");
  ball->SetImImage("ball.png");
  ball->PosHor = TQZPosHor::phCenter;
  ball->PosVert = TQZPosVert::pvCenter;
  ball->SetPos(150, 150);
  ball->SetScale(2);
  auto* card = Add<TQZImage>(screen, "TQZImage", "Card");
  card->SetImImage("card.png");
  card->PosHor = TQZPosHor::phCenter;
  card->PosVert = TQZPosVert::pvCenter;
  card->SetPos(380, 150);
  card->SetAngle(20);
  // A half-transparent cropped panel holding a gem that sticks out.
  auto* box = Add<TQZShape>(screen, "TQZShape", "Box");
  box->SetPos(40, 520);
  box->SizeX = 400;
  box->SizeY = 200;
  box->Colour = 0x64FFFFFF;
  box->Crop = true;
  auto* gem = Add<TQZImage>(box, "TQZImage", "Gem");
  gem->SetImImage("gem.png");
  gem->SetPos(370, 170);
  gem->SetScale(1.5);
  // A pie: from 3 o'clock counter-clockwise to 12 o'clock, three quarters open.
  auto* pie = Add<TQZShape>(screen, "TQZShape", "Pie");
  pie->ShapeType = TQZShapeType::stCircle;
  pie->SetPos(640, 60);
  pie->SizeX = pie->SizeY = 160;
  pie->Par1 = 0;
  pie->Par2 = 90;
  pie->Par3 = 1;
  pie->Colour = 0xFFFF9020;
  // Texts: a centred title with a shadow, and a wrapped paragraph.
  auto* title = Add<TQZText>(screen, "TQZText", "Title");
  title->SetFont("Sans24");
  title->SetPos(0, 300);
  title->SizeX = 1024;
  title->SizeY = 40;
  title->PosHor = TQZPosHor::phCenter;
  title->Colour1 = 0xFFFFFFFF;
  title->Colour2 = 0xFFFFD080;
  title->Shadow = true;
  title->hxShadColor = 0xFF000000;
  title->SetText("Qazmir: images, shapes, texts, lists, embedded screens");
  auto* para = Add<TQZText>(box, "TQZText", "Para");
  para->SetFont("Sans24");
  para->SetPos(12, 10);
  para->SizeX = 330;
  para->SizeY = 180;
  para->Colour2 = 0xFFC0C0FF;
  para->Interval = 2;
  para->SetLayoutFlag(para->EnEnter, true);
  para->SetLayoutFlag(para->AutoEnter, true);
  para->SetText("This paragraph wraps inside its box.\\nThe panel clips the gem.");
  // An inventory list with three entries, the second hovered and grown.
  auto* list = Add<TQZImList>(screen, "TQZImList", "Inv");
  list->SetPos(470, 620);
  list->SetColCount(5);
  list->SetRowCount(1);
  list->SetSpace(10);
  list->SetSizeX(520);
  list->SetSizeY(96);
  list->Scale = 1.3;
  list->AddEntry(ball);
  list->AddEntry(gem);
  list->AddEntry(card);
  auto* frameShape = Add<TQZShape>(screen, "TQZShape", "ListFrame");
  frameShape->SetPos(470, 620);
  frameShape->SizeX = 520;
  frameShape->SizeY = 96;
  frameShape->Colour = 0x40FFFFFF;
  screen->MoveChildToEnd(list);
  ASSERT_EQ(list->HitTest(0, 470 + 110 + 50, 660, 0, 0), list);
  for (int i = 0; i < 10; ++i) list->DoProcess();
  // An embedded panel screen with its own text, centred at (850, 420).
  auto* panel = dynamic_cast<TQZScreen*>(root_.CreateChild("TQZScreen"));
  panel->SetKey(2);
  panel->SetImBack("panel.png");
  auto* label = Add<TQZText>(panel, "TQZText", "Label");
  label->SetFont("Sans24");
  label->SetPos(0, 0);
  label->SizeX = 300;
  label->SizeY = 200;
  label->PosHor = TQZPosHor::phCenter;
  label->PosVert = TQZPosVert::pvCenter;
  label->Colour2 = 0xFFFFFFFF;
  label->SetText("Embedded screen");
  auto* ex = Add<TQZExScreen>(screen, "TQZExScreen", "Panel");
  ex->PosHor = TQZPosHor::phCenter;
  ex->PosVert = TQZPosVert::pvCenter;
  ex->SetPos(850, 420);
  ex->SetObScreen(2);

  Render();
  const char* out = std::getenv("QZ_VISUAL_SCREENSHOT");
  const std::filesystem::path path = out ? std::filesystem::path(out) : game_.Path() / "scene.png";
  ASSERT_TRUE(render::WritePng(path.string(), frame_));

  // A few facts a person would see.
  EXPECT_GT((Rgb(150, 150) >> 16) & 0xFF, 0xC0u);               // the red ball
  EXPECT_EQ(Rgb(760, 100), background(760, 100) & 0xFFFFFFu);  // the open quarter shows the background
  EXPECT_GT((Rgb(680, 180) >> 8) & 0xFF, 0x70u);                 // the pie
  EXPECT_EQ(Rgb(702, 420), 0xFFFFFFu);                           // the panel's white border
  EXPECT_EQ(Rgb(850, 322), 0xFFFFFFu);
  EXPECT_EQ(Rgb(850, 326), 0x302050u);
  EXPECT_GT(Count(0, 300, 1024, 340, 0xFFFFFF) + Count(0, 300, 1024, 340, 0xFFD080), 50);
  EXPECT_NE(Rgb(440, 600), Rgb(439, 600));                       // the panel's crop edge
}

}  // namespace
}  // namespace visual_test
}  // namespace scene
