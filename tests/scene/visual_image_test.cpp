// Image elements drawn into a real frame from PNG files: anchors, opacity,
// rotation, axis scales, patterns, the pixel-exact path, the guard band,
// load on draw, and the pixel hit test with and without a hit margin.

#include "scene/image_element.h"
#include "scene/shape_element.h"
#include "tests/scene/visual_fixture.h"

namespace scene {
namespace visual_test {
namespace {

class ImageTest : public VisualTest {
 protected:
  TQZImage* NewImage(const std::string& file, double x, double y, const char* id = "Img") {
    if (!screen_) screen_ = NewScreen();
    auto* img = Add<TQZImage>(screen_, "TQZImage", id);
    img->SetImImage(file);
    img->rX = x;
    img->rY = y;
    return img;
  }
  TQZScreen* screen_ = nullptr;
};

TEST_F(ImageTest, ScaleAngleAndColourProperties) {
  TQZImage* img = NewImage("none.png", 0, 0);
  script::Value v;
  img->SetValue("SCALE", script::Value::Real(1.0004));
  img->GetValue("SCALE", v);
  EXPECT_EQ(v.d, 1.0);
  img->SetValue("ANGLE", script::Value::Real(45.0006));
  img->GetValue("ANGLE", v);
  EXPECT_DOUBLE_EQ(v.d, 45.001);
  img->SetValue("HXCOLOR", script::Value::Integer(0x123456));
  img->SetValue("HXTRANS", script::Value::Integer(128));
  EXPECT_EQ(img->Colour, 0x80123456u);
  img->SetValue("HXCOLOR", script::Value::Integer(0xABCDEF));
  EXPECT_EQ(img->Colour, 0x80ABCDEFu);
}

TEST_F(ImageTest, CentredImageCoversItsWidthAroundRXAndPlacesChildrenAtItsCorner) {
  SolidPng("w50.png", 50, 20, kRed);
  TQZImage* img = NewImage("w50.png", 100, 10);
  img->PosHor = TQZPosHor::phCenter;
  auto* child = Add<TQZShape>(img, "TQZShape");
  child->SizeX = child->SizeY = 4;
  child->Colour = kGreen;
  EXPECT_EQ(img->GetSizeX(), 50);
  EXPECT_EQ(img->GetAbsX(), 75);
  EXPECT_EQ(child->GetAbsX(), 75);
  Render();
  EXPECT_EQ(Rgb(74, 15), 0u);
  EXPECT_EQ(Rgb(75, 15), 0xFF0000u);
  EXPECT_EQ(Rgb(124, 15), 0xFF0000u);
  EXPECT_EQ(Rgb(125, 15), 0u);
  EXPECT_EQ(Rgb(75, 10), 0x00FF00u);  // the child at the picture's corner
  EXPECT_EQ(Rgb(74, 10), 0u);
  EXPECT_EQ(HitAt(76, 11), child);
  // Right and bottom anchors.
  img->PosHor = TQZPosHor::phRight;
  img->PosVert = TQZPosVert::pvBottom;
  Render();
  EXPECT_EQ(Extent(), (std::array<int, 4>{50, 0, 99, 9}));  // rows -10..9, clipped
}

TEST_F(ImageTest, OpacityFiveIsNotDrawnSixIsAndTransparentImagesStillHit) {
  SolidPng("sq.png", 10, 10, kRed);
  TQZImage* img = NewImage("sq.png", 20, 20);
  auto* child = Add<TQZShape>(img, "TQZShape");
  child->rX = 12;
  child->SizeX = child->SizeY = 3;
  img->Colour = 0x05FFFFFF;
  Render();
  EXPECT_EQ(Rgb(25, 25), 0u);
  EXPECT_EQ(Rgb(33, 21), 0xFFFFFFu);  // its children are drawn
  img->Colour = 0x06FFFFFF;
  Render();
  EXPECT_NE(Rgb(25, 25), 0u);
  img->Colour = 0x00FFFFFF;
  EXPECT_EQ(HitAt(25, 25), img);
  EXPECT_EQ(HitAt(31, 25), nullptr);
  // Not hit outside the layer or when it does not take part.
  img->MousedVis = false;
  EXPECT_EQ(HitAt(25, 25), nullptr);
}

TEST_F(ImageTest, RotatedImageIsHitWhereItsPixelsAreDrawn) {
  // 40 x 10: the left half opaque red, the right half transparent.
  Png("half.png", 40, 10, [](int x, int) { return x < 20 ? kRed : kClear; });
  TQZImage* img = NewImage("half.png", 200, 200);
  img->PosHor = TQZPosHor::phCenter;
  img->PosVert = TQZPosVert::pvCenter;
  img->SetAngle(90);  // clockwise: the left half turns upwards
  Render();
  EXPECT_EQ(Rgb(200, 185), 0xFF0000u);
  EXPECT_EQ(Rgb(200, 215), 0u);
  EXPECT_EQ(Rgb(185, 200), 0u);
  EXPECT_EQ(HitAt(200, 185), img);
  EXPECT_EQ(HitAt(200, 215), nullptr);
  EXPECT_EQ(HitAt(185, 200), nullptr);
  // Every drawn pixel of a sample grid is hit and every hit pixel is drawn.
  int mismatches = 0;
  for (int y = 170; y <= 230; y += 3)
    for (int x = 185; x <= 215; x += 3)
      mismatches += (Rgb(x, y) == 0xFF0000u) != (HitAt(x, y) == img);
  EXPECT_LE(mismatches, 2);  // edge pixels may round either way
}

TEST_F(ImageTest, AxisScaleStretchesTheDrawingButNotTheHitTest) {
  SolidPng("bar.png", 20, 10, kRed);
  TQZImage* img = NewImage("bar.png", 300, 300);
  img->ScaleX = 2;
  EXPECT_EQ(img->GetSizeX(), 40);
  Render();
  EXPECT_EQ(Rgb(300, 305), 0xFF0000u);
  EXPECT_EQ(Rgb(339, 305), 0xFF0000u);
  EXPECT_EQ(Rgb(340, 305), 0u);
  EXPECT_EQ(HitAt(315, 305), img);
  EXPECT_EQ(HitAt(330, 305), nullptr);
  // Scale changes both.
  img->ScaleX = 1;
  img->SetScale(2);
  EXPECT_EQ(HitAt(330, 305), img);
  img->SetScale(0);
  EXPECT_EQ(HitAt(300, 300), nullptr);
}

TEST_F(ImageTest, AnimDrawsItsPatternAndIsHitTestedAgainstPatternZero) {
  // 2 x 2 patterns of 40 x 20: pattern 0 opaque only in its left half,
  // pattern 3 opaque white everywhere.
  Png("frames.png", 80, 40, [](int x, int y) {
    const int pattern = (x / 40) + 2 * (y / 20);
    if (pattern == 0) return x < 20 ? kRed : kClear;
    return pattern == 3 ? kWhite : kBlue;
  });
  Sheet("frames.an", 2, 2);
  TQZImage* img = NewImage("frames.png", 0, 0);
  img->Anim = 3;
  EXPECT_EQ(img->GetSizeX(), 40);
  Render();
  EXPECT_EQ(Count(0, 0, 40, 20, 0xFFFFFF), 800);
  EXPECT_EQ(Count(40, 0, 100, 40, 0xFFFFFF), 0);
  EXPECT_EQ(HitAt(10, 10), img);
  EXPECT_EQ(HitAt(30, 10), nullptr);
  // A pattern beyond the count draws nothing.
  img->Anim = 4;
  Render();
  EXPECT_EQ(Extent()[0], -1);
}

TEST_F(ImageTest, PixelExactPathDrawsAtWholePixelsWithoutSmoothing) {
  Png("pair.png", 2, 1, [](int x, int) { return x == 0 ? kRed : kGreen; });
  TQZImage* img = NewImage("pair.png", 10.4, 5.6);
  Render();
  EXPECT_EQ(Rgb(10, 6), 0xFF0000u);
  EXPECT_EQ(Rgb(11, 6), 0x00FF00u);
  EXPECT_EQ(Count(0, 0, 40, 40, 0), 40 * 40 - 2);
  // Only the opaque box is drawn: a tint applies to it.
  img->Colour = 0xFF00FFFF;
  Render();
  EXPECT_EQ(Rgb(10, 6), 0u);
  EXPECT_EQ(Rgb(11, 6), 0x00FF00u);
}

TEST_F(ImageTest, MissingImageHasNoSizeDrawsNothingButItsChildrenDrawAndHit) {
  TQZImage* img = NewImage("missing.png", 50, 50);
  auto* child = Add<TQZShape>(img, "TQZShape");
  child->SizeX = child->SizeY = 5;
  Render();
  ASSERT_NE(img->Picture(), nullptr);
  EXPECT_TRUE(img->Picture()->Failed());
  EXPECT_EQ(img->GetSizeX(), 0);
  EXPECT_EQ(Extent(), (std::array<int, 4>{50, 50, 54, 54}));
  EXPECT_EQ(HitAt(52, 52), child);
  EXPECT_EQ(HitAt(60, 60), nullptr);
  EXPECT_EQ(img->GetImImage(), "MISSING.PNG");
}

TEST_F(ImageTest, AnImageNotLoadedBySwitchLoadsWhenDrawnAndTheSwitchIsRestored) {
  SolidPng("late.png", 8, 8, kBlue);
  cache_.SetLoadNow(false);
  TQZImage* img = NewImage("late.png", 0, 0);
  EXPECT_FALSE(img->PictureLoaded());
  EXPECT_EQ(img->GetSizeX(), 0);
  Render();
  EXPECT_TRUE(img->PictureLoaded());
  EXPECT_FALSE(cache_.LoadNow());
  EXPECT_EQ(Rgb(7, 7), 0x0000FFu);
}

TEST_F(ImageTest, GuardBandKeepsHugeImagesCorrectOnScreen) {
  // 100 x 10, red left half, green right half, stretched 40 times:
  // drawn from -1500 to 2500, the colour change at 500.
  Png("wide.png", 100, 10, [](int x, int) { return x < 50 ? kRed : kGreen; });
  TQZImage* img = NewImage("wide.png", -1500, 100);
  img->ScaleX = 40;
  Render();
  EXPECT_EQ(Rgb(0, 105), 0xFF0000u);
  // Column c is drawn centred at -1500 + 40 c + 20.
  EXPECT_EQ(Rgb(460, 105), 0xFF0000u);
  EXPECT_EQ(Rgb(540, 105), 0x00FF00u);
  EXPECT_EQ(Rgb(-1500 + 40 * 37 + 20, 105), 0xFF0000u);
  EXPECT_EQ(Rgb(1023, 105), 0x00FF00u);
  EXPECT_EQ(Rgb(500, 111), 0u);
  // Entirely beyond the band: nothing drawn, and no whole-pattern fallback.
  img->rX = 30000;
  Render();
  EXPECT_EQ(Extent()[0], -1);
  img->rX = -30000;
  img->ScaleX = 1;
  img->SetScale(5);
  Render();
  EXPECT_EQ(Extent()[0], -1);
  // Same with a rotation.
  img->SetAngle(30);
  Render();
  EXPECT_EQ(Extent()[0], -1);
}

// A hit margin (the screen's Agro) pads the tested rectangle; the picture
// keeps its margin-free place inside it and points of the padding take the
// opacity of the nearest picture pixel.
TEST_F(ImageTest, HitMarginFollowsTheNearestPicturePixel) {
  SolidPng("sq.png", 10, 10, kRed);
  // Only the centre 4 x 4 of this one is opaque.
  Png("dot.png", 10, 10, [](int x, int y) { return (x >= 3 && x < 7 && y >= 3 && y < 7) ? kRed : kClear; });
  screen_ = NewScreen();
  screen_->Agro = 3;

  TQZImage* left = NewImage("sq.png", 100, 100, "Left");  // picture 100..109
  EXPECT_EQ(HitAt(105, 105), left);
  EXPECT_EQ(HitAt(112, 105), left);  // padding lies right and below for a left anchor
  EXPECT_EQ(HitAt(115, 115), left);
  EXPECT_EQ(HitAt(116, 105), nullptr);
  EXPECT_EQ(HitAt(98, 105), nullptr);
  left->Vis = false;
  left->MousedNotVis = false;

  TQZImage* centre = NewImage("sq.png", 300, 300, "Centre");  // picture 295..304
  centre->PosHor = TQZPosHor::phCenter;
  centre->PosVert = TQZPosVert::pvCenter;
  EXPECT_EQ(HitAt(293, 300), centre);
  EXPECT_EQ(HitAt(292, 300), centre);
  EXPECT_EQ(HitAt(291, 300), nullptr);
  EXPECT_EQ(HitAt(307, 307), centre);
  EXPECT_EQ(HitAt(308, 300), nullptr);

  TQZImage* right = NewImage("sq.png", 500, 500, "Right");  // picture 490..499
  right->PosHor = TQZPosHor::phRight;
  EXPECT_EQ(HitAt(495, 505), right);
  EXPECT_EQ(HitAt(485, 505), right);  // padding lies left for a right anchor
  EXPECT_EQ(HitAt(483, 505), nullptr);
  EXPECT_EQ(HitAt(500, 505), nullptr);

  // Transparent edges do not reach across the margin.
  TQZImage* dot = NewImage("dot.png", 700, 100, "Dot");
  EXPECT_EQ(HitAt(704, 104), dot);
  EXPECT_EQ(HitAt(711, 104), nullptr);
  EXPECT_EQ(HitAt(700, 100), nullptr);

  // Without a margin the test is the plain picture.
  screen_->Agro = 0;
  EXPECT_EQ(HitAt(293, 300), nullptr);
  EXPECT_EQ(HitAt(295, 300), centre);
  EXPECT_EQ(HitAt(112, 105), nullptr);
}

TEST_F(ImageTest, OpacityThresholdComesFromTheCaller) {
  Png("soft.png", 4, 4, [](int, int) { return 0x80FF0000u; });
  TQZImage* img = NewImage("soft.png", 0, 0);
  EXPECT_EQ(img->HitTest(0, 1, 1, 0, 0), img);
  EXPECT_EQ(img->HitTest(0, 1, 1, 0, 127), img);
  EXPECT_EQ(img->HitTest(0, 1, 1, 0, 128), nullptr);
  EXPECT_EQ(img->HitTest(1, 1, 1, 0, 0), nullptr);  // another layer
}

}  // namespace
}  // namespace visual_test
}  // namespace scene
