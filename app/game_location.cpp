#include "app/game_location.h"

#include "platform/file_search.h"
#include "platform/ini_file.h"

namespace app {

namespace {

namespace fs = std::filesystem;

bool IsFile(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

// The executable's name without a trailing ".exe", plus ".qzf".
std::string GameNameOf(const fs::path& executable) {
  std::string name = executable.filename().string();
  if (name.size() >= 4) {
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (tail == ".exe") name.erase(name.size() - 4);
  }
  return name + ".qzf";
}

std::optional<GameLocation> SearchFolder(const fs::path& folder, const fs::path& executable,
                                         const fs::path& editorSettings) {
  const std::string own = GameNameOf(executable);
  if (IsFile(folder / own)) return GameLocation{folder, own};
  auto found = platform::FindFiles(folder, "*.qzf");
  if (!found.empty()) return GameLocation{folder, found.front()};
  std::string path = platform::ReadProfileString(editorSettings, "Main", "Path", "*.qzf");
  for (char& c : path)
    if (c == '\\') c = '/';
  fs::path p(path);
  fs::path dir = p.parent_path();
  if (dir.empty()) dir = folder;
  else if (dir.is_relative()) dir = folder / dir;
  std::string file = p.filename().string();
  if (file.empty() || file.find('*') != std::string::npos || !IsFile(dir / file)) return std::nullopt;
  return GameLocation{dir, file};
}

}  // namespace

std::optional<GameLocation> LocateGame(const std::string& gameArgument,
                                       const fs::path& executable,
                                       const fs::path& editorSettings) {
  std::error_code ec;
  if (!gameArgument.empty()) {
    fs::path arg = fs::absolute(gameArgument, ec);
    if (fs::is_directory(arg, ec)) return SearchFolder(arg, executable, editorSettings);
    if (IsFile(arg)) return GameLocation{arg.parent_path(), arg.filename().string()};
    return std::nullopt;
  }
  fs::path folder = executable.parent_path();
  if (folder.empty()) folder = fs::current_path(ec);
  return SearchFolder(folder, executable, editorSettings);
}

}  // namespace app
