#pragma once
// Replayed input for headless runs: one event per line,
//   <pass> move <x> <y> | <pass> down <x> <y> | <pass> up <x> <y>
//   <pass> key <vk> [alt] | <pass> char <code> | <pass> activate <0|1>
// "#" starts a comment; blank lines are skipped.

#include <cstdint>
#include <string>
#include <vector>

namespace app {

struct InputEvent {
  enum class Kind { Move, Down, Up, Key, Char, Activate };
  int64_t pass = 0;
  Kind kind = Kind::Move;
  int32_t x = 0, y = 0;  // move, down, up
  int32_t code = 0;      // key (virtual-key code), char (UTF-16 unit), activate (0/1)
  bool alt = false;      // key
  int line = 0;
};

struct InputScript {
  std::vector<InputEvent> events;  // in file order
  std::string error;               // first problem, with its line number; empty when fine
};

InputScript ParseInputScript(const std::string& text);

}  // namespace app
