#include "render/image_store.h"

#include <algorithm>

namespace render {

uint32_t ApplyBlackKey(uint32_t argb) {
  uint32_t r = (argb >> 16) & 0xFF;
  uint32_t g = (argb >> 8) & 0xFF;
  uint32_t b = argb & 0xFF;
  uint32_t m = std::max(r, std::max(g, b));
  if (m == 0) return 0;
  // Divide the colour by its coverage, rounding to nearest.
  r = (r * 255 + m / 2) / m;
  g = (g * 255 + m / 2) / m;
  b = (b * 255 + m / 2) / m;
  uint32_t a = ((argb >> 24) * m + 127) / 255;
  return (a << 24) | (r << 16) | (g << 8) | b;
}

RenderImage* ImageStore::AddImage() {
  images_.push_back(std::make_unique<RenderImage>());
  return images_.back().get();
}

bool ImageStore::LoadImagePixels(RenderImage* image, const BitmapView& bitmap, int columns,
                                 int rows, ColourKey key) {
  if (image == nullptr || !Contains(image)) return false;
  image->ReleaseTextures();
  if (!bitmap.Valid() || columns <= 0 || rows <= 0) return false;
  const int patternWidth = bitmap.width / columns;
  const int patternHeight = bitmap.height / rows;
  if (int64_t{columns} * rows > kMaxPatternCount) return false;
  if (!image->Allocate(patternWidth, patternHeight, columns * rows)) return false;

  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) {
      PatternTexture* texture = image->MutablePattern(row * columns + column);
      for (int y = 0; y < patternHeight; ++y) {
        uint32_t* out = texture->Row(y);
        ConvertBitmapRow(bitmap, column * patternWidth, row * patternHeight + y, patternWidth,
                         out);
        if (key == ColourKey::kBlack) {
          for (int x = 0; x < patternWidth; ++x) out[x] = ApplyBlackKey(out[x]);
        }
      }
      texture->Finish();
    }
  }
  return true;
}

void ImageStore::ReleaseImage(RenderImage* image) {
  int index = IndexOf(image);
  if (index < 0) return;
  images_.erase(images_.begin() + index);
}

uint32_t ImageStore::ReadPixel(const RenderImage* image, int x, int y, int texture) {
  return image == nullptr ? 0 : image->ReadPixel(x, y, texture);
}

int ImageStore::IndexOf(const RenderImage* image) const {
  if (image == nullptr) return -1;
  for (size_t i = 0; i < images_.size(); ++i) {
    if (images_[i].get() == image) return static_cast<int>(i);
  }
  return -1;
}

RenderImage* ImageStore::At(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return images_[static_cast<size_t>(index)].get();
}

}  // namespace render
