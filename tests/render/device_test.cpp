// Devices: the headless device, picture placement and mouse mapping, PNG frames, and the SDL
// window device on SDL's dummy video driver.

#include <gtest/gtest.h>
#include <SDL.h>
#include <png.h>

#include "render/device.h"
#include "render/picture_fit.h"
#include "render/png_writer.h"
#include "render/render_device.h"
#include "support/test_support.h"

namespace {

using render::FitPicture;
using render::LogicalPoint;
using render::OutputToFrame;
using render::PictureRect;

TEST(HeadlessDevice, InitializeRenderPresent) {
  render::HeadlessDevice device;
  int renders = 0;
  device.SetRenderCallback([&] {
    ++renders;
    device.GetCanvas().FillRect(0, 0, 1, 1, 0xFF00FF00, 1);
  });
  device.Render(0, true);
  device.Present();
  EXPECT_EQ(renders, 0) << "nothing before Initialize";
  EXPECT_EQ(device.PresentCount(), 0);

  EXPECT_FALSE(device.Initialize([](bool& ok) { ok = false; }));
  EXPECT_FALSE(device.Initialized());
  bool called = false;
  EXPECT_TRUE(device.Initialize([&](bool& ok) {
    called = true;
    EXPECT_TRUE(ok);
  }));
  EXPECT_TRUE(called);
  device.GetFrame().Fill(0xFF123456);
  device.Render(0, false);
  EXPECT_EQ(device.GetFrame().Pixel(5, 5), 0xFF123456u) << "no clear without the flag";
  device.Render(0, true);
  EXPECT_EQ(renders, 2);
  EXPECT_EQ(device.GetFrame().Pixel(0, 0), 0xFF00FF00u);
  EXPECT_EQ(device.GetFrame().Pixel(5, 5), 0xFF000000u);
  device.Present();
  EXPECT_EQ(device.PresentCount(), 1);
  EXPECT_EQ(device.DesktopSize(), (render::Size{1920, 1080}));
  EXPECT_EQ(device.GetFrame().Width(), 1024);
  EXPECT_EQ(device.GetFrame().Height(), 768);
  device.SetWindowed(false);
  EXPECT_FALSE(device.Windowed());
}

TEST(PictureFit, AspectKeptCentredWithBars) {
  EXPECT_EQ(FitPicture(1024, 768, 1024, 768), (PictureRect{0, 0, 1024, 768}));
  EXPECT_EQ(FitPicture(2048, 1536, 1024, 768), (PictureRect{0, 0, 2048, 1536}));
  EXPECT_EQ(FitPicture(1280, 1024, 1024, 768), (PictureRect{0, 32, 1280, 960}));
  EXPECT_EQ(FitPicture(1920, 1080, 1024, 768), (PictureRect{240, 0, 1440, 1080}));
  EXPECT_EQ(FitPicture(800, 800, 1024, 768), (PictureRect{0, 100, 800, 600}));
  EXPECT_EQ(FitPicture(0, 600, 1024, 768), (PictureRect{}));
}

// Mouse positions map back to frame pixels, clamped to the picture (bars included).
TEST(PictureFit, OutputToFrameClamps) {
  const PictureRect p = FitPicture(1920, 1080, 1024, 768);  // 1440 x 1080 at x = 240
  EXPECT_EQ(OutputToFrame(p, 240, 0, 1024, 768), (LogicalPoint{0, 0}));
  EXPECT_EQ(OutputToFrame(p, 960, 540, 1024, 768), (LogicalPoint{512, 384}));
  EXPECT_EQ(OutputToFrame(p, 1679, 1079, 1024, 768), (LogicalPoint{1023, 767}));
  EXPECT_EQ(OutputToFrame(p, 10, 500, 1024, 768).x, 0);
  EXPECT_EQ(OutputToFrame(p, 1900, 500, 1024, 768).x, 1023);
  EXPECT_EQ(OutputToFrame(p, -50, -50, 1024, 768), (LogicalPoint{0, 0}));
  const PictureRect doubled{0, 0, 2048, 1536};
  EXPECT_EQ(OutputToFrame(doubled, 3, 5, 1024, 768), (LogicalPoint{1, 2}));
}

// Reads a PNG back with libpng's simplified reader as 0xAARRGGBB values.
std::vector<uint32_t> ReadPng(const std::string& path, int& width, int& height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
  image.format = PNG_FORMAT_BGRA;
  std::vector<uint32_t> pixels(static_cast<size_t>(image.width) * image.height);
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
  width = static_cast<int>(image.width);
  height = static_cast<int>(image.height);
  return pixels;
}

TEST(PngWriter, FrameRoundTrip) {
  testing_support::TempDir dir;
  render::Frame frame;
  frame.Fill(0xFF102030);
  frame.Row(0)[0] = 0xFFFF0000;
  frame.Row(767)[1023] = 0x000000FF;  // the top byte is not written
  frame.Row(300)[500] = 0xFFABCDEF;
  const std::string path = (dir / "shot.png").string();
  ASSERT_TRUE(render::WritePng(path, frame));
  int w = 0, h = 0;
  const std::vector<uint32_t> back = ReadPng(path, w, h);
  ASSERT_EQ(w, 1024);
  ASSERT_EQ(h, 768);
  EXPECT_EQ(back[0], 0xFFFF0000u);
  EXPECT_EQ(back[1], 0xFF102030u);
  EXPECT_EQ(back[300 * 1024 + 500], 0xFFABCDEFu);
  EXPECT_EQ(back[767 * 1024 + 1023], 0xFF0000FFu);
  EXPECT_FALSE(render::WritePng((dir / "missing" / "x.png").string(), frame));
  EXPECT_FALSE(render::EncodePng(nullptr, 4, 4, 4).has_value());
}

// The window device on the dummy driver: its software renderer can be read back.
TEST(RenderDevice, PresentsTheFrameIntoTheWindow) {
  render::RenderDevice device;
  ASSERT_TRUE(device.Initialize()) << SDL_GetError();
  ASSERT_NE(device.Window(), nullptr);
  EXPECT_NE(device.WindowId(), 0u);
  device.SetTitle("Title \xD0\x96");
  device.SetRenderCallback([&] { device.GetCanvas().FillRect(100, 200, 10, 10, 0xFFFF8000, 1); });
  device.Render(0xFF000010, true);
  device.Present();
  std::vector<uint32_t> out;
  int w = 0, h = 0;
  ASSERT_TRUE(device.ReadOutput(out, w, h)) << SDL_GetError();
  ASSERT_EQ(w, 1024);
  ASSERT_EQ(h, 768);
  EXPECT_EQ(out[205 * 1024 + 105], 0xFFFF8000u);
  EXPECT_EQ(out[0], 0xFF000010u);
  EXPECT_EQ(device.WindowToLogical(105, 205), (LogicalPoint{105, 205}));
  EXPECT_EQ(device.WindowToLogical(5000, -3), (LogicalPoint{1023, 0}));
  EXPECT_GT(device.DesktopSize().width, 0);
  // A renderer reset loses the texture; the next present builds it again.
  device.HandleRendererReset();
  ASSERT_TRUE(device.ReadOutput(out, w, h));
  EXPECT_EQ(out[205 * 1024 + 105], 0xFFFF8000u);
  device.Release();
  EXPECT_EQ(device.Window(), nullptr);
  device.Present();  // nothing to present into: no effect
}

// Markers are drawn over the frame as it is shown, and only there: the frame
// (which screenshots save) keeps its pixels.
TEST(RenderDevice, MarkersOverTheShownFrameOnly) {
  render::RenderDevice device;
  ASSERT_TRUE(device.Initialize()) << SDL_GetError();
  device.SetRenderCallback([&] { device.GetCanvas().FillRect(0, 0, 1024, 768, 0xFF204060, 1); });
  device.Render(0, true);
  device.SetMarkers({{300, 200}, {1023, 767}});
  std::vector<uint32_t> out;
  int w = 0, h = 0;
  ASSERT_TRUE(device.ReadOutput(out, w, h)) << SDL_GetError();
  EXPECT_EQ(out[200 * 1024 + 300], 0xFFFFBE28u);  // the amber middle
  EXPECT_EQ(out[200 * 1024 + 294], 0xFF141414u);  // the dark rim
  EXPECT_EQ(out[200 * 1024 + 310], 0xFF204060u);  // beyond it, the frame
  EXPECT_EQ(device.GetFrame().Pixel(300, 200), 0xFF204060u);
  EXPECT_EQ(device.LogicalToWindow(300, 200), (LogicalPoint{300, 200}));
  device.SetMarkers({});
  ASSERT_TRUE(device.ReadOutput(out, w, h));
  EXPECT_EQ(out[200 * 1024 + 300], 0xFF204060u);
}

}  // namespace
