// TPasCalc: host-facing entry points, run state and error state.

#include "script/pascalc.h"

#include <cstddef>
#include <new>

#include "platform/numeric.h"
#include "script/compiled.h"

namespace script {

namespace {

ScriptHost& DefaultHost() {
  static ScriptHost host;
  return host;
}

uint64_t g_generation = 0;

}  // namespace

uint64_t NextGeneration() {
  return ++g_generation;
}

// ---- procedures ------------------------------------------------------------

std::string TProcedure::Params() const {
  std::string out;
  for (size_t i = 0; i < ParamNames.size(); ++i) {
    if (i) out += "\r\n";
    out += ParamNames[i];
  }
  return out;
}

TProcList::TProcList() : gen_(NextGeneration()) {}

TProcedure* TProcList::Find(const std::string& name) const {
  if (list_.empty()) return nullptr;
  auto it = index_.find(name);
  return it == index_.end() ? nullptr : it->second;
}

TProcedure& TProcList::Add(std::unique_ptr<TProcedure> p) {
  TProcedure& ref = *p;
  // Owned first: a failed insertion must not leave the index naming a freed procedure.
  list_.push_back(std::move(p));
  index_.emplace(ref.Name, &ref);
  gen_ = NextGeneration();
  return ref;
}

// ---- run scopes ------------------------------------------------------------

// One run on this interpreter. A run started while another is in progress (a
// native running text on the calling interpreter, a script text assigned
// during a run) gets its own control state and procedures and gives the outer
// run its own back; only the error state is shared, so an error stops both.
struct RunStateSaver {
  TPasCalc& c;
  bool nested;
  int blockDepth = 0, signal = 0;
  std::string gotoLabel;
  std::shared_ptr<TProcList> procs;
  const TextRange* ctx = nullptr;

