// Element events across the tree and the pointer protocol with real shapes
// (boxes hit where they are): probe, capture with MsKeep, the root's shared
// hover scripts, NoMsQZDB, AutoInit and invisible subtrees. Script runs are
// recorded by a stand-in runner.

#include <gtest/gtest.h>

#include "scene/db.h"
#include "scene/screen.h"
#include "scene/shape_element.h"

namespace scene {
namespace {

std::vector<std::string>& Log() {
  static std::vector<std::string> lines;
  return lines;
}

// "<Id>:<context>" for every script that has text; the root shows as QZDB.
void Record(TQZElement& e, const script::ScriptSlot& slot, const char* context,
            script::TVarList* sink) {
  if (slot.Source.empty()) return;
  Log().push_back((e.Root() == &e ? std::string("QZDB") : e.Id) + ":" + context);
  // An initialisation script that re-initialises its own element (the Init
  // native) replaces the element's variables while its sink is in use.
  if (slot.Source == "reinit-self" && std::string(context) == "Init") e.DoReinit();
  if (sink) sink->Append({"SEEN", script::Value::Integer(1)});
}

class Events : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = GetScriptHooks();
    GetScriptHooks().Run = &Record;
    GetScriptHooks().Prepare = nullptr;
    Log().clear();
    screen_ = static_cast<TQZScreen*>(root_.CreateChild("TQZScreen"));
    screen_->SetId("S");
    root_.SetCurrentScreen(screen_);
  }
  void TearDown() override { GetScriptHooks() = saved_; }

  TQZShape* Box(const std::string& id, int x, int y, int w = 20, int h = 20) {
    auto* b = static_cast<TQZShape*>(screen_->CreateChild("TQZShape"));
    b->SetId(id);
    b->rX = x;
    b->rY = y;
    b->SizeX = w;
    b->SizeY = h;
    return b;
  }
  void Script(TQZElement& e, Ev ev) { e.SetScriptText(e.Script(ev), "x"); }
  std::vector<std::string> Take() { return std::exchange(Log(), {}); }

  ScriptHooks saved_;
  TQZDB root_;
  TQZScreen* screen_ = nullptr;
};

TEST_F(Events, PressBesideAnElementReachesItThroughTheProbe) {
  TQZShape* b = Box("B", 100, 100);
  Script(*b, Ev::MouseDown);
  root_.ButtonDown(99, 110);  // one pixel left of the box; nothing under the exact point
  auto log = Take();
  ASSERT_FALSE(log.empty());
  EXPECT_NE(std::find(log.begin(), log.end(), "B:ms_Down"), log.end());
  EXPECT_EQ(root_.Pressed(), b);
}

TEST_F(Events, MsKeepHoldsTheHoverUntilTheFirstMoveAfterRelease) {
  TQZShape* b = Box("B", 100, 100);
  b->MsKeep = true;
  Script(*b, Ev::MouseMove);
  Script(*b, Ev::MouseOut);
  root_.ButtonDown(110, 110);
  Take();
  root_.PointerMove(300, 300);  // dragged off
  EXPECT_EQ(Take(), std::vector<std::string>{"B:ms_Move"});
  EXPECT_EQ(root_.Hovered(), b);
  root_.ButtonUp(300, 300);  // still kept while the button counted as held
  EXPECT_EQ(root_.Hovered(), b);
  Take();
  root_.PointerMove(301, 300);
  EXPECT_EQ(Take(), std::vector<std::string>{"B:ms_Out"});
  EXPECT_EQ(root_.Hovered(), nullptr);
}

TEST_F(Events, RootHoverScriptsAndNoMsQZDB) {
  TQZShape* a = Box("A", 0, 0);
  TQZShape* b = Box("B", 100, 0);
  b->NoMsQZDB = true;
  Script(root_, Ev::MouseIn);
  Script(root_, Ev::MouseOut);
  Script(root_, Ev::MouseDown);
  Script(root_, Ev::MouseUp);
  Script(*a, Ev::MouseIn);
  root_.PointerMove(5, 5);
  // The element's own script, then the root's, with the element current.
  EXPECT_EQ(Take(), (std::vector<std::string>{"A:ms_In", "A:ms_In"}));
  root_.PointerMove(105, 5);
  EXPECT_EQ(Take(), (std::vector<std::string>{"A:ms_Out", "B:ms_In"}));
  root_.ButtonDown(105, 5);
  root_.ButtonUp(105, 5);
  EXPECT_TRUE(Take().empty());  // B keeps the root out of its presses
  root_.ButtonDown(5, 5);
  auto log = Take();
  EXPECT_NE(std::find(log.begin(), log.end(), "QZDB:ms_Down"), log.end());
}

TEST_F(Events, NoHitTestingWithoutACurrentScreen) {
  Box("A", 0, 0);
  root_.SetCurrentScreen(nullptr);
  root_.PointerMove(5, 5);
  EXPECT_EQ(root_.Hovered(), nullptr);
}

TEST_F(Events, AutoInitFalseSkipsASubtreeAndInvisibleParentsSkipProcess) {
  TQZShape* a = Box("A", 0, 0);
  Script(*a, Ev::Init);
  Script(*a, Ev::Process);
  auto* other = static_cast<TQZScreen*>(root_.CreateChild("TQZScreen"));
  other->SetId("Other");
  other->AutoInit = false;
  auto* inner = other->CreateChild("TQZShape");
  inner->SetId("Inner");
  Script(*inner, Ev::Init);
  root_.DoInit();
  EXPECT_EQ(Take(), std::vector<std::string>{"A:Init"});
  EXPECT_TRUE(other->Initialised);
  EXPECT_FALSE(inner->Initialised);
  other->DoReinit();  // the Init native on that screen
  EXPECT_EQ(Take(), std::vector<std::string>{"Inner:InitPr"});

  screen_->DoProcess();
  EXPECT_EQ(Take(), std::vector<std::string>{"A:Process"});
  screen_->Vis = false;
  screen_->MousedNotVis = false;
  screen_->DoProcess();
  EXPECT_TRUE(Take().empty());
}

TEST_F(Events, InitScriptReinitialisingItsOwnElementKeepsItsSinkAlive) {
  TQZShape* a = Box("A", 0, 0);
  a->SetScriptText(a->Script(Ev::Init), "reinit-self");
  root_.DoInit();
  ASSERT_NE(a->Vars, nullptr);
  // The list of the inner re-initialisation is the element's; the outer run
  // wrote into the list it started with.
  EXPECT_EQ(a->Vars->Count(), 1u);
}

}  // namespace
}  // namespace scene
