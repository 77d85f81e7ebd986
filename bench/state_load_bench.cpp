// Key lookups: state loads and the loading screen through the root's key
// index, against the walks they made before it (the recursive FindByKey), in
// the same process (see side_by_side.h).
//
// The tree: 20,000 elements, the root holding a small screen (Key 2), then a
// screen (Key 4) with 200 images of up to 99 images each, and last a loading
// screen (Key 3).
//
//   state_storm     a hostile state file: records that alternate between the
//                   small screen, whose next sibling holds nearly the whole
//                   tree and becomes the hint, and a key that no element has.
//                   Ours: ApplyState. Peer: the same loop with the lookups of
//                   before (a walk from the hint, then from the root). Target
//                   ratio 0.01. 256 KB of records by default; --full takes
//                   42 MB in one round (the walk takes minutes).
//   loading_screen  the loading-screen lookup of every loading step and
//                   frame (LoadingScreenElement) against FindByKey from the
//                   root, 1,000 lookups. Target ratio 0.1.
//   changing_tree   the same lookup when the tree changes before every one
//                   (a screen moved to the front): the worst case for the
//                   index, which walks and rebuilds in turn. Target ratio 2.
//
// Options: --quick (a tenth of the records, 3 rounds), --full.

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/side_by_side.h"
#include "scene/db.h"
#include "scene/element.h"
#include "scene/state_file.h"

