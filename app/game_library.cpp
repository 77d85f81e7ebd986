#include "app/game_library.h"

#include <algorithm>
#include <sstream>

#include "app/game_location.h"
#include "platform/file_io.h"
#include "platform/user_dirs.h"

namespace app {

namespace fs = std::filesystem;

namespace {
// A list of thirty games is a few kilobytes; anything this large is not one.
constexpr uint64_t kMaxListBytes = 1 << 20;
constexpr size_t kMaxField = 4096;

bool Exists(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}
}  // namespace

fs::path RememberedGamesFile() {
  const fs::path home = platform::UserStateHome();
  return home.empty() ? fs::path() : home / "qazmir" / "recent-games";
}

fs::path GameFileIn(const fs::path& folder) {
  // No executable name and no editor settings: only the folder's own files.
  auto found = LocateGame(folder.string(), fs::path("/"), fs::path());
  return found ? found->folder / found->fileName : fs::path();
}

std::vector<GameEntry> GameLibrary::Remembered() const {
  std::vector<GameEntry> games;
  if (file_.empty()) return games;
  auto text = platform::ReadWholeFile(file_, kMaxListBytes);
  if (!text) return games;
  std::istringstream lines(*text);
  std::string line;
  while (std::getline(lines, line) && games.size() < kMaxRemembered) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string f; std::getline(in, f, '\t');) fields.push_back(f);
    if (fields.size() != 3 || fields[0].empty() || fields[0][0] != '/') continue;
    if (std::any_of(fields.begin(), fields.end(), [](const std::string& f) { return f.size() > kMaxField; }))
      continue;
    GameEntry g;
    g.file = fields[0];
    g.title = fields[1].empty() ? g.file.filename().string() : fields[1];
    g.id = fields[2];
    g.gone = !Exists(g.file);
    games.push_back(std::move(g));
  }
  return games;
}

std::vector<GameEntry> GameLibrary::List() const {
  std::vector<GameEntry> games = Remembered();
  std::vector<GameEntry> installed;
  for (const fs::path& data : platform::DataFolders()) {
    std::error_code ec;
    std::vector<fs::path> folders;
    for (fs::directory_iterator it(data / "games" / "qazmir", ec), end; !ec && it != end; it.increment(ec))
      if (it->is_directory(ec)) folders.push_back(it->path());
    std::sort(folders.begin(), folders.end());
    for (const fs::path& folder : folders) {
      fs::path file = GameFileIn(folder);
      if (file.empty()) continue;
      auto same = [&](const GameEntry& g) { return fs::equivalent(g.file, file, ec); };
      if (std::any_of(games.begin(), games.end(), same) ||
          std::any_of(installed.begin(), installed.end(), same))
        continue;
      GameEntry g;
      g.file = file;
      g.title = file.stem().string();
      g.installed = true;
      installed.push_back(std::move(g));
    }
  }
  games.insert(games.end(), installed.begin(), installed.end());
  return games;
}

void GameLibrary::Remember(const GameEntry& game) const {
  std::vector<GameEntry> games = Remembered();
  games.erase(std::remove_if(games.begin(), games.end(),
                             [&](const GameEntry& g) { return g.file == game.file; }),
              games.end());
  games.insert(games.begin(), game);
  if (games.size() > kMaxRemembered) games.resize(kMaxRemembered);
  Write(games);
}

void GameLibrary::Forget(const fs::path& gameFile) const {
  std::vector<GameEntry> games = Remembered();
  games.erase(std::remove_if(games.begin(), games.end(),
                             [&](const GameEntry& g) { return g.file == gameFile; }),
              games.end());
  Write(games);
}

void GameLibrary::Write(const std::vector<GameEntry>& games) const {
  if (file_.empty()) return;
  std::string text;
  auto clean = [](std::string s) {
    for (char& c : s)
      if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return s;
  };
  for (const GameEntry& g : games)
    text += clean(g.file.string()) + "\t" + clean(g.title) + "\t" + clean(g.id) + "\n";
  std::error_code ec;
  fs::create_directories(file_.parent_path(), ec);
  platform::WriteFileAtomically(file_, text);
}

}  // namespace app
