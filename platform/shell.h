#pragma once
// Opening a web or mail address with the desktop's handler (xdg-open).

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// True for the addresses the player hands to the desktop: "http://",
// "https://" (followed by something) and "mailto:" (followed by something),
// scheme in any letter case, without control characters, at most 8192 bytes.
// Anything else (file://, plain paths, other schemes, text starting with "-")
// is refused, so game data cannot make the desktop run or open local files.
bool IsOpenableAddress(std::string_view address);

// Starts a program (searched in PATH) without a shell and without waiting for
// it: stdin and stdout go to /dev/null, and a detached thread reaps the child.
// False when the program could not be started.
bool SpawnDetached(const std::vector<std::string>& argv);

using SpawnFunction = std::function<bool(const std::vector<std::string>& argv)>;

// Opens the address (UTF-8, blanks around it ignored) with "xdg-open" through
// spawn (SpawnDetached when empty). Returns true when the handler was started;
// false for a refused address or a failed start. Never blocks.
bool OpenAddress(std::string_view address, const SpawnFunction& spawn = {});

}  // namespace platform
