// Whole games run by the player: intro logo timing, input during the intro,
// replayed input reaching scripts, screenshots of the right pass, and the
// command line.

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app_test_util.h"
#include "scene/db.h"

namespace app {
namespace {

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

// A game whose screen's Tag records its initialisation ("i") and its show ("s").
const char* kTagGame = R"({
  "class": "TQZDB",
  "props": {"Id": "TagGame", "InitScreen": 1},
  "children": [{"class": "TQZScreen",
                "props": {"Key": 1, "Id": "Hall", "exInit": "TAG := 'i'",
                          "exShow": "TAG := TAG + 's'"}}]
})";

class PlayerRun : public ::testing::Test {
 protected:
  // Runs the game in this process for the given passes; the screen's Tag after it.
  std::string TagAfter(int64_t passes, const std::string& input = "") {
    TFormMain window(apptest::HeadlessOptions(game_.Path(), users_.Path(), passes, input));
    EXPECT_EQ(window.Run(), 0);
    scene::TQZDB* root = window.Root();
    scene::TQZElement* screen = root ? root->FindByKey(1) : nullptr;
    return screen ? screen->Tag : std::string("<no screen>");
  }
  void AddLogo(int n) { apptest::WriteJpeg(game_ / "logos" / ("logo" + std::to_string(n) + ".jpg"), 64, 48, 200, 30, 30); }

  TempDir game_, users_;
};

TEST_F(PlayerRun, NoLogosInitialiseAndShowInTheSecondStep) {
  apptest::BuildGame(game_.Path(), "tag", kTagGame);
  EXPECT_EQ(TagAfter(1), "");
  EXPECT_EQ(TagAfter(2), "is");
}

TEST_F(PlayerRun, OneLogoInitialisesAtItsEighteenthTickAndShowsWhenTheIntroEnds) {
  apptest::BuildGame(game_.Path(), "tag", kTagGame);
  AddLogo(1);
  EXPECT_EQ(TagAfter(18), "");
  EXPECT_EQ(TagAfter(19), "i");
  EXPECT_EQ(TagAfter(102), "i");
  EXPECT_EQ(TagAfter(103), "is");
}

TEST_F(PlayerRun, SecondLogoShowsTheScreenAtItsEighteenthTickMissingNumbersSkipped) {
  apptest::BuildGame(game_.Path(), "tag", kTagGame);
  AddLogo(1);
  AddLogo(3);  // logo 2 is missing and skipped in the same step
  EXPECT_EQ(TagAfter(119), "i");
  EXPECT_EQ(TagAfter(120), "is");
}

TEST_F(PlayerRun, ClickDuringTheHoldStartsTheFadeOut) {
  apptest::BuildGame(game_.Path(), "tag", kTagGame);
  AddLogo(1);
  // After 29 steps the logo is at tick 28: the press jumps to 83.
  EXPECT_EQ(TagAfter(47, "30 down 5 5\n"), "i");
  EXPECT_EQ(TagAfter(48, "30 down 5 5\n"), "is");
  // A press during the fade-in does nothing.
  EXPECT_EQ(TagAfter(102, "10 down 5 5\n"), "i");
  EXPECT_EQ(TagAfter(103, "10 down 5 5\n"), "is");
}

// The root's mouse-down runs after the nine-point probe, whose last point is
// two pixels right of and below the press: MSX reads 12 for a press at 10.
TEST_F(PlayerRun, ReplayedInputReachesScriptsInOrder) {
  apptest::BuildGame(game_.Path(), "keys", R"({
    "class": "TQZDB",
    "props": {"Id": "Keys", "InitScreen": 1, "Cheats": "ab",
              "exKeyDown": "IF KEYDOWNED = 65 THEN QZDB.HALL.TAG := QZDB.HALL.TAG + 'A' ELSE QZDB.HALL.TAG := QZDB.HALL.TAG + 'k'",
              "exCheat": "QZDB.HALL.TAG := QZDB.HALL.TAG + 'c'",
              "exMouseDown": "IF MSX = 12 THEN QZDB.HALL.TAG := QZDB.HALL.TAG + 'd'"},
    "children": [{"class": "TQZScreen", "props": {"Key": 1, "Id": "Hall"}}]
  })");
  EXPECT_EQ(TagAfter(6, "# keys, characters and a press\n"
                        "3 key 65\n4 char 97\n4 char 98\n5 down 10 20\n6 key 13 alt\n"),
            "Acdk");
}

