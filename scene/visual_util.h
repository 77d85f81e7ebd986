#pragma once
// Helpers the visual elements share: the services they draw and load
// through, the hit-test participation rule, opacity, rounding and the guard
// band that keeps drawn coordinates near the screen.

#include <cstdint>

#include "scene/element.h"

namespace render {
class Canvas;
class FontStore;
class RenderImage;
}  // namespace render
namespace resources {
class ImageCache;
class TQZIm;
}  // namespace resources

namespace scene {

// The root's services; null when the element has no root or the service is absent.
render::Canvas* CanvasOf(const TQZElement& e);
resources::ImageCache* ImagesOf(const TQZElement& e);
render::FontStore* FontsOf(const TQZElement& e);

// The loaded texture of a cache entry without stamping a use (sizes, hit tests).
render::RenderImage* LoadedTexture(const resources::TQZIm* entry);

// Whether the element takes part in hit testing: an invisible element only
// with MousedNotVis, a visible one only with MousedVis.
inline bool TakesPartInHitTest(const TQZElement& e) {
  if (!e.Vis && !e.MousedNotVis) return false;
  if (e.Vis && !e.MousedVis) return false;
  return true;
}

// Elements draw themselves only when the opacity byte of their colour is above this.
inline constexpr uint32_t kInvisibleOpacity = 5;
inline bool VisibleColour(uint32_t colour) { return (colour >> 24) > kInvisibleOpacity; }

// How far an anchored point lies from the left (top) edge, in half sizes:
// 0 for left and top, 1 for centre, 2 for right and bottom.
inline int AnchorHalves(TQZPosHor p) { return static_cast<int>(p); }
inline int AnchorHalves(TQZPosVert p) { return static_cast<int>(p); }

inline int32_t SaturateI32(int64_t v) {
  return v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : static_cast<int32_t>(v);
}

// Nearest integer, halves to even; saturates at the int32 range, NaN gives 0.
int32_t RoundToInt(double v);

// Drawn coordinates stay within this band on each axis; pictures reaching
// beyond it lose whole pattern columns and rows on that side.
inline constexpr double kGuardLow = -1024;
inline constexpr double kGuardHigh = 2048;

struct GuardCut {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// The pattern columns and rows to cut from a picture drawn with its left,
// top, right and bottom edges at the given coordinates, where one pattern
// pixel is pixelWidth x pixelHeight drawn pixels. Each cut is at least 0 and
// at most the pattern size. Mirrored or degenerate pictures (a pixel size
// that is not positive and finite) are not cut.
GuardCut GuardBand(double left, double top, double right, double bottom, double pixelWidth,
                   double pixelHeight, int patternWidth, int patternHeight);

}  // namespace scene
