// AxisBilinear: scaled (not turned) bilinear images drawn from texel rows
// mixed once per frame row pair, scalar and SSE2 (see axis_bilinear.h).
//
// Keep in mind when changing it: the pixels must be those of the per-pixel
// bilinear loops of span_shader.h, bit for bit (tests/render compares them):
// each texel row is mixed and truncated first, the two rows after, in that
// order, whichever of the two paths runs.

#include "render/axis_bilinear.h"

#include <algorithm>

#include "render/simd_lanes.h"

namespace render::detail {

#if defined(__SSE2__)

namespace {

// Two columns of one texel row mixed by their weights: [column i | column i + 1] in lanes.
QZ_INLINE __m128i MixPair(const uint32_t* texels, const int32_t* index, const uint16_t* weights) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i x = _mm_unpacklo_epi8(
      _mm_loadl_epi64(reinterpret_cast<const __m128i*>(texels + index[0])), zero);
  const __m128i y = _mm_unpacklo_epi8(
      _mm_loadl_epi64(reinterpret_cast<const __m128i*>(texels + index[1])), zero);
  const __m128i mx = _mm_mullo_epi16(x, _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights)));
  const __m128i my =
      _mm_mullo_epi16(y, _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights + 8)));
  return _mm_srli_epi16(_mm_add_epi16(_mm_unpacklo_epi64(mx, my), _mm_unpackhi_epi64(mx, my)), 8);
}

// Four pixels: the two mixed rows mixed by the row weights, modulated, and
// blended into dst. Each step rounds as the span loops do.
template <BlendKind kKind, bool kModulated>
QZ_INLINE void Four(const uint32_t* upper, const uint32_t* lower, uint32_t* dst, __m128i w0,
                    __m128i w1, __m128i colour) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  const __m128i a = Load4(upper);
  const __m128i b = Load4(lower);
  __m128i lo = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(a, zero), w0),
                                            _mm_mullo_epi16(_mm_unpacklo_epi8(b, zero), w1)),
                              8);
  __m128i hi = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(a, zero), w0),
                                            _mm_mullo_epi16(_mm_unpackhi_epi8(b, zero), w1)),
                              8);
  if constexpr (kModulated) {
    lo = Div255x(_mm_mullo_epi16(lo, colour));
    hi = Div255x(_mm_mullo_epi16(hi, colour));
  }
  if constexpr (kKind == BlendKind::kOpaque) {
    Store4(dst, _mm_or_si128(_mm_packus_epi16(lo, hi), alphaMask));
    return;
  } else {
    const __m128i alpha = _mm_and_si128(_mm_packus_epi16(lo, hi), alphaMask);
    // Alpha 0 leaves the destination as it is (the alpha test).
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(alpha, zero)) == 0xFFFF) return;
    if constexpr (kKind == BlendKind::kAlpha) {
      if (_mm_movemask_epi8(_mm_cmpeq_epi32(alpha, alphaMask)) == 0xFFFF) {
        Store4(dst, _mm_packus_epi16(lo, hi));
        return;
      }
    }
    const __m128i d = Load4(dst);
    const __m128i dlo = _mm_unpacklo_epi8(d, zero);
    const __m128i dhi = _mm_unpackhi_epi8(d, zero);
    __m128i rlo, rhi;
    if constexpr (kKind == BlendKind::kAlpha) {
      const __m128i k255 = _mm_set1_epi16(255);
      const __m128i alo = AlphaLanes(lo);
      const __m128i ahi = AlphaLanes(hi);
      rlo = Div255x(_mm_add_epi16(_mm_mullo_epi16(lo, alo),
                                  _mm_mullo_epi16(dlo, _mm_sub_epi16(k255, alo))));
      rhi = Div255x(_mm_add_epi16(_mm_mullo_epi16(hi, ahi),
                                  _mm_mullo_epi16(dhi, _mm_sub_epi16(k255, ahi))));
    } else {
      // Sums above 255 saturate when packed.
      rlo = _mm_add_epi16(dlo, Div255x(_mm_mullo_epi16(lo, AlphaLanes(lo))));
      rhi = _mm_add_epi16(dhi, Div255x(_mm_mullo_epi16(hi, AlphaLanes(hi))));
    }
    Store4(dst, _mm_or_si128(_mm_packus_epi16(rlo, rhi), alphaMask));
  }
}

