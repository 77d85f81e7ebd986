// SSE2 versions of the textured span loops: two pixels at a time in 16-bit
// lanes (B, G, R, A of pixel 0, then of pixel 1), one sampler, modulation and
// blend struct per scalar one of span_shader.h, combined by the same templates.
//
// Keep in mind when changing it: every step truncates or rounds exactly
// where the reference loop does, so the pixels are the same, bit for bit;
// tests/render runs every span both ways and compares. A faster step that
// rounds once instead of twice is a different picture, not an optimisation.

#include "render/span_shader.h"

#include <cstdint>

#include "render/simd_lanes.h"

namespace render::detail {

#if defined(__SSE2__)

namespace {

QZ_INLINE __m128i Zero() { return _mm_setzero_si128(); }

QZ_INLINE __m128i Widen2(uint32_t a, uint32_t b) {
  return _mm_unpacklo_epi8(_mm_set_epi32(0, 0, static_cast<int>(b), static_cast<int>(a)), Zero());
}

// Bilinear filter of the texel quad at p: the result in the low four lanes.
QZ_INLINE __m128i Bilinear1(const uint32_t* p, int64_t stride, uint32_t fx, uint32_t fy) {
  const __m128i lowMask = _mm_set_epi16(0, 0, 0, 0, -1, -1, -1, -1);
  const __m128i low257 = _mm_set_epi16(0, 0, 0, 0, 257, 257, 257, 257);
  // [256 - f x 4 | f x 4]
  const __m128i wx =
      _mm_add_epi16(_mm_xor_si128(_mm_set1_epi16(static_cast<short>(fx)), lowMask), low257);
  const __m128i wy =
      _mm_add_epi16(_mm_xor_si128(_mm_set1_epi16(static_cast<short>(fy)), lowMask), low257);
  const __m128i top = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), Zero());
  const __m128i bottom =
      _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + stride)), Zero());
  const __m128i t = _mm_mullo_epi16(top, wx);
  const __m128i b = _mm_mullo_epi16(bottom, wx);
  // [top row mixed | bottom row mixed], each truncated
  const __m128i rows =
      _mm_srli_epi16(_mm_add_epi16(_mm_unpacklo_epi64(t, b), _mm_unpackhi_epi64(t, b)), 8);
  const __m128i v = _mm_mullo_epi16(rows, wy);
  return _mm_srli_epi16(_mm_add_epi16(v, _mm_unpackhi_epi64(v, v)), 8);
}

// The texel quad of one pixel: its top-left texel and 8-bit fractions.
struct TexelQuad {
  const uint32_t* p;
  uint32_t fx, fy;
};

// Bilinear1 of two quads at once, the same steps with each pixel's weights in
// its half: [texel 00 of both | ...] rows mixed by x, then by y, truncated.
QZ_INLINE __m128i Bilinear2(const TexelQuad& a, const TexelQuad& b, int64_t stride) {
  // [fx0 fy0 fx1 fy1] spread to [fx0 x4 | fx1 x4] and [fy0 x4 | fy1 x4].
  const __m128i f = _mm_cvtsi64_si128(static_cast<long long>(
      a.fx | (a.fy << 16) | (uint64_t{b.fx} << 32) | (uint64_t{b.fy} << 48)));
  const __m128i pairs = _mm_unpacklo_epi16(f, f);
  const __m128i fx = _mm_shuffle_epi32(pairs, _MM_SHUFFLE(2, 2, 0, 0));
  const __m128i fy = _mm_shuffle_epi32(pairs, _MM_SHUFFLE(3, 3, 1, 1));
  const __m128i k256 = _mm_set1_epi16(256);
  const __m128i ifx = _mm_sub_epi16(k256, fx);
  const __m128i ify = _mm_sub_epi16(k256, fy);
  auto load = [](const uint32_t* p) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)); };
  // [left a, left b, right a, right b] of the top and of the bottom row.
  const __m128i top = _mm_unpacklo_epi32(load(a.p), load(b.p));
  const __m128i bottom = _mm_unpacklo_epi32(load(a.p + stride), load(b.p + stride));
  auto mixX = [&](__m128i row) {
    const __m128i left = _mm_unpacklo_epi8(row, Zero());
    const __m128i right = _mm_unpackhi_epi8(row, Zero());
    return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(left, ifx), _mm_mullo_epi16(right, fx)), 8);
  };
  const __m128i t = mixX(top);
  const __m128i u = mixX(bottom);
  return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(t, ify), _mm_mullo_epi16(u, fy)), 8);
}

