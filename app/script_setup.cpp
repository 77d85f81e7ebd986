#include "app/script_setup.h"

#include <chrono>

#include "scene/element.h"
#include "scene/script_runner.h"
#include "scriptlib/natives.h"

namespace app {

namespace {

double* g_scriptSeconds = nullptr;
int g_depth = 0;
scene::ScriptHooks g_inner;

// Times the outermost script runs.
void TimedRun(scene::TQZElement& e, const script::ScriptSlot& slot, const char* context,
              script::TVarList* sink) {
  if (!g_inner.Run) return;
  if (g_depth++ > 0 || !g_scriptSeconds) {
    g_inner.Run(e, slot, context, sink);
    --g_depth;
    return;
  }
  auto t0 = std::chrono::steady_clock::now();
  g_inner.Run(e, slot, context, sink);
  *g_scriptSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  --g_depth;
}

}  // namespace

void InitScripting(const PlayerOptions& options, double* scriptSeconds) {
  scene::ScriptRunner& runner = scene::ScriptRunner::Instance();  // installs the hooks
  scriptlib::RegisterNativesInPool();
  scriptlib::SetConsoleOutput(options.console);
  if (options.scriptBudget) runner.SetStatementBudget(static_cast<uint64_t>(*options.scriptBudget));
  // Set on every start: the pool outlives a game played before in the same process.
  const uint64_t variables = options.variableBudget ? static_cast<uint64_t>(*options.variableBudget)
                                                    : script::kDefaultVariableBudget;
  runner.ForEachInterpreter(
      [variables](script::TPasCalc& calc) { calc.SetVariableBudget(variables); });
  g_scriptSeconds = scriptSeconds;
  g_inner = scene::GetScriptHooks();
  scene::GetScriptHooks().Run = &TimedRun;
}

void ShutDownScripting() {
  if (scene::GetScriptHooks().Run == &TimedRun) scene::GetScriptHooks() = g_inner;
  g_scriptSeconds = nullptr;
}

}  // namespace app
