// Keyframe animations at run time: playback with its events, drawing through
// the software canvas (ShowAn on and off, the guard band), embedded
// animations, and the frame table across a game-file load.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "anim_fixture.h"
#include "record_writer.h"
#include "scene/an_key.h"
#include "scene/anim.h"
#include "scene/ex_anim.h"
#include "scene/image_element.h"

namespace scene {
namespace {

using scene_test::RecordingCanvas;
using scene_test::SceneRig;

constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kBlue = 0x0000FF;
constexpr uint32_t kGreen = 0x00FF00;

// Records "<Id>:<context>" for every script run with a text.
class RunRecorder {
 public:
  RunRecorder() : saved_(GetScriptHooks()) {
    Lines().clear();
    GetScriptHooks().Run = [](TQZElement& e, const script::ScriptSlot& slot, const char* context,
                              script::TVarList*) {
      if (!slot.Source.empty()) Lines().push_back(e.Id + ":" + (context ? context : ""));
    };
  }
  ~RunRecorder() { GetScriptHooks() = saved_; }
  static std::vector<std::string>& Lines() {
    static std::vector<std::string> lines;
    return lines;
  }

 private:
  ScriptHooks saved_;
};

TQZAnim* MakeAnim(TQZElement& parent, int keys, uint16_t count) {
  auto* anim = dynamic_cast<TQZAnim*>(parent.CreateChild("TQZAnim"));
  for (int i = 0; i < keys; ++i)
    dynamic_cast<TQZAnKey*>(anim->CreateChild("TQZAnKey"))->SetCount(count);
  return anim;
}

TQZImage* AddImage(TQZElement* key, const std::string& id, const std::string& picture, int x, int y) {
  auto* img = dynamic_cast<TQZImage*>(key->CreateChild("TQZImage"));
  img->SetId(id);
  img->SetImImage(picture);
  img->SetX(x);
  img->SetY(y);
  return img;
}

// Playback: one frame per step, exAnim on every step, exStop at the end
// (without Rep), wrapping with Rep; nothing at all while invisible.
TEST(AnimPlay, ProcessAdvancesAndStops) {
  SceneRig rig;
  rig.WritePicture("a.png", 4, 4, 0xFFFF0000);
  TQZAnim* anim = MakeAnim(rig.Root(), 2, 1);
  anim->SetId("walk");
  AddImage(anim->Child(0), "", "a.png", 0, 0);
  anim->SetScriptText(anim->exAnim, "a");
  anim->SetScriptText(anim->exStop, "s");
  anim->SetScriptText(anim->exStart, "b");
  anim->Rebuild();
  ASSERT_EQ(anim->FrameCount(), 4);

  RunRecorder rec;
  anim->Start("Process");
  EXPECT_EQ(anim->Pos, 0);
  EXPECT_TRUE(anim->Active);
  for (int i = 0; i < 3; ++i) anim->DoProcess();
  EXPECT_EQ(anim->Pos, 3);
  EXPECT_TRUE(anim->Active);
  anim->DoProcess();
  EXPECT_EQ(anim->Pos, 3);
  EXPECT_FALSE(anim->Active);
  EXPECT_EQ(rec.Lines(), (std::vector<std::string>{"walk:Process", "walk:anAnim", "walk:anAnim",
                                                   "walk:anAnim", "walk:anStop"}));

  anim->Rep = true;
  anim->Active = true;
  anim->DoProcess();
  EXPECT_EQ(anim->Pos, 0);  // wrapped
  EXPECT_TRUE(anim->Active);

  anim->SetVis(false);
  anim->DoProcess();
  EXPECT_EQ(anim->Pos, 0);

  EXPECT_EQ(anim->HitTest(0, 1, 1, 0, 0), nullptr);
}

// ShowAn draws the current frame at the animation's position; Pos -1 draws nothing.
TEST(AnimPlay, PaintDrawsTheCurrentFrame) {
  SceneRig rig;
  rig.WritePicture("a.png", 10, 10, 0xFFFF0000);
  TQZAnim* anim = MakeAnim(rig.Root(), 2, 4);
  AddImage(anim->Child(0), "ball", "a.png", 0, 0);
  AddImage(anim->Child(1), "ball", "a.png", 50, 0);
  anim->SetX(100);
  anim->SetY(200);
  anim->ShowAn = true;
  anim->Rebuild();

  anim->SetPosValue(0);
  anim->Paint(0, 0xFFFFFFFF, 0, 0, 0);
  EXPECT_EQ(rig.Pixel(100, 200), kRed);
  EXPECT_EQ(rig.Pixel(109, 209), kRed);
  EXPECT_EQ(rig.Pixel(110, 200), 0u);
  EXPECT_EQ(rig.Pixel(99, 200), 0u);

  rig.Clear();
  anim->SetPosValue(2);  // 20 pixels on
  anim->Paint(0, 0xFFFFFFFF, 5, 0, 0);
  EXPECT_EQ(rig.Pixel(125, 205), kRed);
  EXPECT_EQ(rig.Pixel(124, 205), 0u);
  EXPECT_EQ(rig.Pixel(134, 205), kRed);

  rig.Clear();
  anim->Paint(1, 0xFFFFFFFF, 0, 0, 0);  // another layer
  anim->SetPosValue(-1);
  anim->Paint(0, 0xFFFFFFFF, 0, 0, 0);
  for (int x = 90; x < 200; x += 3) EXPECT_EQ(rig.Pixel(x, 205), 0u);
}

// ShowAn off: the background where a screen draws it, then the keys as
// elements, the last key first (so the first key ends on top).
TEST(AnimPlay, EditingViewDrawsTheKeys) {
  SceneRig rig;
  rig.WritePicture("a.png", 10, 10, 0xFFFF0000);
  rig.WritePicture("b.png", 10, 10, 0xFF0000FF);
  rig.WritePicture("back.png", 40, 30, 0xFF00FF00);
  TQZAnim* anim = MakeAnim(rig.Root(), 2, 0);
  AddImage(anim->Child(0), "", "a.png", 0, 0);
  AddImage(anim->Child(1), "", "b.png", 5, 0);
  anim->SetImBack("back.png");
  EXPECT_EQ(anim->SizeX, 40);
  EXPECT_EQ(anim->SizeY, 30);
  anim->SetX(100);
  anim->SetY(100);
  anim->hxDrawFx = 1;
  anim->Paint(0, 0xFFFFFFFF, 0, 0, 0);
  EXPECT_EQ(rig.Pixel(0, 0), kGreen);    // background at the offsets
  EXPECT_EQ(rig.Pixel(100, 100), kRed);  // first key on top
  EXPECT_EQ(rig.Pixel(105, 100), kRed);
  EXPECT_EQ(rig.Pixel(112, 100), kBlue);
}

// Direction sprites are drawn rotated by what remains of the total angle,
// the animation's own Angle included once.
TEST(AnimPlay, RotationOfItems) {
  SceneRig rig;
  rig.WritePicture("d.png", 40, 10, 0xFFFF0000);
  RecordingCanvas canvas;
  rig.UseCanvas(&canvas);
  TQZAnim* anim = MakeAnim(rig.Root(), 1, 0);
  TQZImage* dir = AddImage(anim->Child(0), "", "d.png", 0, 0);
  dir->Anim = -1;
  dir->SetAngle(70);
  TQZImage* plain = AddImage(anim->Child(0), "", "d.png", 0, 0);
  plain->SetAngle(70);
  anim->Angle = 30;
  anim->ShowAn = true;
  anim->Rebuild();
  anim->Paint(0, 0xFFFFFFFF, 0, 0, 0);
  ASSERT_EQ(canvas.quads.size(), 2u);
  auto angleOf = [](const RecordingCanvas::Quad& q) {
    const double dx = q.corners[1].x - q.corners[0].x, dy = q.corners[1].y - q.corners[0].y;
    return std::atan2(dy, dx) * 180 / std::numbers::pi;
  };
  EXPECT_EQ(canvas.quads[0].pattern, 4);
  EXPECT_NEAR(angleOf(canvas.quads[0]), 10, 1e-9);
  EXPECT_EQ(canvas.quads[1].pattern, 0);
  EXPECT_NEAR(angleOf(canvas.quads[1]), 100, 1e-9);
  // Both turn about the picture's centre (20, 5).
  EXPECT_NEAR((canvas.quads[1].corners[0].x + canvas.quads[1].corners[2].x) / 2, 20, 1e-9);
  EXPECT_NEAR((canvas.quads[1].corners[0].y + canvas.quads[1].corners[2].y) / 2, 5, 1e-9);
}

// Enormous items lose the pattern columns and rows beyond the guard band.
TEST(AnimPlay, GuardBandCutsEnormousItems) {
  SceneRig rig;
  rig.WritePicture("a.png", 100, 100, 0xFFFF0000);
  RecordingCanvas canvas;
  rig.UseCanvas(&canvas);
  TQZAnim* anim = MakeAnim(rig.Root(), 1, 0);
  TQZImage* img = AddImage(anim->Child(0), "", "a.png", -1500, -1500);
  img->SetScale(40);  // 4000 x 4000 pixels from (-1500, -1500), 40 per pattern pixel
  anim->ShowAn = true;
  anim->Rebuild();
  anim->Paint(0, 0xFFFFFFFF, 0, 0, 0);
  ASSERT_EQ(canvas.quads.size(), 1u);
  const auto& q = canvas.quads[0];
  // 11 columns and rows cut at the left and top (one short of the band),
  // 12 at the right and bottom (one beyond it).
  EXPECT_DOUBLE_EQ(q.source.left, 11);
  EXPECT_DOUBLE_EQ(q.source.top, 11);
  EXPECT_DOUBLE_EQ(q.source.width, 100 - 11 - 12);
  EXPECT_DOUBLE_EQ(q.corners[0].x, -1500 + 11 * 40);
  EXPECT_DOUBLE_EQ(q.corners[2].x, 2500 - 12 * 40);
  EXPECT_DOUBLE_EQ(q.corners[2].y, 2500 - 12 * 40);

  // Drawn for real, the screen is red throughout.
  rig.UseCanvas(nullptr);
  anim->Paint(0, 0xFFFFFFFF, 0, 0, 0);
  EXPECT_EQ(rig.Pixel(0, 0), kRed);
  EXPECT_EQ(rig.Pixel(1023, 767), kRed);
}

// An embedded animation plays an animation under the root at its own place
// with its own Pos; without an animation it has no size and draws nothing.
TEST(AnimPlay, EmbeddedAnimations) {
  SceneRig rig;
  rig.WritePicture("a.png", 10, 10, 0xFFFF0000);
  TQZAnim* anim = MakeAnim(rig.Root(), 2, 4);
  anim->SetKey(77);
  AddImage(anim->Child(0), "ball", "a.png", 0, 0);
  AddImage(anim->Child(1), "ball", "a.png", 50, 0);
  anim->SetSizeX(40);
  anim->SetSizeY(20);
  anim->Rebuild();
  TQZElement* screen = rig.Root().CreateChild("TQZScreen");
  auto* ex = dynamic_cast<TQZExAnim*>(screen->CreateChild("TQZExAnim"));
  ex->SetObAnim(77);
  ex->PosHor = TQZPosHor::phCenter;
  ex->PosVert = TQZPosVert::pvBottom;
  ex->SetX(200);
  ex->SetY(100);
  EXPECT_EQ(ex->GetSizeX(), 40);
  EXPECT_EQ(ex->GetAbsX(), 180);
  EXPECT_EQ(ex->GetAbsY(), 80);

  ex->SetPosValue(1);
  ex->Paint(0, 0xFFFFFFFF, 0, 0, 0);
  EXPECT_EQ(rig.Pixel(190, 80), kRed);  // 180 + 10 (frame 1 of 5 towards 50)
  EXPECT_EQ(rig.Pixel(189, 80), 0u);
  EXPECT_EQ(anim->Pos, 0);  // the animation's own Pos is untouched

  // Counting clamps (or wraps with Rep) and goes on while invisible.
  ex->Active = true;
  ex->SetVis(false);
  for (int i = 0; i < 20; ++i) ex->DoProcess();
  EXPECT_EQ(ex->Pos, 9);
  ex->Rep = true;
  ex->DoProcess();
  EXPECT_EQ(ex->Pos, 0);
  ex->SetPosValue(-2);
  ex->DoProcess();
  EXPECT_EQ(ex->Pos, -2);  // a negative Pos does not count

  auto* none = dynamic_cast<TQZExAnim*>(screen->CreateChild("TQZExAnim"));
  none->SetObAnim(999);
  none->SetPosValue(12345);
  EXPECT_EQ(none->Pos, 12345);  // no clamping without an animation
  EXPECT_EQ(none->GetSizeX(), 0);
  EXPECT_EQ(none->GetSizeY(), 0);
  RecordingCanvas canvas;
  rig.UseCanvas(&canvas);
  none->SetPosValue(0);
  none->Paint(0, 0xFFFFFFFF, 0, 0, 0);
  EXPECT_TRUE(canvas.quads.empty());
}

// An embedded animation loads its animation's pictures with its own
// resources (the animation under the root belongs to no screen), and the
// frames are rebuilt from them: registered first with loading off, then
// loaded in a second pass, as a screen switch does.
TEST(AnimPlay, EmbeddedAnimationLoadsTheAnimationsPictures) {
  SceneRig rig;
  rig.WritePicture("a.png", 10, 10, 0xFFFF0000);
  rig.Cache().SetLoadNow(false);
  TQZAnim* anim = MakeAnim(rig.Root(), 1, 0);
  anim->SetKey(5);
  TQZImage* img = AddImage(anim->Child(0), "", "a.png", 0, 0);
  anim->Rebuild();
  EXPECT_FALSE(img->PictureLoaded());
  EXPECT_TRUE(anim->Frames()[0].empty());

  TQZElement* screen = rig.Root().CreateChild("TQZScreen");
  auto* ex = dynamic_cast<TQZExAnim*>(screen->CreateChild("TQZExAnim"));
  ex->SetObAnim(5);
  ex->SetX(300);
  ex->SetY(300);
  screen->LoadResources();  // the registering pass
  EXPECT_FALSE(img->PictureLoaded());
  rig.Cache().SetLoadNow(true);
  screen->ClearResourcesLoaded();
  screen->LoadResources();  // the loading pass
  EXPECT_TRUE(img->PictureLoaded());
  ASSERT_EQ(anim->Frames()[0].size(), 1u);
  ex->Paint(0, 0xFFFFFFFF, 0, 0, 0);
  EXPECT_EQ(rig.Pixel(305, 305), kRed);
}

// While the game file loads, keys do not rebuild their animation; the first
// use after loading builds the table with every key complete.
TEST(AnimPlay, FramesAreBuiltAfterTheGameFileLoads) {
  SceneRig rig;
  rig.WritePicture("a.png", 10, 10, 0xFFFF0000);
  using testrec::Common;
  using testrec::Record;
  Record root("TQZDB", 5);
  Common(root, 1, "Game");
  Record anim("TQZAnim");
  Common(anim, 5, "An", 0, 0);
  anim.Str("").Int(0).Int(0).Int(1).Int(0).Int(0).Int(0).Int(0).Int(1 /* Rep */).Int(1 /* ShowAn */);
  for (int k = 0; k < 3; ++k) {
    Record key("TQZAnKey");
    Common(key, 10 + k, "K");
    key.Int(4);
    Record img("TQZImage");
    Common(img, 20 + k, "ball", 30 * k, 0);
    img.Str("a.png");
    key.Child(img);
    anim.Child(key);
  }
  root.Child(anim);
  const std::string bytes = root.Bytes();
  rig.Root().LoadGameData({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
  ASSERT_EQ(rig.Root().ChildCount(), 1u);
  auto* loaded = dynamic_cast<TQZAnim*>(rig.Root().Child(0));
  ASSERT_NE(loaded, nullptr);
  EXPECT_TRUE(loaded->FramesStale());
  EXPECT_EQ(loaded->FrameCount(), 15);
  EXPECT_FALSE(loaded->FramesStale());
  EXPECT_DOUBLE_EQ(loaded->Frames()[5][0].x, 35);

  // A rebuild asked for during a load (a state file) waits for the next use.
  {
    LoadingScope loading;
    dynamic_cast<TQZAnKey*>(loaded->Child(0))->SetCount(0);
    EXPECT_TRUE(loaded->FramesStale());
  }
  script::Value v;
  ASSERT_TRUE(loaded->GetValue("COUNT", v));
  EXPECT_EQ(v.i, 11);
}

}  // namespace
}  // namespace scene
