// Element, screen and star natives in whole games run by the player: a switch
// with a loading phase completed by the frame loop or by a loading screen's
// LoadIm and EndLoadIm, SetScreen without a screen, the hover after
// FastSetScreen and FastSetScreenNS, every switch emptying the stars and the
// text focus, and stars drawn per layer in a screenshot.

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app_test_util.h"
#include "scene/db.h"
#include "support/bmp_file.h"

namespace app {
namespace {

using testing_support::TempDir;
using testing_support::WriteFile;

class NativesGame : public apptest::HeadlessGameTest {
 protected:
  // Runs the game for the given passes; the Tag of the element with the key
  // (of the root for kRootTag).
  static constexpr int32_t kRootTag = -1;
  std::string TagAfter(int64_t passes, int32_t key, const std::string& input = "") {
    TFormMain window(Options(passes, input));
    EXPECT_EQ(window.Run(), 0);
    scene::TQZDB* root = window.Root();
    scene::TQZElement* e = !root ? nullptr : key == kRootTag ? root : root->FindByKey(key);
    return e ? e->Tag : std::string("<none>");
  }
};

// Hall switches in the third pass (the first of normal play). The root counts
// its process steps in N; Room records exSetScreen (s), Show (w) and its
// process steps (p).
std::string SwitchGame(const std::string& hallProcess, const std::string& rootExtra) {
  return R"J({"class": "TQZDB",
    "props": {"Id": "Sw", "InitScreen": 10, "exInit": "N := 0",
              "exProcess": "N := N + 1",
              "exSetScreen": "QZDB.ROOM.TAG := QZDB.ROOM.TAG + 's' + IntToStr(N)")J" +
         rootExtra + R"J(},
    "children": [
      {"class": "TQZScreen", "props": {"Key": 10, "Id": "Hall", "exProcess": ")J" + hallProcess +
         R"J("},
       "children": [{"class": "TQZImage", "props": {"Key": 11, "Id": "HPic", "imImage": "hall.png"}}]},
      {"class": "TQZScreen",
       "props": {"Key": 20, "Id": "Room", "exShow": "TAG := TAG + 'w' + IntToStr(QZDB.N)",
                 "exProcess": "TAG := TAG + 'p'"},
       "children": [{"class": "TQZImage", "props": {"Key": 21, "Id": "A", "imImage": "a.png"}},
                    {"class": "TQZImage", "props": {"Key": 22, "Id": "B", "imImage": "b.png"}}]},
      {"class": "TQZScreen",
       "props": {"Key": 40, "Id": "Loader", "exInit": "TAG := TAG + 'i'",
                 "exProcess": "TAG := TAG + IntToStr(IMFORLOADCOUNT) + '/'; LoadIm; TAG := TAG + IntToStr(IMFORLOADPOS) + ';'; EndLoadIm"}}
    ]})J";
}

void WriteSwitchPictures(const std::filesystem::path& game) {
  apptest::WritePng(game / "hall.png", 40, 40, 0xFF102030);
  apptest::WritePng(game / "a.png", 40, 40, 0xFF405060);
  apptest::WritePng(game / "b.png", 40, 40, 0xFF708090);
}

// Without a loading screen the frame loop completes the switch in the next
// step: exSetScreen and Show see the count of the step that started it.
TEST_F(NativesGame, SetScreenCompletedByTheFrameLoopInTheNextStep) {
  apptest::BuildGame(game_.Path(), "sw",
                     SwitchGame("IF TAG = '' THEN BEGIN SetScreen(QZDB.ROOM); TAG := 'a' + "
                                "IntToStr(IMFORLOADCOUNT) END",
                                ""));
  WriteSwitchPictures(game_.Path());
  EXPECT_EQ(TagAfter(3, 20), "");
  EXPECT_EQ(TagAfter(4, 20), "s1w1");
  EXPECT_EQ(TagAfter(6, 20), "s1w1pp");
  // Room's two pictures were counted while loading was off.
  EXPECT_EQ(TagAfter(6, 10), "a2");
}