TEST(PlayerCommandLine, ScreenshotsShowTheStateAfterTheirPass) {
  TempDir game, users, out;
  apptest::BuildGame(game.Path(), "shot", R"({
    "class": "TQZDB", "props": {"Id": "Shot", "InitScreen": 1},
    "children": [{"class": "TQZScreen", "props": {"Key": 1, "Id": "Hall", "ImBack": "bg.png"}}]
  })");
  apptest::WritePng(game / "bg.png", 1024, 768, 0xFF20A040);
  auto r = apptest::RunPlayer(users.Path(), {"--steps", "3", "--screenshot",
                                             "1:" + (out / "one.png").string(), "--screenshot",
                                             "3:" + (out / "three.png").string(),
                                             game.Path().string()});
  ASSERT_EQ(r.status, 0) << r.err;
  int w, h;
  std::vector<uint32_t> px;
  // After one pass the intro is still on: a black frame.
  ASSERT_TRUE(apptest::ReadPng(out / "one.png", w, h, px));
  EXPECT_EQ(w, 1024);
  EXPECT_EQ(h, 768);
  EXPECT_EQ(px[500 * 1024 + 500] & 0xFFFFFF, 0u);
  // After the last pass one more frame is drawn: the screen's background.
  ASSERT_TRUE(apptest::ReadPng(out / "three.png", w, h, px));
  EXPECT_EQ(px[500 * 1024 + 500] & 0xFFFFFF, 0x20A040u);
}

// A full-screen request, by Alt+Enter or by a script, is written to the
// settings; in a test run the flag itself then reads 0 and the device stays
// windowed. The root appends FULLSCREEN to the screen's Tag every step.
TEST_F(PlayerRun, TestModeRecordsTheRequestAndKeepsTheFlagOff) {
  struct Case {
    bool testMode;
    const char* input;
    const char* script;
    char lastFlag;
  } cases[] = {
      {false, "4 key 13 alt\n", "", '1'},
      {true, "4 key 13 alt\n", "", '0'},
      {false, "", "IF N = 3 THEN FULLSCREEN := 1;", '1'},
      {true, "", "IF N = 3 THEN FULLSCREEN := 1;", '0'},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.testMode ? "test mode, " : "") + (*c.input ? "Alt+Enter" : "script"));
    apptest::BuildGame(game_.Path(), "fs", std::string(R"J({"class": "TQZDB",
      "props": {"Id": "Fs", "IniFile": "set.ini", "InitScreen": 1, "exInit": "N := 0",
                "exProcess": "N := N + 1; )J") + c.script +
                           R"J( QZDB.HALL.TAG := QZDB.HALL.TAG + IntToStr(FULLSCREEN)"},
      "children": [{"class": "TQZScreen", "props": {"Key": 1, "Id": "Hall"}}]})J");
    const auto settings = users_ / "Qazmir" / "Fs" / "set.ini";
    WriteFile(settings, "[Def]\r\nFS=0\r\n");
    PlayerOptions o = apptest::HeadlessOptions(game_.Path(), users_.Path(), 8, c.input);
    o.testMode = c.testMode;
    TFormMain window(o);
    ASSERT_EQ(window.Run(), 0);
    const std::string tag = window.Root()->FindByKey(1)->Tag;
    ASSERT_FALSE(tag.empty());
    EXPECT_EQ(tag.back(), c.lastFlag) << tag;
    EXPECT_NE(ReadFile(settings).find("FS=1"), std::string::npos) << ReadFile(settings);
  }
}

