// Star sprites: the table's slots, life and drawing, and the AddStar and
// ImStarsR natives with their defaults, failures and exhaustion.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "element_fixture.h"
#include "scene/image_element.h"
#include "scene/screen.h"
#include "scene/stars.h"

namespace scriptlib_test {
namespace {

using scene::StarSpec;
using scene::StarTable;

StarSpec Star(double x, double scale, double grow = 0) {
  StarSpec s;
  s.x = x;
  s.scale = scale;
  s.grow = grow;
  s.colour = 0x123456;
  return s;
}

// Slots are taken from index 0 upward; a slot freed below others is the
// next one taken; a full table has no free slot.
TEST(StarTableSlots, FirstFreeFillAndExhaust) {
  StarTable t;
  for (int i = 0; i < 3; ++i) t.Place(t.FirstFree(), Star(i, 1));
  EXPECT_EQ(t.ActiveCount(), 3);
  EXPECT_EQ(t.FirstFree(), 3);
  // The middle one ends at the next update.
  t.Place(1, Star(1, 1, -1));
  t.Update();
  EXPECT_EQ(t.ActiveCount(), 2);
  EXPECT_EQ(t.FirstFree(), 1);
  t.Place(t.FirstFree(), Star(9, 1));
  EXPECT_EQ(t.Slot(1).StarX, 9.0);
  EXPECT_EQ(t.FirstFree(), 3);
  while (t.FirstFree() >= 0) t.Place(t.FirstFree(), Star(0, 1));
  EXPECT_EQ(t.ActiveCount(), StarTable::kSlots);
  EXPECT_TRUE(t.Slot(StarTable::kSlots - 1).StarActive);
  t.Clear();
  EXPECT_EQ(t.ActiveCount(), 0);
  EXPECT_EQ(t.FirstFree(), 0);
  EXPECT_FALSE(t.Slot(StarTable::kSlots - 1).StarActive);
}

// Each step adds spin, dx, dy and grow; the star ends unless its scale is
// still above 0 (a scale of 0 at the start ends at the first update, and so
// does one that is not a number).
TEST(StarTableSlots, UpdateMovesAndEndsStars) {
  StarTable t;
  StarSpec s = Star(10, 0.5, 0.25);
  s.y = 20;
  s.angle = 30;
  s.spin = 5;
  s.dx = 1.5;
  s.dy = -2;
  t.Place(0, s);
  t.Place(1, Star(0, 0));
  t.Place(2, Star(0, -1, 5));
  t.Place(3, Star(0, std::numeric_limits<double>::quiet_NaN()));
  t.Place(4, Star(0, 0.5, -0.5));
  t.Update();
  const scene::TStar& a = t.Slot(0);
  EXPECT_TRUE(a.StarActive);
  EXPECT_EQ(a.StarAngle, 35.0);
  EXPECT_EQ(a.StarX, 11.5);
  EXPECT_EQ(a.StarY, 18.0);
  EXPECT_EQ(a.StarScale, 0.75);
  EXPECT_FALSE(t.Slot(1).StarActive);
  EXPECT_TRUE(t.Slot(2).StarActive);  // -1 + 5 is above 0 again
  EXPECT_FALSE(t.Slot(3).StarActive);
  EXPECT_FALSE(t.Slot(4).StarActive);  // exactly 0
  EXPECT_EQ(t.ActiveCount(), 2);
}

class StarNatives : public ElementGame {
 protected:
  void SetUp() override {
    ElementGame::SetUp();
    hall_ = Add<scene::TQZScreen>(&root_, "TQZScreen", "Hall", 10);
    door_ = Add<scene::TQZImage>(hall_, "TQZImage", "Door", 11);
  }
  const StarTable& Stars() { return root_.Stars(); }
  scene::TQZScreen* hall_ = nullptr;
  scene::TQZImage* door_ = nullptr;
};

// Eight arguments: pattern 0, layer 1000, effect 260 and a random colour
// below 0xFFFFFF; the optional ones as given, the colour read as StrToInt
// reads it.
TEST_F(StarNatives, AddStarDefaultsAndOptionalArguments) {
  ASSERT_EQ(Run("R := AddStar(45, 100.5, 200, 1.5, 2, -0.1, 3, 4)"), "");
  EXPECT_EQ(Var("R"), "Byte:0");
  ASSERT_EQ(Stars().ActiveCount(), 1);
  const scene::TStar& s = Stars().Slot(0);
  EXPECT_EQ(s.StarPattern, 0);
  EXPECT_EQ(s.StarLayer, 1000);
  EXPECT_EQ(s.StarEffect, 260);
  EXPECT_LT(s.StarColour, 0xFFFFFFu);
  EXPECT_EQ(s.StarAngle, 45.0);
  EXPECT_EQ(s.StarX, 100.5);
  EXPECT_EQ(s.StarY, 200.0);
  EXPECT_EQ(s.StarScale, 1.5);
  EXPECT_EQ(s.StarSpin, 2.0);
  EXPECT_EQ(s.StarGrow, -0.1);
  EXPECT_EQ(s.StarDX, 3.0);
  EXPECT_EQ(s.StarDY, 4.0);
  // Random colours differ from star to star.
  ASSERT_EQ(Run("AddStar(0, 0, 0, 1, 0, 0, 0, 0); AddStar(0, 0, 0, 1, 0, 0, 0, 0)"), "");
  EXPECT_FALSE(Stars().Slot(1).StarColour == s.StarColour &&
               Stars().Slot(2).StarColour == s.StarColour);

  ASSERT_EQ(Run("AddStar(0, 0, 0, 1, 0, 0, 0, 0, 3, '$FF8000', 2, 1);"
                " AddStar(0, 0, 0, 1, 0, 0, 0, 0, '4', 255, '5');"
                " AddStar(0, 0, 0, 1, 0, 0, 0, 0, 0, '-1')"),
            "");
  const scene::TStar& a = Stars().Slot(3);
  EXPECT_EQ(a.StarPattern, 3);
  EXPECT_EQ(a.StarColour, 0xFF8000u);
  EXPECT_EQ(a.StarLayer, 2);
  EXPECT_EQ(a.StarEffect, 1);
  const scene::TStar& b = Stars().Slot(4);
  EXPECT_EQ(b.StarPattern, 4);
  EXPECT_EQ(b.StarColour, 255u);
  EXPECT_EQ(b.StarLayer, 5);
  EXPECT_EQ(b.StarEffect, 260);
  EXPECT_EQ(Stars().Slot(5).StarColour, 0xFFFFFFFFu);
}

// A colour text that is no integer leaves the slot's previous colour.
TEST_F(StarNatives, AddStarColourTextThatIsNoNumber) {
  ASSERT_EQ(Run("AddStar(0, 0, 0, 0, 0, 0, 0, 0, 0, '$00FF00')"), "");
  root_.UpdateStars();
  ASSERT_EQ(Stars().ActiveCount(), 0);
  ASSERT_EQ(Run("AddStar(0, 0, 0, 1, 0, 0, 0, 0, 0, 'green')"), "");
  EXPECT_TRUE(Stars().Slot(0).StarActive);
  EXPECT_EQ(Stars().Slot(0).StarColour, 0x00FF00u);
}

TEST_F(StarNatives, AddStarFailsOnCountAndConversion) {
  EXPECT_EQ(Run("AddStar(0, 0, 0, 1, 0, 0, 0)"), "Invalid parameters, function ADDSTAR");
  EXPECT_EQ(Run("AddStar(0, 0, 0, 1, 0, 0, 0, 0, 0, '', 1000, 260, 9)"),
            "Invalid parameters, function ADDSTAR");
  EXPECT_EQ(Run("AddStar('a', 0, 0, 1, 0, 0, 0, 0)").rfind("Invalid parameters, function ADDSTAR : ", 0),
            0u);
  EXPECT_EQ(Run("AddStar(0, 0, 0, 1, 0, 0, 0, 0, 'p')").rfind("Invalid parameters, function ADDSTAR : ", 0),
            0u);
  EXPECT_EQ(Stars().ActiveCount(), 0);
}

// With all 5001 slots active a further star is not added, and the call
// still succeeds.
TEST_F(StarNatives, FullTableAddsNothing) {
  ASSERT_EQ(Run("I := 0; for i := 1 to 5001 do AddStar(0, i, 0, 1, 0, 0, 0, 0); R := AddStar(0, -7, 0, 1, 0, 0, 0, 0); OK := 1"),
            "");
  EXPECT_EQ(Var("R"), "Byte:0");
  EXPECT_EQ(Var("OK"), "Integer:1");
  EXPECT_EQ(Stars().ActiveCount(), StarTable::kSlots);
  for (int i = 0; i < StarTable::kSlots; ++i) ASSERT_NE(Stars().Slot(i).StarX, -7.0);
  EXPECT_EQ(Stars().Slot(5000).StarX, 5001.0);
}

// ImStarsR scatters stars over the texels whose alpha is not below minAlpha,
// at the picture's place on the screen.
TEST_F(StarNatives, ImStarsROverOpaqueTexels) {
  // Left half opaque, right half transparent.
  Png("half.png", 20, 10, [](int x, int) { return x < 10 ? 0xFFFFFFFFu : 0x00FFFFFFu; });
  door_->SetImImage("half.png");
  door_->rX = 300;
  door_->rY = 40;
  hall_->rX = 5;
  ASSERT_TRUE(door_->PictureLoaded());

  ASSERT_EQ(Run("ImStarsR(QZDB.HALL.DOOR, 0, 0, 1, 0, 0, 0, 0, 0, 0)"), "");
  EXPECT_EQ(Stars().ActiveCount(), 0);
  // minAlpha 0: every attempt adds a star.
  ASSERT_EQ(Run("ImStarsR(QZDB.HALL.DOOR, 200, 0, 1, 50, 0.5, 10, 1, 0, 0)"), "");
  ASSERT_EQ(Stars().ActiveCount(), 200);
  int right = 0;
  for (int i = 0; i < 200; ++i) {
    const scene::TStar& s = Stars().Slot(i);
    ASSERT_GE(s.StarX, 305);
    ASSERT_LT(s.StarX, 325);
    ASSERT_GE(s.StarY, 40);
    ASSERT_LT(s.StarY, 50);
    ASSERT_EQ(s.StarX, std::floor(s.StarX));
    ASSERT_GE(s.StarScale, 1.0);
    ASSERT_LT(s.StarScale, 1.5);
    ASSERT_EQ(s.StarGrow, 0.5);
    ASSERT_EQ(s.StarAngle, 10.0);
    ASSERT_EQ(s.StarSpin, 1.0);
    ASSERT_EQ(s.StarLayer, 1000);
    if (s.StarX >= 315) ++right;
  }
  EXPECT_GT(right, 50);  // both halves were sampled
  root_.Stars().Clear();
  // minAlpha 1: only the opaque half; no retries, so fewer stars than attempts.
  ASSERT_EQ(Run("ImStarsR(QZDB.HALL.DOOR, 200, 1, 1, 0, 0, 0, 0, 0, 0, 2, '$0000FF', 7, 1)"), "");
  EXPECT_GT(Stars().ActiveCount(), 50);
  EXPECT_LT(Stars().ActiveCount(), 150);
  for (int i = 0; i < Stars().ActiveCount(); ++i) {
    const scene::TStar& s = Stars().Slot(i);
    ASSERT_LT(s.StarX, 315);
    ASSERT_EQ(s.StarColour, 0x0000FFu);
    ASSERT_EQ(s.StarPattern, 2);
    ASSERT_EQ(s.StarLayer, 7);
    ASSERT_EQ(s.StarEffect, 1);
  }
  root_.Stars().Clear();
  ASSERT_EQ(Run("ImStarsR(QZDB.HALL.DOOR, 100, 256, 1, 0, 0, 0, 0, 0, 0)"), "");
  EXPECT_EQ(Stars().ActiveCount(), 0);
  // More attempts than slots fill the table and stop.
  ASSERT_EQ(Run("ImStarsR(QZDB.HALL.DOOR, 2000000000, 0, 1, 0, 0, 0, 0, 0, 0)"), "");
  EXPECT_EQ(Stars().ActiveCount(), StarTable::kSlots);
}

TEST_F(StarNatives, ImStarsRFailures) {
  Png("dot.png", 2, 2, [](int, int) { return 0xFFFFFFFFu; });
  door_->SetImImage("dot.png");
  const std::string fail = "Invalid parameters, function IMSTARSR";
  EXPECT_EQ(Run("ImStarsR(QZDB.HALL.DOOR, 1, 0, 1, 0, 0, 0, 0, 0)"), fail);
  EXPECT_EQ(Run("ImStarsR(QZDB.HALL.DOOR, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, '', 0, 0, 0)"), fail);
  EXPECT_EQ(Run("ImStarsR(11, 1, 0, 1, 0, 0, 0, 0, 0, 0)"), fail);
  EXPECT_EQ(Run("ImStarsR(QZDB.HALL.DOOR, 'x', 0, 1, 0, 0, 0, 0, 0, 0)").rfind(fail + " : ", 0), 0u);
  EXPECT_EQ(Run("ImStarsR(QZDB.HALL.DOOR, 1, 'x', 1, 0, 0, 0, 0, 0, 0)"), fail);
  EXPECT_EQ(Stars().ActiveCount(), 0);
  // Not an image, or an image without a picture: nothing, and no failure.
  Add<scene::TQZImage>(hall_, "TQZImage", "Blank", 12);
  EXPECT_EQ(Run("ImStarsR(QZDB.HALL, 5, 0, 1, 0, 0, 0, 0, 0, 0); ImStarsR(QZDB.HALL.BLANK, 5, 0, 1, 0, 0, 0, 0, 0, 0);"
                " ImStarsR(NIL, 5, 0, 1, 0, 0, 0, 0, 0, 0)"),
            "");
  EXPECT_EQ(Stars().ActiveCount(), 0);
}

// Stars are drawn per layer with the particle sheet, opaque in their colour
// over black with the additive code, centred on their position.
TEST_F(StarNatives, DrawingPerLayer) {
  SolidBmp("particles.bmp", 8, 8, 0xFFFFFF);
  root_.ReloadParticleSheet();
  ASSERT_NE(root_.ParticleSheet(), nullptr);
  ASSERT_EQ(Run("AddStar(0, 100, 100, 1, 0, 0, 0, 0, 0, '$FF0000', 3);"
                " AddStar(0, 200, 100, 2, 0, 0, 0, 0, 0, '$00FF00');"
                " AddStar(0, 300, 100, 1, 0, 1, 0, 0, 0, '$0000FF', 1000, 1)"),
            "");
  frame_.Fill(0xFF000000);
  root_.DrawStars(1000);
  EXPECT_EQ(frame_.Pixel(100, 100) & 0xFFFFFF, 0u);
  EXPECT_EQ(frame_.Pixel(200, 100) & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(frame_.Pixel(207, 100) & 0xFFFFFF, 0x00FF00u);  // scale 2: 16 pixels wide
  EXPECT_EQ(frame_.Pixel(300, 100) & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(frame_.Pixel(310, 100) & 0xFFFFFF, 0u);
  root_.DrawStars(3);
  EXPECT_EQ(frame_.Pixel(100, 100) & 0xFFFFFF, 0xFF0000u);
  // Additive: a star over a grey pixel adds its colour, whatever effect
  // code the script stored.
  frame_.Fill(0xFF404040);
  root_.DrawStars(3);
  root_.DrawStars(1000);
  EXPECT_EQ(frame_.Pixel(100, 100) & 0xFFFFFF, 0xFF4040u);
  EXPECT_EQ(frame_.Pixel(300, 100) & 0xFFFFFF, 0x4040FFu);
  // The update ends the shrinking star; drawing then shows nothing of it.
  root_.Stars().Clear();
  ASSERT_EQ(Run("AddStar(0, 100, 100, 0.5, 0, -0.5, 0, 0, 0, '$FF0000')"), "");
  root_.UpdateStars();
  frame_.Fill(0xFF000000);
  root_.DrawStars(1000);
  EXPECT_EQ(frame_.Pixel(100, 100) & 0xFFFFFF, 0u);
}

}  // namespace
}  // namespace scriptlib_test
