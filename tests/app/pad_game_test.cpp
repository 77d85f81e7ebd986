// Gamepads and touch in whole games, through session lines: the pointer the
// stick moves, clicks with A and with a finger, keys from the buttons,
// hotspot cycling over a small scene, markers that no screenshot shows, a
// recording that replays to the same save, and SDL's virtual pad in a window
// giving the pointer track its lines give.

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "app/main_window.h"
#include "app_test_util.h"
#include "scene/db.h"

namespace app {
namespace {

namespace fs = std::filesystem;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

// The root keeps the pointer track (T, each position the pointer takes), the
// keys (K) and the shapes' events (L), and saves at step 60. Hotspots: B
// (centre 320,70, a release script), A (125,125), E (its centre covered, so
// its corner 500,500) and P (730,620, on an embedded screen); the hidden
// shape and the one without press or release scripts are none.
const char* kPadGame = R"J({"class": "TQZDB",
  "props": {"Id": "Pads", "InitScreen": 1, "FileRS": "save.dat",
            "exInit": "T := ''; K := ''; L := ''; PX := MSX; PY := MSY; N := 0",
            "exKeyDown": "K := K + IntToStr(KEYDOWNED) + ';'",
            "exProcess": "N := N + 1; IF (MSX <> PX) OR (MSY <> PY) THEN BEGIN T := T + IntToStr(MSX) + ',' + IntToStr(MSY) + ';'; PX := MSX; PY := MSY END; IF N = 60 THEN SaveState"},
  "children": [
    {"class": "TQZScreen", "props": {"Key": 1, "Id": "Hall"}, "children": [
      {"class": "TQZShape", "props": {"Key": 10, "Id": "A", "rX": 100, "rY": 100, "SizeX": 50, "SizeY": 50,
        "exMouseDown": "QZDB.L := QZDB.L + 'downA;'", "exMouseIn": "QZDB.L := QZDB.L + 'inA;'",
        "exMouseOut": "QZDB.L := QZDB.L + 'outA;'"}},
      {"class": "TQZShape", "props": {"Key": 11, "Id": "B", "rX": 300, "rY": 50, "SizeX": 40, "SizeY": 40,
        "exMouseUp": "QZDB.L := QZDB.L + 'upB;'", "exMouseIn": "QZDB.L := QZDB.L + 'inB;'",
        "exMouseOut": "QZDB.L := QZDB.L + 'outB;'"}},
      {"class": "TQZShape", "props": {"Key": 12, "Id": "Hidden", "rX": 200, "rY": 600, "SizeX": 50, "SizeY": 50,
        "Vis": false, "exMouseDown": "QZDB.L := QZDB.L + 'downHidden;'"}},
      {"class": "TQZShape", "props": {"Key": 13, "Id": "Plain", "rX": 800, "rY": 100, "SizeX": 50, "SizeY": 50,
        "exMouseIn": "QZDB.L := QZDB.L + 'inPlain;'"}},
      {"class": "TQZShape", "props": {"Key": 14, "Id": "E", "rX": 500, "rY": 500, "SizeX": 100, "SizeY": 100,
        "exMouseDown": "QZDB.L := QZDB.L + 'downE;'", "exMouseIn": "QZDB.L := QZDB.L + 'inE;'",
        "exMouseOut": "QZDB.L := QZDB.L + 'outE;'"}},
      {"class": "TQZShape", "props": {"Key": 15, "Id": "Cover", "rX": 530, "rY": 530, "SizeX": 40, "SizeY": 40}},
      {"class": "TQZExScreen", "props": {"Key": 16, "Id": "Inset", "X": 700, "Y": 600, "obScreen": 2}}
    ]},
    {"class": "TQZScreen", "props": {"Key": 2, "Id": "Panel", "SizeX": 100, "SizeY": 60}, "children": [
      {"class": "TQZShape", "props": {"Key": 20, "Id": "P", "rX": 10, "rY": 10, "SizeX": 40, "SizeY": 20,
        "exMouseDown": "QZDB.L := QZDB.L + 'downP;'", "exMouseIn": "QZDB.L := QZDB.L + 'inP;'",
        "exMouseOut": "QZDB.L := QZDB.L + 'outP;'"}}
    ]}
  ]})J";

