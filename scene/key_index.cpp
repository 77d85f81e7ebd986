#include "scene/key_index.h"

#include <algorithm>

#include "scene/element.h"

namespace scene {

bool KeyIndex::Current() const {
  return built_ && shape_ == TQZElement::ShapeGeneration();
}

int64_t KeyIndex::PositionOf(const TQZElement& e) const {
  const uint32_t p = e.keyIndexPosition_;
  return p < order_.size() && order_[p] == &e ? p : -1;
}

void KeyIndex::Rebuild() {
  order_.clear();
  end_.clear();
  sorted_.clear();
  // Iterative pre-order: a game may nest images thousands deep.
  struct Open {
    TQZElement* element;
    size_t nextChild;
  };
  std::vector<Open> open;
  auto enter = [&](TQZElement* e) {
    const auto p = static_cast<uint32_t>(order_.size());
    e->keyIndexPosition_ = p;
    order_.push_back(e);
    end_.push_back(0);
    sorted_.emplace_back(e->key_, p);
    open.push_back({e, 0});
  };
  enter(&root_);
  while (!open.empty()) {
    Open& top = open.back();
    if (top.nextChild < top.element->ChildCount()) {
      TQZElement* child = top.element->Child(top.nextChild++);
      enter(child);  // may move `top`; it is not used after this
    } else {
      end_[top.element->keyIndexPosition_] = static_cast<uint32_t>(order_.size());
      open.pop_back();
    }
  }
  // Positions ascend already: a stable sort by key alone orders the pairs.
  // (Keys the editor gave out in order often come sorted or nearly so.)
  std::stable_sort(sorted_.begin(), sorted_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  byKey_.clear();
  for (const auto& entry : sorted_) byKey_.emplace_hint(byKey_.end(), entry);
  built_ = true;
  shape_ = TQZElement::ShapeGeneration();
  staleWalks_ = 0;
  ++builds_;
  visited_ += order_.size();
}

TQZElement* KeyIndex::Find(int32_t key, TQZElement& within, TQZElement** nextHint) {
  if (!Current()) {
    if (staleWalks_ < kWalksBeforeBuild) {
      ++staleWalks_;
      return within.FindByKey(key, nextHint);
    }
    Rebuild();
  }
  const int64_t at = PositionOf(within);
  // Not an element of this tree: only the walk knows its subtree.
  if (at < 0) return within.FindByKey(key, nextHint);
  ++visited_;
  const auto first = static_cast<uint32_t>(at);
  const uint32_t end = end_[first];
  const auto match = byKey_.lower_bound({key, first});
  if (match == byKey_.end() || match->first != key || match->second >= end) return nullptr;
  const uint32_t p = match->second;
  // The element after the match's subtree is the hint when it still lies
  // inside the searched subtree; otherwise the ancestor that has a next
  // sibling is `within` itself or lies above it, and the search leaves none.
  if (nextHint && !*nextHint && end_[p] < end) *nextHint = order_[end_[p]];
  return order_[p];
}

void KeyIndex::KeyChanged(const TQZElement& element, int32_t oldKey) {
  if (!Current()) return;  // a later build reads the new key
  const int64_t at = PositionOf(element);
  if (at < 0) return;
  const auto p = static_cast<uint32_t>(at);
  if (byKey_.erase({oldKey, p}) == 0) {
    built_ = false;  // out of step: start again rather than answer wrongly
    return;
  }
  byKey_.emplace(element.Key, p);
}

}  // namespace scene
