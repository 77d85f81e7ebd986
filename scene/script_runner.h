#pragma once
// ScriptRunner: the pool of interpreters and the run state of element scripts.
//
// Ten interpreters; runs nest only through natives that run other elements'
// events, and each nesting depth has an interpreter of its own (entry 0 is
// the one used outside runs, for preparing texts). A run that would need an
// eleventh is refused with an error reported on the calling interpreter.
//
// RunScript (one event): the interpreter of the next depth gets an empty
// variable list, the element becomes the current element (the one before it
// the previous element), the prepared text runs, and afterwards the variables
// the script created are copied into the variable sink (names it does not hold
// yet) when one is given: that is how an initialisation script's variables
// become the element's variables.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "scene/script_host.h"
#include "script/pascalc.h"

namespace scene {

class TQZElement;
class TQZDB;

class ScriptRunner {
 public:
  static constexpr int kPoolSize = 10;

  // The program's runner (created on first use, hooks installed).
  static ScriptRunner& Instance();

  ScriptRunner();
  ScriptRunner(const ScriptRunner&) = delete;
  ScriptRunner& operator=(const ScriptRunner&) = delete;

  // Makes TQZElement::SetScriptText and RunScript use this runner.
  void InstallHooks();

  script::TPasCalc& Interpreter(int index) { return *pool_[static_cast<size_t>(index)]; }
  // The interpreter of the current depth.
  script::TPasCalc& Active() { return Interpreter(depth_ - 1); }
  // Registration and options for every interpreter of the pool.
  void ForEachInterpreter(const std::function<void(script::TPasCalc&)>& f);
  void SetStatementBudget(uint64_t budget);
  void SetCacheEnabled(bool on);

  // 1 when no script runs.
  int Depth() const { return depth_; }
  TQZElement* CurrentElement() const;
  TQZElement* PreviousElement() const;
  uint32_t CurrentHandle() const { return current_; }
  const std::string& ContextName() const { return context_; }
  // The root used for the log when no element is current (the last one seen).
  TQZDB* Root() const;
  void SetRoot(TQZDB* root);

  void Prepare(TQZElement& element, script::ScriptSlot& slot);
  void Run(TQZElement& element, const script::ScriptSlot& slot, const char* context,
           script::TVarList* sink);

  ElementScriptHost& Host() { return host_; }

 private:
  ElementScriptHost host_;
  std::array<std::unique_ptr<script::TPasCalc>, kPoolSize> pool_;
  int depth_ = 1;
  uint32_t current_ = 0;
  uint32_t previous_ = 0;
  uint32_t root_ = 0;
  std::string context_;
};

}  // namespace scene
