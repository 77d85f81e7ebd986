// The SSE2 textured spans against the reference loop, span by span, with
// vertex colours that leave 0..255 (clamped per pixel), steps large and small,
// and colour walks too wide for 32-bit lanes.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "render/span_shader.h"
#include "render_test_util.h"

namespace {

using namespace render::detail;

TEST(TexturedSpan, GouraudSpansMatchReferenceLoop) {
  uint32_t seed = 4242;
  auto next = [&] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8 | (seed << 24);
  };
  render::ImageStore store;
  std::vector<uint32_t> texels(13 * 11);
  for (uint32_t& t : texels) t = next();
  const render::PatternTexture& tex = *render_test::MakeImage(store, 13, 11, texels)->Pattern(0);
  const uint32_t effects[] = {0x1, 0x504, 0x104};
  for (int round = 0; round < 3000; ++round) {
    TexturedSpan span;
    span.sampling = round % 2 == 0 ? Sampling::kNearest : Sampling::kBilinear;
    span.blend = render::DecodeEffect(effects[(round / 2) % 3]);
    span.colourMode = ColourMode::kGouraud;
    span.walk.origin = tex.Texel(0, 0);
    span.walk.stride = tex.Stride();
    span.walk.uMax = int64_t{13} * kUvOne + kUvHalf - 1;
    span.walk.vMax = int64_t{11} * kUvOne + kUvHalf - 1;
    span.walk.u = static_cast<int64_t>(next() % (15 * kUvOne)) - kUvOne;
    span.walk.v = static_cast<int64_t>(next() % (13 * kUvOne)) - kUvOne;
    span.walk.du = static_cast<int64_t>(next() % (kUvOne / 2)) - kUvOne / 4;
    span.walk.dv = static_cast<int64_t>(next() % (kUvOne / 2)) - kUvOne / 4;
    // Inside 0..255, just outside it, and far outside 32 bits.
    const int kind = round % 5;
    for (int ch = 0; ch < 4; ++ch) {
      if (kind == 4) {
        span.gouraud.c[ch] = (int64_t{1} << 31) + static_cast<int64_t>(next() % 1000) - 500;
        span.gouraud.dc[ch] = -static_cast<int64_t>(next() % (1u << 24));
      } else if (kind == 3) {
        span.gouraud.c[ch] = static_cast<int64_t>(next() % (1u << 30)) - (int64_t{1} << 29);
        span.gouraud.dc[ch] = static_cast<int64_t>(next() % (1u << 26)) - (int64_t{1} << 25);
      } else {
        span.gouraud.c[ch] = static_cast<int64_t>(next() % (300u << 16)) - (int64_t{20} << 16);
        span.gouraud.dc[ch] = static_cast<int64_t>(next() % (8u << 16)) - (int64_t{4} << 16);
      }
    }
    std::vector<uint32_t> a(40), b;
    for (uint32_t& p : a) p = next() | 0xFF000000u;
    b = a;
    const int start = static_cast<int>(next() % 4);
    span.count = static_cast<int>(next() % 33);
    span.dst = a.data() + start;
    ASSERT_TRUE(ShadeTexturedSpanSimd(span));
    span.dst = b.data() + start;
    ShadeTexturedSpan(span);
    for (size_t i = 0; i < a.size(); ++i)
      ASSERT_EQ(a[i], b[i]) << "round " << round << " count " << span.count << " at " << i;
  }
}

}  // namespace
