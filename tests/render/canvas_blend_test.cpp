// Blending, modulation and alpha test of the software canvas, with pixel
// values worked out by hand from round(a x b / 255) products.

#include <gtest/gtest.h>

#include "render/blend.h"
#include "render/canvas2d.h"
#include "render/span_shader.h"
#include "render_test_util.h"

namespace {

using render::Canvas2D;
using render::Frame;
using render::ImageStore;
using render_test::MakeImage;

// Draws one texel of the given value at (5, 5) over a frame filled with `dst`
// and returns the resulting pixel.
uint32_t DrawOne(uint32_t texel, uint32_t dst, uint32_t effect,
                 uint32_t colour = render::kColourWhite) {
  Frame frame(16, 16);
  frame.Fill(dst);
  Canvas2D canvas(frame);
  ImageStore store;
  auto* image = MakeImage(store, 1, 1, {texel});
  canvas.DrawImage(image, colour, 5, 5, 0, effect);
  EXPECT_EQ(frame.Pixel(4, 5), dst | 0xFF000000u) << "neighbour touched";
  EXPECT_EQ(frame.Pixel(6, 5), dst | 0xFF000000u) << "neighbour touched";
  return frame.Pixel(5, 5);
}

// Code 1 replaces the pixel with the texel's colour whatever its alpha.
TEST(CanvasBlend, OpaqueCodeCopiesColourWithoutAlphaTest) {
  EXPECT_EQ(DrawOne(0x80FF0000, 0xFF0000FF, 1), 0xFFFF0000u);
  EXPECT_EQ(DrawOne(0x0012AB34, 0xFF0000FF, 1), 0xFF12AB34u);
  // A top byte in the code is ignored.
  EXPECT_EQ(DrawOne(0x0012AB34, 0xFF0000FF, 0x10000001), 0xFF12AB34u);
}

// 0x504: round((s x a + d x (255 - a)) / 255) per channel.
TEST(CanvasBlend, AlphaBlend) {
  // r: 255 x 128 / 255 = 128; b: 255 x 127 / 255 = 127.
  EXPECT_EQ(DrawOne(0x80FF0000, 0xFF0000FF, 0x504), 0xFF80007Fu);
  // a = 0x40: 200 x 64 + 100 x 191 = 31900 -> 125.1 -> 125.
  EXPECT_EQ(DrawOne(0x40C8C8C8, 0xFF646464, 0x504), 0xFF7D7D7Du);
  EXPECT_EQ(DrawOne(0xFF123456, 0xFF0000FF, 0x504), 0xFF123456u);
  EXPECT_EQ(DrawOne(0x00FFFFFF, 0xFF0000FF, 0x504), 0xFF0000FFu);
}

// Source alpha, one, add: d + round(s x a / 255), saturating.
TEST(CanvasBlend, Additive) {
  // g: 128 x 128 / 255 = 64.25 -> 64.
  EXPECT_EQ(DrawOne(0x80FF8000, 0xFF404040, 0x104), 0xFFC08040u);
  EXPECT_EQ(DrawOne(0xFFFFFFFF, 0xFFF0F0F0, 0x104), 0xFFFFFFFFu);
  // Destination alpha reads 255, so "destination alpha" as the destination factor is "one".
  EXPECT_EQ(DrawOne(0x80FF8000, 0xFF404040, 0x604), 0xFFC08040u);
}

// Minimum and maximum take the channels as they are (factors do not apply).
TEST(CanvasBlend, MinimumAndMaximum) {
  EXPECT_EQ(DrawOne(0xFF30A0F0, 0xFF808080, 0x30101), 0xFF308080u);
  EXPECT_EQ(DrawOne(0xFF30A0F0, 0xFF808080, 0x40504), 0xFF80A0F0u);
  // The alpha test still keeps alpha-0 texels out.
  EXPECT_EQ(DrawOne(0x0000A000, 0xFF808080, 0x30101), 0xFF808080u);
}

// Operation 1 is destination minus source, operation 2 source minus destination, both clamped at 0.
TEST(CanvasBlend, Subtract) {
  EXPECT_EQ(DrawOne(0xFF305070, 0xFFA0A0A0, 0x10101), 0xFF705030u);
  EXPECT_EQ(DrawOne(0xFFA0A0A0, 0xFF305070, 0x20101), 0xFF705030u);
  EXPECT_EQ(DrawOne(0xFF10FF10, 0xFF808080, 0x20101), 0xFF007F00u);
  // With source alpha: 0x40 x 255 / 255 = 64 taken from 0x80.
  EXPECT_EQ(DrawOne(0x40FFFFFF, 0xFF808080, 0x10104), 0xFF404040u);
}

// Source alpha saturated is min(As, 1 - Ad) = 0 on a frame whose alpha is 255.
TEST(CanvasBlend, SourceAlphaSaturatedAndDestinationAlpha) {
  // d x (255 - 128) / 255 = 128 x 127 / 255 = 63.75 -> 64; the source adds nothing.
  EXPECT_EQ(DrawOne(0x80FFFFFF, 0xFF808080, 0x50A), 0xFF404040u);
  EXPECT_EQ(DrawOne(0x80FFFFFF, 0xFF808080, 0xA01), 0xFFFFFFFFu);
  // Destination alpha (255) as source factor, inverse destination alpha (0) as destination factor.
  EXPECT_EQ(DrawOne(0x80123456, 0xFF808080, 0x706), 0xFF123456u);
  // Destination colour: s x d / 255 (a multiply blend).
  EXPECT_EQ(DrawOne(0xFF808080, 0xFF808080, 0x008), 0xFF404040u);
  // Inverse source colour as destination factor: s + d x (255 - s) / 255 (screen).
  EXPECT_EQ(DrawOne(0xFF808080, 0xFF808080, 0x301), 0xFFC0C0C0u);
}

TEST(CanvasBlend, UnknownFactorOrOperationDrawsNothing) {
  EXPECT_EQ(DrawOne(0xFFFFFFFF, 0xFF102030, 0x50B), 0xFF102030u);
  EXPECT_EQ(DrawOne(0xFFFFFFFF, 0xFF102030, 0xB04), 0xFF102030u);
  EXPECT_EQ(DrawOne(0xFFFFFFFF, 0xFF102030, 0x50504), 0xFF102030u);
  EXPECT_EQ(render::DecodeEffect(0x504).kind, render::BlendKind::kAlpha);
  EXPECT_EQ(render::DecodeEffect(0x104).kind, render::BlendKind::kAdditive);
  EXPECT_EQ(render::DecodeEffect(0x1).kind, render::BlendKind::kOpaque);
  EXPECT_EQ(render::DecodeEffect(0x101).kind, render::BlendKind::kGeneric);
}

// The vertex colour modulates texture colour and alpha; white leaves it alone.
TEST(CanvasBlend, ColourModulation) {
  // White at alpha 0x80 draws an opaque white texel at half opacity over black.
  EXPECT_EQ(DrawOne(0xFFFFFFFF, 0xFF000000, 0x504, 0x80FFFFFF), 0xFF808080u);
  // 128 x 128 / 255 = 64.25 -> 64; 64 x 128 / 255 = 32.1 -> 32; 32 x 128 / 255 = 16.06 -> 16.
  EXPECT_EQ(DrawOne(0xFF804020, 0xFF000000, 1, 0xFF808080), 0xFF402010u);
  EXPECT_EQ(DrawOne(0xFF804020, 0xFF000000, 0x504, 0xFFFFFFFF), 0xFF804020u);
  // Colour alpha 0 with a blending code: the alpha test drops the pixel.
  EXPECT_EQ(DrawOne(0xFFFFFFFF, 0xFF000000, 0x101, 0x00FFFFFF), 0xFF000000u);
  // Texel alpha 0x80 x colour alpha 0x80 = 64; white at 64 over black: 64.
  EXPECT_EQ(DrawOne(0x80FFFFFF, 0xFF000000, 0x504, 0x80FFFFFF), 0xFF404040u);
}

TEST(CanvasBlend, FlatRectanglesBlendLikeTexels) {
  Frame frame(8, 8);
  frame.Fill(0xFF0000FF);
  Canvas2D canvas(frame);
  canvas.FillRect(1, 1, 2, 2, 0x80FF0000, 0x504);
  EXPECT_EQ(frame.Pixel(1, 1), 0xFF80007Fu);
  EXPECT_EQ(frame.Pixel(2, 2), 0xFF80007Fu);
  EXPECT_EQ(frame.Pixel(3, 3), 0xFF0000FFu);
  canvas.FillRect(4, 4, 1, 1, 0x00123456, 1);
  EXPECT_EQ(frame.Pixel(4, 4), 0xFF123456u);
  canvas.FillRect(5, 5, 1, 1, 0x00FFFFFF, 0x101);
  EXPECT_EQ(frame.Pixel(5, 5), 0xFF0000FFu);
}

// Every channel product and blend sum the canvas rounds, checked against the exact quotient.
TEST(CanvasBlend, RoundingHelpersAreExact) {
  for (uint32_t a = 0; a < 256; ++a) {
    for (uint32_t b = 0; b < 256; ++b) {
      ASSERT_EQ(render::Mul255(a, b), (a * b * 2 + 255) / 510) << a << " " << b;
      const uint32_t n = a * b + (255 - a) * (255 - b);
      ASSERT_EQ(render::Div255(n), (n * 2 + 255) / 510);
    }
  }
}

}  // namespace

