#include "render/blend.h"

namespace render {

namespace {

// The factor as it acts on a frame whose alpha is always 255.
BlendFactor Normalise(BlendFactor f) {
  switch (f) {
    case BlendFactor::kDestAlpha:
      return BlendFactor::kOne;
    case BlendFactor::kInvDestAlpha:
    case BlendFactor::kSrcAlphaSat:
      return BlendFactor::kZero;
    default:
      return f;
  }
}

}  // namespace

BlendState DecodeEffect(uint32_t code) {
  BlendState state;
  const uint32_t src = code & 0xFF;
  const uint32_t dst = (code >> 8) & 0xFF;
  const uint32_t op = (code >> 16) & 0xFF;
  if ((code & 0xFFFFFF) == 1) {  // one, zero, add: blending and alpha test off
    state.kind = BlendKind::kOpaque;
    return state;
  }
  if (src > static_cast<uint32_t>(BlendFactor::kSrcAlphaSat) ||
      dst > static_cast<uint32_t>(BlendFactor::kSrcAlphaSat) ||
      op > static_cast<uint32_t>(BlendOp::kMax)) {
    return state;
  }
  state.src = Normalise(static_cast<BlendFactor>(src));
  state.dst = Normalise(static_cast<BlendFactor>(dst));
  state.op = static_cast<BlendOp>(op);
  state.kind = BlendKind::kGeneric;
  if (state.op == BlendOp::kAdd && state.src == BlendFactor::kSrcAlpha) {
    if (state.dst == BlendFactor::kInvSrcAlpha) state.kind = BlendKind::kAlpha;
    if (state.dst == BlendFactor::kOne) state.kind = BlendKind::kAdditive;
  }
  return state;
}

}  // namespace render
