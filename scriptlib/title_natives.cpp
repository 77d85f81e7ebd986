#include "scriptlib/natives.h"

namespace scriptlib {

// The original player registered puzzle procedures of particular titles here,
// after the runtime library. Games of this player bring their logic in their
// scripts, so the table is empty; a title that needs procedures of its own
// registers them here, after the runtime library so that it may replace one.
void RegisterTitleNatives(script::TPasCalc& /*calc*/) {}

}  // namespace scriptlib
