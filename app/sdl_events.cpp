// The window's event loop: SDL events become the main window's handlers, and
// the frame timer runs between event batches.

#include <SDL.h>

#include "app/main_window.h"
#include "app/vk_codes.h"
#include "platform/codepage.h"
#include "render/frame_timer.h"
#include "render/render_device.h"
#include "scene/db.h"

namespace app {

int TFormMain::RunWindow() {
  SDL_StartTextInput();
  const int64_t stepLimit = options_.steps.value_or(-1);
  while (!closing_) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
      switch (e.type) {
        case SDL_QUIT: closing_ = true; break;
        case SDL_WINDOWEVENT:
          switch (e.window.event) {
            case SDL_WINDOWEVENT_FOCUS_GAINED: WMActivate(true, minimised_); break;
            case SDL_WINDOWEVENT_FOCUS_LOST: WMActivate(false, minimised_); break;
            case SDL_WINDOWEVENT_MINIMIZED: WMActivate(windowActive_, true); break;
            case SDL_WINDOWEVENT_RESTORED: WMActivate(windowActive_, false); break;
            case SDL_WINDOWEVENT_EXPOSED: FormPaint(); break;
            case SDL_WINDOWEVENT_CLOSE: closing_ = true; break;
            default: break;
          }
          break;
        case SDL_RENDER_DEVICE_RESET:
        case SDL_RENDER_TARGETS_RESET:
          if (window_) window_->HandleRendererReset();
          break;
        case SDL_MOUSEMOTION: {
          auto p = window_->WindowToLogical(e.motion.x, e.motion.y);
          FormMouseMove(p.x, p.y);
          break;
        }
        case SDL_MOUSEBUTTONDOWN: {
          auto p = window_->WindowToLogical(e.button.x, e.button.y);
          FormMouseDown(p.x, p.y);
          break;
        }
        case SDL_MOUSEBUTTONUP: {
          auto p = window_->WindowToLogical(e.button.x, e.button.y);
          FormMouseUp(p.x, p.y);
          break;
        }
        case SDL_KEYDOWN: {
          const SDL_Keycode k = e.key.keysym.sym;
          const Uint16 mod = e.key.keysym.mod;
          const bool altOnly =
              (mod & KMOD_ALT) && !(mod & (KMOD_CTRL | KMOD_SHIFT | KMOD_GUI));
          if (int vk = VirtualKeyFromSdl(k)) FormKeyDown(vk, altOnly);
          // These characters come from key presses, as the window's
          // character messages give them.
          if (k == SDLK_BACKSPACE) WMChar(8);
          else if (k == SDLK_TAB) WMChar(9);
          else if ((k == SDLK_RETURN || k == SDLK_KP_ENTER) && !altOnly) WMChar(13);
          else if (k == SDLK_ESCAPE) WMChar(27);
          break;
        }
        case SDL_TEXTINPUT:
          for (char16_t u : platform::Utf8ToUtf16(e.text.text)) WMChar(u);
          break;
        default: break;
      }
    }
    if (closing_) break;
    auto now = std::chrono::steady_clock::now();
    if (now - lastWatchdog_ >= std::chrono::seconds(1)) {
      lastWatchdog_ = now;
      Timer1Timer();
    }
    timer_->Idle();
    if (stepLimit >= 0 && stats_.steps >= stepLimit) closing_ = true;
  }
  FormClose();
  return 0;
}

}  // namespace app