struct NearestSimd {
  TextureWalk w;
  QZ_INLINE uint32_t Fetch() {
    const int64_t u = TextureWalk::Clamp(w.u, w.uMax);
    const int64_t v = TextureWalk::Clamp(w.v, w.vMax);
    w.u += w.du;
    w.v += w.dv;
    return w.origin[(v >> kUvBits) * w.stride + (u >> kUvBits)];
  }
  QZ_INLINE __m128i Two() {
    const uint32_t a = Fetch();
    const uint32_t b = Fetch();
    return Widen2(a, b);
  }
  QZ_INLINE __m128i One() { return Widen2(Fetch(), 0); }
};

struct BilinearSimd {
  TextureWalk w;
  QZ_INLINE TexelQuad Quad() {
    const int64_t u = TextureWalk::Clamp(w.u, w.uMax) - kUvHalf;
    const int64_t v = TextureWalk::Clamp(w.v, w.vMax) - kUvHalf;
    w.u += w.du;
    w.v += w.dv;
    return {w.origin + (v >> kUvBits) * w.stride + (u >> kUvBits),
            static_cast<uint32_t>(u >> (kUvBits - 8)) & 0xFF,
            static_cast<uint32_t>(v >> (kUvBits - 8)) & 0xFF};
  }
  QZ_INLINE __m128i Two() {
    const TexelQuad a = Quad();
    const TexelQuad b = Quad();
    return Bilinear2(a, b, w.stride);
  }
  QZ_INLINE __m128i One() {
    const TexelQuad q = Quad();
    return Bilinear1(q.p, w.stride, q.fx, q.fy);
  }
};

// The same walks for spans known to stay inside the clamp range from their
// first to their last pixel: no clamping, 32-bit coordinates.
struct InRangeWalk {
  const uint32_t* origin;
  int32_t stride;
  int32_t u, v, du, dv;
  explicit InRangeWalk(const TextureWalk& w)
      : origin(w.origin),
        stride(static_cast<int32_t>(w.stride)),
        u(static_cast<int32_t>(w.u)),
        v(static_cast<int32_t>(w.v)),
        du(static_cast<int32_t>(w.du)),
        dv(static_cast<int32_t>(w.dv)) {}
  // The step after the last pixel may leave the 32-bit range; it wraps (its
  // value is never used) instead of overflowing.
  QZ_INLINE void Step() {
    u = static_cast<int32_t>(static_cast<uint32_t>(u) + static_cast<uint32_t>(du));
    v = static_cast<int32_t>(static_cast<uint32_t>(v) + static_cast<uint32_t>(dv));
  }
};

struct NearestInRange {
  InRangeWalk w;
  QZ_INLINE uint32_t Fetch() {
    const uint32_t t = w.origin[(w.v >> kUvBits) * w.stride + (w.u >> kUvBits)];
    w.Step();
    return t;
  }
  QZ_INLINE __m128i Two() {
    const uint32_t a = Fetch();
    const uint32_t b = Fetch();
    return Widen2(a, b);
  }
  QZ_INLINE __m128i One() { return Widen2(Fetch(), 0); }
};

struct BilinearInRange {
  InRangeWalk w;
  QZ_INLINE TexelQuad Quad() {
    const int32_t u = w.u - static_cast<int32_t>(kUvHalf);
    const int32_t v = w.v - static_cast<int32_t>(kUvHalf);
    w.Step();
    return {w.origin + (v >> kUvBits) * w.stride + (u >> kUvBits),
            static_cast<uint32_t>(u >> (kUvBits - 8)) & 0xFF,
            static_cast<uint32_t>(v >> (kUvBits - 8)) & 0xFF};
  }
  QZ_INLINE __m128i Two() {
    const TexelQuad a = Quad();
    const TexelQuad b = Quad();
    return Bilinear2(a, b, w.stride);
  }
  QZ_INLINE __m128i One() {
    const TexelQuad q = Quad();
    return Bilinear1(q.p, w.stride, q.fx, q.fy);
  }
};

