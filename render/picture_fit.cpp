#include "render/picture_fit.h"

#include <algorithm>
#include <cstdint>

namespace render {

PictureRect FitPicture(int outputWidth, int outputHeight, int frameWidth, int frameHeight) {
  PictureRect r;
  if (outputWidth <= 0 || outputHeight <= 0 || frameWidth <= 0 || frameHeight <= 0) return r;
  // Compare outputWidth / frameWidth with outputHeight / frameHeight exactly.
  const int64_t byWidth = int64_t{outputWidth} * frameHeight;
  const int64_t byHeight = int64_t{outputHeight} * frameWidth;
  if (byWidth <= byHeight) {
    r.width = outputWidth;
    r.height = static_cast<int>((int64_t{frameHeight} * outputWidth * 2 + frameWidth) /
                                (2 * int64_t{frameWidth}));
  } else {
    r.height = outputHeight;
    r.width = static_cast<int>((int64_t{frameWidth} * outputHeight * 2 + frameHeight) /
                               (2 * int64_t{frameHeight}));
  }
  r.x = (outputWidth - r.width) / 2;
  r.y = (outputHeight - r.height) / 2;
  return r;
}

LogicalPoint OutputToFrame(const PictureRect& picture, int x, int y, int frameWidth,
                           int frameHeight) {
  LogicalPoint p;
  if (picture.width <= 0 || picture.height <= 0) return p;
  auto map = [](int v, int origin, int extent, int size) {
    const int64_t offset = int64_t{v} - origin;
    if (offset < 0) return 0;
    const int64_t scaled = offset * size / extent;
    return static_cast<int>(std::min<int64_t>(scaled, size - 1));
  };
  p.x = map(x, picture.x, picture.width, frameWidth);
  p.y = map(y, picture.y, picture.height, frameHeight);
  return p;
}

}  // namespace render
