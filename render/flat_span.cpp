#include "render/flat_span.h"

#include <algorithm>

#include "render/pixel_math.h"
#include "render/span_shader.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace render::detail {

namespace {

// Shorter generic spans take the reference loop: the tables cost 768 blends.
constexpr int kTableMinCount = 64;

// Pixels before dst reaches a 16-byte boundary, at most count.
int HeadCount(const uint32_t* dst, int count) {
  const auto misalign = static_cast<int>(reinterpret_cast<uintptr_t>(dst) & 15);
  return std::min(count, ((16 - misalign) & 15) / 4);
}

}  // namespace

FlatSpan::FlatSpan(const BlendState& blend, uint32_t colour) : blend_(blend), colour_(colour) {
  const uint32_t a = AlphaOf(colour);
  switch (blend.kind) {
    case BlendKind::kOpaque:
      mode_ = Mode::kFill;
      pixel_ = colour | 0xFF000000u;
      break;
    case BlendKind::kAlpha:
      if (a == 255) {
        mode_ = Mode::kFill;
        pixel_ = colour;
      } else if (a != 0) {
        mode_ = Mode::kAlpha;
        inverseAlpha_ = static_cast<uint16_t>(255 - a);
        sourceTerm_[0] = static_cast<uint16_t>(BlueOf(colour) * a + 128);
        sourceTerm_[1] = static_cast<uint16_t>(GreenOf(colour) * a + 128);
        sourceTerm_[2] = static_cast<uint16_t>(RedOf(colour) * a + 128);
        sourceTerm_[3] = static_cast<uint16_t>(255 * a + 128);
      }
      break;
    case BlendKind::kAdditive:
      if (a != 0) {
        mode_ = Mode::kAdditive;
        pixel_ = MakeArgb(255, Mul255(RedOf(colour), a), Mul255(GreenOf(colour), a),
                          Mul255(BlueOf(colour), a));
      }
      break;
    case BlendKind::kGeneric:
      if (a != 0) mode_ = Mode::kGeneric;
      break;
    case BlendKind::kInvalid:
      break;
  }
}

void FlatSpan::BuildTables() {
  const uint32_t a = AlphaOf(colour_);
  const uint32_t source[3] = {BlueOf(colour_), GreenOf(colour_), RedOf(colour_)};
  for (int c = 0; c < 3; ++c) {
    for (uint32_t d = 0; d < 256; ++d) {
      tables_[c][d] = static_cast<uint8_t>(BlendChannel(blend_, source[c], a, d));
    }
  }
  tablesReady_ = true;
}

void FlatSpan::Draw(uint32_t* dst, int count) {
  if (count <= 0) return;
  switch (mode_) {
    case Mode::kNothing:
      return;
    case Mode::kGeneric:
      if (!tablesReady_) {
        if (count < kTableMinCount) {
          ShadeSpan(dst, count, FlatSampler{colour_}, NoColour{}, GenericBlender{blend_});
          return;
        }
        BuildTables();
      }
      for (int i = 0; i < count; ++i) {
        const uint32_t d = dst[i];
        dst[i] = MakeArgb(255, tables_[2][RedOf(d)], tables_[1][GreenOf(d)], tables_[0][BlueOf(d)]);
      }
      return;
    default:
      break;
  }
#if defined(__SSE2__)
  // Scalar ends with the reference blenders; the aligned middle four pixels at a time.
  const int head = HeadCount(dst, count);
  const int body = (count - head) & ~3;
  uint32_t* const tail = dst + head + body;
  const int tailCount = count - head - body;
  auto* p = reinterpret_cast<__m128i*>(dst + head);
  auto* const end = reinterpret_cast<__m128i*>(tail);
  switch (mode_) {
    case Mode::kFill: {
      std::fill(dst, dst + head, pixel_);
      const __m128i v = _mm_set1_epi32(static_cast<int>(pixel_));
      for (; p != end; ++p) _mm_store_si128(p, v);
      std::fill(tail, tail + tailCount, pixel_);
      return;
    }
    case Mode::kAdditive: {
      const AdditiveBlender blender;
      for (int i = 0; i < head; ++i) blender.Put(dst[i], colour_);
      const __m128i v = _mm_set1_epi32(static_cast<int>(pixel_));
      for (; p != end; ++p) _mm_store_si128(p, _mm_adds_epu8(_mm_load_si128(p), v));
      for (int i = 0; i < tailCount; ++i) blender.Put(tail[i], colour_);
      return;
    }
    case Mode::kAlpha: {
      const AlphaBlender blender;
      for (int i = 0; i < head; ++i) blender.Put(dst[i], colour_);
      const __m128i zero = _mm_setzero_si128();
      const __m128i inverse = _mm_set1_epi16(static_cast<short>(inverseAlpha_));
      const __m128i term = _mm_set_epi16(
          static_cast<short>(sourceTerm_[3]), static_cast<short>(sourceTerm_[2]),
          static_cast<short>(sourceTerm_[1]), static_cast<short>(sourceTerm_[0]),
          static_cast<short>(sourceTerm_[3]), static_cast<short>(sourceTerm_[2]),
          static_cast<short>(sourceTerm_[1]), static_cast<short>(sourceTerm_[0]));
      // (t x 257) >> 16 is Div255's (t + (t >> 8)) >> 8 for every 16-bit t.
      const __m128i k257 = _mm_set1_epi16(257);
      const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
      for (; p != end; ++p) {
        const __m128i d = _mm_load_si128(p);
        // d x (255 - a) + s x a + 128 <= 65153: no lane overflows.
        __m128i lo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), inverse), term);
        __m128i hi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), inverse), term);
        lo = _mm_mulhi_epu16(lo, k257);
        hi = _mm_mulhi_epu16(hi, k257);
        _mm_store_si128(p, _mm_or_si128(_mm_packus_epi16(lo, hi), alphaMask));
      }
      for (int i = 0; i < tailCount; ++i) blender.Put(tail[i], colour_);
      return;
    }
    default:
      return;
  }
#else
  switch (mode_) {
    case Mode::kFill:
      std::fill(dst, dst + count, pixel_);
      return;
    case Mode::kAdditive:
      ShadeSpan(dst, count, FlatSampler{colour_}, NoColour{}, AdditiveBlender{});
      return;
    case Mode::kAlpha:
      ShadeSpan(dst, count, FlatSampler{colour_}, NoColour{}, AlphaBlender{});
      return;
    default:
      return;
  }
#endif
}

}  // namespace render::detail
