#pragma once
// TPasCalc: the interpreter of the event-script language.
//
// Index (each group is implemented in the file named beside it):
//   host-facing entry points, registration, error state   pascalc.cpp
//   declaration pass, USES/INCLUDE                          declarations.cpp
//   expression parse into cached trees                      expr_compiler.cpp
//   expression evaluation, calls of procedures and natives  evaluator.cpp
//   statement extraction and parse                          stmt_compiler.cpp
//   statement execution and control flow                    executor.cpp
//
// One instance is one independent interpreter: its own variables, function
// table, run state and error state. A run keeps only its first error; every
// construct stops at its next check and the run answers false.
//
// Two modes, one set of observable results (SetCacheEnabled):
//   cached     (the default) statements, expression trees and name lookups
//              are kept between runs and calls: record-id hints, absent-name
//              entries, procedure bodies parsed once, an undo journal instead
//              of a copy of the variables per call.
//   uncached   the reference interpreter: every statement is extracted and
//              parsed afresh each time it runs, every name is searched for,
//              every procedure call cuts its body out as a text of its own
//              and copies the variable list aside. It keeps no state that
//              could go stale, so it is what the cached mode is checked
//              against: the differential tests (tests/script) and the script
//              fuzz target run both and compare variables, errors, log lines
//              and element writes.
// Both modes share the value rules (value_ops.h), including the inline
// fast paths; tests/script/fast_ops_test.cpp compares those with the
// general rules, which the two modes alone could not see.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "script/element_path.h"
#include "script/func_list.h"
#include "script/host.h"
#include "script/process_state.h"
#include "script/script_slot.h"
#include "script/tokenizer.h"
#include "script/value_ops.h"
#include "script/var_list.h"

namespace script {

struct ExprUnit;
struct ExprTree;
struct Node;
struct VarNode;
struct CallNode;
struct IndexList;
struct StmtList;
struct StmtEntry;
struct Stmt;
struct TextRange;
struct Fault;
struct TProcedure;
struct BoundName;
class TProcList;
class MainProgram;
struct PreparedScript;

// Error codes beyond the language's own: the budgets (and a failed
// allocation) and the nesting limits.
inline constexpr int kErrBudget = 30;
inline constexpr int kErrNesting = 31;
inline constexpr uint64_t kDefaultStatementBudget = 50'000'000;
// Values one event may add to the variable lists (g_process.variableRecords): array
// elements are variables of their own, so a loop filling an array would
// otherwise fill memory long before the statement budget ends it.
inline constexpr uint64_t kDefaultVariableBudget = 1'000'000;
// Script procedure calls nested deeper than this stop the run with an error.
inline constexpr int kMaxCallDepth = 200;
// Recursion weight of all runs in progress (g_process.nesting), shared by
// every interpreter. Each unit stands for a few stack frames; the limit
// keeps the deepest script far inside the stack.
inline constexpr int kMaxNesting = 3000;
// Growth of stored texts one event may cause (g_process.textGrowth): a few
// statements copying a long text into an array would otherwise fill memory
// long before the statement budget ends them.
inline constexpr uint64_t kEventTextBudget = uint64_t{256} << 20;

class TPasCalc {
 public:
  explicit TPasCalc(ScriptHost* host = nullptr);
  ~TPasCalc();
  TPasCalc(const TPasCalc&) = delete;
  TPasCalc& operator=(const TPasCalc&) = delete;

  void SetHost(ScriptHost* host);
  ScriptHost* Host() const { return host_; }

  // ---- registration ---------------------------------------------------------
  bool RegisterFunction(std::string_view name, NativeHandler handler) {
    return funcs_.RegisterFunction(name, std::move(handler));
  }
  int IndexOfFunction(std::string_view name) const { return funcs_.IndexOf(name); }
  const TFuncList& Functions() const { return funcs_; }

  // ---- entry points -----------------------------------------------------
  // Prepares a source text: its main program in prepared form. The procedures
  // it declares stay registered until the next run.
  std::string Prepare(const std::string& source);
  // The same, keeping the declared procedures with the prepared program so
  // that every later run of it can call them.
  std::shared_ptr<PreparedScript> PrepareScript(const std::string& source);
  // Prepares the slot's source into the slot (empty source: empty slot).
  void PrepareSlot(ScriptSlot& slot);
  static const std::string& PreparedText(const PreparedScript& script);

