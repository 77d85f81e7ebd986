#pragma once
// FlatSpan: rows of one colour (flat rectangles and triangles, internal to
// render/).
//
// With one source colour every blend term that does not read the destination
// is a constant, so it is worked out once per primitive: alpha blends become
// one multiply-add per channel, additive blends a saturating byte add, opaque
// spans a fill, other blends a table per channel indexed by the destination
// value. The rows run four pixels at a time with SSE2 and give exactly the
// pixels of the reference loop (ShadeSpanBlend with a FlatSampler).

#include <cstdint>

#include "render/blend.h"

namespace render::detail {

class FlatSpan {
 public:
  FlatSpan(const BlendState& blend, uint32_t colour);

  // True when no span of this primitive changes a pixel.
  bool DrawsNothing() const { return mode_ == Mode::kNothing; }
  void Draw(uint32_t* dst, int count);

 private:
  enum class Mode : uint8_t { kNothing, kFill, kAlpha, kAdditive, kGeneric };

  void BuildTables();

  Mode mode_ = Mode::kNothing;
  BlendState blend_;
  uint32_t colour_;
  // kFill: the pixel written. kAdditive: the per-channel addend (alpha byte
  // 0xFF, which saturates the result's alpha to 255).
  uint32_t pixel_ = 0;
  // kAlpha: 255 - alpha, and per channel (blue, green, red, alpha) the source
  // term colour x alpha with the rounding's 128 added.
  uint16_t inverseAlpha_ = 0;
  uint16_t sourceTerm_[4] = {};
  // kGeneric: the blended channel for each destination value (blue, green,
  // red), made on the first span long enough to pay for them.
  bool tablesReady_ = false;
  uint8_t tables_[3][256] = {};
};

}  // namespace render::detail
