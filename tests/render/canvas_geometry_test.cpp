// Coverage, texture mapping, filtering and clipping of the software canvas.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "render/canvas2d.h"
#include "render_test_util.h"

namespace {

using render::Canvas2D;
using render::ClipRect;
using render::Frame;
using render::ImageStore;
using render::PointD;
using render_test::MakeImage;

constexpr uint32_t kBack = 0xFF000000u;

// Eight distinct opaque texels of a 4 x 2 image: 0xFF0000ji.
std::vector<uint32_t> Numbered4x2() {
  std::vector<uint32_t> px;
  for (int j = 0; j < 2; ++j)
    for (int i = 0; i < 4; ++i) px.push_back(0xFF000000u | (0x10u * (j + 1)) << 8 | (0x10u * (i + 1)));
  return px;
}

int CountChanged(const Frame& frame) {
  int n = 0;
  for (int y = 0; y < frame.Height(); ++y)
    for (int x = 0; x < frame.Width(); ++x) n += frame.Pixel(x, y) != kBack;
  return n;
}

// An unscaled image at whole-pixel coordinates maps texel (i, j) to pixel (x + i, y + j),
// with smoothing on or off, through every entry point.
TEST(CanvasGeometry, PixelExactMapping) {
  ImageStore store;
  auto* image = MakeImage(store, 4, 2, Numbered4x2());
  for (bool smooth : {false, true}) {
    for (int way = 0; way < 3; ++way) {
      Frame frame(32, 32);
      Canvas2D canvas(frame);
      canvas.SetSmoothing(smooth);
      if (way == 0) canvas.DrawImage(image, 0xFFFFFFFF, 7, 9, 0, 1);
      if (way == 1) canvas.DrawImageRotated(image, 0xFFFFFFFF, 9, 10, 0, 1, 0, 1);
      // A colour other than white takes the general path.
      if (way == 2) canvas.DrawImage(image, 0xFEFFFFFF, 7, 9, 0, 1);
      for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 4; ++i)
          EXPECT_EQ(frame.Pixel(7 + i, 9 + j), Numbered4x2()[j * 4 + i]) << way << smooth;
      EXPECT_EQ(CountChanged(frame), 8);
    }
  }
}

// A quarter turn moves texel (i, j) of a 4 x 2 pattern centred on (10, 10) to pixel (10 - j, 8 + i).
TEST(CanvasGeometry, QuarterTurnMapsPixelsExactly) {
  ImageStore store;
  auto* image = MakeImage(store, 4, 2, Numbered4x2());
  for (bool smooth : {false, true}) {
    Frame frame(32, 32);
    Canvas2D canvas(frame);
    canvas.SetSmoothing(smooth);
    canvas.DrawImageRotated(image, 0xFFFFFFFF, 10, 10, std::numbers::pi / 2, 1, 0, 1);
    for (int j = 0; j < 2; ++j)
      for (int i = 0; i < 4; ++i)
        EXPECT_EQ(frame.Pixel(10 - j, 8 + i), Numbered4x2()[j * 4 + i]) << i << j << smooth;
    EXPECT_EQ(CountChanged(frame), 8);
  }
}

// Angle 0 and scale 1 draw the same pixels as DrawImage at the centre minus half the size,
// also at fractional positions with filtering.
TEST(CanvasGeometry, RotatedAtZeroEqualsDrawImage) {
  ImageStore store;
  std::vector<uint32_t> px;
  for (int i = 0; i < 15; ++i) px.push_back(0x80000000u | (i * 0x111111u));
  auto* image = MakeImage(store, 5, 3, px);
  for (double x : {3.0, 3.25, 3.5, 7.75}) {
    Frame a(24, 24), b(24, 24);
    Canvas2D ca(a), cb(b);
    ca.SetSmoothing(true);
    cb.SetSmoothing(true);
    ca.DrawImage(image, 0xFFFFFFFF, x, 4.5, 0, 0x504);
    cb.DrawImageRotated(image, 0xFFFFFFFF, x + 2.5, 4.5 + 1.5, 0, 1, 0, 0x504);
    for (int y = 0; y < 24; ++y)
      for (int xx = 0; xx < 24; ++xx) ASSERT_EQ(a.Pixel(xx, y), b.Pixel(xx, y)) << x;
  }
}

