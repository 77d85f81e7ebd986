#pragma once
// A game folder for animation and effect tests: real PNG pictures written
// with libpng into a temporary folder that the game-file resolver points at,
// an image cache over an image store, a frame drawn by the software canvas,
// and a root that uses them.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/path_resolver.h"
#include "render/canvas2d.h"
#include "render/frame.h"
#include "render/image_store.h"
#include "resources/image_cache.h"
#include "scene/db.h"
#include "support/test_support.h"

namespace scene_test {

using PixelFn = std::function<uint32_t(int x, int y)>;

// The PNG bytes (8-bit RGBA) of a width x height picture of ARGB pixels.
std::string MakeRgbaPng(int width, int height, const PixelFn& pixel);

class SceneRig {
 public:
  SceneRig();
  ~SceneRig();

  // Writes name.png (any relative name) and, with more than one pattern, the
  // sprite-sheet file beside it.
  void WritePicture(const std::string& name, int width, int height, const PixelFn& pixel,
                    int columns = 1, int rows = 1);
  void WritePicture(const std::string& name, int width, int height, uint32_t argb) {
    WritePicture(name, width, height, [argb](int, int) { return argb; });
  }
  void WriteFile(const std::string& name, const std::string& bytes);
  // Draws through another canvas from now on (null: the rig's own).
  void UseCanvas(render::Canvas* canvas);

  scene::TQZDB& Root() { return *root_; }
  render::Frame& GetFrame() { return frame_; }
  render::Canvas2D& Canvas() { return canvas_; }
  resources::ImageCache& Cache() { return cache_; }
  const std::filesystem::path& Folder() const { return dir_.Path(); }
  uint32_t Pixel(int x, int y) const { return frame_.Pixel(x, y) & 0xFFFFFFu; }
  void Clear(uint32_t rgb = 0) { frame_.Fill(0xFF000000u | rgb); }

 private:
  testing_support::TempDir dir_;
  scene::GameHost host_;
  render::Frame frame_;
  render::Canvas2D canvas_;
  render::ImageStore store_;
  resources::ImageCache cache_;
  std::unique_ptr<scene::TQZDB> root_;
};

}  // namespace scene_test

namespace scene_test {

// A canvas that records the quads it is asked to draw (every image operation
// ends in DrawImageQuad) and draws nothing.
class RecordingCanvas : public render::Canvas {
 public:
  struct Quad {
    const render::RenderImage* image;
    render::QuadCorners corners;
    render::QuadColours colours;
    int pattern;
    render::SourceRect source;
    uint32_t effect;
  };
  std::vector<Quad> quads;
  int smoothingCalls = 0;

  int Width() const override { return render::kFrameWidth; }
  int Height() const override { return render::kFrameHeight; }
  void DrawImageQuad(const render::RenderImage* image, const render::QuadCorners& corners,
                     const render::QuadColours& colours, int pattern,
                     const render::SourceRect& source, uint32_t effect) override {
    quads.push_back({image, corners, colours, pattern, source, effect});
  }
  void FillRect(int, int, int, int, uint32_t, uint32_t) override {}
  void FillTriangle(render::PointD, render::PointD, render::PointD, uint32_t, uint32_t) override {}
  void SetClipRect(const render::ClipRect&) override {}
  render::ClipRect GetClipRect() const override { return {0, 0, Width(), Height()}; }
  void SetSmoothing(bool on) override {
    smoothing_ = on;
    ++smoothingCalls;
  }
  bool Smoothing() const override { return smoothing_; }

 private:
  bool smoothing_ = false;
};

}  // namespace scene_test
