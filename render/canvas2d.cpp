#include "render/canvas2d.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/axis_bilinear.h"
#include "render/flat_span.h"
#include "render/pixel_math.h"
#include "render/render_image.h"
#include "render/span_shader.h"

namespace render {

using detail::kUvBits;
using detail::kUvHalf;
using detail::kUvOne;

namespace {

constexpr int RoundUp8(int n) {
  return (n + 7) & ~7;
}

// Clamped conversion to fixed point, so that absurd planes never overflow.
int64_t ToFixed(double value, int bits) {
  const double scaled = value * static_cast<double>(int64_t{1} << bits);
  constexpr double kLimit = 1099511627776.0;  // 2^40
  if (!(scaled > -kLimit)) return -static_cast<int64_t>(kLimit);
  if (!(scaled < kLimit)) return static_cast<int64_t>(kLimit);
  return static_cast<int64_t>(std::nearbyint(scaled));
}

bool IsWhole(double v) { return std::floor(v) == v; }

double Channel(uint32_t colour, int index) {
  return static_cast<double>((colour >> (24 - 8 * index)) & 0xFF);
}

}  // namespace

struct Canvas2D::TexturedQuad {
  const PatternTexture* texture = nullptr;
  RasterPoint v[4];
  double tu[4] = {};
  double tv[4] = {};
  QuadColours colours{};
  bool uniform = true;
  BlendState blend;
  double sl = 0, st = 0, sw = 0, sh = 0;
};

Canvas2D::Canvas2D(Frame& frame) : frame_(frame) {
  clip_ = ClipRect{0, 0, frame.Width(), frame.Height()};
}

Canvas2D::~Canvas2D() = default;

void Canvas2D::SetClipRect(const ClipRect& rect) {
  ClipRect c;
  c.left = std::clamp(rect.left, 0, frame_.Width());
  c.top = std::clamp(rect.top, 0, frame_.Height());
  c.right = std::clamp(rect.right, 0, frame_.Width());
  c.bottom = std::clamp(rect.bottom, 0, frame_.Height());
  if (c.right < c.left) c.right = c.left;
  if (c.bottom < c.top) c.bottom = c.top;
  clip_ = c;
}

void Canvas2D::DrawImageQuad(const RenderImage* image, const QuadCorners& corners,
                             const QuadColours& colours, int pattern, const SourceRect& source,
                             uint32_t effect) {
  if (image == nullptr || clip_.Empty()) return;
  TexturedQuad q;
  q.texture = image->Pattern(pattern);
  if (q.texture == nullptr) return;
  q.blend = DecodeEffect(effect);
  if (q.blend.kind == BlendKind::kInvalid) return;
  if (source.width == 0 || source.height == 0) {
    q.sw = q.texture->Width();
    q.sh = q.texture->Height();
  } else {
    q.sl = source.left;
    q.st = source.top;
    q.sw = source.width;
    q.sh = source.height;
  }
  if (!std::isfinite(q.sl) || !std::isfinite(q.st) || !std::isfinite(q.sw) ||
      !std::isfinite(q.sh)) {
    return;
  }
  for (int i = 0; i < 4; ++i) {
    if (!ToRaster(corners[static_cast<size_t>(i)], q.v[i])) return;
  }
  q.colours = colours;
  q.uniform = colours[0] == colours[1] && colours[0] == colours[2] && colours[0] == colours[3];
  if (q.uniform && q.blend.kind != BlendKind::kOpaque && (colours[0] >> 24) == 0) return;
  // Uniform colours, or a vertical gradient (text), can take the blit.
  const bool rowsUniform = colours[0] == colours[1] && colours[3] == colours[2];
  if (rowsUniform && fastPaths_ && TryBlit(q)) return;

  q.tu[0] = q.tu[3] = q.sl;
  q.tu[1] = q.tu[2] = q.sl + q.sw;
  q.tv[0] = q.tv[1] = q.st;
  q.tv[2] = q.tv[3] = q.st + q.sh;

  // A parallelogram (allowing for the snapping of its corners) with colours
  // that vary linearly over it has one set of planes: scan it once.
  const int64_t dx = q.v[0].x + q.v[2].x - q.v[1].x - q.v[3].x;
  const int64_t dy = q.v[0].y + q.v[2].y - q.v[1].y - q.v[3].y;
  bool single = dx >= -2 && dx <= 2 && dy >= -2 && dy <= 2;
  if (single && !q.uniform) {
    for (int c = 0; c < 4 && single; ++c) {
      single = Channel(colours[0], c) + Channel(colours[2], c) ==
               Channel(colours[1], c) + Channel(colours[3], c);
    }
  }
  static constexpr int kQuad[4] = {0, 1, 2, 3};
  static constexpr int kQuadPlanes[3] = {0, 1, 3};
  static constexpr int kFirst[3] = {0, 1, 2};
  static constexpr int kSecond[3] = {0, 2, 3};
  if (single) {
    DrawTextured(q, kQuad, 4, kQuadPlanes);
  } else {
    DrawTextured(q, kFirst, 3, kFirst);
    DrawTextured(q, kSecond, 3, kSecond);
  }
}

bool Canvas2D::TryBlit(const TexturedQuad& q) {
  const RasterPoint* v = q.v;
  if (v[0].y != v[1].y || v[2].y != v[3].y || v[0].x != v[3].x || v[1].x != v[2].x) return false;
  if (v[1].x <= v[0].x || v[3].y <= v[0].y) return false;
  const int64_t half = kSubPixelOne / 2;
  if ((v[0].x + half) % kSubPixelOne != 0 || (v[0].y + half) % kSubPixelOne != 0) return false;
  if (!IsWhole(q.sl) || !IsWhole(q.st) || !IsWhole(q.sw) || !IsWhole(q.sh)) return false;
  const PatternTexture& tex = *q.texture;
  if (q.sl < 0 || q.st < 0 || q.sl + q.sw > tex.Width() || q.st + q.sh > tex.Height()) {
    return false;
  }
  if (v[1].x - v[0].x != static_cast<int64_t>(q.sw) * kSubPixelOne ||
      v[3].y - v[0].y != static_cast<int64_t>(q.sh) * kSubPixelOne) {
    return false;
  }
  const int64_t x0 = (v[0].x + half) / kSubPixelOne;
  const int64_t y0 = (v[0].y + half) / kSubPixelOne;
  const int sl = static_cast<int>(q.sl);
  const int st = static_cast<int>(q.st);
  const int64_t colBegin = std::max<int64_t>(x0, clip_.left);
  const int64_t colEnd = std::min<int64_t>(x0 + static_cast<int64_t>(q.sw), clip_.right);
  const int64_t rowBegin = std::max<int64_t>(y0, clip_.top);
  const int64_t rowEnd = std::min<int64_t>(y0 + static_cast<int64_t>(q.sh), clip_.bottom);
  if (colBegin >= colEnd || rowBegin >= rowEnd) return true;

  // A vertical gradient gives each row one colour: the value the general scan
  // interpolates there (its planes change along y only, so the column does
  // not matter).
  Plane pc[4];
  if (!q.uniform) {
    PlaneSolver solver;
    if (!solver.Setup(v[0], v[1], v[3])) return true;
    for (int ch = 0; ch < 4; ++ch) {
      pc[ch] = solver.Solve(Channel(q.colours[0], ch), Channel(q.colours[1], ch),
                            Channel(q.colours[3], ch));
    }
  }
  const BlendKind kind = q.blend.kind;
  const bool copies = q.uniform && q.colours[0] == kColourWhite &&
                      (kind == BlendKind::kOpaque || (kind == BlendKind::kAlpha && tex.Opaque()));
  // Every pixel is replaced by a value that ignores what was there: a Fill not
  // yet applied would be overwritten whole, so it is dropped.
  if (frame_.FillPending() && (kind == BlendKind::kOpaque || copies) && colBegin == 0 &&
      rowBegin == 0 && colEnd == frame_.Width() && rowEnd == frame_.Height()) {
    frame_.DiscardPendingFill();
  }
  for (int64_t row = rowBegin; row < rowEnd; ++row) {
    uint32_t colour = q.colours[0];
    if (!q.uniform) {
      uint32_t ch[4];
      for (int c = 0; c < 4; ++c) {
        const int64_t value = ToFixed(pc[c].At(0, static_cast<double>(row)) + 0.5, 16) >> 16;
        ch[c] = static_cast<uint32_t>(std::clamp<int64_t>(value, 0, 255));
      }
      colour = MakeArgb(ch[0], ch[1], ch[2], ch[3]);
      if (kind != BlendKind::kOpaque && ch[0] == 0) continue;
    }
    const bool white = colour == kColourWhite;
    const int ty = st + static_cast<int>(row - y0);
    int64_t begin = colBegin;
    int64_t end = colEnd;
    if (kind != BlendKind::kOpaque) {
      // Alpha-tested: texels with alpha 0 never reach the frame, whatever the colour.
      begin = std::max<int64_t>(begin, x0 + tex.RowBegin(ty) - sl);
      end = std::min<int64_t>(end, x0 + tex.RowEnd(ty) - sl);
      if (begin >= end) continue;
    }
    const int count = static_cast<int>(end - begin);
    const uint32_t* src = tex.Texel(sl + static_cast<int>(begin - x0), ty);
    uint32_t* dst = frame_.Row(static_cast<int>(row)) + begin;
    if (white) {
      if (tex.Opaque() && (kind == BlendKind::kOpaque || kind == BlendKind::kAlpha)) {
        // Every texel's alpha is already 255.
        std::memcpy(dst, src, sizeof(uint32_t) * static_cast<size_t>(count));
        continue;
      }
      if (kind == BlendKind::kOpaque) {
        detail::CopyOpaqueRow(dst, src, count);
        continue;
      }
      if (kind == BlendKind::kAlpha) {
        // The next row's blended parts lie about where this row's do; asking for
        // them now hides the wait for a frame that is far larger than the cache.
        if (row + 2 < rowEnd) {
          const uint32_t* next = frame_.Row(static_cast<int>(row + 2));
          // A blended part spans up to two cache lines at each end.
          __builtin_prefetch(next + begin, 1);
          __builtin_prefetch(next + std::min(begin + 16, end - 1), 1);
          __builtin_prefetch(next + std::max(begin, end - 17), 1);
          __builtin_prefetch(next + end - 1, 1);
        }
        // The row's solid run is copied; only the texels around it are blended.
        const int64_t solidBegin = std::clamp<int64_t>(x0 + tex.SolidBegin(ty) - sl, begin, end);
        const int64_t solidEnd = std::clamp<int64_t>(x0 + tex.SolidEnd(ty) - sl, solidBegin, end);
        // The blended parts are widened into the run to whole vector steps (a solid
        // texel blends to itself), so they end without a pixel-by-pixel tail.
        const int head = std::min(count, RoundUp8(static_cast<int>(solidBegin - begin)));
        const int tail = std::min(count - head, RoundUp8(static_cast<int>(end - solidEnd)));
        const int solid = count - head - tail;
        detail::BlitAlphaRow(dst, src, head);
        std::memcpy(dst + head, src + head, sizeof(uint32_t) * static_cast<size_t>(solid));
        detail::BlitAlphaRow(dst + head + solid, src + head + solid, tail);
        continue;
      }
      if (kind == BlendKind::kAdditive) {
        detail::BlitAdditiveRow(dst, src, count);
        continue;
      }
      detail::ShadeSpanBlend(q.blend, dst, count, detail::DirectSampler{src}, detail::NoColour{});
    } else if (!detail::ShadeDirectSpanSimd(dst, src, count, colour, q.blend)) {
      detail::ShadeSpanBlend(q.blend, dst, count, detail::DirectSampler{src},
                             detail::ConstantColour{colour});
    }
  }
  return true;
}

void Canvas2D::DrawTextured(const TexturedQuad& q, const int* order, int count,
                            const int* planeIndex) {
  RasterPoint points[4];
  for (int i = 0; i < count; ++i) points[i] = q.v[order[i]];
  ConvexPolygon polygon;
  if (!polygon.Setup(points, count, clip_)) return;
  const int a = planeIndex[0];
  const int b = planeIndex[1];
  const int c = planeIndex[2];
  PlaneSolver solver;
  if (!solver.Setup(q.v[a], q.v[b], q.v[c])) return;
  const Plane pu = solver.Solve(q.tu[a], q.tu[b], q.tu[c]);
  const Plane pv = solver.Solve(q.tv[a], q.tv[b], q.tv[c]);
  Plane pc[4];
  if (!q.uniform) {
    for (int ch = 0; ch < 4; ++ch) {
      pc[ch] = solver.Solve(Channel(q.colours[static_cast<size_t>(a)], ch),
                            Channel(q.colours[static_cast<size_t>(b)], ch),
                            Channel(q.colours[static_cast<size_t>(c)], ch));
    }
  }

  const PatternTexture& tex = *q.texture;
  detail::TextureWalk walk;
  walk.origin = tex.Texel(0, 0);
  walk.stride = tex.Stride();
  walk.du = ToFixed(pu.dx, kUvBits);
  walk.dv = ToFixed(pv.dx, kUvBits);
  walk.uMax = int64_t{tex.Width()} * kUvOne + kUvHalf - 1;
  walk.vMax = int64_t{tex.Height()} * kUvOne + kUvHalf - 1;
  const uint32_t colour = q.colours[0];
  const bool white = q.uniform && colour == kColourWhite;

  detail::TexturedSpan span;
  span.sampling = smoothing_ ? detail::Sampling::kBilinear : detail::Sampling::kNearest;
  span.colourMode = white        ? detail::ColourMode::kNone
                    : q.uniform ? detail::ColourMode::kConstant
                                : detail::ColourMode::kGouraud;
  span.colour = colour;
  span.blend = q.blend;
  for (int ch = 0; ch < 4; ++ch) span.gouraud.dc[ch] = ToFixed(pc[ch].dx, 16);

  // Scaled, not turned: u follows x and v follows y exactly, so every row
  // shares the columns' texel indices and weights. Worth it while a frame row
  // reads at most one new texel row (not shrunk vertically).
  const BlendKind kind = q.blend.kind;
  const bool axisAligned = fastPaths_ && smoothing_ && count == 4 && pu.dy == 0 && pv.dx == 0 &&
                           std::fabs(pv.dy) <= 1.0 &&
                           span.colourMode != detail::ColourMode::kGouraud &&
                           (kind == BlendKind::kOpaque || kind == BlendKind::kAlpha ||
                            kind == BlendKind::kAdditive) &&
                           detail::AxisBilinear::Available();
  if (axisAligned) {
    if (!axis_) axis_ = std::make_unique<detail::AxisBilinear>();
    axis_->Begin(tex, walk.du, walk.uMax, walk.vMax, span.colourMode, colour, kind);
  }
  int y, begin, end;
  while (polygon.NextSpan(y, begin, end)) {
    if (begin >= end) continue;
    if (axisAligned) {
      if (y + 2 < frame_.Height()) {
        __builtin_prefetch(frame_.Row(y + 2) + begin, 1);
        __builtin_prefetch(frame_.Row(y + 2) + end - 1, 1);
      }
      axis_->DrawRow(frame_.Row(y), begin, end, ToFixed(pu.At(begin, y), kUvBits),
                     ToFixed(pv.At(begin, y), kUvBits));
      continue;
    }
    walk.u = ToFixed(pu.At(begin, y), kUvBits);
    walk.v = ToFixed(pv.At(begin, y), kUvBits);
    span.walk = walk;
    span.dst = frame_.Row(y) + begin;
    span.count = end - begin;
    // Frame rows lie 4 KiB apart; fetching the next rows early hides most of
    // the misses of small primitives scattered over the frame.
    if (y + 2 < frame_.Height()) {
      __builtin_prefetch(frame_.Row(y + 2) + begin, 1);
      __builtin_prefetch(frame_.Row(y + 2) + end - 1, 1);
    }
    if (span.colourMode == detail::ColourMode::kGouraud) {
      for (int ch = 0; ch < 4; ++ch) span.gouraud.c[ch] = ToFixed(pc[ch].At(begin, y) + 0.5, 16);
    }
    if (!fastPaths_ || !detail::ShadeTexturedSpanSimd(span)) detail::ShadeTexturedSpan(span);
  }
}

void Canvas2D::FillRect(int left, int top, int width, int height, uint32_t colour,
                        uint32_t effect) {
  if (width <= 0 || height <= 0 || clip_.Empty()) return;
  const BlendState blend = DecodeEffect(effect);
  if (blend.kind == BlendKind::kInvalid) return;
  if (blend.kind != BlendKind::kOpaque && (colour >> 24) == 0) return;
  const int64_t x0 = std::max<int64_t>(left, clip_.left);
  const int64_t x1 = std::min<int64_t>(int64_t{left} + width, clip_.right);
  const int64_t y0 = std::max<int64_t>(top, clip_.top);
  const int64_t y1 = std::min<int64_t>(int64_t{top} + height, clip_.bottom);
  if (x0 >= x1 || y0 >= y1) return;
  const int n = static_cast<int>(x1 - x0);
  if (!fastPaths_) {
    for (int64_t y = y0; y < y1; ++y) {
      detail::ShadeSpanBlend(blend, frame_.Row(static_cast<int>(y)) + x0, n,
                             detail::FlatSampler{colour}, detail::NoColour{});
    }
    return;
  }
  detail::FlatSpan span(blend, colour);
  if (span.DrawsNothing()) return;
  for (int64_t y = y0; y < y1; ++y) span.Draw(frame_.Row(static_cast<int>(y)) + x0, n);
}

void Canvas2D::FillTriangle(PointD a, PointD b, PointD c, uint32_t colour, uint32_t effect) {
  if (clip_.Empty()) return;
  const BlendState blend = DecodeEffect(effect);
  if (blend.kind == BlendKind::kInvalid) return;
  if (blend.kind != BlendKind::kOpaque && (colour >> 24) == 0) return;
  RasterPoint v[3];
  if (!ToRaster(a, v[0]) || !ToRaster(b, v[1]) || !ToRaster(c, v[2])) return;
  ConvexPolygon polygon;
  if (!polygon.Setup(v, 3, clip_)) return;
  detail::FlatSpan span(blend, colour);
  if (span.DrawsNothing()) return;
  int y, begin, end;
  while (polygon.NextSpan(y, begin, end)) {
    if (begin >= end) continue;
    if (fastPaths_) {
      span.Draw(frame_.Row(y) + begin, end - begin);
    } else {
      detail::ShadeSpanBlend(blend, frame_.Row(y) + begin, end - begin,
                             detail::FlatSampler{colour}, detail::NoColour{});
    }
  }
}

}  // namespace render