// With a loading screen: SetScreen re-initialises it, the frame loop runs its
// process step, and its LoadIm completes the switch (loading the counted
// pictures) while EndLoadIm ends the phase.
TEST_F(NativesGame, SetScreenWithALoadingScreen) {
  apptest::BuildGame(game_.Path(), "sw",
                     SwitchGame("IF TAG = '' THEN BEGIN SetScreen(QZDB.ROOM); TAG := 'a' END",
                                R"J(, "LoadingScreen": 40)J"));
  WriteSwitchPictures(game_.Path());
  EXPECT_EQ(TagAfter(3, 40), "ii");
  EXPECT_EQ(TagAfter(6, 40), "ii2/2;");
  EXPECT_EQ(TagAfter(6, 20), "s1w1pp");
}

// SetScreen with an element that is no screen, a number, the none reference
// or no argument changes nothing, and the script goes on.
TEST_F(NativesGame, SetScreenWithoutAScreenChangesNothing) {
  apptest::BuildGame(game_.Path(), "sw",
                     SwitchGame("IF TAG = '' THEN BEGIN SetScreen(QZDB.HALL.HPIC); SetScreen(5);"
                                " SetScreen(NIL); SetScreen; TAG := 'ok' END ELSE TAG := TAG + 'p'",
                                ""));
  WriteSwitchPictures(game_.Path());
  EXPECT_EQ(TagAfter(5, 10), "okpp");
  EXPECT_EQ(TagAfter(5, 20), "");
}

// The hover after an immediate switch: FastSetScreen (key 1) moves it to the
// new screen's element under the pointer at once; FastSetScreenNS (key 2)
// keeps the old screen's element until the pointer next moves. Room's process
// step records what is hovered: r for its own picture, h for the hall's.
const char* kHoverGame = R"J({"class": "TQZDB",
  "props": {"Id": "Hover", "InitScreen": 10,
            "exKeyDown": "IF KEYDOWNED = 49 THEN FastSetScreen(QZDB.ROOM) ELSE FastSetScreenNS(QZDB.ROOM)",
            "exSetScreen": "QZDB.TAG := QZDB.TAG + 's'"},
  "children": [
    {"class": "TQZScreen", "props": {"Key": 10, "Id": "Hall"},
     "children": [{"class": "TQZImage",
                   "props": {"Key": 11, "Id": "HDoor", "imImage": "hall.png",
                             "exMouseIn": "QZDB.TAG := QZDB.TAG + 'i'",
                             "exMouseOut": "QZDB.TAG := QZDB.TAG + 'o'"}}]},
    {"class": "TQZScreen",
     "props": {"Key": 20, "Id": "Room", "exShow": "QZDB.TAG := QZDB.TAG + 'w'",
               "exProcess": "IF CURSORAT = QZDB.ROOM.RDOOR THEN QZDB.TAG := QZDB.TAG + 'r' ELSE IF CURSORAT = QZDB.HALL.HDOOR THEN QZDB.TAG := QZDB.TAG + 'h' ELSE QZDB.TAG := QZDB.TAG + 'x'"},
     "children": [{"class": "TQZImage",
                   "props": {"Key": 21, "Id": "RDoor", "imImage": "room.png",
                             "exMouseIn": "QZDB.TAG := QZDB.TAG + 'I'",
                             "exMouseOut": "QZDB.TAG := QZDB.TAG + 'O'"}}]}
  ]})J";

TEST_F(NativesGame, HoverAfterFastSetScreenAndFastSetScreenNS) {
  apptest::BuildGame(game_.Path(), "hover", kHoverGame);
  apptest::WritePng(game_ / "hall.png", 100, 100, 0xFF204060);
  apptest::WritePng(game_ / "room.png", 100, 100, 0xFF604020);
  auto input = [](const char* key) { return std::string("3 move 50 50\n5 ") + key + "\n8 move 52 52\n"; };
  EXPECT_EQ(TagAfter(9, kRootTag, input("key 49")), "ioswIrrrrr");
  EXPECT_EQ(TagAfter(9, kRootTag, input("key 50")), "ihhhoIrr");
}

