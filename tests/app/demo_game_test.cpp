// The demo game "The Keeper's Light" (built into build/demo) played headless
// from the intro to the end through its scripted walkthrough: the saved
// state holds the typed name, the visited scenes and what is left in the
// inventory; the settings hold the choices made on the settings screen; the
// screenshots show the scenes; and no script error or unknown name reached
// the log. The same game is finished with a gamepad alone and with a touch
// screen alone.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "app_test_util.h"
#include "scene/state_file.h"

namespace {

namespace fs = std::filesystem;
using testing_support::BinDir;
using testing_support::FixturesDir;
using testing_support::ReadFile;
using testing_support::TempDir;

fs::path BuiltDemo() { return BinDir().parent_path() / "demo"; }
fs::path Walkthrough(const char* name = "walkthrough.txt") {
  return FixturesDir().parent_path().parent_path() / "demo" / name;
}

struct Shot {
  int width = 0, height = 0;
  std::vector<uint32_t> px;
  uint32_t At(int x, int y) const { return px[static_cast<size_t>(y) * width + x] & 0xFFFFFFu; }
  // Pixels of the rectangle [x0, x1) x [y0, y1) for which the test holds.
  int Count(int x0, int y0, int x1, int y1, const std::function<bool(int, int, int)>& test) const {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) {
        const uint32_t c = At(x, y);
        if (test((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF)) ++n;
      }
    return n;
  }
};

bool Brass(int r, int g, int b) { return r > 150 && g > 100 && b < 110 && r > b + 70; }
bool NearWhite(int r, int g, int b) { return r > 235 && g > 225 && b > 170; }
bool Light(int r, int g, int b) { return r > 170 && g > 170 && b > 170; }
bool Gold(int r, int g, int b) { return r > 200 && g > 140 && b < 150 && r > b + 60; }

// One walkthrough run shared by the cases below (it takes a few seconds).
class DemoGame : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    run_ = new Run();
    Run& r = *run_;
    ASSERT_TRUE(fs::exists(BuiltDemo() / "keeperslight.qzf")) << "the demo target builds " << BuiltDemo();
    fs::copy(BuiltDemo(), r.game.Path(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    std::vector<std::string> args = {"--steps", "2000", "--stats", "--input", Walkthrough().string()};
    for (int pass : {100, 200, 318, 340, 530, 720, 860}) {
      args.push_back("--screenshot");
      args.push_back(std::to_string(pass) + ":" + (r.shots / (std::to_string(pass) + ".png")).string());
    }
    args.push_back(r.game.Path().string());
    r.result = apptest::RunPlayer(r.users.Path(), args);
  }
  static void TearDownTestSuite() {
    delete run_;
    run_ = nullptr;
  }

  struct Run {
    TempDir game, users, shots;
    testing_support::CommandResult result;
  };
  static Run* run_;

  static fs::path UserFolder() { return run_->users / "Qazmir" / "KeepersLight"; }
  static Shot Screenshot(int pass) {
    Shot s;
    EXPECT_TRUE(apptest::ReadPng(run_->shots / (std::to_string(pass) + ".png"), s.width, s.height, s.px))
        << "screenshot of pass " << pass;
    if (s.px.empty()) s = Shot{1024, 768, std::vector<uint32_t>(1024 * 768, 0)};
    return s;
  }
  // The saved values of one element, by name.
  static std::map<std::string, scene::StateRecord> SavedValues(int32_t key) {
    bool complete = false;
    const auto records = scene::ParseState(ReadFile(UserFolder() / "save.dat"), &complete);
    EXPECT_TRUE(complete);
    std::map<std::string, scene::StateRecord> out;
    for (const auto& r : records)
      if (r.key == key) out[r.name] = r;
    return out;
  }
};

DemoGame::Run* DemoGame::run_ = nullptr;

// The walkthrough ends by choosing Quit on the title, well before the step cap.
TEST_F(DemoGame, WalkthroughEndsByQuittingFromTheTitle) {
  ASSERT_EQ(run_->result.status, 0) << run_->result.err;
  const std::string& out = run_->result.out;
  const size_t at = out.find("steps ");
  ASSERT_NE(at, std::string::npos) << out;
  const int steps = std::stoi(out.substr(at + 6));
  EXPECT_GT(steps, 800);
  EXPECT_LT(steps, 2000) << "the game did not quit by itself";
  // --stats ends with the process's CPU time.
  EXPECT_NE(out.find("\ncpu "), std::string::npos) << out;
  // SaveErr is on: any script error or unknown name would have been logged.
  EXPECT_FALSE(fs::exists(run_->game / "qazmir.err")) << ReadFile(run_->game / "qazmir.err");
}

// The last save (made when the ending was shown): the name typed on the letter,
// every scene visited, the lamp lit, the cheat used, and in the inventory the
// key and the shell (the oil and the matches were used on the lamp).
TEST_F(DemoGame, FinalSavedState) {
  auto root = SavedValues(1);
  ASSERT_FALSE(root.empty());
  EXPECT_EQ(root["PNAME"].value.ToText(), "Ada");
  EXPECT_EQ(root["VISITED"].value.ToText(), "cottage;shore;lamproom;ending;");
  EXPECT_EQ(root["LASTSCENE"].tag, 'O');
  EXPECT_EQ(root["LASTSCENE"].value.ToText(), "700");  // the ending screen's Key
  for (const char* flag : {"DOOROPEN", "LAMPOIL", "LAMPLIT", "FINISHED", "CHEATUSED"})
    EXPECT_EQ(root[flag].value.ToText(), "1") << flag;
  EXPECT_EQ(root["HELD"].value.ToText(), "");

  auto inventory = SavedValues(902);
  EXPECT_EQ(inventory["ELEMENTS"].value.ToText(), "912;914;");  // IKey, IShell

  // The objects picked up are gone from their scenes; the rug was pushed
  // aside and the lighthouse door stands open.
  for (int32_t key : {402, 404, 503, 504}) EXPECT_EQ(SavedValues(key)["VIS"].value.ToText(), "0") << key;
  EXPECT_EQ(SavedValues(403)["RX"].value.ToText(), "620");
  EXPECT_EQ(SavedValues(502)["ANIM"].value.ToText(), "2");
}

// The settings screen's choices are in the settings file, and the game noted
// that there is a saved game.
TEST_F(DemoGame, SettingsChosenOnTheSettingsScreen) {
  const std::string ini = ReadFile(UserFolder() / "settings.ini");
  for (const char* line : {"Snd=60", "Muz=40", "FS=0", "Saved=1"})
    EXPECT_NE(ini.find(line), std::string::npos) << line << " in\n" << ini;
}

// A few pixels a person would see.
TEST_F(DemoGame, Screenshots) {
  // The title: the heading in gold; New game brighter than the greyed
  // Continue (there is no saved game yet).
  const Shot title = Screenshot(100);
  EXPECT_GT(title.Count(280, 40, 750, 105, Gold), 1500);
  const int newGame = title.Count(150, 260, 410, 300, Light);
  const int cont = title.Count(150, 330, 410, 370, Light);
  EXPECT_GT(newGame, 300);
  EXPECT_LT(cont, newGame / 10);

  // The cottage: the fire burns in the fireplace; the matches are in the
  // first inventory slot (a red box).
  const Shot cottage = Screenshot(200);
  EXPECT_GT(cottage.Count(170, 420, 280, 530, [](int r, int g, int b) { return r > 230 && g > 150 && b < 160; }), 300);
  EXPECT_GT(cottage.Count(16, 680, 88, 756, [](int r, int g, int b) { return r > 150 && g < 80 && b < 80; }), 250);

  // The shore: the cheat typed at passes 320 to 330 makes stars sparkle all
  // over the night sky.
  const int before = Screenshot(318).Count(0, 140, 1024, 360, NearWhite);
  const int after = Screenshot(340).Count(0, 140, 1024, 360, NearWhite);
  EXPECT_GT(after, before + 150) << before;

  // Continued from the saved game: the key is back in the second slot and
  // another key follows the pointer below (132, 718).
  const Shot continued = Screenshot(530);
  EXPECT_GT(continued.Count(96, 680, 168, 700, Brass) + continued.Count(96, 700, 130, 756, Brass), 200);
  EXPECT_GT(continued.Count(140, 730, 215, 765, Brass), 200);

  // The lamp burns white-hot.
  const Shot lit = Screenshot(720);
  EXPECT_GT(lit.Count(460, 280, 560, 420, NearWhite), 8000);

  // The ending: the lantern shines and the text names the keeper.
  const Shot ending = Screenshot(860);
  EXPECT_GT(ending.Count(740, 150, 780, 200, NearWhite), 800);
  EXPECT_GT(ending.Count(340, 560, 690, 590, Gold), 500);
}

// The walkthroughs with pad and axis lines alone and with touch lines alone
// finish the game under the default name (the letter is signed empty) and
// make the same choices on the settings screen.
TEST(DemoDevices, PadAndTouchWalkthroughsFinishTheGame) {
  for (const char* name : {"walkthrough-pad.txt", "walkthrough-touch.txt"}) {
    TempDir game, users;
    fs::copy(BuiltDemo(), game.Path(),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    const auto result =
        apptest::RunPlayer(users.Path(), {"--steps", "2000", "--stats", "--input",
                                          Walkthrough(name).string(), game.Path().string()});
    ASSERT_EQ(result.status, 0) << name << ": " << result.err;
    const size_t at = result.out.find("steps ");
    ASSERT_NE(at, std::string::npos) << result.out;
    EXPECT_LT(std::stoi(result.out.substr(at + 6)), 2000) << name << ": the game did not quit";
    EXPECT_FALSE(fs::exists(game / "qazmir.err")) << ReadFile(game / "qazmir.err");
    const fs::path folder = users / "Qazmir" / "KeepersLight";
    bool complete = false;
    std::map<std::string, std::string> root;
    for (const auto& r : scene::ParseState(ReadFile(folder / "save.dat"), &complete))
      if (r.key == 1) root[r.name] = r.value.ToText();
    EXPECT_TRUE(complete) << name;
    EXPECT_EQ(root["PNAME"], "Keeper") << name;
    EXPECT_EQ(root["VISITED"], "cottage;shore;lamproom;ending;") << name;
    for (const char* flag : {"DOOROPEN", "LAMPOIL", "LAMPLIT", "FINISHED"})
      EXPECT_EQ(root[flag], "1") << name << " " << flag;
    const std::string ini = ReadFile(folder / "settings.ini");
    for (const char* line : {"Snd=60", "Muz=40", "FS=0"})
      EXPECT_NE(ini.find(line), std::string::npos) << name << ": " << line << " in\n" << ini;
  }
}

}  // namespace
