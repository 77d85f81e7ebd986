#pragma once
// KeyIndex: the root's index from Key to elements, so that looking an element
// up by its key costs O(log n) instead of a walk of the tree. State loads look
// up every record's element (and every element an "O" record or an image
// list's ELEMENTS names), and a damaged or hostile state file whose records
// name keys that no element has would otherwise walk the whole tree per record.
//
// It answers exactly what TQZElement::FindByKey answers, searched from any
// element `within` of the tree: the first element in pre-order with the key
// inside within's subtree, and the same next-sibling hint.
//
// Invariants, while the index is current (built_ and shape_ equal to
// TQZElement::ShapeGeneration()):
//   1. order_ lists every element of the root's tree in pre-order, the root at
//      0, and each of them holds its own position (TQZElement's
//      keyIndexPosition_, written only here).
//   2. end_[p] is one past the last position of order_[p]'s subtree, so the
//      subtree is [p, end_[p]) and the element after it, order_[end_[p]], is
//      the next sibling of the nearest ancestor-or-self that has one.
//   3. byKey_ holds exactly one (Key, position) pair per element, with the
//      element's current Key. SetKey keeps it so (KeyChanged); additions,
//      removals and reorders change the shape generation instead, and a later
//      lookup rebuilds (see kWalksBeforeBuild). Id changes leave the index
//      alone: it holds no names.
// The index never dereferences an element while it is stale, so elements
// destroyed since the last build are never touched. An element's position is
// trusted only when order_ holds that element there.

#include <cstdint>
#include <set>
#if __has_include(<memory_resource>)
#include <memory_resource>
#define QZ_KEY_INDEX_POOL 1
#endif
#include <utility>
#include <vector>

namespace scene {

class TQZElement;

class KeyIndex {
 public:
  explicit KeyIndex(TQZElement& root) : root_(root) {}
  KeyIndex(const KeyIndex&) = delete;
  KeyIndex& operator=(const KeyIndex&) = delete;

  // within->FindByKey(key, nextHint): the first element in pre-order with the
  // key inside within's subtree; when nextHint is given and still null, it
  // receives the next sibling of the nearest ancestor-or-self of the match
  // that lies strictly inside the subtree and has one (none when within itself
  // matches).
  TQZElement* Find(int32_t key, TQZElement& within, TQZElement** nextHint = nullptr);
  // The same from the root, without a hint.
  TQZElement* Find(int32_t key) { return Find(key, root_); }

  // An element of the tree changed its Key from oldKey (SetKey calls this).
  void KeyChanged(const TQZElement& element, int32_t oldKey);

  // After a change of the tree, this many lookups walk it before the index is
  // rebuilt. A build costs up to about as many walks (measured on 20,000
  // elements), so a tree that changes between every two lookups costs at
  // most about twice the walks it did without the index, and one that stays
  // put pays one build.
  static constexpr uint32_t kWalksBeforeBuild = 16;

  // Elements examined by key lookups in this tree: every element of every
  // build, one per index lookup and every element a FindByKey walk visits.
  // A state load's cost follows it; tests read it instead of timing.
  uint64_t Visited() const { return visited_; }
  void CountVisits(uint64_t n) { visited_ += n; }
  // How many times the index was (re)built.
  uint64_t Builds() const { return builds_; }

 private:
  bool Current() const;
  void Rebuild();
  // The position of an element of this tree, or -1.
  int64_t PositionOf(const TQZElement& e) const;

  TQZElement& root_;
  std::vector<TQZElement*> order_;
  std::vector<uint32_t> end_;
  std::vector<std::pair<int32_t, uint32_t>> sorted_;  // scratch of Rebuild
  // (Key, position): a lower_bound from (key, first position of a subtree)
  // finds the first match in pre-order inside it. A balanced tree rather than
  // sorted arrays, so that moving one element between keys stays O(log n)
  // even when thousands of elements share a key; its nodes come from a pool
  // that rebuilds reuse.
#ifdef QZ_KEY_INDEX_POOL
  std::pmr::unsynchronized_pool_resource pool_;
  std::pmr::set<std::pair<int32_t, uint32_t>> byKey_{&pool_};
#else
  // The web build's C++ library has no <memory_resource>: nodes come from the heap.
  std::set<std::pair<int32_t, uint32_t>> byKey_;
#endif
  bool built_ = false;
  uint64_t shape_ = 0;
  uint32_t staleWalks_ = 0;  // walks since the index was last current
  uint64_t visited_ = 0;
  uint64_t builds_ = 0;
};

}  // namespace scene
