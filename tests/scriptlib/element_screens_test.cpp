// Screen switches from scripts: SetScreen's preparation and its completion
// by LoadIm, EndLoadIm, FastSetScreen with its hover update, and
// FastSetScreenNS keeping the hovered element.

#include <gtest/gtest.h>

#include "element_fixture.h"
#include "scene/image_element.h"
#include "scene/screen.h"
#include "scene/text_element.h"

namespace scriptlib_test {
namespace {

using scene::Ev;

class ScreenNatives : public ElementGame {
 protected:
  void SetUp() override {
    ElementGame::SetUp();
    for (const char* name : {"hall.png", "room.png", "always.png", "extra.png"})
      Png(name, 100, 100, [](int, int) { return 0xFF808080u; });
    hall_ = Add<scene::TQZScreen>(&root_, "TQZScreen", "Hall", 10);
    hdoor_ = Add<scene::TQZImage>(hall_, "TQZImage", "HDoor", 11);
    edit_ = Add<scene::TQZText>(hall_, "TQZText", "Edit", 12);
    edit_->rX = 800;
    room_ = Add<scene::TQZScreen>(&root_, "TQZScreen", "Room", 20);
    rdoor_ = Add<scene::TQZImage>(room_, "TQZImage", "RDoor", 21);
    always_ = Add<scene::TQZScreen>(&root_, "TQZScreen", "Always", 30);
    always_->AllwaysLoad = true;
    auto* aimage = Add<scene::TQZImage>(always_, "TQZImage", "AImage", 31);
    loader_ = Add<scene::TQZScreen>(&root_, "TQZScreen", "Loader", 40);
    extra_ = Add<scene::TQZScreen>(&root_, "TQZScreen", "Extra", 50);
    auto* eimage = Add<scene::TQZImage>(extra_, "TQZImage", "EImage", 51);
    hdoor_->SetImImage("hall.png");
    // The other screens' pictures are registered but not loaded yet.
    cache_.SetLoadNow(false);
    rdoor_->SetImImage("room.png");
    aimage->SetImImage("always.png");
    eimage->SetImImage("extra.png");
    cache_.SetLoadNow(true);

    Script(hdoor_, Ev::MouseIn, "QZDB.TAG := QZDB.TAG + 'i'");
    Script(hdoor_, Ev::MouseOut, "QZDB.TAG := QZDB.TAG + 'o'");
    Script(rdoor_, Ev::MouseIn, "QZDB.TAG := QZDB.TAG + 'I'");
    Script(room_, Ev::Show, "QZDB.TAG := QZDB.TAG + 'w'");
    root_.SetScriptText(root_.exSetScreen, "QZDB.TAG := QZDB.TAG + 's'");

    root_.SetCurrentScreen(hall_);
    root_.PointerMove(50, 50);
    root_.SetFocusedText(edit_);
    Run("AddStar(0, 1, 1, 1, 0, 0, 0, 0); AddStar(0, 1, 1, 1, 0, 0, 0, 0, 0, '', 3)");
    EXPECT_EQ(root_.Hovered(), hdoor_);
    EXPECT_EQ(root_.Tag, "i");
    EXPECT_EQ(root_.Stars().ActiveCount(), 2);
  }

  void ExpectSwitchCleared() {
    EXPECT_EQ(root_.Stars().ActiveCount(), 0);
    EXPECT_EQ(root_.FocusedText(), nullptr);
  }