template <BlendKind kKind, bool kModulated>
void BlendRows(const uint32_t* upper, const uint32_t* lower, uint32_t* dst, int count,
               uint32_t fy, uint32_t colour) {
  const __m128i w0 = _mm_set1_epi16(static_cast<short>(256 - fy));
  const __m128i w1 = _mm_set1_epi16(static_cast<short>(fy));
  const __m128i c = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(colour)),
                                      _mm_setzero_si128());
  int i = 0;
  for (; i + 4 <= count; i += 4) Four<kKind, kModulated>(upper + i, lower + i, dst + i, w0, w1, c);
  if (i < count) {
    // The last pixels through the same lanes, from copies.
    uint32_t a[4] = {}, b[4] = {}, d[4] = {};
    const int rest = count - i;
    std::copy(upper + i, upper + count, a);
    std::copy(lower + i, lower + count, b);
    std::copy(dst + i, dst + count, d);
    Four<kKind, kModulated>(a, b, d, w0, w1, c);
    std::copy(d, d + rest, dst + i);
  }
}

template <bool kModulated>
void BlendRowsFor(BlendKind kind, const uint32_t* upper, const uint32_t* lower, uint32_t* dst,
                  int count, uint32_t fy, uint32_t colour) {
  switch (kind) {
    case BlendKind::kOpaque:
      BlendRows<BlendKind::kOpaque, kModulated>(upper, lower, dst, count, fy, colour);
      break;
    case BlendKind::kAlpha:
      BlendRows<BlendKind::kAlpha, kModulated>(upper, lower, dst, count, fy, colour);
      break;
    case BlendKind::kAdditive:
      BlendRows<BlendKind::kAdditive, kModulated>(upper, lower, dst, count, fy, colour);
      break;
    default:
      break;
  }
}

}  // namespace

bool AxisBilinear::Available() { return true; }

#else

bool AxisBilinear::Available() { return false; }

#endif

void AxisBilinear::Begin(const PatternTexture& texture, int64_t du, int64_t uMax, int64_t vMax,
                         ColourMode colourMode, uint32_t colour, BlendKind kind) {
  texture_ = &texture;
  du_ = du;
  uMax_ = uMax;
  vMax_ = vMax;
  colourMode_ = colourMode;
  colour_ = colour;
  kind_ = kind;
  columnsValid_ = false;
  for (MixedRow& row : rows_) row.used = false;
}

void AxisBilinear::BuildColumns(int begin, int end, int64_t u) {
  const size_t count = static_cast<size_t>(end - begin);
  index_.resize(count);
  weights_.resize(count * 8);
  // The walk adds du column by column; unsigned sums give the same bits without overflow.
  uint64_t raw = static_cast<uint64_t>(u);
  for (size_t i = 0; i < count; ++i) {
    const int64_t uc = TextureWalk::Clamp(static_cast<int64_t>(raw), uMax_) - kUvHalf;
    raw += static_cast<uint64_t>(du_);
    index_[i] = static_cast<int32_t>(uc >> kUvBits);
    const uint16_t f = static_cast<uint16_t>((uc >> (kUvBits - 8)) & 0xFF);
    uint16_t* w = &weights_[i * 8];
    for (int k = 0; k < 4; ++k) {
      w[k] = static_cast<uint16_t>(256 - f);
      w[k + 4] = f;
    }
  }
  columnsBegin_ = begin;
  firstU_ = u;
  columnsValid_ = true;
  for (MixedRow& row : rows_) {
    row.used = false;
    row.pixels.resize(count);
  }
}

void AxisBilinear::ColumnsTouching(int texelRow, int& from, int& to) const {
  const PatternTexture& tex = *texture_;
  const int row = std::clamp(texelRow, 0, tex.Height() - 1);
  int begin = tex.RowBegin(row);
  int end = tex.RowEnd(row);
  from = to = 0;
  if (begin >= end) return;
  // The border columns repeat the edge texels.
  if (begin == 0) begin = -1;
  if (end == tex.Width()) end = tex.Width() + 1;
  // A column reads texels index and index + 1.
  const int32_t low = begin - 1;
  const int32_t high = end - 1;
  const auto first = index_.begin();
  const auto last = index_.end();
  if (du_ >= 0) {
    from = static_cast<int>(std::partition_point(first, last, [&](int32_t i) { return i < low; }) -
                            first);
    to = static_cast<int>(std::partition_point(first, last, [&](int32_t i) { return i <= high; }) -
                          first);
  } else {
    from = static_cast<int>(std::partition_point(first, last, [&](int32_t i) { return i > high; }) -
                            first);
    to = static_cast<int>(std::partition_point(first, last, [&](int32_t i) { return i >= low; }) -
                          first);
  }
}

