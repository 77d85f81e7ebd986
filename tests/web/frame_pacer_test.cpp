// Animation-frame callbacks of displays at several rates run passes about
// 30 times a second; a stall restarts the rhythm instead of catching up.

#include <gtest/gtest.h>

#include "web/frame_pacer.h"

namespace web {
namespace {

// Passes run by callbacks every `interval` ms over one simulated second.
int PassesInASecond(double interval) {
  FramePacer pacer;
  int passes = 0;
  for (double t = 0; t < 1000.0 - 1e-9; t += interval) passes += pacer.Due(t) ? 1 : 0;
  return passes;
}

TEST(FramePacer, ThirtyPassesASecondAtEveryDisplayRate) {
  struct Case {
    double hz;
    int low, high;
  } cases[] = {
      {30, 30, 30}, {60, 30, 30}, {75, 25, 31}, {90, 30, 30}, {120, 30, 30}, {144, 28, 31}, {240, 30, 31},
  };
  for (const Case& c : cases) {
    const int n = PassesInASecond(1000.0 / c.hz);
    EXPECT_GE(n, c.low) << c.hz << " Hz";
    EXPECT_LE(n, c.high) << c.hz << " Hz";
  }
  // A display slower than 30 Hz gets a pass at every callback.
  EXPECT_EQ(PassesInASecond(1000.0 / 20), 20);
}

TEST(FramePacer, AStallRestartsTheRhythm) {
  FramePacer pacer;
  EXPECT_TRUE(pacer.Due(0));
  EXPECT_FALSE(pacer.Due(16.7));
  EXPECT_TRUE(pacer.Due(33.4));
  // A hidden tab gets no callbacks for seconds: one pass, then the usual pace.
  EXPECT_TRUE(pacer.Due(5000));
  EXPECT_FALSE(pacer.Due(5016.7));
  EXPECT_TRUE(pacer.Due(5033.4));
}

}  // namespace
}  // namespace web