  scene::TQZScreen *hall_ = nullptr, *room_ = nullptr, *always_ = nullptr, *loader_ = nullptr,
                   *extra_ = nullptr;
  scene::TQZImage *hdoor_ = nullptr, *rdoor_ = nullptr;
  scene::TQZText* edit_ = nullptr;
};

// A first argument that is no screen changes nothing; the script goes on.
TEST_F(ScreenNatives, SetScreenWithoutAScreenDoesNothing) {
  ASSERT_EQ(Run("SetScreen(QZDB.HALL.HDOOR); SetScreen(5); SetScreen; SetScreen(NIL);"
                " SetScreen('Room'); OK := 1"),
            "");
  EXPECT_EQ(Var("OK"), "Integer:1");
  EXPECT_FALSE(scene::IsLoading());
  EXPECT_EQ(root_.PendingScreen(), nullptr);
  EXPECT_EQ(root_.CurrentScreen(), hall_);
  EXPECT_EQ(root_.Stars().ActiveCount(), 2);
  EXPECT_EQ(root_.FocusedText(), edit_);
  EXPECT_EQ(host_.clockResets, 0);
}

// SetScreen prepares: the pending screen, what is kept loaded, the images
// counted (not loaded) with the load-now switch off, the loading screen
// re-initialised. LoadIm completes; EndLoadIm ends the phase.
TEST_F(ScreenNatives, SetScreenPreparesAndLoadImCompletes) {
  root_.LoadingScreen = 40;
  Script(loader_, Ev::Init, "TAG := TAG + 'r'");
  ASSERT_EQ(Run("SetScreen(QZDB.ROOM, QZDB.EXTRA, 7);"
                " N := IMFORLOADCOUNT; P := IMFORLOADPOS; L := CURRENTSCREEN = QZDB.HALL"),
            "");
  EXPECT_TRUE(scene::IsLoading());
  EXPECT_EQ(root_.PendingScreen(), room_);
  EXPECT_EQ(root_.CurrentScreen(), hall_);
  ExpectSwitchCleared();
  EXPECT_TRUE(room_->KeepLoaded);
  EXPECT_TRUE(always_->KeepLoaded);
  EXPECT_TRUE(extra_->KeepLoaded);
  EXPECT_FALSE(hall_->KeepLoaded);
  EXPECT_FALSE(loader_->KeepLoaded);
  // Room and Extra were only counted; Always loaded at once (the switch was still on).
  EXPECT_EQ(Var("N"), "Integer:2");
  EXPECT_EQ(Var("P"), "Integer:1");
  EXPECT_EQ(Var("L"), "Boolean:True");
  EXPECT_FALSE(rdoor_->PictureLoaded());
  EXPECT_TRUE(cache_.LoadNow());
  EXPECT_EQ(loader_->Tag, "r");
  EXPECT_EQ(host_.clockResets, 1);
  EXPECT_EQ(root_.Tag, "i");
  EXPECT_EQ(root_.Hovered(), hdoor_);

  ASSERT_EQ(Run("LoadIm; N := IMFORLOADCOUNT; P := IMFORLOADPOS"), "");
  EXPECT_EQ(root_.CurrentScreen(), room_);
  EXPECT_TRUE(rdoor_->PictureLoaded());
  EXPECT_EQ(root_.Hovered(), nullptr);
  EXPECT_EQ(root_.Tag, "iosw");
  EXPECT_EQ(Var("N"), "Integer:3");
  EXPECT_EQ(Var("P"), "Integer:2");  // room and extra; always stayed loaded
  EXPECT_TRUE(scene::IsLoading());
  ASSERT_EQ(Run("EndLoadIm"), "");
  EXPECT_FALSE(scene::IsLoading());

  // Without a loading phase LoadIm does nothing at all (not even a frame).
  const int frames = host_.frames;
  ASSERT_EQ(Run("LoadIm; LoadIm(1, 2)"), "");
  EXPECT_EQ(host_.frames, frames);
  EXPECT_EQ(root_.Tag, "iosw");
}

// The hover follows the new screen: the old element gets mouse-out, the new
// one under the pointer mouse-in, after exSetScreen and Show.
TEST_F(ScreenNatives, FastSetScreenUpdatesTheHover) {
  ASSERT_EQ(Run("FastSetScreen(QZDB.ROOM, QZDB.EXTRA)"), "");
  EXPECT_EQ(root_.CurrentScreen(), room_);
  EXPECT_EQ(root_.Hovered(), rdoor_);
  EXPECT_EQ(root_.Tag, "ioswI");
  EXPECT_TRUE(rdoor_->PictureLoaded());
  EXPECT_FALSE(scene::IsLoading());
  EXPECT_EQ(root_.PendingScreen(), nullptr);
  ExpectSwitchCleared();
  EXPECT_EQ(host_.clockResets, 1);
}

TEST_F(ScreenNatives, FastSetScreenWithNothingUnderThePointer) {
  root_.PointerMove(500, 500);
  ASSERT_EQ(root_.Tag, "io");
  ASSERT_EQ(Run("FastSetScreen(QZDB.ROOM)"), "");
  EXPECT_EQ(root_.Hovered(), nullptr);
  EXPECT_EQ(root_.Tag, "iosw");
}

// A switch made again inside exSetScreen hovers the element once: the outer
// switch finds it hovered already and sends no second mouse-in.
TEST_F(ScreenNatives, FastSetScreenNestedInExSetScreen) {
  root_.SetScriptText(root_.exSetScreen,
                      "QZDB.TAG := QZDB.TAG + 's'; IF QZDB.TAG = 'ios' THEN FastSetScreen(QZDB.ROOM)");
  ASSERT_EQ(Run("FastSetScreen(QZDB.ROOM)"), "");
  EXPECT_EQ(root_.Tag, "iosswIw");
  EXPECT_EQ(root_.Hovered(), rdoor_);
}

// Elements on a higher layer of the new screen are found first, as the
// pointer protocol finds them.
TEST_F(ScreenNatives, FastSetScreenHitTestsFromTheTopLayer) {
  auto* top = Add<scene::TQZImage>(room_, "TQZImage", "Top", 22);
  top->SetImImage("room.png");
  top->SetOrder(2);
  Script(top, Ev::MouseIn, "QZDB.TAG := QZDB.TAG + 'T'");
  ASSERT_EQ(Run("FastSetScreen(QZDB.ROOM)"), "");
  EXPECT_EQ(root_.Hovered(), top);
  EXPECT_EQ(root_.Tag, "ioswT");
}

// No scripts, no Show, no hover update: the old screen's element stays
// hovered until the pointer next moves.
TEST_F(ScreenNatives, FastSetScreenNSKeepsTheHoveredElement) {
  ASSERT_EQ(Run("FastSetScreenNS(QZDB.ROOM)"), "");
  EXPECT_EQ(root_.CurrentScreen(), room_);
  EXPECT_EQ(root_.Hovered(), hdoor_);
  EXPECT_EQ(root_.Tag, "i");
  EXPECT_TRUE(rdoor_->PictureLoaded());
  ExpectSwitchCleared();
  EXPECT_EQ(host_.clockResets, 1);
  root_.PointerMove(51, 51);
  EXPECT_EQ(root_.Hovered(), rdoor_);
  EXPECT_EQ(root_.Tag, "ioI");
}

}  // namespace
}  // namespace scriptlib_test
