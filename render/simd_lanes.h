#pragma once
// SSE2 lane helpers shared by the vector span loops (span_simd.cpp and
// axis_bilinear.cpp), internal to render/. A pixel is widened to four 16-bit
// lanes, B, G, R, A; a register holds two pixels.
//
// Keep in mind when changing them: the vector loops are checked pixel for
// pixel against the reference loops (tests/render), so each helper rounds
// exactly as the scalar code it stands for; one definition here keeps the
// two files from drifting apart.

#if defined(__SSE2__)

#include <emmintrin.h>

#include <cstdint>

#include "render/span_shader.h"

namespace render::detail {

QZ_INLINE __m128i Load4(const uint32_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

QZ_INLINE void Store4(uint32_t* p, __m128i x) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), x);
}

// round(x / 255) per lane for x <= 65025, as the scalar loops round
// (pixel_math.h).
QZ_INLINE __m128i Div255x(__m128i t) {
  t = _mm_add_epi16(t, _mm_set1_epi16(128));
  return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
}

// Each pixel's alpha lane copied into its four lanes.
QZ_INLINE __m128i AlphaLanes(__m128i x) {
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(x, 0xFF), 0xFF);
}

}  // namespace render::detail

#endif
