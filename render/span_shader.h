#pragma once
// Inner loops of the software canvas (internal to render/).
//
// A span is a run of pixels in one frame row. Each pixel takes a source value
// from a sampler (texture walk or flat colour), an optional colour modulation
// and a blend into the frame. The three parts are small structs combined by
// templates, so every combination compiles to its own straight loop.

#include <cstdint>

#include "render/blend.h"
#include "render/pixel_math.h"
#include "render/render_image.h"

#define QZ_INLINE [[gnu::always_inline]] inline

namespace render::detail {

// Fixed-point texture coordinates: 16 fraction bits, in texels of the pattern.
inline constexpr int kUvBits = 16;
inline constexpr int64_t kUvOne = int64_t{1} << kUvBits;
inline constexpr int64_t kUvHalf = kUvOne / 2;

// Texel walk along a row of texels at unit steps (the pixel-exact blit).
struct DirectSampler {
  const uint32_t* p;
  QZ_INLINE uint32_t Next() { return *p++; }
};

// Shared state of the stepping samplers. Coordinates are clamped to half a
// texel beyond the pattern, which keeps every read inside the border.
struct TextureWalk {
  const uint32_t* origin;  // texel (0, 0)
  int64_t stride;
  int64_t u, v, du, dv;
  int64_t uMax, vMax;  // the lower clamp is -kUvHalf

  QZ_INLINE static int64_t Clamp(int64_t value, int64_t high) {
    return value < -kUvHalf ? -kUvHalf : (value > high ? high : value);
  }
};

struct NearestSampler {
  TextureWalk w;
  QZ_INLINE uint32_t Next() {
    const int64_t u = TextureWalk::Clamp(w.u, w.uMax);
    const int64_t v = TextureWalk::Clamp(w.v, w.vMax);
    w.u += w.du;
    w.v += w.dv;
    return w.origin[(v >> kUvBits) * w.stride + (u >> kUvBits)];
  }
};

struct BilinearSampler {
  TextureWalk w;
  QZ_INLINE uint32_t Next() {
    const int64_t u = TextureWalk::Clamp(w.u, w.uMax) - kUvHalf;
    const int64_t v = TextureWalk::Clamp(w.v, w.vMax) - kUvHalf;
    w.u += w.du;
    w.v += w.dv;
    const uint32_t fx = static_cast<uint32_t>(u >> (kUvBits - 8)) & 0xFF;
    const uint32_t fy = static_cast<uint32_t>(v >> (kUvBits - 8)) & 0xFF;
    const uint32_t* p = w.origin + (v >> kUvBits) * w.stride + (u >> kUvBits);
    return Bilinear(p[0], p[1], p[w.stride], p[w.stride + 1], fx, fy);
  }
};

// The source of untextured primitives: one colour.
struct FlatSampler {
  uint32_t colour;
  QZ_INLINE uint32_t Next() const { return colour; }
};

struct NoColour {
  QZ_INLINE uint32_t Apply(uint32_t s) { return s; }
};

struct ConstantColour {
  uint32_t colour;
  QZ_INLINE uint32_t Apply(uint32_t s) const { return Modulate(s, colour); }
};

// Vertex colours interpolated along the span: per channel 16 fraction bits,
// with half a unit added so that the shift rounds to nearest.
struct GouraudColour {
  int64_t c[4];   // a, r, g, b
  int64_t dc[4];
  QZ_INLINE uint32_t Apply(uint32_t s) {
    uint32_t ch[4];
    for (int i = 0; i < 4; ++i) {
      int64_t v = c[i] >> 16;
      ch[i] = static_cast<uint32_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
      c[i] += dc[i];
    }
    return Modulate(s, MakeArgb(ch[0], ch[1], ch[2], ch[3]));
  }
};

struct OpaqueBlender {
  QZ_INLINE void Put(uint32_t& d, uint32_t s) const { d = s | 0xFF000000u; }
};

struct AlphaBlender {
  QZ_INLINE void Put(uint32_t& d, uint32_t s) const {
    const uint32_t a = s >> 24;
    if (a == 0xFF) {
      d = s;
    } else if (a != 0) {
      d = BlendAlpha(s, d);
    }
  }
};

struct AdditiveBlender {
  QZ_INLINE void Put(uint32_t& d, uint32_t s) const {
    if ((s >> 24) != 0) d = BlendAdditive(s, d);
  }
};

struct GenericBlender {
  BlendState state;
  QZ_INLINE void Put(uint32_t& d, uint32_t s) const {
    if ((s >> 24) != 0) d = BlendGeneric(state, s, d);
  }
};

template <class Sampler, class Colour, class Blender>
inline void ShadeSpan(uint32_t* dst, int count, Sampler sampler, Colour colour,
                      const Blender& blender) {
  for (int i = 0; i < count; ++i) blender.Put(dst[i], colour.Apply(sampler.Next()));
}

template <class Sampler, class Colour>
inline void ShadeSpanBlend(const BlendState& blend, uint32_t* dst, int count, Sampler sampler,
                           Colour colour) {
  switch (blend.kind) {
    case BlendKind::kOpaque:
      ShadeSpan(dst, count, sampler, colour, OpaqueBlender{});
      break;
    case BlendKind::kAlpha:
      ShadeSpan(dst, count, sampler, colour, AlphaBlender{});
      break;
    case BlendKind::kAdditive:
      ShadeSpan(dst, count, sampler, colour, AdditiveBlender{});
      break;
    case BlendKind::kGeneric:
      ShadeSpan(dst, count, sampler, colour, GenericBlender{blend});
      break;
    case BlendKind::kInvalid:
      break;
  }
}

enum class Sampling : uint8_t { kNearest, kBilinear };
enum class ColourMode : uint8_t { kNone, kConstant, kGouraud };

// One row of a textured primitive.
struct TexturedSpan {
  uint32_t* dst = nullptr;
  int count = 0;
  Sampling sampling = Sampling::kNearest;
  TextureWalk walk{};
  ColourMode colourMode = ColourMode::kNone;
  uint32_t colour = 0xFFFFFFFF;  // kConstant
  GouraudColour gouraud{};       // kGouraud
  BlendState blend;
};

// The reference loop, one pixel at a time.
void ShadeTexturedSpan(const TexturedSpan& span);
// The same pixels with SSE2, two at a time; false (nothing drawn) for the
// combinations it does not cover, which then take the reference loop.
bool ShadeTexturedSpanSimd(const TexturedSpan& span);
// A straight row of texels modulated by one colour, with SSE2; false as above.
bool ShadeDirectSpanSimd(uint32_t* dst, const uint32_t* src, int count, uint32_t colour,
                         const BlendState& blend);

// The alpha blend of unmodulated texels in a straight row: the pixel-exact
// blit's loop (vectorised where the machine allows).
void BlitAlphaRow(uint32_t* dst, const uint32_t* src, int count);
// Copies texels as opaque pixels.
void CopyOpaqueRow(uint32_t* dst, const uint32_t* src, int count);
// Additive blend of unmodulated texels in a straight row.
void BlitAdditiveRow(uint32_t* dst, const uint32_t* src, int count);

// The two blits eight pixels a step where the processor has AVX2: they
// return how many leading pixels they did (a multiple of 8; 0 without AVX2).
bool UseAvx2();
int BlitAlphaRowAvx2(uint32_t* dst, const uint32_t* src, int count);
int BlitAdditiveRowAvx2(uint32_t* dst, const uint32_t* src, int count);
// Tests turn the AVX2 loops off to check the SSE2 ones; gives the previous setting.
bool AllowAvx2(bool allowed);

}  // namespace render::detail
