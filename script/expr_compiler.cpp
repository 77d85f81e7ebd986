// Expression parse: a recursive descent over the tokens of one text that
// builds a tree instead of computing while it reads. The grammar, lowest
// precedence first (binary levels are left-associative loops):
//
//   level 1  OR XOR         level 4  + -          level 7  [NOT | + | -] primary
//   level 2  AND            level 5  * /          level 8  primary: identifier, constant,
//   level 3  = <> > < >= <= level 6  ^ SHL SHR             TRUE, FALSE, ( level 1 )
//
// The parse stops at the first syntax problem, which becomes a node at the
// place where it was found; the tree evaluates everything before it first.

#include <cstdlib>

#include "script/compiled.h"
#include "script/func_list.h"
#include "script/names.h"
#include "script/pascalc.h"

namespace script {

namespace {

// Parentheses, prefix operators and primaries nested deeper than this in one
// text are refused (the parse is recursive).
constexpr int kMaxExprDepth = 200;

bool IsLevelOp(int level, int code) {
  switch (level) {
    case 1:
      return code == tkOr || code == tkXor;
    case 2:
      return code == tkAnd;
    case 3:
      return code == tkEq || code == tkNe || code == tkGt || code == tkLt || code == tkGe ||
             code == tkLe;
    case 4:
      return code == tkPlus || code == tkMinus;
    case 5:
      return code == tkStar || code == tkSlash;
    case 6:
      return code == tkCaret || code == tkShl || code == tkShr;
  }
  return false;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Number literal: digits with at most one decimal point. An integer strictly
// between -2147483647 and 2147483647 is an Integer, anything else a Real.
bool NumberValue(std::string_view t, Value& out) {
  if (t.empty() || !IsDigit(t[0])) return false;
  int points = 0;
  for (char c : t) {
    if (c == '.')
      ++points;
    else if (!IsDigit(c))
      return false;
  }
  if (points > 1) return false;
  // A token's text is not terminated where it ends.
  const std::string text(t);
  if (points == 0 && t.size() <= 10) {
    long long v = std::strtoll(text.c_str(), nullptr, 10);
    if (v < 2147483647LL) {
      out = Value::Integer(static_cast<int32_t>(v));
      return true;
    }
  }
  out = Value::Real(std::strtod(text.c_str(), nullptr));
  return true;
}

Fault MakeFault(int code, std::string message) {
  Fault f;
  f.code = code;
  f.message = std::move(message);
  return f;
}

// Pieces of tokens (b, e) split at commas outside inner parentheses (and,
// when brackets is set, outside inner brackets). No tokens: no pieces.
std::vector<ExprUnit> SplitPieces(const TextRange& t, uint32_t b, uint32_t e, bool brackets) {
  std::vector<ExprUnit> out;
  if (b >= e) return out;
  int paren = 0, bracket = 0;
  uint32_t start = b;
  for (uint32_t i = b; i < e; ++i) {
    int c = t[i].code;
    if (c == tkLParen) ++paren;
    if (c == tkRParen) --paren;
    if (brackets && c == tkLBracket) ++bracket;
    if (brackets && c == tkRBracket) --bracket;
    if (c == tkComma && paren == 0 && bracket == 0) {
      out.emplace_back(t.Sub(start, i));
      start = i + 1;
    }
  }
  out.emplace_back(t.Sub(start, e));
  return out;
}

// Whether tokens [b, e) joined and trimmed could be a valid variable name:
// each byte is one a name may hold or one the trim takes away. Almost every
// argument that is not a name fails at its first token or two, so its text
// is never joined: an argument holding a nested call would otherwise cost a
// copy of all the text inside it at every level.
bool MayJoinToName(const TextRange& t) {
  for (uint32_t i = t.begin; i < t.end; ++i)
    for (char ch : t.Text(i)) {
      const auto c = static_cast<unsigned char>(ch);
      if (!IsIdentChar(c) && c != '[' && c != ']' && c != '-' && c != ',' && c > 32) return false;
    }
  return true;
}

class Parser {
 public:
  Parser(const TPasCalc& calc, const TextRange& t, ExprTree& tree,
         bool (*callable)(const TPasCalc&, const std::string&))
      : calc_(calc), t_(t), tree_(tree), callable_(callable), pos_(t.begin) {}

  std::unique_ptr<Node> Parse() { return Binary(1); }
  uint32_t Position() const { return pos_; }
  bool Stopped() const { return stopped_; }
  int MaxDepth() const { return maxDepth_; }

 private:
  int Cur() const { return t_.Code(pos_); }
  std::string_view CurText() const { return pos_ < t_.end ? t_.Text(pos_) : std::string_view(); }
  void Advance() {
    if (pos_ < t_.end) ++pos_;
  }

  std::unique_ptr<Node> Failure(int code, std::string message) {
    stopped_ = true;
    auto n = std::make_unique<Node>();
    n->kind = NodeKind::Error;
    n->fault = MakeFault(code, std::move(message));
    return n;
  }

  std::unique_ptr<Node> Operand(int level) { return level == 6 ? Prefix() : Binary(level + 1); }

  std::unique_ptr<Node> Binary(int level) {
    std::unique_ptr<Node> first = Operand(level);
    std::unique_ptr<Node> chain;
    while (!stopped_ && IsLevelOp(level, Cur())) {
      Op op = static_cast<Op>(Cur());
      std::string text(CurText());
      Advance();
      std::unique_ptr<Node> right = Operand(level);
      if (!chain) {
        chain = std::make_unique<Node>();
        chain->kind = NodeKind::Chain;
        chain->a = std::move(first);
      }
      chain->rest.emplace_back(op, std::move(right));
      chain->restText.push_back(std::move(text));
    }
    return chain ? std::move(chain) : std::move(first);
  }

  std::unique_ptr<Node> Prefix() {
    int c = Cur();
    if (c != tkNot && c != tkPlus && c != tkMinus) return Primary();
    std::string text(CurText());
    Advance();
    std::unique_ptr<Node> operand = Primary();
    if (c == tkPlus) return operand;
    auto n = std::make_unique<Node>();
    n->kind = NodeKind::Unary;
    n->op = static_cast<Op>(c);
    n->opText = std::move(text);
    n->a = std::move(operand);
    return n;
  }

  struct DepthScope {
    Parser& p;
    explicit DepthScope(Parser& parser) : p(parser) {
      if (++p.depth_ > p.maxDepth_) p.maxDepth_ = p.depth_;
    }
    ~DepthScope() { --p.depth_; }
  };

  std::unique_ptr<Node> Primary() {
    DepthScope scope(*this);
    if (depth_ > kMaxExprDepth) return Failure(kErrNesting, "Expression nested too deeply");
    int c = Cur();
    switch (c) {
      case tkConst:
        return Constant();
      case tkTrue:
      case tkFalse: {
        auto n = std::make_unique<Node>();
        n->value = Value::Boolean(c == tkTrue);
        Advance();
        return n;
      }
      case tkLParen: {
        Advance();
        std::unique_ptr<Node> inner = Binary(1);
        if (stopped_) return inner;
        if (Cur() != tkRParen) {
          stopped_ = true;
          auto n = std::make_unique<Node>();
          n->kind = NodeKind::ThenError;
          n->fault = MakeFault(2, "')' expected");
          n->a = std::move(inner);
          return n;
        }
        Advance();
        return inner;
      }
      case tkIdent:
        return Identifier();
      default:
        return Failure(1, "Unknown or invalid operator in expression: " + std::string(CurText()));
    }
  }

  std::unique_ptr<Node> Constant() {
    const std::string_view t = CurText();
    auto n = std::make_unique<Node>();
    if (!t.empty() && (t[0] == '\'' || t[0] == '"')) {
      char last = t.back();
      if (t.size() < 2 || (last != '\'' && last != '"'))
        return Failure(6, "Unterminated string: " + std::string(t));
      // A double-quoted literal is a text key and keeps its quotes.
      n->value = Value::String(std::string(t[0] == '\'' ? t.substr(1, t.size() - 2) : t));
      n->textKey = !n->value.s.empty() && n->value.s[0] == '"';
    } else if (!NumberValue(t, n->value)) {
      return Failure(1, "Invalid number: " + std::string(t));
    }
    Advance();
    return n;
  }

  std::unique_ptr<Node> Identifier() {
    const std::string name(CurText());
    uint32_t next = pos_ + 1;
    if (t_.Code(next) != tkLParen) {
      bool callable = callable_(calc_, name);
      tree_.assumptions.emplace_back(name, callable);
      if (!callable) return Variable(name, next);
    }
    return Call(name, next);
  }

  std::unique_ptr<Node> Variable(const std::string& name, uint32_t next) {
    auto v = std::make_unique<VarNode>();
    v->name = name;
    v->path = ParseElementPath(name);
    if (t_.Code(next) == tkLBracket) {
      next = CollectIndexList(t_, next, v->index);
      if (!v->index.fault && t_.Code(next) == tkLBracket)
        next = CollectIndexList(t_, next, v->strIndex);
      if (v->index.fault || v->strIndex.fault) stopped_ = true;
    }
    pos_ = next;
    auto n = std::make_unique<Node>();
    n->kind = NodeKind::Var;
    n->var = std::move(v);
    return n;
  }

  std::unique_ptr<Node> Call(const std::string& name, uint32_t next) {
    auto c = std::make_unique<CallNode>();
    c->name = name;
    if (t_.Code(next) == tkLParen) {
      uint32_t b = next + 1, i = b;
      int depth = 1;
      for (; i < t_.end; ++i) {
        int code = t_[i].code;
        if (code == tkLParen) ++depth;
        if (code == tkRParen && --depth == 0) break;
      }
      if (i >= t_.end) {
        c->fault = MakeFault(1, "Invalid function params: " + ReadableForm(*t_.arr, b, t_.end));
        stopped_ = true;
        next = t_.end;
      } else {
        c->args = SplitPieces(t_, b, i, false);
        next = i + 1;
      }
    }
    for (const ExprUnit& a : c->args) {
      ArgInfo& info = c->argInfo.emplace_back();
      if (!MayJoinToName(a.text)) continue;
      std::string joined(TrimText(JoinedForm(*a.text.arr, a.text.begin, a.text.end)));
      // Only a name is kept: by-reference passing looks it up.
      if (IsValidVarName(joined)) {
        info.joined = std::move(joined);
        info.validName = true;
      }
    }
    pos_ = next;
    auto n = std::make_unique<Node>();
    n->kind = NodeKind::Call;
    tree_.calls.push_back(c.get());
    n->call = std::move(c);
    return n;
  }

  const TPasCalc& calc_;
  const TextRange& t_;
  ExprTree& tree_;
  bool (*callable_)(const TPasCalc&, const std::string&);
  uint32_t pos_;
  bool stopped_ = false;
  int depth_ = 0;
  int maxDepth_ = 0;
};

}  // namespace

uint32_t CollectIndexList(const TextRange& t, uint32_t p, IndexList& out) {
  out.present = true;
  uint32_t b = p + 1, i = b;
  int depth = 1;
  for (; i < t.end; ++i) {
    int code = t[i].code;
    if (code == tkLBracket) ++depth;
    if (code == tkRBracket && --depth == 0) break;
  }
  if (i >= t.end) {
    out.fault = MakeFault(21, "] expected");
    return t.end;
  }
  out.pieces = SplitPieces(t, b, i, true);
  return i + 1;
}

ExprUnit::~ExprUnit() = default;

bool TPasCalc::IsCallable(const std::string& name) const {
  return funcs_.IndexOf(name) >= 0 || (procs_ && procs_->Find(name));
}

std::unique_ptr<ExprTree> TPasCalc::CompileExpr(const TextRange& text) {
  auto tree = std::make_unique<ExprTree>();
  tree->funcGen = funcs_.Generation();
  tree->procGen = procs_ ? procs_->Generation() : 0;
  if (text.Empty()) {
    tree->empty = true;
    return tree;
  }
  Parser parser(*this, text, *tree,
                [](const TPasCalc& c, const std::string& n) { return c.IsCallable(n); });
  tree->root = parser.Parse();
  tree->depth = parser.MaxDepth() + 1;
  // One token may follow a complete expression unread; a second one makes it fail.
  tree->trailingOk = parser.Position() + 1 >= text.end;
  return tree;
}

ExprTree* TPasCalc::TreeFor(ExprUnit& unit, std::unique_ptr<ExprTree>& scratch) {
  if (!UseCache()) {
    scratch = CompileExpr(unit.text);
    return scratch.get();
  }
  ExprTree* t = unit.tree.get();
  if (!t) {
    unit.tree = CompileExpr(unit.text);
    return unit.tree.get();
  }
  uint64_t procGen = procs_ ? procs_->Generation() : 0;
  if (t->funcGen == funcs_.Generation() && t->procGen == procGen) return t;
  // The tables changed since the parse: it still holds if every name it
  // assumed to be (or not to be) callable still is (or is not).
  bool holds = true;
  for (const auto& [name, callable] : t->assumptions)
    if (IsCallable(name) != callable) {
      holds = false;
      break;
    }
  if (holds) {
    t->funcGen = funcs_.Generation();
    t->procGen = procGen;
    for (CallNode* c : t->calls) c->resolved = false;
    return t;
  }
  if (t->active > 0) unit.retired.push_back(std::move(unit.tree));
  for (size_t i = 0; i < unit.retired.size();)
    if (unit.retired[i]->active == 0)
      unit.retired.erase(unit.retired.begin() + static_cast<ptrdiff_t>(i));
    else
      ++i;
  unit.tree = CompileExpr(unit.text);
  return unit.tree.get();
}

}  // namespace script
