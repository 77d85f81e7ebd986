// The frame loop: one TimerTimer per frame (render, steps, present), the
// fixed steps of TimerProcess (intro logos, loading steps, normal steps) and
// the drawing of DeviceRender.

#include <string>

#include "app/main_window.h"
#include "render/canvas.h"
#include "render/device.h"
#include "render/frame.h"
#include "render/frame_timer.h"
#include "render/image_store.h"
#include "render/render_image.h"
#include "resources/audio/audio_library.h"
#include "resources/audio/sound_system.h"
#include "resources/image_cache.h"
#include "scene/db.h"
#include "scene/layers.h"

namespace app {

namespace {
constexpr int kLastLogo = 10;
constexpr int kLogoTicks = 100;
constexpr int kLogoShown = 18;     // the logo is fully shown from this tick
constexpr int kLogoFadeOut = 83;   // and fades out from this one
constexpr uint32_t kWhite = 0xFFFFFFFFu;
}  // namespace

void TFormMain::TimerTimer() {
  ++stats_.frames;
  ++passes_;
  inFrame_ = true;
  stepInPass_ = 0;
  const int64_t stepsBefore = stats_.steps;
  device_->Render(0, true);
  if (screenshotHook_) screenshotHook_();
  timer_->Process();
  EndStepInput();
  device_->Present();
  // A window runs as many steps as the time since the last frame holds: a
  // replay must run the same number.
  if (const int64_t steps = stats_.steps - stepsBefore; steps != 1) {
    InputEvent ev;
    ev.kind = InputEvent::Kind::Steps;
    ev.code = static_cast<int32_t>(steps);
    Record(ev);
  }
  inFrame_ = false;
}

void TFormMain::TimerProcess() {
  StepInput();
  ++stats_.steps;
  ++tick_;
  images_->SetTick(tick_);
  if (options_.headless) audio_->AdvanceVirtualClock();
  if (logoNumber_ >= 0) {
    IntroStep();
    return;
  }
  scene::TQZDB& root = *root_;
  if (scene::IsLoading()) {
    if (scene::TQZElement* loading = root.LoadingScreenElement()) {
      loading->DoProcess();
    } else {
      auto t0 = std::chrono::steady_clock::now();
      root.CompleteScreenSwitch();
      scene::SetLoading(false);
      stats_.loadSeconds +=
          std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    sound_->FadeStep();
    return;
  }
  if (scene::TQZElement* screen = root.CurrentScreen()) screen->DoProcess();
  root.UpdateStars();
  if (scene::TQZElement* cursor = root.CursorElement()) cursor->DoProcess();
  root.DoProcess();
  sound_->FadeStep();
  if (root.FullScreen() == device_->Windowed()) FlWin();
  if (root.ExitRequested()) closing_ = true;
}

// The intro: logo N fades in over ticks 1 to 17, is shown from 18 to 82 and
// fades out over 83 to 100. The root is initialised at tick 18 of the first
// logo and the first screen shown at tick 18 of the second.
void TFormMain::IntroStep() {
  scene::TQZDB& root = *root_;
  scene::TQZElement* screen = root.CurrentScreen();
  if (logoTick_ < kLogoTicks && logoNumber_ > 0) {
    if (++logoTick_ == kLogoShown) {
      if (!rootInitialised_) {
        root.DoInit();
        if (screen) screen->LoadResources();
        rootInitialised_ = true;
      } else if (!screenShown_) {
        if (screen) screen->DoShow();
        screenShown_ = true;
      }
    }
    return;
  }
  if (logoNumber_ >= kLastLogo) {
    if (!rootInitialised_) {
      root.DoInit();
      rootInitialised_ = true;
    }
    if (!screenShown_) {
      if (screen) {
        screen->LoadResources();
        screen->DoShow();
      }
      screenShown_ = true;
    }
    timer_->ResetClock();
    logoNumber_ = -1;
    logoImage_ = nullptr;
    return;
  }
  NextLogo();
}

// Tries the following logo numbers until one has a picture; every number
// tried starts its sound. When the search passes the last number without a
// picture, the intro ends on the next step.
void TFormMain::NextLogo() {
  bool found = false;
  do {
    ++logoNumber_;
    const std::string n = std::to_string(logoNumber_);
    logoImage_ = images_->RequestImage("logos\\logo" + n + ".jpg", false);
    sound_->PlaySnd("logo" + n + ".mp3", 100);
    found = logoImage_ && logoImage_->Texture();
  } while (!found && logoNumber_ < kLastLogo);
  logoTick_ = found ? 0 : kLogoTicks;
  if (!found) logoImage_ = nullptr;
  timer_->ResetClock();
}

void TFormMain::DrawIntro() {
  if (!logoImage_) return;
  render::RenderImage* image = images_->TextureOf(logoImage_);
  if (!image) return;
  const int t = logoTick_;
  int alpha = 255;
  if (t <= 17) alpha = t * 15;
  else if (t >= kLogoFadeOut) alpha = (kLogoTicks - t) * 15;
  render::Canvas& canvas = device_->GetCanvas();
  const uint32_t corner = imageStore_->ReadPixel(image, 0, 0, 0);
  canvas.FillRect(0, 0, render::kFrameWidth, render::kFrameHeight, corner, render::kEffectOpaque);
  const int x = (render::kFrameWidth - image->VisibleWidth()) / 2;
  const int y = (render::kFrameHeight - image->VisibleHeight()) / 2;
  canvas.DrawImage(image, (static_cast<uint32_t>(alpha) << 24) | 0xFFFFFF, x, y, 0,
                   render::kEffectAlpha);
}

void TFormMain::PaintBounds(scene::TQZElement& e, double x, double y) {
  for (int32_t layer : scene::LayersToVisit(e.MinOrder, e.MaxOrder, e, nullptr))
    e.Paint(layer, kWhite, x, y, 0);
}

void TFormMain::DeviceRender() {
  if (!root_) return;
  scene::TQZDB& root = *root_;
  if (logoNumber_ >= 0) {
    DrawIntro();
    return;
  }
  scene::TQZElement* screen = root.CurrentScreen();
  if (scene::IsLoading()) {
    if (screen) PaintBounds(*screen, 0, 0);
    if (scene::TQZElement* loading = root.LoadingScreenElement()) PaintBounds(*loading, 0, 0);
    return;
  }
  if (screen) {
    for (int32_t layer : scene::LayersToVisit(root.MinOrder, root.MaxOrder, root, &root.Stars())) {
      screen->Paint(layer, kWhite, 0, 0, 0);
      root.DrawStars(layer);
    }
  }
  root.DrawStars(1000);
  if (scene::TQZElement* cursor = root.CursorElement())
    PaintBounds(*cursor, root.MouseX(), root.MouseY());
}

}  // namespace app
