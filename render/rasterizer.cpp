#include "render/rasterizer.h"

#include <algorithm>
#include <cmath>

namespace render {

namespace {

int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

int64_t CeilDiv(int64_t a, int64_t b) { return -FloorDiv(-a, b); }

}  // namespace

bool ToRaster(PointD p, RasterPoint& out) {
  if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
  if (std::fabs(p.x) > kMaxCoordinate || std::fabs(p.y) > kMaxCoordinate) return false;
  out.x = static_cast<int64_t>(std::nearbyint((p.x - 0.5) * kSubPixelOne));
  out.y = static_cast<int64_t>(std::nearbyint((p.y - 0.5) * kSubPixelOne));
  return true;
}

bool ConvexPolygon::Setup(const RasterPoint* v, int count, const ClipRect& clip) {
  count_ = 0;
  firstRow_ = 0;
  lastRow_ = -1;
  if (count < 3 || count > 4 || clip.Empty()) return false;
  int64_t area = 0;
  for (int i = 0; i < count; ++i) {
    const RasterPoint& p = v[i];
    const RasterPoint& q = v[(i + 1) % count];
    area += p.x * q.y - q.x * p.y;
  }
  if (area == 0) return false;
  const int64_t sign = area > 0 ? 1 : -1;
  int64_t minY = v[0].y;
  int64_t maxY = v[0].y;
  for (int i = 0; i < count; ++i) {
    const RasterPoint& p = v[i];
    const RasterPoint& q = v[(i + 1) % count];
    Edge& e = edges_[i];
    e.a = -(q.y - p.y) * sign;
    e.b = (q.x - p.x) * sign;
    e.x0 = p.x;
    e.y0 = p.y;
    const bool topLeft = e.a > 0 || (e.a == 0 && e.b > 0);
    e.bias = topLeft ? 0 : 1;
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  count_ = count;
  clip_ = clip;
  const int64_t first = std::max<int64_t>(CeilDiv(minY, kSubPixelOne), clip.top);
  const int64_t last = std::min<int64_t>(FloorDiv(maxY, kSubPixelOne), clip.bottom - 1);
  if (first > last) return false;
  firstRow_ = static_cast<int>(first);
  lastRow_ = static_cast<int>(last);
  return true;
}

void ConvexPolygon::Span(int y, int& begin, int& end) const {
  int64_t lo = clip_.left;
  int64_t hi = clip_.right - 1;
  const int64_t rowY = int64_t{y} * kSubPixelOne;
  for (int i = 0; i < count_ && lo <= hi; ++i) {
    const Edge& e = edges_[i];
    // Inside when a * (256 x - x0) + b * (rowY - y0) >= bias.
    const int64_t k = e.bias - e.b * (rowY - e.y0);
    if (e.a == 0) {
      if (k > 0) hi = lo - 1;
    } else if (e.a > 0) {
      lo = std::max(lo, CeilDiv(e.x0 + CeilDiv(k, e.a), kSubPixelOne));
    } else {
      hi = std::min(hi, FloorDiv(e.x0 + FloorDiv(k, e.a), kSubPixelOne));
    }
  }
  if (lo > hi) {
    begin = end = 0;
    return;
  }
  begin = static_cast<int>(lo);
  end = static_cast<int>(hi + 1);
}

bool PlaneSolver::Setup(const RasterPoint& p0, const RasterPoint& p1, const RasterPoint& p2) {
  const double scale = 1.0 / kSubPixelOne;
  x0_ = p0.x * scale;
  y0_ = p0.y * scale;
  ex1_ = (p1.x - p0.x) * scale;
  ey1_ = (p1.y - p0.y) * scale;
  ex2_ = (p2.x - p0.x) * scale;
  ey2_ = (p2.y - p0.y) * scale;
  const double det = ex1_ * ey2_ - ex2_ * ey1_;
  if (det == 0) return false;
  det_ = det;
  return true;
}

Plane PlaneSolver::Solve(double v0, double v1, double v2) const {
  const double d1 = v1 - v0;
  const double d2 = v2 - v0;
  Plane plane;
  plane.base = v0;
  plane.dx = (d1 * ey2_ - d2 * ey1_) / det_;
  plane.dy = (d2 * ex1_ - d1 * ex2_) / det_;
  plane.originX = x0_;
  plane.originY = y0_;
  return plane;
}

}  // namespace render
