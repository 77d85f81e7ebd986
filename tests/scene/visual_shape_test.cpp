// Shape elements drawn into a real frame: boxes, opacity, the inclusive box
// hit test, cropping (nested, restored, disjoint) and circle pie masks.

#include <cmath>

#include "scene/circle_mask.h"
#include "scene/image_element.h"
#include "scene/shape_element.h"
#include "tests/scene/visual_fixture.h"

namespace scene {
namespace visual_test {
namespace {

class ShapeTest : public VisualTest {
 protected:
  TQZShape* NewShape(TQZElement* parent, double x, double y, int w, int h, uint32_t colour,
                     const char* id = "Shape") {
    auto* s = Add<TQZShape>(parent, "TQZShape", id);
    s->rX = x;
    s->rY = y;
    s->SizeX = w;
    s->SizeY = h;
    s->Colour = colour;
    return s;
  }
  TQZScreen* screen_ = NewScreen();
};

TEST_F(ShapeTest, NewShapeIsAnOpaqueWhiteHundredPixelBox) {
  auto* s = Add<TQZShape>(screen_, "TQZShape");
  Render();
  EXPECT_EQ(Count(0, 0, 100, 100, 0xFFFFFF), 100 * 100);
  EXPECT_EQ(Extent(), (std::array<int, 4>{0, 0, 99, 99}));
  s->rX = 10.5;  // rounded half to even
  Render();
  EXPECT_EQ(Extent(), (std::array<int, 4>{10, 0, 109, 99}));
}

TEST_F(ShapeTest, OpacityFiveIsNotDrawnSixIsAndTheWholeBoxIsHitEdgesIncluded) {
  auto* s = NewShape(screen_, 20, 30, 40, 50, 0x05FF0000);
  Render();
  EXPECT_EQ(Extent()[0], -1);
  s->Colour = 0x06FF0000;
  Render();
  EXPECT_EQ(Extent(), (std::array<int, 4>{20, 30, 59, 79}));
  s->Colour = 0;  // an invisible click area
  EXPECT_EQ(HitAt(20, 30), s);
  EXPECT_EQ(HitAt(60, 80), s);
  EXPECT_EQ(HitAt(61, 80), nullptr);
  EXPECT_EQ(HitAt(60, 81), nullptr);
  EXPECT_EQ(HitAt(19, 30), nullptr);
  s->Vis = false;
  EXPECT_EQ(HitAt(30, 40), nullptr);
  s->MousedNotVis = true;
  EXPECT_EQ(HitAt(30, 40), s);
}

TEST_F(ShapeTest, CropClipsChildrenWhenDrawnAndHitTested) {
  auto* box = NewShape(screen_, 100, 100, 50, 50, 0, "Box");
  auto* child = NewShape(box, 30, 30, 50, 50, kGreen, "Child");
  Render();
  EXPECT_EQ(Rgb(170, 170), 0x00FF00u);
  EXPECT_EQ(HitAt(170, 170), child);
  box->Crop = true;
  Render();
  EXPECT_EQ(Rgb(149, 149), 0x00FF00u);
  EXPECT_EQ(Rgb(150, 150), 0u);
  EXPECT_EQ(Count(130, 130, 200, 200, 0x00FF00), 20 * 20);
  EXPECT_EQ(HitAt(140, 140), child);
  EXPECT_EQ(HitAt(150, 150), child);  // the box edge still counts
  EXPECT_EQ(HitAt(160, 160), nullptr);
  EXPECT_EQ(canvas_.GetClipRect(), (render::ClipRect{0, 0, 1024, 768}));
}

TEST_F(ShapeTest, NestedCropsClipToTheIntersectionAndRestoreTheOuterClip) {
  auto* outer = NewShape(screen_, 0, 0, 100, 100, 0, "Outer");
  outer->Crop = true;
  auto* inner = NewShape(outer, 50, 50, 100, 100, 0, "Inner");
  inner->Crop = true;
  NewShape(inner, -50, -50, 300, 300, kGreen, "Big");
  auto* after = NewShape(outer, 60, 0, 10, 10, kBlue, "After");  // inside outer, outside inner
  NewShape(screen_, 200, 0, 10, 10, kRed, "Sibling");
  Render();
  EXPECT_EQ(Count(0, 0, 1024, 768, 0x00FF00), 50 * 50);
  EXPECT_EQ(Rgb(50, 50), 0x00FF00u);
  EXPECT_EQ(Rgb(99, 99), 0x00FF00u);
  EXPECT_EQ(Count(60, 0, 70, 10, 0x0000FF), 100);
  EXPECT_EQ(Count(200, 0, 210, 10, 0xFF0000), 100);
  (void)after;
}

// A cropped box lying outside the clip of its cropped parent leaves nothing
// to draw in (ordering the corners after intersecting would open the
// rectangle between the two boxes).
TEST_F(ShapeTest, DisjointNestedCropDrawsNothing) {
  auto* outer = NewShape(screen_, 0, 0, 100, 100, 0, "Outer");
  outer->Crop = true;
  auto* inner = NewShape(outer, 200, 200, 50, 50, 0, "Inner");
  inner->Crop = true;
  NewShape(inner, -150, -150, 400, 400, kGreen, "Fill");
  Render();
  EXPECT_EQ(Extent()[0], -1);
  // A box of negative size is ordered before clipping.
  auto* flipped = NewShape(screen_, 300, 300, -50, -50, 0, "Flipped");
  flipped->Crop = true;
  NewShape(flipped, -100, -100, 200, 200, kBlue, "Inside");
  Render();
  EXPECT_EQ(Extent(), (std::array<int, 4>{250, 250, 299, 299}));
}

TEST_F(ShapeTest, CircleSectorsFollowPar1AndPar2CounterClockwise) {
  auto* c = NewShape(screen_, 100, 100, 100, 100, kRed);
  c->ShapeType = TQZShapeType::stCircle;
  c->Par3 = 1;
  auto quadrants = [&] {
    Render();
    // top-left, top-right, bottom-left, bottom-right
    return std::array<bool, 4>{Rgb(130, 130) != 0, Rgb(170, 130) != 0, Rgb(130, 170) != 0,
                               Rgb(170, 170) != 0};
  };
  EXPECT_EQ(quadrants(), (std::array<bool, 4>{true, true, true, true}));  // 0 and 0: whole ellipse
  EXPECT_EQ(Rgb(101, 101), 0u);                                          // outside the ellipse
  EXPECT_EQ(Rgb(150, 150), 0xFF0000u);
  const int area = Count(100, 100, 200, 200, 0xFF0000);
  EXPECT_NEAR(area, 7854, 60);
  c->Par2 = 90;  // from 12 o'clock counter-clockwise round to 3 o'clock
  EXPECT_EQ(quadrants(), (std::array<bool, 4>{true, false, true, true}));
  c->Par1 = 90;
  c->Par2 = 0;  // from 3 o'clock counter-clockwise to 12 o'clock
  EXPECT_EQ(quadrants(), (std::array<bool, 4>{false, true, false, false}));
  c->Par1 = 180;
  c->Par2 = 0;  // the right half
  EXPECT_EQ(quadrants(), (std::array<bool, 4>{false, true, false, true}));
  // The whole box is hit, whatever the sector.
  EXPECT_EQ(HitAt(100, 100), c);
}

TEST_F(ShapeTest, CircleScaleTintAndEffect) {
  auto* under = NewShape(screen_, 0, 0, 400, 400, kBlue, "Under");
  auto* c = NewShape(screen_, 100, 100, 100, 60, 0xFFFFFF00, "Circle");
  c->ShapeType = TQZShapeType::stCircle;
  Render();  // Par3 0: drawn at scale 0
  EXPECT_EQ(Count(0, 0, 400, 400, 0x0000FF), 400 * 400);
  c->Par3 = 1;
  c->hxDrawFx = 1;  // not used by circles: the mask's black stays transparent
  Render();
  EXPECT_EQ(Rgb(150, 130), 0xFFFF00u);
  EXPECT_EQ(Rgb(100, 100), 0x0000FFu);
  EXPECT_EQ(Rgb(199, 130), 0xFFFF00u);  // the widest row reaches the box edge
  EXPECT_EQ(Rgb(195, 103), 0x0000FFu);
  EXPECT_EQ(Rgb(110, 130), 0xFFFF00u);
  const render::RenderImage* mask = c->MaskImage();
  ASSERT_NE(mask, nullptr);
  EXPECT_EQ(mask->PatternWidth(), 100);
  EXPECT_EQ(mask->PatternHeight(), 60);
  c->Par3 = 0.5;
  Render();
  EXPECT_EQ(Rgb(125, 115), 0xFFFF00u);
  EXPECT_EQ(Rgb(160, 115), 0x0000FFu);
  // Half opacity blends over what lies beneath.
  c->Colour = 0x80FF0000;
  Render();
  EXPECT_EQ(Rgb(125, 115), 0x80007Fu);
  // A size change makes a new mask.
  c->SizeX = 20;
  c->Par3 = 1;
  Render();
  EXPECT_EQ(c->MaskImage()->PatternWidth(), 20);
  EXPECT_EQ(Rgb(130, 130), 0x0000FFu);
  // Sizes that allow no mask draw nothing.
  c->SizeX = 0;
  Render();
  EXPECT_EQ(Count(0, 0, 400, 400, 0x0000FF), 400 * 400);
  (void)under;
}

TEST(PieMask, SizesAndLimits) {
  std::vector<uint32_t> px;
  EXPECT_FALSE(DrawPieMask(0, 10, 0, 0, px));
  EXPECT_FALSE(DrawPieMask(10, -1, 0, 0, px));
  EXPECT_FALSE(DrawPieMask(kMaxMaskSide + 1, 1, 0, 0, px));
  EXPECT_FALSE(DrawPieMask(8192, 8192, 0, 0, px));  // beyond the pixel budget
  EXPECT_TRUE(px.empty());
  ASSERT_TRUE(DrawPieMask(1, 1, 0, 0, px));
  EXPECT_EQ(px, std::vector<uint32_t>{0xFFFFFFFFu});
  ASSERT_TRUE(DrawPieMask(3, 3, std::nan(""), 0, px));
  EXPECT_EQ(std::count(px.begin(), px.end(), 0xFF000000u), 9);
}

TEST(PieMask, EllipseAndSectors) {
  std::vector<uint32_t> px;
  ASSERT_TRUE(DrawPieMask(200, 100, 0, 0, px));
  auto at = [&](int x, int y) { return px[static_cast<size_t>(y) * 200 + x] == 0xFFFFFFFFu; };
  EXPECT_TRUE(at(100, 50));
  EXPECT_TRUE(at(0, 50));
  EXPECT_TRUE(at(199, 50));
  EXPECT_TRUE(at(100, 0));
  EXPECT_FALSE(at(0, 0));
  EXPECT_FALSE(at(199, 99));
  const auto whole = std::count(px.begin(), px.end(), 0xFFFFFFFFu);
  EXPECT_NEAR(static_cast<double>(whole), 3.14159265 * 100 * 50, 150);
  // 0 to 180 counter-clockwise: up, left, down: the left half.
  ASSERT_TRUE(DrawPieMask(200, 100, 0, 180, px));
  EXPECT_TRUE(at(50, 50));
  EXPECT_FALSE(at(150, 50));
  // 270 to 90: left, down, right: the lower half.
  ASSERT_TRUE(DrawPieMask(200, 100, 270, 90, px));
  EXPECT_TRUE(at(100, 75));
  EXPECT_FALSE(at(100, 25));
  // Edges a full turn apart are the same edge: the whole ellipse.
  ASSERT_TRUE(DrawPieMask(200, 100, 45, 405, px));
  EXPECT_EQ(std::count(px.begin(), px.end(), 0xFFFFFFFFu), whole);
}

}  // namespace
}  // namespace visual_test
}  // namespace scene
