#pragma once
// The arguments a page (or node) gives the web player: the native player's
// options that make sense there, spelled as on its command line, plus how
// the browser is to call the passes. CLI11 stays out of the web build.

#include <string>
#include <vector>

#include "app/options.h"

namespace web {

// Which browser callback drives the passes.
enum class Callbacks {
  Animation,  // requestAnimationFrame, one pass per 1/30 s (the default)
  Timer,      // a 30 Hz timer (pages under a virtual clock, where animation frames stall)
  Immediate,  // as fast as the browser runs them (replays in the test page)
};

struct WebOptions {
  app::PlayerOptions player;
  Callbacks callbacks = Callbacks::Animation;
};

// Parses "/TESTMODE" (first only), "--name value" or "--name=value" for
// --headless, --steps, --input, --screenshot (repeatable), --seed, --user-dir,
// --codepage, --console, --audio-out, --windowed, --fullscreen, --scale,
// --stats, --record, --no-record, --start-time, --script-budget and
// --callbacks animation|timer|immediate, and at most one GAME. Checks what
// the native command line checks. Empty on success, else the reason.
std::string ParsePlayerArguments(const std::vector<std::string>& args, WebOptions& out);

}  // namespace web
