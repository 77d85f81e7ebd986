#pragma once
// Setting up the interpreter pool and the native function table for a run.

#include "app/options.h"

namespace app {

// Creates the interpreter pool with the native table registered, applies the
// statement and variable budgets and the console switch, and adds the time scripts take
// (outermost runs only) to *scriptSeconds.
void InitScripting(const PlayerOptions& options, double* scriptSeconds);
void ShutDownScripting();

}  // namespace app
