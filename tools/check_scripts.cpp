#include "tools/check_scripts.h"

#include <algorithm>

#include "script/compiled.h"
#include "scriptlib/natives.h"

namespace tools {

namespace {

using script::TokenArray;

bool IsQuote(char c) { return c == '\'' || c == '"'; }

bool IsStringToken(int code, std::string_view text) {
  return code == script::tkConst && !text.empty() && IsQuote(text[0]);
}

bool Terminated(std::string_view literal) {
  return literal.size() >= 2 && IsQuote(literal.back());
}

// A single-quoted literal: its text between the quotes.
bool PlainLiteral(int code, std::string_view literal, std::string& text) {
  if (!IsStringToken(code, literal) || literal[0] != '\'' || !Terminated(literal)) return false;
  text = literal.substr(1, literal.size() - 2);
  return true;
}

// Tokens that end a simple statement.
bool EndsStatement(int code) {
  return code == script::tkSemicolon || code == script::tkEnd || code == script::tkElse ||
         code == script::tkUntil || code == script::tkNone;
}

// Tokens after which a statement begins.
bool BeginsStatementAfter(int code) {
  return code == script::tkNone || code == script::tkSemicolon || code == script::tkBegin ||
         code == script::tkThen || code == script::tkElse || code == script::tkDo ||
         code == script::tkRepeat;
}

class Walk {
 public:
  Walk(const TokenArray& t, const script::TPasCalc& calc, const script::TProcList& procs,
       const platform::CodePage& cp, ScriptFacts& facts, std::set<std::string>& said)
      : t_(t), calc_(calc), procs_(procs), cp_(cp), f_(facts), said_(said) {}

  void Run() {
    for (size_t i = 0; i < t_.size(); ++i) {
      if (IsStringToken(t_[i].code, t_.Text(i))) {
        Literal(t_.Text(i));
      } else if (t_[i].code == script::tkIdent) {
        i = Identifier(i);
      }
    }
  }

 private:
  int Code(size_t i) const { return i < t_.size() ? static_cast<int>(t_[i].code) : script::tkNone; }
  int Prev(size_t i) const { return i == 0 ? script::tkNone : Code(i - 1); }
  std::string Text(size_t i) const { return std::string(t_.Text(i)); }
  // Token i is a single-quoted literal: its text between the quotes.
  bool Plain(size_t i, std::string& text) const {
    return i < t_.size() && PlainLiteral(t_[i].code, t_.Text(i), text);
  }

  void Say(const std::string& line) {
    if (said_.insert(line).second) f_.problems.push_back(line);
  }

  void Literal(std::string_view text) {
    if (!Terminated(text)) {
      Say("the string " + cp_.ToUtf8(text) + " has no closing quote");
    } else if (text[0] == '"' && text.size() > 2) {
      f_.textKeys.emplace_back(text.substr(1, text.size() - 2));
    }
  }

  // A name at i begins a statement: after a statement separator or keyword,
  // or after "label :" (also the labels of CASE branches).
  bool StatementStart(size_t i) const {
    const int prev = Prev(i);
    if (BeginsStatementAfter(prev)) return true;
    if (prev != script::tkColon || i < 2) return false;
    const int beforeLabel = i >= 3 ? Code(i - 3) : script::tkNone;
    return BeginsStatementAfter(beforeLabel) || beforeLabel == script::tkOf ||
           beforeLabel == script::tkComma || beforeLabel == script::tkRange;
  }

  // Index of the ")" that closes the "(" at open; the end when none does.
  size_t Closing(size_t open) const {
    int depth = 0;
    for (size_t i = open; i < t_.size(); ++i) {
      if (t_[i].code == script::tkLParen) ++depth;
      if (t_[i].code == script::tkRParen && --depth == 0) return i;
    }
    return t_.size();
  }

  // Arguments between the parentheses: token ranges split at top-level commas.
  std::vector<std::pair<size_t, size_t>> Arguments(size_t open, size_t close) const {
    std::vector<std::pair<size_t, size_t>> out;
    if (open + 1 >= close) return out;
    int depth = 0;
    size_t start = open + 1;
    for (size_t i = open + 1; i < close; ++i) {
      if (t_[i].code == script::tkLParen) ++depth;
      if (t_[i].code == script::tkRParen) --depth;
      if (t_[i].code == script::tkComma && depth == 0) {
        out.emplace_back(start, i);
        start = i + 1;
      }
    }
    out.emplace_back(start, close);
    return out;
  }

