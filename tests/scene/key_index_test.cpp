// The root's key index: the same answers as the recursive FindByKey, and state
// loads whose lookups cost in proportion to their records.

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "scene/db.h"
#include "scene/state_file.h"

namespace scene {
namespace {

using script::Value;

constexpr uint32_t kSeed = 20261207;

// A random tree. Each new element goes under the root (as a screen) with
// probability rootShare, else under the last container made with probability
// deep, else under any container; keys come from [0, keyRange), so a small
// range gives many duplicates.
struct Shape {
  const char* name;
  int elements;
  double rootShare;
  double deep;
  int keyRange;
};

class RandomTree {
 public:
  RandomTree(const Shape& shape, std::mt19937& rng) : shape_(shape), rng_(rng) {
    root.SetKey(Draw(shape.keyRange));
    containers_.push_back(&root);
    for (int i = 1; i < shape.elements; ++i) Add();
  }

  void Add() {
    TQZElement* parent;
    if (containers_.size() == 1 || Chance(shape_.rootShare))
      parent = &root;
    else if (Chance(shape_.deep))
      parent = containers_.back();
    else
      parent = containers_[1 + Draw(static_cast<int>(containers_.size()) - 1)];
    static const char* const kUnder[] = {"TQZImage", "TQZShape", "TQZImList"};
    TQZElement* e = parent->CreateChild(parent == &root ? "TQZScreen" : kUnder[Draw(3)]);
    e->SetKey(Draw(shape_.keyRange));
    if (e->ClassName() != "TQZImList") containers_.push_back(e);
  }

  // Moves, additions and the removal of a whole subtree.
  void Change() {
    for (int i = 0; i < 10; ++i) {
      TQZElement* c = containers_[Draw(static_cast<int>(containers_.size()))];
      if (c->ChildCount() > 1) c->MoveChildToEnd(c->Child(Draw(static_cast<int>(c->ChildCount()))));
      Add();
    }
    TQZElement* doomed = containers_[1 + Draw(static_cast<int>(containers_.size()) - 1)];
    doomed->DestroyChildren();
    containers_.clear();
    Collect(root, containers_, /*containersOnly=*/true);
  }

  void WriteRandomKey() {
    std::vector<TQZElement*> all = All();
    TQZElement* e = all[Draw(static_cast<int>(all.size()))];
    const int32_t key = Draw(shape_.keyRange);
    // The by-name writer is the one scripts and state records use.
    if (Chance(0.5))
      e->SetValue("KEY", Value::Integer(key));
    else
      e->SetKey(key);
  }

  std::vector<TQZElement*> All() {
    std::vector<TQZElement*> out;
    Collect(root, out, false);
    return out;
  }

  // The first (within, key) whose index answer differs from the walk's, or "".
  std::string FirstDifference() {
    std::vector<TQZElement*> all = All();
    std::set<int32_t> keys{-1, shape_.keyRange};
    for (TQZElement* e : all) keys.insert(e->Key);
    for (TQZElement* within : all) {
      for (int32_t key : keys) {
        if (std::string d = Compare(*within, key); !d.empty()) return d;
      }
    }
    return "";
  }

  std::string Compare(TQZElement& within, int32_t key) {
    // Once without a hint set, once with one already set (which both keep).
    for (TQZElement* preset :
         {static_cast<TQZElement*>(nullptr), static_cast<TQZElement*>(&root)}) {
      TQZElement* walkHint = preset;
      TQZElement* indexHint = preset;
      TQZElement* walk = within.FindByKey(key, &walkHint);
      TQZElement* index = root.Keys().Find(key, within, &indexHint);
      if (walk != index || walkHint != indexHint)
        return "key " + std::to_string(key) + " within " + Name(&within) + ": walk " + Name(walk) +
               " hint " + Name(walkHint) + ", index " + Name(index) + " hint " + Name(indexHint);
    }
    return "";
  }

  int32_t Draw(int n) { return std::uniform_int_distribution<int32_t>(0, n - 1)(rng_); }

  TQZDB root;

 private:
  bool Chance(double p) { return std::bernoulli_distribution(p)(rng_); }
  static std::string Name(TQZElement* e) {
    return e ? e->ClassName() + "#" + std::to_string(e->Handle()) : "none";
  }
  static void Collect(TQZElement& e, std::vector<TQZElement*>& out, bool containersOnly) {
    if (!containersOnly || e.ClassName() != "TQZImList") out.push_back(&e);
    for (TQZElement* c : e.Children()) Collect(*c, out, containersOnly);
  }

