#pragma once
// Draw effect codes decoded into blend factors and an operation, and the
// per-pixel blend of the general case. Canvas documents the codes.

#include <cstdint>

#include "render/pixel_math.h"

namespace render {

enum class BlendFactor : uint8_t {
  kZero,
  kOne,
  kSrcColour,
  kInvSrcColour,
  kSrcAlpha,
  kInvSrcAlpha,
  kDestAlpha,
  kInvDestAlpha,
  kDestColour,
  kInvDestColour,
  kSrcAlphaSat,
};

enum class BlendOp : uint8_t { kAdd, kRevSubtract, kSubtract, kMin, kMax };

// Which inner loop a decoded effect can use.
enum class BlendKind : uint8_t {
  kInvalid,   // a factor or operation beyond the known ones: nothing is drawn
  kOpaque,    // code 1: the source replaces the destination, no alpha test
  kAlpha,     // source alpha, inverse source alpha, add (0x504)
  kAdditive,  // source alpha, one, add (0x104)
  kGeneric,
};

struct BlendState {
  BlendKind kind = BlendKind::kInvalid;
  // Factors as they act on the colour channels of a frame without alpha:
  // destination alpha is 255, so it reads as one, its inverse as zero, and
  // source alpha saturated (min(As, 1 - Ad)) as zero.
  BlendFactor src = BlendFactor::kOne;
  BlendFactor dst = BlendFactor::kZero;
  BlendOp op = BlendOp::kAdd;
};

BlendState DecodeEffect(uint32_t code);

// One channel's factor value (0..255).
inline uint32_t FactorValue(BlendFactor f, uint32_t srcChannel, uint32_t srcAlpha,
                            uint32_t dstChannel) {
  switch (f) {
    case BlendFactor::kZero:
      return 0;
    case BlendFactor::kOne:
      return 255;
    case BlendFactor::kSrcColour:
      return srcChannel;
    case BlendFactor::kInvSrcColour:
      return 255 - srcChannel;
    case BlendFactor::kSrcAlpha:
      return srcAlpha;
    case BlendFactor::kInvSrcAlpha:
      return 255 - srcAlpha;
    case BlendFactor::kDestAlpha:
      return 255;
    case BlendFactor::kInvDestAlpha:
      return 0;
    case BlendFactor::kDestColour:
      return dstChannel;
    case BlendFactor::kInvDestColour:
      return 255 - dstChannel;
    case BlendFactor::kSrcAlphaSat:
      return 0;
  }
  return 0;
}

inline uint32_t BlendChannel(const BlendState& state, uint32_t s, uint32_t sa, uint32_t d) {
  switch (state.op) {
    case BlendOp::kMin:
      return s < d ? s : d;
    case BlendOp::kMax:
      return s > d ? s : d;
    default:
      break;
  }
  const uint32_t sf = s * FactorValue(state.src, s, sa, d);
  const uint32_t df = d * FactorValue(state.dst, s, sa, d);
  uint32_t n;
  if (state.op == BlendOp::kAdd) {
    n = sf + df;
  } else if (state.op == BlendOp::kSubtract) {
    n = sf > df ? sf - df : 0;
  } else {
    n = df > sf ? df - sf : 0;
  }
  const uint32_t v = Div255(n);
  return v > 255 ? 255 : v;
}

// The general blend of a source pixel over a destination pixel (alpha of the
// result 255).
inline uint32_t BlendGeneric(const BlendState& state, uint32_t src, uint32_t dst) {
  const uint32_t sa = AlphaOf(src);
  return MakeArgb(255, BlendChannel(state, RedOf(src), sa, RedOf(dst)),
                  BlendChannel(state, GreenOf(src), sa, GreenOf(dst)),
                  BlendChannel(state, BlueOf(src), sa, BlueOf(dst)));
}

// The blends with loops of their own, exactly equal to BlendGeneric for their codes.
inline uint32_t BlendAlpha(uint32_t src, uint32_t dst) {
  const uint32_t a = AlphaOf(src);
  const uint32_t ia = 255 - a;
  return MakeArgb(255, Div255(RedOf(src) * a + RedOf(dst) * ia),
                  Div255(GreenOf(src) * a + GreenOf(dst) * ia),
                  Div255(BlueOf(src) * a + BlueOf(dst) * ia));
}

inline uint32_t BlendAdditive(uint32_t src, uint32_t dst) {
  const uint32_t a = AlphaOf(src);
  uint32_t r = RedOf(dst) + Mul255(RedOf(src), a);
  uint32_t g = GreenOf(dst) + Mul255(GreenOf(src), a);
  uint32_t b = BlueOf(dst) + Mul255(BlueOf(src), a);
  return MakeArgb(255, r > 255 ? 255 : r, g > 255 ? 255 : g, b > 255 ? 255 : b);
}

}  // namespace render
