#pragma once
// Canvas2D: the software canvas that draws into a Frame.
//
// Calls draw at once (Flush has nothing to do). Fast paths, each giving
// exactly the pixels of the general path (the tests compare them):
//   - pixel-exact blit: an axis-aligned pattern at whole-pixel coordinates at
//     its own size (filtering then cannot change a texel), in one colour or a
//     vertical gradient (text), walked row by row over the texels whose alpha
//     is above 0, with straight copies for opaque textures and SSE2 alpha,
//     additive and modulated loops;
//   - flat rectangles and triangles: the blend's constant terms worked out
//     once per primitive, rows in SSE2 loops four pixels at a time (FlatSpan);
//   - one scan of a parallelogram (scaled and rotated images) with a single
//     set of fixed-point texture steps, nearest or bilinear, in SSE2 loops
//     two pixels at a time;
//   - for bilinear images that are scaled but not turned, texel rows mixed
//     once and shared by the frame rows that read them (AxisBilinear).
// Other quadrilaterals are drawn as two triangles.

#include <memory>

#include "render/blend.h"
#include "render/canvas.h"
#include "render/frame.h"
#include "render/rasterizer.h"

namespace render {

class PatternTexture;
namespace detail {
class AxisBilinear;
}

class Canvas2D final : public Canvas {
 public:
  // The canvas draws into `frame`, which must outlive it.
  explicit Canvas2D(Frame& frame);
  ~Canvas2D() override;

  int Width() const override { return frame_.Width(); }
  int Height() const override { return frame_.Height(); }

  void DrawImageQuad(const RenderImage* image, const QuadCorners& corners,
                     const QuadColours& colours, int pattern, const SourceRect& source,
                     uint32_t effect) override;
  void FillRect(int left, int top, int width, int height, uint32_t colour,
                uint32_t effect) override;
  void FillTriangle(PointD a, PointD b, PointD c, uint32_t colour, uint32_t effect) override;

  void SetClipRect(const ClipRect& rect) override;
  ClipRect GetClipRect() const override { return clip_; }
  void SetSmoothing(bool on) override { smoothing_ = on; }
  bool Smoothing() const override { return smoothing_; }

  Frame& GetFrame() { return frame_; }

  // With fast paths off every image goes through the general scan and every
  // flat shape through the reference loop; tests and benchmarks use it to
  // check that the fast paths change no pixel.
  void SetFastPathsEnabled(bool on) { fastPaths_ = on; }

 private:
  struct TexturedQuad;

  bool TryBlit(const TexturedQuad& quad);
  void DrawTextured(const TexturedQuad& quad, const int* order, int count, const int* planeIndex);

  Frame& frame_;
  ClipRect clip_;
  bool smoothing_ = false;
  bool fastPaths_ = true;
  // Scratch of the axis-aligned bilinear loop, made on first use.
  std::unique_ptr<detail::AxisBilinear> axis_;
};

}  // namespace render
