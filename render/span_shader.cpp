#include "render/span_shader.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace render::detail {

void ShadeTexturedSpan(const TexturedSpan& s) {
  auto withSampler = [&](auto sampler) {
    switch (s.colourMode) {
      case ColourMode::kNone:
        ShadeSpanBlend(s.blend, s.dst, s.count, sampler, NoColour{});
        break;
      case ColourMode::kConstant:
        ShadeSpanBlend(s.blend, s.dst, s.count, sampler, ConstantColour{s.colour});
        break;
      case ColourMode::kGouraud:
        ShadeSpanBlend(s.blend, s.dst, s.count, sampler, s.gouraud);
        break;
    }
  };
  if (s.sampling == Sampling::kBilinear) {
    withSampler(BilinearSampler{s.walk});
  } else {
    withSampler(NearestSampler{s.walk});
  }
}

void CopyOpaqueRow(uint32_t* dst, const uint32_t* src, int count) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  for (; i + 4 <= count; i += 4) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_or_si128(s, alpha));
  }
#endif
  for (; i < count; ++i) dst[i] = src[i] | 0xFF000000u;
}

#if defined(__SSE2__)

namespace {

// Four pixels of `src` blended over `dst` by their own alpha, exactly as BlendAlpha.
QZ_INLINE __m128i BlendAlpha4(__m128i src, __m128i dst) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i k255 = _mm_set1_epi16(255);
  const __m128i k128 = _mm_set1_epi16(128);
  auto half = [&](__m128i s, __m128i d) {
    __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s, 0xFF), 0xFF);
    __m128i t = _mm_add_epi16(_mm_mullo_epi16(s, a), _mm_mullo_epi16(d, _mm_sub_epi16(k255, a)));
    t = _mm_add_epi16(t, k128);
    return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
  };
  const __m128i lo = half(_mm_unpacklo_epi8(src, zero), _mm_unpacklo_epi8(dst, zero));
  const __m128i hi = half(_mm_unpackhi_epi8(src, zero), _mm_unpackhi_epi8(dst, zero));
  return _mm_or_si128(_mm_packus_epi16(lo, hi), _mm_set1_epi32(static_cast<int>(0xFF000000u)));
}

QZ_INLINE __m128i BlendAdditive4(__m128i src, __m128i dst) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i k128 = _mm_set1_epi16(128);
  auto half = [&](__m128i s, __m128i d) {
    __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s, 0xFF), 0xFF);
    __m128i t = _mm_add_epi16(_mm_mullo_epi16(s, a), k128);
    t = _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
    return _mm_add_epi16(d, t);
  };
  const __m128i lo = half(_mm_unpacklo_epi8(src, zero), _mm_unpacklo_epi8(dst, zero));
  const __m128i hi = half(_mm_unpackhi_epi8(src, zero), _mm_unpackhi_epi8(dst, zero));
  return _mm_or_si128(_mm_packus_epi16(lo, hi), _mm_set1_epi32(static_cast<int>(0xFF000000u)));
}

}  // namespace

void BlitAlphaRow(uint32_t* dst, const uint32_t* src, int count) {
  const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  int i = UseAvx2() ? BlitAlphaRowAvx2(dst, src, count) : 0;
  for (; i + 4 <= count; i += 4) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    const __m128i a = _mm_and_si128(s, alphaMask);
    const int opaque = _mm_movemask_epi8(_mm_cmpeq_epi32(a, alphaMask));
    if (opaque == 0xFFFF) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), s);
      continue;
    }
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(a, _mm_setzero_si128())) == 0xFFFF) continue;
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), BlendAlpha4(s, d));
  }
  AlphaBlender blender;
  for (; i < count; ++i) blender.Put(dst[i], src[i]);
}

void BlitAdditiveRow(uint32_t* dst, const uint32_t* src, int count) {
  const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  int i = UseAvx2() ? BlitAdditiveRowAvx2(dst, src, count) : 0;
  for (; i + 4 <= count; i += 4) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(s, alphaMask), _mm_setzero_si128())) ==
        0xFFFF) {
      continue;
    }
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), BlendAdditive4(s, d));
  }
  AdditiveBlender blender;
  for (; i < count; ++i) blender.Put(dst[i], src[i]);
}

#else

void BlitAlphaRow(uint32_t* dst, const uint32_t* src, int count) {
  AlphaBlender blender;
  for (int i = 0; i < count; ++i) blender.Put(dst[i], src[i]);
}

void BlitAdditiveRow(uint32_t* dst, const uint32_t* src, int count) {
  AdditiveBlender blender;
  for (int i = 0; i < count; ++i) blender.Put(dst[i], src[i]);
}

#endif

}  // namespace render::detail