  // Runs a prepared text without procedures. True when the run ended without error.
  bool RunPrepared(const std::string& prepared);
  // Runs a prepared script with the procedures its text declared.
  bool RunPrepared(const std::shared_ptr<PreparedScript>& script);
  // Runs a slot: its cached script when there is one, else its prepared text.
  bool RunSlot(const ScriptSlot& slot);
  // Prepares and runs a source text (procedures declared in it are callable).
  bool RunSource(const std::string& source);

  // Evaluates a prepared expression text (a source text is tokenized first).
  bool Evaluate(const std::string& expression, TVar& out);
  // Trimmed and upper-cased name; the variables, else an element-path read.
  bool GetVariable(std::string_view name, TVar& out);
  // Trimmed and upper-cased name; changes an existing script variable only.
  bool SetVariable(std::string_view name, const Value& value);
  int IndexOfVariable(std::string_view name) const { return vars_.IndexOf(name); }
  // The variable, else an element-path write, else a new variable.
  bool SetOrCreateVariable(const TVar& var) { return vars_.Set(var, host_); }
  const TVarList& Variables() const { return vars_; }
  void ClearVariables() { vars_.Clear(); }

  // ---- error state --------------------------------------------------------
  int ErrorCode() const { return errCode_; }
  const std::string& ErrorMessage() const { return errMessage_; }
  const std::string& ErrorText() const { return errText_; }
  // Reports an error found outside the interpreter (by a native or the script
  // pool); the text being evaluated or executed is the error text.
  void ReportError(const std::string& message, int code);
  bool Running() const { return runNesting_ > 0; }

  // ---- options --------------------------------------------------------------
  // Off: every statement is extracted and parsed again each time it runs and
  // procedure calls copy the variable list, as the re-reading design does.
  void SetCacheEnabled(bool on) {
    cacheOn_ = on;
    if (runNesting_ == 0) useCache_ = on;
  }
  bool CacheEnabled() const { return cacheOn_; }
  // Statements (and loop passes) one run may execute; 0 for no limit.
  void SetStatementBudget(uint64_t budget) {
    budget_ = budget;
    statementLimit_ = budget == 0 ? UINT64_MAX : budget;
  }
  uint64_t StatementBudget() const { return budget_; }
  // Statements and loop passes counted by the latest outermost run of this
  // interpreter. The budget counts those of every run an event nests.
  uint64_t StatementsExecuted() const { return executed_; }
  // Values one event may add to the variable lists; 0 for no limit.
  void SetVariableBudget(uint64_t budget) {
    variableBudget_ = budget;
    variableLimit_ =
        budget == 0 || budget > uint64_t{INT64_MAX} ? INT64_MAX : static_cast<int64_t>(budget);
  }
  uint64_t VariableBudget() const { return variableBudget_; }

 private:
  friend struct RunStateSaver;

  // ---- pascalc.cpp -----------------------------------------------------------
  void ResetRunState();
  // Runs body (an entry point's work); a failed allocation anywhere in it
  // stops the run with an error and puts the run state back as it was when
  // body started, so the interpreter stays usable.
  template <class Body>
  bool Guarded(Body&& body);
  void OutOfMemory() noexcept;
  void SetError(const std::string& message, const TextRange& text, int code);
  void LogError();                                  // the line of the error just set
  void Fail(const std::string& message, int code);  // the current context is the text
  void Fail(const Fault& f);
  void WriteLog(const std::string& line);
  bool ExecuteMain(PreparedScript& script);
  std::shared_ptr<PreparedScript> CachedPrepared(const std::string& prepared);
  // Recursion guard shared by all interpreters of the thread: weight is what
  // the next step may cost the stack. False (with an error) when exhausted.
  bool NestEnter(int weight) {
    if (g_process.nesting + weight > kMaxNesting) {
      NestingExhausted();
      return false;
    }
    g_process.nesting += weight;
    return true;
  }
  void NestLeave(int weight) { g_process.nesting -= weight; }
  void NestingExhausted();
  // The switch as it holds now: fixed for the whole of a run.
  bool UseCache() const { return useCache_; }
  // The record of a name among the variables, or -1: through the hint with
  // the cache on, by a plain search in the reference mode.
  [[gnu::always_inline]] int Lookup(const std::string& name, TVarList::Hint& hint) const {
    return useCache_ ? vars_.IndexOfHinted(name, hint) : vars_.IndexOf(name);
  }
  // The error text when no text is being run: empty.
  static const TextRange& NoText();