struct Seen {
  std::string track, keys, events;
};

class PadGame : public ::testing::Test {
 protected:
  void SetUp() override { apptest::BuildGame(game_.Path(), "pads", kPadGame); }

  static std::string Var(scene::TQZDB* root, const char* name) {
    script::Value v;
    return root && root->GetValue(name, v) ? v.ToText() : "<none>";
  }
  Seen Play(const std::string& lines, int passes, const PlayerOptions* given = nullptr) {
    PlayerOptions o =
        given ? *given : apptest::HeadlessOptions(game_.Path(), users_.Path(), passes, lines);
    TFormMain window(o);
    EXPECT_EQ(window.Run(), 0);
    return {Var(window.Root(), "T"), Var(window.Root(), "K"), Var(window.Root(), "L")};
  }
  std::string Save() { return ReadFile(users_ / "Qazmir" / "Pads" / "save.dat"); }

  TempDir game_, users_;
};

// Pointer lines from the stick and the d-pad, once per step: the dead zone,
// the curve with its carried fractions, full speed, clamping, the right
// stick's quarter speed.
TEST_F(PadGame, StickMovesThePointerEachStep) {
  struct Case {
    const char* lines;
    const char* track;
  } cases[] = {
      {"3 axis lefty 4900\n3 axis leftx -4900\n", ""},
      {"3 axis leftx 32767\n6 axis leftx 0\n", "552,384;592,384;632,384;"},
      {"3 axis leftx 16384\n3 axis lefty 4900\n6 axis leftx 0\n", "519,384;527,384;534,384;"},
      {"3 axis lefty -32768\n",
       "512,344;512,304;512,264;512,224;512,184;512,144;512,104;512,64;512,24;512,0;"},
      {"3 axis rightx -32768\n5 axis rightx 0\n", "502,384;492,384;"},
      {"3 pad dpdown down\n5 pad dpdown up\n", "512,388;512,392;"},
  };
  for (const Case& c : cases) EXPECT_EQ(Play(c.lines, 30).track, c.track) << c.lines;
}

// Clicks with A and with a finger, keys from the buttons and from two fingers.
TEST_F(PadGame, ButtonsAndTouchesClickAndType) {
  struct Case {
    const char* lines;
    const char* keys;
    const char* events;
  } cases[] = {
      {"3 pad leftshoulder down\n4 pad a down\n5 pad a up\n", "", "inA;downA;"},
      {"3 pad leftshoulder down\n3 pad leftshoulder up\n4 pad leftshoulder down\n5 pad a down\n6 "
       "pad a up\n",
       "", "inA;outA;inB;upB;"},
      {"3 pad b down\n3 pad b up\n4 pad x down\n5 pad y down\n6 pad back down\n7 pad start down\n",
       "27;13;32;9;27;", ""},
      {"3 touch down 125 125\n4 touch up 126 124\n", "", "inA;downA;"},
      {"3 touch down 125 125\n3 touch down 320 70 1\n4 touch up 125 125\n4 touch up 320 70 1\n",
       "27;", "inA;"},
  };
  for (const Case& c : cases) {
    const Seen seen = Play(c.lines, 10);
    EXPECT_EQ(seen.keys, c.keys) << c.lines;
    EXPECT_EQ(seen.events, c.events) << c.lines;
  }
}

