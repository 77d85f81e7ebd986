// The layers frames and hit tests visit: every layer of a narrow span, only
// the used layers of a wide one (elements anywhere in the tree and active
// stars), so that an Order far from the others cannot stall the player.

#include <gtest/gtest.h>

#include <vector>

#include "scene/db.h"
#include "scene/layers.h"
#include "scene/screen.h"
#include "scene/shape_element.h"
#include "scene/stars.h"

namespace scene {
namespace {

class LayerWalk : public ::testing::Test {
 protected:
  void SetUp() override {
    screen_ = static_cast<TQZScreen*>(root_.CreateChild("TQZScreen"));
    screen_->SetId("S");
    other_ = static_cast<TQZScreen*>(root_.CreateChild("TQZScreen"));
    other_->SetId("Other");
    root_.SetCurrentScreen(screen_);
  }
  TQZShape* Box(TQZElement* parent, const char* id, int32_t order) {
    auto* b = static_cast<TQZShape*>(parent->CreateChild("TQZShape"));
    b->SetId(id);
    b->SizeX = b->SizeY = 20;
    b->SetOrder(order);
    return b;
  }
  std::vector<int32_t> Visit(const StarTable* stars = nullptr) {
    return LayersToVisit(root_.MinOrder, root_.MaxOrder, *screen_, stars);
  }

  TQZDB root_;
  TQZScreen* screen_ = nullptr;
  TQZScreen* other_ = nullptr;
};

TEST_F(LayerWalk, NarrowSpansVisitEveryLayer) {
  Box(screen_, "A", 3);
  Box(screen_, "B", -2);
  EXPECT_EQ(Visit(), (std::vector<int32_t>{-2, -1, 0, 1, 2, 3}));
  // Exactly kDenseLayerSpan layers are still walked layer by layer, one more
  // visits the used ones.
  Box(screen_, "C", static_cast<int32_t>(kDenseLayerSpan) - 3);
  EXPECT_EQ(Visit().size(), static_cast<size_t>(kDenseLayerSpan));
  Box(screen_, "D", static_cast<int32_t>(kDenseLayerSpan) - 2);
  EXPECT_EQ(Visit(), (std::vector<int32_t>{-2, 0, 3, static_cast<int32_t>(kDenseLayerSpan) - 3,
                                           static_cast<int32_t>(kDenseLayerSpan) - 2}));
  EXPECT_TRUE(LayersToVisit(5, 4, *screen_, nullptr).empty());
}

TEST_F(LayerWalk, WideSpansVisitOnlyUsedLayersOfTheWholeTreeAndStars) {
  Box(screen_, "Far", 2000000000);
  Box(screen_, "Low", -2147483647 - 1);
  Box(screen_, "Twin", 7);
  Box(screen_, "Twin2", 7);
  // Another screen's elements count: an ex-screen draws them in their layers.
  Box(other_, "Shown", 40);
  // From a wide span, only the used layers, ascending, without repeats (the
  // root and the screens hold Order 0).
  EXPECT_EQ(Visit(), (std::vector<int32_t>{-2147483647 - 1, 0, 7, 40, 2000000000}));

  StarTable stars;
  StarSpec spec;
  spec.scale = 1;
  spec.layer = 12;
  stars.Place(stars.FirstFree(), spec);
  spec.layer = 2100000000;  // outside the span: never drawn in the layer walk
  stars.Place(stars.FirstFree(), spec);
  EXPECT_EQ(Visit(&stars), (std::vector<int32_t>{-2147483647 - 1, 0, 7, 12, 40, 2000000000}));
  // Bounds narrower than the tree's orders cut the list.
  EXPECT_EQ(LayersToVisit(1, 1000, *screen_, &stars), (std::vector<int32_t>{7, 12, 40}));
}

TEST_F(LayerWalk, HitTestsAcrossAHugeSpanFindTheTopLayer) {
  TQZShape* low = Box(screen_, "Low", -2000000000);
  TQZShape* high = Box(screen_, "High", 2000000000);
  Box(screen_, "Mid", 5);
  EXPECT_EQ(root_.HitTestLayers(5, 5), high);
  high->SetVis(false);
  EXPECT_EQ(root_.HitTestLayers(5, 5), screen_->Child(2));
  screen_->Child(2)->SetVis(false);
  EXPECT_EQ(root_.HitTestLayers(5, 5), low);
}

}  // namespace
}  // namespace scene
