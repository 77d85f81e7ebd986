#include "scene/hotspots.h"

#include <algorithm>
#include <tuple>

#include "scene/db.h"
#include "scene/ex_screen.h"
#include "scene/screen.h"

namespace scene {

namespace {

constexpr int32_t kGrid = 4;
constexpr int64_t kFrameWidth = 1024, kFrameHeight = 768;

struct Finder {
  TQZDB& root;
  std::vector<std::pair<Hotspot, size_t>> found;  // with the tree order
  std::vector<const TQZElement*> chain;           // the embedded screens being walked
  size_t order = 0;

  bool Hits(TQZElement* e, int64_t x, int64_t y) {
    return x >= 0 && y >= 0 && x < kFrameWidth && y < kFrameHeight &&
           root.ProbeHitTest(static_cast<int32_t>(x), static_cast<int32_t>(y)) == e;
  }

  // dx, dy: where the element's own coordinates lie on the frame (the
  // offsets of the embeddings it is shown through).
  void Consider(TQZElement* e, int64_t dx, int64_t dy) {
    const size_t index = order++;
    if (e->Script(Ev::MouseDown).Source.empty() && e->Script(Ev::MouseUp).Source.empty()) return;
    const int64_t left = dx + e->GetAbsX(), top = dy + e->GetAbsY();
    const int64_t w = std::max(0, e->GetSizeX()), h = std::max(0, e->GetSizeY());
    auto take = [&](int64_t x, int64_t y) {
      found.push_back({{e, static_cast<int32_t>(x), static_cast<int32_t>(y)}, index});
    };
    if (Hits(e, left + w / 2, top + h / 2)) return take(left + w / 2, top + h / 2);
    // Only the part of the grid on the frame can be pointed at.
    const int64_t y0 = top + std::max<int64_t>(0, (-top + kGrid - 1) / kGrid * kGrid);
    const int64_t x0 = left + std::max<int64_t>(0, (-left + kGrid - 1) / kGrid * kGrid);
    for (int64_t y = y0; y < std::min(top + std::max<int64_t>(h, 1), kFrameHeight); y += kGrid)
      for (int64_t x = x0; x < std::min(left + std::max<int64_t>(w, 1), kFrameWidth); x += kGrid)
        if (Hits(e, x, y)) return take(x, y);
  }

  // The visible children of e in tree order, and what embedded screens show.
  void Walk(TQZElement* e, int64_t dx, int64_t dy) {
    for (TQZElement* child : e->Children()) {
      if (!child->Vis) continue;
      Consider(child, dx, dy);
      if (auto* ex = dynamic_cast<TQZExScreen*>(child)) {
        ex->ResolveScreen();
        TQZElement* shown = ex->EmbeddedScreen();
        if (shown && std::find(chain.begin(), chain.end(), shown) == chain.end()) {
          // The embedded screen's elements count from the root; on the frame
          // they count from the embedding element's corner.
          chain.push_back(shown);
          Walk(shown, dx + ex->GetAbsX() - root.GetAbsX(), dy + ex->GetAbsY() - root.GetAbsY());
          chain.pop_back();
        }
      }
      Walk(child, dx, dy);
    }
  }
};

}  // namespace

std::vector<Hotspot> FindHotspots(TQZDB& root) {
  TQZElement* screen = root.CurrentScreen();
  if (!screen) return {};
  Finder f{root, {}, {screen}};
  f.Walk(screen, 0, 0);
  std::sort(f.found.begin(), f.found.end(), [](const auto& a, const auto& b) {
    return std::tie(a.first.y, a.first.x, a.second) < std::tie(b.first.y, b.first.x, b.second);
  });
  std::vector<Hotspot> out;
  out.reserve(f.found.size());
  for (const auto& h : f.found) out.push_back(h.first);
  return out;
}

}  // namespace scene
