// The window's event loop: SDL events become the main window's input, and the
// frame timer runs between event batches. Pointer moves are gathered: the
// game gets the last position before each frame (and before each press or
// release), which is also what a session records. A window replaying a
// session plays it at its own pace, one recorded frame per frame, with the
// person's input ignored until the session ends; then the game goes on live.
// Pads and touches are translated (pad_delivery.cpp); the system cursor
// follows the pointer a pad moves, and a text element focused after pad or
// touch input asks the system for its on-screen keyboard. One pass is one
// call of WindowPass, whoever loops: RunWindow here, a browser's frame
// callbacks there.

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "app/main_window.h"
#include "app/sdl_pads.h"
#include "app/vk_codes.h"
#include "app/window_loop.h"
#include "platform/codepage.h"
#include "render/frame_timer.h"
#include "render/render_device.h"
#include "scene/db.h"
#include "scene/text_element.h"

namespace app {

namespace {

InputEvent PointerEvent(InputEvent::Kind kind, render::LogicalPoint p) {
  InputEvent ev;
  ev.kind = kind;
  ev.x = p.x;
  ev.y = p.y;
  return ev;
}

InputEvent CodeEvent(InputEvent::Kind kind, int32_t code, bool alt = false) {
  InputEvent ev;
  ev.kind = kind;
  ev.code = code;
  ev.alt = alt;
  return ev;
}

constexpr int kFramePeriodMs = 1000 / 30;

}  // namespace

int TFormMain::RunWindow() {
  StartWindowLoop();
  while (WindowPass()) {
  }
  return EndWindowLoop();
}

void TFormMain::StartWindowLoop() {
  SDL_StartTextInput();
  loop_ = std::make_unique<WindowLoopState>();
  loop_->stepLimit = options_.steps.value_or(-1);
  loop_->nextReplayFrame = SDL_GetTicks64();
  if (replaying_) timer_->SetVirtual(true);
  // A window writes --screenshot frames too: a replay in a window (a
  // browser's test page) draws the same passes as a headless run.
  if (!options_.screenshots.empty()) screenshotHook_ = [this] { TakeScreenshots(passes_); };
}

int TFormMain::EndWindowLoop() {
  screenshotHook_ = nullptr;
  FormClose();
  loop_.reset();
  return 0;
}

bool TFormMain::WindowPass() {
  if (closing_ || !loop_) return false;
  WindowLoopState& s = *loop_;
  auto flushMove = [this] {
    if (!movePending_) return;
    movePending_ = false;
    Deliver(pendingMove_);
  };
  auto deliverNow = [&](const InputEvent& ev) {
    flushMove();
    Deliver(ev);
  };
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    // While a session replays, only closing the window and keeping it drawn count.
    const bool live = !replaying_;
    switch (e.type) {
      case SDL_QUIT: closing_ = true; break;
      case SDL_WINDOWEVENT:
        switch (e.window.event) {
          case SDL_WINDOWEVENT_FOCUS_GAINED:
            if (live) WMActivate(true, minimised_);
            break;
          case SDL_WINDOWEVENT_FOCUS_LOST:
            if (live) WMActivate(false, minimised_);
            break;
          case SDL_WINDOWEVENT_MINIMIZED:
            if (live) WMActivate(windowActive_, true);
            break;
          case SDL_WINDOWEVENT_RESTORED:
            if (live) WMActivate(windowActive_, false);
            break;
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
        if (!live || e.motion.which == SDL_TOUCH_MOUSEID) break;
        const render::LogicalPoint at = window_->WindowToLogical(e.motion.x, e.motion.y);
        const bool fromWarp = s.warped && s.warpedTo == at;
        s.warped = false;
        if (fromWarp) break;
        if (movePending_ && pendingMove_.kind != InputEvent::Kind::Move) flushMove();
        pendingMove_ = PointerEvent(InputEvent::Kind::Move, at);
        movePending_ = true;
        s.padLast = false;
        break;
      }
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        if (!live || e.button.which == SDL_TOUCH_MOUSEID) break;
        s.padLast = false;
        deliverNow(PointerEvent(
            e.type == SDL_MOUSEBUTTONDOWN ? InputEvent::Kind::Down : InputEvent::Kind::Up,
            window_->WindowToLogical(e.button.x, e.button.y)));
        break;
      case SDL_KEYDOWN: {
        if (!live) break;
        s.padLast = false;
        const SDL_Keycode k = e.key.keysym.sym;
        const Uint16 mod = e.key.keysym.mod;
        const bool altOnly = (mod & KMOD_ALT) && !(mod & (KMOD_CTRL | KMOD_SHIFT | KMOD_GUI));
        if (int vk = VirtualKeyFromSdl(k)) deliverNow(CodeEvent(InputEvent::Kind::Key, vk, altOnly));
        // These characters come from key presses, as the window's
        // character messages give them.
        int ch = 0;
        if (k == SDLK_BACKSPACE) ch = 8;
        else if (k == SDLK_TAB) ch = 9;
        else if ((k == SDLK_RETURN || k == SDLK_KP_ENTER) && !altOnly) ch = 13;
        else if (k == SDLK_ESCAPE) ch = 27;
        if (ch) deliverNow(CodeEvent(InputEvent::Kind::Char, ch));
        break;
      }
      case SDL_DROPFILE:
        SDL_free(e.drop.file);  // a game in play takes no dropped games
        break;
      case SDL_TEXTINPUT:
        if (!live) break;
        for (char16_t u : platform::Utf8ToUtf16(e.text.text))
          deliverNow(CodeEvent(InputEvent::Kind::Char, u));
        break;
      default:
        s.padEvents.clear();
        if (!s.pads.Translate(e, *window_, s.padEvents) || !live) break;
        for (const InputEvent& ev : s.padEvents) {
          s.padLast = true;
          // Finger moves are gathered like the mouse's, finger by finger.
          const bool fingerMove = ev.kind == InputEvent::Kind::Touch &&
                                  ev.code == static_cast<int>(TouchPhase::Move);
          if (fingerMove) {
            if (movePending_ && (pendingMove_.kind != InputEvent::Kind::Touch ||
                                 pendingMove_.value != ev.value))
              flushMove();
            pendingMove_ = ev;
            movePending_ = true;
          } else {
            deliverNow(ev);
          }
        }
        break;
    }
  }
  if (closing_) return false;
  if (replaying_) {
    // One recorded frame per frame period, with the recorded steps. A caller
    // that paces the passes itself (a browser's frame callbacks) is not
    // made to wait here.
    const uint64_t now = SDL_GetTicks64();
    if (now < s.nextReplayFrame && !options_.pacedByCaller)
      SDL_Delay(static_cast<Uint32>(s.nextReplayFrame - now));
    s.nextReplayFrame = std::max(s.nextReplayFrame + kFramePeriodMs, SDL_GetTicks64());
    const bool more = ReplayPass();
    timer_->Idle();
    if (!more) {
      replaying_ = false;
      timer_->SetVirtual(false);
      timer_->ResetClock();
      device_->SetTitle(title_);
    }
  } else {
    auto now = std::chrono::steady_clock::now();
    if (now - lastWatchdog_ >= std::chrono::seconds(1)) {
      lastWatchdog_ = now;
      Timer1Timer();
    }
    flushMove();
    timer_->Idle();
  }
  if (pad_.TakePadMove() && !replaying_) {
    const PadPoint p = pad_.Pointer();
    const render::LogicalPoint w = window_->LogicalToWindow(p.x, p.y);
    s.warped = true;
    s.warpedTo = {p.x, p.y};
    SDL_WarpMouseInWindow(window_->Window(), w.x, w.y);
  }
  if (scene::TQZText* now = root_ ? root_->FocusedText() : nullptr; now != s.focused) {
    s.focused = now;
    if (s.focused && s.padLast) SDL_StartTextInput();
  }
  if (s.stepLimit >= 0 && stats_.steps >= s.stepLimit) closing_ = true;
  return !closing_;
}

}  // namespace app
