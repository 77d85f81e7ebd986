// The effect element: its system made when EffectFN is assigned (a loose
// file first, then the resource pack), the writers that move and start the
// emitter, the process step, start/stop/break, and drawing with its mask.

#include <gtest/gtest.h>

#include "anim_fixture.h"
#include "platform/random.h"
#include "resources/store.h"
#include "scene/effect_element.h"

namespace scene {
namespace {

using scene_test::RecordingCanvas;
using scene_test::SceneRig;

std::string EffectBytes(const TEffectParams& p) {
  auto block = EncodeEffectParams(p);
  return std::string(reinterpret_cast<const char*>(block.data()), block.size());
}

TEffectParams WhiteSparks(int32_t rate, float duration) {
  TEffectParams p;
  p.Rate = rate;
  p.Duration = duration;
  p.LifeA = p.LifeB = 1;
  p.SizeStart = p.SizeMid = p.SizeEnd = 1;
  p.ColourStart = p.ColourMid = p.ColourEnd = 0xFFFFFFFF;
  p.MidFraction = 0.5f;
  p.DrawEffect = 1;
  return p;
}

// A rig whose root has a particle manager drawing on the rig's canvas, with
// an 8 x 8 white particle sheet.
struct EffectRig {
  SceneRig rig;
  TQZElement* screen = nullptr;
  EffectRig() {
    platform::Rng().Seed(42);
    rig.WritePicture("sheet.png", 8, 8, 0xFFFFFFFF);
    auto manager = std::make_unique<TXParticleManager>(&rig.Canvas());
    manager->SetSheet(rig.Cache().RequestImage("sheet.png", true));
    rig.Root().SetParticleManager(std::move(manager));
    screen = rig.Root().CreateChild("TQZScreen");
  }
  TQZEffect* Effect(const std::string& file, int x = 0, int y = 0) {
    auto* e = dynamic_cast<TQZEffect*>(screen->CreateChild("TQZEffect"));
    e->SetX(x);
    e->SetY(y);
    e->DAnim = 1;
    e->SetEffectFN(file);
    return e;
  }
};

// Creation defaults, and where the parameters come from.
TEST(EffectElement, SystemAndParameterSources) {
  EffectRig r;
  r.rig.WriteFile("loose.eff", EffectBytes(WhiteSparks(30, 2)));
  resources::PackWriter pack;
  pack.Add("FX\\PACKED.EFF", EffectBytes(WhiteSparks(60, 3)));
  pack.Add("LOOSE.EFF", EffectBytes(WhiteSparks(90, 4)));
  r.rig.Root().Pack().OpenBytes(pack.Finish());
  ASSERT_TRUE(r.rig.Root().Pack().ReadDirectory());

  TQZEffect* loose = r.Effect("Loose.eff");
  EXPECT_TRUE(loose->Vis);
  EXPECT_EQ(loose->hxColor, 0xFFFFFFu);
  ASSERT_NE(loose->System(), nullptr);
  EXPECT_EQ(loose->System()->Capacity(), TQZEffect::kCapacity);
  EXPECT_EQ(loose->System()->Params().Rate, 30);  // the loose file wins over the pack

  TQZEffect* packed = r.Effect("fx\\packed.eff");
  EXPECT_EQ(packed->System()->Params().Rate, 60);

  TQZEffect* missing = r.Effect("none.eff");
  ASSERT_NE(missing->System(), nullptr);
  EXPECT_EQ(missing->System()->Params().Duration, 0.0f);
  missing->Start("Process");
  EXPECT_FALSE(missing->System()->Emitting());

  // Without a particle manager there is no system: nothing moves or draws.
  SceneRig bare;
  auto* e = dynamic_cast<TQZEffect*>(bare.Root().CreateChild("TQZScreen")->CreateChild("TQZEffect"));
  e->SetEffectFN("loose.eff");
  EXPECT_EQ(e->System(), nullptr);
  e->Start("Process");
  e->DoProcess();
  e->Paint(0, 0xFFFFFFFF, 0, 0, 0);
  EXPECT_EQ(bare.Pixel(0, 0), 0u);
}

// Duration 0: AnimStart leaves the effect idle and the next process step
// sets Active back to false.
TEST(EffectElement, DurationZeroGoesIdle) {
  EffectRig r;
  r.rig.WriteFile("idle.eff", EffectBytes(WhiteSparks(30, 0)));
  TQZEffect* e = r.Effect("idle.eff");
  e->Start("Process");
  EXPECT_TRUE(e->Active());
  e->DoProcess();
  EXPECT_FALSE(e->Active());
}

// Start runs exStart; Stop lets the particles finish; Break removes them.
TEST(EffectElement, StartStopBreak) {
  EffectRig r;
  r.rig.WriteFile("fx.eff", EffectBytes(WhiteSparks(30, 10)));
  TQZEffect* e = r.Effect("fx.eff");
  e->SetId("fire");
  e->SetScriptText(e->exStart, "go");
  std::vector<std::string> runs;
  static std::vector<std::string>* sink;
  sink = &runs;
  ScriptHooks saved = GetScriptHooks();
  GetScriptHooks().Run = [](TQZElement& el, const script::ScriptSlot& slot, const char* context,
                            script::TVarList*) {
    if (!slot.Source.empty()) sink->push_back(el.Id + ":" + context);
  };
  e->Start("ms_Down");
  GetScriptHooks() = saved;
  EXPECT_EQ(runs, std::vector<std::string>{"fire:ms_Down"});

  e->DAnim = 30;  // dt 1 per step: 30 particles
  e->DoProcess();
  EXPECT_EQ(e->System()->Count(), 30);
  e->DAnim = 3;  // dt 0.1
  e->Stop();
  EXPECT_FALSE(e->Active());
  EXPECT_FALSE(e->System()->Emitting());
  e->DoProcess();
  EXPECT_EQ(e->System()->Count(), 30);  // still alive, no new ones

  e->Start("Process");
  e->DoProcess();
  EXPECT_EQ(e->System()->Count(), 33);
  e->Break();
  EXPECT_EQ(e->System()->Count(), 0);
  EXPECT_FALSE(e->Active());

  // Active false once emission has ended and the last particle has died.
  e->Start("Process");
  e->DoProcess();
  EXPECT_TRUE(e->Active());
  e->Stop();
  e->SetActive(true);
  e->System()->StopEmit(false);
  for (int i = 0; i < 11; ++i) e->DoProcess();
  EXPECT_EQ(e->System()->Count(), 0);
  EXPECT_FALSE(e->Active());

  // An invisible effect that is reached still advances.
  e->SetVis(false);
  e->Start("Process");
  e->DoProcess();
  EXPECT_GT(e->System()->Count(), 0);
}

// dt = DAnim / 30, in single precision; the same step as StepBy.
TEST(EffectElement, ProcessStepLength) {
  EffectRig r;
  TEffectParams p = WhiteSparks(2, 100);
  p.LifeA = p.LifeB = 100;
  r.rig.WriteFile("fx.eff", EffectBytes(p));
  TQZEffect* e = r.Effect("fx.eff");
  e->DAnim = 15;
  e->Start("Process");
  e->DoProcess();
  ASSERT_EQ(e->System()->Count(), 1);  // 2 per unit x 0.5
  EXPECT_EQ(e->System()->EmitTime(), static_cast<float>(15.0 / 30.0));
  e->StepBy(0.25f);
  EXPECT_EQ(e->System()->Particles()[0].Age, 0.25f);
}

// The writers move the emitter: X and Y by the base rule, SetPos restarting
// the emission of an active effect where it is put (no trail).
TEST(EffectElement, MovingTheEmitter) {
  EffectRig r;
  TEffectParams p = WhiteSparks(3000, 100);
  r.rig.WriteFile("fx.eff", EffectBytes(p));
  TQZEffect* e = r.Effect("fx.eff", 40, 50);
  EXPECT_EQ(e->System()->PosX, 40);
  EXPECT_EQ(e->System()->PosY, 50);
  e->SetX(70);
  EXPECT_EQ(e->System()->PosX, 70);
  EXPECT_EQ(e->System()->PrevX(), 70);  // not emitting: a jump

  e->Start("Process");
  e->DAnim = 1;
  e->DoProcess();
  e->SetPos(300, 200);
  EXPECT_EQ(e->rX, 300);
  EXPECT_EQ(e->System()->PrevX(), 300);
  EXPECT_EQ(e->System()->EmitTime(), 0.0f);  // restarted
  const int32_t before = e->System()->Count();
  e->DoProcess();
  for (int32_t i = before; i < e->System()->Count(); ++i)
    EXPECT_EQ(e->System()->Particles()[static_cast<size_t>(i)].PosX, 300);

  // Moving with the X writer while emitting leaves a trail.
  e->SetX(400);
  const int32_t before2 = e->System()->Count();
  e->DoProcess();
  float lo = 1e9f;
  for (int32_t i = before2; i < e->System()->Count(); ++i)
    lo = std::min(lo, e->System()->Particles()[static_cast<size_t>(i)].PosX);
  EXPECT_LT(lo, 320);
}

// Drawing: only in the effect's layer, offsets rounded, the colour mask
// ANDed (with alpha 0xFF), smoothing on.
TEST(EffectElement, PaintWithMask) {
  EffectRig r;
  r.rig.WriteFile("fx.eff", EffectBytes(WhiteSparks(30, 10)));
  TQZEffect* e = r.Effect("fx.eff", 100, 100);
  e->Start("Process");
  e->DAnim = 1;
  e->DoProcess();
  ASSERT_EQ(e->System()->Count(), 1);
  e->hxColor = 0xFF0000;
  e->SetOrder(2);
  e->Paint(1, 0xFFFFFFFF, 0, 0, 0);
  EXPECT_EQ(r.rig.Pixel(100, 100), 0u);
  e->Paint(2, 0x00000000, 0, 0, 0);  // the colour argument is not used
  EXPECT_EQ(r.rig.Pixel(100, 100), 0xFF0000u);
  EXPECT_TRUE(r.rig.Canvas().Smoothing());

  // Offsets round half to even: 2.5 -> 2, 3.5 -> 4.
  RecordingCanvas canvas;
  auto manager = std::make_unique<TXParticleManager>(&canvas);
  manager->SetSheet(r.rig.Cache().RequestImage("sheet.png", true));
  r.rig.Root().SetParticleManager(std::move(manager));
  e->Paint(2, 0xFFFFFFFF, 2.5, 3.5, 0);
  ASSERT_EQ(canvas.quads.size(), 1u);
  const auto& q = canvas.quads[0];
  EXPECT_DOUBLE_EQ((q.corners[0].x + q.corners[2].x) / 2, 102);
  EXPECT_DOUBLE_EQ((q.corners[0].y + q.corners[2].y) / 2, 104);
  EXPECT_EQ(q.colours[0], 0xFFFF0000u);
  EXPECT_EQ(q.effect, 1u);

  // A script-set mask with a top byte still draws with alpha 0xFF.
  e->hxColor = 0x1200FF00;
  canvas.quads.clear();
  e->Paint(2, 0xFFFFFFFF, 0, 0, 0);
  ASSERT_EQ(canvas.quads.size(), 1u);
  EXPECT_EQ(canvas.quads[0].colours[0], 0xFF00FF00u);
}

}  // namespace
}  // namespace scene