namespace {

// Turns the AVX2 row loops on or off for one scope.
class Avx2Scope {
 public:
  explicit Avx2Scope(bool allowed) : before_(render::detail::AllowAvx2(allowed)) {}
  ~Avx2Scope() { render::detail::AllowAvx2(before_); }
  Avx2Scope(const Avx2Scope&) = delete;
  Avx2Scope& operator=(const Avx2Scope&) = delete;

 private:
  bool before_;
};

// The pixel-exact blit and its row loops (eight pixels a step with AVX2, four with
// SSE2) give exactly the pixels of the general scan, for every kind of blend, with and
// without modulation and filtering.
class FastPaths : public testing::TestWithParam<bool> {};

INSTANTIATE_TEST_SUITE_P(CanvasBlend, FastPaths, testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Avx2" : "Sse2"; });

TEST_P(FastPaths, MatchGeneralScan) {
  const Avx2Scope avx2(GetParam());
  uint32_t seed = 12345;
  auto next = [&] {
    seed = seed * 1664525u + 1013904223u;
    return seed;
  };
  ImageStore store;
  std::vector<uint32_t> texels(37 * 11);
  for (uint32_t& t : texels) {
    t = next();
    // Plenty of fully transparent and fully opaque texels, as real sprites have.
    if ((t & 7) == 0) t &= 0x00FFFFFF;
    if ((t & 7) == 1) t |= 0xFF000000;
  }
  // Runs of opaque and of clear texels take the loops' shortcuts.
  for (int x = 4; x < 30; ++x) {
    texels[3 * 37 + x] |= 0xFF000000;
    texels[6 * 37 + x] &= 0x00FFFFFF;
  }
  auto* image = MakeImage(store, 37, 11, texels);
  std::vector<uint32_t> opaque = texels;
  for (uint32_t& t : opaque) t |= 0xFF000000;
  auto* opaqueImage = MakeImage(store, 37, 11, opaque);
  for (uint32_t effect : {0x1u, 0x504u, 0x104u, 0x101u, 0x30101u, 0x20504u, 0x908u}) {
    for (uint32_t colour : {0xFFFFFFFFu, 0xC0FF8040u, 0x00000000u}) {
      for (bool smooth : {false, true}) {
        for (auto* img : {image, opaqueImage}) {
          Frame a(64, 32), b(64, 32);
          for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 64; ++x) a.Row(y)[x] = b.Row(y)[x] = next() | 0xFF000000u;
          Canvas2D fast(a), general(b);
          general.SetFastPathsEnabled(false);
          for (Canvas2D* c : {&fast, &general}) {
            c->SetSmoothing(smooth);
            c->SetClipRect({3, 2, 60, 30});
            c->DrawImage(img, colour, 5, 3, 0, effect);
            c->DrawImage(img, colour, -7, 20, 0, effect);
            c->DrawImageQuad(img, render::RectCorners(30, 14, 20, 6), render::SameColours(colour),
                             0, {4, 2, 20, 6}, effect);
            // A vertical gradient (text) also takes the blit, one colour per row.
            c->DrawImageQuad(img, render::RectCorners(20, 1, 37, 11),
                             {0xFFFFFFFF, 0xFFFFFFFF, colour, colour}, 0, {}, effect);
          }
          for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 64; ++x)
              ASSERT_EQ(a.Pixel(x, y), b.Pixel(x, y))
                  << std::hex << effect << " " << colour << " " << smooth << " at " << std::dec
                  << x << "," << y;
        }
      }
    }
  }
}

}  // namespace

