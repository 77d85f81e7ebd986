#include "app/input_script.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "app/pad_input.h"
#include "platform/numeric.h"
#include "render/frame_timer.h"
#include "scriptlib/date_time.h"

namespace app {

namespace {

// Date-times a clock line may hold: years 1 to 9999.
constexpr double kFirstDay = -693593, kLastDay = 2958466;

bool ReadInt(std::istringstream& in, int64_t lo, int64_t hi, int64_t& out) {
  std::string word;
  if (!(in >> word)) return false;
  auto v = platform::ParseIntegerText(word);
  if (!v || *v < lo || *v > hi) return false;
  out = *v;
  return true;
}

bool ReadReal(std::istringstream& in, double lo, double hi, double& out) {
  std::string word;
  if (!(in >> word)) return false;
  char* end = nullptr;
  out = std::strtod(word.c_str(), &end);
  return end && *end == '\0' && std::isfinite(out) && out >= lo && out < hi;
}

std::string Trimmed(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  size_t e = s.find_last_not_of(" \t\r");
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

// One event after its pass number; the reason it is not one otherwise.
std::string ParseEvent(std::istringstream& in, InputEvent& ev) {
  std::string kind;
  if (!(in >> kind)) return "expected an event after the pass number";
  if (kind == "drop") {
    ev.kind = InputEvent::Kind::Drop;
    std::string rest;
    std::getline(in, rest);
    ev.path = Trimmed(rest);
    return ev.path.empty() ? "expected a path after \"drop\"" : std::string();
  }
  int64_t a = 0, b = 0;
  if (kind == "move" || kind == "down" || kind == "up") {
    ev.kind = kind == "move" ? InputEvent::Kind::Move
                             : (kind == "down" ? InputEvent::Kind::Down : InputEvent::Kind::Up);
    if (!ReadInt(in, -100000, 100000, a) || !ReadInt(in, -100000, 100000, b))
      return "expected two coordinates after \"" + kind + "\"";
    ev.x = static_cast<int32_t>(a);
    ev.y = static_cast<int32_t>(b);
    std::string word;
    if (ev.kind == InputEvent::Kind::Move && in >> word) {
      if (word != "step" || !ReadInt(in, 1, render::FrameTimer::kMaxStepsPerIdle, a))
        return "expected \"step\" and a step from 1 to " +
               std::to_string(render::FrameTimer::kMaxStepsPerIdle) + " after the coordinates";
      ev.step = static_cast<int32_t>(a);
    }
  } else if (kind == "pad") {
    ev.kind = InputEvent::Kind::Pad;
    std::string name, dir;
    in >> name >> dir;
    const auto button = PadButtonFromName(name);
    if (!button || (dir != "down" && dir != "up"))
      return "expected a button name and \"down\" or \"up\" after \"pad\"";
    ev.code = static_cast<int32_t>(*button);
    ev.value = dir == "down" ? 1 : 0;
  } else if (kind == "axis") {
    ev.kind = InputEvent::Kind::Axis;
    std::string name;
    in >> name;
    const auto axis = PadAxisFromName(name);
    if (!axis || !ReadInt(in, -32768, 32767, a))
      return "expected an axis name and a value from -32768 to 32767 after \"axis\"";
    ev.code = static_cast<int32_t>(*axis);
    ev.value = static_cast<int32_t>(a);
  } else if (kind == "touch") {
    ev.kind = InputEvent::Kind::Touch;
    std::string phase;
    in >> phase;
    ev.code = phase == "down" ? 0 : phase == "move" ? 1 : phase == "up" ? 2 : -1;
    if (ev.code < 0 || !ReadInt(in, -100000, 100000, a) || !ReadInt(in, -100000, 100000, b))
      return "expected \"down\", \"move\" or \"up\" and two coordinates after \"touch\"";
    ev.x = static_cast<int32_t>(a);
    ev.y = static_cast<int32_t>(b);
    int64_t finger = 0;
    if (!(in >> std::ws).eof() && !ReadInt(in, 0, 1000, finger))
      return "expected a finger number from 0 to 1000 after the coordinates";
    ev.value = static_cast<int32_t>(finger);
  } else if (kind == "key") {
    ev.kind = InputEvent::Kind::Key;
    if (!ReadInt(in, 0, 255, a)) return "expected a virtual-key code from 0 to 255 after \"key\"";
    ev.code = static_cast<int32_t>(a);
    std::string mod;
    if (in >> mod) {
      if (mod != "alt") return "unknown key modifier \"" + mod + "\"";
      ev.alt = true;
    }
  } else if (kind == "char") {
    ev.kind = InputEvent::Kind::Char;
    if (!ReadInt(in, 0, 0xFFFF, a)) return "expected a UTF-16 code unit after \"char\"";
    ev.code = static_cast<int32_t>(a);
  } else if (kind == "activate") {
    ev.kind = InputEvent::Kind::Activate;
    if (!ReadInt(in, 0, 1, a)) return "expected 0 or 1 after \"activate\"";
    ev.code = static_cast<int32_t>(a);
  } else if (kind == "steps") {
    ev.kind = InputEvent::Kind::Steps;
    if (!ReadInt(in, 0, render::FrameTimer::kMaxStepsPerIdle, a))
      return "expected a step count from 0 to " +
             std::to_string(render::FrameTimer::kMaxStepsPerIdle) + " after \"steps\"";
    ev.code = static_cast<int32_t>(a);
  } else if (kind == "clock") {
    ev.kind = InputEvent::Kind::Clock;
    if (!ReadReal(in, kFirstDay, kLastDay, ev.clock))
      return "expected a date-time number after \"clock\"";
  } else {
    return "unknown event \"" + kind + "\"";
  }
  std::string extra;
  if (in >> extra) return "unexpected \"" + extra + "\" at the end of the line";
  return {};
}

// One directive line; the reason it is not one otherwise.
std::string ParseDirective(const std::string& name, std::istringstream& in, const std::string& line,
                           SessionHeader& h) {
  auto twice = [&](bool given) { return given ? "\"" + name + "\" is given twice" : std::string(); };
  if (name == "seed") {
    if (h.seed) return twice(true);
    std::string word, extra;
    auto v = (in >> word) ? platform::ParseIntegerText(word) : std::nullopt;
    if (!v || *v < 0 || (in >> extra)) return "expected a seed (a whole number) after \"seed\"";
    h.seed = static_cast<uint64_t>(*v);
  } else if (name == "start-time") {
    if (h.startTime) return twice(true);
    std::string date, time, extra;
    in >> date >> time;
    auto t = ParseStartTime(date + " " + time);
    if (!t || (in >> extra)) return "expected \"YYYY-MM-DD hh:mm:ss\" after \"start-time\"";
    h.startTime = t;
  } else if (name == "desktop") {
    if (h.desktop) return twice(true);
    int64_t w = 0, ht = 0;
    std::string extra;
    if (!ReadInt(in, 1, 100000, w) || !ReadInt(in, 1, 100000, ht) || (in >> extra))
      return "expected a width and a height after \"desktop\"";
    h.desktop = std::make_pair(static_cast<int32_t>(w), static_cast<int32_t>(ht));
  } else if (name == "game") {
    if (h.game) return twice(true);
    std::string id = Trimmed(line.substr(line.find("game") + 4));
    if (id.empty()) return "expected the game's Id after \"game\"";
    h.game = id;
  } else {
    return "unknown directive \"" + name + "\"";
  }
  return {};
}

}  // namespace

InputScript ParseInputScript(const std::string& text) {
  InputScript script;
  std::istringstream lines(text);
  std::string line;
  int lineNo = 0;
  int64_t lastPass = 0;
  while (std::getline(lines, line)) {
    ++lineNo;
    if (size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::istringstream in(line);
    std::string first;
    if (!(in >> first)) continue;
    std::string why;
    if (first[0] < '0' || first[0] > '9') {
      why = !script.events.empty() ? "directives come before the first event"
                                   : ParseDirective(first, in, line, script.header);
    } else {
      InputEvent ev;
      ev.line = lineNo;
      auto pass = platform::ParseIntegerText(first);
      if (!pass || *pass < 1) {
        why = "expected a pass number of at least 1, found \"" + first + "\"";
      } else if (*pass < lastPass) {
        why = "pass " + std::to_string(*pass) + " comes after pass " + std::to_string(lastPass);
      } else {
        ev.pass = *pass;
        why = ParseEvent(in, ev);
        if (why.empty()) {
          lastPass = ev.pass;
          script.events.push_back(ev);
        }
      }
    }
    if (!why.empty()) {
      script.error = "line " + std::to_string(lineNo) + ": " + why;
      break;
    }
  }
  return script;
}

std::string FormatInputEvent(const InputEvent& ev) {
  std::string p = std::to_string(ev.pass) + " ";
  auto xy = [&](const char* kind) {
    return p + kind + " " + std::to_string(ev.x) + " " + std::to_string(ev.y);
  };
  switch (ev.kind) {
    case InputEvent::Kind::Move:
      return xy("move") + (ev.step > 0 ? " step " + std::to_string(ev.step) : std::string());
    case InputEvent::Kind::Down: return xy("down");
    case InputEvent::Kind::Up: return xy("up");
    case InputEvent::Kind::Key: return p + "key " + std::to_string(ev.code) + (ev.alt ? " alt" : "");
    case InputEvent::Kind::Char: return p + "char " + std::to_string(ev.code);
    case InputEvent::Kind::Activate: return p + "activate " + std::to_string(ev.code);
    case InputEvent::Kind::Steps: return p + "steps " + std::to_string(ev.code);
    case InputEvent::Kind::Drop: return p + "drop " + ev.path;
    case InputEvent::Kind::Clock: {
      // Seventeen digits bring back the very double that was read.
      char value[40];
      std::snprintf(value, sizeof value, "%.17g", ev.clock);
      return p + "clock " + value;
    }
    case InputEvent::Kind::Pad:
      return p + "pad " + PadButtonName(static_cast<PadButton>(ev.code)) +
             (ev.value ? " down" : " up");
    case InputEvent::Kind::Axis:
      return p + "axis " + PadAxisName(static_cast<PadAxis>(ev.code)) + " " +
             std::to_string(ev.value);
    case InputEvent::Kind::Touch:
      return p + "touch " + TouchPhaseName(static_cast<TouchPhase>(ev.code)) + " " +
             std::to_string(ev.x) + " " + std::to_string(ev.y) +
             (ev.value ? " " + std::to_string(ev.value) : std::string());
  }
  return {};
}

std::string FormatSessionHeader(const SessionHeader& h) {
  std::string out;
  if (h.seed) out += "seed " + std::to_string(*h.seed) + "\n";
  if (h.startTime) out += "start-time " + FormatStartTime(*h.startTime) + "\n";
  if (h.desktop)
    out += "desktop " + std::to_string(h.desktop->first) + " " + std::to_string(h.desktop->second) + "\n";
  if (h.game) out += "game " + *h.game + "\n";
  return out;
}

std::optional<double> ParseStartTime(const std::string& text) {
  int y, mo, d, h, mi, s, used = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%n", &y, &mo, &d, &h, &mi, &s, &used) != 6 ||
      static_cast<size_t>(used) != text.size())
    return std::nullopt;
  double date = 0, time = 0;
  if (!scriptlib::TryEncodeDate(y, mo, d, date) || !scriptlib::TryEncodeTime(h, mi, s, 0, time))
    return std::nullopt;
  return date + time;
}

std::string FormatStartTime(double dateTime) {
  return scriptlib::FormatDateTime("yyyy-mm-dd hh:nn:ss", dateTime);
}

}  // namespace app
