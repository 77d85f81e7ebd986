// The declaration pass: PROCEDURE and FUNCTION declarations go into the
// script's procedure table, USES and INCLUDE files are read and declared
// recursively, and every other top-level statement forms the main program.
//
//   declaration  (PROCEDURE | FUNCTION) name ( [param {, param} [,]] ) ... ; body-statement
//   file         (USES | INCLUDE) expr          INCLUDE also adds the file's main program

#include <algorithm>

#include "script/compiled.h"
#include "script/pascalc.h"

namespace script {

namespace {

// Files that include each other more deeply than this are refused.
constexpr size_t kMaxIncludeDepth = 32;

}  // namespace

void MainProgram::AddStatement(const TokenArray& text, uint32_t begin, uint32_t end) {
  if (mirroring_) {
    if (&text == source_ && begin == mirrorEnd_ && !needsSemicolon_) {
      if (end == text.size()) {
        mirrorEnd_ = end;
        needsSemicolon_ = true;
        return;
      }
      // A hand-made prepared text may give ";" another text; the program's is ";".
      if (text[end].code == tkSemicolon && text.Text(end) == ";") {
        mirrorEnd_ = end + 1;
        return;
      }
    }
    Tokens();
  }
  copy_.Append(text, begin, end);
  copy_.Append(tkSemicolon, ";");
}

void MainProgram::AddTokens(const TokenArray& tokens) {
  TokenArray& out = Tokens();
  out.Append(tokens, 0, tokens.size());
}

TokenArray& MainProgram::Tokens() {
  if (mirroring_) {
    mirroring_ = false;
    if (source_) copy_.Append(*source_, 0, mirrorEnd_);
    if (needsSemicolon_) copy_.Append(tkSemicolon, ";");
    needsSemicolon_ = false;
  }
  return copy_;
}

TokenArrayPtr MainProgram::Finish(const std::shared_ptr<TokenArray>& own) {
  if (mirroring_ && own.get() == source_) {
    // Procedure bodies keep their ranges when the array grows by one token.
    if (needsSemicolon_ && mirrorEnd_ == own->size()) {
      own->Append(tkSemicolon, ";");
      ++mirrorEnd_;
      needsSemicolon_ = false;
    }
    if (!needsSemicolon_ && mirrorEnd_ == own->size()) return own;
  }
  return std::make_shared<TokenArray>(std::move(Tokens()));
}

std::shared_ptr<PreparedScript> TPasCalc::BuildScript(const std::string& source) {
  auto script = std::make_shared<PreparedScript>();
  // The table is made at the first declaration (most event scripts declare
  // nothing); until then the script has none, and neither has the run.
  procs_.reset();
  auto tokens = std::make_shared<TokenArray>(IsPreparedText(source) ? ReadPreparedTokens(source)
                                                                    : Tokenize(source));
  MainProgram main(tokens.get());
  std::vector<std::string> includeStack;
  DeclarationPass(tokens, *script, main, includeStack);
  script->tokens = main.Finish(tokens);
  return script;
}

void TPasCalc::DeclarationPass(const TokenArrayPtr& tokens, PreparedScript& script,
                               MainProgram& main, std::vector<std::string>& includeStack) {
  script.sources.push_back(tokens);
  const TextRange t{tokens.get(), 0, static_cast<uint32_t>(tokens->size())};
  uint32_t pos = 0;
  while (true) {
    Extracted x = ExtractStatement(t, pos, t.end, false);
    if (x.begin >= x.end) break;
    const TextRange s = t.Sub(x.begin, x.end);
    if (x.fault) SetError(x.fault.message, s, x.fault.code);
    auto code = [&](uint32_t i) { return i < x.end ? static_cast<int>(t[i].code) : tkNone; };
    uint32_t first = x.begin;
    if (code(first + 1) == tkColon) first += 2;  // a leading "label :"
    int kind = code(first);
    if (kind == tkProcedure || kind == tkFunction) {
      // An error in a header ends the pass here; what was collected stays.
      uint32_t q = first + 1;
      if (code(q) != tkIdent) return SetError("Invalid procedure name", s, 4);
      auto proc = std::make_unique<TProcedure>();
      proc->Name = t.Text(q);
      proc->IsFunction = kind == tkFunction;
      if (script.procs && script.procs->Find(proc->Name))
        return SetError("Duplicate procedure name", s, 24);
      if (code(++q) != tkLParen) return SetError("( expected", s, 2);
      ++q;
      while (code(q) != tkRParen) {
        if (code(q) == tkIdent) {
          proc->ParamNames.emplace_back(t.Text(q));
          int next = code(++q);
          if (next == tkRParen) break;
          if (next == tkComma) {
            ++q;
            continue;
          }
        }
        return SetError("Invalid function call", s, 7);
      }
      // The body is the next top-level statement; tokens after ")" are ignored.
      Extracted body = ExtractStatement(t, x.after, t.end, false);
      if (body.fault) SetError(body.fault.message, t.Sub(body.begin, body.end), body.fault.code);
      proc->body = t.Sub(body.begin, body.end);
      for (const std::string& param : proc->ParamNames) proc->params.emplace_back(param);
      if (!script.procs) {
        script.procs = std::make_shared<TProcList>();
        // Declarations register here as they are read; a USES expression sees them.
        procs_ = script.procs;
      }
      script.procs->Add(std::move(proc));
      pos = body.after;
      continue;
    }
    if (kind == tkUses || kind == tkInclude) {
      script.reusable = false;
      if (!IncludeFile(s, first, kind == tkInclude, script, main, includeStack)) return;
      pos = x.after;
      continue;
    }
    main.AddStatement(*tokens, x.begin, x.end);
    pos = x.after;
  }
}

bool TPasCalc::IncludeFile(const TextRange& s, uint32_t first, bool isInclude,
                           PreparedScript& script, MainProgram& main,
                           std::vector<std::string>& includeStack) {
  const TextRange expr = s.Sub(first + 1, s.end);
  const char* keyword = isInclude ? "INCLUDE" : "USES";
  ExprUnit unit(expr);
  Value v;
  if (!EvalUnit(unit, v)) {
    SetError("Invalid filename \"" + expr.Encoded() + "\" in " + keyword + " statement", s, 1);
    return false;
  }
  std::string name = v.ToText();
  if (includeStack.size() >= kMaxIncludeDepth) {
    SetError("Includes nested too deeply: \"" + name + "\"", s, 25);
    return false;
  }
  std::string content, key;
  int osError = 0;
  if (!host_->ReadScriptFile(name, content, key, osError)) {
    SetError("Can't open file \"" + expr.Encoded() + "\", error code " + std::to_string(osError), s,
             25);
    return false;
  }
  if (std::find(includeStack.begin(), includeStack.end(), key) != includeStack.end()) {
    // A file that includes itself, directly or through others.
    SetError("Include cycle: file \"" + name + "\" is already being read", s, 25);
    return false;
  }
  includeStack.push_back(key);
  auto tokens = std::make_shared<TokenArray>(Tokenize(content));
  MainProgram fileMain(nullptr);
  // An error inside the file ends only the file's pass.
  DeclarationPass(tokens, script, fileMain, includeStack);
  includeStack.pop_back();
  if (isInclude) main.AddTokens(fileMain.Tokens());
  return true;
}

}  // namespace script
