#pragma once
// What the window's loop keeps from one pass to the next (sdl_events.cpp).
// A pass is self-contained so that a browser, which calls it once per frame
// callback, runs the very same pass as the native loop.

#include <cstdint>
#include <vector>

#include "app/input_script.h"
#include "app/sdl_pads.h"
#include "render/picture_fit.h"

namespace scene {
class TQZText;
}

namespace app {

struct WindowLoopState {
  SdlPads pads;
  std::vector<InputEvent> padEvents;
  bool padLast = false;  // the last live input came from a pad or a finger
  scene::TQZText* focused = nullptr;
  // The motion a cursor warp makes is not input.
  bool warped = false;
  render::LogicalPoint warpedTo;
  int64_t stepLimit = -1;
  uint64_t nextReplayFrame = 0;  // SDL ticks
};

}  // namespace app
