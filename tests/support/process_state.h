#pragma once
// Scoped guards for the process-wide state of the interpreter and the scene
// (script/process_state.h, scene/scene_state.h). Every test also starts from
// a reset state (process_state_reset.cpp), so a test that stops at a failed
// assertion cannot hand a flag on to the next one; the guards keep the flag
// from reaching the later steps of the same test.

#include "scene/scene_state.h"
#include "script/process_state.h"

namespace testing_support {

// Both process states back to those of a fresh process.
inline void ResetProcessStates() {
  script::ResetProcessState();
  scene::ResetSceneState();
}

// Resets both states when made and again when it goes: for a test whose
// natives leave a flag set on purpose (Exec and GetVar leave the quiet
// lookup flag set).
class ProcessStateGuard {
 public:
  ProcessStateGuard() { ResetProcessStates(); }
  ~ProcessStateGuard() { ResetProcessStates(); }
  ProcessStateGuard(const ProcessStateGuard&) = delete;
  ProcessStateGuard& operator=(const ProcessStateGuard&) = delete;
};

// Sets the quiet lookup flag for its lifetime, then clears it.
class QuietLookupScope {
 public:
  QuietLookupScope() { script::g_process.quietLookup = true; }
  ~QuietLookupScope() { script::g_process.quietLookup = false; }
  QuietLookupScope(const QuietLookupScope&) = delete;
  QuietLookupScope& operator=(const QuietLookupScope&) = delete;
};

}  // namespace testing_support
