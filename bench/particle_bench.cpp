// Particle update speed: 20 effects of 5000 live particles each, stepped at
// the game's 1/30 time unit, with every force in use and particles dying and
// being replaced all the time. Reports particles updated per second.

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "platform/random.h"
#include "scene/particles.h"

namespace {

constexpr int kEffects = 20;
constexpr int kCapacity = 5000;
constexpr float kStep = 1.0f / 30.0f;

scene::TEffectParams BusyEffect() {
  scene::TEffectParams p;
  p.Rate = 4000;  // enough to keep the system full as particles die
  p.Duration = 1e9f;
  p.LifeA = 1;
  p.LifeB = 3;
  p.Direction = 3.14159f;
  p.Spread = 1.5f;
  p.SpeedA = 20;
  p.SpeedB = 80;
  p.GravityA = 1;
  p.GravityB = 3;
  p.RadialA = -2;
  p.RadialB = 2;
  p.TangentialA = -1;
  p.TangentialB = 1;
  p.SizeStart = 0.2f;
  p.SizeMid = 1;
  p.SizeEnd = 0.1f;
  p.SizeVar = 0.5f;
  p.AngleEnd = 6;
  p.ColourStart = 0xFFFFFF80;
  p.ColourMid = 0xC0FF8000;
  p.ColourEnd = 0x00800000;
  p.ColourVar = 0.3f;
  p.AlphaVar = 0.2f;
  p.MidFraction = 0.4f;
  p.StartFrame = 0;
  p.EndFrame = 7;
  return p;
}

void BM_StepTwentyFullEffects(benchmark::State& state) {
  platform::Rng().Seed(1);
  std::vector<std::unique_ptr<scene::TXParticleSystem>> systems;
  for (int i = 0; i < kEffects; ++i) {
    auto s = std::make_unique<scene::TXParticleSystem>(kCapacity);
    s->SetParams(BusyEffect());
    s->SetEmitterPos(100.0f + 40 * i, 300, false);
    s->StartEmit();
    for (int k = 0; k < 60; ++k) s->Step(kStep);  // fill up
    systems.push_back(std::move(s));
  }
  int64_t updated = 0;
  int step = 0;
  for (auto _ : state) {
    for (auto& s : systems) {
      updated += s->Count();
      // A moving emitter, as effects that follow an object.
      s->SetEmitterPos(s->PosX + ((step & 32) ? -2.0f : 2.0f), s->PosY, false);
      s->Step(kStep);
    }
    ++step;
  }
  int64_t live = 0;
  for (auto& s : systems) live += s->Count();
  state.counters["particles/s"] = benchmark::Counter(static_cast<double>(updated), benchmark::Counter::kIsRate);
  state.counters["live"] = static_cast<double>(live);
}
BENCHMARK(BM_StepTwentyFullEffects)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
