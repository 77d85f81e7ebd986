// AVX2 versions of the unscaled row blits, eight pixels a step. Each 16-bit
// lane goes through the same multiply, add-128 and divide-by-255 steps as the
// SSE2 and plain loops, so the pixels are identical whichever loop runs; the
// processor is asked once, and the SSE2 loops stay for machines without AVX2
// (and for the WebAssembly build, which has neither).
//
// Only these functions are compiled for AVX2 (a target attribute, not a flag
// for the file), so no inline function shared with other files can end up
// holding AVX2 instructions.

#include "render/span_shader.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define QZ_HAVE_AVX2_LOOPS 1
#include <immintrin.h>
#endif

namespace render::detail {

namespace {
bool g_avx2Allowed = true;
}  // namespace

bool AllowAvx2(bool allowed) {
  const bool before = g_avx2Allowed;
  g_avx2Allowed = allowed;
  return before;
}

#if defined(QZ_HAVE_AVX2_LOOPS)

#define QZ_AVX2 __attribute__((target("avx2")))

namespace {

// round(x / 255) per lane for x <= 65025.
QZ_AVX2 inline __m256i Div255(__m256i t) {
  t = _mm256_add_epi16(t, _mm256_set1_epi16(128));
  return _mm256_srli_epi16(_mm256_add_epi16(t, _mm256_srli_epi16(t, 8)), 8);
}

QZ_AVX2 inline __m256i Alpha(__m256i x) {
  return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(x, 0xFF), 0xFF);
}

// The unpacks and the pack work within each 128-bit half, so widening to the
// low and high pixel pairs of each half and packing back keeps pixel order.
struct AlphaBlendLanes {
  QZ_AVX2 __m256i operator()(__m256i s, __m256i d) const {
    const __m256i a = Alpha(s);
    return Div255(
        _mm256_add_epi16(_mm256_mullo_epi16(s, a),
                         _mm256_mullo_epi16(d, _mm256_sub_epi16(_mm256_set1_epi16(255), a))));
  }
};

struct AdditiveBlendLanes {
  QZ_AVX2 __m256i operator()(__m256i s, __m256i d) const {
    return _mm256_add_epi16(d, Div255(_mm256_mullo_epi16(s, Alpha(s))));
  }
};

// Eight pixels through a blend of 16-bit lanes, alpha set to 255.
template <class Lanes>
QZ_AVX2 inline __m256i Blend8(__m256i s, __m256i d) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i lo = Lanes{}(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi8(d, zero));
  const __m256i hi = Lanes{}(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi8(d, zero));
  return _mm256_or_si256(_mm256_packus_epi16(lo, hi),
                         _mm256_set1_epi32(static_cast<int>(0xFF000000u)));
}

QZ_AVX2 inline __m256i Load8(const uint32_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

QZ_AVX2 inline void Store8(uint32_t* p, __m256i v) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

}  // namespace

QZ_AVX2 int BlitAlphaRowAvx2(uint32_t* dst, const uint32_t* src, int count) {
  const __m256i alphaMask = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m256i s = Load8(src + i);
    const __m256i a = _mm256_and_si256(s, alphaMask);
    // Sprites are mostly opaque inside and clear around: those runs need no arithmetic.
    if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(a, alphaMask)) == -1) {
      Store8(dst + i, s);
      continue;
    }
    if (_mm256_testz_si256(a, a)) continue;
    Store8(dst + i, Blend8<AlphaBlendLanes>(s, Load8(dst + i)));
  }
  return i;
}

QZ_AVX2 int BlitAdditiveRowAvx2(uint32_t* dst, const uint32_t* src, int count) {
  const __m256i alphaMask = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m256i s = Load8(src + i);
    const __m256i a = _mm256_and_si256(s, alphaMask);
    if (_mm256_testz_si256(a, a)) continue;
    Store8(dst + i, Blend8<AdditiveBlendLanes>(s, Load8(dst + i)));
  }
  return i;
}

bool UseAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has && g_avx2Allowed;
}

#else

int BlitAlphaRowAvx2(uint32_t*, const uint32_t*, int) {
  return 0;
}
int BlitAdditiveRowAvx2(uint32_t*, const uint32_t*, int) {
  return 0;
}
bool UseAvx2() {
  return false;
}

#endif

}  // namespace render::detail
