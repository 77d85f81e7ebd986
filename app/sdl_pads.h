#pragma once
// SDL's game controllers and touch events as input lines: pads are opened as
// they are plugged in (several act as one) and what a pad held is let go when
// it is pulled out; fingers are placed in the frame through the window's
// picture, and a finger that comes down on a letterbox bar is ignored.

#include <cstdint>
#include <map>
#include <vector>

#include "app/input_script.h"

union SDL_Event;

namespace render {
class RenderDevice;
}

namespace app {

class SdlPads {
 public:
  // Starts SDL's game controller subsystem; pads already plugged in arrive as
  // added events. SDL's mouse events made from touches (and touches made from
  // the mouse) are switched off: each reaches the game once, as itself.
  SdlPads();
  ~SdlPads();
  SdlPads(const SdlPads&) = delete;
  SdlPads& operator=(const SdlPads&) = delete;

  // Appends the pad, axis and touch events an SDL event is; false for events
  // that are none of the pads' or the touch screen's.
  bool Translate(const SDL_Event& e, const render::RenderDevice& window,
                 std::vector<InputEvent>& out);

 private:
  struct Pad {
    void* controller = nullptr;       // SDL_GameController
    std::map<int32_t, int32_t> axes;  // axis -> value, nonzero ones
    std::map<int32_t, bool> buttons;  // buttons held
  };
  std::map<int32_t, Pad> pads_;         // by joystick instance
  std::map<int64_t, int32_t> fingers_;  // SDL finger -> finger number, fingers on the picture
  bool started_ = false;
};

}  // namespace app
