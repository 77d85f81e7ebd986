// Expression evaluation over the cached trees, and the calls of script
// procedures and natives.
//
// Keep in mind when changing it: an error does not unwind. Fail records
// the run's first error and returns; every step goes on returning normally,
// so each caller checks errCode_ (or the answer) before it uses a result,
// and every function leaves what it borrowed as it found it on every way
// out: the nesting weight, an argument list of argPool_, its stretch of
// flowBack_, the variables' snapshot. Only a failed allocation unwinds, and
// the scope guards here plus the run's backstop (Guarded, pascalc.cpp) put
// those back.

#include <new>

#include "script/compiled.h"
#include "script/names.h"
#include "script/pascalc.h"

namespace script {

namespace {

// Room beyond a copied text that "+" is about to extend: a typical line of
// appended pieces fits without a second allocation and copy.
constexpr size_t kAppendRoom = 128;

bool IsTextKey(const Value& v) {
  return v.kind == VKind::String && !v.s.empty() && v.s[0] == '"';
}

// A string that begins with a double quote is a text key: the language text of
// the key between its first and last characters, when that text is not empty.
void TranslateKey(ScriptHost* host, Value& v) {
  std::string key = v.s.size() >= 2 ? v.s.substr(1, v.s.size() - 2) : std::string();
  std::string text = host->LookupText(key);
  if (!text.empty()) v = Value::String(std::move(text));
}

// Opens a snapshot of the variable list and restores it at the latest when
// it goes out of scope. With the cache off the records also come back from a
// whole copy made aside, the reference the undo log is checked against; the
// log is kept all the same, so that both ways count the same values held.
class Snapshot {
 public:
  Snapshot(TVarList& vars, bool journalOnly) : vars_(vars) {
    if (!journalOnly) copy_ = std::make_unique<TVarList>(TVarList::Aside(vars_));
    vars_.OpenSnapshot();
  }
  // A failed allocation unwinding through here leaves the list to the run's
  // backstop, which resets it.
  ~Snapshot() {
    try {
      Restore();
    } catch (const std::bad_alloc&) {
    }
  }
  void Restore() {
    if (done_) return;
    done_ = true;
    vars_.RollBack();
    if (copy_) vars_.RestoreFrom(*copy_);
  }

