// Keyframe animations: the frame table built from the keys (linear and
// spline paths, objects that stop or hold still, picture changes and
// cross-fades, direction sprites), the Pos writer and the KEY names.

#include <gtest/gtest.h>

#include <interpolation.h>

#include <cmath>

#include "anim_fixture.h"
#include "scene/an_key.h"
#include "scene/anim.h"
#include "scene/image_element.h"
#include "scene/spline_track.h"

namespace scene {
namespace {

using scene_test::SceneRig;

constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kBlue = 0xFF0000FF;

// An animation under the root with keys and images added by hand.
struct AnimSetup {
  SceneRig rig;
  TQZAnim* anim = nullptr;

  AnimSetup() {
    rig.WritePicture("a.png", 10, 10, kRed);
    rig.WritePicture("b.png", 10, 10, kBlue);
    anim = dynamic_cast<TQZAnim*>(rig.Root().CreateChild("TQZAnim"));
  }
  TQZAnKey* Key(uint16_t count, bool morph = false) {
    auto* key = dynamic_cast<TQZAnKey*>(anim->CreateChild("TQZAnKey"));
    key->SetCount(count);
    key->Morph = morph;
    return key;
  }
  static TQZImage* Image(TQZAnKey* key, const std::string& id, const std::string& picture, int x,
                         int y) {
    auto* img = dynamic_cast<TQZImage*>(key->CreateChild("TQZImage"));
    img->SetId(id);
    img->SetImImage(picture);
    img->SetX(x);
    img->SetY(y);
    return img;
  }
  const AnimFrame& Frame(int f) { return anim->Frames().at(static_cast<size_t>(f)); }
};

uint32_t Alpha(const AnimDrawItem& item) { return item.colour >> 24; }

// Two keys with Count 4 and 9 span 5 + 10 frames; the object moves in equal
// steps and reaches the second key's pose exactly at its first frame.
TEST(AnimFrames, KeysSpanCountPlusOneFramesAndReachTheNextPose) {
  AnimSetup s;
  auto* k1 = s.Key(4);
  auto* k2 = s.Key(9);
  AnimSetup::Image(k1, "Ball", "a.png", 0, 0);
  AnimSetup::Image(k2, "BALL", "a.png", 100, 50);  // the same object: Ids match in any case
  s.anim->Rebuild();
  ASSERT_EQ(s.anim->FrameCount(), 15);
  for (int j = 0; j <= 4; ++j) {
    ASSERT_EQ(s.Frame(j).size(), 1u);
    EXPECT_DOUBLE_EQ(s.Frame(j)[0].x, 5 + 20.0 * j) << j;  // centre: +half the pattern
    EXPECT_DOUBLE_EQ(s.Frame(j)[0].y, 5 + 10.0 * j) << j;
  }
  // The last key holds still (no next key without Rep).
  for (int f = 5; f < 15; ++f) {
    ASSERT_EQ(s.Frame(f).size(), 1u);
    EXPECT_DOUBLE_EQ(s.Frame(f)[0].x, 105);
    EXPECT_DOUBLE_EQ(s.Frame(f)[0].y, 55);
  }
}

// An object that does not continue into the next key is not shown during its
// key; an unnamed one is drawn unmoved; scale, angle and opacity interpolate.
TEST(AnimFrames, ObjectsThatStopHoldStillOrFade) {
  AnimSetup s;
  auto* k1 = s.Key(4);
  auto* k2 = s.Key(0);
  AnimSetup::Image(k1, "ghost", "a.png", 0, 0);
  TQZImage* rock = AnimSetup::Image(k1, "", "b.png", 30, 40);
  TQZImage* fade = AnimSetup::Image(k1, "fade", "a.png", 0, 0);
  TQZImage* fade2 = AnimSetup::Image(k2, "Fade", "a.png", 0, 0);
  AnimSetup::Image(k2, "", "b.png", 300, 300);
  fade2->SetScale(3);
  fade2->SetAngle(50);
  fade2->Colour = 0x37FFFFFF;  // opacity 55
  s.anim->Rebuild();
  ASSERT_EQ(s.anim->FrameCount(), 6);
  for (int j = 0; j <= 4; ++j) {
    const AnimFrame& f = s.Frame(j);
    ASSERT_EQ(f.size(), 2u) << j;  // the ghost is missing
    EXPECT_EQ(f[0].picture, rock->Picture());
    EXPECT_DOUBLE_EQ(f[0].x, 35);
    EXPECT_DOUBLE_EQ(f[0].y, 45);
    EXPECT_EQ(f[1].picture, fade->Picture());
    EXPECT_DOUBLE_EQ(f[1].scale, 1 + 2.0 / 5 * j);
    EXPECT_DOUBLE_EQ(f[1].angle, 10.0 * j);
    // round((55 - 255) / 5 * j) + 255
    EXPECT_EQ(Alpha(f[1]), static_cast<uint32_t>(255 - 40 * j));
    EXPECT_DOUBLE_EQ(f[1].x, 5 * f[1].scale);  // centre moves with the scale
  }
  // The last key shows its two images as they are.
  EXPECT_EQ(s.Frame(5).size(), 2u);
}

// With Rep the last key interpolates towards the first key's images and the
// Pos writer wraps; without Rep it clamps to the last frame.
TEST(AnimFrames, RepInterpolatesToTheFirstKeyAndWraps) {
  AnimSetup s;
  auto* k1 = s.Key(4);
  auto* k2 = s.Key(4);
  AnimSetup::Image(k1, "ball", "a.png", 0, 0);
  AnimSetup::Image(k2, "ball", "a.png", 100, 0);
  s.anim->Rep = true;
  s.anim->Rebuild();
  ASSERT_EQ(s.anim->FrameCount(), 10);
  EXPECT_DOUBLE_EQ(s.Frame(5)[0].x, 105);
  EXPECT_DOUBLE_EQ(s.Frame(7)[0].x, 65);
  EXPECT_DOUBLE_EQ(s.Frame(9)[0].x, 25);
  s.anim->SetPosValue(10);
  EXPECT_EQ(s.anim->Pos, 0);
  s.anim->SetPosValue(9);
  EXPECT_EQ(s.anim->Pos, 9);
  s.anim->SetPosValue(-3);
  EXPECT_EQ(s.anim->Pos, -3);  // negative values are stored unchanged

  s.anim->Rep = false;
  s.anim->Rebuild();
  EXPECT_DOUBLE_EQ(s.Frame(7)[0].x, 105);  // holds still now
  s.anim->SetPosValue(42);
  EXPECT_EQ(s.anim->Pos, 9);
}

// A spline through three keys' centres, as the spline library builds it
// (parabolically terminated ends; the end cubics beyond the last key).
TEST(AnimFrames, SplinePathsMatchTheLibraryAndTwoKeysGiveAStraightLine) {
  AnimSetup s;
  auto* k1 = s.Key(4);
  auto* k2 = s.Key(4);
  auto* k3 = s.Key(4);
  AnimSetup::Image(k1, "p", "a.png", 0, 0);
  AnimSetup::Image(k2, "p", "a.png", 100, 80);
  AnimSetup::Image(k3, "p", "a.png", 50, 0);
  s.anim->SetInterpol(true);
  s.anim->Rebuild();
  ASSERT_EQ(s.anim->FrameCount(), 15);

  alglib::real_1d_array t, x, y;
  const double ts[] = {0, 5, 10}, xs[] = {5, 105, 55}, ys[] = {5, 85, 5};
  t.setcontent(3, ts);
  x.setcontent(3, xs);
  y.setcontent(3, ys);
  alglib::spline1dinterpolant sx, sy;
  alglib::spline1dbuildcubic(t, x, 3, 0, 0.0, 0, 0.0, sx);
  alglib::spline1dbuildcubic(t, y, 3, 0, 0.0, 0, 0.0, sy);
  for (int f = 0; f < 15; ++f) {
    EXPECT_DOUBLE_EQ(s.Frame(f)[0].x, alglib::spline1dcalc(sx, f)) << f;
    EXPECT_DOUBLE_EQ(s.Frame(f)[0].y, alglib::spline1dcalc(sy, f)) << f;
  }
  // A smooth curve, not the straight steps of linear interpolation.
  EXPECT_NE(s.Frame(2)[0].x, 45.0);

  // Interpol off on the image: linear again.
  dynamic_cast<TQZImage*>(k1->Child(0))->Interpol = false;
  s.anim->Rebuild();
  EXPECT_DOUBLE_EQ(s.Frame(2)[0].x, 45.0);

  // Two samples: the straight line through them, continued beyond.
  AnimSetup two;
  auto* a = two.Key(4);
  auto* b = two.Key(4);
  AnimSetup::Image(a, "p", "a.png", 0, 0);
  AnimSetup::Image(b, "p", "a.png", 100, 0);
  two.anim->SetInterpol(true);
  two.anim->Rebuild();
  for (int f = 0; f < 10; ++f) EXPECT_NEAR(two.Frame(f)[0].x, 5 + 20.0 * f, 1e-9) << f;
}

// Two images with the same Id in one key fall on the same sample time: the
// first counts and the spline is still built.
TEST(AnimFrames, DuplicateIdsInOneKeyKeepTheFirstSample) {
  AnimSetup s;
  auto* k1 = s.Key(4);
  auto* k2 = s.Key(4);
  auto* k3 = s.Key(4);
  AnimSetup::Image(k1, "p", "a.png", 0, 0);
  AnimSetup::Image(k1, "p", "a.png", 500, 500);
  AnimSetup::Image(k2, "p", "a.png", 100, 80);
  AnimSetup::Image(k3, "p", "a.png", 50, 0);
  s.anim->SetInterpol(true);
  ASSERT_NO_THROW(s.anim->Rebuild());
  ASSERT_EQ(s.Frame(0).size(), 2u);
  EXPECT_DOUBLE_EQ(s.Frame(0)[0].x, 5);
  EXPECT_DOUBLE_EQ(s.Frame(0)[1].x, 5);  // both follow the one track
  EXPECT_DOUBLE_EQ(s.Frame(5)[0].x, 105);
}

// Samples the spline library would refuse (equal times, values that are not
// numbers) leave the track unbuilt, and the object moves linearly instead.
TEST(AnimFrames, SplineTracksRefuseWhatTheLibraryCannotTake) {
  SplineTrack track("p");
  EXPECT_TRUE(track.AddSample(0, {1, 2, 1, 0, 1, 1}));
  EXPECT_FALSE(track.AddSample(0, {9, 9, 9, 9, 9, 9}));
  EXPECT_TRUE(track.AddSample(5, {11, 2, 1, 0, 1, 1}));
  track.Build();
  ASSERT_TRUE(track.Built());
  EXPECT_DOUBLE_EQ(track.Value(SplineTrack::kCentreX, 10), 21);  // the line continues

  SplineTrack bad("q");
  bad.AddSample(0, {0, 0, 1, 0, 1, 1});
  bad.AddSample(5, {0, 0, 1, 0, std::nan(""), 1});
  bad.Build();
  EXPECT_FALSE(bad.Built());
  SplineCurve none;
  EXPECT_FALSE(none.Valid());
  EXPECT_EQ(none.Value(3), 0);

  AnimSetup s;
  auto* k1 = s.Key(4);
  auto* k2 = s.Key(4);
  auto* k3 = s.Key(4);
  AnimSetup::Image(k1, "p", "a.png", 0, 0);
  AnimSetup::Image(k2, "p", "a.png", 100, 0)->ScaleX = std::nan("");
  AnimSetup::Image(k3, "p", "a.png", 50, 0);
  s.anim->SetInterpol(true);
  s.anim->Rebuild();
  EXPECT_DOUBLE_EQ(s.Frame(2)[0].x, 45);  // linear
}

// Pattern -1 picks one of 16 direction sprites from the total angle.
TEST(AnimFrames, DirectionSpritesFromTheTotalAngle) {
  struct Case {
    double animAngle, imageAngle;
    int pattern;
    double rest;
  } cases[] = {{0, 100, 4, 10}, {0, 359.99, 15, 22.49}, {30, 70, 4, 10}, {0, -90, 12, 0},
               {0, 200000, 0, 0}, {0, 0, 0, 0}};
  for (const Case& c : cases) {
    AnimSetup s;
    TQZImage* img = AnimSetup::Image(s.Key(0), "", "a.png", 0, 0);
    img->Anim = -1;
    img->SetAngle(c.imageAngle);
    s.anim->Angle = c.animAngle;
    s.anim->Rebuild();
    ASSERT_EQ(s.Frame(0).size(), 1u);
    EXPECT_EQ(s.Frame(0)[0].pattern, c.pattern) << c.imageAngle;
    EXPECT_NEAR(s.Frame(0)[0].angle, c.rest, 1e-9) << c.imageAngle;
    EXPECT_TRUE(s.Frame(0)[0].directional);
  }
  // Other patterns keep their angle.
  AnimSetup s;
  TQZImage* img = AnimSetup::Image(s.Key(0), "", "a.png", 0, 0);
  img->SetAngle(100);
  s.anim->Rebuild();
  EXPECT_EQ(s.Frame(0)[0].pattern, 0);
  EXPECT_DOUBLE_EQ(s.Frame(0)[0].angle, 100);
  EXPECT_FALSE(s.Frame(0)[0].directional);
}

// A picture change jumps; on a Morph key it cross-fades.
TEST(AnimFrames, PictureChangesJumpOrCrossFade) {
  AnimSetup s;
  auto* k1 = s.Key(8, /*morph=*/true);
  auto* k2 = s.Key(0);
  TQZImage* from = AnimSetup::Image(k1, "m", "a.png", 0, 0);
  TQZImage* to = AnimSetup::Image(k2, "m", "b.png", 50, 20);
  s.anim->Rebuild();
  const struct {
    int j;
    uint32_t oldAlpha, newAlpha;
  } expected[] = {{0, 255, 0}, {4, 223, 223}, {8, 0, 255}, {2, 239, 112}, {6, 112, 239}};
  for (const auto& e : expected) {
    const AnimFrame& f = s.Frame(e.j);
    ASSERT_EQ(f.size(), 2u) << e.j;
    EXPECT_EQ(f[0].picture, from->Picture());
    EXPECT_DOUBLE_EQ(f[0].x, 5);  // both unmoved
    EXPECT_EQ(Alpha(f[0]), e.oldAlpha) << e.j;
    EXPECT_EQ(f[1].picture, to->Picture());
    EXPECT_DOUBLE_EQ(f[1].x, 55);
    EXPECT_DOUBLE_EQ(f[1].y, 25);
    EXPECT_EQ(Alpha(f[1]), e.newAlpha) << e.j;
  }

  // Without Morph: the old picture, unmoved and at full colour.
  k1->Morph = false;
  s.anim->Rebuild();
  ASSERT_EQ(s.Frame(4).size(), 1u);
  EXPECT_EQ(s.Frame(4)[0].picture, from->Picture());
  EXPECT_DOUBLE_EQ(s.Frame(4)[0].x, 5);
  EXPECT_EQ(s.Frame(4)[0].colour, 0xFFFFFFFFu);

  // A Morph key with Count 0: the old picture at full, the new one invisible.
  k1->Morph = true;
  k1->SetCount(0);
  ASSERT_EQ(s.anim->FrameCount(), 2);
  ASSERT_EQ(s.Frame(0).size(), 2u);
  EXPECT_EQ(Alpha(s.Frame(0)[0]), 255u);
  EXPECT_EQ(Alpha(s.Frame(0)[1]), 0u);
}

// Pictures that are not loaded are skipped; the table has limits.
TEST(AnimFrames, MissingPicturesAndOversizedTables) {
  AnimSetup s;
  auto* k1 = s.Key(2);
  auto* k2 = s.Key(2);
  AnimSetup::Image(k1, "x", "missing.png", 0, 0);
  AnimSetup::Image(k1, "y", "a.png", 0, 0);
  AnimSetup::Image(k2, "y", "missing.png", 0, 0);
  AnimSetup::Image(k2, "z", "a.png", 0, 0);
  s.anim->Rebuild();
  ASSERT_EQ(s.anim->FrameCount(), 6);
  EXPECT_TRUE(s.Frame(0).empty());   // x not loaded; y's next pose not loaded
  EXPECT_EQ(s.Frame(3).size(), 1u);  // z holds still in the last key

  // 20 keys of 65536 frames each: beyond the limit, nothing is built.
  AnimSetup big;
  {
    LoadingScope loading;
    for (int i = 0; i < 20; ++i) AnimSetup::Image(big.Key(65535), "p", "a.png", i, 0);
  }
  big.anim->Rebuild();
  EXPECT_EQ(big.anim->FrameCount(), 0);
  EXPECT_TRUE(big.anim->Frames().empty());
}

// The KEY names describe the current frame; COUNT is the frame count.
TEST(AnimFrames, KeyNamesDescribeTheCurrentFrame) {
  AnimSetup s;
  s.anim->SetX(200);
  s.anim->SetY(100);
  TQZImage* img = AnimSetup::Image(s.Key(4), "", "a.png", 10, 20);
  img->Anim = 3;
  img->SetScale(2);
  img->SetAngle(15);
  s.anim->Rebuild();
  s.anim->SetPosValue(2);
  script::Value v;
  ASSERT_TRUE(s.anim->GetValue("KEYX", v));
  EXPECT_DOUBLE_EQ(v.d, 200 + 10 + 10.0);
  ASSERT_TRUE(s.anim->GetValue("KEYY", v));
  EXPECT_DOUBLE_EQ(v.d, 100 + 20 + 10.0);
  ASSERT_TRUE(s.anim->GetValue("KEYANG", v));
  EXPECT_DOUBLE_EQ(v.d, 15);
  ASSERT_TRUE(s.anim->GetValue("KEYSCALE", v));
  EXPECT_DOUBLE_EQ(v.d, 2);
  ASSERT_TRUE(s.anim->GetValue("KEYAN", v));
  EXPECT_EQ(v.kind, script::VKind::Integer);
  EXPECT_EQ(v.i, 3);
  ASSERT_TRUE(s.anim->GetValue("KEYX[1]", v));
  EXPECT_DOUBLE_EQ(v.d, 220);
  ASSERT_TRUE(s.anim->GetValue("KEYY[1]", v));
  EXPECT_DOUBLE_EQ(v.d, 130);
  ASSERT_TRUE(s.anim->GetValue("KEYX[2]", v));
  EXPECT_EQ(v.kind, script::VKind::Byte);
  EXPECT_EQ(v.i, 0);
  ASSERT_TRUE(s.anim->GetValue("KEYX[0]", v));
  EXPECT_EQ(v.i, 0);
  EXPECT_FALSE(s.anim->GetValue("KEYX[A]", v));
  EXPECT_FALSE(s.anim->GetValue("KEYX[]", v));
  EXPECT_FALSE(s.anim->GetValue("KEYZ", v));
  ASSERT_TRUE(s.anim->GetValue("COUNT", v));
  EXPECT_EQ(v.i, 5);

  s.anim->SetPosValue(-1);
  ASSERT_TRUE(s.anim->GetValue("KEYX", v));
  EXPECT_EQ(v.kind, script::VKind::Byte);
  EXPECT_EQ(v.i, 0);
}

}  // namespace
}  // namespace scene
