#include "scene/key_index.h"

#include <algorithm>

#include "scene/element.h"

namespace scene {

bool KeyIndex::Current() const {
  return built_ && shape_ == TQZElement::ShapeGeneration();
}

void KeyIndex::Rebuild() {
  order_.clear();
  end_.clear();
  position_.clear();
  // Iterative pre-order: a game may nest images thousands deep.
  struct Open {
    TQZElement* element;
    uint32_t position;
    size_t nextChild;
  };
  std::vector<Open> open;
  auto enter = [&](TQZElement* e) {
    const auto p = static_cast<uint32_t>(order_.size());
    order_.push_back(e);
    end_.push_back(0);
    position_.emplace(e, p);
    open.push_back({e, p, 0});
  };
  enter(&root_);
  while (!open.empty()) {
    Open& top = open.back();
    if (top.nextChild < top.element->ChildCount()) {
      TQZElement* child = top.element->Child(top.nextChild++);
      enter(child);  // may move `top`; it is not used after this
    } else {
      end_[top.position] = static_cast<uint32_t>(order_.size());
      open.pop_back();
    }
  }
  std::vector<std::pair<int32_t, uint32_t>> pairs;
  pairs.reserve(order_.size());
  for (uint32_t p = 0; p < order_.size(); ++p) pairs.emplace_back(order_[p]->Key, p);
  std::sort(pairs.begin(), pairs.end());
  byKey_ = std::set<std::pair<int32_t, uint32_t>>(pairs.begin(), pairs.end());
  built_ = true;
  shape_ = TQZElement::ShapeGeneration();
  ++builds_;
  visited_ += order_.size();
}

TQZElement* KeyIndex::Find(int32_t key, TQZElement& within, TQZElement** nextHint) {
  if (!Current()) Rebuild();
  const auto at = position_.find(&within);
  // Not an element of this tree: only the walk knows its subtree.
  if (at == position_.end()) return within.FindByKey(key, nextHint);
  ++visited_;
  const uint32_t first = at->second;
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
  if (!Current()) return;  // the next lookup rebuilds with the new key
  const auto at = position_.find(&element);
  if (at == position_.end()) return;
  if (byKey_.erase({oldKey, at->second}) == 0) {
    built_ = false;  // out of step: start again rather than answer wrongly
    return;
  }
  byKey_.emplace(element.Key, at->second);
}

}  // namespace scene
