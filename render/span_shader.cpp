#include "render/span_shader.h"

namespace render::detail {

void CopyOpaqueRow(uint32_t* dst, const uint32_t* src, int count) {
  for (int i = 0; i < count; ++i) dst[i] = src[i] | 0xFF000000u;
}

void BlitAlphaRow(uint32_t* dst, const uint32_t* src, int count) {
  AlphaBlender blender;
  for (int i = 0; i < count; ++i) blender.Put(dst[i], src[i]);
}

void BlitAdditiveRow(uint32_t* dst, const uint32_t* src, int count) {
  AdditiveBlender blender;
  for (int i = 0; i < count; ++i) blender.Put(dst[i], src[i]);
}

}  // namespace render::detail