AxisBilinear::MixedRow& AxisBilinear::Mixed(int texelRow, const MixedRow* keep) {
  for (MixedRow& row : rows_) {
    if (row.used && row.texelRow == texelRow) return row;
  }
  MixedRow& row = keep == &rows_[0] ? rows_[1] : rows_[0];
  row.used = true;
  row.texelRow = texelRow;
  row.from = row.to = 0;
  return row;
}

void AxisBilinear::Extend(MixedRow& row, int from, int to) {
#if defined(__SSE2__)
  const uint32_t* texels = texture_->Texel(0, row.texelRow);
  uint32_t* out = row.pixels.data();
  auto mix = [&](int a, int z) {
    int i = a;
    for (; i + 4 <= z; i += 4) {
      const __m128i p = MixPair(texels, &index_[static_cast<size_t>(i)],
                                &weights_[static_cast<size_t>(i) * 8]);
      const __m128i q = MixPair(texels, &index_[static_cast<size_t>(i) + 2],
                                &weights_[static_cast<size_t>(i + 2) * 8]);
      Store4(out + i, _mm_packus_epi16(p, q));
    }
    for (; i < z; ++i) {
      const uint32_t* p = texels + index_[static_cast<size_t>(i)];
      out[i] = Lerp256(p[0], p[1], weights_[static_cast<size_t>(i) * 8 + 4]);
    }
  };
  if (row.from >= row.to) {
    mix(from, to);
    row.from = from;
    row.to = to;
    return;
  }
  if (from < row.from) {
    mix(from, row.from);
    row.from = from;
  }
  if (to > row.to) {
    mix(row.to, to);
    row.to = to;
  }
#else
  (void)row;
  (void)from;
  (void)to;
#endif
}

void AxisBilinear::DrawRow(uint32_t* frameRow, int begin, int end, int64_t u, int64_t v) {
#if defined(__SSE2__)
  const int size = static_cast<int>(index_.size());
  const bool fits =
      columnsValid_ && begin >= columnsBegin_ && end <= columnsBegin_ + size &&
      static_cast<uint64_t>(u) ==
          static_cast<uint64_t>(firstU_) +
              static_cast<uint64_t>(du_) * static_cast<uint64_t>(begin - columnsBegin_);
  if (!fits) BuildColumns(begin, end, u);

  const int64_t vc = TextureWalk::Clamp(v, vMax_) - kUvHalf;
  const int top = static_cast<int>(vc >> kUvBits);
  const uint32_t fy = static_cast<uint32_t>(vc >> (kUvBits - 8)) & 0xFF;
  int from = begin - columnsBegin_;
  int to = end - columnsBegin_;
  if (kind_ != BlendKind::kOpaque) {
    int a0, z0, a1, z1;
    ColumnsTouching(top, a0, z0);
    ColumnsTouching(top + 1, a1, z1);
    if (a0 >= z0) {
      a0 = a1;
      z0 = z1;
    } else if (a1 < z1) {
      a0 = std::min(a0, a1);
      z0 = std::max(z0, z1);
    }
    from = std::max(from, a0);
    to = std::min(to, z0);
    if (from >= to) return;
  }
  // Find both rows before claiming one, so that neither evicts the other.
  MixedRow* upper = nullptr;
  MixedRow* lower = nullptr;
  for (MixedRow& row : rows_) {
    if (!row.used) continue;
    if (row.texelRow == top) upper = &row;
    if (row.texelRow == top + 1) lower = &row;
  }
  if (upper == nullptr) upper = &Mixed(top, lower);
  Extend(*upper, from, to);
  // A row weight of 0 takes the upper row as it is.
  if (fy == 0) {
    lower = upper;
  } else {
    if (lower == nullptr) lower = &Mixed(top + 1, upper);
    Extend(*lower, from, to);
  }
  const uint32_t* a = upper->pixels.data() + from;
  const uint32_t* b = lower->pixels.data() + from;
  uint32_t* dst = frameRow + columnsBegin_ + from;
  if (colourMode_ == ColourMode::kConstant) {
    BlendRowsFor<true>(kind_, a, b, dst, to - from, fy, colour_);
  } else {
    BlendRowsFor<false>(kind_, a, b, dst, to - from, fy, colour_);
  }
#else
  (void)frameRow;
  (void)begin;
  (void)end;
  (void)u;
  (void)v;
#endif
}

}  // namespace render::detail
