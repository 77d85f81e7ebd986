#include "app/sdl_pads.h"

#include <SDL.h>

#include <algorithm>

#include "app/pad_input.h"
#include "render/render_device.h"

namespace app {

namespace {

InputEvent PadEvent(InputEvent::Kind kind, int32_t code, int32_t value) {
  InputEvent ev;
  ev.kind = kind;
  ev.code = code;
  ev.value = value;
  return ev;
}

// SDL's name of a button or an axis; SDL answers null for ones it has none for.
std::optional<PadButton> ButtonOf(int b) {
  const char* name = SDL_GameControllerGetStringForButton(static_cast<SDL_GameControllerButton>(b));
  return PadButtonFromName(name ? name : "");
}

std::optional<PadAxis> AxisOf(int a) {
  const char* name = SDL_GameControllerGetStringForAxis(static_cast<SDL_GameControllerAxis>(a));
  return PadAxisFromName(name ? name : "");
}

}  // namespace

SdlPads::SdlPads() {
  SDL_SetHint(SDL_HINT_TOUCH_MOUSE_EVENTS, "0");
  SDL_SetHint(SDL_HINT_MOUSE_TOUCH_EVENTS, "0");
  started_ = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
}

SdlPads::~SdlPads() {
  for (auto& [id, pad] : pads_)
    SDL_GameControllerClose(static_cast<SDL_GameController*>(pad.controller));
  if (started_) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

bool SdlPads::Translate(const SDL_Event& e, const render::RenderDevice& window,
                        std::vector<InputEvent>& out) {
  switch (e.type) {
    case SDL_CONTROLLERDEVICEADDED: {
      SDL_GameController* c = SDL_GameControllerOpen(e.cdevice.which);
      if (!c) return true;
      const int32_t id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(c));
      if (pads_.count(id)) {
        SDL_GameControllerClose(c);
        return true;
      }
      Pad& pad = pads_[id];
      pad.controller = c;
      // A pad plugged in with a stick pushed or a button held says so only now.
      for (int a = 0; a < SDL_CONTROLLER_AXIS_MAX; ++a) {
        const auto axis = AxisOf(a);
        const int32_t value = SDL_GameControllerGetAxis(c, static_cast<SDL_GameControllerAxis>(a));
        if (!axis || value == 0) continue;
        pad.axes[static_cast<int32_t>(*axis)] = value;
        out.push_back(PadEvent(InputEvent::Kind::Axis, static_cast<int32_t>(*axis), value));
      }
      for (int b = 0; b < SDL_CONTROLLER_BUTTON_MAX; ++b) {
        const auto button = ButtonOf(b);
        if (!button || !SDL_GameControllerGetButton(c, static_cast<SDL_GameControllerButton>(b)))
          continue;
        pad.buttons[static_cast<int32_t>(*button)] = true;
        out.push_back(PadEvent(InputEvent::Kind::Pad, static_cast<int32_t>(*button), 1));
      }
      return true;
    }
    case SDL_CONTROLLERDEVICEREMOVED: {
      auto it = pads_.find(e.cdevice.which);
      if (it == pads_.end()) return true;
      // What the pad held is let go, as if its buttons were released.
      for (const auto& [button, held] : it->second.buttons)
        if (held) out.push_back(PadEvent(InputEvent::Kind::Pad, button, 0));
      for (const auto& [axis, value] : it->second.axes)
        if (value) out.push_back(PadEvent(InputEvent::Kind::Axis, axis, 0));
      SDL_GameControllerClose(static_cast<SDL_GameController*>(it->second.controller));
      pads_.erase(it);
      return true;
    }
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
      auto it = pads_.find(e.cbutton.which);
      const auto button = ButtonOf(e.cbutton.button);
      if (it == pads_.end() || !button) return true;
      const bool down = e.type == SDL_CONTROLLERBUTTONDOWN;
      it->second.buttons[static_cast<int32_t>(*button)] = down;
      out.push_back(PadEvent(InputEvent::Kind::Pad, static_cast<int32_t>(*button), down ? 1 : 0));
      return true;
    }
    case SDL_CONTROLLERAXISMOTION: {
      auto it = pads_.find(e.caxis.which);
      const auto axis = AxisOf(e.caxis.axis);
      if (it == pads_.end() || !axis) return true;
      it->second.axes[static_cast<int32_t>(*axis)] = e.caxis.value;
      out.push_back(PadEvent(InputEvent::Kind::Axis, static_cast<int32_t>(*axis), e.caxis.value));
      return true;
    }
    case SDL_FINGERDOWN:
    case SDL_FINGERMOTION:
    case SDL_FINGERUP: {
      if (e.tfinger.touchId == SDL_MOUSE_TOUCHID || !window.Window()) return true;
      int w = 0, h = 0;
      SDL_GetWindowSize(window.Window(), &w, &h);
      const int wx = static_cast<int>(e.tfinger.x * w), wy = static_cast<int>(e.tfinger.y * h);
      auto it = fingers_.find(e.tfinger.fingerId);
      if (e.type == SDL_FINGERDOWN) {
        const render::PictureRect p = window.WindowPicture();
        if (it != fingers_.end() || wx < p.x || wy < p.y || wx >= p.x + p.width ||
            wy >= p.y + p.height)
          return true;
        int32_t number = 0;
        while (std::any_of(fingers_.begin(), fingers_.end(),
                           [&](const auto& f) { return f.second == number; }))
          ++number;
        it = fingers_.emplace(e.tfinger.fingerId, number).first;
      }
      if (it == fingers_.end()) return true;
      const render::LogicalPoint at = window.WindowToLogical(wx, wy);
      InputEvent ev;
      ev.kind = InputEvent::Kind::Touch;
      ev.code = static_cast<int32_t>(e.type == SDL_FINGERDOWN ? TouchPhase::Down
                                     : e.type == SDL_FINGERUP ? TouchPhase::Up
                                                              : TouchPhase::Move);
      ev.x = at.x;
      ev.y = at.y;
      ev.value = it->second;
      if (e.type == SDL_FINGERUP) fingers_.erase(it);
      out.push_back(ev);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace app