// Drawn width and height are round(visible size x scale), halves to even.
TEST(CanvasGeometry, ScaledSizeRounding) {
  ImageStore store;
  auto* image = MakeImage(store, 3, 3, std::vector<uint32_t>(9, 0xFFFFFFFF));
  struct Case {
    double scale;
    int size;
  };
  for (Case c : {Case{1.5, 4}, Case{2.5, 8}, Case{0.5, 2}, Case{1.0 / 3, 1}, Case{0.1, 0}}) {
    Frame frame(32, 32);
    Canvas2D canvas(frame);
    canvas.DrawImageScaled(image, 0xFFFFFFFF, 2, 3, c.scale, 0, 1);
    EXPECT_EQ(CountChanged(frame), c.size * c.size) << c.scale;
    if (c.size > 0) {
      EXPECT_NE(frame.Pixel(2, 3), kBack);
      EXPECT_NE(frame.Pixel(2 + c.size - 1, 3 + c.size - 1), kBack);
    }
  }
}

// Two texels black | white doubled: nearest gives 0, 0, 255, 255; bilinear weighs the texel
// centres at 1/4 steps: 0, (255 x 64) >> 8 = 63, (255 x 192) >> 8 = 191, 255.
TEST(CanvasGeometry, NearestAndBilinearAtTexelBoundary) {
  ImageStore store;
  auto* image = MakeImage(store, 2, 1, {0xFF000000, 0xFFFFFFFF});
  const uint32_t nearest[4] = {0, 0, 255, 255};
  const uint32_t bilinear[4] = {0, 63, 191, 255};
  for (bool smooth : {false, true}) {
    Frame frame(8, 8);
    Canvas2D canvas(frame);
    canvas.SetSmoothing(smooth);
    canvas.DrawImageScaled(image, 0xFFFFFFFF, 1, 1, 2, 0, 1);
    for (int row = 1; row <= 2; ++row) {
      for (int i = 0; i < 4; ++i) {
        const uint32_t v = (smooth ? bilinear : nearest)[i];
        EXPECT_EQ(frame.Pixel(1 + i, row), 0xFF000000u | v << 16 | v << 8 | v) << i << smooth;
      }
    }
  }
}

// A pattern's own edge is repeated around it: a magnified pattern shows neither its neighbour
// in the sheet nor its opposite edge.
TEST(CanvasGeometry, EdgePaddingPreventsBleeding) {
  ImageStore store;
  const uint32_t red = 0xFFFF0000, green = 0xFF00FF00, blue = 0xFF0000FF;
  auto* sheet = MakeImage(store, 4, 1, {red, green, blue, blue}, 2, 1);
  ASSERT_EQ(sheet->PatternCount(), 2);
  Frame frame(16, 8);
  Canvas2D canvas(frame);
  canvas.SetSmoothing(true);
  canvas.DrawImageScaled(sheet, 0xFFFFFFFF, 0, 0, 4, 0, 1);
  EXPECT_EQ(frame.Pixel(0, 0), red);
  EXPECT_EQ(frame.Pixel(7, 3), green);
  for (int x = 0; x < 8; ++x) EXPECT_EQ(frame.Pixel(x, 1) & 0xFF, 0u) << "blue bled in at " << x;
  EXPECT_EQ(frame.Pixel(8, 0), kBack);
}

// Vertex colours interpolate over the quad; corners on an edge at pixel-centre rows
// (255 x (row + 0.5) / 4) give 32, 96, 159, 223.
TEST(CanvasGeometry, VertexColourGradientRows) {
  ImageStore store;
  auto* white = MakeImage(store, 1, 1, {0xFFFFFFFF});
  Frame frame(16, 16);
  Canvas2D canvas(frame);
  canvas.DrawImageQuad(white, render::RectCorners(2, 2, 8, 4),
                       {0xFF000000, 0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF}, 0, {}, 1);
  const uint32_t rows[4] = {32, 96, 159, 223};
  for (int r = 0; r < 4; ++r)
    for (int x = 2; x < 10; ++x)
      EXPECT_EQ(frame.Pixel(x, 2 + r), 0xFF000000u | rows[r] << 16 | rows[r] << 8 | rows[r]);

  // Colours that do not vary linearly over the square: each triangle has its own plane.
  Frame f2(8, 8);
  Canvas2D c2(f2);
  c2.DrawImageQuad(white, render::RectCorners(0, 0, 4, 4),
                   {0xFF000000, 0xFF000000, 0xFFFFFFFF, 0xFF000000}, 0, {}, 1);
  EXPECT_EQ(f2.Pixel(3, 0) & 0xFF, 32u);  // upper triangle: depends on y only
  EXPECT_EQ(f2.Pixel(0, 3) & 0xFF, 32u);  // lower triangle: depends on x only
  EXPECT_EQ(f2.Pixel(1, 1) & 0xFF, 96u);  // on the diagonal both agree
  EXPECT_EQ(f2.Pixel(3, 3) & 0xFF, 223u);
}