// What the command line alone decides: usage errors (2), games that are not
// there or are not games (1), and the help and version texts (0).
TEST(PlayerCommandLine, UsageMissingGamesAndHelp) {
  TempDir users, empty, noise, cut;
  std::string bytes;
  uint32_t seed = 99;
  for (int i = 0; i < 3000; ++i) {
    seed = seed * 1103515245u + 12345u;
    bytes.push_back(static_cast<char>(seed >> 24));
  }
  WriteFile(noise / "Game.qzf", bytes);
  const std::string qazmir = (testing_support::BinDir() / "qazmir").string();
  const std::string userDir = users.Path().string();
  struct Case {
    std::vector<std::string> argv;
    int status;
    std::string expected;  // in stdout for status 0, else in stderr
  } cases[] = {
      {{"--headless", "--steps", "3", empty.Path().string()}, 1, "no game found"},
      {{"--headless", "--steps", "3", noise.Path().string()}, 1,
       (noise / "Game.qzf").string() + " is not a game file"},
      // Without a display the window cannot open, but a named game is looked at first.
      {{"--steps", "3", noise.Path().string()}, 1, "is not a game file"},
      {{"--headless", "--steps", "x"}, 2, "--steps"},
      {{"--nonsense"}, 2, "--nonsense"},
      {{"--headless", "--screenshot", "nocolon"}, 2, "S:FILE"},
      {{"--help"}, 0, "Usage: qazmir [OPTIONS] [GAME]"},
      {{"--version"}, 0, "qazmir 0.1.0\nbuilt with SDL 2."},
      {{"--version"}, 0, "libpng 1.6"},
      // "/TESTMODE" counts only as the first argument.
      {{"/testmode", "--headless", "--steps", "1", "--user-dir", userDir, empty.Path().string()}, 1,
       "no game found"},
      {{"--headless", "/TESTMODE"}, 1, "no game found"},  // taken as the GAME argument
  };
  for (const Case& c : cases) {
    std::vector<std::string> argv = {qazmir};
    argv.insert(argv.end(), c.argv.begin(), c.argv.end());
    auto r = testing_support::RunCommand(argv);
    SCOPED_TRACE(c.argv.front() + " ... " + c.argv.back());
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE((c.status == 0 ? r.out : r.err).find(c.expected), std::string::npos) << r.out << r.err;
  }
  auto r = testing_support::RunCommand({(testing_support::BinDir() / "qazmir-tool").string(), "--help"});
  EXPECT_NE(r.out.find("Usage: qazmir-tool [OPTIONS] SUBCOMMAND"), std::string::npos) << r.out;
}

