// The game list in the main window: shown when the player starts without a
// game, until one is chosen (clicked, picked with the keys, or dropped onto
// the window) and loads, or the list is closed. Its frames are passes like a
// game's, so --steps, --input and --screenshot work on it; the session of
// the chosen game counts its passes from its own first frame.

#include <SDL.h>

#include <algorithm>
#include <memory>

#include "app/game_list.h"
#include "app/main_window.h"
#include "app/pad_input.h"
#include "app/sdl_pads.h"
#include "app/vk_codes.h"
#include "render/device.h"
#include "render/render_device.h"

namespace app {

namespace {
constexpr uint32_t kFramePeriodMs = 1000 / 30;
}  // namespace

bool TFormMain::ChooseGame() {
  GameLibrary library(RememberedGamesFile());
  GameList list(device_->GetCanvas(), library, GameListFont());
  device_->SetTitle("Qazmir");
  device_->SetRenderCallback([&list] { list.Draw(); });
  bool chosen = false;
  // A game that cannot be played leaves the list open, saying why.
  auto act = [&](const GameList::Action& a) {
    if (a.kind == GameList::Action::Kind::Quit) closing_ = true;
    if (a.kind != GameList::Action::Kind::Play) return;
    options_.game = a.game.string();
    std::string why = FindGame();
    if (why.empty() && !location_) why = "no game found in \"" + options_.game + "\"";
    if (why.empty()) {
      chosen = true;
      return;
    }
    list.SetMessage(why);
    list.Refresh();
  };
  // A pad chooses with the d-pad and plays with A or X (B and Start leave,
  // as Escape); a finger hovers where it touches and plays where it lifts.
  auto padKey = [](int32_t button) {
    switch (static_cast<PadButton>(button)) {
      case PadButton::DpadUp: return 38;
      case PadButton::DpadDown: return 40;
      case PadButton::A:
      case PadButton::X: return 13;
      case PadButton::B:
      case PadButton::Start: return 27;
      default: return 0;
    }
  };
  auto input = [&](const InputEvent& ev) {
    switch (ev.kind) {
      case InputEvent::Kind::Move: list.PointerMove(ev.x, ev.y); break;
      case InputEvent::Kind::Down: act(list.Press(ev.x, ev.y)); break;
      case InputEvent::Kind::Key: act(list.Key(ev.code)); break;
      case InputEvent::Kind::Drop: act(list.Drop(ev.path)); break;
      case InputEvent::Kind::Pad:
        if (ev.value && padKey(ev.code)) act(list.Key(padKey(ev.code)));
        break;
      case InputEvent::Kind::Touch:
        if (ev.code == static_cast<int32_t>(TouchPhase::Up)) act(list.Press(ev.x, ev.y));
        else list.PointerMove(ev.x, ev.y);
        break;
      default: break;
    }
  };
  const int64_t limit = options_.steps.value_or(INT64_MAX);
  uint64_t nextFrame = SDL_GetTicks64();
  std::unique_ptr<SdlPads> pads;
  if (!options_.headless) pads = std::make_unique<SdlPads>();
  std::vector<InputEvent> padEvents;
  while (!closing_ && !chosen && passes_ < limit) {
    if (options_.headless) {
      const auto& events = session_.events;
      while (!chosen && nextEvent_ < events.size() && events[nextEvent_].pass == passes_ + 1)
        input(events[nextEvent_++]);
    } else {
      SDL_Event e;
      while (!chosen && SDL_PollEvent(&e)) {
        InputEvent ev;
        padEvents.clear();
        if (pads->Translate(e, *window_, padEvents)) {
          for (const InputEvent& p : padEvents) input(p);
          continue;
        }
        switch (e.type) {
          case SDL_QUIT: closing_ = true; break;
          case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_CLOSE) closing_ = true;
            break;
          case SDL_MOUSEMOTION:
          case SDL_MOUSEBUTTONDOWN: {
            const bool motion = e.type == SDL_MOUSEMOTION;
            auto p = window_->WindowToLogical(motion ? e.motion.x : e.button.x,
                                              motion ? e.motion.y : e.button.y);
            ev.kind = motion ? InputEvent::Kind::Move : InputEvent::Kind::Down;
            ev.x = p.x;
            ev.y = p.y;
            input(ev);
            break;
          }
          case SDL_KEYDOWN:
            ev.kind = InputEvent::Kind::Key;
            ev.code = VirtualKeyFromSdl(e.key.keysym.sym);
            input(ev);
            break;
          case SDL_DROPFILE:
            ev.kind = InputEvent::Kind::Drop;
            ev.path = e.drop.file;
            SDL_free(e.drop.file);
            input(ev);
            break;
          default: break;
        }
      }
      const uint64_t now = SDL_GetTicks64();
      if (now < nextFrame) SDL_Delay(static_cast<Uint32>(nextFrame - now));
      nextFrame = std::max(nextFrame + kFramePeriodMs, SDL_GetTicks64());
    }
    if (chosen || closing_) break;
    ++passes_;
    device_->Render(0, true);
    TakeScreenshots(passes_);
    device_->Present();
  }
  if (!chosen) return false;
  // The chosen game starts as if it had been named on the command line.
  closing_ = false;
  recordOffset_ = passes_;
  bool ok = true;
  DeviceInitialize(ok);
  return true;
}

}  // namespace app
