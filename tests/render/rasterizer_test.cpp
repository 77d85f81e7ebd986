// The scan converter against a direct test of every pixel centre with the same edge rule.

#include <gtest/gtest.h>

#include <random>

#include "render/rasterizer.h"

namespace {

using render::ClipRect;
using render::ConvexPolygon;
using render::RasterPoint;

// Pixel (x, y) is inside when every edge function at its centre is positive, or zero on an
// edge that is a left edge or a horizontal top edge.
bool Inside(const std::vector<RasterPoint>& v, int x, int y) {
  int64_t area = 0;
  const size_t n = v.size();
  for (size_t i = 0; i < n; ++i) area += v[i].x * v[(i + 1) % n].y - v[(i + 1) % n].x * v[i].y;
  const int64_t sign = area > 0 ? 1 : -1;
  const int64_t px = int64_t{x} * 256, py = int64_t{y} * 256;
  for (size_t i = 0; i < n; ++i) {
    const RasterPoint& p = v[i];
    const RasterPoint& q = v[(i + 1) % n];
    const int64_t a = -(q.y - p.y) * sign, b = (q.x - p.x) * sign;
    const int64_t e = a * (px - p.x) + b * (py - p.y);
    const bool topLeft = a > 0 || (a == 0 && b > 0);
    if (e < 0 || (e == 0 && !topLeft)) return false;
  }
  return true;
}

TEST(Rasterizer, MatchesPixelCentreTest) {
  std::mt19937 rng(99);
  const ClipRect clip{3, 2, 45, 40};
  for (int round = 0; round < 4000; ++round) {
    std::vector<RasterPoint> v;
    // Triangles anywhere, and parallelograms; coordinates often on whole and half pixels so
    // that centres fall exactly on edges.
    const int grid = round % 3 == 0 ? 256 : (round % 3 == 1 ? 128 : 1);
    auto coord = [&](int range) {
      return static_cast<int64_t>(rng() % (range * 256 / grid)) * grid - 5 * 256;
    };
    v.push_back({coord(56), coord(52)});
    v.push_back({coord(56), coord(52)});
    v.push_back({coord(56), coord(52)});
    if (round % 2 == 1) v.push_back({v[0].x + v[2].x - v[1].x, v[0].y + v[2].y - v[1].y});
    ConvexPolygon polygon;
    const bool any = polygon.Setup(v.data(), static_cast<int>(v.size()), clip);
    std::vector<std::vector<bool>> covered(48, std::vector<bool>(48, false));
    int y, begin, end, lastY = -1;
    while (any && polygon.NextSpan(y, begin, end)) {
      ASSERT_GT(y, lastY);
      lastY = y;
      for (int x = begin; x < end; ++x) covered[static_cast<size_t>(y)][static_cast<size_t>(x)] = true;
    }
    int64_t area = 0;
    for (size_t i = 0; i < v.size(); ++i)
      area += v[i].x * v[(i + 1) % v.size()].y - v[(i + 1) % v.size()].x * v[i].y;
    for (int py = 0; py < 48; ++py) {
      for (int px = 0; px < 48; ++px) {
        const bool inClip = px >= clip.left && px < clip.right && py >= clip.top && py < clip.bottom;
        const bool expected = area != 0 && inClip && Inside(v, px, py);
        ASSERT_EQ(covered[static_cast<size_t>(py)][static_cast<size_t>(px)], expected)
            << "round " << round << " pixel " << px << "," << py;
      }
    }
  }
}

TEST(Rasterizer, RefusesWhatCannotBeDrawn) {
  RasterPoint p;
  EXPECT_FALSE(render::ToRaster({std::nan(""), 0}, p));
  EXPECT_FALSE(render::ToRaster({0, 3e6}, p));
  EXPECT_TRUE(render::ToRaster({2.5, -1}, p));
  EXPECT_EQ(p.x, 512);
  EXPECT_EQ(p.y, -384);
  ConvexPolygon polygon;
  const RasterPoint line[3] = {{0, 0}, {256, 256}, {512, 512}};
  EXPECT_FALSE(polygon.Setup(line, 3, {0, 0, 10, 10}));
  const RasterPoint tri[3] = {{0, 0}, {2560, 0}, {0, 2560}};
  EXPECT_FALSE(polygon.Setup(tri, 3, {5, 5, 5, 10})) << "empty clip";
  EXPECT_FALSE(polygon.Setup(tri, 3, {0, 20, 10, 30})) << "no row inside";
}

}  // namespace