  // ---- declarations.cpp -------------------------------------------------------
  std::shared_ptr<PreparedScript> ObtainScript(const std::string& source);
  std::shared_ptr<PreparedScript> BuildScript(const std::string& source);
  void DeclarationPass(const TokenArrayPtr& tokens, PreparedScript& script, MainProgram& main,
                       std::vector<std::string>& includeStack);
  bool IncludeFile(const TextRange& stmt, uint32_t first, bool isInclude, PreparedScript& script,
                   MainProgram& main, std::vector<std::string>& includeStack);

  // ---- expr_compiler.cpp -----------------------------------------------------
  std::unique_ptr<ExprTree> CompileExpr(const TextRange& text);
  bool IsCallable(const std::string& name) const;
  ExprTree* TreeFor(ExprUnit& unit, std::unique_ptr<ExprTree>& scratch);

  // ---- evaluator.cpp -----------------------------------------------------------
  bool EvalUnit(ExprUnit& unit, Value& out);
  bool EvalUnitFresh(ExprUnit& unit, Value& out);
  bool EvalTree(ExprTree& tree, Value& out);
  void EvalNode(Node& n, Value& out);
  [[gnu::always_inline]] void EvalChain(Node& n, Value& out);
  void EvalVar(VarNode& v, Value& out);
  const Value* PlainVar(VarNode& v);
  void EvalCall(CallNode& c, Value& out);
  void Combine(Op op, const std::string& opText, Value& left, const Value& right);
  [[gnu::noinline]] void CombineGeneral(Op op, const std::string& opText, Value& left,
                                        const Value& right);
  bool ReadIndexList(IndexList& list, std::string& out);
  bool CallScriptProcedure(TProcedure& p, CallNode& c, Value& out);
  bool BindParameters(TProcedure& p, CallNode& c);
  StmtList& ProcedureBody(TProcedure& p, std::unique_ptr<StmtList>& fresh,
                          std::vector<TokenArrayPtr>& owned);
  bool EndCallSignal();
  bool TakeFlowBack(TProcedure& p, CallNode& c, Value& out);
  void GiveFlowBack(CallNode& c, size_t from);
  bool CallNative(CallNode& c, Value& out);
  [[gnu::noinline]] bool InvokeNative(CallNode& c, TVarList& args, TVar& result);
  bool GetName(const std::string& name, const ElementPath* path, Value& out);
  bool SetName(const std::string& name, const ElementPath* path, const Value& value);
  // Set of a name taken apart in advance: the variable, else an element-path
  // write, else a new variable (false when the name is not valid).
  bool Bind(BoundName& b, Value&& value);
  TVarList::Hint& HintOf(BoundName& b);

  // ---- stmt_compiler.cpp -------------------------------------------------------
  std::unique_ptr<Stmt> CompileStmt(const TextRange& range);
  std::unique_ptr<Stmt> CompileAssign(const TextRange& range);
  std::unique_ptr<Stmt> CompileIf(const TextRange& range);
  std::unique_ptr<Stmt> CompileFor(const TextRange& range);
  std::unique_ptr<Stmt> CompileLoop(const TextRange& range);
  std::unique_ptr<Stmt> CompileCase(const TextRange& range);
  std::unique_ptr<Stmt> CompileGoto(const TextRange& range);
  std::unique_ptr<StmtList> OwnText(const TextRange& range, std::vector<TokenArrayPtr>& owned);
  std::unique_ptr<StmtList> SubRange(const TextRange& text, uint32_t start, uint32_t end);

