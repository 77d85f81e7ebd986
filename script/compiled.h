#pragma once
// The interpreter's cached forms of prepared texts (internal to script/).
//
// Index:
//   TextRange           a prepared text, or a range inside one, as token indexes
//   expression nodes    ExprUnit (one Evaluate text) -> ExprTree -> Node
//   statement nodes     StmtList (one statement list) -> StmtEntry -> Stmt kinds
//   procedures          TProcedure, TProcList
//   PreparedScript      a main program with the procedures its text declared
//
// Everything here mirrors the re-reading interpreter step by step: a syntax
// problem found while reading the tokens becomes a node that reports it when
// execution reaches the point where the token would have been read, so the
// order of side effects and the first error are unchanged. Nodes are built
// lazily, on first execution, and kept (unless the cache is off).
//
// Keep in mind when changing it: a node holds only what its tokens say,
// plus caches that carry their own validity check (variable hints, the
// function and procedure generations of a tree, a call's resolution while
// those hold). One node serves every later run, whatever the variables and
// elements are then; with the cache off the same nodes are built afresh for
// each use, and the differential tests compare the two.

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "script/element_path.h"
#include "script/tokenizer.h"
#include "script/value.h"
#include "script/value_ops.h"
#include "script/var_list.h"

namespace script {

struct TextRange {
  const TokenArray* arr = nullptr;
  uint32_t begin = 0;
  uint32_t end = 0;

  const Token& operator[](uint32_t i) const { return (*arr)[i]; }
  std::string_view Text(uint32_t i) const { return arr->Text(i); }
  bool Empty() const { return begin >= end; }
  int Code(uint32_t i) const { return i < end ? static_cast<int>((*arr)[i].code) : 0; }
  TextRange Sub(uint32_t b, uint32_t e) const { return {arr, b, e}; }
  // The forms of the range (of no tokens without an array).
  std::string Encoded() const { return arr ? EncodeTokens(*arr, begin, end) : std::string(); }
  std::string Readable() const { return arr ? ReadableForm(*arr, begin, end) : std::string(" "); }
};

// A deferred report: a syntax problem found while the tokens were read.
struct Fault {
  int code = 0;
  std::string message;
  explicit operator bool() const { return code != 0; }
};

// Saves and restores the text that error reports name (the range lives in
// a node, which outlives the scope).
struct ContextScope {
  const TextRange*& ctx;
  const TextRange* saved;
  ContextScope(const TextRange*& c, const TextRange& t) : ctx(c), saved(c) { ctx = &t; }
  ~ContextScope() { ctx = saved; }
};

// A string index given as index-list text ("3"): the 1-based position, or the
// report it calls for (empty, several indexes, not a number, out of range).
struct StringIndexCheck {
  int code = 0;
  std::string message;
  size_t pos = 0;
};
StringIndexCheck CheckStringIndex(const std::string& index, size_t length);

// ---- expressions ---------------------------------------------------------

struct ExprTree;
struct TProcedure;

// One text that is evaluated on its own (an expression, an argument, an index).
struct ExprUnit {
  TextRange text;
  std::unique_ptr<ExprTree> tree;
  // Trees replaced after the callable names changed; a frame further up may
  // still be walking one, so they live as long as the unit.
  std::vector<std::unique_ptr<ExprTree>> retired;

