#pragma once
// RenderDevice: the frame shown in an SDL2 window.
//
// Windowed, the window's client area is the frame times an integer scale;
// full screen is desktop full screen with the frame scaled to fit, aspect
// kept, black bars around it. Present uploads the frame into a streaming
// texture and draws it into the picture rectangle. The event loop belongs to
// the caller, who maps mouse positions with WindowToLogical and passes a
// renderer reset (SDL_RENDER_DEVICE_RESET) to HandleRendererReset.

#include <cstdint>
#include <string>
#include <vector>

#include "render/device.h"
#include "render/picture_fit.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

namespace render {

struct RenderDeviceOptions {
  bool windowed = true;
  int scale = 1;  // windowed size = frame size x scale (1 .. 8)
  std::string title = "Qazmir";
  bool hidden = false;  // create the window without showing it
};

class RenderDevice final : public Device {
 public:
  explicit RenderDevice(const RenderDeviceOptions& options = {});
  ~RenderDevice() override;

  void Present() override;
  void SetWindowed(bool windowed) override;
  void SetTitle(const std::string& utf8) override;
  // The desktop of the window's display (of the first display before there is a window).
  Size DesktopSize() override;

  SDL_Window* Window() const { return window_; }
  uint32_t WindowId() const;
  int Scale() const { return scale_; }

  // The frame pixel under a window position (mouse event coordinates),
  // clamped to the picture.
  LogicalPoint WindowToLogical(int x, int y) const;
  // The window position that shows the middle of a frame pixel.
  LogicalPoint LogicalToWindow(int x, int y) const;
  // Small marks drawn over the frame at these frame pixels each time it is
  // shown, never into the frame itself (screenshots do not have them).
  void SetMarkers(std::vector<LogicalPoint> points) { markers_ = std::move(points); }
  // The picture rectangle in window coordinates and in output pixels.
  PictureRect WindowPicture() const;
  PictureRect OutputPicture() const;

  // Recreates the texture (and, if need be, the renderer) after the renderer
  // lost them; the next Present shows the frame again.
  void HandleRendererReset();

  // Draws the frame into the renderer's back buffer as Present would and reads
  // the whole output back (ARGB rows), without presenting. For tests.
  bool ReadOutput(std::vector<uint32_t>& pixels, int& width, int& height);

 protected:
  bool CreateOutput() override;
  void DestroyOutput() override;

 private:
  bool StartVideo();
  bool CreateRenderer();
  void DestroyRenderer();
  bool Compose();
  void DrawMarkers(const PictureRect& picture);
  void ApplyWindowSize();
  void EnterFullScreen();
  void LeaveFullScreen();

  int scale_;
  bool hidden_;
  bool videoStarted_ = false;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  std::vector<LogicalPoint> markers_;
};

}  // namespace render