// The shoulders visit the clickable elements by landing point: B, A, E's
// first uncovered grid point, P on the embedded screen; mouse-in and
// mouse-out run as for a mouse.
TEST_F(PadGame, HotspotCyclingVisitsClickableElementsInOrder) {
  std::string lines;
  int pass = 3;
  for (const char* b :
       {"rightshoulder", "rightshoulder", "rightshoulder", "rightshoulder", "leftshoulder"}) {
    lines += std::to_string(pass) + " pad " + b + " down\n" + std::to_string(pass + 1) + " pad " +
             b + " up\n";
    pass += 2;
  }
  const Seen seen = Play(lines, 20);
  EXPECT_EQ(seen.track, "500,500;730,620;320,70;125,125;320,70;");
  EXPECT_EQ(seen.events, "inE;outE;inP;outP;inB;outB;inA;outA;inB;");
}

// A held trigger marks the hotspots over the shown frame, never in a screenshot.
TEST_F(PadGame, MarkersAreNotInScreenshots) {
  std::vector<std::string> pictures;
  for (const char* lines : {"", "1 axis lefttrigger 32767\n1 axis righttrigger 32767\n"}) {
    PlayerOptions o = apptest::HeadlessOptions(game_.Path(), users_.Path(), 12, lines);
    const fs::path file = users_ / ("shot" + std::to_string(pictures.size()) + ".png");
    o.screenshots.push_back({10, file.string()});
    Play("", 0, &o);
    pictures.push_back(ReadFile(file));
  }
  ASSERT_FALSE(pictures[0].empty());
  EXPECT_EQ(pictures[0], pictures[1]);
}

// What the pads and fingers gave is recorded as pointer and key lines (a
// stick's moves with their step) and replays to the same save.
TEST_F(PadGame, RecordingReplaysToTheSameSave) {
  const std::string lines =
      "3 axis leftx 20000\n3 axis lefty -12000\n9 axis leftx 0\n12 pad a down\n13 pad a up\n"
      "14 pad rightshoulder down\n15 pad a down\n15 axis righty 30000\n19 pad a up\n19 axis righty "
      "0\n"
      "22 touch down 125 125\n24 touch up 125 125\n26 pad b down\n";
  PlayerOptions live = apptest::HeadlessOptions(game_.Path(), users_.Path(), 70, lines);
  live.recordFile = (users_ / "pads.rec").string();
  const Seen first = Play("", 0, &live);
  const std::string saved = Save();
  ASSERT_FALSE(saved.empty());
  const std::string rec = ReadFile(users_ / "pads.rec");
  for (const char* absent : {" pad ", " axis ", " touch "})
    EXPECT_EQ(rec.find(absent), std::string::npos) << rec;
  EXPECT_NE(rec.find(" step 1\n"), std::string::npos) << rec;

  fs::remove(users_ / "Qazmir" / "Pads" / "save.dat");
  PlayerOptions replay = apptest::HeadlessOptions(game_.Path(), users_.Path(), 70);
  replay.inputFile = live.recordFile;
  const Seen again = Play("", 0, &replay);
  EXPECT_EQ(Save(), saved);
  EXPECT_EQ(again.track, first.track);
  EXPECT_EQ(again.events, first.events);
  EXPECT_EQ(first.keys, "27;");
}

// The moves of a recording's lines "<pass> move X Y step K", in order.
std::vector<std::string> SteppedMoves(const std::string& rec) {
  std::vector<std::string> moves;
  std::istringstream in(rec);
  for (std::string line; std::getline(in, line);) {
    const size_t move = line.find(" move ");
    if (move == std::string::npos) continue;
    const size_t step = line.find(" step ");
    moves.push_back(step == std::string::npos ? "unstepped " + line
                                              : line.substr(move + 6, step - move - 6));
  }
  return moves;
}