  // ---- executor.cpp --------------------------------------------------------------
  void ExecList(StmtList& list);
  template <bool kCached>
  void ExecListWith(StmtList& list);
  void ExecSole(StmtList& list);
  void ExecStmt(Stmt& s);
  void ExecAssign(struct AssignStmt& s);
  [[gnu::noinline]] void ExecIndexedAssign(struct AssignStmt& s);
  bool AssignedValue(struct AssignStmt& s, Value& v);
  void AssignPlain(struct AssignStmt& s, Value&& v);
  void ExecIf(struct IfStmt& s);
  void ExecFor(struct ForStmt& s);
  void ExecWhile(struct WhileStmt& s);
  void ExecRepeat(struct RepeatStmt& s);
  bool NextPass();
  void ExecCase(struct CaseStmt& s);
  bool Condition(ExprUnit& unit, bool& result);
  [[gnu::always_inline]] bool CountStatement() {
    ++executed_;
    if (++g_process.event.statements > statementLimit_) {
      BudgetExceeded();
      return false;
    }
    // Checked once per statement: a statement can store at most a few
    // texts, each of bounded length. A nested run that spent the budget ends
    // the runs around it too.
    if (g_process.textGrowth > g_process.event.textBase + kEventTextBudget) {
      TextBudgetExceeded();
      return false;
    }
    if (g_process.variableRecords - g_process.event.variableBase > variableLimit_) {
      VariableBudgetExceeded();
      return false;
    }
    return true;
  }
  void BudgetExceeded();
  void TextBudgetExceeded();
  void VariableBudgetExceeded();
  StmtEntry* EntryAt(StmtList& list, size_t index, uint32_t pos,
                     std::unique_ptr<StmtEntry>& scratch);
  Stmt& StmtOf(const TextRange& text, StmtEntry& entry, bool labelled,
               std::unique_ptr<Stmt>& scratch);
  StmtEntry* CachedEntryAt(StmtList& list, size_t index);
  Stmt& CachedStmtOf(const TextRange& text, StmtEntry& entry, bool labelled);
  bool FindLabel(StmtList& list, size_t& index, uint32_t& pos);

  ScriptHost* host_;
  TVarList vars_;
  TFuncList funcs_;
  // The procedures of the script being run (its own table; none for a bare text).
  std::shared_ptr<TProcList> procs_;

  // Run state.
  int blockDepth_ = -1;
  int signal_ = 0;
  std::string gotoLabel_;
  int runNesting_ = 0;
  int callDepth_ = 0;
  uint64_t budget_ = kDefaultStatementBudget;
  uint64_t statementLimit_ = kDefaultStatementBudget;  // budget_, or no limit for 0
  uint64_t executed_ = 0;
  uint64_t variableBudget_ = kDefaultVariableBudget;
  int64_t variableLimit_ = static_cast<int64_t>(kDefaultVariableBudget);
  bool cacheOn_ = true;
  bool useCache_ = true;  // cacheOn_ outside runs, its value at the start of a run inside

  // Error state.
  int errCode_ = 0;
  std::string errMessage_;
  std::string errText_;
  // The text whose readable form an error report names: the innermost
  // expression being evaluated, else the statement being executed.
  const TextRange* ctx_ = nullptr;

  // Argument lists of native calls, reused; one per nesting level of calls.
  std::vector<std::unique_ptr<TVarList>> argPool_;
  size_t argDepth_ = 0;
  // Values of by-reference parameters on their way back to the caller
  // (argument position, value), one stretch per returning call.
  std::vector<std::pair<size_t, Value>> flowBack_;
  // The hint shared by every bound RESULT.
  TVarList::Hint resultHint_;

  // Source cache: the last source prepared and what it gave.
  std::string cachedSource_;
  std::shared_ptr<PreparedScript> cachedScript_;
  // Bare prepared texts run by RunPrepared(string).
  std::string cachedPreparedText_;
  std::shared_ptr<PreparedScript> cachedPreparedScript_;
  // Host-facing Evaluate: the last expression and its unit.
  std::string cachedExprText_;
  TokenArrayPtr cachedExprTokens_;
  std::shared_ptr<ExprUnit> cachedExprUnit_;
};

}  // namespace script
