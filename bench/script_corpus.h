#pragma once
// Typical event scripts, generated: the same work in the event-script language
// and in Lua, for the preparation and loading benchmarks. About 200 bytes
// each, every one different (numbers and names vary), so no cache of the last
// text can help either side.

#include <string>

namespace bench {

struct EventScriptPair {
  std::string pascal;
  std::string lua;
};

EventScriptPair EventScript(int index);

}  // namespace bench