 private:
  TVarList& vars_;
  bool done_ = false;
  std::unique_ptr<TVarList> copy_;
};

const char* SignalName(int signal) {
  return signal == tkBreak ? "BREAK" : signal == tkContinue ? "CONTINUE" : "EXIT";
}

}  // namespace

// String index text "n": the 1-based position, or a report.
StringIndexCheck CheckStringIndex(const std::string& index, size_t length) {
  StringIndexCheck r;
  if (index.empty()) {
    r.code = 19;
    r.message = "Empty string index";
    return r;
  }
  if (index.find(',') != std::string::npos) {
    r.code = 19;
    r.message = "Invalid string index";
    return r;
  }
  Value v = Value::String(index);
  int32_t k;
  if (!v.ToInteger(k)) {
    r.code = 19;
    r.message = "Invalid string index : " + index;
    return r;
  }
  if (k < 1 || static_cast<size_t>(k) > length) {
    r.code = 19;
    r.message = "String index out of range: " + index;
    return r;
  }
  r.pos = static_cast<size_t>(k);
  return r;
}

[[gnu::always_inline]] inline bool TPasCalc::EvalTree(ExprTree& tree, Value& out) {
  ExprTree* t = &tree;
  if (t->empty) {
    Fail("Empty string - not expression", 1);
    return false;
  }
  if (!NestEnter(t->depth)) return false;
  // Left as they were however the evaluation ends (a failed allocation
  // unwinds through here).
  struct Active {
    ExprTree& t;
    ~Active() {
      --t.active;
      g_process.nesting -= t.depth;
    }
  } active{*t};
  ++t->active;
  EvalNode(*t->root, out);
  return errCode_ == 0 && t->trailingOk;
}

bool TPasCalc::EvalUnit(ExprUnit& unit, Value& out) {
  ExprTree* t = unit.tree.get();
  if (!t || !useCache_ || t->funcGen != funcs_.Generation() ||
      t->procGen != (procs_ ? procs_->Generation() : 0))
    return EvalUnitFresh(unit, out);
  out.Clear();
  ContextScope ctx(ctx_, unit.text);
  return EvalTree(*t, out);
}

// A tree made or remade for this evaluation (kept by the unit with the cache on).
bool TPasCalc::EvalUnitFresh(ExprUnit& unit, Value& out) {
  out.Clear();
  ContextScope ctx(ctx_, unit.text);
  std::unique_ptr<ExprTree> scratch;
  return EvalTree(*TreeFor(unit, scratch), out);
}

[[gnu::always_inline]] inline void TPasCalc::EvalCall(CallNode& c, Value& out) {
  if (c.fault) {
    Fail(c.fault);
    return;
  }
  if (!c.resolved || !UseCache()) {
    c.proc = procs_ ? procs_->Find(c.name) : nullptr;
    c.func = c.proc ? -1 : funcs_.IndexOf(c.name);
    c.resolved = true;
  }
  if (c.proc) {
    if (!CallScriptProcedure(*c.proc, c, out)) Fail("Error in procedure: " + c.name, 7);
  } else if (!CallNative(c, out)) {
    Fail("Error in function: " + c.name, 7);
  }
}

// Numbers take the inline paths here; everything else, which needs a
// frame of its own (text keys, the general rules), goes out of line.
[[gnu::always_inline]] inline void TPasCalc::Combine(Op op, const std::string& opText,
                                                     Value& left, const Value& right) {
  if (FastIntegerOp(op, left, right, left)) return;
  if (FastRealOp(op, left, right, left)) return;
  CombineGeneral(op, opText, left, right);
}

void TPasCalc::CombineGeneral(Op op, const std::string& opText, Value& left, const Value& right) {
  if (IsTextKey(left)) TranslateKey(host_, left);
  const Value* rp = &right;
  Value translated;
  if (IsTextKey(right)) {
    translated = right;
    TranslateKey(host_, translated);
    rp = &translated;
  }
  if (FastTextAppend(op, left, *rp)) return;
  Value r;
  if (!ApplyBinary(op, left, *rp, r)) {
    Fail("Invalid operand types for \"" + opText + "\"", 5);
    return;
  }
  left = std::move(r);
}

// A plain variable of the list, found without a call; null when the general
// rules must decide (an index, arrays in the list, not a variable).
[[gnu::always_inline]] inline const Value* TPasCalc::PlainVar(VarNode& v) {
  if (v.index.present || vars_.HasArrays()) return nullptr;
  int k = Lookup(v.name, v.hint);
  return k >= 0 ? &vars_.At(static_cast<size_t>(k)).value : nullptr;
}

void TPasCalc::EvalNode(Node& n, Value& out) {
  switch (n.kind) {
    case NodeKind::Var:
      [[likely]] if (const Value* v = PlainVar(*n.var)) {
        out = *v;
        return;
      }
      EvalVar(*n.var, out);
      return;
    case NodeKind::Const:
      [[likely]] out = n.value;
      return;
    case NodeKind::Call:
      EvalCall(*n.call, out);
      return;
    case NodeKind::Unary: {
      EvalNode(*n.a, out);
      if (errCode_) return;
      Value r;
      bool ok = n.op == Op::Not ? ApplyNot(out, r) : ApplyNegate(out, r);
      if (!ok) {
        Fail("Invalid operand types for \"" + n.opText + "\"", 5);
        return;
      }
      out = std::move(r);
      return;
    }
    case NodeKind::Chain:
      EvalChain(n, out);
      return;
    case NodeKind::Error:
      Fail(n.fault);
      return;
    case NodeKind::ThenError:
      EvalNode(*n.a, out);
      if (!errCode_) Fail(n.fault);
      return;
  }
}

// Operands that are constants or plain variables are used where they stand;
// calls are made without a further step through EvalNode. Kept in EvalNode's
// frame (a call here costs loops 5%); the operators combine at one place, so
// that frame, which every nesting level of calls passes through, holds their
// inline paths once.
inline void TPasCalc::EvalChain(Node& n, Value& out) {
  Node& first = *n.a;
  const Value* fv;
  if (first.kind == NodeKind::Var && (fv = PlainVar(*first.var)) != nullptr) {
    // A text that "+" appends to gets its room at once: the copy is
    // then the only one the chain makes.
    if (fv->kind == VKind::String && n.rest[0].first == Op::Add)
      out.s.reserve(fv->s.size() + kAppendRoom);
    out = *fv;
  } else if (first.kind == NodeKind::Call)
    EvalCall(*first.call, out);
  else
    EvalNode(first, out);
  Value right;
  for (size_t i = 0; i < n.rest.size(); ++i) {
    if (errCode_) return;
    Node& r = *n.rest[i].second;
    const Value* rv;
    if (r.kind == NodeKind::Const && !r.textKey) {
      rv = &r.value;
    } else if (r.kind == NodeKind::Var && (rv = PlainVar(*r.var)) != nullptr) {
    } else {
      if (r.kind == NodeKind::Call)
        EvalCall(*r.call, right);
      else
        EvalNode(r, right);
      if (errCode_) return;
      rv = &right;
    }
    Combine(n.rest[i].first, n.restText[i], out, *rv);
  }
}

bool TPasCalc::ReadIndexList(IndexList& list, std::string& out) {
  if (list.fault) {
    Fail(list.fault);
    return false;
  }
  out.clear();
  Value v;
  for (size_t i = 0; i < list.pieces.size(); ++i) {
    ExprUnit& piece = list.pieces[i];
    if (!EvalUnit(piece, v)) {
      // Only a first error is kept: the text of every level a deep nesting
      // unwinds through is not worth quoting again.
      if (errCode_ == 0) Fail("Error in expression: " + piece.text.Readable(), 1);
      return false;
    }
    int32_t k;
    if (!v.ToInteger(k)) {
      Fail("Invalid index: " + piece.text.Readable(), 5);
      return false;
    }
    if (i > 0) out.push_back(',');
    out += std::to_string(k);
  }
  return true;
}

bool TPasCalc::GetName(const std::string& name, const ElementPath* path, Value& out) {
  int k = vars_.IndexOf(name);
  if (k >= 0) {
    out = vars_.At(static_cast<size_t>(k)).value;
    return true;
  }
  if (path) return ReadPath(host_, &vars_, *path, out);
  return ReadElementPath(host_, &vars_, name, out);
}

bool TPasCalc::SetName(const std::string& name, const ElementPath* path, const Value& value) {
  int k = vars_.IndexOf(name);
  if (k >= 0) {
    vars_.SetValueAt(static_cast<size_t>(k), value);
    return true;
  }
  if (path ? WritePath(host_, &vars_, *path, value) : WriteElementPath(host_, &vars_, name, value))
    return true;
  return vars_.Add(TVar(name, value), host_);
}

void TPasCalc::EvalVar(VarNode& v, Value& out) {
  if (!v.index.present) {
    if (vars_.NamesArray(v.name)) {
      Fail("Array with same name exist : " + v.name, 24);
      return;
    }
    int k = Lookup(v.name, v.hint);
    if (k >= 0) {
      out = vars_.At(static_cast<size_t>(k)).value;
      return;
    }
    if (!ReadPath(host_, &vars_, v.path, out)) Fail("Variable not found: " + v.name, 3);
    return;
  }
  std::string i1, i2;
  bool has1 = true, has2 = v.strIndex.present;
  if (!ReadIndexList(v.index, i1)) return;
  if (has2 && !ReadIndexList(v.strIndex, i2)) return;
  std::string name = v.name;
  if (!has2 && vars_.Exists(name)) {
    // One index after an existing variable indexes its text.
    i2 = std::move(i1);
    has2 = true;
    has1 = false;
  }
  if (has1) {
    if (vars_.Exists(name)) {
      Fail("Variable with same name exist : " + name, 24);
      return;
    }
    name += "[" + i1 + "]";
  } else if (vars_.NamesArray(name)) {
    Fail("Array with same name exist : " + name, 24);
    return;
  }
  if (!GetName(name, nullptr, out)) {
    Fail("Variable not found: " + name, 3);
    return;
  }
  if (!has2) return;
  if (out.kind != VKind::String) {
    Fail("Invalid variable type: " + name, 5);
    return;
  }
  StringIndexCheck si = CheckStringIndex(i2, out.s.size());
  if (si.code) {
    Fail(si.message, si.code);
    return;
  }
  out = Value::String(std::string(1, out.s[si.pos - 1]));
}

bool TPasCalc::CallNative(CallNode& c, Value& out) {
  if (c.func < 0 || static_cast<size_t>(c.func) >= funcs_.Count()) {
    Fail("Unknown function: " + c.name, 8);
    return false;
  }
  // Argument lists are reused across calls; nested calls take the next one.
  if (argDepth_ >= argPool_.size()) {
    argPool_.push_back(std::make_unique<TVarList>());
    argPool_.back()->SetPrivate();
    argPool_.back()->SetTransient();
  }
  TVarList& args = *argPool_[argDepth_];
  struct Depth {
    size_t& d;
    explicit Depth(size_t& depth) : d(depth) { ++d; }
    ~Depth() { --d; }
  } depth(argDepth_);
  args.Clear();
  int refsSmall[8];
  std::vector<int> refsLarge;
  int* refs = refsSmall;
  if (c.args.size() > 8) {
    refsLarge.resize(c.args.size());
    refs = refsLarge.data();
  }
  for (size_t i = 0; i < c.args.size(); ++i) {
    Value v;
    if (!EvalUnit(c.args[i], v)) {
      if (errCode_ == 0)
        Fail("Invalid expression in function params: " + c.args[i].text.Encoded(), 7);
      return false;
    }
    ArgInfo& info = c.argInfo[i];
    int k = info.validName ? Lookup(info.joined, info.hint) : -1;
    refs[i] = k;
    args.Append(TVar(k >= 0 ? "VAR" : "VALUE", std::move(v)));
  }
  TVar result;
  const bool ok = InvokeNative(c, args, result);
  if (ok) {
    // By-reference write-back: every VAR argument, changed or not. The
    // list is cleared before its next use, so its values may move out (a
    // variable named twice gets the later one, as copies would give).
    for (size_t i = 0; i < c.args.size(); ++i) {
      int k = refs[i];
      if (k < 0 || i >= args.Count() || static_cast<size_t>(k) >= vars_.Count()) continue;
      vars_.SetValueAt(static_cast<size_t>(k), std::move(args.At(i).value));
    }
  }
  out = std::move(result.value);
  return ok;
}

// The native's handler on the argument list; a failure or an exception is
// reported here. Out of line: the frame of CallNative, which every nesting
// level of native calls passes through, stays small.
bool TPasCalc::InvokeNative(CallNode& c, TVarList& args, TVar& result) {
  // The handler may change the table; call a copy of it.
  NativeHandler handler = funcs_.At(static_cast<size_t>(c.func)).Handler;
  bool caught = false;
  std::string message;
  try {
    if (handler(*this, args, result)) return true;
  } catch (const std::bad_alloc&) {
    throw;  // stops the whole run (see Guarded)
  } catch (const std::exception& e) {
    caught = true;
    message = e.what();
  }
  Fail("Invalid parameters, function " + c.name + (caught ? " : " + message : std::string()), 7);
  return false;
}

[[gnu::always_inline]] inline TVarList::Hint& TPasCalc::HintOf(BoundName& b) {
  return b.isResult ? resultHint_ : b.hint;
}

bool TPasCalc::Bind(BoundName& b, Value&& value) {
  int k = Lookup(b.name, HintOf(b));
  if (k >= 0) {
    vars_.SetValueAt(static_cast<size_t>(k), std::move(value));
    return true;
  }
  if (WritePath(host_, &vars_, b.path, value)) return true;
  if (!b.valid) return false;
  vars_.AddNew(b.name, std::move(value), host_, b.dotted, b.bracketed);
  if (useCache_) vars_.PointHint(vars_.Count() - 1, HintOf(b));
  return true;
}

BoundName::BoundName(const std::string& n)
    : name(n),
      path(ParseElementPath(n)),
      valid(IsValidVarName(n)),
      isResult(n == "RESULT"),
      dotted(n.find('.') != std::string::npos),
      bracketed(n.find('[') != std::string::npos) {}

// ---- script procedure calls ---------------------------------------------------

// Parameters are bound one after the other: a later argument sees the
// earlier parameters. A function's RESULT starts unset, whatever the caller
// holds under that name.
[[gnu::always_inline]] inline bool TPasCalc::BindParameters(TProcedure& p, CallNode& c) {
  Value v;
  for (size_t i = 0; i < c.args.size(); ++i) {
    if (!EvalUnit(c.args[i], v)) {
      if (errCode_ == 0)
        Fail("Invalid expression in function params: " + c.args[i].text.Encoded(), 7);
      return false;
    }
    if (!Bind(p.params[i], std::move(v))) {
      Fail("Duplicate variable name: " + p.params[i].name, 24);
      return false;
    }
  }
  if (p.IsFunction) {
    int k = Lookup(p.result.name, HintOf(p.result));
    if (k >= 0) vars_.RemoveAt(static_cast<size_t>(k));
  }
  return true;
}

// The body is a text of its own; without the cache it is cut out afresh
// for every call (a recursive call must not replace the one running).
[[gnu::always_inline]] inline StmtList& TPasCalc::ProcedureBody(TProcedure& p,
                                                                std::unique_ptr<StmtList>& fresh,
                                                                std::vector<TokenArrayPtr>& owned) {
  if (!useCache_) {
    fresh = OwnText(p.body, owned);
    return *fresh;
  }
  if (!p.bodyList) p.bodyList = OwnText(p.body, owned);
  return *p.bodyList;
}

// The signal the body ended with: EXIT ends the call; a BREAK, CONTINUE or
// GOTO that found nothing to stop it inside the body is an error.
[[gnu::always_inline]] inline bool TPasCalc::EndCallSignal() {
  if (signal_ == tkBreak || signal_ == tkContinue) {
    Fail(std::string(SignalName(signal_)) + " outside loop", 15);
    signal_ = 0;
    return false;
  }
  if (signal_ == tkGoto) {
    Fail("Label " + gotoLabel_ + " not exist or unreacheble", 18);
    signal_ = 0;
    return false;
  }
  if (signal_ == tkExit) signal_ = 0;
  return true;
}

// Reads what flows back before the caller's list is restored: parameters
// passed as plain variable names (onto flowBack_), and RESULT (into out;
// false when a function left none). A record read here is discarded or
// restored by the snapshot, so its value may be moved out. The values wait
// on a stack shared by all frames (calls nest, and this frame's part is used
// up before another call can start).
[[gnu::always_inline]] inline bool TPasCalc::TakeFlowBack(TProcedure& p, CallNode& c, Value& out) {
  auto take = [&](BoundName& b, Value& into, bool last) {
    int k = Lookup(b.name, HintOf(b));
    if (k < 0) return ReadPath(host_, &vars_, b.path, into);
    Value& held = vars_.At(static_cast<size_t>(k)).value;
    if (last)
      into = std::move(held);
    else
      into = held;
    return true;
  };
  for (size_t i = 0; i < c.args.size(); ++i) {
    if (!c.argInfo[i].validName) continue;
    Value pv;
    if (!take(p.params[i], pv, false)) continue;
    flowBack_.emplace_back(i, std::move(pv));
  }
  return !p.IsFunction || take(p.result, out, true);
}

// Writes the by-reference values from flowBack_[from...] into the caller's
// variables, and drops them.
[[gnu::always_inline]] inline void TPasCalc::GiveFlowBack(CallNode& c, size_t from) {
  for (size_t n = from; n < flowBack_.size(); ++n) {
    auto& [i, value] = flowBack_[n];
    ArgInfo& info = c.argInfo[i];
    int k = Lookup(info.joined, info.hint);
    if (k >= 0) vars_.SetValueAt(static_cast<size_t>(k), std::move(value));
  }
  flowBack_.resize(from);
}

bool TPasCalc::CallScriptProcedure(TProcedure& p, CallNode& c, Value& out) {
  if (callDepth_ >= kMaxCallDepth) {
    Fail("Procedure calls nested too deeply: " + p.Name, kErrNesting);
    return false;
  }
  // The caller's variables come back as they were, whatever the call does.
  Snapshot snapshot(vars_, useCache_);
  if (c.args.size() != p.params.size()) {
    Fail("Wrong parameters amount, procedure " + p.Name, 7);
    return false;
  }
  if (!BindParameters(p, c)) return false;
  std::unique_ptr<StmtList> freshBody;
  std::vector<TokenArrayPtr> owned;
  StmtList& body = ProcedureBody(p, freshBody, owned);
  ++callDepth_;
  ExecList(body);
  --callDepth_;
  if (!EndCallSignal()) return false;
  const size_t backBase = flowBack_.size();
  const bool gotResult = TakeFlowBack(p, c, out);
  snapshot.Restore();
  if (!gotResult) {
    flowBack_.resize(backBase);
    Fail("Function must return result : " + p.Name, 26);
    return false;
  }
  GiveFlowBack(c, backBase);
  return true;
}

}  // namespace script
