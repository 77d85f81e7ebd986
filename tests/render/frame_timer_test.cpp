// The frame timer on a manual clock: steps from elapsed time, the 32-step cap, sleeping for the
// rest of a frame, ResetClock, disabled periods and the virtual one-step-per-pass mode.

#include <gtest/gtest.h>

#include <limits>

#include "render/frame_timer.h"

namespace {

using render::FrameTimer;
using render::ManualClock;

// A timer wired like the main window: OnTimer counts a frame and calls Process.
struct Rig {
  ManualClock clock;
  FrameTimer timer{clock};
  int frames = 0;
  int steps = 0;
  Rig() {
    timer.SetOnTimer([this] {
      ++frames;
      timer.Process();
    });
    timer.SetOnProcess([this] { ++steps; });
  }
  // Advances the clock and makes one idle call; returns the steps it produced.
  int Idle(double ms) {
    const int before = steps;
    clock.AdvanceMs(ms);
    timer.Idle();
    return steps - before;
  }
};

TEST(FrameTimer, StepsAccumulateWithFractions) {
  Rig rig;
  // The first idle call adds nothing: Process has not run yet.
  EXPECT_EQ(rig.Idle(50), 0);
  // 50 ms at 30 steps per second is 1.5 steps: 1, 2, 1, 2.
  EXPECT_EQ(rig.Idle(50), 1);
  EXPECT_EQ(rig.Idle(50), 2);
  EXPECT_EQ(rig.Idle(50), 1);
  EXPECT_EQ(rig.Idle(50), 2);
  EXPECT_EQ(rig.frames, 5);
  EXPECT_EQ(rig.clock.Sleeps(), 0) << "50 ms is longer than a frame";
  rig.timer.SetSpeed(60);
  EXPECT_EQ(rig.Idle(50), 3);
}

TEST(FrameTimer, SlowFrameCatchesUpAtMost32Steps) {
  Rig rig;
  rig.Idle(40);
  EXPECT_EQ(rig.Idle(5000), 32);
  EXPECT_EQ(rig.timer.Accumulator(), 0);
  EXPECT_EQ(rig.Idle(1e9), 32);
}

// A short frame sleeps for the rest of the period (whole milliseconds, truncated) and the sleep
// counts in the next measurement.
TEST(FrameTimer, SleepsForTheRestOfAFrame) {
  Rig rig;
  rig.Idle(40);
  EXPECT_EQ(rig.Idle(10), 0);  // 10 ms = 0.3 steps
  EXPECT_EQ(rig.clock.Sleeps(), 1);
  EXPECT_EQ(rig.clock.SleptMs(), 23);  // 33.33 - 10, truncated
  // The 23 ms slept plus 10 more: 0.3 + 0.99 steps.
  EXPECT_EQ(rig.Idle(10), 1);
  rig.timer.SetMaxFPS(0);  // becomes 1 frame per second
  EXPECT_EQ(rig.timer.MaxFPS(), 1);
  rig.Idle(100);
  EXPECT_EQ(rig.clock.SleptMs(), 23 + 900);  // 33 ms left 0.33 ms: no sleep
}

TEST(FrameTimer, ResetClockDropsTheTimeBefore) {
  Rig rig;
  rig.Idle(40);
  rig.clock.AdvanceMs(10000);  // loading
  rig.timer.ResetClock();
  EXPECT_EQ(rig.Idle(50), 1);
  EXPECT_EQ(rig.Idle(50), 2);
}

TEST(FrameTimer, DisabledTimerSleepsAndRunsNothing) {
  Rig rig;
  rig.Idle(40);
  rig.timer.SetEnabled(false);
  EXPECT_EQ(rig.Idle(1000), 0);
  EXPECT_EQ(rig.Idle(1000), 0);
  EXPECT_EQ(rig.frames, 1);
  EXPECT_EQ(rig.clock.SleptMs(), 10);
  // Enabled again: the time spent disabled was measured away, no burst of steps. The first
  // frame after a pause adds nothing because no Process ran since the previous idle call.
  rig.timer.SetEnabled(true);
  EXPECT_EQ(rig.Idle(50), 0);
  EXPECT_EQ(rig.Idle(50), 1);
}

TEST(FrameTimer, SpeedAndRateLimits) {
  ManualClock clock;
  FrameTimer timer(clock);
  EXPECT_EQ(timer.Speed(), 30);
  EXPECT_EQ(timer.MaxFPS(), 30);
  timer.SetSpeed(0.5);
  EXPECT_EQ(timer.Speed(), 1);
  timer.SetSpeed(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(timer.Speed(), 1);
  timer.SetSpeed(12.5);
  EXPECT_EQ(timer.Speed(), 12.5);
  timer.SetMaxFPS(-5);
  EXPECT_EQ(timer.MaxFPS(), 1);
}

// Headless passes: exactly one step per pass while enabled, none while paused; every pass draws.
TEST(FrameTimer, VirtualModeOneStepPerPass) {
  Rig rig;
  rig.timer.SetVirtual(true);
  EXPECT_EQ(rig.Idle(0), 1);
  EXPECT_EQ(rig.Idle(5000), 1);
  EXPECT_EQ(rig.Idle(0.001), 1);
  rig.timer.SetEnabled(false);
  EXPECT_EQ(rig.Idle(50), 0);
  EXPECT_EQ(rig.Idle(50), 0);
  rig.timer.SetEnabled(true);
  EXPECT_EQ(rig.Idle(0), 1);
  EXPECT_EQ(rig.frames, 6);
  EXPECT_EQ(rig.clock.Sleeps(), 0);
}

TEST(FrameTimer, SdlClockMovesForward) {
  render::SdlClock clock;
  const int64_t a = clock.Now();
  clock.SleepMs(2);
  const int64_t b = clock.Now();
  EXPECT_GE(a, 0);
  EXPECT_GT(b, a);
}

}  // namespace
