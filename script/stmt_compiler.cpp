// Statement extraction and parse.
//
//   block       BEGIN list END
//   assignment  name [ [index] ] [ [string index] ] := expr
//   call        name [ (args) ] | any name or array element on its own
//   if          IF expr THEN stmt [ELSE stmt]       (condition up to the first THEN)
//   for         FOR name := expr TO|DOWNTO expr DO stmt
//   while       WHILE expr DO stmt
//   repeat      REPEAT list UNTIL expr                (body up to the first UNTIL)
//   case        CASE expr OF { labels : stmt ; } [ELSE stmt ;] END
//   BREAK | CONTINUE | EXIT | GOTO label
//
// A block and a FOR body run as a range of the enclosing text; every other
// body is a text of its own (which matters to the GOTO label search).
//
// Keep in mind when changing it: nothing here reports an error. A syntax
// problem becomes a Fault statement, or a fault field of the statement,
// that the executor reports when execution reaches that point, so the
// statements before it still run and the first error is the one a reader
// of the tokens in order meets (the uncached mode compiles every statement
// again each time it runs and must give the same results).

#include "script/compiled.h"
#include "script/names.h"
#include "script/pascalc.h"

namespace script {

namespace {

Fault MakeFault(int code, std::string message) {
  Fault f;
  f.code = code;
  f.message = std::move(message);
  return f;
}

// First token with this code in [b, e), or e.
uint32_t FindCode(const TextRange& t, uint32_t b, uint32_t e, int code, int code2 = -1000) {
  for (uint32_t i = b; i < e; ++i)
    if (t[i].code == code || t[i].code == code2) return i;
  return e;
}

}  // namespace

Extracted ExtractStatement(const TextRange& t, uint32_t pos, uint32_t end, bool elseEnds) {
  Extracted x;
  if (end > t.end) end = t.end;
  while (pos < end && t[pos].code == tkSemicolon) ++pos;
  x.begin = pos;
  int blocks = 0, repeats = 0;
  while (pos < end) {
    int c = t[pos].code;
    if (blocks == 0 && repeats == 0 && (c == tkSemicolon || (elseEnds && c == tkElse))) {
      x.end = pos;
      x.after = pos + 1;
      break;
    }
    if (c == tkBegin || c == tkCase) ++blocks;
    if (c == tkEnd) --blocks;
    if (c == tkRepeat) ++repeats;
    if (c == tkUntil) --repeats;
    ++pos;
  }
  if (pos >= end) x.end = x.after = pos;
  if (blocks > 0)
    x.fault = MakeFault(10, "END expected");
  else if (blocks < 0)
    x.fault = MakeFault(11, "Too many END");
  else if (repeats > 0)
    x.fault = MakeFault(16, "UNTIL expected");
  else if (repeats < 0)
    x.fault = MakeFault(17, "Too many UNTIL");
  return x;
}

std::unique_ptr<StmtList> TPasCalc::SubRange(const TextRange& text, uint32_t start, uint32_t end) {
  auto l = std::make_unique<StmtList>();
  l->text = text;
  l->start = start;
  l->end = end < start ? start : end;
  l->subRange = true;
  return l;
}

std::unique_ptr<StmtList> TPasCalc::OwnText(const TextRange& range,
                                            std::vector<TokenArrayPtr>& owned) {
  auto l = std::make_unique<StmtList>();
  if (UseCache()) {
    l->text = range;
  } else {
    // A text of its own, as the re-reading design cuts it: encoded and read back.
    auto arr = std::make_shared<TokenArray>(ReadPreparedTokens(range.Encoded()));
    l->text = TextRange{arr.get(), 0, static_cast<uint32_t>(arr->size())};
    owned.push_back(std::move(arr));
  }
  l->start = l->text.begin;
  l->end = l->text.end;
  return l;
}

namespace {

std::unique_ptr<Stmt> FaultStmt(const TextRange& r, int code, std::string message) {
  auto s = std::make_unique<Stmt>();
  s->kind = StmtKind::Fault;
  s->range = r;
  s->fault = MakeFault(code, std::move(message));
  return s;
}

}  // namespace

// The first token picks the statement kind.
std::unique_ptr<Stmt> TPasCalc::CompileStmt(const TextRange& r) {
  const uint32_t b = r.begin, e = r.end;
  if (b >= e) {
    auto s = std::make_unique<Stmt>();
    s->range = r;
    return s;
  }
  const int first = r[b].code;
  switch (first) {
    case tkBegin: {
      if (e - b < 2 || r[e - 1].code != tkEnd) return FaultStmt(r, 10, "END expected");
      auto s = std::make_unique<BlockStmt>();
      s->kind = StmtKind::Block;
      s->range = r;
      s->body = SubRange(r, b + 1, e - 1);
      return s;
    }
    case tkEnd:
      return FaultStmt(r, 11, "Too many END");
    case tkElse:
      return FaultStmt(r, 9, "ELSE without IF");
    case tkIdent:
      return CompileAssign(r);
    case tkIf:
      return CompileIf(r);
    case tkFor:
      return CompileFor(r);
    case tkWhile:
    case tkRepeat:
      return CompileLoop(r);
    case tkCase:
      return CompileCase(r);
    case tkBreak:
    case tkContinue:
    case tkExit: {
      if (e - b > 1) return FaultStmt(r, 1, "Invalid " + std::string(r.Text(b)) + " operator");
      auto s = std::make_unique<Stmt>();
      s->kind = first == tkBreak      ? StmtKind::Break
                : first == tkContinue ? StmtKind::Continue
                                      : StmtKind::Exit;
      s->range = r;
      return s;
    }
    case tkGoto:
      return CompileGoto(r);
    default:
      return FaultStmt(r, 9, "Invalid operator: " + std::string(r.Text(b)));
  }
}

// assignment  name [ [index] ] [ [string index] ] := expr
// call        name [ (args) ] | a name or array element on its own
std::unique_ptr<Stmt> TPasCalc::CompileAssign(const TextRange& r) {
  const uint32_t b = r.begin, e = r.end;
  auto s = std::make_unique<AssignStmt>();
  s->kind = StmtKind::Assign;
  s->range = r;
  s->name = r.Text(b);
  s->validName = IsValidVarName(s->name);
  s->target = std::make_unique<BoundName>(s->name);
  uint32_t p = b + 1;
  if (r.Code(p) == tkLBracket) {
    p = CollectIndexList(r, p, s->index);
    if (!s->index.fault && r.Code(p) == tkLBracket) p = CollectIndexList(r, p, s->strIndex);
    if (s->index.fault || s->strIndex.fault) return s;
  }
  int c = r.Code(p);
  if (c == tkAssign) {
    s->rhs = ExprUnit(r.Sub(p + 1, e));
  } else if (c == tkLParen || c == tkLBracket || c == tkNone) {
    s->isCall = true;
    s->callExpr = ExprUnit(r.Sub(b, e));
  } else {
    s->found = MakeFault(1, "Found " + std::string(r.Text(p)) + ", expected :=, (, [ or ;");
  }
  return s;
}

// if  IF expr THEN stmt [ELSE stmt]   (the condition up to the first THEN)
std::unique_ptr<Stmt> TPasCalc::CompileIf(const TextRange& r) {
  const uint32_t b = r.begin, e = r.end;
  auto s = std::make_unique<IfStmt>();
  s->kind = StmtKind::If;
  s->range = r;
  uint32_t thenAt = FindCode(r, b + 1, e, tkThen);
  s->cond = ExprUnit(r.Sub(b + 1, thenAt));
  if (thenAt < e) {
    Extracted x = ExtractStatement(r, thenAt + 1, e, true);
    s->extractFault = x.fault;
    s->extractRange = r.Sub(x.begin, x.end);
    s->thenList = OwnText(r.Sub(x.begin, x.end), s->owned);
    s->elseList = OwnText(r.Sub(x.after, e), s->owned);
  } else {
    s->thenList = OwnText(r.Sub(e, e), s->owned);
    s->elseList = OwnText(r.Sub(e, e), s->owned);
  }
  return s;
}

// for  FOR name := expr TO|DOWNTO expr DO stmt
std::unique_ptr<Stmt> TPasCalc::CompileFor(const TextRange& r) {
  const uint32_t b = r.begin, e = r.end;
  uint32_t toAt = FindCode(r, b, e, tkTo, tkDownto);
  if (toAt >= e) return FaultStmt(r, 12, "TO or DOWNTO expected");
  if (r.Code(b + 1) != tkIdent) return FaultStmt(r, 13, "FOR control variable expected");
  if (r.Code(b + 2) != tkAssign) return FaultStmt(r, 9, ":= expected after FOR control variable");
  auto s = std::make_unique<ForStmt>();
  s->kind = StmtKind::For;
  s->range = r;
  s->var = r.Text(b + 1);
  s->downto = r[toAt].code == tkDownto;
  s->from = ExprUnit(r.Sub(b + 3, toAt));
  uint32_t doAt = FindCode(r, toAt + 1, e, tkDo);
  if (doAt >= e) {
    s->doFault = MakeFault(14, "DO expected");
    return s;
  }
  s->to = ExprUnit(r.Sub(toAt + 1, doAt));
  s->body = SubRange(r, doAt + 1, e);
  return s;
}

// while   WHILE expr DO stmt
// repeat  REPEAT list UNTIL expr   (the body up to the first UNTIL)
std::unique_ptr<Stmt> TPasCalc::CompileLoop(const TextRange& r) {
  const uint32_t b = r.begin, e = r.end;
  if (r[b].code == tkWhile) {
    uint32_t doAt = FindCode(r, b + 1, e, tkDo);
    if (doAt >= e) return FaultStmt(r, 14, "DO expected");
    auto s = std::make_unique<WhileStmt>();
    s->kind = StmtKind::While;
    s->range = r;
    s->cond = ExprUnit(r.Sub(b + 1, doAt));
    s->body = OwnText(r.Sub(doAt + 1, e), s->owned);
    return s;
  }
  uint32_t untilAt = FindCode(r, b + 1, e, tkUntil);
  if (untilAt >= e) return FaultStmt(r, 16, "UNTIL expected");
  auto s = std::make_unique<RepeatStmt>();
  s->kind = StmtKind::Repeat;
  s->range = r;
  s->body = OwnText(r.Sub(b + 1, untilAt), s->owned);
  s->cond = ExprUnit(r.Sub(untilAt + 1, e));
  return s;
}

// goto  GOTO label   (a label is an identifier or a number)
std::unique_ptr<Stmt> TPasCalc::CompileGoto(const TextRange& r) {
  const uint32_t b = r.begin, e = r.end;
  bool valid = e - b >= 2 && (r[b + 1].code == tkIdent || r[b + 1].code == tkConst);
  if (valid)
    for (char ch : r.Text(b + 1)) valid = valid && IsIdentChar(static_cast<unsigned char>(ch));
  if (!valid) return FaultStmt(r, 1, "Invalid label in GOTO");
  if (e - b > 2) return FaultStmt(r, 1, "Error in GOTO statement");
  auto s = std::make_unique<GotoStmt>();
  s->kind = StmtKind::Goto;
  s->range = r;
  s->label = r.Text(b + 1);
  return s;
}

std::unique_ptr<Stmt> TPasCalc::CompileCase(const TextRange& r) {
  const uint32_t b = r.begin, e = r.end;
  uint32_t ofAt = FindCode(r, b + 1, e, tkOf);
  if (ofAt >= e) return FaultStmt(r, 14, "OF expected");
  auto s = std::make_unique<CaseStmt>();
  s->kind = StmtKind::Case;
  s->range = r;
  s->selector = ExprUnit(r.Sub(b + 1, ofAt));
  uint32_t p = ofAt + 1;
  int elses = 0;
  while (true) {
    CaseItem item;
    if (p >= e) {
      item.kind = CaseItem::EndOfText;
      s->items.push_back(std::move(item));
      break;
    }
    if (r[p].code == tkEnd) {
      item.kind = CaseItem::End;
      s->items.push_back(std::move(item));
      break;
    }
    if (r[p].code == tkElse) {
      item.kind = CaseItem::Else;
      if (++elses > 1) {
        s->items.push_back(std::move(item));
        break;
      }
      Extracted x = ExtractStatement(r, p + 1, e, false);
      item.fault = x.fault;
      item.faultRange = r.Sub(x.begin, x.end);
      item.body = OwnText(r.Sub(x.begin, x.end), s->owned);
      s->items.push_back(std::move(item));
      if (x.fault) break;
      p = x.after;
      continue;
    }
    uint32_t colon = FindCode(r, p, e, tkColon);
    if (colon >= e || colon == p) {
      item.kind = CaseItem::Failure;
      item.fault =
          colon >= e ? MakeFault(29, ": expected") : MakeFault(29, "Range defininition expected");
      s->items.push_back(std::move(item));
      break;
    }
    item.kind = CaseItem::Branch;
    // Labels split at commas outside parentheses and brackets; "low .. high" is a range.
    int paren = 0;
    uint32_t start = p;
    for (uint32_t i = p; i <= colon; ++i) {
      int c = i < colon ? static_cast<int>(r[i].code) : static_cast<int>(tkComma);
      if (c == tkLParen || c == tkLBracket) ++paren;
      if (c == tkRParen || c == tkRBracket) --paren;
      if (c == tkComma && (paren == 0 || i == colon)) {
        CaseLabel label;
        uint32_t dots = FindCode(r, start, i, tkRange);
        if (dots < i) {
          label.range = true;
          label.low = ExprUnit(r.Sub(start, dots));
          label.high = ExprUnit(r.Sub(dots + 1, i));
        } else {
          label.low = ExprUnit(r.Sub(start, i));
        }
        item.labels.push_back(std::move(label));
        start = i + 1;
      }
    }
    Extracted x = ExtractStatement(r, colon + 1, e, false);
    item.fault = x.fault;
    item.faultRange = r.Sub(x.begin, x.end);
    item.body = OwnText(r.Sub(x.begin, x.end), s->owned);
    s->items.push_back(std::move(item));
    if (x.fault) break;
    p = x.after;
  }
  return s;
}

}  // namespace script
