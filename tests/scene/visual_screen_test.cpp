// Screens and embedded screens drawn into a real frame: backgrounds, the
// render script, modal hit tests, anchored embedding, event forwarding and
// the cut of embedding cycles.

#include <algorithm>

#include "scene/ex_screen.h"
#include "scene/shape_element.h"
#include "tests/scene/visual_fixture.h"

namespace scene {
namespace visual_test {
namespace {

using ScreenTest = VisualTest;

TEST_F(ScreenTest, BackgroundSizesTheScreenAndIsDrawnAtTheOffsetNotAtRX) {
  SolidPng("back.png", 800, 600, kRed);
  TQZScreen* s = NewScreen();
  s->SetImBack("back.png");
  EXPECT_EQ(s->SizeX, 800);
  EXPECT_EQ(s->SizeY, 600);
  EXPECT_EQ(s->GetImBack(), "BACK.PNG");
  // The screen's position moves its elements, not its background.
  s->rX = 50;
  auto* child = Add<TQZShape>(s, "TQZShape");
  child->SizeX = child->SizeY = 10;
  child->Colour = kGreen;
  Render();
  EXPECT_EQ(Rgb(0, 0), 0xFF0000u);
  EXPECT_EQ(Rgb(799, 599), 0xFF0000u);
  EXPECT_EQ(Rgb(800, 599), 0u);
  EXPECT_EQ(Rgb(50, 0), 0x00FF00u);
  EXPECT_EQ(Rgb(49, 0), 0xFF0000u);
}

TEST_F(ScreenTest, ImBackOfAnUnloadedImageKeepsTheSizeUntilAssignedLoaded) {
  SolidPng("back.png", 640, 480, kRed);
  TQZScreen* s = NewScreen();
  s->SizeX = 10;
  cache_.SetLoadNow(false);
  s->SetImBack("back.png");
  EXPECT_EQ(s->SizeX, 10);
  EXPECT_EQ(s->GetImBack(), "BACK.PNG");
  cache_.SetLoadNow(true);
  cache_.RequestImage("back.png");  // loaded now, but ImBack was not assigned again
  EXPECT_EQ(s->SizeX, 10);
  s->SetImBack(s->GetImBack());
  EXPECT_EQ(s->SizeX, 640);
  EXPECT_EQ(s->SizeY, 480);
  // An empty name is no background; a missing image draws nothing.
  s->SetImBack("");
  EXPECT_EQ(s->Background(), nullptr);
  s->SetImBack("missing.png");
  Render();
  EXPECT_EQ(Extent()[0], -1);
}

TEST_F(ScreenTest, RenderScriptRunsOncePerFrameBetweenBackgroundAndElements) {
  SolidPng("back.png", 100, 100, kRed);
  TQZScreen* s = NewScreen();
  s->SetId("S");
  s->SetImBack("back.png");
  Script(s, Ev::Render);
  auto* top = Add<TQZShape>(s, "TQZShape");
  top->SetOrder(2);
  top->Colour = kGreen;
  uint32_t seen = 1;
  OnRun() = [&](TQZElement&, const char* context) {
    if (std::string(context) == "Render") seen = Rgb(50, 50);
  };
  Render();
  EXPECT_EQ(Runs(), std::vector<std::string>{"S:Render"});
  EXPECT_EQ(seen, 0xFF0000u);  // background drawn, element not yet
  EXPECT_EQ(Rgb(50, 50), 0x00FF00u);
}

TEST_F(ScreenTest, ModalScreenTakesTheHitsOfItsLayerAndStopsLowerLayers) {
  TQZScreen* s = NewScreen();
  auto* low = Add<TQZShape>(s, "TQZShape");
  EXPECT_EQ(HitAt(50, 50), low);
  EXPECT_EQ(HitAt(500, 500), nullptr);  // not modal: nothing there
  s->Modal = true;
  EXPECT_EQ(HitAt(500, 500), s);
  EXPECT_EQ(HitAt(50, 50), low);
  // At a layer above the shape the modal screen hides it.
  s->SetOrder(3);
  EXPECT_EQ(HitAt(50, 50), s);
  // An invisible screen without MousedNotVis takes nothing.
  s->MousedNotVis = false;
  s->Vis = false;
  EXPECT_EQ(HitAt(500, 500), nullptr);
}

// A host screen (red, 1024 x 768) and an 800 x 600 blue screen embedded at
// (512, 384) by its centre, with a 20 x 20 clickable shape at its (0, 0).
struct Embedded {
  TQZScreen* host;
  TQZScreen* inner;
  TQZExScreen* ex;
  TQZShape* corner;
};

Embedded MakeEmbedded(VisualTest& t, TQZDB& root) {
  Embedded g;
  g.host = dynamic_cast<TQZScreen*>(root.CreateChild("TQZScreen"));
  g.host->SetKey(1);
  g.host->SetId("Host");
  g.host->SetImBack("host.png");
  g.inner = dynamic_cast<TQZScreen*>(root.CreateChild("TQZScreen"));
  g.inner->SetKey(2);
  g.inner->SetId("Inner");
  g.inner->SetImBack("inner.png");
  g.corner = dynamic_cast<TQZShape*>(g.inner->CreateChild("TQZShape"));
  g.corner->SetId("Corner");
  g.corner->SizeX = g.corner->SizeY = 20;
  g.corner->Colour = kGreen;
  g.ex = dynamic_cast<TQZExScreen*>(g.host->CreateChild("TQZExScreen"));
  g.ex->SetId("Ex");
  g.ex->PosHor = TQZPosHor::phCenter;
  g.ex->PosVert = TQZPosVert::pvCenter;
  g.ex->SetPos(512, 384);
  g.ex->SetObScreen(2);
  root.SetCurrentScreen(g.host);
  (void)t;
  return g;
}

TEST_F(ScreenTest, CentredEmbeddedScreenIsDrawnAndClickedAtItsAnchoredCorner) {
  SolidPng("host.png", 1024, 768, kRed);
  SolidPng("inner.png", 800, 600, kBlue);
  Embedded g = MakeEmbedded(*this, root_);
  Script(g.corner, Ev::MouseDown);
  EXPECT_EQ(g.ex->GetSizeX(), 800);
  EXPECT_EQ(g.ex->GetAbsX(), 112);
  EXPECT_EQ(g.ex->GetAbsY(), 84);
  Render();
  EXPECT_EQ(Rgb(111, 300), 0xFF0000u);
  EXPECT_EQ(Rgb(112, 84), 0x00FF00u);  // the corner element covers the top-left
  EXPECT_EQ(Rgb(132, 84), 0x0000FFu);
  EXPECT_EQ(Rgb(911, 683), 0x0000FFu);
  EXPECT_EQ(Rgb(912, 683), 0xFF0000u);
  EXPECT_EQ(Rgb(911, 684), 0xFF0000u);
  EXPECT_EQ(HitAt(112, 84), g.corner);
  root_.ButtonDown(112, 84);
  EXPECT_EQ(Runs(), std::vector<std::string>{"Corner:ms_Down"});
  // Other anchors.
  g.ex->PosHor = TQZPosHor::phRight;
  g.ex->PosVert = TQZPosVert::pvBottom;
  EXPECT_EQ(g.ex->AnchoredLeft(), 512 - 800);
  EXPECT_EQ(g.ex->AnchoredTop(), 384 - 600);
}

TEST_F(ScreenTest, EmbeddingNoScreenHasNoSizeDrawsNothingAndIsHitOnlyWhenModal) {
  TQZScreen* s = NewScreen();
  auto* ex = Add<TQZExScreen>(s, "TQZExScreen");
  ex->SetObScreen(99);
  ex->SetPos(10, 10);
  EXPECT_EQ(ex->GetSizeX(), 0);
  EXPECT_EQ(ex->GetSizeY(), 0);
  Render();
  EXPECT_EQ(Extent()[0], -1);
  EXPECT_EQ(HitAt(10, 10), nullptr);
  ex->Modal = true;
  EXPECT_EQ(HitAt(700, 10), ex);
  // Only root children that are screens are embedded: a key of an element is not.
  auto* shape = Add<TQZShape>(s, "TQZShape");
  shape->SetKey(77);
  ex->SetObScreen(77);
  EXPECT_EQ(ex->GetSizeX(), 0);
}

TEST_F(ScreenTest, BecomingVisibleShowsTheEmbeddedScreenTwice) {
  SolidPng("host.png", 4, 4, kRed);
  SolidPng("inner.png", 4, 4, kBlue);
  Embedded g = MakeEmbedded(*this, root_);
  Script(g.inner, Ev::Show);
  Script(g.corner, Ev::Show);
  Script(g.ex, Ev::Show);
  g.ex->SetVis(false);
  g.ex->SetVis(false);
  EXPECT_TRUE(Runs().empty());
  g.ex->SetVis(true);
  EXPECT_EQ(Runs(), (std::vector<std::string>{"Inner:Show", "Corner:Show", "Ex:Show", "Inner:Show",
                                              "Corner:Show"}));
  Runs().clear();
  g.ex->SetVis(true);
  EXPECT_TRUE(Runs().empty());
}

TEST_F(ScreenTest, ProcessingOffStopsProcessButNotDrawing) {
  SolidPng("host.png", 1024, 768, kRed);
  SolidPng("inner.png", 800, 600, kBlue);
  Embedded g = MakeEmbedded(*this, root_);
  Script(g.corner, Ev::Process);
  Script(g.ex, Ev::Process);
  g.host->DoProcess();
  EXPECT_EQ(Runs(), (std::vector<std::string>{"Corner:Process", "Ex:Process"}));
  Runs().clear();
  g.ex->Processing = false;
  g.host->DoProcess();
  EXPECT_EQ(Runs(), std::vector<std::string>{"Ex:Process"});
  Render();
  EXPECT_EQ(Rgb(112, 84), 0x00FF00u);
  // Invisible without MousedNotVis: nothing at all.
  Runs().clear();
  g.ex->Vis = false;
  g.host->DoProcess();
  EXPECT_TRUE(Runs().empty());
}

TEST_F(ScreenTest, EmbeddingWidensTheLayerBoundsSoUpperLayersOfTheEmbeddedScreenDraw) {
  SolidPng("host.png", 1024, 768, kRed);
  SolidPng("inner.png", 800, 600, kBlue);
  Embedded g = MakeEmbedded(*this, root_);
  g.corner->SetOrder(5);
  EXPECT_EQ(g.host->MaxOrder, 0);
  Render();
  EXPECT_EQ(g.ex->Order, 0);
  EXPECT_EQ(g.ex->MaxOrder, 5);
  EXPECT_EQ(g.host->MaxOrder, 5);
  EXPECT_EQ(Rgb(112, 84), 0x00FF00u);
  // Forgetting the cached screen and resolving again keeps working.
  g.ex->SetObScreen(2);
  g.ex->ResolveScreen();
  EXPECT_EQ(g.ex->EmbeddedScreen(), g.inner);
}

TEST_F(ScreenTest, EventForwardingOrder) {
  SolidPng("host.png", 4, 4, kRed);
  SolidPng("inner.png", 4, 4, kBlue);
  Embedded g = MakeEmbedded(*this, root_);
  for (TQZElement* e : std::initializer_list<TQZElement*>{g.inner, g.ex}) {
    Script(e, Ev::Init);
    Script(e, Ev::Update);
  }
  g.ex->DoUpdate();
  EXPECT_EQ(Runs(), (std::vector<std::string>{"Inner:Update", "Ex:Update"}));
  Runs().clear();
  g.ex->DoInit();
  g.ex->DoInit();  // initialised: nothing
  EXPECT_EQ(Runs(), (std::vector<std::string>{"Inner:Init", "Ex:Init"}));
  Runs().clear();
  g.ex->DoReinit();
  EXPECT_EQ(Runs(), (std::vector<std::string>{"Inner:InitPr", "Ex:InitPr"}));
  // Resources: the embedded screen loads with the element.
  g.inner->ClearResourcesLoaded();
  g.ex->ResourcesLoaded = false;
  g.ex->LoadResources();
  EXPECT_TRUE(g.inner->ResourcesLoaded);
}

TEST_F(ScreenTest, AScreenEmbeddingItselfIsCutAtTheRepeatedLink) {
  SolidPng("a.png", 300, 300, kRed);
  TQZScreen* a = NewScreen(1);
  a->SetId("A");
  a->SetImBack("a.png");
  auto* ex = Add<TQZExScreen>(a, "TQZExScreen", "Ex");
  ex->SetObScreen(1);
  ex->SetPos(100, 100);
  Script(a, Ev::Show);
  Script(a, Ev::Process);
  Script(ex, Ev::Show);
  Render();  // terminates, draws A once
  EXPECT_EQ(Extent(), (std::array<int, 4>{0, 0, 299, 299}));
  EXPECT_EQ(HitAt(150, 150), nullptr);
  ex->Modal = true;
  EXPECT_EQ(HitAt(150, 150), ex);
  a->DoShow();
  EXPECT_EQ(Runs(), (std::vector<std::string>{"A:Show", "Ex:Show"}));
  Runs().clear();
  a->DoProcess();
  EXPECT_EQ(Runs(), std::vector<std::string>{"A:Process"});
  ex->SetVis(false);
  ex->SetVis(true);
  a->ReloadResources();
  a->DoReinit();
  ex->DoInit();
}

TEST_F(ScreenTest, AChainLeadingBackIsCutWhereItRepeatsAScreen) {
  SolidPng("a.png", 300, 300, kRed);
  SolidPng("b.png", 50, 50, kBlue);
  TQZScreen* a = NewScreen(1);
  a->SetId("A");
  a->SetImBack("a.png");
  auto* b = dynamic_cast<TQZScreen*>(root_.CreateChild("TQZScreen"));
  b->SetKey(2);
  b->SetId("B");
  b->SetImBack("b.png");
  auto* toB = Add<TQZExScreen>(a, "TQZExScreen", "ToB");
  toB->SetObScreen(2);
  toB->SetPos(100, 100);
  auto* toA = Add<TQZExScreen>(b, "TQZExScreen", "ToA");
  toA->SetObScreen(1);
  toA->SetPos(10, 10);
  Script(a, Ev::Show);
  Script(b, Ev::Show);
  Render();
  EXPECT_EQ(Rgb(99, 99), 0xFF0000u);
  EXPECT_EQ(Rgb(120, 120), 0x0000FFu);  // A is not drawn again inside B
  EXPECT_EQ(Rgb(149, 149), 0x0000FFu);
  EXPECT_EQ(Rgb(150, 150), 0xFF0000u);
  a->DoShow();
  EXPECT_EQ(Runs(), (std::vector<std::string>{"A:Show", "B:Show"}));
  // The same screen embedded twice side by side is no cycle.
  auto* again = Add<TQZExScreen>(a, "TQZExScreen", "Again");
  again->SetObScreen(2);
  again->SetPos(200, 0);
  Render();
  EXPECT_EQ(Rgb(220, 20), 0x0000FFu);
  EXPECT_EQ(Rgb(120, 120), 0x0000FFu);
}

}  // namespace
}  // namespace visual_test
}  // namespace scene
