#include "scene/script_runner.h"

#include "scene/db.h"
#include "scene/element.h"

namespace scene {

ScriptRunner& ScriptRunner::Instance() {
  static ScriptRunner* runner = [] {
    auto* r = new ScriptRunner();  // lives as long as the program (elements may outlive statics)
    r->InstallHooks();
    return r;
  }();
  return *runner;
}

ScriptRunner::ScriptRunner() : host_(*this) {
  for (auto& calc : pool_) calc = std::make_unique<script::TPasCalc>(&host_);
}

void ScriptRunner::InstallHooks() {
  ScriptHooks& hooks = GetScriptHooks();
  hooks.Prepare = [](TQZElement& e, script::ScriptSlot& slot) { Instance().Prepare(e, slot); };
  hooks.Run = [](TQZElement& e, const script::ScriptSlot& slot, const char* context,
                 script::TVarList* sink) { Instance().Run(e, slot, context, sink); };
}

void ScriptRunner::ForEachInterpreter(const std::function<void(script::TPasCalc&)>& f) {
  for (auto& calc : pool_) f(*calc);
}

void ScriptRunner::SetStatementBudget(uint64_t budget) {
  for (auto& calc : pool_) calc->SetStatementBudget(budget);
}

void ScriptRunner::SetCacheEnabled(bool on) {
  for (auto& calc : pool_) calc->SetCacheEnabled(on);
}

TQZElement* ScriptRunner::CurrentElement() const {
  return TQZElement::FromHandle(current_);
}
TQZElement* ScriptRunner::PreviousElement() const {
  return TQZElement::FromHandle(previous_);
}

TQZDB* ScriptRunner::Root() const {
  TQZElement* e = TQZElement::FromHandle(root_);
  return e ? e->Root() : nullptr;
}

void ScriptRunner::SetRoot(TQZDB* root) {
  root_ = root ? root->Handle() : 0;
}

void ScriptRunner::Prepare(TQZElement& element, script::ScriptSlot& slot) {
  if (element.Root()) SetRoot(element.Root());
  Active().PrepareSlot(slot);
}

void ScriptRunner::Run(TQZElement& element, const script::ScriptSlot& slot, const char* context,
                       script::TVarList* sink) {
  if (element.Root()) SetRoot(element.Root());
  if (depth_ >= kPoolSize) {
    // Every interpreter is busy: the run is refused, and the script that
    // asked for it stops with the error.
    Active().ReportError("Script runs nested too deeply", script::kErrNesting);
    return;
  }
  // Restores the run state however the run ends (a native may throw).
  struct Scope {
    ScriptRunner& r;
    uint32_t current, previous;
    std::string context;
    explicit Scope(ScriptRunner& runner)
        : r(runner),
          current(runner.current_),
          previous(runner.previous_),
          context(runner.context_) {
      ++r.depth_;
    }
    ~Scope() {
      --r.depth_;
      r.current_ = current;
      r.previous_ = previous;
      // Back in an outer run, its own event label holds again (log lines of
      // its later errors name it); outside runs the latest label stays.
      if (r.depth_ > 1) r.context_ = std::move(context);
    }
  } scope(*this);
  script::TPasCalc& calc = Active();
  calc.ClearVariables();
  if (slot.Empty()) return;
  previous_ = current_;
  current_ = element.Handle();
  context_ = context ? context : "";
  calc.RunSlot(slot);
  if (sink) {
    for (const script::TVar& v : calc.Variables().Items()) sink->AddQuiet(v);
  }
}

}  // namespace scene
