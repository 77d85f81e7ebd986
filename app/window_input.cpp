// Window input turned into game input, the pause rules, and the
// window/full-screen switch.

#include <SDL.h>

#include <cstdio>

#include "app/main_window.h"
#include "platform/codepage.h"
#include "platform/path_resolver.h"
#include "platform/user_dirs.h"
#include "render/device.h"
#include "render/frame_timer.h"
#include "render/png_writer.h"
#include "resources/audio/audio_library.h"
#include "resources/image_cache.h"
#include "scene/db.h"

namespace app {

namespace {
constexpr int kVkReturn = 13;
constexpr int kVkF12 = 123;
}  // namespace

void TFormMain::FormMouseDown(int32_t x, int32_t y) {
  if (logoNumber_ >= 0) {
    // A press while a logo is fully shown starts its fade-out.
    if (logoTick_ > 18 && logoTick_ < 83) logoTick_ = 83;
    return;
  }
  if (scene::IsLoading() || !root_) return;
  root_->ButtonDown(x, y);
}

void TFormMain::FormMouseMove(int32_t x, int32_t y) {
  if (scene::IsLoading() || !root_) return;
  if (!timer_->Enabled()) {
    root_->TrackPointer(x, y);
    device_->Render(0, false);
    device_->Present();
    return;
  }
  root_->PointerMove(x, y);
}

void TFormMain::FormMouseUp(int32_t x, int32_t y) {
  if (scene::IsLoading() || !root_) return;
  root_->ButtonUp(x, y);
}

void TFormMain::FormKeyDown(int virtualKey, bool altOnly) {
  if (!root_) return;
  if (virtualKey == kVkReturn && altOnly) {
    root_->SetFullScreenFlag(!root_->FullScreen());
    FlWin();
  }
  // A replay does what the key did, but leaves no screenshot files behind.
  if (virtualKey == kVkF12 && !replaying_) SaveScreenshotKey();
  root_->KeyDown(virtualKey);
}

void TFormMain::WMChar(uint16_t code) {
  if (!root_) return;
  if (root_->UnicodeMode()) {
    root_->CharInput(code);
    return;
  }
  // Characters the game code page lacks arrive as "?", as the system's
  // conversion gives them.
  const platform::CodePage& cp = platform::GameFiles().Cp();
  int b = (code >= 0xD800 && code < 0xE000) ? '?' : cp.FromUnicode(code);
  root_->CharInput(static_cast<uint16_t>(b < 0 ? '?' : b));
}

// What the window system says reaches the game as an activation change, so a
// session records whether the game ran, not why.
void TFormMain::WMActivate(bool active, bool minimised) {
  windowActive_ = active;
  minimised_ = minimised;
  InputEvent ev;
  ev.kind = InputEvent::Kind::Activate;
  ev.code = active && !minimised ? 1 : 0;
  Deliver(ev);
}

void TFormMain::SetRunning(bool running) {
  if (running) {
    timer_->SetEnabled(true);
    timer_->ResetClock();
    audio_->Start();
  } else {
    timer_->SetEnabled(false);
    audio_->Pause();
  }
}

// Once a second: a paused game whose window is active again resumes, even
// when no activation event came.
void TFormMain::Timer1Timer() {
  if (!timer_->Enabled() && windowActive_ && !minimised_) {
    InputEvent ev;
    ev.kind = InputEvent::Kind::Activate;
    ev.code = 1;
    Deliver(ev);
  }
}

void TFormMain::FormPaint() {
  if (timer_->Enabled()) return;
  device_->Render(0, false);
  device_->Present();
}

void TFormMain::FlWin() {
  scene::TQZDB& root = *root_;
  if (desktopTooSmall_) root.SetFullScreenFlag(true);
  if (const auto* settings = root.Settings())
    settings->WriteString("Def", "FS", root.FullScreen() ? "1" : "0");
  // The request is remembered for later runs, but a test run stays in a
  // window and its scripts read FULLSCREEN as 0.
  if (options_.testMode) root.SetFullScreenFlag(false);
  const bool fullScreen = root.FullScreen();
  if (device_->Windowed() == !fullScreen) return;
  timer_->SetEnabled(false);
  device_->SetWindowed(!fullScreen);
  if (device_->Windowed() && !kEveryDesktopFits && DesktopWidth() <= 1024) {
    desktopTooSmall_ = true;
    root.SetFullScreenFlag(true);
    device_->SetWindowed(false);
  }
  // Everything that lives in textures is loaded again.
  images_->ReloadTextures();
  root.ClearResourcesLoaded();
  root.ReloadFonts();
  images_->SetLoadNow(true);
  root.ReloadParticleSheet();
  timer_->ResetClock();
  timer_->SetEnabled(true);
}

bool TFormMain::WriteFramePng(const std::filesystem::path& file) {
  return render::WritePng(file.string(), device_->GetFrame());
}

// F12: the frame as <game>-NNNN.png in the per-user folder.
void TFormMain::SaveScreenshotKey() {
  std::filesystem::path folder = root_->PerUserFolder();
  if (folder.empty()) folder = platform::PerUserFolder(root_->Id, platform::GameFiles().Cp());
  if (!platform::EnsureFolder(folder)) return;
  std::error_code ec;
  for (int n = 1; n < 10000; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "-%04d.png", n);
    std::filesystem::path file = folder / (gameStem_ + name);
    if (std::filesystem::exists(file, ec)) continue;
    WriteFramePng(file);
    return;
  }
}

void TFormMain::Deliver(const InputEvent& ev) {
  if (ev.kind == InputEvent::Kind::Pad || ev.kind == InputEvent::Kind::Axis ||
      ev.kind == InputEvent::Kind::Touch)
    return DeliverDevice(ev);
  Record(ev);
  if (ev.kind == InputEvent::Kind::Move || ev.kind == InputEvent::Kind::Down ||
      ev.kind == InputEvent::Kind::Up)
    pad_.PointerAt(ev.x, ev.y);
  switch (ev.kind) {
    case InputEvent::Kind::Move: FormMouseMove(ev.x, ev.y); break;
    case InputEvent::Kind::Down: FormMouseDown(ev.x, ev.y); break;
    case InputEvent::Kind::Up: FormMouseUp(ev.x, ev.y); break;
    case InputEvent::Kind::Key: FormKeyDown(ev.code, ev.alt); break;
    case InputEvent::Kind::Char: WMChar(static_cast<uint16_t>(ev.code)); break;
    case InputEvent::Kind::Activate: SetRunning(ev.code != 0); break;
    case InputEvent::Kind::Steps:
    case InputEvent::Kind::Clock:  // taken by the frame loop and the clock
    case InputEvent::Kind::Drop:   // only the game list takes dropped games
    case InputEvent::Kind::Pad:
    case InputEvent::Kind::Axis:
    case InputEvent::Kind::Touch: break;
  }
}

}  // namespace app
