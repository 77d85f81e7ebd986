#pragma once
// The state file: a flat sequence of (element Key, value name, typed value)
// records, written by SaveState and read back by LoadState.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "script/value.h"

namespace scene {

class TQZDB;
class TQZElement;

struct StateHooks {
  std::function<void(bool)> SetLoadNow;  // the image cache's load-now switch
  std::function<void()> ResetClock;      // the frame timer's ResetClock
};

// Builds the bytes of a save of the whole tree.
std::string BuildState(TQZDB& root);
// Appends one record for element.GetValue(name); nothing when the name is
// unknown or the value's kind has no encoding.
void AppendStateValue(std::string& out, TQZElement& element, const std::string& name);

// Saves the whole tree into the file, replacing it atomically, then resets the
// clock. False when the file could not be written (the previous save stays).
bool WriteState(TQZDB& root, const std::filesystem::path& path, const StateHooks& hooks);

// Reads the file and applies it. Does nothing when the file cannot be opened.
// A record cut short or with an unknown tag ends the reading; nothing partial
// is applied, and the load finishes as at the end of the file.
bool ReadState(TQZDB& root, const std::filesystem::path& path, const StateHooks& hooks);
// The same over bytes already in memory.
void ApplyState(TQZDB& root, const std::string& bytes, const StateHooks& hooks);

// One parsed record, for tools and tests.
struct StateRecord {
  int32_t key = 0;
  std::string name;
  char tag = 0;
  script::Value value;  // "O" records hold the referenced Key as an Integer
};
// Appends the bytes of one record: the tag chooses the payload ("I" and "O"
// take value.i, "E" value.d, "W" the low 16 bits of value.i, "S" value.s);
// an unknown tag writes nothing.
void AppendStateRecord(std::string& out, const StateRecord& rec);
// Parses records up to the end or the first record that cannot be read whole;
// `complete` tells which.
std::vector<StateRecord> ParseState(const std::string& bytes, bool* complete = nullptr);

// 80-bit IEEE extended <-> double.
void DoubleToExtended(double v, uint8_t out[10]);
double ExtendedToDouble(const uint8_t in[10]);

}  // namespace scene
