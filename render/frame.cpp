#include "render/frame.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace render {

Frame::Frame(int width, int height)
    : width_(std::max(1, width)),
      height_(std::max(1, height)),
      pixels_(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0xFF000000u) {}

uint32_t Frame::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return Row(y)[x];
}

void Frame::Fill(uint32_t colour) {
  fillColour_ = colour | 0xFF000000u;
  fillPending_ = true;
}

void Frame::ApplyFill() const {
  fillPending_ = false;
  uint32_t* p = pixels_.data();
  const size_t n = pixels_.size();
  size_t i = 0;
#if defined(__SSE2__)
  // The compiler leaves the plain loop scalar; this is a whole frame a step.
  const __m128i v = _mm_set1_epi32(static_cast<int>(fillColour_));
  for (; i + 8 <= n; i += 8) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), v);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i + 4), v);
  }
#endif
  std::fill(p + i, p + n, fillColour_);
}

}  // namespace render
