// A real X11 window: frames presented by RenderDevice are read back from the X server's
// screen with xwd. Runs only as the CTest test render_real_window, under
// xvfb-run -a -s "-screen 0 1280x1024x24" (QZ_REAL_WINDOW=1); skipped elsewhere.

#include <gtest/gtest.h>
#include <SDL.h>

#include <cstdlib>
#include <functional>
#include <optional>

#include "render/render_device.h"
#include "support/test_support.h"

namespace {

// The root window as xwd dumps it (header and pixels; colours by the visual's masks).
class ScreenShot {
 public:
  bool Take() {
    const auto r = testing_support::RunCommand({"/usr/bin/xwd", "-root", "-silent"});
    if (r.status != 0) return false;
    data_ = r.out;
    if (data_.size() < 100) return false;
    auto field = [&](int i) { return Be32(static_cast<size_t>(i) * 4); };
    const uint32_t headerSize = field(0);
    width_ = static_cast<int>(field(4));
    height_ = static_cast<int>(field(5));
    byteOrder_ = field(7);
    bitsPerPixel_ = field(11);
    bytesPerLine_ = field(12);
    masks_[0] = field(14);
    masks_[1] = field(15);
    masks_[2] = field(16);
    const uint32_t colours = field(19);
    pixels_ = headerSize + colours * 12;
    return (bitsPerPixel_ == 24 || bitsPerPixel_ == 32) && pixels_ + static_cast<size_t>(bytesPerLine_) * height_ <= data_.size();
  }

  // 0x00RRGGBB of a root-window pixel.
  uint32_t Rgb(int x, int y) const {
    const int bytes = static_cast<int>(bitsPerPixel_ / 8);
    const size_t at = pixels_ + static_cast<size_t>(y) * bytesPerLine_ +
                      static_cast<size_t>(x) * static_cast<size_t>(bytes);
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) {
      const uint32_t b = static_cast<uint8_t>(data_[at + static_cast<size_t>(i)]);
      v |= byteOrder_ == 0 ? b << (8 * i) : b << (8 * (bytes - 1 - i));
    }
    uint32_t rgb = 0;
    for (uint32_t mask : masks_) {
      int shift = 0;
      while (shift < 32 && ((mask >> shift) & 1) == 0) ++shift;
      rgb = (rgb << 8) | ((v & mask) >> shift);
    }
    return rgb;
  }

  int Width() const { return width_; }

 private:
  uint32_t Be32(size_t at) const {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<uint8_t>(data_[at + i]);
    return v;
  }

  std::string data_;
  int width_ = 0, height_ = 0;
  uint32_t byteOrder_ = 0, bitsPerPixel_ = 0, bytesPerLine_ = 0;
  uint32_t masks_[3] = {};
  size_t pixels_ = 0;
};

// Quadrants red, green / blue, white.
void DrawQuadrants(render::RenderDevice& device) {
  device.SetRenderCallback([&] {
    render::Canvas& c = device.GetCanvas();
    c.FillRect(0, 0, 512, 384, 0xFFFF0000, 1);
    c.FillRect(512, 0, 512, 384, 0xFF00FF00, 1);
    c.FillRect(0, 384, 512, 384, 0xFF0000FF, 1);
    c.FillRect(512, 384, 512, 384, 0xFFFFFFFF, 1);
  });
  device.Render(0, true);
}

// Presents until the screen shows what `check` wants (the X server maps and resizes
// windows asynchronously), for at most about five seconds.
bool PresentUntil(render::RenderDevice& device, const std::function<bool(const ScreenShot&)>& check) {
  for (int attempt = 0; attempt < 50; ++attempt) {
    device.Present();
    SDL_PumpEvents();
    SDL_Delay(100);
    ScreenShot shot;
    if (shot.Take() && check(shot)) return true;
  }
  return false;
}

class RealWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("QZ_REAL_WINDOW") == nullptr) GTEST_SKIP() << "runs under xvfb-run only";
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "x11", SDL_HINT_OVERRIDE);
  }
};

TEST_F(RealWindow, ShowsFramesWindowedAndFullScreen) {
  render::RenderDevice device;
  ASSERT_TRUE(device.Initialize()) << SDL_GetError();
  EXPECT_EQ(device.DesktopSize(), (render::Size{1280, 1024}));
  DrawQuadrants(device);
  int wx = 0, wy = 0;
  SDL_GetWindowPosition(device.Window(), &wx, &wy);
  const bool windowed = PresentUntil(device, [&](const ScreenShot& s) {
    return s.Rgb(wx + 256, wy + 192) == 0xFF0000 && s.Rgb(wx + 768, wy + 192) == 0x00FF00 &&
           s.Rgb(wx + 256, wy + 576) == 0x0000FF && s.Rgb(wx + 1023, wy + 767) == 0xFFFFFF;
  });
  EXPECT_TRUE(windowed) << "window at " << wx << "," << wy;
  std::vector<uint32_t> out;
  int w = 0, h = 0;
  ASSERT_TRUE(device.ReadOutput(out, w, h));
  EXPECT_EQ(w, 1024);
  EXPECT_EQ(out[0] & 0xFFFFFF, 0xFF0000u);

  // Full screen on the 1280 x 1024 desktop: a 1280 x 960 picture between two 32-pixel bars.
  device.SetWindowed(false);
  const bool full = PresentUntil(device, [](const ScreenShot& s) {
    return s.Rgb(320, 10) == 0 && s.Rgb(320, 40) == 0xFF0000 && s.Rgb(960, 980) == 0xFFFFFF &&
           s.Rgb(640, 1015) == 0 && s.Rgb(100, 600) == 0x0000FF;
  });
  EXPECT_TRUE(full);
  ASSERT_TRUE(device.ReadOutput(out, w, h));
  ASSERT_EQ(w, 1280);
  EXPECT_EQ(out[10 * 1280 + 320] & 0xFFFFFF, 0u);
  EXPECT_EQ(out[40 * 1280 + 320] & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(device.WindowPicture(), (render::PictureRect{0, 32, 1280, 960}));
  EXPECT_EQ(device.WindowToLogical(640, 512), (render::LogicalPoint{512, 384}));
  EXPECT_EQ(device.WindowToLogical(640, 5), (render::LogicalPoint{512, 0}));

  // And back to a 1024 x 768 window.
  device.SetWindowed(true);
  const bool back = PresentUntil(device, [&](const ScreenShot&) {
    int ww = 0, wh = 0;
    SDL_GetWindowSize(device.Window(), &ww, &wh);
    return ww == 1024 && wh == 768;
  });
  EXPECT_TRUE(back);
  EXPECT_EQ(device.WindowToLogical(100, 700), (render::LogicalPoint{100, 700}));
}

}  // namespace
