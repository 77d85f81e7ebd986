// Particle systems: the parameter block, emission with the carried
// fraction, the update step, emitter moves and trails, drawing order, the
// colour mask, culling, and the zero-length stages.

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "anim_fixture.h"
#include "platform/random.h"
#include "scene/particles.h"

namespace scene {
namespace {

using scene_test::RecordingCanvas;
using scene_test::SceneRig;

constexpr float kStep = 1.0f / 30.0f;

TEffectParams Steady(int32_t rate) {
  TEffectParams p;
  p.Rate = rate;
  p.Duration = 100;
  p.LifeA = p.LifeB = 50;
  p.SizeStart = p.SizeMid = p.SizeEnd = 1;
  p.ColourStart = p.ColourMid = p.ColourEnd = 0xFFFFFFFF;
  p.MidFraction = 0.5f;
  p.DrawEffect = 0x504;
  return p;
}

bool Finite(const TParticle& p) {
  const float* f = &p.Pattern;
  for (size_t i = 0; i < sizeof(TParticle) / sizeof(float); ++i)
    if (!std::isfinite(f[i])) return false;
  return true;
}

// The block: little-endian fields at fixed offsets; a short file fills only
// the start, bytes past 136 are ignored.
TEST(ParticleParams, BlockLayoutAndShortFiles) {
  TEffectParams p;
  p.StartFrame = 3;
  p.EndFrame = -1;
  p.Rate = 30;
  p.Duration = 1.5f;
  p.AlignToMotion = 1;
  p.ColourStart = 0x80FF0000;
  p.MidFraction = 0.25f;
  p.NewestFirst = 1;
  auto block = EncodeEffectParams(p);
  EXPECT_EQ(block[0], 3);
  EXPECT_EQ(block[4], 0xFF);
  EXPECT_EQ(block[7], 0xFF);
  EXPECT_EQ(block[16], 30);
  EXPECT_EQ(block[23], 0x3F);  // 1.5f = 0x3FC00000
  EXPECT_EQ(block[40], 1);
  EXPECT_EQ(block[108], 0x00);
  EXPECT_EQ(block[110], 0xFF);
  EXPECT_EQ(block[111], 0x80);
  EXPECT_EQ(block[132], 1);
  TEffectParams back = DecodeEffectParams(block);
  EXPECT_EQ(back.EndFrame, -1);
  EXPECT_EQ(back.ColourStart, 0x80FF0000u);
  EXPECT_FLOAT_EQ(back.MidFraction, 0.25f);

  // 10 bytes: StartFrame, EndFrame and half of the reserved word; the rest zero.
  TXParticleSystem sys(10);
  sys.SetParams(Steady(5));
  EXPECT_TRUE(sys.LoadFromStream({block.data(), 10}));
  EXPECT_EQ(sys.Params().StartFrame, 3);
  EXPECT_EQ(sys.Params().EndFrame, -1);
  EXPECT_EQ(sys.Params().Rate, 0);
  EXPECT_EQ(sys.Params().Duration, 0.0f);
  EXPECT_FALSE(sys.LoadFromStream({}));

  // Longer input: only the first 136 bytes count.
  std::vector<uint8_t> longer(block.begin(), block.end());
  longer.resize(500, 0xEE);
  EXPECT_TRUE(sys.LoadFromStream(longer));
  EXPECT_EQ(sys.Params().NewestFirst, 1);
  EXPECT_EQ(sys.Params().Reserved, 0);

  // Files: a missing file or a folder is not loaded.
  testing_support::TempDir dir;
  testing_support::WriteFile(dir / "e.eff", std::string(reinterpret_cast<char*>(block.data()), 20));
  EXPECT_TRUE(sys.LoadFromFile(dir / "e.eff"));
  EXPECT_EQ(sys.Params().Rate, 30);
  EXPECT_EQ(sys.Params().Duration, 0.0f);  // byte 20 on: zero
  EXPECT_FALSE(sys.LoadFromFile(dir / "none.eff"));
  EXPECT_FALSE(sys.LoadFromFile(dir.Path()));
}

// Rate 30 at dt 1/30 emits one particle per update; Rate 10 one every third
// update through the carried fraction (rounded half to even).
TEST(ParticleEmission, RateAndCarry) {
  platform::Rng().Seed(1);
  TXParticleSystem fast(100);
  fast.SetParams(Steady(30));
  fast.StartEmit();
  for (int i = 1; i <= 6; ++i) {
    fast.Step(kStep);
    EXPECT_EQ(fast.Count(), i);
  }
  TXParticleSystem slow(100);
  slow.SetParams(Steady(10));
  slow.StartEmit();
  const int expected[] = {0, 1, 1, 1, 2, 2, 2, 3, 3};
  for (int c : expected) {
    slow.Step(kStep);
    EXPECT_EQ(slow.Count(), c);
  }
  EXPECT_LT(std::fabs(slow.Carry()), 0.5f);

  // Capacity stops emission early; Duration ends it.
  TXParticleSystem small(3);
  TEffectParams p = Steady(300);
  p.Duration = 0.1f;
  small.SetParams(p);
  small.StartEmit();
  small.Step(kStep);
  EXPECT_EQ(small.Count(), 3);
  small.StopEmit(true);
  EXPECT_EQ(small.Count(), 0);
  small.StartEmit();
  for (int i = 0; i < 3; ++i) small.Step(kStep);
  EXPECT_FALSE(small.Emitting());  // 0.1 reached

  // No spawn points: neither starts nor emits. Duration 0: never emits.
  TXParticleSystem none(10);
  none.SetParams(Steady(30));
  none.ClearSpawnPoints();
  none.StartEmit();
  EXPECT_FALSE(none.Emitting());
  TXParticleSystem idle(10);
  p = Steady(30);
  p.Duration = 0;
  idle.SetParams(p);
  idle.StartEmit();
  EXPECT_FALSE(idle.Emitting());
}

// Patterns: EndFrame equal to StartFrame or below 0 keeps every particle on
// StartFrame; otherwise the pattern runs to EndFrame over the life.
TEST(ParticleEmission, FrameAnimation) {
  for (int32_t end : {5, -1}) {
    TXParticleSystem sys(10);
    TEffectParams p = Steady(30);
    p.StartFrame = 5;
    p.EndFrame = end;
    sys.SetParams(p);
    sys.StartEmit();
    for (int i = 0; i < 10; ++i) sys.Step(kStep);
    for (const TParticle& q : sys.Particles()) {
      EXPECT_EQ(q.Pattern, 5.0f);
      EXPECT_EQ(q.PatternSpeed, 0.0f);
    }
  }
  TXParticleSystem sys(10);
  TEffectParams p = Steady(30);
  p.StartFrame = 2;
  p.EndFrame = 12;
  p.LifeA = p.LifeB = 2;
  sys.SetParams(p);
  sys.StartEmit();
  sys.Step(kStep);
  sys.StopEmit(false);
  for (int i = 0; i < 30; ++i) sys.Step(kStep);  // one time unit: half the life
  EXPECT_NEAR(sys.Particles()[0].Pattern, 7.0f, 1e-3);
}

// Moving an emitting system by 100 pixels in one update spreads that
// update's particles along the path; a jump while not emitting leaves no
// trail. With shift the particles move along.
TEST(ParticleEmitter, TrailsAndShifts) {
  platform::Rng().Seed(7);
  TXParticleSystem sys(1000);
  sys.SetParams(Steady(3000));  // 100 per update
  sys.SetEmitterPos(10, 20, false);
  sys.StartEmit();
  sys.Step(kStep);
  const int32_t before = sys.Count();
  sys.SetEmitterPos(110, 20, false);
  sys.Step(kStep);
  float lo = 1e9f, hi = -1e9f;
  for (int32_t i = before; i < sys.Count(); ++i) {
    const TParticle& q = sys.Particles()[static_cast<size_t>(i)];
    lo = std::min(lo, q.PosX);
    hi = std::max(hi, q.PosX);
    EXPECT_FLOAT_EQ(q.PosY, 20);
    EXPECT_FLOAT_EQ(q.BirthOffsetX, q.PosX - 110);
  }
  EXPECT_GE(lo, 10);
  EXPECT_LT(hi, 110);
  EXPECT_LT(lo, 20);  // spread over the whole path
  EXPECT_GT(hi, 100);

  TXParticleSystem jump(1000);
  jump.SetParams(Steady(3000));
  jump.SetEmitterPos(10, 20, false);
  jump.SetEmitterPos(110, 20, false);  // not emitting: no trail
  jump.StartEmit();
  jump.Step(kStep);
  ASSERT_GT(jump.Count(), 0);
  for (const TParticle& q : jump.Particles()) EXPECT_FLOAT_EQ(q.PosX, 110);

  jump.MoveEmitter(5, 7, true);
  for (const TParticle& q : jump.Particles()) {
    EXPECT_FLOAT_EQ(q.PosX, 115);
    EXPECT_FLOAT_EQ(q.PosY, 27);
  }
  EXPECT_FLOAT_EQ(jump.PrevX(), 115);
}

// The update: velocity, gravity, radial and tangential acceleration (scaled
// by 10), stage change at the middle time, colour limits, and removal that
// keeps the order of the survivors.
TEST(ParticleStep, MotionStagesAndRemoval) {
  platform::Rng().Seed(3);
  TXParticleSystem sys(10);
  TEffectParams p = Steady(30);
  p.Direction = static_cast<float>(M_PI / 2);  // along +X
  p.SpeedA = p.SpeedB = 30;
  p.RadialA = p.RadialB = 2;
  p.TangentialA = p.TangentialB = 1;
  p.GravityA = p.GravityB = 0;
  p.LifeA = p.LifeB = 1;
  p.SizeStart = 1;
  p.SizeMid = 3;
  p.SizeEnd = 0;
  p.ColourStart = 0xFF000000;
  p.ColourMid = 0xFFFFFFFF;
  p.ColourEnd = 0x00FFFFFF;
  sys.SetParams(p);
  sys.StartEmit();
  sys.Step(kStep);
  sys.StopEmit(false);
  ASSERT_EQ(sys.Count(), 1);
  TParticle q = sys.Particles()[0];
  EXPECT_NEAR(q.VelX, 30, 1e-4);
  EXPECT_NEAR(q.SizeSpeed, 4, 1e-5);  // (3 - 1) / 0.5
  // First update: the particle is at its origin (no direction yet).
  sys.Step(kStep);
  q = sys.Particles()[0];
  EXPECT_NEAR(q.VelX, 30, 1e-4);
  EXPECT_NEAR(q.PosX, 1, 1e-4);
  // Then radially outwards (+X) and tangentially (+Y).
  sys.Step(kStep);
  q = sys.Particles()[0];
  EXPECT_NEAR(q.VelX, 30 + 2 * 10 * kStep, 1e-4);
  EXPECT_NEAR(q.VelY, 1 * 10 * kStep, 1e-4);
  // Past the middle: size heads for SizeEnd, colour for ColourEnd.
  for (int i = 0; i < 14; ++i) sys.Step(kStep);
  q = sys.Particles()[0];
  EXPECT_GT(q.Age, q.MidTime);
  EXPECT_LT(q.SizeSpeed, 0);
  EXPECT_LT(q.ColourSpeed[3], 0);
  for (float c : q.Colour) {
    EXPECT_GE(c, 0);
    EXPECT_LE(c, 255);
  }
  for (int i = 0; i < 20; ++i) sys.Step(kStep);
  EXPECT_EQ(sys.Count(), 0);

  // Removal keeps the order of the rest.
  platform::Rng().Seed(11);
  TXParticleSystem many(50);
  p = Steady(300);
  p.LifeA = 0.05f;
  p.LifeB = 1;
  many.SetParams(p);
  many.StartEmit();
  many.Step(kStep);
  many.StopEmit(false);
  std::vector<float> lives;
  for (const TParticle& t : many.Particles()) lives.push_back(t.Life);
  for (int i = 0; i < 10; ++i) many.Step(kStep);
  std::vector<float> expected;
  for (float l : lives)
    if (l > 11 * kStep + 1e-4f) expected.push_back(l);
  std::vector<float> got;
  for (const TParticle& t : many.Particles()) got.push_back(t.Life);
  EXPECT_EQ(got, expected);
  EXPECT_LT(got.size(), lives.size());
}

// A life of 0, a middle fraction of 0 or of 1: no value that is not a number
// or infinite, and nothing of the kind reaches the canvas.
TEST(ParticleStep, ZeroLengthStages) {
  SceneRig rig;
  rig.WritePicture("sheet.png", 8, 8, 0xFFFFFFFF);
  const render::RenderImage* sheet = rig.Cache().TextureOf(rig.Cache().RequestImage("sheet.png", true));
  ASSERT_NE(sheet, nullptr);
  struct Case {
    float lifeA, lifeB, mid;
  } cases[] = {{0, 0, 0.5f}, {1, 1, 0}, {1, 1, 1}, {0, 0, 0}, {1, 2, 0.999999f}, {-1, -1, 0.5f}};
  for (const Case& c : cases) {
    platform::Rng().Seed(5);
    TXParticleSystem sys(100);
    TEffectParams p = Steady(300);
    p.LifeA = c.lifeA;
    p.LifeB = c.lifeB;
    p.MidFraction = c.mid;
    p.SizeEnd = 4;
    p.ColourEnd = 0;
    p.StartFrame = 0;
    p.EndFrame = 3;
    sys.SetParams(p);
    sys.SetImage(sheet);
    sys.SetEmitterPos(100, 100, false);
    sys.StartEmit();
    RecordingCanvas canvas;
    for (int i = 0; i < 90; ++i) {
      sys.Step(kStep);
      for (const TParticle& q : sys.Particles()) {
        ASSERT_TRUE(Finite(q)) << c.lifeA << " " << c.mid;
        // A life of 0 or less: only this update's newborns are alive.
        if (c.lifeA <= 0) {
          ASSERT_EQ(q.Age, 0.0f);
        }
      }
      sys.DrawParticles(canvas, 0, 0, 0xFFFFFFFF);
    }
    for (const auto& q : canvas.quads)
      for (const auto& pt : q.corners) ASSERT_TRUE(std::isfinite(pt.x) && std::isfinite(pt.y));
  }
  // MidFraction 0: the particle heads for the end values from birth.
  platform::Rng().Seed(5);
  TXParticleSystem sys(10);
  TEffectParams p = Steady(30);
  p.LifeA = p.LifeB = 2;
  p.MidFraction = 0;
  p.SizeEnd = 5;
  sys.SetParams(p);
  sys.StartEmit();
  sys.Step(kStep);
  EXPECT_NEAR(sys.Particles()[0].SizeSpeed, 2.0f, 1e-5);  // (5 - 1) / 2
}

// Drawing: oldest first unless NewestFirst; colours ANDed with the mask;
// particles off the screen are not sent to the canvas.
TEST(ParticleDraw, OrderMaskAndCulling) {
  SceneRig rig;
  rig.WritePicture("sheet.png", 8, 8, 0xFFFFFFFF);
  const render::RenderImage* sheet = rig.Cache().TextureOf(rig.Cache().RequestImage("sheet.png", true));
  for (uint8_t newestFirst : {0, 1}) {
    TXParticleSystem sys(10);
    TEffectParams p = Steady(30);
    p.DrawEffect = 1;
    p.NewestFirst = newestFirst;
    p.ColourStart = p.ColourMid = 0xFFFF0000;  // the older one red
    sys.SetParams(p);
    sys.SetImage(sheet);
    sys.SetEmitterPos(50, 50, false);
    sys.StartEmit();
    sys.Step(kStep);
    p.ColourStart = p.ColourMid = 0xFF0000FF;  // the newer one blue
    sys.SetParams(p);
    sys.Step(kStep);
    ASSERT_EQ(sys.Count(), 2);
    rig.Clear();
    sys.DrawParticles(rig.Canvas(), 0, 0, 0xFFFFFFFF);
    EXPECT_EQ(rig.Pixel(50, 50), newestFirst ? 0xFF0000u : 0x0000FFu);
    // Offsets in whole pixels.
    rig.Clear();
    sys.DrawParticles(rig.Canvas(), 100, 10, 0xFFFFFFFF);
    EXPECT_NE(rig.Pixel(150, 60), 0u);
    EXPECT_EQ(rig.Pixel(50, 50), 0u);
  }

  // The mask is a bitwise AND: a white particle under 0xFFFF0000 stays red only.
  TXParticleSystem sys(10);
  TEffectParams p = Steady(30);
  p.DrawEffect = 1;
  p.ColourStart = p.ColourMid = 0xFFC0A080;
  sys.SetParams(p);
  sys.SetImage(sheet);
  sys.SetEmitterPos(50, 50, false);
  sys.StartEmit();
  sys.Step(kStep);
  rig.Clear();
  sys.DrawParticles(rig.Canvas(), 0, 0, 0xFF0F0F0F);
  EXPECT_EQ(rig.Pixel(50, 50), 0x000000u);  // C0 & 0F = 0, A0 & 0F = 0, 80 & 0F = 0
  rig.Clear();
  sys.DrawParticles(rig.Canvas(), 0, 0, 0xFFFF0000);
  EXPECT_EQ(rig.Pixel(50, 50), 0xC00000u);

  // Culling: scaled pattern wholly outside the frame.
  RecordingCanvas canvas;
  sys.DrawParticles(canvas, 0, 0, 0xFFFFFFFF);
  EXPECT_EQ(canvas.quads.size(), 1u);
  // The particle is at (50, 50), 8 x 8 at scale 1: culled when x + 8 < 0,
  // y + 8 < 0, x - 8 > 1024 or y - 8 > 768.
  for (auto [ox, oy] : {std::pair{-59, 0}, {0, -59}, {983, 0}, {0, 727}}) {
    canvas.quads.clear();
    sys.DrawParticles(canvas, ox, oy, 0xFFFFFFFF);
    EXPECT_EQ(canvas.quads.size(), 0u) << ox << "," << oy;
  }
  for (auto [ox, oy] : {std::pair{-58, 0}, {0, -58}, {982, 0}, {0, 726}}) {
    canvas.quads.clear();
    sys.DrawParticles(canvas, ox, oy, 0xFFFFFFFF);
    EXPECT_EQ(canvas.quads.size(), 1u) << ox << "," << oy;
  }

  // Without an image nothing is drawn.
  sys.SetImage(nullptr);
  canvas.quads.clear();
  sys.DrawParticles(canvas, 0, 0, 0xFFFFFFFF);
  EXPECT_TRUE(canvas.quads.empty());
}

// Any 136 bytes make a system that steps and draws without values that are
// not numbers reaching the canvas and without growing past its capacity.
TEST(ParticleStep, AnyBlockIsSafe) {
  SceneRig rig;
  rig.WritePicture("sheet.png", 8, 8, 0xFFFFFFFF);
  const render::RenderImage* sheet = rig.Cache().TextureOf(rig.Cache().RequestImage("sheet.png", true));
  std::mt19937 bytes(12345);
  platform::Rng().Seed(9);
  for (int round = 0; round < 300; ++round) {
    std::array<uint8_t, kEffectBlockSize> block;
    for (auto& b : block) b = static_cast<uint8_t>(bytes());
    if (round % 3 == 0) {
      // Mostly sane floats, so that particles live and move.
      TEffectParams p = DecodeEffectParams(block);
      p.Duration = 10;
      p.Rate = static_cast<int32_t>(bytes() % 5000) - 100;
      p.LifeA = static_cast<float>(bytes() % 100) / 10 - 1;
      p.MidFraction = static_cast<float>(bytes() % 30) / 10 - 1;
      block = EncodeEffectParams(p);
    }
    TXParticleSystem sys(200);
    sys.LoadFromStream(block);
    sys.SetImage(sheet);
    sys.SetEmitterPos(500, 400, false);
    sys.StartEmit();
    RecordingCanvas canvas;
    for (int i = 0; i < 20; ++i) {
      sys.MoveEmitter(3, -2, i % 2 == 0);
      sys.Step(kStep);
      ASSERT_LE(sys.Count(), sys.Capacity());
      sys.DrawParticles(canvas, 0, 0, 0xFFFFFFFF);
    }
    for (const auto& q : canvas.quads) {
      for (const auto& pt : q.corners) ASSERT_TRUE(std::isfinite(pt.x) && std::isfinite(pt.y)) << round;
    }
    if (round % 50 == 0) sys.DrawParticles(rig.Canvas(), 0, 0, 0xFFFFFFFF);
  }
}

}  // namespace
}  // namespace scene