  ExprUnit() = default;
  explicit ExprUnit(TextRange t) : text(t) {}
  ExprUnit(ExprUnit&&) noexcept = default;
  ExprUnit& operator=(ExprUnit&&) noexcept = default;
  ~ExprUnit();
};

// `[ ... ]` after a name: the pieces between top-level commas.
struct IndexList {
  bool present = false;
  Fault fault;  // "] expected"
  std::vector<ExprUnit> pieces;
};

enum class NodeKind : uint8_t { Const, Var, Call, Unary, Chain, Error, ThenError };

struct Node;

// What the plain-variable read touches comes first (one cache line).
struct VarNode {
  TVarList::Hint hint;
  std::string name;
  IndexList index;     // I1
  IndexList strIndex;  // I2
  ElementPath path;    // of the plain name
};

struct ArgInfo {
  std::string joined;  // tokens joined without blanks, trimmed
  bool validName = false;
  TVarList::Hint hint;
};

struct CallNode {
  std::string name;
  Fault fault;  // "Invalid function params: "
  std::vector<ExprUnit> args;
  std::vector<ArgInfo> argInfo;
  // Resolution, valid while the tree's stamp holds.
  bool resolved = false;
  TProcedure* proc = nullptr;
  int func = -1;
};

// Fields in the order evaluation reads them.
struct Node {
  NodeKind kind = NodeKind::Const;
  Op op = Op::Add;       // Unary
  bool textKey = false;  // Const: a String that is a text key
  std::unique_ptr<VarNode> var;
  std::unique_ptr<Node> a;  // Unary operand, Chain first operand, ThenError inner
  std::vector<std::pair<Op, std::unique_ptr<Node>>> rest;  // Chain
  std::unique_ptr<CallNode> call;
  Value value;                        // Const
  std::vector<std::string> restText;  // Chain: operator texts
  std::string opText;                 // Unary: text of the operator for messages
  Fault fault;                        // Error, ThenError
};

struct ExprTree {
  std::unique_ptr<Node> root;
  bool empty = false;      // no token at all
  bool trailingOk = true;  // at most one token left unread
  // Identifiers not followed by "(" whose being callable decided the parse.
  std::vector<std::pair<std::string, bool>> assumptions;
  std::vector<CallNode*> calls;
  uint64_t funcGen = 0;
  uint64_t procGen = 0;
  int depth = 1;   // deepest nesting of nodes: what evaluating it costs the stack
  int active = 0;  // evaluations of this tree in progress
};

// Reads `[ ... ]` starting at the "[" at p; returns the position after the
// matching "]" (the end of the text, with "] expected", when there is none).
uint32_t CollectIndexList(const TextRange& t, uint32_t p, IndexList& out);

// A name bound by the interpreter itself (a parameter, RESULT, an assignment
// target): taken apart once.
struct BoundName {
  std::string name;
  ElementPath path;
  bool valid = false;  // a valid variable name
  // RESULT: bound by every assignment to it and read by the call around
  // them, so its hint is the interpreter's own (see TPasCalc::HintOf).
  bool isResult = false;
  bool dotted = false;     // holds "."
  bool bracketed = false;  // holds "["
  TVarList::Hint hint;
  explicit BoundName(const std::string& n);
};

// ---- statements ------------------------------------------------------------

enum class StmtKind : uint8_t {
  Nothing,
  Fault,
  Block,
  Assign,
  If,
  For,
  While,
  Repeat,
  Case,
  Break,
  Continue,
  Exit,
  Goto,
};

struct StmtList;

struct Stmt {
  StmtKind kind = StmtKind::Nothing;
  TextRange range;  // the statement: its readable form is the error text
  Fault fault;      // Fault statements, and first checks of other kinds
  // Token arrays of texts of their own that this statement cut out (cache off).
  std::vector<TokenArrayPtr> owned;
  virtual ~Stmt() = default;
};

struct StmtEntry {
  uint32_t begin = 0, end = 0;  // the statement's tokens
  uint32_t after = 0;           // where the next statement starts
  Fault fault;                  // extraction: END expected, Too many END...
  bool hasLabel = false;        // first token followed by ":"
  std::unique_ptr<Stmt> stmt;
  std::unique_ptr<Stmt> labelled;  // the part after "label :"
};

// One statement cut out of a text: tokens [begin, end), the next one starting
// at after. Leading ";" are skipped; BEGIN/CASE ... END and REPEAT ... UNTIL
// are kept whole; the stop is ";" (or ELSE too, for a THEN branch) outside
// them, or the end.
struct Extracted {
  uint32_t begin = 0, end = 0, after = 0;
  Fault fault;
};
Extracted ExtractStatement(const TextRange& t, uint32_t pos, uint32_t end, bool elseEnds);

struct StmtList {
  TextRange text;  // the whole text the list belongs to
  uint32_t start = 0, end = 0;
  bool subRange = false;  // a block or FOR body inside the enclosing text
  // Extracted so far, in order. A deque: entries never move while a frame
  // further up (a recursive call of the same text) runs one of them.
  std::deque<StmtEntry> entries;
  // The same entries by position, for the executor's step to the next one.
  std::vector<StmtEntry*> byIndex;
  // The list's only statement, once a run has found the list to be exactly
  // one statement without a label or an extraction fault (cached lists
  // only; entries and their statements never change once made). A label
  // search in such a list finds nothing, so the executor runs it without
  // stepping through entries (ExecSole).
  Stmt* sole = nullptr;
  ~StmtList();
};

struct BlockStmt : Stmt {
  std::unique_ptr<StmtList> body;
};

struct AssignStmt : Stmt {
  std::string name;
  IndexList index, strIndex;
  bool isCall = false;
  Fault found;  // "Found X, expected :=, (, [ or ;"
  ExprUnit callExpr;
  ExprUnit rhs;
  bool validName = false;
  std::unique_ptr<BoundName> target;  // the plain name
};

struct IfStmt : Stmt {
  ExprUnit cond;
  Fault extractFault;
  TextRange extractRange;
  std::unique_ptr<StmtList> thenList, elseList;
};

struct ForStmt : Stmt {
  std::string var;
  TVarList::Hint hint;
  bool downto = false;
  ExprUnit from, to;
  Fault doFault;  // DO expected, reported after the start value
  std::unique_ptr<StmtList> body;
};

struct WhileStmt : Stmt {
  ExprUnit cond;
  std::unique_ptr<StmtList> body;
};

struct RepeatStmt : Stmt {
  std::unique_ptr<StmtList> body;
  ExprUnit cond;
};

struct CaseLabel {
  bool range = false;
  ExprUnit low, high;
};

struct CaseItem {
  enum Kind : uint8_t { End, EndOfText, Else, Branch, Failure } kind = End;
  Fault fault;  // Failure, and extraction problems of the statement
  TextRange faultRange;
  std::vector<CaseLabel> labels;
  std::unique_ptr<StmtList> body;
};

struct CaseStmt : Stmt {
  ExprUnit selector;
  std::vector<CaseItem> items;
};

struct GotoStmt : Stmt {
  std::string label;
};

// ---- procedures ----------------------------------------------------------

struct TProcedure {
  std::string Name;
  std::vector<std::string> ParamNames;
  bool IsFunction = false;
  TextRange body;  // its own text
  std::unique_ptr<StmtList> bodyList;
  std::vector<BoundName> params;  // one per ParamNames entry
  BoundName result{"RESULT"};
  // Parameter names separated by CR LF, in declaration order.
  std::string Params() const;
};

class TProcList {
 public:
  TProcList();
  TProcedure* Find(const std::string& name) const;
  TProcedure& Add(std::unique_ptr<TProcedure> p);
  size_t Count() const { return list_.size(); }
  // Changes whenever the table changes; unique across all tables.
  uint64_t Generation() const { return gen_; }