  explicit RunStateSaver(TPasCalc& calc) : c(calc), nested(calc.runNesting_ > 0) {
    if (nested) {
      blockDepth = c.blockDepth_;
      signal = c.signal_;
      gotoLabel = c.gotoLabel_;
      procs = c.procs_;
      ctx = c.ctx_;
    } else {
      c.executed_ = 0;
      c.useCache_ = c.cacheOn_;
    }
    EventSpending& event = g_process.event;
    if (event.runs++ == 0) {
      event.statements = 0;
      event.textBase = g_process.textGrowth;
      event.variableBase = g_process.variableRecords;
    }
    ++c.runNesting_;
  }
  ~RunStateSaver() {
    --g_process.event.runs;
    --c.runNesting_;
    if (!nested) {
      c.useCache_ = c.cacheOn_;
      return;
    }
    c.blockDepth_ = blockDepth;
    c.signal_ = signal;
    c.gotoLabel_ = std::move(gotoLabel);
    c.procs_ = std::move(procs);
    c.ctx_ = ctx;
  }
};

// ---- construction -------------------------------------------------------------

TPasCalc::TPasCalc(ScriptHost* host) : host_(host ? host : &DefaultHost()) {
  vars_.SetPrivate();
}

TPasCalc::~TPasCalc() = default;

void TPasCalc::SetHost(ScriptHost* host) {
  host_ = host ? host : &DefaultHost();
}

// ---- error state ------------------------------------------------------------------

void TPasCalc::ResetRunState() {
  errCode_ = 0;
  errMessage_.clear();
  errText_.clear();
  signal_ = 0;
  gotoLabel_.clear();
  blockDepth_ = -1;
}

template <class Body>
bool TPasCalc::Guarded(Body&& body) {
  const int nesting = g_process.nesting;
  const int callDepth = callDepth_;
  const size_t argDepth = argDepth_;
  const size_t flowBack = flowBack_.size();
  try {
    return body();
  } catch (const std::bad_alloc&) {
    g_process.nesting = nesting;
    callDepth_ = callDepth;
    argDepth_ = argDepth;
    flowBack_.erase(flowBack_.begin() + static_cast<std::ptrdiff_t>(flowBack), flowBack_.end());
    // A change to the variables may have stopped half made, and the
    // snapshots of the frames unwound may not have rolled back: start empty.
    vars_.Reset();
    OutOfMemory();
    return false;
  }
}

void TPasCalc::OutOfMemory() noexcept {
  try {
    Fail("Script stopped: out of memory", kErrBudget);
  } catch (const std::bad_alloc&) {
    // The line could not be made; the run fails all the same.
    if (errCode_ == 0) errCode_ = kErrBudget;
  }
}

void TPasCalc::SetError(const std::string& message, const TextRange& text, int code) {
  if (errCode_ != 0) return;
  errCode_ = code;
  errMessage_ = message;
  errText_ = text.Readable();
  LogError();
}

void TPasCalc::LogError() {
  if (host_->LogEnabled())
    WriteLog(LogQuote(errMessage_) + " (" + LogQuote(errText_) + " in " +
             host_->ElementDescription() + ") " + host_->EventLabel());
}

const TextRange& TPasCalc::NoText() {
  static const TextRange none;
  return none;
}

void TPasCalc::Fail(const std::string& message, int code) {
  SetError(message, ctx_ ? *ctx_ : NoText(), code);
}

void TPasCalc::Fail(const Fault& f) {
  Fail(f.message, f.code);
}

void TPasCalc::ReportError(const std::string& message, int code) {
  Fail(message, code);
}

void TPasCalc::WriteLog(const std::string& line) {
  host_->WriteLogLine(line);
}

void TPasCalc::NestingExhausted() {
  Fail("Script nested too deeply", kErrNesting);
}

// ---- entry points ---------------------------------------------------------------

const std::string& TPasCalc::PreparedText(const PreparedScript& script) {
  return script.Prepared();
}

std::shared_ptr<PreparedScript> TPasCalc::ObtainScript(const std::string& source) {
  if (UseCache() && cachedScript_ && cachedScript_->reusable && source == cachedSource_) {
    // The same text prepares the same way: replay its first declaration error.
    if (cachedScript_->declFault && errCode_ == 0) {
      errCode_ = cachedScript_->declFault.code;
      errMessage_ = cachedScript_->declFault.message;
      errText_ = cachedScript_->declText;
      LogError();
    }
    return cachedScript_;
  }
  bool hadError = errCode_ != 0;
  std::shared_ptr<PreparedScript> script = BuildScript(source);
  if (!hadError && errCode_ != 0) {
    script->declFault.code = errCode_;
    script->declFault.message = errMessage_;
    script->declText = errText_;
  }
  if (UseCache()) {
    cachedSource_ = source;
    cachedScript_ = script;
  }
  return script;
}

std::shared_ptr<PreparedScript> TPasCalc::PrepareScript(const std::string& source) {
  std::shared_ptr<PreparedScript> script;
  {
    RunStateSaver scope(*this);
    ResetRunState();
    procs_.reset();
    Guarded([&] {
      script = ObtainScript(source);
      return true;
    });
    blockDepth_ = -1;
  }
  // A preparation that failed to allocate leaves an empty script.
  if (!script) {
    script = std::make_shared<PreparedScript>();
    script->tokens = std::make_shared<TokenArray>();
    script->reusable = false;
  }
  // Outside a run the declared procedures stay registered until the next run.
  if (runNesting_ == 0) procs_ = script->procs;
  return script;
}

std::string TPasCalc::Prepare(const std::string& source) {
  return PrepareScript(source)->Prepared();
}

void TPasCalc::PrepareSlot(ScriptSlot& slot) {
  if (slot.Source.empty()) {
    slot.Prepared.clear();
    slot.Compiled.reset();
    return;
  }
  slot.Compiled = PrepareScript(slot.Source);
  slot.Prepared.clear();
}

bool TPasCalc::ExecuteMain(PreparedScript& script) {
  procs_ = script.procs;
  std::unique_ptr<StmtList> fresh;
  std::vector<TokenArrayPtr> owned;
  StmtList* list;
  TextRange whole{script.tokens.get(), 0, static_cast<uint32_t>(script.tokens->size())};
  if (UseCache()) {
    if (!script.mainList) script.mainList = OwnText(whole, owned);
    list = script.mainList.get();
  } else {
    fresh = OwnText(whole, owned);
    list = fresh.get();
  }
  ExecList(*list);
  return errCode_ == 0;
}

std::shared_ptr<PreparedScript> TPasCalc::CachedPrepared(const std::string& prepared) {
  if (UseCache() && cachedPreparedScript_ && prepared == cachedPreparedText_)
    return cachedPreparedScript_;
  auto script = std::make_shared<PreparedScript>();
  script->SetPrepared(prepared);
  script->tokens = std::make_shared<TokenArray>(ReadPreparedTokens(prepared));
  if (UseCache()) {
    cachedPreparedText_ = prepared;
    cachedPreparedScript_ = script;
  }
  return script;
}

bool TPasCalc::RunPrepared(const std::string& prepared) {
  RunStateSaver scope(*this);
  ResetRunState();
  return Guarded([&] {
    std::shared_ptr<PreparedScript> script = CachedPrepared(prepared);
    return ExecuteMain(*script);
  });
}

bool TPasCalc::RunPrepared(const std::shared_ptr<PreparedScript>& script) {
  RunStateSaver scope(*this);
  ResetRunState();
  if (!script) return true;
  // Keep the script alive for the whole run, whatever the run reassigns.
  std::shared_ptr<PreparedScript> hold = script;
  return Guarded([&] { return ExecuteMain(*hold); });
}

bool ScriptSlot::Empty() const {
  return Prepared.empty() && (!Compiled || !Compiled->tokens || Compiled->tokens->empty());
}

bool TPasCalc::RunSlot(const ScriptSlot& slot) {
  if (slot.Compiled) return RunPrepared(slot.Compiled);
  return RunPrepared(slot.Prepared);
}

bool TPasCalc::RunSource(const std::string& source) {
  RunStateSaver scope(*this);
  ResetRunState();
  procs_.reset();
  return Guarded([&] {
    std::shared_ptr<PreparedScript> script = ObtainScript(source);
    blockDepth_ = -1;
    if (errCode_ != 0) return false;
    return ExecuteMain(*script);
  });
}

bool TPasCalc::Evaluate(const std::string& expression, TVar& out) {
  return Guarded([&] {
    if (!cachedExprUnit_ || !UseCache() || expression != cachedExprText_) {
      std::string text = expression;
      auto tokens = std::make_shared<TokenArray>(
          IsPreparedText(expression) ? ReadPreparedTokens(expression) : Tokenize(expression));
      auto unit = std::make_shared<ExprUnit>(
          TextRange{tokens.get(), 0, static_cast<uint32_t>(tokens->size())});
      // All made before any is kept: the three always belong together.
      cachedExprText_ = std::move(text);
      cachedExprTokens_ = std::move(tokens);
      cachedExprUnit_ = std::move(unit);
    }
    // Held here: a native called by the expression may evaluate another one.
    TokenArrayPtr tokens = cachedExprTokens_;
    std::shared_ptr<ExprUnit> unit = cachedExprUnit_;
    return EvalUnit(*unit, out.value);
  });
}

bool TPasCalc::GetVariable(std::string_view name, TVar& out) {
  return vars_.Get(platform::AsciiUpper(TrimText(name)), out, host_);
}

bool TPasCalc::SetVariable(std::string_view name, const Value& value) {
  return vars_.SetExisting(platform::AsciiUpper(TrimText(name)), value);
}

}  // namespace script
