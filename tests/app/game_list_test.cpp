// Starting without a game: the list of games played before and installed,
// played by a click, the keys or a dropped folder; the remembered list itself.

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/game_library.h"
#include "app/game_list.h"
#include "app/main_window.h"
#include "app_test_util.h"
#include "render/text_picture.h"
#include "scene/db.h"

namespace app {
namespace {

namespace fs = std::filesystem;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

// A game whose initialisation signs the root's Tag with its name.
void BuildSigned(const fs::path& folder, const std::string& name) {
  apptest::BuildGame(folder, name, R"J({"class": "TQZDB",
    "props": {"Id": ")J" + name + R"J(", "InitScreen": 1, "exInit": "TAG := 'played )J" + name + R"J('"},
    "children": [{"class": "TQZScreen", "props": {"Key": 1, "Id": "Hall"}}]})J");
}

// Two games played before (the second one gone since) and one installed.
class GameListRun : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildSigned(tower_.Path(), "tower");
    BuildSigned(data_ / "games" / "qazmir" / "isle", "isle");
    Remember();
    ::setenv("XDG_DATA_DIRS", data_.Path().c_str(), 1);
  }
  void Remember() {
    WriteFile(users_ / "qazmir" / "recent-games",
              (tower_ / "tower.qzf").string() + "\tTower of Ash\tTower\n" +
                  (gone_ / "lost.qzf").string() + "\tThe Lost Land\tLost\n");
  }
  void TearDown() override { ::unsetenv("XDG_DATA_DIRS"); }
  // Runs the player without a game: the root's Tag, "" when no game started.
  std::string Run(int64_t passes, const std::string& input, PlayerOptions* extra = nullptr) {
    PlayerOptions o = apptest::HeadlessOptions(tower_.Path(), users_.Path(), passes, input);
    o.game.clear();
    o.executable = (users_ / "qazmir-player").string();  // a folder without games
    if (extra) o.screenshots = extra->screenshots;
    TFormMain window(o);
    EXPECT_EQ(window.Run(), 0);
    return window.Root() ? window.Root()->Tag : std::string();
  }
  static int RowY(int row) { return GameList::kFirstRow + row * GameList::kRowHeight + 20; }

  TempDir tower_, gone_, data_, users_;
};

// The three entries in order: the remembered ones, most recent first (the
// gone one greyed), then the installed one under its file's name.
TEST_F(GameListRun, ListsRememberedThenInstalledGames) {
  const fs::path font = GameListFont();
  if (font.empty()) GTEST_SKIP() << "DejaVu Sans is not installed";
  PlayerOptions shot;
  shot.screenshots.push_back({1, (users_ / "list.png").string()});
  EXPECT_EQ(Run(3, "", &shot), "");
  int w, h;
  std::vector<uint32_t> px;
  ASSERT_TRUE(apptest::ReadPng(users_ / "list.png", w, h, px));
  struct Row {
    const char* title;
    uint32_t colour;
  } rows[] = {{"Tower of Ash", GameList::kTitleColour},
              {"The Lost Land", GameList::kGoneColour},
              {"isle", GameList::kTitleColour}};
  for (int r = 0; r < 3; ++r) {
    SCOPED_TRACE(rows[r].title);
    render::TextPicture text;
    ASSERT_EQ(render::RenderTextPicture(font.string(), GameList::kTitleSize,
                                        platform::Utf8ToUtf16(rows[r].title), text),
              render::TextPictureError::kNone);
    const int left = GameList::kTitleX, top = GameList::kFirstRow + r * GameList::kRowHeight +
                                              GameList::kTitleY;
    const uint32_t background = px[static_cast<size_t>(top) * w + left - 4];
    // Where the glyphs cover a pixel fully it takes the title's colour; where
    // they leave it, the row's background shows.
    int full = 0;
    for (int y = 0; y < text.height; ++y) {
      for (int x = 0; x < text.width; ++x) {
        const uint32_t coverage = text.pixels[static_cast<size_t>(y) * text.width + x] & 0xFF;
        const uint32_t seen = px[static_cast<size_t>(top + y) * w + left + x];
        if (coverage == 255) {
          EXPECT_EQ(seen & 0xFFFFFF, rows[r].colour & 0xFFFFFF) << x << "," << y;
          ++full;
        } else if (coverage == 0) {
          EXPECT_EQ(seen, background) << x << "," << y;
        }
      }
    }
    EXPECT_GT(full, 20);
  }
}

