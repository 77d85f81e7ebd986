#pragma once
// Scan conversion of convex polygons with exact integer edge tests.
//
// Rasterizer space: a caller position p becomes p - 0.5, so that pixel
// (px, py)'s centre lies on the integer point (px, py). Positions are snapped
// to 1/256 pixel. A pixel belongs to the polygon when its centre is inside,
// or exactly on an edge that is a left edge or a horizontal top edge (the
// top-left rule), so polygons sharing an edge never both cover a pixel.

#include <cstdint>

#include "render/canvas.h"

namespace render {

inline constexpr int kSubPixelBits = 8;
inline constexpr int64_t kSubPixelOne = int64_t{1} << kSubPixelBits;
// Positions beyond this many pixels from the origin are refused: the integer
// edge arithmetic stays inside 64 bits and no real drawing goes that far.
inline constexpr double kMaxCoordinate = 2097152.0;

struct RasterPoint {
  int64_t x = 0;  // 1/256 pixel
  int64_t y = 0;
};

// Converts a caller position into rasterizer space; false for a non-finite
// position or one beyond kMaxCoordinate.
bool ToRaster(PointD p, RasterPoint& out);

class ConvexPolygon {
 public:
  // Prepares 3 or 4 vertices of a convex polygon (either winding). False when
  // the polygon has no area or no row of it lies inside the clip rectangle.
  bool Setup(const RasterPoint* vertices, int count, const ClipRect& clip);

  int FirstRow() const { return firstRow_; }
  int LastRow() const { return lastRow_; }
  // The rows from FirstRow to LastRow in turn: row y and its columns
  // [begin, end) inside the polygon and the clip rectangle (possibly empty).
  // False after the last row.
  bool NextSpan(int& y, int& begin, int& end);

 private:
  // Each edge bounds the columns of a row from one side: x >= -q (left
  // edges) or x <= q (right edges), where q = floor(m / d) is kept exactly
  // from row to row by adding a quotient and a remainder step, without a
  // division per row. Horizontal edges admit a row or not.
  struct Edge {
    enum Kind : uint8_t { kLeft, kRight, kHorizontal } kind;
    int64_t q, r;    // floor(m / d) and m mod d for the current row
    int64_t dq, dr;  // the same for the change of m from one row to the next
    int64_t d;       // > 0
    bool admits;     // horizontal edges: whether the current row is inside
    int64_t b, y0, bias;
  };
  Edge edges_[4] = {};
  int count_ = 0;
  int firstRow_ = 0;
  int lastRow_ = -1;
  int row_ = 0;
  ClipRect clip_;
};

// An attribute that varies linearly over a triangle or parallelogram:
// value = base + dx * (x - originX) + dy * (y - originY) in rasterizer pixels.
struct Plane {
  double base = 0;
  double dx = 0;
  double dy = 0;
  double originX = 0;
  double originY = 0;
  double At(double x, double y) const { return base + dx * (x - originX) + dy * (y - originY); }
};

// The planes through three vertices share one solve.
class PlaneSolver {
 public:
  // False when the three points are collinear.
  bool Setup(const RasterPoint& p0, const RasterPoint& p1, const RasterPoint& p2);
  Plane Solve(double v0, double v1, double v2) const;

 private:
  double x0_ = 0, y0_ = 0;
  double ex1_ = 0, ey1_ = 0, ex2_ = 0, ey2_ = 0;
  double det_ = 1;
};

}  // namespace render
