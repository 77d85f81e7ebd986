// Image lists: cell sizes, the grid drawn into a real frame with the hovered
// entry on top, entry tracking through the pointer protocol, presses, zoom,
// "ELEMENTS" and "SELEL", and the degenerate grids.

#include "scene/im_list.h"
#include "scene/image_element.h"
#include "scene/shape_element.h"
#include "scene/state_file.h"
#include "tests/scene/visual_fixture.h"

namespace scene {
namespace visual_test {
namespace {

using script::Value;

// A list at (100, 100), 300 x 200, 3 columns and 2 rows with 6 pixels of
// space: cells of 96 x 97 at x 100, 202, 304 and y 100, 203. Its images live
// on the screen far off to the right; each is a 10 x 10 square of its own colour.
class ImListTest : public VisualTest {
 protected:
  void SetUp() override {
    VisualTest::SetUp();
    screen_ = NewScreen();
    list_ = Add<TQZImList>(screen_, "TQZImList", "Inv");
    list_->SetKey(30);
    list_->SetPos(100, 100);
    list_->SetColCount(3);
    list_->SetRowCount(2);
    list_->SetSpace(6);
    list_->SetSizeX(300);
    list_->SetSizeY(200);
    const uint32_t colours[5] = {kRed, kGreen, kBlue, kWhite, 0xFFFFFF00u};
    for (int i = 0; i < 5; ++i) {
      const std::string file = "item" + std::to_string(i) + ".png";
      SolidPng(file, 10, 10, colours[i]);
      auto* img = Add<TQZImage>(screen_, "TQZImage", ("E" + std::to_string(i)).c_str());
      img->SetKey(40 + i);
      img->SetImImage(file);
      img->rX = 2000;
      images_.push_back(img);
    }
  }
  // Centre of cell (row, column).
  static int CellX(int column) { return 100 + column * 102 + 48; }
  static int CellY(int row) { return 100 + row * 103 + 48; }

