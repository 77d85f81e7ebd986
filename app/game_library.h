#pragma once
// The games a player has: those played before, remembered between runs, and
// those installed in the standard folders (<data folder>/games/qazmir/<game>/).
//
// The remembered list is a text file, one game per line, most recent first:
// the game file's path, its title and its Id, separated by tabs. It is the
// player's own file: read with bounds (a damaged one gives what it could),
// written whole and atomically.

#include <filesystem>
#include <string>
#include <vector>

namespace app {

struct GameEntry {
  std::filesystem::path file;  // the .qzf file
  std::string title;           // the window's caption when it was played, else the file's name
  std::string id;              // the root's Id (remembered games)
  bool installed = false;
  bool gone = false;           // its file is no longer there
};

class GameLibrary {
 public:
  // The remembered list lives in file (see RememberedGamesFile).
  explicit GameLibrary(std::filesystem::path file) : file_(std::move(file)) {}

  // The remembered games (gone ones marked), then the installed games not
  // among them, each folder's game file found by the player's own rules.
  std::vector<GameEntry> List() const;
  std::vector<GameEntry> Remembered() const;
  // Puts the game first (once), keeping at most kMaxRemembered.
  void Remember(const GameEntry& game) const;
  void Forget(const std::filesystem::path& gameFile) const;

  static constexpr size_t kMaxRemembered = 30;

 private:
  void Write(const std::vector<GameEntry>& games) const;
  std::filesystem::path file_;
};

// <state home>/qazmir/recent-games.
std::filesystem::path RememberedGamesFile();

// The game file of a folder as start-up finds it (the folder's own name, then
// the first *.qzf); empty when there is none.
std::filesystem::path GameFileIn(const std::filesystem::path& folder);

}  // namespace app
