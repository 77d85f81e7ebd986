#include "render/render_device.h"

#include <SDL.h>

#include <algorithm>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

namespace render {

RenderDevice::RenderDevice(const RenderDeviceOptions& options)
    : scale_(std::clamp(options.scale, 1, 8)), hidden_(options.hidden) {
  windowed_ = options.windowed;
  title_ = options.title;
}

RenderDevice::~RenderDevice() {
  Release();
  if (videoStarted_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool RenderDevice::StartVideo() {
  if (!videoStarted_) videoStarted_ = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
  return videoStarted_;
}

bool RenderDevice::CreateOutput() {
  if (!StartVideo()) return false;
  const Frame& frame = GetFrame();
  // The window is never larger than the desktop: a scale that would not fit
  // is lowered (down to 1).
  SDL_Rect usable;
  if (SDL_GetDisplayUsableBounds(0, &usable) == 0 && usable.w > 0 && usable.h > 0) {
    while (scale_ > 1 &&
           (frame.Width() * scale_ > usable.w || frame.Height() * scale_ > usable.h))
      --scale_;
  }
  const Uint32 flags = hidden_ ? SDL_WINDOW_HIDDEN : SDL_WINDOW_SHOWN;
  window_ = SDL_CreateWindow(title_.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                             frame.Width() * scale_, frame.Height() * scale_, flags);
  if (window_ == nullptr) return false;
  if (!windowed_) EnterFullScreen();
  return CreateRenderer();
}

void RenderDevice::EnterFullScreen() {
#ifdef __EMSCRIPTEN__
  // In a page, full screen is the page's: the browser's full-screen API on
  // its player, which scales the canvas (the frame's size either way) with
  // the aspect kept; SDL's own would only take effect on the next click.
  EM_ASM({ if (Module.qzFullScreen) Module.qzFullScreen(1); });
  return;
#endif
  int display = SDL_GetWindowDisplayIndex(window_);
  if (display < 0) display = 0;
  SDL_Rect bounds;
  if (SDL_GetDisplayBounds(display, &bounds) == 0) {
    // Cover the display ourselves first: without a window manager (a bare X
    // server, a kiosk) the full-screen request below changes nothing.
    SDL_SetWindowBordered(window_, SDL_FALSE);
    SDL_SetWindowPosition(window_, bounds.x, bounds.y);
    SDL_SetWindowSize(window_, bounds.w, bounds.h);
  }
  SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
}

void RenderDevice::LeaveFullScreen() {
#ifdef __EMSCRIPTEN__
  EM_ASM({ if (Module.qzFullScreen) Module.qzFullScreen(0); });
  return;
#endif
  SDL_SetWindowFullscreen(window_, 0);
  SDL_SetWindowBordered(window_, SDL_TRUE);
  ApplyWindowSize();
}

bool RenderDevice::CreateRenderer() {
  // No vertical sync: the frame timer paces the frames.
  renderer_ = SDL_CreateRenderer(window_, -1, 0);
  if (renderer_ == nullptr) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
  if (renderer_ == nullptr) return false;
  const Frame& frame = GetFrame();
  texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                               frame.Width(), frame.Height());
  return texture_ != nullptr;
}

void RenderDevice::DestroyRenderer() {
  if (texture_ != nullptr) SDL_DestroyTexture(texture_);
  if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
  texture_ = nullptr;
  renderer_ = nullptr;
}

void RenderDevice::DestroyOutput() {
  DestroyRenderer();
  if (window_ != nullptr) SDL_DestroyWindow(window_);
  window_ = nullptr;
}

void RenderDevice::HandleRendererReset() {
  if (window_ == nullptr) return;
  if (texture_ != nullptr) SDL_DestroyTexture(texture_);
  texture_ = nullptr;
  if (renderer_ != nullptr) {
    const Frame& frame = GetFrame();
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                 frame.Width(), frame.Height());
  }
  if (texture_ == nullptr) {
    DestroyRenderer();
    CreateRenderer();
  }
}

uint32_t RenderDevice::WindowId() const { return window_ != nullptr ? SDL_GetWindowID(window_) : 0; }

PictureRect RenderDevice::WindowPicture() const {
  if (window_ == nullptr) return {};
  int w = 0, h = 0;
  SDL_GetWindowSize(window_, &w, &h);
  return FitPicture(w, h, GetFrame().Width(), GetFrame().Height());
}

PictureRect RenderDevice::OutputPicture() const {
  if (renderer_ == nullptr) return {};
  int w = 0, h = 0;
  if (SDL_GetRendererOutputSize(renderer_, &w, &h) != 0) return {};
  return FitPicture(w, h, GetFrame().Width(), GetFrame().Height());
}

LogicalPoint RenderDevice::WindowToLogical(int x, int y) const {
  return OutputToFrame(WindowPicture(), x, y, GetFrame().Width(), GetFrame().Height());
}

LogicalPoint RenderDevice::LogicalToWindow(int x, int y) const {
  const PictureRect p = WindowPicture();
  const Frame& frame = GetFrame();
  return {p.x + static_cast<int>((2 * int64_t{x} + 1) * p.width / (2 * frame.Width())),
          p.y + static_cast<int>((2 * int64_t{y} + 1) * p.height / (2 * frame.Height()))};
}

// A dark-rimmed amber square, 14 frame pixels wide at any scale.
void RenderDevice::DrawMarkers(const PictureRect& picture) {
  const Frame& frame = GetFrame();
  const double sx = static_cast<double>(picture.width) / frame.Width();
  const double sy = static_cast<double>(picture.height) / frame.Height();
  for (const LogicalPoint& m : markers_) {
    const int cx = picture.x + static_cast<int>((m.x + 0.5) * sx);
    const int cy = picture.y + static_cast<int>((m.y + 0.5) * sy);
    const int outer = std::max(5, static_cast<int>(7 * sx));
    const int inner = std::max(3, static_cast<int>(4 * sx));
    const SDL_Rect rim{cx - outer, cy - outer, 2 * outer, 2 * outer};
    const SDL_Rect fill{cx - inner, cy - inner, 2 * inner, 2 * inner};
    SDL_SetRenderDrawColor(renderer_, 20, 20, 20, 255);
    SDL_RenderFillRect(renderer_, &rim);
    SDL_SetRenderDrawColor(renderer_, 255, 190, 40, 255);
    SDL_RenderFillRect(renderer_, &fill);
  }
}

bool RenderDevice::Compose() {
  if (renderer_ == nullptr || texture_ == nullptr) {
    HandleRendererReset();
    if (renderer_ == nullptr || texture_ == nullptr) return false;
  }
  const Frame& frame = GetFrame();
  if (SDL_UpdateTexture(texture_, nullptr, frame.Data(), frame.Width() * 4) != 0) {
    HandleRendererReset();
    if (texture_ == nullptr ||
        SDL_UpdateTexture(texture_, nullptr, frame.Data(), frame.Width() * 4) != 0) {
      return false;
    }
  }
  const PictureRect picture = OutputPicture();
  // Whole multiples stay sharp; other sizes are filtered.
  const bool whole = picture.width % frame.Width() == 0 &&
                     picture.width / frame.Width() * frame.Height() == picture.height;
  SDL_SetTextureScaleMode(texture_, whole ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  const SDL_Rect dst{picture.x, picture.y, picture.width, picture.height};
  if (SDL_RenderCopy(renderer_, texture_, nullptr, &dst) != 0) return false;
  DrawMarkers(picture);
  return true;
}

void RenderDevice::Present() {
  if (!Initialized()) return;
  if (Compose()) SDL_RenderPresent(renderer_);
}

bool RenderDevice::ReadOutput(std::vector<uint32_t>& pixels, int& width, int& height) {
  if (!Initialized() || !Compose()) return false;
  if (SDL_GetRendererOutputSize(renderer_, &width, &height) != 0) return false;
  pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
  return SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_ARGB8888, pixels.data(),
                              width * 4) == 0;
}

void RenderDevice::ApplyWindowSize() {
  const Frame& frame = GetFrame();
  SDL_SetWindowSize(window_, frame.Width() * scale_, frame.Height() * scale_);
  SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
}

void RenderDevice::SetWindowed(bool windowed) {
  Device::SetWindowed(windowed);
  if (window_ == nullptr) return;
  if (windowed) {
    LeaveFullScreen();
  } else {
    EnterFullScreen();
  }
}

void RenderDevice::SetTitle(const std::string& utf8) {
  Device::SetTitle(utf8);
  if (window_ != nullptr) SDL_SetWindowTitle(window_, utf8.c_str());
}

Size RenderDevice::DesktopSize() {
  if (!StartVideo()) return {};
  int display = window_ != nullptr ? SDL_GetWindowDisplayIndex(window_) : 0;
  if (display < 0) display = 0;
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(display, &mode) != 0) return {};
  return {mode.w, mode.h};
}

}  // namespace render
