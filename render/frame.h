#pragma once
// Frame: the picture the canvas draws into, 32-bit pixels without an alpha
// channel (0xFFRRGGBB: the top byte is kept at 0xFF, so destination alpha
// reads as 255).
//
// Fill is deferred: the colour is written the first time the pixels are
// reached through Row, Data or Pixel, so a first drawing that covers the
// whole frame with opaque pixels can drop it (DiscardPendingFill). Pointers
// from before a Fill must not be written through after it.

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
  uint32_t* Row(int y) {
    Settle();
    return pixels_.data() + static_cast<size_t>(y) * width_;
  }
  const uint32_t* Row(int y) const {
    Settle();
    return pixels_.data() + static_cast<size_t>(y) * width_;
  }
  uint32_t* Data() {
    Settle();
    return pixels_.data();
  }
  const uint32_t* Data() const {
    Settle();
    return pixels_.data();
  }
  // 0 outside the frame.
  uint32_t Pixel(int x, int y) const;
  void Fill(uint32_t colour);

  // True while a Fill has not reached the pixels yet.
  bool FillPending() const { return fillPending_; }
  // Forgets a pending Fill. Only for a caller about to write every pixel of
  // the frame with values that do not depend on the pixels there.
  void DiscardPendingFill() { fillPending_ = false; }

 private:
  void Settle() const {
    if (fillPending_) ApplyFill();
  }
  void ApplyFill() const;

  int width_;
  int height_;
  // The pending Fill is applied from const readers too.
  mutable std::vector<uint32_t> pixels_;
  mutable bool fillPending_ = false;
  uint32_t fillColour_ = 0xFF000000u;
};

}  // namespace render
