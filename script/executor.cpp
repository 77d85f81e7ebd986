// Statement execution and control flow.
//
// BREAK, CONTINUE, EXIT and GOTO travel as a signal checked after every
// statement. A pending GOTO is looked up among the top-level statements of the
// text a list belongs to ("label : statement"); execution goes on after the
// labelled statement. Lists that are a range of an enclosing text (blocks and
// FOR bodies) leave a pending GOTO to the list that owns the whole text.

#include <type_traits>

#include "script/compiled.h"
#include "script/pascalc.h"

namespace script {

namespace {

void FillEntry(StmtEntry& entry, const TextRange& text, uint32_t pos, uint32_t end) {
  Extracted x = ExtractStatement(text, pos, end, false);
  entry.begin = x.begin;
  entry.end = x.end;
  entry.after = x.after;
  entry.fault = std::move(x.fault);
  entry.hasLabel = x.end - x.begin >= 2 && text[x.begin + 1].code == tkColon;
}

const char* SignalName(int signal) {
  return signal == tkBreak ? "BREAK" : "CONTINUE";
}

}  // namespace

StmtList::~StmtList() = default;

void TPasCalc::BudgetExceeded() {
  Fail("Script stopped: statement budget exceeded", kErrBudget);
}

void TPasCalc::TextBudgetExceeded() {
  Fail("Script stopped: text budget exceeded", kErrBudget);
}

void TPasCalc::VariableBudgetExceeded() {
  Fail("Script stopped: variable budget exceeded", kErrBudget);
}

StmtEntry* TPasCalc::EntryAt(StmtList& list, size_t index, uint32_t pos,
                             std::unique_ptr<StmtEntry>& scratch) {
  if (!UseCache()) {
    scratch = std::make_unique<StmtEntry>();
    FillEntry(*scratch, list.text, pos, list.end);
    return scratch.get();
  }
  return CachedEntryAt(list, index);
}

StmtEntry* TPasCalc::CachedEntryAt(StmtList& list, size_t index) {
  while (list.entries.size() <= index) {
    uint32_t from = list.entries.empty() ? list.start : list.entries.back().after;
    // Filled before it joins the list, and room made in both containers
    // first: a failed allocation leaves them in step.
    StmtEntry entry;
    FillEntry(entry, list.text, from, list.end);
    if (list.byIndex.size() == list.byIndex.capacity())
      list.byIndex.reserve(list.byIndex.size() * 2 + 8);
    list.entries.push_back(std::move(entry));
    list.byIndex.push_back(&list.entries.back());
  }
  return list.byIndex[index];
}

Stmt& TPasCalc::CachedStmtOf(const TextRange& text, StmtEntry& entry, bool labelled) {
  std::unique_ptr<Stmt>& slot = labelled ? entry.labelled : entry.stmt;
  if (!slot) {
    uint32_t b = labelled ? entry.begin + 2 : entry.begin;
    slot = CompileStmt(text.Sub(b < entry.end ? b : entry.end, entry.end));
  }
  return *slot;
}

Stmt& TPasCalc::StmtOf(const TextRange& text, StmtEntry& entry, bool labelled,
                       std::unique_ptr<Stmt>& scratch) {
  const bool cache = UseCache();
  std::unique_ptr<Stmt>& slot = cache ? (labelled ? entry.labelled : entry.stmt) : scratch;
  if (!cache || !slot) {
    uint32_t b = labelled ? entry.begin + 2 : entry.begin;
    slot = CompileStmt(text.Sub(b < entry.end ? b : entry.end, entry.end));
  }
  return *slot;
}

bool TPasCalc::FindLabel(StmtList& list, size_t& index, uint32_t& pos) {
  std::unique_ptr<StmtEntry> scratch;
  uint32_t p = list.start;
  for (size_t i = 0;; ++i) {
    StmtEntry* e = EntryAt(list, i, p, scratch);
    if (e->begin >= e->end) return false;
    if (e->fault) {
      SetError(e->fault.message, list.text.Sub(e->begin, e->end), e->fault.code);
      return false;
    }
    if (e->hasLabel && list.text.Text(e->begin) == gotoLabel_) {
      index = i;
      pos = e->begin;
      return true;
    }
    p = e->after;
    if (p >= list.end) return false;
  }
}

[[gnu::always_inline]] inline void TPasCalc::ExecStmt(Stmt& s) {
  ContextScope ctx(ctx_, s.range);
  if (!CountStatement()) return;
  switch (s.kind) {
    case StmtKind::Assign:
      [[likely]] ExecAssign(static_cast<AssignStmt&>(s));
      return;
    case StmtKind::If:
      [[likely]] ExecIf(static_cast<IfStmt&>(s));
      return;
    case StmtKind::Block:
      [[likely]] ExecList(*static_cast<BlockStmt&>(s).body);
      return;
    case StmtKind::Nothing:
      return;
    case StmtKind::Fault:
      Fail(s.fault);
      return;
    case StmtKind::For:
      ExecFor(static_cast<ForStmt&>(s));
      return;
    case StmtKind::While:
      ExecWhile(static_cast<WhileStmt&>(s));
      return;
    case StmtKind::Repeat:
      ExecRepeat(static_cast<RepeatStmt&>(s));
      return;
    case StmtKind::Case:
      ExecCase(static_cast<CaseStmt&>(s));
      return;
    case StmtKind::Break:
      signal_ = tkBreak;
      return;
    case StmtKind::Continue:
      signal_ = tkContinue;
      return;
    case StmtKind::Exit:
      signal_ = tkExit;
      return;
    case StmtKind::Goto:
      gotoLabel_ = static_cast<GotoStmt&>(s).label;
      signal_ = tkGoto;
      return;
  }
}

[[gnu::always_inline]] inline bool TPasCalc::Condition(ExprUnit& unit, bool& result) {
  Value v;
  if (!EvalUnit(unit, v)) {
    Fail("Error in expression", 1);
    return false;
  }
  if (v.kind == VKind::Boolean) {
    result = v.i != 0;
    return true;
  }
  if (!v.ToBoolean(result)) {
    Fail("Invalid condition type", 5);
    return false;
  }
  return true;
}

void TPasCalc::ExecList(StmtList& list) {
  if (!useCache_)
    ExecListWith<false>(list);
  else if (list.sole)
    ExecSole(list);
  else
    ExecListWith<true>(list);
}

// A list known to be one statement, as ExecListWith runs it: a GOTO's label
// search among its statements would find none.
void TPasCalc::ExecSole(StmtList& list) {
  if (!NestEnter(1)) return;
  ++blockDepth_;
  if (errCode_ == 0) {
    Stmt& stmt = *list.sole;
    ExecStmt(stmt);
    if (blockDepth_ == 0 && (signal_ == tkBreak || signal_ == tkContinue))
      SetError(std::string(SignalName(signal_)) + " outside loop", stmt.range, 15);
  }
  --blockDepth_;
  NestLeave(1);
  if (blockDepth_ < 0 && signal_ == tkGoto)
    SetError("Label " + gotoLabel_ + " not exist or unreacheble", list.text, 18);
}

// With the cache on, entries and statements live in the list; without it,
// each is made afresh into this frame's scratch objects.
template <bool kCached>
void TPasCalc::ExecListWith(StmtList& list) {
  if (!NestEnter(1)) return;
  ++blockDepth_;
  uint32_t pos = list.start;
  size_t index = 0;
  bool labelled = false;
  struct Scratch {
    std::unique_ptr<StmtEntry> entry;
    std::unique_ptr<Stmt> stmt;
  };
  struct None {};
  std::conditional_t<kCached, None, Scratch> scratch;
  while (errCode_ == 0 && pos < list.end) {
    StmtEntry* e;
    if constexpr (kCached)
      e = index < list.byIndex.size() ? list.byIndex[index] : CachedEntryAt(list, index);
    else
      e = EntryAt(list, index, pos, scratch.entry);
    if (e->begin >= e->end) break;
    if (e->fault) {
      SetError(e->fault.message, list.text.Sub(e->begin, e->end), e->fault.code);
      break;
    }
    Stmt* stmtPtr;
    if constexpr (kCached)
      stmtPtr = (!labelled && e->stmt) ? e->stmt.get() : &CachedStmtOf(list.text, *e, labelled);
    else
      stmtPtr = &StmtOf(list.text, *e, labelled, scratch.stmt);
    Stmt& stmt = *stmtPtr;
    ExecStmt(stmt);
    pos = e->after;
    ++index;
    labelled = false;
    if (signal_ == 0) continue;
    if (blockDepth_ == 0 && (signal_ == tkBreak || signal_ == tkContinue))
      SetError(std::string(SignalName(signal_)) + " outside loop", stmt.range, 15);
    if (signal_ != tkGoto || list.subRange) break;
    if (!FindLabel(list, index, pos)) break;
    // The labelled statement runs next, whatever its kind.
    signal_ = 0;
    labelled = true;
  }
  --blockDepth_;
  NestLeave(1);
  if (blockDepth_ < 0 && signal_ == tkGoto)
    SetError("Label " + gotoLabel_ + " not exist or unreacheble", list.text, 18);
  if constexpr (kCached) {
    if (list.byIndex.size() == 1) {
      StmtEntry& only = *list.byIndex[0];
      if (only.begin < only.end && !only.fault && !only.hasLabel && only.after >= list.end &&
          only.stmt)
        list.sole = only.stmt.get();
    }
  }
}

// The value an assignment stores, after the checks made before it; false
// when there is none to store (a failure, or a call made as a statement).
[[gnu::always_inline]] inline bool TPasCalc::AssignedValue(AssignStmt& s, Value& v) {
  if (s.found) {
    Fail(s.found);
    return false;
  }
  if (s.isCall) {
    if (!EvalUnit(s.callExpr, v)) Fail("Error in expression", 1);
    return false;
  }
  if (!EvalUnit(s.rhs, v)) {
    Fail("Error in expression", 1);
    return false;
  }
  return true;
}

// A plain name as the target: the common case.
[[gnu::always_inline]] inline void TPasCalc::AssignPlain(AssignStmt& s, Value&& v) {
  if (!s.validName) {
    Fail("Invalid variable name: " + s.name, 4);
    return;
  }
  if (vars_.NamesArray(s.name)) {
    Fail("Array with same name exist : " + s.name, 24);
    return;
  }
  Bind(*s.target, std::move(v));
}

void TPasCalc::ExecAssign(AssignStmt& s) {
  if (s.index.present || s.strIndex.present) {
    ExecIndexedAssign(s);
    return;
  }
  Value v;
  if (AssignedValue(s, v)) AssignPlain(s, std::move(v));
}

// The target has an index list: the indexes are read before the value.
void TPasCalc::ExecIndexedAssign(AssignStmt& s) {
  std::string i1, i2;
  bool has1 = s.index.present, has2 = s.strIndex.present;
  if (has1 && !ReadIndexList(s.index, i1)) return;
  if (has2 && !ReadIndexList(s.strIndex, i2)) return;
  Value v;
  if (!AssignedValue(s, v)) return;
  if (!has1) {
    AssignPlain(s, std::move(v));
    return;
  }
  if (!has2 && vars_.Exists(s.name)) {
    i2 = std::move(i1);
    has2 = true;
    has1 = false;
  }
  if (!s.validName) {
    Fail("Invalid variable name: " + s.name, 4);
    return;
  }
  std::string target = s.name;
  if (has1) {
    if (vars_.Exists(s.name)) {
      Fail("Variable with same name exist : " + s.name, 24);
      return;
    }
    target += "[" + i1 + "]";
  } else if (vars_.NamesArray(s.name)) {
    Fail("Array with same name exist : " + s.name, 24);
    return;
  }
  if (!has2) {
    SetName(target, nullptr, v);
    return;
  }
  // One character of a string variable.
  Value current;
  if (!GetName(target, nullptr, current)) {
    Fail("Variable not found :" + s.name, 3);
    return;
  }
  if (current.kind != VKind::String) {
    Fail("Invalid variable type: " + s.name, 5);
    return;
  }
  StringIndexCheck si = CheckStringIndex(i2, current.s.size());
  if (si.code) {
    Fail(si.message, si.code);
    return;
  }
  char ch;
  if (v.kind == VKind::String) {
    if (v.s.size() != 1) {
      Fail("Character expected: '" + v.s + "'", 20);
      return;
    }
    ch = v.s[0];
  } else {
    int32_t code;
    if (!v.ToInteger(code)) {
      Fail("Invalid variable type: " + s.name, 5);
      return;
    }
    if (code < 0 || code > 255) {
      Fail("Character value out of range: " + std::to_string(code), 20);
      return;
    }
    ch = static_cast<char>(code);
  }
  current.s[si.pos - 1] = ch;
  SetName(target, nullptr, current);
}

void TPasCalc::ExecIf(IfStmt& s) {
  bool c;
  if (!Condition(s.cond, c)) return;
  if (s.extractFault) {
    SetError(s.extractFault.message, s.extractRange, s.extractFault.code);
    return;
  }
  ExecList(c ? *s.thenList : *s.elseList);
}

// After a loop pass, by the signal its body left: false when the loop ends
// (BREAK, taken here; EXIT or a GOTO, left for the statements around it);
// a CONTINUE only ends the pass.
[[gnu::always_inline]] inline bool TPasCalc::NextPass() {
  if (signal_ == tkBreak) {
    signal_ = 0;
    return false;
  }
  if (signal_ == tkExit || signal_ == tkGoto) return false;
  if (signal_ == tkContinue) signal_ = 0;
  return true;
}

void TPasCalc::ExecFor(ForStmt& s) {
  Value v;
  if (!EvalUnit(s.from, v)) {
    Fail("Error in expression", 1);
    return;
  }
  int32_t from, to;
  if (!v.ToInteger(from)) {
    Fail("Invalid loop variable value ", 5);
    return;
  }
  if (s.doFault) {
    Fail(s.doFault);
    return;
  }
  if (!EvalUnit(s.to, v)) {
    Fail("Error in expression", 1);
    return;
  }
  if (!v.ToInteger(to)) {
    Fail("Invalid loop variable value ", 5);
    return;
  }
  // A 64-bit counter: a loop up to the largest integer ends instead of wrapping.
  const int64_t step = s.downto ? -1 : 1;
  for (int64_t counter = from; s.downto ? counter >= to : counter <= to; counter += step) {
    if (!CountStatement()) return;
    int k = Lookup(s.var, s.hint);
    if (k < 0) {
      Fail("Invalid variable name: " + s.var, 1);
      return;
    }
    vars_.SetValueAt(static_cast<size_t>(k), Value::Integer(static_cast<int32_t>(counter)));
    ExecList(*s.body);
    if (errCode_ || !NextPass()) return;
  }
}

void TPasCalc::ExecWhile(WhileStmt& s) {
  while (true) {
    if (!CountStatement()) return;
    bool c;
    if (!Condition(s.cond, c) || !c) return;
    ExecList(*s.body);
    if (errCode_ || !NextPass()) return;
  }
}

void TPasCalc::ExecRepeat(RepeatStmt& s) {
  while (true) {
    if (!CountStatement()) return;
    ExecList(*s.body);
    if (errCode_) return;
    // The condition is evaluated even after a BREAK in the body.
    bool c;
    if (!Condition(s.cond, c)) return;
    if (c) {
      if (signal_ == tkBreak || signal_ == tkContinue) signal_ = 0;
      return;
    }
    if (!NextPass()) return;
  }
}

void TPasCalc::ExecCase(CaseStmt& s) {
  Value selector;
  if (!EvalUnit(s.selector, selector)) {
    Fail("Error in expression", 1);
    return;
  }
  StmtList* elseBody = nullptr;
  Value low, high;
  for (CaseItem& item : s.items) {
    switch (item.kind) {
      case CaseItem::End:
        if (elseBody) ExecList(*elseBody);
        return;
      case CaseItem::EndOfText:
        Fail("Error in CASE statement", 1);
        return;
      case CaseItem::Failure:
        Fail(item.fault);
        return;
      case CaseItem::Else:
        if (elseBody) {
          Fail("Too many ELSEin CASE statement", 28);
          return;
        }
        if (item.fault) {
          SetError(item.fault.message, item.faultRange, item.fault.code);
          return;
        }
        elseBody = item.body.get();
        continue;
      case CaseItem::Branch:
        break;
    }
    if (item.fault) {
      SetError(item.fault.message, item.faultRange, item.fault.code);
      return;
    }
    for (CaseLabel& label : item.labels) {
      if (!EvalUnit(label.low, low)) {
        Fail("Error in expression", 1);
        return;
      }
      if (label.range) {
        if (!EvalUnit(label.high, high)) {
          Fail("Error in expression", 1);
          return;
        }
      } else {
        high = low;
      }
      bool greater;
      if (low.IsString() != high.IsString() || !CompareValues(Op::Gt, low, high, greater)) {
        Fail("Invalid typecast in CASE range", 1);
        return;
      }
      if (greater) std::swap(low, high);
      // A label of the other class (String or not) is skipped.
      if (selector.IsString() != low.IsString()) continue;
      bool ge, le;
      if (CompareValues(Op::Ge, selector, low, ge) && CompareValues(Op::Le, selector, high, le) &&
          ge && le) {
        ExecList(*item.body);
        return;
      }
    }
  }
}

}  // namespace script