// Every switch empties the star table and drops the text focus that Hall's
// Show set up.
TEST_F(NativesGame, EverySwitchClearsStarsAndFocus) {
  apptest::BuildGame(game_.Path(), "clear", R"J({"class": "TQZDB",
    "props": {"Id": "Clear", "InitScreen": 10,
              "exKeyDown": "IF KEYDOWNED = 49 THEN SetScreen(QZDB.ROOM); IF KEYDOWNED = 50 THEN FastSetScreen(QZDB.ROOM); IF KEYDOWNED = 51 THEN FastSetScreenNS(QZDB.ROOM)"},
    "children": [
      {"class": "TQZScreen",
       "props": {"Key": 10, "Id": "Hall",
                 "exShow": "AddStar(0, 10, 10, 1, 0, 0, 0, 0); AddStar(0, 10, 10, 1, 0, 0, 0, 0, 0, '', 0); SetFocus(QZDB.HALL.EDIT)"},
       "children": [{"class": "TQZText", "props": {"Key": 12, "Id": "Edit"}}]},
      {"class": "TQZScreen", "props": {"Key": 20, "Id": "Room", "exProcess": "TAG := 'p'"}}
    ]})J");
  {
    TFormMain window(Options(5));
    ASSERT_EQ(window.Run(), 0);
    EXPECT_EQ(window.Root()->Stars().ActiveCount(), 2);
    ASSERT_NE(window.Root()->FocusedText(), nullptr);
  }
  for (const char* key : {"49", "50", "51"}) {
    TFormMain window(Options(6, std::string("4 key ") + key + "\n"));
    ASSERT_EQ(window.Run(), 0);
    scene::TQZDB* root = window.Root();
    EXPECT_EQ(root->FindByKey(20)->Tag, "p") << key;
    EXPECT_EQ(root->Stars().ActiveCount(), 0) << key;
    EXPECT_EQ(root->FocusedText(), nullptr) << key;
  }
}

// Stars are drawn after each layer of the screen and in layer 1000 after all
// of them, in their colour added onto the frame; a star of scale 0 ends at the
// first update.
TEST_F(NativesGame, StarsDrawnPerLayer) {
  apptest::BuildGame(game_.Path(), "stars", R"J({"class": "TQZDB",
    "props": {"Id": "Stars", "InitScreen": 10},
    "children": [
      {"class": "TQZScreen",
       "props": {"Key": 10, "Id": "Hall",
                 "exShow": "AddStar(0, 100, 100, 1, 0, 0, 0, 0, 0, '$FF0000', 0); AddStar(0, 700, 100, 1, 0, 0, 0, 0, 0, '$FF0000', 0); AddStar(0, 100, 300, 1, 0, 0, 0, 0, 0, '$FF0000'); AddStar(0, 700, 300, 1, 0, 0, 0, 0); AddStar(0, 700, 500, 0, 0, 0, 0, 0, 0, '$0000FF'); AddStar(0, 100, 500, 1, 0, 0, 0, 0, 0, '$FF0000', 1)"},
       "children": [{"class": "TQZImage",
                     "props": {"Key": 11, "Id": "Cover", "imImage": "green.png", "Order": 1}}]}
    ]})J");
  apptest::WritePng(game_ / "green.png", 512, 768, 0xFF00FF00);
  WriteFile(game_ / "particles.bmp", testing_support::SolidBmp(16, 16, 0xFFFFFF));
  const std::filesystem::path shot = game_ / "shot.png";
  PlayerOptions o = Options(3);
  o.screenshots.push_back({3, shot.string()});
  TFormMain window(o);
  ASSERT_EQ(window.Run(), 0);
  EXPECT_EQ(window.Root()->Stars().ActiveCount(), 5);
  int w, h;
  std::vector<uint32_t> px;
  ASSERT_TRUE(apptest::ReadPng(shot, w, h, px));
  auto at = [&](int x, int y) { return px[static_cast<size_t>(y) * w + x] & 0xFFFFFFu; };
  EXPECT_EQ(at(100, 100), 0x00FF00u);  // layer 0, under the cover of layer 1
  EXPECT_EQ(at(700, 100), 0xFF0000u);  // layer 0 on the black background
  EXPECT_EQ(at(100, 300), 0xFFFF00u);  // layer 1000 over the cover
  EXPECT_EQ(at(100, 500), 0xFFFF00u);  // layer 1, drawn after the cover
  EXPECT_NE(at(700, 300), 0u);         // eight arguments: layer 1000, a random colour
  EXPECT_EQ(at(700, 500), 0u);         // scale 0: gone
  EXPECT_EQ(at(720, 100), 0u);         // a 16 x 16 star centred on its position
  EXPECT_EQ(at(707, 107), 0xFF0000u);
}

