#include "scriptlib/natives.h"

namespace scriptlib {

// Natives of particular titles. Games bring their logic in their scripts,
// so the table is empty; a title that needs procedures of its own registers
// them here, after the runtime library so that it may replace one.
void RegisterTitleNatives(script::TPasCalc& /*calc*/) {}

}  // namespace scriptlib
