#pragma once
// The screen a player sees when the player starts without a game: the games
// played before (most recent first; those whose files are gone greyed, with a
// button to forget them), the games installed in the standard folders, and a
// line that says how to add one. Drawn with the player's own canvas and a
// TrueType font; driven by the same pointer, key and drop input as a game, so
// that a session file can drive it too.

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/game_library.h"

namespace render {
class Canvas;
class ImageStore;
class RenderImage;
}  // namespace render

namespace app {

class GameList {
 public:
  // Layout, in the 1024 x 768 picture.
  static constexpr int kLeft = 48, kRight = 976;
  static constexpr int kFirstRow = 150, kRowHeight = 64, kVisibleRows = 7;
  static constexpr int kTitleX = 72, kTitleY = 8, kTitleSize = 26;
  static constexpr int kForgetSize = 32;
  static constexpr uint32_t kTitleColour = 0xFFFFFFFF, kGoneColour = 0xFF7A8294;

  struct Action {
    enum class Kind { None, Play, Quit } kind = Kind::None;
    std::filesystem::path game;
  };

  GameList(render::Canvas& canvas, const GameLibrary& library, std::filesystem::path fontFile);
  ~GameList();
  GameList(const GameList&) = delete;
  GameList& operator=(const GameList&) = delete;

  // Reads the library again (after a forget, or when a game failed).
  void Refresh();
  // A line shown under the list (why a game could not be played).
  void SetMessage(std::string utf8) { message_ = std::move(utf8); }
  const std::vector<GameEntry>& Entries() const { return entries_; }
  int Selected() const { return selected_; }

  void Draw();
  void PointerMove(int x, int y);
  Action Press(int x, int y);
  Action Key(int virtualKey);
  Action Drop(const std::filesystem::path& path);

 private:
  // The entry under a point, -1 for none; on a forget button when forget is set.
  int EntryAt(int x, int y, bool& forget) const;
  Action Choose(int index);
  void Select(int index);
  void Text(const std::string& utf8, int size, int x, int y, uint32_t colour);

  render::Canvas& canvas_;
  const GameLibrary& library_;
  std::filesystem::path fontFile_;
  std::unique_ptr<render::ImageStore> store_;
  std::map<std::pair<std::string, int>, render::RenderImage*> texts_;
  std::vector<GameEntry> entries_;
  std::string message_;
  int selected_ = 0;
  int hovered_ = -1;
  int scroll_ = 0;  // the first entry shown
};

// The font the list is drawn with: DejaVu Sans, which the package depends on.
std::filesystem::path GameListFont();

}  // namespace app
