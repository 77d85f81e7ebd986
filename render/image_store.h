#pragma once
// ImageStore: owns every RenderImage that the image cache and the elements
// upload, in the order they were added.

#include <cstdint>
#include <memory>
#include <vector>

#include "render/bitmap.h"
#include "render/render_image.h"

namespace render {

enum class ColourKey : uint8_t {
  kNone,
  // For pictures the player draws itself in white (or colours) on black, such
  // as circle masks and unicode text pictures: black is the background. Alpha
  // becomes the brightest channel and the colour is divided by it, so pure
  // black is fully transparent, pure colours stay opaque and the grey edge of
  // anti-aliased drawing becomes the matching partial transparency instead of
  // a dark fringe.
  kBlack,
};

class ImageStore {
 public:
  ImageStore() = default;
  ImageStore(const ImageStore&) = delete;
  ImageStore& operator=(const ImageStore&) = delete;

  // Appends a new empty image (no textures) and returns it. The image lives
  // until ReleaseImage or Clear; the pointer stays valid until then.
  RenderImage* AddImage();

  // Uploads a decoded bitmap into an image of this store: pattern size =
  // (width div columns, height div rows), pattern count = columns x rows, and
  // one texture per pattern cut from the bitmap left to right, then top to
  // bottom. Formats without alpha become opaque. Replaces earlier textures.
  // False (the image keeps no textures) when the image is not in this store,
  // the bitmap is invalid, columns or rows are not positive, a pattern would
  // be empty, or the texture limits refuse it; the caller then releases it.
  bool LoadImagePixels(RenderImage* image, const BitmapView& bitmap, int columns, int rows,
                       ColourKey key = ColourKey::kNone);

  // Frees the image with its textures; later images move down one place.
  // Nothing happens for an image the store does not hold (or null).
  void ReleaseImage(RenderImage* image);

  // ARGB of texel (x, y) of a texture, as RenderImage::ReadPixel; 0 for null.
  static uint32_t ReadPixel(const RenderImage* image, int x, int y, int texture);

  // Position of the image in the store, or -1.
  int IndexOf(const RenderImage* image) const;
  bool Contains(const RenderImage* image) const { return IndexOf(image) >= 0; }
  int Count() const { return static_cast<int>(images_.size()); }
  RenderImage* At(int index) const;
  void Clear() { images_.clear(); }

 private:
  std::vector<std::unique_ptr<RenderImage>> images_;
};

// Applies the black colour key to one ARGB value.
uint32_t ApplyBlackKey(uint32_t argb);

}  // namespace render
