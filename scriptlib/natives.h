#pragma once
// The runtime library of the event scripts: the table of 102 natives and the
// process-wide switches some of them read.

#include <cstddef>
#include <string_view>

#include "platform/shell.h"
#include "script/pascalc.h"

namespace scriptlib {

// Number of natives in the runtime library's table.
inline constexpr size_t kNativeCount = 102;

// The native names in registration order.
std::string_view NativeName(size_t index);

// Registers the runtime library into one interpreter, in the table's order,
// then the title-specific procedures.
void RegisterNatives(script::TPasCalc& calc);
// The same for every interpreter of the script runner's pool.
void RegisterNativesInPool();

// The title-specific procedures of particular games, registered after the
// runtime library. This player ships none.
void RegisterTitleNatives(script::TPasCalc& calc);

// Print writes its text and a newline to stdout only when this is on (the
// player's --console). Off by default.
void SetConsoleOutput(bool on);
bool ConsoleOutput();

// How GoToURL starts the desktop's handler (tests record the request instead
// of starting a program). An empty function restores the real start.
void SetAddressSpawner(platform::SpawnFunction spawn);

}  // namespace scriptlib
