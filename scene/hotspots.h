#pragma once
// Hotspots: the elements of the current screen (embedded screens included)
// that would take a press or a release, each with the point where the
// pointer lands on it. A pad jumps the pointer between them; the player
// marks them while asked to.

#include <cstdint>
#include <vector>

namespace scene {

class TQZDB;
class TQZElement;

struct Hotspot {
  TQZElement* element = nullptr;
  int32_t x = 0, y = 0;  // the landing point, in logical coordinates
};

// Visible elements with a mouse-down or mouse-up script that the pointer
// protocol's hit test finds at their landing point: the centre of their
// bounds when the hit test there returns them, else the first point of a
// 4-pixel grid over the bounds, row by row, that does. Elements with no such
// point are left out. Ordered by landing point, y first, then x, then tree
// order. Hit testing here runs no script.
std::vector<Hotspot> FindHotspots(TQZDB& root);

}  // namespace scene
