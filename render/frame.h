#pragma once
// Frame: the picture the canvas draws into, 32-bit pixels without an alpha
// channel (0xFFRRGGBB: the top byte is kept at 0xFF, so destination alpha
// reads as 255).

#include <cstddef>
#include <cstdint>
#include <vector>

namespace render {

inline constexpr int kFrameWidth = 1024;
inline constexpr int kFrameHeight = 768;

class Frame {
 public:
  Frame() : Frame(kFrameWidth, kFrameHeight) {}
  // Sizes below 1 become 1.
  Frame(int width, int height);

  int Width() const { return width_; }
  int Height() const { return height_; }
  uint32_t* Row(int y) { return pixels_.data() + static_cast<size_t>(y) * width_; }
  const uint32_t* Row(int y) const { return pixels_.data() + static_cast<size_t>(y) * width_; }
  uint32_t* Data() { return pixels_.data(); }
  const uint32_t* Data() const { return pixels_.data(); }
  // 0 outside the frame.
  uint32_t Pixel(int x, int y) const;
  void Fill(uint32_t colour);

 private:
  int width_;
  int height_;
  std::vector<uint32_t> pixels_;
};

}  // namespace render
