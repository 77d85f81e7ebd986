// Flat-colour spans: the SSE2 rows give the reference loop's pixels for every
// blend kind, colour, alpha, span length and start within a 16-byte line, and
// touch nothing outside the span.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "render/blend.h"
#include "render/canvas2d.h"
#include "render/flat_span.h"
#include "render/frame.h"
#include "render/span_shader.h"

namespace {

using render::BlendState;
using render::DecodeEffect;
using render::detail::FlatSpan;

struct Lcg {
  uint32_t seed;
  uint32_t Next() {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8 | (seed << 24);
  }
};

// Effect codes covering each kind: opaque, alpha, additive, and generic ones
// with colour factors, subtraction, minimum and maximum.
constexpr uint32_t kEffects[] = {0x1,     0x504,   0x104,    0x302,    0x20304,
                                 0x10504, 0x30101, 0x40101,  0x905,    0x801,
                                 0x0a05,  0x600,   0x20504,  0x707,    0x0};

// Compares FlatSpan with the reference loop on `count` pixels starting `start`
// pixels into a 16-byte-aligned buffer, with guard pixels on both sides.
void CheckSpan(const BlendState& blend, uint32_t colour, const std::vector<uint32_t>& pixels,
               int start, int count, const char* what) {
  alignas(16) static uint32_t fast[4096 + 32];
  alignas(16) static uint32_t reference[4096 + 32];
  ASSERT_LE(pixels.size(), 4096u + 32u);
  std::copy(pixels.begin(), pixels.end(), fast);
  std::copy(pixels.begin(), pixels.end(), reference);
  FlatSpan span(blend, colour);
  span.Draw(fast + start, count);
  render::detail::ShadeSpanBlend(blend, reference + start, count,
                                 render::detail::FlatSampler{colour},
                                 render::detail::NoColour{});
  for (size_t i = 0; i < pixels.size(); ++i) {
    ASSERT_EQ(fast[i], reference[i]) << what << ": colour " << std::hex << colour << " kind "
                                     << static_cast<int>(blend.kind) << std::dec << " start "
                                     << start << " count " << count << " at " << i;
  }
  if (span.DrawsNothing()) {
    for (size_t i = 0; i < pixels.size(); ++i) ASSERT_EQ(fast[i], pixels[i]);
  }
}

TEST(FlatSpan, MatchesReferenceLoopOnShortAndUnalignedSpans) {
  Lcg rng{12345};
  for (uint32_t effect : kEffects) {
    const BlendState blend = DecodeEffect(effect);
    for (int round = 0; round < 60; ++round) {
      uint32_t colour = rng.Next();
      // The alphas with their own branches, and random ones.
      const uint32_t alphas[] = {0, 1, 150, 254, 255, rng.Next() & 0xFF};
      colour = (colour & 0x00FFFFFFu) | (alphas[round % 6] << 24);
      std::vector<uint32_t> pixels(32);
      for (uint32_t& p : pixels) p = rng.Next() | 0xFF000000u;
      for (int start = 0; start < 4; ++start) {
        for (int count = 0; count <= 9; ++count) {
          CheckSpan(blend, colour, pixels, 8 + start, count, "short");
        }
      }
    }
  }
}

// Long spans take the tables of the generic blends, and the body loop covers
// every destination channel value; destinations include the extremes 0 and 255.
TEST(FlatSpan, MatchesReferenceLoopOnLongSpans) {
  Lcg rng{99};
  for (uint32_t effect : kEffects) {
    const BlendState blend = DecodeEffect(effect);
    for (int round = 0; round < 40; ++round) {
      const uint32_t extremes[] = {0x00000000u, 0xFFFFFFFFu, 0x00FF00FFu, 0x80808080u};
      const uint32_t colour = round < 4 ? extremes[round] : rng.Next();
      std::vector<uint32_t> pixels(1100);
      for (size_t i = 0; i < pixels.size(); ++i) {
        // Every channel value in turn, then random pixels; a few without alpha 255.
        pixels[i] = i < 256 ? (0xFF000000u | static_cast<uint32_t>(i) * 0x010101u)
                            : (rng.Next() | (i % 97 == 0 ? 0u : 0xFF000000u));
      }
      const int start = static_cast<int>(rng.Next() % 8);
      const int count = 64 + static_cast<int>(rng.Next() % 1000);
      CheckSpan(blend, colour, pixels, start, count, "long");
    }
  }
}

// One FlatSpan draws many rows: the generic tables made for a long row serve
// the short rows after it.
TEST(FlatSpan, ReusedAcrossRowsOfDifferentLengths) {
  Lcg rng{7};
  for (uint32_t effect : {0x504u, 0x104u, 0x20304u, 0x40101u}) {
    const BlendState blend = DecodeEffect(effect);
    const uint32_t colour = rng.Next() | 0x10000000u;
    FlatSpan span(blend, colour);
    for (int row = 0; row < 40; ++row) {
      alignas(16) uint32_t fast[160];
      alignas(16) uint32_t reference[160];
      for (int i = 0; i < 160; ++i) fast[i] = reference[i] = rng.Next() | 0xFF000000u;
      const int start = static_cast<int>(rng.Next() % 5);
      const int count = row % 2 == 0 ? 150 : static_cast<int>(rng.Next() % 10);
      span.Draw(fast + start, count);
      render::detail::ShadeSpanBlend(blend, reference + start, count,
                                     render::detail::FlatSampler{colour},
                                     render::detail::NoColour{});
      for (int i = 0; i < 160; ++i) ASSERT_EQ(fast[i], reference[i]) << "row " << row << " at " << i;
    }
  }
}

// Whole shapes through the canvas: rectangles and triangles with and without
// the fast paths give the same frame.
TEST(FlatSpan, CanvasShapesMatchWithFastPathsOff) {
  Lcg rng{2024};
  for (int round = 0; round < 120; ++round) {
    render::Frame a(70, 50), b(70, 50);
    for (int y = 0; y < 50; ++y)
      for (int x = 0; x < 70; ++x) a.Row(y)[x] = b.Row(y)[x] = rng.Next() | 0xFF000000u;
    render::Canvas2D fast(a), reference(b);
    reference.SetFastPathsEnabled(false);
    const uint32_t effect = kEffects[round % std::size(kEffects)];
    const uint32_t colour = rng.Next();
    const int left = static_cast<int>(rng.Next() % 90) - 10;
    const int top = static_cast<int>(rng.Next() % 70) - 10;
    const int width = static_cast<int>(rng.Next() % 80);
    const int height = static_cast<int>(rng.Next() % 60);
    const render::PointD p1{(rng.Next() % 9000) / 100.0 - 10, (rng.Next() % 7000) / 100.0 - 10};
    const render::PointD p2{(rng.Next() % 9000) / 100.0 - 10, (rng.Next() % 7000) / 100.0 - 10};
    const render::PointD p3{(rng.Next() % 9000) / 100.0 - 10, (rng.Next() % 7000) / 100.0 - 10};
    for (render::Canvas2D* c : {&fast, &reference}) {
      c->FillRect(left, top, width, height, colour, effect);
      c->FillTriangle(p1, p2, p3, colour ^ 0x5A5A5A5Au, effect);
    }
    for (int y = 0; y < 50; ++y)
      for (int x = 0; x < 70; ++x)
        ASSERT_EQ(a.Pixel(x, y), b.Pixel(x, y)) << "round " << round << " at " << x << "," << y;
  }
}

}  // namespace
