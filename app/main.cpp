// qazmir: plays a game made with the Qazmir engine.

#include <CLI/CLI.hpp>

#include <SDL.h>

#include <cstdio>
#include <filesystem>
#include <iostream>

#include "app/input_script.h"
#include "app/main_window.h"
#include "platform/numeric.h"
#include "platform/version.h"
#include "resources/library_versions.h"

namespace {

// The version and the libraries the player was built against.
std::string VersionText() {
  SDL_version linked;
  SDL_GetVersion(&linked);
  char sdl[64];
  std::snprintf(sdl, sizeof sdl, "SDL %d.%d.%d", linked.major, linked.minor, linked.patch);
  return std::string("qazmir ") + platform::kVersion + "\nbuilt with " + sdl + ", " +
         resources::ImageAndSoundLibraryVersions();
}

}  // namespace

int main(int argc, char** argv) {
  app::PlayerOptions options;
  options.executable = argv[0];
  std::vector<std::string> args(argv + 1, argv + argc);
  // "/TESTMODE" keeps its meaning only as the first argument.
  if (!args.empty() && platform::AsciiUpper(args[0]) == "/TESTMODE") {
    options.testMode = true;
    args.erase(args.begin());
  }

  CLI::App cli{"qazmir: plays a game made with the Qazmir engine", "qazmir"};
  cli.set_version_flag("--version", VersionText());
  std::vector<std::string> screenshots;
  int64_t steps = -1, scriptBudget = -1, variableBudget = -1;
  uint64_t seed = 0;
  cli.add_option("GAME", options.game, "the game: a .qzf file or its folder");
  cli.add_flag("--headless", options.headless, "no window and no audio device; virtual clock");
  auto* stepsOpt = cli.add_option("--steps", steps, "stop after N passes (headless) or N logic steps")
                       ->check(CLI::NonNegativeNumber);
  cli.add_option("--input", options.inputFile, "replay a session or input file exactly");
  cli.add_option("--screenshot", screenshots, "S:FILE: write the frame drawn in pass S + 1 as PNG")
      ->allow_extra_args(false);
  auto* seedOpt = cli.add_option("--seed", seed, "seed the random generator");
  cli.add_option("--user-dir", options.userDir, "folder for per-user files (Qazmir/<Id>/ inside)");
  cli.add_option("--codepage", options.codepage, "the game's code page (default CP1251)");
  cli.add_flag("--console", options.console, "the Print function writes to stdout");
  cli.add_option("--audio-out", options.audioOut, "with --headless: mix the sound into a WAV file");
  auto* windowed = cli.add_flag("--windowed", options.windowed, "play in a window this time");
  auto* fullscreen = cli.add_flag("--fullscreen", options.fullscreen, "play full screen this time");
  windowed->excludes(fullscreen);
  cli.add_option("--scale", options.scale, "window scale (1 to 8)")->check(CLI::Range(1, 8));
  cli.add_flag("--stats", options.stats, "print frames, steps and times at exit");
  cli.add_option("--record", options.recordFile, "write the session to FILE (replay it with --input)");
  cli.add_flag("--no-record", options.noRecord, "no session.rec for a window session");
  std::string startTime;
  auto* startOpt = cli.add_option("--start-time", startTime,
                                  "headless: the date natives' clock starts at \"YYYY-MM-DD hh:mm:ss\"");
  auto* budgetOpt = cli.add_option("--script-budget", scriptBudget,
                                   "statements one script run may execute (0: no limit)")
                        ->check(CLI::NonNegativeNumber);
  auto* variablesOpt = cli.add_option("--variable-budget", variableBudget,
                                      "variables one event's scripts may add (0: no limit)")
                           ->check(CLI::NonNegativeNumber);
  try {
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    cli.parse(reversed);
  } catch (const CLI::CallForHelp& e) {
    return cli.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return cli.exit(e);
  } catch (const CLI::ParseError& e) {
    cli.exit(e);
    return 2;
  }
  if (*stepsOpt) options.steps = steps;
  if (*seedOpt) options.seed = seed;
  if (*budgetOpt) options.scriptBudget = scriptBudget;
  if (*startOpt) {
    options.startTime = app::ParseStartTime(startTime);
    if (!options.startTime) {
      std::cerr << "qazmir: --start-time wants \"YYYY-MM-DD hh:mm:ss\", got \"" << startTime << "\"\n";
      return 2;
    }
  }
  if (*variablesOpt) options.variableBudget = variableBudget;
  for (const auto& s : screenshots) {
    app::ScreenshotRequest r;
    if (!app::ParseScreenshotRequest(s, r)) {
      std::cerr << "qazmir: --screenshot wants S:FILE, got \"" << s << "\"\n";
      return 2;
    }
    options.screenshots.push_back(r);
  }
  // The player makes the game's folder its current directory: file names the
  // user gave are taken relative to where the player was started.
  auto absolute = [](std::string& path) {
    if (path.empty()) return;
    std::error_code ec;
    auto abs = std::filesystem::absolute(path, ec);
    if (!ec) path = abs.string();
  };
  absolute(options.inputFile);
  absolute(options.recordFile);
  absolute(options.userDir);
  absolute(options.audioOut);
  for (auto& shot : options.screenshots) absolute(shot.file);
  if (std::string why = app::CheckPlayerOptions(options); !why.empty()) {
    std::cerr << "qazmir: " << why << "\n";
    return 2;
  }
  int status;
  {
    app::TFormMain window(options);
    status = window.Run();
  }
  SDL_Quit();
  return status;
}
