// Bilinear images scaled but not turned take a loop of their own that mixes
// texel rows once per primitive and skips transparent columns: its pixels must
// be those of the general scan.

#include <gtest/gtest.h>

#include <cmath>

#include "render/canvas2d.h"
#include "render_test_util.h"

namespace {

using render::Canvas2D;
using render::Frame;
using render::ImageStore;
using render_test::MakeImage;

struct Random {
  uint32_t seed;
  uint32_t Next() {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  }
  double Real(double low, double high) { return low + (high - low) * (Next() % 100000) / 1e5; }
};

// A sprite as games have them: a transparent margin, whole transparent rows,
// opaque and translucent texels, and colour left in texels of alpha 0.
std::vector<uint32_t> SpriteTexels(Random& random, int width, int height) {
  std::vector<uint32_t> texels(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint32_t t = random.Next() & 0xFFFFFF;
      const bool margin = x < 3 || x >= width - 2 || y == 1 || y == height - 1 ||
                          (y == height / 2 && x > width / 3);
      if (!margin) t |= (random.Next() % 3 == 0 ? 0xFFu : random.Next() & 0xFF) << 24;
      texels[static_cast<size_t>(y) * width + x] = t;
    }
  }
  return texels;
}

void ExpectSameFrames(const Frame& a, const Frame& b, const std::string& what) {
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < a.Width(); ++x) {
      ASSERT_EQ(a.Pixel(x, y), b.Pixel(x, y)) << what << " at " << x << "," << y;
    }
  }
}

// Random sizes (enlarged, shrunk, stretched one way), fractional places,
// mirrored placements, source rectangles reaching past the pattern, clipping,
// flat colours and every blend with a loop of its own (and one without).
TEST(CanvasAxisBilinear, MatchesGeneralScan) {
  Random random{4242};
  ImageStore store;
  auto* sprite = MakeImage(store, 29, 21, SpriteTexels(random, 29, 21));
  std::vector<uint32_t> solid(13 * 9);
  for (uint32_t& t : solid) t = random.Next() | 0xFF000000u;
  auto* opaque = MakeImage(store, 13, 9, solid);
  const uint32_t effects[] = {0x1, 0x504, 0x104, 0x101};
  const uint32_t colours[] = {0xFFFFFFFF, 0xC080FF40, 0x00FFFFFF, 0xFF102030};
  for (int round = 0; round < 400; ++round) {
    Frame a(120, 90), b(120, 90);
    for (int y = 0; y < 90; ++y)
      for (int x = 0; x < 120; ++x) a.Row(y)[x] = b.Row(y)[x] = random.Next() | 0xFF000000u;
    Canvas2D fast(a), general(b);
    general.SetFastPathsEnabled(false);
    const uint32_t effect = effects[round % 4];
    const uint32_t colour = colours[(round / 4) % 4];
    auto* image = round % 5 == 0 ? opaque : sprite;
    const double x = random.Real(-20, 100);
    const double y = random.Real(-20, 70);
    const double w = random.Real(2, 90);
    const double h = random.Real(2, 70);
    const double scale = random.Real(0.5, 4);
    const render::SourceRect source{random.Real(-2, 10), random.Real(-2, 8), random.Real(1, 30),
                                    random.Real(1, 24)};
    render::QuadCorners corners = render::RectCorners(x, y, w, h);
    if (round % 3 == 1) std::swap(corners[0], corners[1]), std::swap(corners[2], corners[3]);
    if (round % 7 == 2) std::swap(corners[0], corners[3]), std::swap(corners[1], corners[2]);
    const render::ClipRect clip{static_cast<int>(random.Next() % 30),
                                static_cast<int>(random.Next() % 20),
                                60 + static_cast<int>(random.Next() % 60),
                                50 + static_cast<int>(random.Next() % 40)};
    for (Canvas2D* c : {&fast, &general}) {
      c->SetSmoothing(true);
      c->DrawImageScaled(image, colour, std::floor(x), std::floor(y), scale, 0, effect);
      c->DrawImageScaled(image, colour, x, y, scale * 0.6, 0, effect);
      c->DrawImageQuad(image, corners, render::SameColours(colour), 0, {}, effect);
      c->DrawImageRotated(image, colour, x, y, 0, scale, 0, effect);
      c->SetClipRect(clip);
      c->DrawImageQuad(image, corners, render::SameColours(colour), 0, source, effect);
      c->DrawImageScaled(image, colour, x - 10, y - 10, 1, 0, effect);
    }
    ExpectSameFrames(a, b, "round " + std::to_string(round));
  }
}

// Rows and columns at the limits: a one-texel image, one-pixel-wide and
// one-pixel-high drawings, and images much larger than the frame.
TEST(CanvasAxisBilinear, MatchesGeneralScanAtLimits) {
  Random random{99};
  ImageStore store;
  auto* dot = MakeImage(store, 1, 1, {0x80FF8040});
  auto* sprite = MakeImage(store, 29, 21, SpriteTexels(random, 29, 21));
  for (uint32_t effect : {0x1u, 0x504u, 0x104u}) {
    Frame a(40, 30), b(40, 30);
    a.Fill(0xFF204060);
    b.Fill(0xFF204060);
    Canvas2D fast(a), general(b);
    general.SetFastPathsEnabled(false);
    for (Canvas2D* c : {&fast, &general}) {
      c->SetSmoothing(true);
      c->DrawImageScaled(dot, 0xFFFFFFFF, 3.5, 2.25, 7.3, 0, effect);
      c->DrawImageQuad(sprite, render::RectCorners(20.5, 1, 1, 25), render::SameColours(~0u), 0,
                       {}, effect);
      c->DrawImageQuad(sprite, render::RectCorners(1, 27.5, 37, 1), render::SameColours(~0u), 0,
                       {}, effect);
      c->DrawImageScaled(sprite, 0xFFFFFFFF, -300.25, -200.5, 40, 0, effect);
    }
    ExpectSameFrames(a, b, "effect " + std::to_string(effect));
  }
}

}  // namespace
