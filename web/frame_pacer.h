#pragma once
// Which browser callbacks run a pass. Animation frames come at the display's
// rate (60, 75, 144 Hz...), passes are wanted 30 times a second: a callback
// runs one when the next pass is due, give or take a little, so that a 60 Hz
// display runs every second callback. The frame timer measures the time
// between passes itself, so an uneven rhythm changes smoothness, never speed.
// Yields inside a step (the loading progress) are paced the same way: one
// picture per pass period reaches the screen, the others are only drawn.

namespace web {

class FramePacer {
 public:
  explicit FramePacer(double periodMs = 1000.0 / 30.0, double earlyMs = 8.0)
      : periodMs_(periodMs), earlyMs_(earlyMs) {}

  // At callback time nowMs: true when a pass is to run now.
  bool Due(double nowMs);

 private:
  double periodMs_;
  double earlyMs_;
  double next_ = 0;
  bool started_ = false;
};

}  // namespace web
