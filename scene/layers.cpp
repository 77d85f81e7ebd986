#include "scene/layers.h"

#include <algorithm>

#include "scene/element.h"
#include "scene/stars.h"

namespace scene {

namespace {

void CollectOrders(const TQZElement& e, int64_t minOrder, int64_t maxOrder,
                   std::vector<int32_t>& out) {
  if (e.Order >= minOrder && e.Order <= maxOrder) out.push_back(e.Order);
  for (const TQZElement* c : e.Children()) CollectOrders(*c, minOrder, maxOrder, out);
}

}  // namespace

std::vector<int32_t> LayersToVisit(int64_t minOrder, int64_t maxOrder,
                                   const TQZElement& anyElement, const StarTable* stars) {
  std::vector<int32_t> layers;
  if (maxOrder < minOrder) return layers;
  if (maxOrder - minOrder + 1 <= kDenseLayerSpan) {
    layers.reserve(static_cast<size_t>(maxOrder - minOrder + 1));
    for (int64_t layer = minOrder; layer <= maxOrder; ++layer)
      layers.push_back(static_cast<int32_t>(layer));
    return layers;
  }
  const TQZElement* top = &anyElement;
  while (top->Parent()) top = top->Parent();
  CollectOrders(*top, minOrder, maxOrder, layers);
  if (stars && stars->ActiveCount() > 0) {
    for (int i = 0; i < StarTable::kSlots; ++i) {
      const TStar& s = stars->Slot(i);
      if (s.StarActive && s.StarLayer >= minOrder && s.StarLayer <= maxOrder)
        layers.push_back(s.StarLayer);
    }
  }
  std::sort(layers.begin(), layers.end());
  layers.erase(std::unique(layers.begin(), layers.end()), layers.end());
  return layers;
}

}  // namespace scene
