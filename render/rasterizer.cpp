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
    minY = std::min(minY, v[i].y);
    maxY = std::max(maxY, v[i].y);
  }
  const int64_t first = std::max<int64_t>(CeilDiv(minY, kSubPixelOne), clip.top);
  const int64_t last = std::min<int64_t>(FloorDiv(maxY, kSubPixelOne), clip.bottom - 1);
  if (first > last) return false;
  firstRow_ = static_cast<int>(first);
  lastRow_ = static_cast<int>(last);
  row_ = firstRow_;
  clip_ = clip;
  count_ = count;
  const int64_t rowY = first * kSubPixelOne;
  for (int i = 0; i < count; ++i) {
    const RasterPoint& p = v[i];
    const RasterPoint& q = v[(i + 1) % count];
    // Edge function a * (X - x0) + b * (Y - y0), positive inside.
    const int64_t a = -(q.y - p.y) * sign;
    const int64_t b = (q.x - p.x) * sign;
    Edge& e = edges_[i];
    // Centres exactly on a left edge or a horizontal top edge are inside.
    e.bias = (a > 0 || (a == 0 && b > 0)) ? 0 : 1;
    e.b = b;
    e.y0 = p.y;
    if (a == 0) {
      e.kind = Edge::kHorizontal;
      continue;
    }
    // Inside when a * (256 x - x0) >= bias - b * (Y - y0) =: k, so
    // x >= ceil(n / (256 a)) for a > 0 and x <= floor(n / (256 a)) for a < 0,
    // with n = k + a * x0. Both are kept as floor(m / d) with d = 256 |a|:
    // m = -n for left edges (x >= -floor(-n / d)), m = -n as well for right
    // edges, where floor(n / (256 a)) = floor(-n / d).
    e.kind = a > 0 ? Edge::kLeft : Edge::kRight;
    e.d = kSubPixelOne * (a > 0 ? a : -a);
    const int64_t n = e.bias - b * (rowY - p.y) + a * p.x;
    const int64_t m = -n;
    e.q = FloorDiv(m, e.d);
    e.r = m - e.q * e.d;
    // Next row: n falls by 256 b, so m rises by 256 b.
    const int64_t dm = kSubPixelOne * b;
    e.dq = FloorDiv(dm, e.d);
    e.dr = dm - e.dq * e.d;
  }
  return true;
}

bool ConvexPolygon::NextSpan(int& y, int& begin, int& end) {
  if (row_ > lastRow_ || count_ == 0) return false;
  y = row_;
  const int64_t rowY = int64_t{row_} * kSubPixelOne;
  int64_t lo = clip_.left;
  int64_t hi = clip_.right - 1;
  for (int i = 0; i < count_; ++i) {
    Edge& e = edges_[i];
    switch (e.kind) {
      case Edge::kHorizontal:
        if (e.b * (rowY - e.y0) < e.bias) hi = lo - 1;
        continue;
      case Edge::kLeft:
        lo = std::max(lo, -e.q);
        break;
      case Edge::kRight:
        hi = std::min(hi, e.q);
        break;
    }
    e.q += e.dq;
    e.r += e.dr;
    if (e.r >= e.d) {
      e.r -= e.d;
      ++e.q;
    }
  }
  ++row_;
  if (lo > hi) {
    begin = end = 0;
  } else {
    begin = static_cast<int>(lo);
    end = static_cast<int>(hi + 1);
  }
  return true;
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
