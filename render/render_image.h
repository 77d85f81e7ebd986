#pragma once
// RenderImage: a texture image cut into patterns (sprite-sheet frames), one
// texture per pattern.
//
// Each pattern texture keeps the pattern's texels with a border of one texel on
// every side that repeats the pattern's edge texels. Filtering near an edge
// therefore reads the border: it never leaves the texture's memory and never
// mixes in the colours of another pattern or of the opposite edge.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace render {

// Limits that stand in for a graphics card's texture limits: an upload beyond
// them fails the way a texture creation fails.
inline constexpr int kMaxTextureSide = 16384;  // cell width and height
inline constexpr int kMaxPatternCount = 16384;
inline constexpr int64_t kMaxImageTexels = int64_t{1} << 26;  // all textures of one image

class PatternTexture {
 public:
  PatternTexture(int width, int height);

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Texels from one row to the next (width + 2).
  int Stride() const { return width_ + 2; }

  // Texel (x, y) for x in -1..Width() and y in -1..Height(): the pattern and its border.
  const uint32_t* Texel(int x, int y) const {
    return texels_.data() + static_cast<ptrdiff_t>(y + 1) * Stride() + (x + 1);
  }
  // Pattern row y (Width() texels) for filling; call Finish() after the last row.
  uint32_t* Row(int y) { return texels_.data() + static_cast<ptrdiff_t>(y + 1) * Stride() + 1; }
  // Copies the edge texels into the border and records the alpha facts below.
  void Finish();

  // Every pattern texel has alpha 255.
  bool Opaque() const { return opaque_; }
  // Columns [RowBegin(y), RowEnd(y)) of row y hold every texel whose alpha is
  // above 0 (an empty range for a fully transparent row).
  int RowBegin(int y) const { return rowBegin_[static_cast<size_t>(y)]; }
  int RowEnd(int y) const { return rowEnd_[static_cast<size_t>(y)]; }
  // Columns [SolidBegin(y), SolidEnd(y)) are the longest run of row y whose
  // texels all have alpha 255 (empty when there is none): the blit copies
  // that run and blends only the rest, with no test per pixel.
  int SolidBegin(int y) const { return solidBegin_[static_cast<size_t>(y)]; }
  int SolidEnd(int y) const { return solidEnd_[static_cast<size_t>(y)]; }

  size_t Bytes() const { return texels_.size() * sizeof(uint32_t); }

 private:
  int width_;
  int height_;
  bool opaque_ = false;
  std::vector<uint32_t> texels_;
  std::vector<int32_t> rowBegin_;
  std::vector<int32_t> rowEnd_;
  std::vector<int32_t> solidBegin_;
  std::vector<int32_t> solidEnd_;
};

class RenderImage {
 public:
  RenderImage() = default;
  RenderImage(const RenderImage&) = delete;
  RenderImage& operator=(const RenderImage&) = delete;

  // The upper-case name under which the image cache keeps the image.
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }

  int PatternWidth() const { return patternWidth_; }
  int PatternHeight() const { return patternHeight_; }
  // The size at which a pattern is drawn (the pattern size unless set otherwise).
  int VisibleWidth() const { return visibleWidth_; }
  int VisibleHeight() const { return visibleHeight_; }
  void SetVisibleSize(int width, int height);
  // Patterns are numbered from 0 left to right, then top to bottom.
  int PatternCount() const { return patternCount_; }
  // Size of the texture cell of one pattern: pattern size + 2, rounded up to even.
  int CellWidth() const { return (patternWidth_ + 3) & ~1; }
  int CellHeight() const { return (patternHeight_ + 3) & ~1; }
  int TextureCount() const { return static_cast<int>(patterns_.size()); }
  bool HasTextures() const { return !patterns_.empty(); }

  // The texture of pattern `index`, or null when there is none.
  const PatternTexture* Pattern(int index) const;
  PatternTexture* MutablePattern(int index);

  // ARGB of texel (x, y) of texture `texture`, in pattern coordinates (texel
  // (0, 0) of texture 0 is the image's top-left pixel). 0 for a texture that
  // does not exist and for coordinates outside the pattern.
  uint32_t ReadPixel(int x, int y, int texture) const;

  // Sets the geometry and makes empty (transparent) textures for the first
  // textureCount patterns (all of them when negative), replacing any earlier
  // ones; the visible size becomes the pattern size. Patterns beyond the
  // textures draw nothing. False, leaving the image without textures, when a
  // size is not positive, the limits above refuse it, or memory runs out.
  bool Allocate(int patternWidth, int patternHeight, int patternCount, int textureCount = -1);
  void ReleaseTextures();

  size_t TextureBytes() const;

 private:
  std::string name_;
  int patternWidth_ = 0;
  int patternHeight_ = 0;
  int visibleWidth_ = 0;
  int visibleHeight_ = 0;
  int patternCount_ = 0;
  std::vector<PatternTexture> patterns_;
};

}  // namespace render
