// TQZAnim::DrawFrame: one frame of the table, each item a rotated quad.

#include <cmath>
#include <numbers>

#include "render/canvas.h"
#include "render/render_image.h"
#include "resources/image_cache.h"
#include "scene/anim.h"
#include "scene/visual_util.h"

namespace scene {

void TQZAnim::DrawBackground(uint32_t colour, double x, double y) {
  render::Canvas* canvas = CanvasOf(*this);
  resources::ImageCache* cache = ImagesOf(*this);
  if (!canvas || !cache || !background_) return;
  if (const render::RenderImage* tex = cache->TextureOf(background_))
    canvas->DrawImage(tex, colour, x, y, 0, hxDrawFx);
}

void TQZAnim::DrawFrame(int32_t frame, uint32_t colour, double x, double y) {
  EnsureFrames();
  if (frame < 0 || frame >= static_cast<int32_t>(frames_.size())) return;
  DrawBackground(colour, x, y);
  render::Canvas* canvas = CanvasOf(*this);
  resources::ImageCache* cache = ImagesOf(*this);
  if (!canvas || !cache) return;
  for (const AnimDrawItem& item : frames_[static_cast<size_t>(frame)]) {
    const render::RenderImage* tex = item.picture ? cache->TextureOf(item.picture) : nullptr;
    if (!tex) continue;
    canvas->SetSmoothing(true);
    const int pw = tex->PatternWidth();
    const int ph = tex->PatternHeight();
    const double cx = x + item.x;
    const double cy = y + item.y;
    const double pixelW = item.scaleX * item.scale;
    const double pixelH = item.scaleY * item.scale;
    double left = cx - pw * pixelW / 2, right = cx + pw * pixelW / 2;
    double top = cy - ph * pixelH / 2, bottom = cy + ph * pixelH / 2;
    // Enormous items lose whole pattern columns and rows beyond the guard band.
    const GuardCut cut = GuardBand(left, top, right, bottom, pixelW, pixelH, pw, ph);
    const int srcW = pw - cut.left - cut.right;
    const int srcH = ph - cut.top - cut.bottom;
    if (srcW <= 0 || srcH <= 0) continue;
    left += cut.left * pixelW;
    right -= cut.right * pixelW;
    top += cut.top * pixelH;
    bottom -= cut.bottom * pixelH;

    const double degrees = item.directional ? item.angle : Angle + item.angle;
    const double a = degrees * std::numbers::pi / 180.0;
    const double cs = std::cos(a), sn = std::sin(a);
    auto corner = [&](double px, double py) {
      const double rx = px - cx, ry = py - cy;
      return render::PointD{cx + rx * cs - ry * sn, cy + ry * cs + rx * sn};
    };
    const render::QuadCorners corners{corner(left, top), corner(right, top),
                                      corner(right, bottom), corner(left, bottom)};
    const render::SourceRect source{double(cut.left), double(cut.top), double(srcW), double(srcH)};
    canvas->DrawImageQuad(tex, corners, render::SameColours(item.colour), item.pattern, source,
                          item.effect);
  }
}

}  // namespace scene