  TQZScreen* screen_ = nullptr;
  TQZImList* list_ = nullptr;
  std::vector<TQZImage*> images_;
};

TEST_F(ImListTest, CellSizesFollowTheGrid) {
  EXPECT_EQ(list_->ElWidth, 96);
  EXPECT_EQ(list_->ElHeight, 97);
  Value v;
  list_->SetValue("ELWIDTH", Value::Integer(5));  // computed: writing has no effect
  list_->GetValue("ELWIDTH", v);
  EXPECT_EQ(v.i, 96);
  list_->SetValue("SCROLLPOS", Value::Integer(5));
  list_->GetValue("SCROLLPOS", v);
  EXPECT_EQ(v.i, 0);
  list_->SetValue("SIZEX", Value::Integer(10));
  EXPECT_EQ(list_->ElWidth, 0);  // (10 - 12) div 3 is negative
  list_->SetValue("SIZEX", Value::Integer(300));
  list_->SetValue("COLCOUNT", Value::Integer(0));
  EXPECT_EQ(list_->ElWidth, 0);
  EXPECT_EQ(list_->ElHeight, 0);
  list_->AddEntry(images_[0]);
  Render();
  EXPECT_EQ(Extent()[0], -1);  // cells of size 0 draw nothing
}

TEST_F(ImListTest, EntriesFillTheGridRowByRow) {
  for (int i = 0; i < 4; ++i) list_->AddEntry(images_[i]);
  Render();
  EXPECT_EQ(Rgb(CellX(0), CellY(0)), 0xFF0000u);
  EXPECT_EQ(Rgb(CellX(1), CellY(0)), 0x00FF00u);
  EXPECT_EQ(Rgb(CellX(2), CellY(0)), 0x0000FFu);
  EXPECT_EQ(Rgb(CellX(0), CellY(1)), 0xFFFFFFu);  // the fourth starts the second row
  EXPECT_EQ(Rgb(CellX(1), CellY(1)), 0u);
  EXPECT_EQ(Rgb(CellX(2), CellY(1)), 0u);
  // Each picture is fitted into its 96 x 97 cell: 96 x 96, centred.
  EXPECT_EQ(Count(100, 100, 200, 200, 0xFF0000), 96 * 96);
  EXPECT_EQ(Rgb(100, 100), 0xFF0000u);
  EXPECT_EQ(Rgb(195, 195), 0xFF0000u);
  EXPECT_EQ(Rgb(196, 100), 0u);
  // The image's own tint and angle apply; its position and visibility do not.
  images_[3]->Colour = 0xFF00FFFF;
  images_[0]->SetAngle(45);
  images_[0]->Vis = false;
  Render();
  EXPECT_EQ(Rgb(CellX(0), CellY(1)), 0x00FFFFu);
  EXPECT_EQ(Rgb(CellX(0), CellY(0)), 0xFF0000u);
  EXPECT_EQ(Rgb(101, 101), 0u);
  // Not drawn at other layers.
  list_->SetOrder(1);
  frame_.Fill(0xFF000000u);
  screen_->Paint(0, 0xFFFFFFFF, 0, 0, 0);
  EXPECT_EQ(Extent()[0], -1);
}

TEST_F(ImListTest, MovingBetweenEntriesRunsOutThenInWithTheNewSelection) {
  for (int i = 0; i < 4; ++i) list_->AddEntry(images_[i]);
  Script(list_, Ev::MouseIn);
  Script(list_, Ev::MouseOut);
  std::vector<std::string> selected;
  OnRun() = [&](TQZElement& e, const char* context) {
    Value v;
    if (&e == list_ && list_->GetValue("SELEL", v)) {
      TQZElement* sel = TQZElement::FromHandle(static_cast<uint32_t>(v.i));
      selected.push_back(std::string(context) + "=" + (sel ? sel->Id : "none"));
    }
  };
  root_.PointerMove(CellX(0), CellY(0));
  // Entering over an entry: once from the entry tracking, once from the protocol.
  EXPECT_EQ(Runs(), (std::vector<std::string>{"Inv:ms_In", "Inv:ms_In"}));
  EXPECT_EQ(root_.Hovered(), list_);
  Runs().clear();
  selected.clear();
  root_.PointerMove(CellX(1), CellY(0));
  EXPECT_EQ(Runs(), (std::vector<std::string>{"Inv:ms_Out", "Inv:ms_In"}));
  EXPECT_EQ(selected, (std::vector<std::string>{"ms_Out=E0", "ms_In=E1"}));
  // Within the same entry nothing runs.
  Runs().clear();
  root_.PointerMove(CellX(1) + 5, CellY(0) + 5);
  EXPECT_TRUE(Runs().empty());
  // A point in the gap belongs to the cell to its left.
  root_.PointerMove(199, 150);
  EXPECT_EQ(list_->Hovered, 0);
  Value v;
  list_->GetValue("SELEL", v);
  EXPECT_EQ(v.i, images_[0]->Handle());
}

TEST_F(ImListTest, BeyondTheLastEntryTheListIsHoveredWithoutEntry) {
  for (int i = 0; i < 4; ++i) list_->AddEntry(images_[i]);
  Script(list_, Ev::MouseIn);
  Script(list_, Ev::MouseOut);
  Script(list_, Ev::MouseDown);
  Script(images_[1], Ev::MouseDown);
  Script(&root_, Ev::MouseDown);
  root_.PointerMove(CellX(2), CellY(1));
  EXPECT_EQ(root_.Hovered(), list_);
  EXPECT_EQ(list_->Hovered, -1);
  EXPECT_TRUE(Runs().empty());
  root_.ButtonDown(CellX(2), CellY(1));
  root_.ButtonUp(CellX(2), CellY(1));
  EXPECT_TRUE(Runs().empty());  // no entry: no press; NoMsQZDB keeps the root out
  // A press on an entry reaches its image, then the list.
  root_.ButtonDown(CellX(1), CellY(0));
  // The list was hovered already: only the entry tracking runs exMouseIn.
  EXPECT_EQ(Runs(), (std::vector<std::string>{"Inv:ms_In", "E1:ms_Down", "Inv:ms_Down"}));
}

TEST_F(ImListTest, InvisibleListStillTracksAndAnswersHitTests) {
  list_->AddEntry(images_[0]);
  list_->Vis = false;
  list_->MousedVis = false;
  EXPECT_EQ(HitAt(CellX(0), CellY(0)), list_);
  EXPECT_EQ(list_->Hovered, 0);
  EXPECT_EQ(HitAt(5, 5), nullptr);
  EXPECT_EQ(list_->Hovered, -1);
  // Other layers change nothing.
  list_->Hovered = 0;
  EXPECT_EQ(list_->HitTest(3, CellX(1), CellY(1), 0, 0), nullptr);
  EXPECT_EQ(list_->Hovered, 0);
}

TEST_F(ImListTest, ElementsTextRoundTripsAndSkipsWhatIsNotAnImage) {
  list_->AddEntry(images_[2]);
  list_->AddEntry(images_[0]);
  Value v;
  ASSERT_TRUE(list_->GetValue("ELEMENTS", v));
  EXPECT_EQ(v.s, "42;40;");
  auto* shape = Add<TQZShape>(screen_, "TQZShape");
  shape->SetKey(77);
  ASSERT_TRUE(list_->SetValue("ELEMENTS", Value::String(" 41 ;77;x;;999; 43;")));
  list_->GetValue("ELEMENTS", v);
  EXPECT_EQ(v.s, "41;43;");
  list_->SetValue("ELEMENTS", Value::String(""));
  EXPECT_TRUE(list_->Entries.empty());
  list_->GetValue("ELEMENTS", v);
  EXPECT_EQ(v.s, "");
}

TEST_F(ImListTest, StateFileSavesAndRestoresTheEntries) {
  list_->AddEntry(images_[3]);
  list_->AddEntry(images_[1]);
  list_->Entries[0].zoom = 1.4;
  const std::string saved = BuildState(root_);
  list_->ClearEntries();
  list_->AddEntry(images_[4]);
  ApplyState(root_, saved, {});
  ASSERT_EQ(list_->Entries.size(), 2u);
  EXPECT_EQ(list_->Entries[0].image, images_[3]);
  EXPECT_EQ(list_->Entries[1].image, images_[1]);
  EXPECT_EQ(list_->Entries[0].zoom, 1.0);
  EXPECT_EQ(list_->ElWidth, 96);
}

TEST_F(ImListTest, RemovingEntriesLeavesNoStaleSelection) {
  for (int i = 0; i < 3; ++i) list_->AddEntry(images_[i]);
  Script(images_[2], Ev::MouseDown);
  Script(list_, Ev::MouseDown);
  HitAt(CellX(2), CellY(0));
  ASSERT_EQ(list_->Hovered, 2);
  EXPECT_TRUE(list_->RemoveEntryById("E1"));
  EXPECT_FALSE(list_->RemoveEntryById("e0"));  // letter case counts
  EXPECT_TRUE(list_->RemoveEntry(images_[0]));
  EXPECT_FALSE(list_->RemoveEntry(images_[0]));
  EXPECT_EQ(list_->Hovered, 2);  // not adjusted until the next hit test...
  EXPECT_EQ(list_->HoveredEntry(), -1);  // ...but no entry
  Value v;
  list_->GetValue("SELEL", v);
  EXPECT_EQ(v.i, 0);
  list_->DoMouseDown();
  list_->DoMouseOut();
  EXPECT_TRUE(Runs().empty());
  list_->DoProcess();
  Render();
  EXPECT_EQ(Rgb(CellX(0), CellY(0)), 0x0000FFu);
}

// Degenerate grids: no cell pitch, and the strip that truncated cells leave
// beyond the last column, point at no entry.
TEST_F(ImListTest, DegenerateGridsHoverNoEntry) {
  for (int i = 0; i < 5; ++i) list_->AddEntry(images_[i]);
  list_->SetSpace(-300);  // cells of (300 + 600) div 3 = 300: a pitch of 0
  ASSERT_EQ(list_->ElWidth, 300);
  EXPECT_EQ(HitAt(CellX(0), CellY(0)), list_);
  EXPECT_EQ(list_->HoveredEntry(), -1);
  list_->SetSpace(0);
  list_->SetSizeX(310);  // cells of 103: the pixel column 309 lies beyond the third
  EXPECT_EQ(list_->ElWidth, 103);
  HitAt(100 + 308, 110);
  EXPECT_EQ(list_->HoveredEntry(), 2);
  HitAt(100 + 309, 110);
  EXPECT_EQ(list_->HoveredEntry(), -1);  // not the first entry of the next row
  list_->SetSizeY(221);  // rows of 110: the pixel row 220 lies beyond the second
  HitAt(150, 100 + 219);
  EXPECT_EQ(list_->HoveredEntry(), 3);
  HitAt(150, 100 + 220);
  EXPECT_EQ(list_->HoveredEntry(), -1);
}

TEST_F(ImListTest, HoveredEntryGrowsToScaleAndIsDrawnOnTop) {
  list_->SetSpace(0);
  list_->SetSizeX(300);  // cells of 100 x 100
  list_->SetSizeY(200);
  list_->AddEntry(images_[0]);
  list_->AddEntry(images_[1]);
  list_->Scale = 1.5;
  Script(list_, Ev::Process);
  HitAt(150, 150);
  for (int i = 0; i < 30; ++i) list_->DoProcess();
  EXPECT_TRUE(Runs().empty());  // the list's own exProcess does not run
  EXPECT_GE(list_->Entries[0].zoom, 1.5);
  EXPECT_LT(list_->Entries[0].zoom, 1.56);
  EXPECT_EQ(list_->Entries[1].zoom, 1.0);
  Render();
  // The red picture is 150 pixels wide about its cell's centre, over the green one.
  EXPECT_EQ(Rgb(150 + 74, 150), 0xFF0000u);
  EXPECT_EQ(Rgb(150 + 76, 150), 0x00FF00u);
  // Leaving: it shrinks back to exactly 1.
  HitAt(250, 150);
  EXPECT_EQ(list_->Hovered, 1);
  for (int i = 0; i < 3; ++i) list_->DoProcess();
  EXPECT_NEAR(list_->Entries[0].zoom, 1.2, 1e-9);
  for (int i = 0; i < 10; ++i) list_->DoProcess();
  EXPECT_EQ(list_->Entries[0].zoom, 1.0);
  EXPECT_GT(list_->Entries[1].zoom, 1.0);
}

TEST_F(ImListTest, ResourcesOfTheEntriesLoadWithTheList) {
  list_->AddEntry(images_[0]);
  root_.ClearResourcesLoaded();
  images_[0]->rX = 0;
  screen_->MoveChildToEnd(list_);
  // Detached from drawing: only the list loads the image's resources.
  images_[0]->Vis = false;
  list_->LoadResources();
  EXPECT_TRUE(images_[0]->ResourcesLoaded);
  list_->ReloadResources();
  EXPECT_TRUE(images_[0]->PictureLoaded());
  // AddEntry ignores null and scrolls to the top.
  list_->FirstRow = 3;
  list_->AddEntry(nullptr);
  EXPECT_EQ(list_->Entries.size(), 1u);
  list_->AddEntry(images_[1]);
  EXPECT_EQ(list_->FirstRow, 0);
}

}  // namespace
}  // namespace visual_test
}  // namespace scene