// SDL's virtual pad in a window on the dummy driver: the live device path
// moves the pointer as the axis lines do, step by step, and the system
// cursor following it is not taken for mouse input.
TEST_F(PadGame, VirtualPadInAWindowMovesLikeItsLines) {
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
  SDL_VirtualJoystickDesc desc{};
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
  desc.naxes = SDL_CONTROLLER_AXIS_MAX;
  desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
  desc.name = "Virtual pad";
  const int index = SDL_JoystickAttachVirtualEx(&desc);
  ASSERT_GE(index, 0) << SDL_GetError();
  SDL_Joystick* stick = SDL_JoystickOpen(index);
  ASSERT_NE(stick, nullptr) << SDL_GetError();
  SDL_JoystickSetVirtualAxis(stick, SDL_CONTROLLER_AXIS_LEFTX, 16384);
  SDL_JoystickSetVirtualAxis(stick, SDL_CONTROLLER_AXIS_LEFTY, -9000);

  PlayerOptions window;
  window.steps = 40;
  window.seed = 1;
  window.userDir = (users_ / "window").string();
  window.game = game_.Path().string();
  window.recordFile = (users_ / "window.rec").string();
  Play("", 0, &window);
  SDL_JoystickClose(stick);
  SDL_JoystickDetachVirtual(index);
  SDL_QuitSubSystem(SDL_INIT_JOYSTICK);

  PlayerOptions lines = apptest::HeadlessOptions(game_.Path(), users_.Path(), 40,
                                                 "1 axis leftx 16384\n1 axis lefty -9000\n");
  lines.recordFile = (users_ / "lines.rec").string();
  Play("", 0, &lines);

  const std::vector<std::string> live = SteppedMoves(ReadFile(users_ / "window.rec"));
  const std::vector<std::string> replayed = SteppedMoves(ReadFile(users_ / "lines.rec"));
  // A loaded machine can make the window's last frame run a step or two more
  // than the passes asked for: the tracks are compared as far as both go.
  const size_t common = std::min(live.size(), replayed.size());
  ASSERT_GE(common, 20u) << ReadFile(users_ / "window.rec");
  for (size_t i = 0; i < common; ++i) EXPECT_EQ(live[i], replayed[i]) << "move " << i;
}

// A finger on the window reaches the game once, as a tap: the mouse events
// SDL makes from it, and touches it makes from the mouse, are not input.
TEST_F(PadGame, LiveTouchReachesTheGameOnce) {
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError();
  auto finger = [](Uint32 type, SDL_TouchID touch, float x, float y) {
    SDL_Event e{};
    e.type = type;
    e.tfinger.touchId = touch;
    e.tfinger.fingerId = 42;
    e.tfinger.x = x;
    e.tfinger.y = y;
    SDL_PushEvent(&e);
  };
  auto mouse = [](Uint32 type, int x, int y) {
    SDL_Event e{};
    e.type = type;
    if (type == SDL_MOUSEMOTION) {
      e.motion.which = SDL_TOUCH_MOUSEID;
      e.motion.x = x;
      e.motion.y = y;
    } else {
      e.button.which = SDL_TOUCH_MOUSEID;
      e.button.x = x;
      e.button.y = y;
    }
    SDL_PushEvent(&e);
  };
  finger(SDL_FINGERDOWN, 1, 0.25f, 0.5f);
  mouse(SDL_MOUSEMOTION, 256, 384);
  mouse(SDL_MOUSEBUTTONDOWN, 256, 384);
  finger(SDL_FINGERDOWN, SDL_MOUSE_TOUCHID, 0.75f, 0.5f);
  finger(SDL_FINGERUP, 1, 0.25f, 0.5f);
  mouse(SDL_MOUSEBUTTONUP, 256, 384);
  PlayerOptions window;
  window.steps = 5;
  window.seed = 1;
  window.userDir = (users_ / "window").string();
  window.game = game_.Path().string();
  window.recordFile = (users_ / "touch.rec").string();
  Play("", 0, &window);
  SDL_QuitSubSystem(SDL_INIT_EVENTS);
  std::string pointer;
  std::istringstream rec(ReadFile(users_ / "touch.rec"));
  for (std::string line; std::getline(rec, line);)
    for (const char* kind : {" move ", " down ", " up "})
      if (line.find(kind) != std::string::npos) pointer += line.substr(line.find(kind) + 1) + ";";
  EXPECT_EQ(pointer, "move 256 384;down 256 384;up 256 384;");
}

}  // namespace
}  // namespace app