  // Returns the index to continue after.
  size_t Identifier(size_t i) {
    const std::string name = Text(i);
    const int prev = Prev(i);
    const int next = Code(i + 1);
    if (prev == script::tkProcedure || prev == script::tkFunction) {
      // A declaration: its parameters are names the body may use.
      if (next != script::tkLParen) return i;
      const size_t close = Closing(i + 1);
      for (size_t k = i + 2; k < close; ++k)
        if (t_[k].code == script::tkIdent) f_.assigned.insert(Text(k));
      return std::min(close, t_.size() - 1);
    }
    if (prev == script::tkFor) f_.assigned.insert(name);
    if (next == script::tkLParen) {
      const size_t close = Closing(i + 1);
      if (close >= t_.size()) {
        Say(cp_.ToUtf8(name) + "( has no closing parenthesis");
        return i;
      }
      Call(name, Arguments(i + 1, close));
      return i;
    }
    if (!StatementStart(i)) {
      // A callable name without parentheses is a call without arguments.
      if (Callable(name)) Call(name, {});
      return i;
    }
    if (next == script::tkAssign || next == script::tkLBracket) {
      f_.assigned.insert(name);
      if (next == script::tkAssign) ImageAssignment(i);
    } else if (EndsStatement(next)) {
      if (Callable(name))
        Call(name, {});
      else if (name.find('.') == std::string::npos)
        f_.bareNames.push_back(name);
    } else if (next == script::tkColon || next == script::tkComma || next == script::tkRange) {
      // A label, or the first of the labels of a CASE branch.
    } else {
      Say("the statement starting " + cp_.ToUtf8(name) + " " + cp_.ToUtf8(t_.Text(i + 1)) +
          " cannot run: found " + cp_.ToUtf8(t_.Text(i + 1)) + ", expected :=, (, [ or ;");
    }
    return i;
  }

  bool Callable(const std::string& name) const {
    return procs_.Find(name) || calc_.IndexOfFunction(name) >= 0;
  }

  void Call(const std::string& name, const std::vector<std::pair<size_t, size_t>>& args) {
    if (const script::TProcedure* p = procs_.Find(name)) {
      if (args.size() != p->ParamNames.size())
        Say("procedure " + cp_.ToUtf8(name) + " takes " + std::to_string(p->ParamNames.size()) +
            " arguments but is called with " + std::to_string(args.size()));
      return;
    }
    if (calc_.IndexOfFunction(name) < 0) {
      Say("unknown function " + cp_.ToUtf8(name));
      return;
    }
    std::string text;
    if (name == "PLAYSND" || name == "PLAYMUZ") {
      if (args.size() == 1 && args[0].second == args[0].first + 1 && Plain(args[0].first, text))
        f_.sounds.push_back({name, text});
    } else if (name == "SETSCREEN" || name == "FASTSETSCREEN" || name == "FASTSETSCREENNS") {
      for (const auto& [b, e] : args)
        if (e == b + 1 && t_[b].code == script::tkIdent) f_.screens.push_back({name, Text(b)});
    } else if (name == "GETTEXT") {
      if (args.size() == 1 && args[0].second == args[0].first + 1 && Plain(args[0].first, text))
        f_.textKeys.push_back(text);
    } else if (name == "ADDSTAR" || name == "IMSTARSR") {
      f_.usesStars = true;
    }
  }

  // NAME := 'literal' where NAME is an image property (of this element or a path).
  void ImageAssignment(size_t i) {
    std::string text;
    if (!Plain(i + 2, text) || !EndsStatement(Code(i + 3))) return;
    const std::string name = Text(i);
    const size_t dot = name.rfind('.');
    const std::string prop = dot == std::string::npos ? name : name.substr(dot + 1);
    if (prop == "IMIMAGE" || prop == "IMBACK") f_.images.push_back({prop, text});
  }

  const TokenArray& t_;
  const script::TPasCalc& calc_;
  const script::TProcList& procs_;
  const platform::CodePage& cp_;
  ScriptFacts& f_;
  std::set<std::string>& said_;
};

}  // namespace

ScriptScanner::ScriptScanner(const platform::CodePage& cp) : cp_(cp) {
  scriptlib::RegisterNatives(calc_);
}

namespace {

// Messages may quote prepared text (marker byte and token code before each
// token); the tokens are shown joined.
std::string Printable(const std::string& message) {
  std::string out;
  for (size_t i = 0; i < message.size(); ++i) {
    if (message[i] == script::kTokenMarker) {
      ++i;
      continue;
    }
    out.push_back(message[i]);
  }
  return out;
}

}  // namespace

ScriptFacts ScriptScanner::Scan(const std::string& source) {
  ScriptFacts facts;
  std::shared_ptr<script::PreparedScript> prepared = calc_.PrepareScript(source);
  if (calc_.ErrorCode() != 0) {
    std::string where(script::TrimText(calc_.ErrorText()));
    facts.prepareError = cp_.ToUtf8(Printable(calc_.ErrorMessage()));
    if (!where.empty()) facts.prepareError += " in \"" + cp_.ToUtf8(where) + "\"";
  }
  if (!prepared) return facts;
  // A script that declares nothing has no table of its own.
  static const script::TProcList kNoProcedures;
  const script::TProcList& procs = prepared->procs ? *prepared->procs : kNoProcedures;
  std::set<std::string> said;
  // The script's own text first, then every file it includes.
  for (const script::TokenArrayPtr& tokens : prepared->sources)
    if (tokens) Walk(*tokens, calc_, procs, cp_, facts, said).Run();
  return facts;
}

}  // namespace tools
