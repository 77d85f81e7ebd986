#include "render/canvas.h"

#include <cmath>
#include <cstdint>

#include "render/render_image.h"

namespace render {

QuadCorners RectCorners(double x, double y, double width, double height) {
  return {PointD{x, y}, PointD{x + width, y}, PointD{x + width, y + height},
          PointD{x, y + height}};
}

QuadCorners RotatedCorners(double centreX, double centreY, double width, double height,
                           double angle, double scale) {
  const double c = std::cos(angle);
  const double s = std::sin(angle);
  const double hw = width / 2;
  const double hh = height / 2;
  const PointD rel[4] = {{-hw, -hh}, {hw, -hh}, {hw, hh}, {-hw, hh}};
  QuadCorners out;
  for (int i = 0; i < 4; ++i) {
    const double x = rel[i].x * scale;
    const double y = rel[i].y * scale;
    out[static_cast<size_t>(i)] = PointD{centreX + (x * c - y * s), centreY + (y * c + x * s)};
  }
  return out;
}

void Canvas::DrawImage(const RenderImage* image, uint32_t colour, double x, double y, int pattern,
                       uint32_t effect) {
  if (image == nullptr) return;
  DrawImageQuad(image, RectCorners(x, y, image->VisibleWidth(), image->VisibleHeight()),
                SameColours(colour), pattern, SourceRect{}, effect);
}

void Canvas::DrawImageScaled(const RenderImage* image, uint32_t colour, double x, double y,
                             double scale, int pattern, uint32_t effect) {
  if (image == nullptr) return;
  const double width = std::nearbyint(image->VisibleWidth() * scale);
  const double height = std::nearbyint(image->VisibleHeight() * scale);
  DrawImageQuad(image, RectCorners(x, y, width, height), SameColours(colour), pattern,
                SourceRect{}, effect);
}

void Canvas::DrawImageRotated(const RenderImage* image, uint32_t colour, double centreX,
                              double centreY, double angle, double scale, int pattern,
                              uint32_t effect) {
  if (image == nullptr) return;
  DrawImageQuad(image,
                RotatedCorners(centreX, centreY, image->VisibleWidth(), image->VisibleHeight(),
                               angle, scale),
                SameColours(colour), pattern, SourceRect{}, effect);
}

void Canvas::FrameRect(int left, int top, int width, int height, uint32_t colour,
                       uint32_t effect) {
  if (width <= 0 || height <= 0) return;
  // 64-bit edges: a rectangle reaching past the int range only loses edges no frame can show.
  const int64_t right = int64_t{left} + width - 1;
  const int64_t bottom = int64_t{top} + height - 1;
  auto fits = [](int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; };
  FillRect(left, top, width, 1, colour, effect);
  if (height > 1 && fits(bottom)) FillRect(left, static_cast<int>(bottom), width, 1, colour, effect);
  if (height > 2 && top < INT32_MAX) {
    FillRect(left, top + 1, 1, height - 2, colour, effect);
    if (width > 1 && fits(right)) FillRect(static_cast<int>(right), top + 1, 1, height - 2, colour, effect);
  }
}

void Canvas::FillFrameRect(int left, int top, int width, int height, uint32_t fillColour,
                           uint32_t outlineColour, uint32_t effect) {
  FillRect(left, top, width, height, fillColour, effect);
  FrameRect(left, top, width, height, outlineColour, effect);
}

}  // namespace render
