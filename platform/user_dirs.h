#pragma once
// The user's folders (XDG base directories) and the executable's own path.

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/codepage.h"

namespace platform {

// The player's --user-dir: replaces the data home for this process. An empty
// path removes the override.
void SetUserDataHomeOverride(const std::filesystem::path& dir);

// The override, else $XDG_DATA_HOME, else $HOME/.local/share. As the XDG rules
// say, an unset, empty or relative variable counts as missing. Empty when no
// home folder can be found (no override, no variable, no $HOME, no password
// entry): the per-user files then lie in the current directory.
std::filesystem::path UserDataHome();

// The override, else $XDG_STATE_HOME, else $HOME/.local/state: where the
// player keeps what it remembers between runs (the games played).
std::filesystem::path UserStateHome();

// The folders games may be installed under: the data home, then each of
// $XDG_DATA_DIRS (default /usr/local/share and /usr/share), relative entries
// skipped, each folder once.
std::vector<std::filesystem::path> DataFolders();

// $XDG_CONFIG_HOME, else $HOME/.config (same rules); empty when unknown.
std::filesystem::path UserConfigHome();

// The editor settings file that helps find a game: config home + "ZARarar.ini";
// empty when the config home is unknown.
std::filesystem::path EditorSettingsFile();

// The per-user folder of a game: data home + "Qazmir" + the Id as one folder
// name (SanitizeFolderName, converted from the code page to UTF-8 and cut to
// the 255 bytes a file name may hold), with a trailing separator. Empty when
// the data home is unknown. Nothing is created.
std::filesystem::path PerUserFolder(std::string_view id, const CodePage& cp = CodePage::Default());

// Creates a folder and its parents when missing (inside the game's folders
// after their links, when the folder lies there); true when it then exists as
// a folder.
bool EnsureFolder(const std::filesystem::path& dir);

// The running executable (/proc/self/exe); empty when it cannot be read.
std::filesystem::path ExecutablePath();

}  // namespace platform