// A damaged game still plays what could be read, and the player says once on
// stderr where reading stopped, for the game file and for the pack's directory.
TEST(PlayerCommandLine, DamagedGameFilesAreReported) {
  TempDir game, users;
  // The same root without its screen ends where the screen's entry begins.
  apptest::BuildGame(game.Path(), "cut", R"({"class": "TQZDB", "props": {"Id": "TagGame", "InitScreen": 1}})");
  const size_t screenEntry = ReadFile(game / "cut.qzf").size();
  apptest::BuildGame(game.Path(), "cut", kTagGame);
  const std::string whole = ReadFile(game / "cut.qzf");
  WriteFile(game / "cut.qzf", whole.substr(0, whole.size() - 10));
  // A pack of one entry whose directory claims two.
  std::string pack = "DATA";
  auto u32 = [&pack](uint32_t v) {
    for (int i = 0; i < 4; ++i) pack.push_back(static_cast<char>(v >> (8 * i)));
  };
  u32(2);
  u32(1);
  pack += "A";
  u32(0);
  u32(4);
  u32(4);  // the directory starts at byte 4
  WriteFile(game / "cut.qst", pack);
  auto r = apptest::RunPlayer(users.Path(), {"--steps", "3", game.Path().string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("qazmir: warning: cut.qzf is cut short or damaged: 1 elements read, "
                       "reading stopped at byte " +
                       std::to_string(screenEntry) + " of " + std::to_string(whole.size() - 10)),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("qazmir: warning: cut.qst has a damaged directory: 1 entries read, "
                       "reading stopped at byte 21 of 25"),
            std::string::npos)
      << r.err;
}

TEST(PlayerCommandLine, BadInputFileIsAUsageError) {
  TempDir game, users;
  apptest::BuildGame(game.Path(), "tag", kTagGame);
  WriteFile(game / "in.txt", "1 move 1\n");
  auto r = apptest::RunPlayer(users.Path(),
                              {"--steps", "2", "--input", (game / "in.txt").string(), game.Path().string()});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("line 1"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace app

namespace app {
namespace {

// Images come from the resource pack named after the game, and a loose file
// of the same name takes precedence.
TEST(PlayerResources, PackEntriesAndLooseFilesOverridingThem) {
  TempDir game, users, out, packDir;
  apptest::BuildGame(game.Path(), "packed", R"({
    "class": "TQZDB", "props": {"Id": "Packed", "InitScreen": 1},
    "children": [{"class": "TQZScreen", "props": {"Key": 1, "Id": "Hall", "ImBack": "pics\\bg.png"},
      "children": [{"class": "TQZImage", "props": {"Id": "Door", "imImage": "door.png", "rX": 100, "rY": 100}}]}]
  })");
  apptest::WritePng(packDir / "pics" / "bg.png", 1024, 768, 0xFF102030);
  apptest::WritePng(packDir / "door.png", 50, 50, 0xFF0000FF);
  auto r = testing_support::RunCommand({(testing_support::BinDir() / "qazmir-tool").string(), "pack",
                                        packDir.Path().string(), "-o", (game / "packed.qst").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  apptest::WritePng(game / "DOOR.PNG", 50, 50, 0xFF00FF00);  // loose, any letter case
  r = apptest::RunPlayer(users.Path(), {"--steps", "3", "--screenshot",
                                        "3:" + (out / "s.png").string(), game.Path().string()});
  ASSERT_EQ(r.status, 0) << r.err;
  int w, h;
  std::vector<uint32_t> px;
  ASSERT_TRUE(apptest::ReadPng(out / "s.png", w, h, px));
  EXPECT_EQ(px[10 * 1024 + 10] & 0xFFFFFF, 0x102030u);    // background from the pack
  EXPECT_EQ(px[120 * 1024 + 120] & 0xFFFFFF, 0x00FF00u);  // the loose door wins
}

}  // namespace
}  // namespace app

namespace app {
namespace {

TEST(PlayerCommandLine, RelativePathsAreTakenFromWhereThePlayerStarted) {
  TempDir game, here;
  // A game with a save file: it is made in the per-user folder at start.
  apptest::BuildGame(game.Path(), "rel", R"({"class": "TQZDB",
    "props": {"Id": "Rel", "InitScreen": 1, "FileRS": "s.dat"},
    "children": [{"class": "TQZScreen", "props": {"Key": 1}}]})");
  WriteFile(here / "in.txt", "1 move 5 5\n");
  auto r = testing_support::RunCommand(
      {(testing_support::BinDir() / "qazmir").string(), "--headless", "--steps", "2", "--user-dir",
       "users", "--input", "in.txt", "--screenshot", "1:shot.png", game.Path().string()},
      here.Path());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(std::filesystem::exists(here / "shot.png"));
  EXPECT_TRUE(std::filesystem::exists(here / "users" / "Qazmir" / "Rel" / "s.dat"));
  EXPECT_FALSE(std::filesystem::exists(game / "shot.png"));
}

}  // namespace
}  // namespace app