// True when every coordinate of the span lies inside the clamp range, so that
// clamping changes nothing (the walk is linear: its ends decide).
bool InRange(const TextureWalk& w, int count) {
  auto inside = [](int64_t first, int64_t step, int64_t high, int n) {
    const int64_t last = first + step * (n - 1);
    return first >= -kUvHalf && first <= high && last >= -kUvHalf && last <= high;
  };
  // A one-pixel span never uses its steps, which may be huge: its ends are its start.
  const int64_t du = count > 1 ? w.du : 0;
  const int64_t dv = count > 1 ? w.dv : 0;
  return count > 0 && inside(w.u, du, w.uMax, count) && inside(w.v, dv, w.vMax, count);
}

struct DirectSimd {
  const uint32_t* p;
  QZ_INLINE __m128i Two() {
    const __m128i x = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), Zero());
    p += 2;
    return x;
  }
  QZ_INLINE __m128i One() { return Widen2(*p++, 0); }
};

struct NoColourSimd {
  QZ_INLINE __m128i Two(__m128i s) { return s; }
  QZ_INLINE __m128i One(__m128i s) { return s; }
};

struct ConstantColourSimd {
  __m128i c;
  QZ_INLINE __m128i Two(__m128i s) { return Div255x(_mm_mullo_epi16(s, c)); }
  QZ_INLINE __m128i One(__m128i s) { return Two(s); }
};

struct GouraudColourSimd {
  GouraudColour g;
  QZ_INLINE uint32_t Next() {
    uint32_t ch[4];
    for (int i = 0; i < 4; ++i) {
      const int64_t v = g.c[i] >> 16;
      ch[i] = static_cast<uint32_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
      g.c[i] += g.dc[i];
    }
    return MakeArgb(ch[0], ch[1], ch[2], ch[3]);
  }
  QZ_INLINE __m128i Two(__m128i s) {
    const uint32_t a = Next();
    const uint32_t b = Next();
    return Div255x(_mm_mullo_epi16(s, Widen2(a, b)));
  }
  QZ_INLINE __m128i One(__m128i s) { return Div255x(_mm_mullo_epi16(s, Widen2(Next(), 0))); }
};

// Vertex colours stepped in 32-bit lanes (b, g, r, a, as the pixel's bytes),
// for spans whose colour values fit in 32 bits from the first pixel to the
// last (GouraudFits): the same values as the 64-bit walk, clamped together.
struct GouraudLanesSimd {
  __m128i c, dc;
  explicit GouraudLanesSimd(const GouraudColour& g)
      : c(_mm_set_epi32(static_cast<int>(g.c[0]), static_cast<int>(g.c[1]),
                        static_cast<int>(g.c[2]), static_cast<int>(g.c[3]))),
        dc(_mm_set_epi32(static_cast<int>(g.dc[0]), static_cast<int>(g.dc[1]),
                         static_cast<int>(g.dc[2]), static_cast<int>(g.dc[3]))) {}
  // Channels of two steps as 16-bit lanes. Saturating to 16 bits keeps values
  // below 0 and above 255 on their side, so max and min give the clamp.
  QZ_INLINE static __m128i Channels(__m128i c0, __m128i c1) {
    const __m128i v = _mm_packs_epi32(_mm_srai_epi32(c0, 16), _mm_srai_epi32(c1, 16));
    return _mm_min_epi16(_mm_max_epi16(v, Zero()), _mm_set1_epi16(255));
  }
  // The step past the last pixel may wrap; it is never used.
  QZ_INLINE __m128i Two(__m128i s) {
    const __m128i c1 = _mm_add_epi32(c, dc);
    const __m128i colour = Channels(c, c1);
    c = _mm_add_epi32(c1, dc);
    return Div255x(_mm_mullo_epi16(s, colour));
  }
  QZ_INLINE __m128i One(__m128i s) {
    const __m128i colour = Channels(c, c);
    c = _mm_add_epi32(c, dc);
    return Div255x(_mm_mullo_epi16(s, colour));
  }
};

bool GouraudFits(const GouraudColour& g, int count) {
  constexpr int64_t kLow = INT32_MIN;
  constexpr int64_t kHigh = INT32_MAX;
  for (int i = 0; i < 4; ++i) {
    if (g.dc[i] < kLow || g.dc[i] > kHigh) return false;
    const int64_t last = g.c[i] + g.dc[i] * (count - 1);
    if (g.c[i] < kLow || g.c[i] > kHigh || last < kLow || last > kHigh) return false;
  }
  return true;
}

// Blends: source and destination as lanes, result as lanes (alpha lanes don't matter).
struct OpaqueSimd {
  QZ_INLINE __m128i operator()(__m128i s, __m128i) const { return s; }
};

