#include "render/frame_timer.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>

namespace render {

SdlClock::SdlClock(bool sleeps)
    : start_(SDL_GetPerformanceCounter()), frequency_(SDL_GetPerformanceFrequency()), sleeps_(sleeps) {
  if (frequency_ == 0) frequency_ = 1000;
}

int64_t SdlClock::Now() {
  const uint64_t ticks = SDL_GetPerformanceCounter() - start_;
  // ticks x 1000 x 2^20 / frequency without overflowing: whole seconds and the remainder apart.
  constexpr uint64_t kScale = uint64_t{1000} << kTimeFractionBits;
  const uint64_t seconds = ticks / frequency_;
  const uint64_t rest = ticks % frequency_;
  const unsigned __int128 part = static_cast<unsigned __int128>(rest) * kScale / frequency_;
  return static_cast<int64_t>(seconds * kScale + static_cast<uint64_t>(part));
}

void SdlClock::SleepMs(int milliseconds) {
  if (milliseconds > 0 && sleeps_) SDL_Delay(static_cast<Uint32>(milliseconds));
}

void ManualClock::SleepMs(int milliseconds) {
  if (milliseconds <= 0) return;
  now_ += int64_t{milliseconds} << kTimeFractionBits;
  sleptMs_ += milliseconds;
  ++sleeps_;
}

void ManualClock::AdvanceMs(double milliseconds) {
  now_ += static_cast<int64_t>(std::llround(milliseconds * kOneStep));
}

FrameTimer::FrameTimer(FrameClock& clock) : clock_(clock), last_(clock.Now()) {}

void FrameTimer::SetSpeed(double stepsPerSecond) {
  speed_ = (stepsPerSecond >= 1 && std::isfinite(stepsPerSecond)) ? stepsPerSecond : 1;
  if (std::isinf(stepsPerSecond) && stepsPerSecond > 0) speed_ = 1e6;
}

void FrameTimer::SetMaxFPS(int framesPerSecond) { maxFps_ = framesPerSecond > 0 ? framesPerSecond : 1; }

void FrameTimer::ResetClock() { last_ = clock_.Now(); }

void FrameTimer::Process() {
  processed_ = true;
  while (accumulator_ >= kOneStep) {
    accumulator_ -= kOneStep;
    if (onProcess_) onProcess_();
  }
}

void FrameTimer::Idle() {
  if (virtual_) {
    accumulator_ = enabled_ ? virtualSteps_ * kOneStep : 0;
    virtualSteps_ = 1;
    if (onTimer_) onTimer_();
    return;
  }
  const int64_t now = clock_.Now();
  int64_t elapsed = now - last_;
  if (elapsed < 0) elapsed = 0;
  last_ = now;
  if (!enabled_) {
    processed_ = false;  // a Process before this call is not "since the previous idle call"
    clock_.SleepMs(5);
    return;
  }
  const int64_t framePeriod = (int64_t{1000} << kTimeFractionBits) / maxFps_;
  if (elapsed < framePeriod) {
    clock_.SleepMs(static_cast<int>((framePeriod - elapsed) >> kTimeFractionBits));
  }
  // elapsed x Speed / 1000 in 20-bit fixed point; the cap keeps the product small.
  const int64_t capped = std::min<int64_t>(elapsed, int64_t{3600000} << kTimeFractionBits);
  int64_t steps = static_cast<int64_t>(static_cast<double>(capped) * speed_ / 1000.0);
  steps = std::min<int64_t>(steps, kMaxStepsPerIdle * kOneStep);
  if (processed_) {
    accumulator_ += steps;
    processed_ = false;
  }
  if (onTimer_) onTimer_();
}

}  // namespace render