// A click, the keys and a dropped folder each play their game; a gone game
// is forgotten by its button; Escape quits.
TEST_F(GameListRun, ChoosingAGame) {
  TempDir dropped;
  BuildSigned(dropped.Path(), "dropped");
  struct Case {
    std::string input;
    std::string tag;
  } cases[] = {
      {"2 move 300 " + std::to_string(RowY(0)) + "\n3 down 300 " + std::to_string(RowY(0)) + "\n",
       "played tower"},
      {"2 key 40\n3 key 40\n4 key 13\n", "played isle"},
      {"2 pad dpdown down\n2 pad dpdown up\n3 pad dpdown down\n4 pad a down\n", "played isle"},
      {"2 touch down 300 " + std::to_string(RowY(0)) + "\n3 touch up 300 " + std::to_string(RowY(0)) +
           "\n",
       "played tower"},
      {"2 drop " + dropped.Path().string() + "\n", "played dropped"},
      {"2 key 27\n", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    Remember();
    EXPECT_EQ(Run(8, c.input), c.tag);
  }
  // The game played comes first in the list the next time.
  Remember();
  Run(8, "2 drop " + dropped.Path().string() + "\n");
  EXPECT_EQ(GameLibrary(users_ / "qazmir" / "recent-games").Remembered().front().title, "dropped");
  GameLibrary library(users_ / "qazmir" / "recent-games");
  auto list = library.List();
  const auto lost = std::find_if(list.begin(), list.end(), [](auto& g) { return g.gone; });
  ASSERT_NE(lost, list.end());
  const int row = static_cast<int>(lost - list.begin());
  EXPECT_EQ(Run(4, "2 down " + std::to_string(GameList::kRight - 20) + " " +
                       std::to_string(RowY(row)) + "\n"),
            "");
  EXPECT_EQ(library.List().size(), list.size() - 1);
  for (const GameEntry& g : library.Remembered()) EXPECT_NE(g.title, "The Lost Land");
}

// A dropped file that is no game leaves the list open; the next choice plays.
TEST_F(GameListRun, AGameThatCannotBePlayedLeavesTheListOpen) {
  TempDir noise;
  WriteFile(noise / "noise.qzf", std::string(3000, '\x7F'));
  EXPECT_EQ(Run(8, "2 drop " + (noise / "noise.qzf").string() + "\n4 key 13\n"), "played tower");
}

// The remembered list: most recent first, each game once, thirty at most;
// lines that are not games are passed over.
TEST(GameLibrary, RememberedGames) {
  TempDir dir;
  const fs::path file = dir / "state" / "recent-games";
  GameLibrary library(file);
  WriteFile(file, "garbage\n/a.qzf\tA\n\t\t\nrelative.qzf\tR\tR\n/b.qzf\tB\tb\n" +
                      std::string(5000, 'x') + "\n");
  ASSERT_EQ(library.Remembered().size(), 1u);
  EXPECT_EQ(library.Remembered()[0].title, "B");
  EXPECT_TRUE(library.Remembered()[0].gone);
  for (int i = 0; i < 40; ++i) library.Remember({"/g" + std::to_string(i) + ".qzf", "T\tab", "I", false, false});
  library.Remember({"/g5.qzf", "Five", "5", false, false});
  auto games = library.Remembered();
  ASSERT_EQ(games.size(), GameLibrary::kMaxRemembered);
  EXPECT_EQ(games[0].title, "Five");
  EXPECT_EQ(games[1].title, "T ab");  // a tab cannot enter a field
  EXPECT_EQ(games[1].file, "/g39.qzf");
  library.Forget("/g5.qzf");
  EXPECT_EQ(library.Remembered()[0].file, "/g39.qzf");
}

}  // namespace
}  // namespace app
