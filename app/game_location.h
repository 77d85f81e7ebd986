#pragma once
// Finding the game file: the GAME argument (a .qzf file or a folder), else the
// executable's folder; in a folder, the executable's name + ".qzf", then the
// first "*.qzf" in name order, then `Path` of section `Main` in the editor
// settings file "ZARarar.ini".

#include <filesystem>
#include <optional>
#include <string>

namespace app {

struct GameLocation {
  std::filesystem::path folder;  // becomes the current directory
  std::string fileName;          // relative to the folder
};

// nullopt when no game file can be found (the name then names nothing).
std::optional<GameLocation> LocateGame(const std::string& gameArgument,
                                       const std::filesystem::path& executable,
                                       const std::filesystem::path& editorSettings);

}  // namespace app
