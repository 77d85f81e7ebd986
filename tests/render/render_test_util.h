#pragma once
// Helpers shared by the render tests.

#include <cstdint>
#include <vector>

#include "render/image_store.h"

namespace render_test {

// An image of the store made from ARGB rows (width x height values).
inline render::RenderImage* MakeImage(render::ImageStore& store, int width, int height,
                                      const std::vector<uint32_t>& argb, int columns = 1,
                                      int rows = 1) {
  render::RenderImage* image = store.AddImage();
  store.LoadImagePixels(image, render::BitmapView::Argb(argb.data(), width, height, true), columns,
                        rows);
  return image;
}

}  // namespace render_test