namespace {

// Scaled and rotated drawing: the SSE2 loops give the reference loop's pixels for random
// transforms, filters, colours (flat, gradient, four corners) and blends.
TEST(CanvasBlend, VectorLoopsMatchReferenceLoop) {
  uint32_t seed = 777;
  auto next = [&] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  ImageStore store;
  std::vector<uint32_t> texels(23 * 17);
  for (uint32_t& t : texels) {
    t = next() | (next() << 24);
    if ((t & 3) == 0) t &= 0x00FFFFFF;
  }
  auto* image = MakeImage(store, 23, 17, texels);
  for (int round = 0; round < 300; ++round) {
    Frame a(96, 80), b(96, 80);
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 96; ++x) a.Row(y)[x] = b.Row(y)[x] = next() | 0xFF000000u;
    Canvas2D fast(a), reference(b);
    reference.SetFastPathsEnabled(false);
    const uint32_t effects[] = {0x1, 0x504, 0x104};
    const uint32_t effect = effects[round % 3];
    const bool smooth = (round / 3) % 2 == 1;
    const double angle = (next() % 6283) / 1000.0;
    const double scale = 0.2 + (next() % 3000) / 1000.0;
    const double cx = static_cast<double>(next() % 12000) / 100.0 - 10;
    const double cy = static_cast<double>(next() % 10000) / 100.0 - 10;
    const uint32_t c1 = next() | 0x40000000u, c2 = next() | (next() << 24);
    const render::QuadCorners corners = render::RotatedCorners(cx, cy, 23, 17, angle, scale);
    for (Canvas2D* c : {&fast, &reference}) {
      c->SetSmoothing(smooth);
      c->DrawImageRotated(image, 0xFFFFFFFF, cx, cy, angle, scale, 0, effect);
      c->DrawImageRotated(image, c1, cx + 5, cy - 3, -angle, scale * 0.7, 0, effect);
      c->DrawImageQuad(image, corners, {c1, c1, c2, c2}, 0, {2, 1, 15, 12}, effect);
      c->DrawImageQuad(image, corners, {c1, c2, 0xFFFFFFFF, 0x80808080}, 0, {}, effect);
    }
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 96; ++x)
        ASSERT_EQ(a.Pixel(x, y), b.Pixel(x, y)) << "round " << round << " at " << x << "," << y;
  }
}

}  // namespace
