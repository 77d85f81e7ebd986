#pragma once
// The pie mask of a circle shape: an elliptical sector drawn white on black
// into an ARGB picture, the way a pie is drawn on a bitmap.

#include <cstdint>
#include <vector>

namespace scene {

// Pictures beyond these sizes are not drawn (the mask would not fit a
// texture, or would cost more memory than any screen needs).
inline constexpr int kMaxMaskSide = 16384;
inline constexpr int64_t kMaxMaskPixels = int64_t{1} << 24;

// Fills `pixels` (resized to width x height) with opaque black, then opaque
// white over every pixel whose centre lies inside the ellipse inscribed in
// (0, 0, width, height) and inside the sector. The sector's radial edges
// point from the ellipse's centre at (width/2 (1 + sin a), height/2 (1 - cos a))
// for a = startDeg and a = endDeg (degrees clockwise from straight up), each
// coordinate rounded to a whole pixel; the sector runs counter-clockwise on
// screen from the first edge to the second. Edges pointing the same way
// (or an edge without direction) fill the whole ellipse. False, leaving
// `pixels` empty, for sizes that are not positive or beyond the limits above.
bool DrawPieMask(int width, int height, double startDeg, double endDeg,
                 std::vector<uint32_t>& pixels);

}  // namespace scene