TEST(CanvasGeometry, SourceRectangleAndMirroring) {
  ImageStore store;
  auto* image = MakeImage(store, 4, 2, Numbered4x2());
  Frame frame(16, 16);
  Canvas2D canvas(frame);
  // Columns 1..2 of row 1 only.
  canvas.DrawImageQuad(image, render::RectCorners(3, 3, 2, 1), render::SameColours(0xFFFFFFFF), 0,
                       {1, 1, 2, 1}, 1);
  EXPECT_EQ(frame.Pixel(3, 3), Numbered4x2()[5]);
  EXPECT_EQ(frame.Pixel(4, 3), Numbered4x2()[6]);
  EXPECT_EQ(CountChanged(frame), 2);
  // Corners given right to left draw the pattern mirrored.
  Frame f2(16, 16);
  Canvas2D c2(f2);
  c2.DrawImageQuad(image, {PointD{6, 0}, PointD{2, 0}, PointD{2, 2}, PointD{6, 2}},
                   render::SameColours(0xFFFFFFFF), 0, {}, 1);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(f2.Pixel(5 - i, 0), Numbered4x2()[i]);
  EXPECT_EQ(CountChanged(f2), 8);
}

// The clip rectangle is replaced, not intersected, by each call; callers nest by computing
// the intersection and putting the outer rectangle back.
TEST(CanvasGeometry, NestedClipRectangles) {
  Frame frame(32, 32);
  Canvas2D canvas(frame);
  EXPECT_EQ(canvas.GetClipRect(), (ClipRect{0, 0, 32, 32}));
  const ClipRect outer{4, 4, 20, 20};
  canvas.SetClipRect(outer);
  canvas.FillRect(0, 0, 32, 32, 0xFF101010, 1);
  const ClipRect inner{8, 10, 12, 30};
  const ClipRect both{std::max(outer.left, inner.left), std::max(outer.top, inner.top),
                      std::min(outer.right, inner.right), std::min(outer.bottom, inner.bottom)};
  canvas.SetClipRect(both);
  canvas.FillRect(0, 0, 32, 32, 0xFF202020, 1);
  canvas.SetClipRect(outer);
  EXPECT_EQ(canvas.GetClipRect(), outer);
  canvas.FillRect(0, 19, 32, 5, 0xFF303030, 1);
  EXPECT_EQ(frame.Pixel(3, 4), kBack);
  EXPECT_EQ(frame.Pixel(4, 4), 0xFF101010u);
  EXPECT_EQ(frame.Pixel(8, 10), 0xFF202020u);
  EXPECT_EQ(frame.Pixel(11, 18), 0xFF202020u);
  EXPECT_EQ(frame.Pixel(12, 18), 0xFF101010u);
  EXPECT_EQ(frame.Pixel(8, 19), 0xFF303030u);
  EXPECT_EQ(frame.Pixel(8, 20), kBack);
  EXPECT_EQ(frame.Pixel(20, 19), kBack);

  // Beyond the frame it is cut to the frame; an empty rectangle draws nothing at all.
  canvas.SetClipRect({-5, -5, 100, 100});
  EXPECT_EQ(canvas.GetClipRect(), (ClipRect{0, 0, 32, 32}));
  canvas.SetClipRect({40, 40, 50, 50});
  EXPECT_TRUE(canvas.GetClipRect().Empty());
  Frame before = frame;
  canvas.FillRect(0, 0, 32, 32, 0xFFFFFFFF, 1);
  canvas.SetClipRect({10, 10, 10, 20});
  canvas.FillRect(0, 0, 32, 32, 0xFFFFFFFF, 1);
  EXPECT_EQ(CountChanged(frame), CountChanged(before));
}

// Outline pixels are each drawn once: a half-transparent outline is even all round.
TEST(CanvasGeometry, FrameRectDrawsEachPixelOnce) {
  Frame frame(16, 16);
  Canvas2D canvas(frame);
  canvas.FrameRect(2, 3, 5, 4, 0x80FFFFFF, 0x504);
  int outline = 0;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const bool edge = (x >= 2 && x <= 6 && y >= 3 && y <= 6) &&
                        (x == 2 || x == 6 || y == 3 || y == 6);
      EXPECT_EQ(frame.Pixel(x, y), edge ? 0xFF808080u : kBack) << x << "," << y;
      outline += edge;
    }
  }
  EXPECT_EQ(outline, 14);
  canvas.FillFrameRect(8, 8, 3, 3, 0xFF0000FF, 0xFFFF0000, 1);
  EXPECT_EQ(frame.Pixel(9, 9), 0xFF0000FFu);
  EXPECT_EQ(frame.Pixel(8, 8), 0xFFFF0000u);
  EXPECT_EQ(frame.Pixel(10, 10), 0xFFFF0000u);
  // Degenerate sizes draw nothing; one-pixel sizes draw the single row or column.
  Frame f2(8, 8);
  Canvas2D c2(f2);
  c2.FrameRect(1, 1, 0, 5, 0xFFFFFFFF, 1);
  c2.FrameRect(1, 1, 3, -1, 0xFFFFFFFF, 1);
  EXPECT_EQ(CountChanged(f2), 0);
  c2.FrameRect(1, 1, 1, 4, 0x80FFFFFF, 0x504);
  EXPECT_EQ(CountChanged(f2), 4);
  EXPECT_EQ(f2.Pixel(1, 2), 0xFF808080u);
}

