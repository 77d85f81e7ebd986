#pragma once
// Sessions as text: the input a run replays (--input) and writes (--record).
//
// A header of directive lines, then events numbered by pass (a frame):
//   seed N | start-time YYYY-MM-DD hh:mm:ss | desktop W H | game ID
//   <pass> move <x> <y> | <pass> down <x> <y> | <pass> up <x> <y>
//   <pass> key <vk> [alt] | <pass> char <code> | <pass> activate <0|1>
//   <pass> steps <n> | <pass> clock <value> | <pass> drop <path>
//   <pass> pad <button> down|up | <pass> axis <name> <value>
//   <pass> touch down|move|up <x> <y> [finger]
// "#" starts a comment; blank lines are skipped. Directives come before the
// first event, each at most once; passes never go down. "steps" gives the
// logic steps of a pass other than one; "clock" is one reading of the wall
// clock by a date native, in the order they were read. "drop" is a file or
// folder dropped onto the window (the rest of the line, UTF-8). Pads and
// touches are translated (pad_input.h) and recorded as what they gave; a
// move they gave inside a logic step is written "<pass> move <x> <y> step
// <k>" and reaches the game at the start of step k of the pass.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace app {

struct InputEvent {
  enum class Kind { Move, Down, Up, Key, Char, Activate, Steps, Clock, Drop, Pad, Axis, Touch };
  int64_t pass = 0;
  Kind kind = Kind::Move;
  int32_t x = 0, y = 0;  // move, down, up, touch
  // key (virtual-key code), char (UTF-16 unit), activate (0/1), steps, pad
  // (button), axis (axis), touch (phase)
  int32_t code = 0;
  int32_t value = 0;  // pad (1 down, 0 up), axis (value), touch (finger)
  int32_t step = 0;   // move: above 0, given in this logic step of the pass
  bool alt = false;   // key
  double clock = 0;   // clock: a date-time (days since 30 December 1899)
  std::string path;   // drop
  int line = 0;
};

struct SessionHeader {
  std::optional<uint64_t> seed;
  std::optional<double> startTime;  // a date-time
  std::optional<std::pair<int32_t, int32_t>> desktop;
  std::optional<std::string> game;  // the game's Id, UTF-8
};

struct InputScript {
  SessionHeader header;
  std::vector<InputEvent> events;  // in file order, so in pass order
  std::string error;               // first problem, with its line number; empty when fine
};

InputScript ParseInputScript(const std::string& text);

// The line of one event or directive, without the newline, as the parser reads it back.
std::string FormatInputEvent(const InputEvent& ev);
std::string FormatSessionHeader(const SessionHeader& header);

// "YYYY-MM-DD hh:mm:ss" as a date-time; nullopt for anything else.
std::optional<double> ParseStartTime(const std::string& text);
std::string FormatStartTime(double dateTime);

}  // namespace app
