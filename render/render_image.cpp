#include "render/render_image.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace render {

PatternTexture::PatternTexture(int width, int height)
    : width_(width),
      height_(height),
      texels_(static_cast<size_t>(width + 2) * static_cast<size_t>(height + 2), 0u),
      rowBegin_(static_cast<size_t>(height), 0),
      rowEnd_(static_cast<size_t>(height), 0),
      solidBegin_(static_cast<size_t>(height), 0),
      solidEnd_(static_cast<size_t>(height), 0) {}

void PatternTexture::Finish() {
  const int stride = Stride();
  uint32_t* base = texels_.data();
  // Left and right border columns of every pattern row.
  for (int y = 0; y < height_; ++y) {
    uint32_t* row = base + static_cast<ptrdiff_t>(y + 1) * stride;
    row[0] = row[1];
    row[width_ + 1] = row[width_];
  }
  // Top and bottom border rows, corners included.
  std::memcpy(base, base + stride, sizeof(uint32_t) * static_cast<size_t>(stride));
  std::memcpy(base + static_cast<ptrdiff_t>(height_ + 1) * stride,
              base + static_cast<ptrdiff_t>(height_) * stride,
              sizeof(uint32_t) * static_cast<size_t>(stride));

  opaque_ = true;
  for (int y = 0; y < height_; ++y) {
    const uint32_t* row = Row(y);
    int begin = 0;
    while (begin < width_ && (row[begin] >> 24) == 0) ++begin;
    int end = width_;
    while (end > begin && (row[end - 1] >> 24) == 0) --end;
    rowBegin_[static_cast<size_t>(y)] = begin;
    rowEnd_[static_cast<size_t>(y)] = end;
    int bestBegin = 0;
    int bestEnd = 0;
    for (int x = begin; x < end;) {
      if ((row[x] >> 24) != 0xFF) {
        ++x;
        continue;
      }
      const int runBegin = x;
      while (x < end && (row[x] >> 24) == 0xFF) ++x;
      if (x - runBegin > bestEnd - bestBegin) {
        bestBegin = runBegin;
        bestEnd = x;
      }
    }
    solidBegin_[static_cast<size_t>(y)] = bestBegin;
    solidEnd_[static_cast<size_t>(y)] = bestEnd;
    if (bestEnd - bestBegin != width_) opaque_ = false;
  }
}

void RenderImage::SetVisibleSize(int width, int height) {
  visibleWidth_ = std::max(0, width);
  visibleHeight_ = std::max(0, height);
}

const PatternTexture* RenderImage::Pattern(int index) const {
  if (index < 0 || index >= static_cast<int>(patterns_.size())) return nullptr;
  return &patterns_[static_cast<size_t>(index)];
}

PatternTexture* RenderImage::MutablePattern(int index) {
  if (index < 0 || index >= static_cast<int>(patterns_.size())) return nullptr;
  return &patterns_[static_cast<size_t>(index)];
}

uint32_t RenderImage::ReadPixel(int x, int y, int texture) const {
  const PatternTexture* pattern = Pattern(texture);
  if (pattern == nullptr) return 0;
  if (x < 0 || y < 0 || x >= pattern->Width() || y >= pattern->Height()) return 0;
  return *pattern->Texel(x, y);
}

bool RenderImage::Allocate(int patternWidth, int patternHeight, int patternCount,
                           int textureCount) {
  ReleaseTextures();
  if (patternWidth <= 0 || patternHeight <= 0 || patternCount <= 0) return false;
  if (patternWidth > kMaxTextureSide - 2 || patternHeight > kMaxTextureSide - 2) return false;
  if (patternCount > kMaxPatternCount) return false;
  if (textureCount < 0 || textureCount > patternCount) textureCount = patternCount;
  int64_t texels = int64_t{patternWidth + 2} * (patternHeight + 2) * textureCount;
  if (texels > kMaxImageTexels) return false;
  try {
    std::vector<PatternTexture> patterns;
    patterns.reserve(static_cast<size_t>(textureCount));
    for (int i = 0; i < textureCount; ++i) patterns.emplace_back(patternWidth, patternHeight);
    patterns_ = std::move(patterns);
  } catch (const std::bad_alloc&) {
    return false;
  }
  patternWidth_ = patternWidth;
  patternHeight_ = patternHeight;
  visibleWidth_ = patternWidth;
  visibleHeight_ = patternHeight;
  patternCount_ = patternCount;
  return true;
}

void RenderImage::ReleaseTextures() {
  patterns_.clear();
  patterns_.shrink_to_fit();
}

size_t RenderImage::TextureBytes() const {
  size_t total = 0;
  for (const PatternTexture& p : patterns_) total += p.Bytes();
  return total;
}

}  // namespace render