struct AlphaSimd {
  // With alpha 0 the blend gives the destination exactly, so the alpha test needs no mask.
  QZ_INLINE __m128i operator()(__m128i s, __m128i d) const {
    const __m128i a = AlphaLanes(s);
    const __m128i ia = _mm_sub_epi16(_mm_set1_epi16(255), a);
    return Div255x(_mm_add_epi16(_mm_mullo_epi16(s, a), _mm_mullo_epi16(d, ia)));
  }
};

struct AdditiveSimd {
  // Sums above 255 saturate when packed.
  QZ_INLINE __m128i operator()(__m128i s, __m128i d) const {
    return _mm_add_epi16(d, Div255x(_mm_mullo_epi16(s, AlphaLanes(s))));
  }
};

template <class Sampler, class Colour, class Blend>
void Run(uint32_t* dst, int count, Sampler sampler, Colour colour, Blend blend) {
  const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  int i = 0;
  for (; i + 2 <= count; i += 2) {
    const __m128i s = colour.Two(sampler.Two());
    const __m128i d =
        _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(dst + i)), Zero());
    const __m128i r = _mm_or_si128(_mm_packus_epi16(blend(s, d), Zero()), opaque);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + i), r);
  }
  if (i < count) {
    const __m128i s = colour.One(sampler.One());
    const __m128i d = Widen2(dst[i], 0);
    const __m128i r = _mm_or_si128(_mm_packus_epi16(blend(s, d), Zero()), opaque);
    dst[i] = static_cast<uint32_t>(_mm_cvtsi128_si32(r));
  }
}

template <class Sampler, class Colour>
void RunBlend(const TexturedSpan& s, Sampler sampler, Colour colour) {
  switch (s.blend.kind) {
    case BlendKind::kOpaque:
      Run(s.dst, s.count, sampler, colour, OpaqueSimd{});
      break;
    case BlendKind::kAlpha:
      Run(s.dst, s.count, sampler, colour, AlphaSimd{});
      break;
    case BlendKind::kAdditive:
      Run(s.dst, s.count, sampler, colour, AdditiveSimd{});
      break;
    default:
      break;
  }
}

template <class Sampler>
void RunColour(const TexturedSpan& s, Sampler sampler) {
  switch (s.colourMode) {
    case ColourMode::kNone:
      RunBlend(s, sampler, NoColourSimd{});
      break;
    case ColourMode::kConstant:
      RunBlend(s, sampler, ConstantColourSimd{Widen2(s.colour, s.colour)});
      break;
    case ColourMode::kGouraud:
      if (GouraudFits(s.gouraud, s.count)) {
        RunBlend(s, sampler, GouraudLanesSimd(s.gouraud));
      } else {
        RunBlend(s, sampler, GouraudColourSimd{s.gouraud});
      }
      break;
  }
}

}  // namespace

bool ShadeDirectSpanSimd(uint32_t* dst, const uint32_t* src, int count, uint32_t colour,
                         const BlendState& blend) {
  TexturedSpan span;
  span.dst = dst;
  span.count = count;
  span.blend = blend;
  switch (blend.kind) {
    case BlendKind::kOpaque:
    case BlendKind::kAlpha:
    case BlendKind::kAdditive:
      RunBlend(span, DirectSimd{src}, ConstantColourSimd{Widen2(colour, colour)});
      return true;
    default:
      return false;
  }
}

bool ShadeTexturedSpanSimd(const TexturedSpan& span) {
  const BlendKind kind = span.blend.kind;
  if (kind != BlendKind::kOpaque && kind != BlendKind::kAlpha && kind != BlendKind::kAdditive) {
    return false;
  }
  const bool inRange = InRange(span.walk, span.count);
  if (span.sampling == Sampling::kBilinear) {
    if (inRange) {
      RunColour(span, BilinearInRange{InRangeWalk(span.walk)});
    } else {
      RunColour(span, BilinearSimd{span.walk});
    }
  } else {
    if (inRange) {
      RunColour(span, NearestInRange{InRangeWalk(span.walk)});
    } else {
      RunColour(span, NearestSimd{span.walk});
    }
  }
  return true;
}

#else

bool ShadeTexturedSpanSimd(const TexturedSpan&) { return false; }
bool ShadeDirectSpanSimd(uint32_t*, const uint32_t*, int, uint32_t, const BlendState&) {
  return false;
}

#endif

}  // namespace render::detail