// Triangles sharing an edge cover every pixel of their union exactly once.
TEST(CanvasGeometry, TrianglesShareEdgesWithoutOverlap) {
  Frame frame(32, 32);
  Canvas2D canvas(frame);
  const PointD a{1.3, 2.7}, b{27.9, 4.1}, c{20.2, 29.6}, d{3.1, 25.5};
  canvas.FillTriangle(a, b, c, 0x80FFFFFF, 0x504);
  canvas.FillTriangle(a, c, d, 0x80FFFFFF, 0x504);
  int covered = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const uint32_t p = frame.Pixel(x, y);
      EXPECT_TRUE(p == kBack || p == 0xFF808080u) << x << "," << y;
      covered += p != kBack;
    }
  }
  EXPECT_GT(covered, 400);
  // Edges through pixel centres: the top and left edges keep them, the slanted right edge does not.
  Frame f2(8, 8);
  Canvas2D c2(f2);
  c2.FillTriangle({1.5, 1.5}, {5.5, 1.5}, {1.5, 5.5}, 0xFFFFFFFF, 1);
  EXPECT_EQ(f2.Pixel(1, 1), 0xFFFFFFFFu);
  EXPECT_EQ(f2.Pixel(3, 0), kBack);
  EXPECT_EQ(f2.Pixel(3, 1), 0xFFFFFFFFu);
  EXPECT_EQ(f2.Pixel(4, 1), 0xFFFFFFFFu);
  EXPECT_EQ(f2.Pixel(5, 1), kBack);
  EXPECT_EQ(f2.Pixel(1, 4), 0xFFFFFFFFu);
  EXPECT_EQ(f2.Pixel(1, 5), kBack);
}

TEST(CanvasGeometry, HostileArgumentsDrawNothing) {
  ImageStore store;
  auto* image = MakeImage(store, 2, 2, std::vector<uint32_t>(4, 0xFFFFFFFF));
  Frame frame(16, 16);
  Canvas2D canvas(frame);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  canvas.DrawImage(image, 0xFFFFFFFF, nan, 0, 0, 1);
  canvas.DrawImageRotated(image, 0xFFFFFFFF, 4, 4, inf, 1, 0, 1);
  canvas.DrawImageScaled(image, 0xFFFFFFFF, 1e300, 0, 1, 0, 1);
  canvas.DrawImage(image, 0xFFFFFFFF, 0, 0, 1, 1);   // no pattern 1
  canvas.DrawImage(image, 0xFFFFFFFF, 0, 0, -1, 1);  // nor -1
  canvas.DrawImage(nullptr, 0xFFFFFFFF, 0, 0, 0, 1);
  canvas.DrawImageQuad(image, render::RectCorners(0, 0, 4, 4), render::SameColours(0xFFFFFFFF), 0,
                       {nan, 0, 1, 1}, 1);
  canvas.FillTriangle({0, 0}, {nan, 3}, {3, 3}, 0xFFFFFFFF, 1);
  canvas.FillTriangle({0, 0}, {5, 5}, {10, 10}, 0xFFFFFFFF, 1);  // no area
  canvas.FillRect(2147483000, 2147483000, 2147483000, 2147483000, 0xFFFFFFFF, 1);
  canvas.FrameRect(-2147483647, -2147483647, 2147483647, 2147483647, 0xFFFFFFFF, 1);
  EXPECT_EQ(CountChanged(frame), 0);
  // Far outside but finite: clipped without overflow.
  canvas.DrawImageRotated(image, 0xFFFFFFFF, 2e6, -2e6, 0.3, 1e5, 0, 1);
  canvas.DrawImageQuad(image, {PointD{-1e6, -1e6}, PointD{1e6, -1e6}, PointD{1e6, 1e6},
                               PointD{-1e6, 1e6}},
                       render::SameColours(0xFFFFFFFF), 0, {}, 1);
  EXPECT_EQ(CountChanged(frame), 256) << "the big quad covers the frame";
}

}  // namespace
