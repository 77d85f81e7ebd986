#include "scene/circle_mask.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/numeric.h"

namespace scene {

namespace {

constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kWhite = 0xFFFFFFFFu;

// A direction with y pointing up (so counter-clockwise is the usual positive turn).
struct Dir {
  double x = 0;
  double y = 0;
};

double Cross(Dir a, Dir b) { return a.x * b.y - a.y * b.x; }

// The radial edge for an angle: from the centre towards the rounded point.
Dir Edge(int width, int height, double degrees) {
  const double a = degrees * std::numbers::pi / 180.0;
  const double px = platform::RoundHalfEvenD(width / 2.0 * (1 + std::sin(a)));
  const double py = platform::RoundHalfEvenD(height / 2.0 * (1 - std::cos(a)));
  return Dir{px - width / 2.0, -(py - height / 2.0)};
}

}  // namespace

bool DrawPieMask(int width, int height, double startDeg, double endDeg,
                 std::vector<uint32_t>& pixels) {
  pixels.clear();
  if (width <= 0 || height <= 0 || width > kMaxMaskSide || height > kMaxMaskSide ||
      int64_t{width} * height > kMaxMaskPixels)
    return false;
  pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), kBlack);
  if (!std::isfinite(startDeg) || !std::isfinite(endDeg)) return true;

  const Dir first = Edge(width, height, startDeg);
  const Dir second = Edge(width, height, endDeg);
  const bool noDirection = (first.x == 0 && first.y == 0) || (second.x == 0 && second.y == 0);
  // Same direction: parallel and not opposite.
  const bool sameWay = Cross(first, second) == 0 && (first.x * second.x + first.y * second.y) > 0;
  const bool whole = noDirection || sameWay;
  // Counter-clockwise from first to second: within half a turn both cross
  // products hold; beyond it, everything not strictly inside the other part.
  const bool wide = Cross(first, second) < 0 ||
                    (Cross(first, second) == 0 && (first.x * second.x + first.y * second.y) < 0);

  const double rx = width / 2.0;
  const double ry = height / 2.0;
  for (int y = 0; y < height; ++y) {
    const double dy = (y + 0.5 - ry) / ry;
    const double span = 1 - dy * dy;
    if (span < 0) continue;
    // Columns whose centres lie inside the ellipse on this row.
    const double half = rx * std::sqrt(span);
    const int x0 = std::max(0, static_cast<int>(std::ceil(rx - half - 0.5)));
    const int x1 = std::min(width - 1, static_cast<int>(std::floor(rx + half - 0.5)));
    uint32_t* row = pixels.data() + static_cast<size_t>(y) * width;
    if (whole) {
      for (int x = x0; x <= x1; ++x) row[x] = kWhite;
      continue;
    }
    const double py = -(y + 0.5 - ry);
    for (int x = x0; x <= x1; ++x) {
      const Dir p{x + 0.5 - rx, py};
      bool inside;
      if (!wide)
        inside = Cross(first, p) >= 0 && Cross(p, second) >= 0;
      else
        inside = !(Cross(second, p) > 0 && Cross(p, first) > 0);
      if (inside) row[x] = kWhite;
    }
  }
  return true;
}

}  // namespace scene
