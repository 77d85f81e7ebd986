#pragma once
// FrameTimer: the fixed-step frame timer, driven by idle calls.
//
// Each idle call (Idle):
//  1. measures the time since the last measurement and takes now as the new
//     last-measured time;
//  2. when disabled, sleeps 5 ms and returns;
//  3. when less than one frame period (1000 / MaxFPS ms) has passed, sleeps
//     for the rest of it in whole milliseconds (truncated); the sleep counts
//     in the next measurement;
//  4. converts the elapsed time into steps (elapsed / (1000 / Speed ms)) as a
//     20-bit fixed-point number, at most 32 steps;
//  5. adds them to the step accumulator only when Process was called since
//     the previous idle call (steps pile up only while frames are processed);
//  6. calls OnTimer, which normally renders, calls Process and presents.
// Process runs OnProcess once per whole step in the accumulator and keeps the
// fraction.
//
// In virtual mode (headless runs) the clock plays no part: every idle call
// gives exactly one step while enabled and none while disabled, never sleeps,
// and always calls OnTimer, so each loop pass draws one frame.

#include <cstdint>
#include <functional>

namespace render {

// Milliseconds with a 20-bit binary fraction.
inline constexpr int kTimeFractionBits = 20;
inline constexpr int64_t kOneStep = int64_t{1} << kTimeFractionBits;

class FrameClock {
 public:
  virtual ~FrameClock() = default;
  // Milliseconds since an arbitrary start, in 20-bit fixed point; never decreases.
  virtual int64_t Now() = 0;
  virtual void SleepMs(int milliseconds) = 0;
};

// The high-resolution performance counter and SDL_Delay. A clock that does
// not sleep is for loops whose host paces the calls (a browser's frame
// callbacks, where a sleep could only spin).
class SdlClock final : public FrameClock {
 public:
  explicit SdlClock(bool sleeps = true);
  int64_t Now() override;
  void SleepMs(int milliseconds) override;

 private:
  uint64_t start_;
  uint64_t frequency_;
  bool sleeps_;
};

// A clock that moves only when told to, or when someone sleeps on it (tests).
class ManualClock final : public FrameClock {
 public:
  int64_t Now() override { return now_; }
  void SleepMs(int milliseconds) override;
  void AdvanceMs(double milliseconds);
  // Total milliseconds slept and the number of sleeps.
  int64_t SleptMs() const { return sleptMs_; }
  int Sleeps() const { return sleeps_; }

 private:
  int64_t now_ = 0;
  int64_t sleptMs_ = 0;
  int sleeps_ = 0;
};

class FrameTimer {
 public:
  static constexpr int kMaxStepsPerIdle = 32;

  // The clock must outlive the timer. The timer starts enabled.
  explicit FrameTimer(FrameClock& clock);

  // Process steps per second; values below 1 (and NaN) become 1.
  double Speed() const { return speed_; }
  void SetSpeed(double stepsPerSecond);
  // Frame rate cap; values of 0 or less become 1.
  int MaxFPS() const { return maxFps_; }
  void SetMaxFPS(int framesPerSecond);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled) { enabled_ = enabled; }
  bool Virtual() const { return virtual_; }
  void SetVirtual(bool on) { virtual_ = on; }
  // The steps the next virtual idle call gives while enabled (a replayed
  // frame of a window session); afterwards it gives one again.
  void SetVirtualSteps(int steps) { virtualSteps_ = steps; }

  void SetOnTimer(std::function<void()> callback) { onTimer_ = std::move(callback); }
  void SetOnProcess(std::function<void()> callback) { onProcess_ = std::move(callback); }

  // Takes now as the last-measured time: the time spent since (loading, a
  // pause) produces no steps.
  void ResetClock();
  // Runs OnProcess for each whole step in the accumulator, keeping the fraction.
  void Process();
  // One idle call (see above).
  void Idle();

  // Steps waiting in the accumulator, in 20-bit fixed point.
  int64_t Accumulator() const { return accumulator_; }

 private:
  FrameClock& clock_;
  double speed_ = 30;
  int maxFps_ = 30;
  bool enabled_ = true;
  bool virtual_ = false;
  bool processed_ = false;
  int virtualSteps_ = 1;
  int64_t last_;
  int64_t accumulator_ = 0;
  std::function<void()> onTimer_;
  std::function<void()> onProcess_;
};

}  // namespace render