  Shape shape_;
  std::mt19937& rng_;
  std::vector<TQZElement*> containers_;
};

// Rule: from every element of the tree and for every key (present or not),
// the index gives the walk's element and next-sibling hint; key writes move
// one element without a rebuild; tree changes rebuild.
TEST(KeyIndex, AnswersAsTheWalkOnRandomTrees) {
  std::printf("key index trees: seed %u\n", kSeed);
  std::mt19937 rng(kSeed);
  const Shape shapes[] = {
      {"root alone", 1, 0, 0, 3},
      {"bushy", 300, 0.05, 0.2, 40},
      {"deep chains", 300, 0.01, 0.97, 40},
      {"wide", 300, 0.6, 0.0, 40},
      {"one key for all", 150, 0.1, 0.3, 1},
      {"three keys", 300, 0.1, 0.5, 3},
      {"unique keys", 300, 0.1, 0.4, 1 << 30},
  };
  for (const Shape& shape : shapes) {
    SCOPED_TRACE(std::string(shape.name) + ", seed " + std::to_string(kSeed));
    RandomTree t(shape, rng);
    EXPECT_EQ(t.FirstDifference(), "") << "fresh tree";

    // Enough lookups that the index is built before the writes begin.
    for (uint32_t i = 0; i <= KeyIndex::kWalksBeforeBuild; ++i) t.root.Keys().Find(0);
    const uint64_t builds = t.root.Keys().Builds();
    for (int i = 0; i < 60; ++i) {
      t.WriteRandomKey();
      std::vector<TQZElement*> all = t.All();
      const int32_t probe = i % 2 ? all[t.Draw(static_cast<int>(all.size()))]->Key : i;
      EXPECT_EQ(t.Compare(*all[t.Draw(static_cast<int>(all.size()))], probe), "") << "write " << i;
      EXPECT_EQ(t.Compare(t.root, probe), "") << "write " << i;
    }
    EXPECT_EQ(t.root.Keys().Builds(), builds) << "key writes rebuilt the index";
    EXPECT_EQ(t.FirstDifference(), "") << "after key writes";

    if (shape.elements > 1) {
      t.Change();
      EXPECT_EQ(t.FirstDifference(), "") << "after tree changes";
      for (int i = 0; i < 20; ++i) t.WriteRandomKey();
      EXPECT_EQ(t.FirstDifference(), "") << "after tree changes and key writes";
    }
  }
}

// A hostile state file over a tree whose second screen holds nearly every
// element: each record that hits the first screen leaves the second as the
// hint, and the record after it names a key that no element has.
class Storm {
 public:
  static constexpr int kElements = 5000;
  static constexpr int32_t kMissing = 999999;

  Storm() {
    small_ = root.CreateChild("TQZScreen");
    small_->SetKey(2);
    small_->CreateChild("TQZImList")->SetKey(3);
    TQZElement* big = root.CreateChild("TQZScreen");
    big->SetKey(4);
    for (int i = 0; i < kElements - 4; ++i) big->CreateChild("TQZImage")->SetKey(100 + i);
  }

  static StateRecord Rec(int32_t key, const char* name, char tag, Value value) {
    return StateRecord{key, name, tag, std::move(value)};
  }

  TQZDB root;
  TQZElement* small_;
};

// Rule: a state load examines a number of elements that grows with its
// records (and one build of the index), not with records times elements,
// whatever the records write between their misses.
TEST(KeyIndex, StateStormCostsFollowTheRecords) {
  const StateRecord hit = Storm::Rec(2, "VIS", 'I', Value::Integer(1));
  const StateRecord miss = Storm::Rec(Storm::kMissing, "VIS", 'I', Value::Integer(1));
  std::string manyMissing;
  for (int i = 0; i < 4000; ++i) manyMissing += std::to_string(Storm::kMissing) + ";";
  struct Row {
    const char* name;
    std::vector<StateRecord> cycle;
    int cycles;
  };
  const Row rows[] = {
      {"hits and misses", {hit, miss}, 2000},
      {"key writes and misses",
       {Storm::Rec(2, "KEY", 'I', Value::Integer(5)), miss,
        Storm::Rec(5, "KEY", 'I', Value::Integer(2)), miss},
       1000},
      {"Id writes and misses", {Storm::Rec(2, "ID", 'S', Value::String("a")), miss}, 2000},
      {"references to missing keys",
       {Storm::Rec(2, "NOSUCHNAME", 'O', Value::Integer(Storm::kMissing)),
        Storm::Rec(3, "NOSUCHNAME", 'O', Value::Integer(Storm::kMissing + 1))},
       2000},
      {"an image list naming missing keys",
       {Storm::Rec(3, "ELEMENTS", 'S', Value::String(manyMissing))},
       1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Storm s;
    std::string bytes;
    for (int c = 0; c < row.cycles; ++c)
      for (const StateRecord& r : row.cycle) AppendStateRecord(bytes, r);
    const uint64_t before = s.root.Keys().Visited();
    ApplyState(s.root, bytes, {});
    const uint64_t visited = s.root.Keys().Visited() - before;
    // Every row makes about 4,000 lookups, and the first few walk the tree
    // before the index is built; one walk per record would examine millions
    // of elements.
    EXPECT_LE(visited, 4u * 4000 + (KeyIndex::kWalksBeforeBuild + 2) * Storm::kElements);
    EXPECT_LE(s.root.Keys().Builds(), 1u);
    EXPECT_EQ(s.root.FindByKey(2), s.small_);
  }
}

}  // namespace
}  // namespace scene
