#pragma once
// Device: owns the frame and its canvas, runs the render callback and shows
// the result. RenderDevice shows it in an SDL window; HeadlessDevice keeps it
// in memory.
//
// The software frame lives in ordinary memory, so nothing is ever lost with
// the output: after a reset of the window's renderer the next Present simply
// uploads the frame again, and images and fonts need no notice.

#include <cstdint>
#include <functional>
#include <string>

#include "render/canvas2d.h"
#include "render/frame.h"

namespace render {

struct Size {
  int width = 0;
  int height = 0;
  bool operator==(const Size&) const = default;
};

class Device {
 public:
  // The callback may clear `ok` to make Initialize fail.
  using InitializeCallback = std::function<void(bool& ok)>;
  using RenderCallback = std::function<void()>;

  Device();
  virtual ~Device() = default;
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  // Creates the output (window or nothing), then calls the callback with a
  // success flag. A failure of either releases the output and answers false.
  bool Initialize(const InitializeCallback& onInitialize = {});
  bool Initialized() const { return initialized_; }
  // Releases the output; the frame and canvas stay usable.
  void Release();

  void SetRenderCallback(RenderCallback callback) { onRender_ = std::move(callback); }
  // Nothing unless initialised. Otherwise fills the frame with the colour
  // when `clear` is set, calls the render callback and flushes the canvas.
  void Render(uint32_t clearColour, bool clear);
  // Shows the frame.
  virtual void Present() = 0;

  // Records the mode and, when initialised, switches the output to it.
  virtual void SetWindowed(bool windowed);
  bool Windowed() const { return windowed_; }
  virtual void SetTitle(const std::string& utf8) { title_ = utf8; }
  const std::string& Title() const { return title_; }
  // The size of the desktop the window would fill in full screen.
  virtual Size DesktopSize() = 0;

  Frame& GetFrame() { return frame_; }
  const Frame& GetFrame() const { return frame_; }
  Canvas2D& GetCanvas() { return canvas_; }

 protected:
  virtual bool CreateOutput() = 0;
  virtual void DestroyOutput() = 0;

  bool windowed_ = true;
  std::string title_;

 private:
  Frame frame_;
  Canvas2D canvas_;
  bool initialized_ = false;
  RenderCallback onRender_;
};

// No window: the frame stays in memory, presents are counted.
class HeadlessDevice final : public Device {
 public:
  static constexpr Size kDesktop{1920, 1080};

  HeadlessDevice() = default;
  ~HeadlessDevice() override;

  void Present() override;
  Size DesktopSize() override { return kDesktop; }
  int PresentCount() const { return presents_; }

 protected:
  bool CreateOutput() override { return true; }
  void DestroyOutput() override {}

 private:
  int presents_ = 0;
};

}  // namespace render
