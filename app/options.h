#pragma once
// The player's command line, parsed (main.cpp natively, web/player_args.cpp
// for the page's arguments).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace app {

struct ScreenshotRequest {
  int64_t pass = 0;  // the state after this many passes
  std::string file;
};

struct PlayerOptions {
  bool testMode = false;  // "/TESTMODE" as the first argument
  bool headless = false;
  std::optional<int64_t> steps;
  std::string inputFile;
  std::vector<ScreenshotRequest> screenshots;
  std::optional<uint64_t> seed;
  std::string userDir;
  std::string codepage = "CP1251";
  bool console = false;
  std::string audioOut;
  bool windowed = false;
  bool fullscreen = false;
  int scale = 1;
  bool stats = false;
  std::optional<int64_t> scriptBudget;
  std::string recordFile;            // --record: the session is written here
  bool noRecord = false;             // --no-record: no session.rec for a window session
  std::optional<double> startTime;   // --start-time, a date-time
  std::optional<int64_t> variableBudget;
  std::string game;  // a .qzf file or a folder; empty: the executable's folder
  std::string executable;  // argv[0]
  // Not an option: the window's passes are called by a host that paces them
  // (a browser's frame callbacks), so the player never sleeps between them.
  bool pacedByCaller = false;
};

// "S:FILE" of --screenshot; false when it is not that.
bool ParseScreenshotRequest(const std::string& text, ScreenshotRequest& out);

// What no single option says is wrong: an unknown code page, --audio-out
// without --headless, both window modes. Empty when the options hold together.
std::string CheckPlayerOptions(const PlayerOptions& options);

}  // namespace app
