#include "web/player_args.h"

#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string_view>

#include "app/input_script.h"
#include "platform/numeric.h"

namespace web {

namespace {

std::optional<int64_t> Whole(const std::string& text, int64_t lo, int64_t hi) {
  auto v = platform::ParseIntegerText(text);
  if (!v || *v < lo || *v > hi) return std::nullopt;
  return v;
}

struct Flag {
  const char* name;
  bool app::PlayerOptions::*member;
};

constexpr Flag kFlags[] = {
    {"--headless", &app::PlayerOptions::headless}, {"--console", &app::PlayerOptions::console},
    {"--windowed", &app::PlayerOptions::windowed}, {"--fullscreen", &app::PlayerOptions::fullscreen},
    {"--stats", &app::PlayerOptions::stats},       {"--no-record", &app::PlayerOptions::noRecord},
};

// An option with a value: the reason the value is refused, or empty.
using Setter = std::function<std::string(const std::string& value, WebOptions& o)>;

struct Valued {
  const char* name;
  Setter set;
};

std::string Text(std::string app::PlayerOptions::*member, const std::string& v, WebOptions& o) {
  o.player.*member = v;
  return {};
}

const std::vector<Valued>& ValuedOptions() {
  using P = app::PlayerOptions;
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  static const std::vector<Valued> table = {
      {"--steps",
       [](const std::string& v, WebOptions& o) -> std::string {
         auto n = Whole(v, 0, kMax);
         if (!n) return "wants a whole number of 0 or more";
         o.player.steps = *n;
         return {};
       }},
      {"--input", [](const std::string& v, WebOptions& o) { return Text(&P::inputFile, v, o); }},
      {"--screenshot",
       [](const std::string& v, WebOptions& o) -> std::string {
         app::ScreenshotRequest r;
         if (!app::ParseScreenshotRequest(v, r)) return "wants S:FILE";
         o.player.screenshots.push_back(r);
         return {};
       }},
      {"--seed",
       [](const std::string& v, WebOptions& o) -> std::string {
         auto n = Whole(v, 0, kMax);
         if (!n) return "wants a whole number of 0 or more";
         o.player.seed = static_cast<uint64_t>(*n);
         return {};
       }},
      {"--user-dir", [](const std::string& v, WebOptions& o) { return Text(&P::userDir, v, o); }},
      {"--codepage", [](const std::string& v, WebOptions& o) { return Text(&P::codepage, v, o); }},
      {"--audio-out", [](const std::string& v, WebOptions& o) { return Text(&P::audioOut, v, o); }},
      {"--record", [](const std::string& v, WebOptions& o) { return Text(&P::recordFile, v, o); }},
      {"--scale",
       [](const std::string& v, WebOptions& o) -> std::string {
         auto n = Whole(v, 1, 8);
         if (!n) return "wants a whole number from 1 to 8";
         o.player.scale = static_cast<int>(*n);
         return {};
       }},
      {"--start-time",
       [](const std::string& v, WebOptions& o) -> std::string {
         o.player.startTime = app::ParseStartTime(v);
         return o.player.startTime ? std::string() : "wants \"YYYY-MM-DD hh:mm:ss\"";
       }},
      {"--script-budget",
       [](const std::string& v, WebOptions& o) -> std::string {
         auto n = Whole(v, 0, kMax);
         if (!n) return "wants a whole number of 0 or more";
         o.player.scriptBudget = *n;
         return {};
       }},
      {"--callbacks",
       [](const std::string& v, WebOptions& o) -> std::string {
         if (v == "animation") o.callbacks = Callbacks::Animation;
         else if (v == "timer") o.callbacks = Callbacks::Timer;
         else if (v == "immediate") o.callbacks = Callbacks::Immediate;
         else return "wants animation, timer or immediate";
         return {};
       }},
  };
  return table;
}

}  // namespace

std::string ParsePlayerArguments(const std::vector<std::string>& args, WebOptions& out) {
  size_t i = 0;
  // "/TESTMODE" keeps its meaning only as the first argument.
  if (!args.empty() && platform::AsciiUpper(args[0]) == "/TESTMODE") {
    out.player.testMode = true;
    i = 1;
  }
  bool haveGame = false;
  for (; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      if (haveGame) return "one game only, got \"" + out.player.game + "\" and \"" + arg + "\"";
      out.player.game = arg;
      haveGame = true;
      continue;
    }
    const size_t eq = arg.find('=');
    const std::string name = arg.substr(0, eq);
    bool known = false;
    for (const Flag& f : kFlags) {
      if (name != f.name) continue;
      if (eq != std::string::npos) return name + " takes no value";
      out.player.*f.member = true;
      known = true;
    }
    for (const Valued& v : ValuedOptions()) {
      if (name != v.name) continue;
      std::string value;
      if (eq != std::string::npos) {
        value = arg.substr(eq + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        return name + " wants a value";
      }
      if (std::string why = v.set(value, out); !why.empty())
        return name + " " + why + ", got \"" + value + "\"";
      known = true;
    }
    if (!known) return "unknown option " + name;
  }
  return app::CheckPlayerOptions(out.player);
}

}  // namespace web
