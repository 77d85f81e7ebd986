#include "app/input_script.h"

#include <sstream>

#include "platform/numeric.h"

namespace app {

namespace {

bool ReadInt(std::istringstream& in, int64_t lo, int64_t hi, int64_t& out) {
  std::string word;
  if (!(in >> word)) return false;
  auto v = platform::ParseIntegerText(word);
  if (!v || *v < lo || *v > hi) return false;
  out = *v;
  return true;
}

}  // namespace

InputScript ParseInputScript(const std::string& text) {
  InputScript script;
  std::istringstream lines(text);
  std::string line;
  int lineNo = 0;
  auto fail = [&](const std::string& why) {
    if (script.error.empty()) script.error = "line " + std::to_string(lineNo) + ": " + why;
  };
  while (std::getline(lines, line)) {
    ++lineNo;
    if (size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::istringstream in(line);
    std::string first;
    if (!(in >> first)) continue;
    InputEvent ev;
    ev.line = lineNo;
    auto pass = platform::ParseIntegerText(first);
    if (!pass || *pass < 1) {
      fail("expected a pass number of at least 1, found \"" + first + "\"");
      continue;
    }
    ev.pass = *pass;
    std::string kind;
    if (!(in >> kind)) {
      fail("expected an event after the pass number");
      continue;
    }
    int64_t a = 0, b = 0;
    if (kind == "move" || kind == "down" || kind == "up") {
      ev.kind = kind == "move" ? InputEvent::Kind::Move
                               : (kind == "down" ? InputEvent::Kind::Down : InputEvent::Kind::Up);
      if (!ReadInt(in, -100000, 100000, a) || !ReadInt(in, -100000, 100000, b)) {
        fail("expected two coordinates after \"" + kind + "\"");
        continue;
      }
      ev.x = static_cast<int32_t>(a);
      ev.y = static_cast<int32_t>(b);
    } else if (kind == "key") {
      ev.kind = InputEvent::Kind::Key;
      if (!ReadInt(in, 0, 255, a)) {
        fail("expected a virtual-key code from 0 to 255 after \"key\"");
        continue;
      }
      ev.code = static_cast<int32_t>(a);
      std::string mod;
      if (in >> mod) {
        if (mod != "alt") {
          fail("unknown key modifier \"" + mod + "\"");
          continue;
        }
        ev.alt = true;
      }
    } else if (kind == "char") {
      ev.kind = InputEvent::Kind::Char;
      if (!ReadInt(in, 0, 0xFFFF, a)) {
        fail("expected a UTF-16 code unit after \"char\"");
        continue;
      }
      ev.code = static_cast<int32_t>(a);
    } else if (kind == "activate") {
      ev.kind = InputEvent::Kind::Activate;
      if (!ReadInt(in, 0, 1, a)) {
        fail("expected 0 or 1 after \"activate\"");
        continue;
      }
      ev.code = static_cast<int32_t>(a);
    } else {
      fail("unknown event \"" + kind + "\"");
      continue;
    }
    std::string extra;
    if (in >> extra) {
      fail("unexpected \"" + extra + "\" at the end of the line");
      continue;
    }
    script.events.push_back(ev);
  }
  return script;
}

}  // namespace app
