#include "render/frame.h"

#include <algorithm>

namespace render {

Frame::Frame(int width, int height)
    : width_(std::max(1, width)),
      height_(std::max(1, height)),
      pixels_(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0xFF000000u) {}

uint32_t Frame::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return Row(y)[x];
}

void Frame::Fill(uint32_t colour) { std::fill(pixels_.begin(), pixels_.end(), colour | 0xFF000000u); }

}  // namespace render