 private:
  std::vector<std::unique_ptr<TProcedure>> list_;
  std::unordered_map<std::string, TProcedure*> index_;
  uint64_t gen_;
};

// Generation numbers shared by function and procedure tables.
uint64_t NextGeneration();

// The main program the declaration pass collects: its top-level statements,
// each followed by ";". As long as it is the same as the start of the text's
// own tokens (no declaration or empty statement left out before it) it is
// only counted, and the text's array itself becomes the main program: most
// event scripts declare nothing, and their tokens are then never copied.
class MainProgram {
 public:
  // source: the text whose array may be taken whole (null: always copy).
  explicit MainProgram(const TokenArray* source) : source_(source) {}
  // Statement [begin, end) of text, then ";".
  void AddStatement(const TokenArray& text, uint32_t begin, uint32_t end);
  // Tokens from elsewhere (an included file's main program).
  void AddTokens(const TokenArray& tokens);
  // The program as a copy of its own.
  TokenArray& Tokens();
  // The finished program; own is the source array.
  TokenArrayPtr Finish(const std::shared_ptr<TokenArray>& own);

 private:
  const TokenArray* source_;
  bool mirroring_ = true;
  uint32_t mirrorEnd_ = 0;       // the program is source[0, mirrorEnd_)
  bool needsSemicolon_ = false;  // ... followed by ";" (the text's last statement had none)
  TokenArray copy_;
};

}  // namespace script

namespace script {

struct PreparedScript {
  TokenArrayPtr tokens;  // the main program's tokens
  // Token arrays of every text that declared a procedure (bodies point into them).
  std::vector<TokenArrayPtr> sources;
  // Null when the texts declared no procedure: a run without a table finds
  // no procedure, as with an empty one, and its trees carry generation 0.
  std::shared_ptr<TProcList> procs;
  std::unique_ptr<StmtList> mainList;
  // No USES or INCLUDE: preparing the same source again gives the same result,
  // so the source cache may hand out this object (its first declaration error
  // is replayed).
  bool reusable = true;
  Fault declFault;
  std::string declText;

  // The main program in prepared form, encoded on first use.
  const std::string& Prepared() const {
    if (!encoded) {
      prepared = EncodeTokens(*tokens, 0, tokens->size());
      encoded = true;
    }
    return prepared;
  }
  void SetPrepared(std::string text) {
    prepared = std::move(text);
    encoded = true;
  }

 private:
  mutable std::string prepared;
  mutable bool encoded = false;
};

}  // namespace script