namespace {

using scene::StateRecord;
using scene::TQZDB;
using scene::TQZElement;
using script::Value;

constexpr int32_t kMissing = 999999;
constexpr int32_t kLoadingScreen = 3;

std::unique_ptr<TQZDB> MakeTree() {
  constexpr int kElements = 20'000;
  auto root = std::make_unique<TQZDB>();
  root->SetKey(1);
  root->CreateChild("TQZScreen")->SetKey(2);
  TQZElement* big = root->CreateChild("TQZScreen");
  big->SetKey(4);
  TQZElement* outer = nullptr;
  int made = 4;  // the root and its three screens
  for (int32_t key = 100; made < kElements; ++key, ++made) {
    if (!outer || outer->ChildCount() == 99) {
      outer = big->CreateChild("TQZImage");
      outer->SetKey(key);
    } else {
      outer->CreateChild("TQZImage")->SetKey(key);
    }
  }
  root->CreateChild("TQZScreen")->SetKey(kLoadingScreen);
  root->LoadingScreen = kLoadingScreen;
  return root;
}

int CountElements(TQZElement& e) {
  int n = 1;
  for (TQZElement* c : e.Children()) n += CountElements(*c);
  return n;
}

std::string Storm(size_t bytes) {
  const StateRecord hit{2, "VIS", 'I', Value::Integer(1)};
  const StateRecord miss{kMissing, "VIS", 'I', Value::Integer(1)};
  std::string out;
  while (out.size() < bytes) {
    scene::AppendStateRecord(out, hit);
    scene::AppendStateRecord(out, miss);
  }
  return out;
}

// ApplyState as it was before the key index, over records parsed beforehand.
void ApplyByWalk(TQZDB& root, const std::vector<StateRecord>& records) {
  scene::SetLoading(true);
  bool haveLast = false;
  int32_t lastKey = 0;
  TQZElement* target = nullptr;
  TQZElement* hint = nullptr;
  for (const StateRecord& rec : records) {
    Value value = rec.value;
    if (rec.tag == 'O') {
      const auto key = static_cast<int32_t>(value.i);
      TQZElement* ref = key == 0 ? nullptr : root.FindByKey(key);
      value = Value::Ref(ref ? ref->Handle() : 0);
    }
    if (!haveLast || rec.key != lastKey) {
      TQZElement* next = nullptr;
      target = hint ? hint->FindByKey(rec.key, &next) : nullptr;
      if (!target) {
        next = nullptr;
        target = root.FindByKey(rec.key, &next);
      }
      hint = next;
      lastKey = rec.key;
      haveLast = true;
    }
    if (target && !target->NotSave) target->SetValue(rec.name, value);
  }
  root.DoAfterLoad();
  scene::SetLoading(false);
}

void StateStorm(size_t bytes, int rounds) {
  const std::string storm = Storm(bytes);
  const std::vector<StateRecord> records = scene::ParseState(storm);
  std::unique_ptr<TQZDB> ours, peer;
  bench::Setup setup;
  setup.ours = [&] { ours = MakeTree(); };
  setup.peer = [&] { peer = MakeTree(); };
  const bench::Outcome o = bench::Alternate([&] { scene::ApplyState(*ours, storm, {}); },
                                            [&] { ApplyByWalk(*peer, records); }, rounds, setup);
  // Each side's last run: the same tree at the end, and how many elements
  // the lookups examined.
  std::printf(
      "state_storm: %zu bytes, %zu records over %d elements; the index examined %llu "
      "elements, the walk %llu\n",
      storm.size(), records.size(), CountElements(*ours),
      static_cast<unsigned long long>(ours->Keys().Visited()),
      static_cast<unsigned long long>(peer->Keys().Visited()));
  if (scene::BuildState(*ours) != scene::BuildState(*peer)) {
    bench::ReportFailure("state_storm", 0.01, "the two loads left different trees");
    return;
  }
  bench::Report("state_storm", o, 0.01, "walk");
}

void LoadingScreen(int rounds) {
  std::unique_ptr<TQZDB> root = MakeTree();
  constexpr int kLookups = 1000;
  TQZElement* expected = root->FindByKey(kLoadingScreen);
  if (root->LoadingScreenElement() != expected || !expected) {
    bench::ReportFailure("loading_screen", 0.1, "the index found another element");
    return;
  }
  volatile uintptr_t sink = 0;
  const bench::Outcome o = bench::Alternate(
      [&] {
        for (int i = 0; i < kLookups; ++i)
          sink = sink + reinterpret_cast<uintptr_t>(root->LoadingScreenElement());
      },
      [&] {
        for (int i = 0; i < kLookups; ++i)
          sink = sink + reinterpret_cast<uintptr_t>(root->FindByKey(kLoadingScreen));
      },
      rounds);
  std::printf("loading_screen: %.3f us per lookup, the walk %.3f us\n", o.ours / kLookups * 1e6,
              o.peer / kLookups * 1e6);
  bench::Report("loading_screen", o, 0.1, "walk");
}

void ChangingTree(int rounds) {
  std::unique_ptr<TQZDB> root = MakeTree();
  TQZElement* screen = root->Child(0);
  constexpr int kChanges = 100;
  volatile uintptr_t sink = 0;
  const bench::Outcome o = bench::Alternate(
      [&] {
        for (int i = 0; i < kChanges; ++i) {
          root->MoveChildToEnd(screen);
          sink = sink + reinterpret_cast<uintptr_t>(root->LoadingScreenElement());
        }
      },
      [&] {
        for (int i = 0; i < kChanges; ++i) {
          root->MoveChildToEnd(screen);
          sink = sink + reinterpret_cast<uintptr_t>(root->FindByKey(kLoadingScreen));
        }
      },
      rounds);
  bench::Report("changing_tree", o, 2, "walk");
}

}  // namespace

int main(int argc, char** argv) {
  size_t bytes = 256 * 1024;
  int rounds = bench::kDefaultRounds;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quick") == 0) {
      bytes /= 10;
      rounds = 3;
    } else if (std::strcmp(argv[i], "--full") == 0) {
      bytes = 42'000'000;
      rounds = 1;
    } else {
      std::fprintf(stderr, "usage: %s [--quick | --full]\n", argv[0]);
      return 2;
    }
  }
  StateStorm(bytes, rounds);
  LoadingScreen(rounds < 3 ? 3 : rounds);
  ChangingTree(rounds < 3 ? 3 : rounds);
  return 0;
}
