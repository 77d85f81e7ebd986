// The page's arguments: the native player's options as the page spells
// them, and what is refused.

#include <gtest/gtest.h>

#include "web/player_args.h"

namespace web {
namespace {

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> out;
  size_t at = 0;
  while (at < line.size()) {
    size_t end = line.find(' ', at);
    if (end == std::string::npos) end = line.size();
    if (end > at) out.push_back(line.substr(at, end - at));
    at = end + 1;
  }
  return out;
}

// Each line parses, and the check reads back what it set.
TEST(PlayerArgs, AcceptedLines) {
  struct Case {
    const char* line;
    bool (*check)(const WebOptions&);
  } cases[] = {
      {"/games/demo", [](const WebOptions& o) { return o.player.game == "/games/demo"; }},
      {"/testmode /g", [](const WebOptions& o) { return o.player.testMode && o.player.game == "/g"; }},
      {"--headless --steps 0", [](const WebOptions& o) { return o.player.headless && o.player.steps == 0; }},
      {"--steps=925", [](const WebOptions& o) { return o.player.steps == 925; }},
      {"--seed 18446744", [](const WebOptions& o) { return o.player.seed == 18446744u; }},
      {"--input /t/walk.rec --user-dir /userdata",
       [](const WebOptions& o) { return o.player.inputFile == "/t/walk.rec" && o.player.userDir == "/userdata"; }},
      {"--screenshot 720:/t/a.png --screenshot=0:/t/b.png",
       [](const WebOptions& o) {
         return o.player.screenshots.size() == 2 && o.player.screenshots[0].pass == 720 &&
                o.player.screenshots[0].file == "/t/a.png" && o.player.screenshots[1].pass == 0;
       }},
      {"--windowed --no-record --stats --console",
       [](const WebOptions& o) {
         return o.player.windowed && o.player.noRecord && o.player.stats && o.player.console;
       }},
      {"--scale 8 --codepage cp1252", [](const WebOptions& o) { return o.player.scale == 8 && o.player.codepage == "cp1252"; }},
      {"--script-budget 0", [](const WebOptions& o) { return o.player.scriptBudget == 0; }},
      {"--headless --audio-out /t/a.wav", [](const WebOptions& o) { return o.player.audioOut == "/t/a.wav"; }},
      {"--record /t/s.rec", [](const WebOptions& o) { return o.player.recordFile == "/t/s.rec"; }},
      {"--callbacks timer", [](const WebOptions& o) { return o.callbacks == Callbacks::Timer; }},
      {"--callbacks=immediate", [](const WebOptions& o) { return o.callbacks == Callbacks::Immediate; }},
      {"", [](const WebOptions& o) { return o.callbacks == Callbacks::Animation && o.player.game.empty(); }},
  };
  for (const Case& c : cases) {
    WebOptions o;
    EXPECT_EQ(ParsePlayerArguments(Words(c.line), o), "") << c.line;
    EXPECT_TRUE(c.check(o)) << c.line;
  }
  // A start time given as two words, as a page passes it.
  WebOptions o;
  EXPECT_EQ(ParsePlayerArguments({"--start-time", "2026-12-07 09:30:15"}, o), "");
  EXPECT_TRUE(o.player.startTime.has_value());
}

// The reason names the option and the value.
TEST(PlayerArgs, RefusedLines) {
  struct Case {
    const char* line;
    const char* reason;
  } cases[] = {
      {"--frobnicate", "unknown option --frobnicate"},
      {"--steps", "--steps wants a value"},
      {"--steps -1", "--steps wants a whole number of 0 or more, got \"-1\""},
      {"--steps ten", "--steps wants a whole number of 0 or more, got \"ten\""},
      {"--scale 9", "--scale wants a whole number from 1 to 8, got \"9\""},
      {"--scale 0", "--scale wants a whole number from 1 to 8, got \"0\""},
      {"--screenshot 12", "--screenshot wants S:FILE, got \"12\""},
      {"--screenshot 12:", "--screenshot wants S:FILE, got \"12:\""},
      {"--screenshot -1:/a.png", "--screenshot wants S:FILE, got \"-1:/a.png\""},
      {"--callbacks vsync", "--callbacks wants animation, timer or immediate, got \"vsync\""},
      {"--stats=1", "--stats takes no value"},
      {"/a /b", "one game only, got \"/a\" and \"/b\""},
      {"/g /TESTMODE", "one game only, got \"/g\" and \"/TESTMODE\""},
      {"--codepage KLINGON", "unknown code page \"KLINGON\""},
      {"--audio-out /a.wav", "--audio-out needs --headless"},
      {"--windowed --fullscreen", "--windowed excludes --fullscreen"},
      {"--start-time 2026-13-01", "--start-time wants \"YYYY-MM-DD hh:mm:ss\", got \"2026-13-01\""},
  };
  for (const Case& c : cases) {
    WebOptions o;
    EXPECT_EQ(ParsePlayerArguments(Words(c.line), o), c.reason) << c.line;
  }
}

}  // namespace
}  // namespace web