// A state file of one record: the picture of element 21 becomes "b.png".
std::string StateNamingPicture() {
  std::string b;
  auto u32 = [&b](uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<char>(v >> (8 * i)));
  };
  u32(21);
  u32(7);
  b += "IMIMAGE";
  b += 'S';
  u32(5);
  b += "b.png";
  return b;
}

// A state load only registers the pictures its records name, whether a
// script loads the state at start-up, during a switch or in normal play:
// exAfterLoad sees one more needed picture and no size yet, and the picture
// comes in with the next frame that draws it.
TEST_F(NativesGame, StateLoadsRegisterPicturesAndDrawingLoadsThem) {
  const std::string load = "QZDB.TAG := IntToStr(IMFORLOADCOUNT); LoadState";
  struct Case {
    const char* when;
    int initScreen;
    std::string rootInit, rootSetScreen, hallProcess, roomProcess;
  } cases[] = {
      {"start-up", 20, load, "", "", ""},
      {"switch", 10, "", load, "IF TAG = '' THEN BEGIN TAG := 'x'; SetScreen(QZDB.ROOM) END", ""},
      {"normal play", 20, "", "", "", "IF QZDB.TAG = '' THEN BEGIN " + load + " END"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.when);
    apptest::BuildGame(game_.Path(), "defer", R"J({"class": "TQZDB",
      "props": {"Id": "Defer", "FileRS": "save.dat", "InitScreen": )J" +
                                                   std::to_string(c.initScreen) + R"J(,
                "exInit": ")J" + c.rootInit + R"J(", "exSetScreen": ")J" + c.rootSetScreen + R"J(",
                "exProcess": "IF QZDB.TAG <> '' THEN QZDB.HALL.TAG := IntToStr(QZDB.ROOM.PIC.SZX)"},
      "children": [
        {"class": "TQZScreen", "props": {"Key": 10, "Id": "Hall", "exProcess": ")J" + c.hallProcess + R"J("}},
        {"class": "TQZScreen", "props": {"Key": 20, "Id": "Room", "exProcess": ")J" + c.roomProcess + R"J("},
         "children": [{"class": "TQZImage", "props": {"Key": 21, "Id": "Pic", "imImage": "a.png",
           "exAfterLoad": "QZDB.TAG := IntToStr(IMFORLOADCOUNT - StrToInt(QZDB.TAG)) + ':' + IntToStr(SZX)"}}]}
      ]})J");
    apptest::WritePng(game_ / "a.png", 40, 40, 0xFF405060);
    apptest::WritePng(game_ / "b.png", 30, 30, 0xFF708090);
    WriteFile(users_ / "Qazmir" / "Defer" / "save.dat", StateNamingPicture());
    EXPECT_EQ(TagAfter(8, kRootTag), "1:0");
    EXPECT_EQ(TagAfter(8, 10), "30");
  }
}

}  // namespace
}  // namespace app
