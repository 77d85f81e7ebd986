#include "scene/visual_util.h"

#include <algorithm>
#include <cmath>

#include "platform/numeric.h"
#include "resources/image_cache.h"
#include "scene/db.h"

namespace scene {

render::Canvas* CanvasOf(const TQZElement& e) {
  return e.Root() ? e.Root()->Services().canvas : nullptr;
}

resources::ImageCache* ImagesOf(const TQZElement& e) {
  return e.Root() ? e.Root()->Services().images : nullptr;
}

render::FontStore* FontsOf(const TQZElement& e) {
  return e.Root() ? e.Root()->Services().fonts : nullptr;
}

render::RenderImage* LoadedTexture(const resources::TQZIm* entry) {
  return entry ? entry->Texture() : nullptr;
}

int32_t RoundToInt(double v) {
  if (std::isnan(v)) return 0;
  if (auto r = platform::RoundHalfEvenI32(v)) return *r;
  return v < 0 ? INT32_MIN : INT32_MAX;
}

namespace {

// One side's cut: `over` drawn pixels lie beyond the band.
int Cut(double over, double pixel, int adjust, int limit) {
  if (!(over > 0)) return 0;
  const double columns = platform::RoundHalfEvenD(over / pixel) + adjust;
  if (!(columns > 0)) return 0;
  return columns >= limit ? limit : static_cast<int>(columns);
}

}  // namespace

GuardCut GuardBand(double left, double top, double right, double bottom, double pixelWidth,
                   double pixelHeight, int patternWidth, int patternHeight) {
  GuardCut cut;
  const bool columns = pixelWidth > 0 && std::isfinite(pixelWidth);
  const bool rows = pixelHeight > 0 && std::isfinite(pixelHeight);
  // The left and top cuts keep one column short of the band, the right and
  // bottom cuts one beyond it.
  if (columns) {
    cut.left = Cut(kGuardLow - left, pixelWidth, -1, patternWidth);
    cut.right = Cut(right - kGuardHigh, pixelWidth, +1, patternWidth);
  }
  if (rows) {
    cut.top = Cut(kGuardLow - top, pixelHeight, -1, patternHeight);
    cut.bottom = Cut(bottom - kGuardHigh, pixelHeight, +1, patternHeight);
  }
  return cut;
}

}  // namespace scene
