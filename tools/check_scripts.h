#pragma once
// ScriptScanner: what `qazmir-tool check` learns from one event script.
//
// The script is prepared by an interpreter that has the native table
// registered, exactly as the player prepares it (a failure gives the
// interpreter's own message). Then the token stream of its text, and of the
// files it includes, is walked:
//   - NAME( ... ) that is neither a native nor a procedure the script
//     declares is an unknown function; a declared procedure called with
//     another number of arguments than it declares cannot run;
//   - a statement that is a bare NAME names a procedure; when nothing of that
//     name is callable it is kept as a candidate, because it may also be a
//     variable that some script of the game assigns (the caller decides);
//   - a statement that starts with a name followed by anything but :=, (, [,
//     ; or a label colon cannot run;
//   - literal arguments that name resources are collected: sound addresses of
//     PlaySnd and PlayMuz, QZDB.X paths of the screen switches, text keys
//     ("..." literals and GetText), image names assigned to imImage/ImBack.
// Messages are UTF-8; collected names stay in the game's code page.

#include <set>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "script/pascalc.h"

namespace tools {

// A native called with a literal argument.
struct LiteralUse {
  std::string what;      // the native or the property, upper case
  std::string argument;  // the literal's text without quotes, or the path token
};

struct ScriptFacts {
  // The interpreter's message, when preparing failed.
  std::string prepareError;
  // Unknown functions, argument counts, statements that cannot run, strings
  // without their closing quote: one line each.
  std::vector<std::string> problems;
  // `NAME;` statements where NAME is not callable (upper case, no dot).
  std::vector<std::string> bareNames;
  std::vector<LiteralUse> sounds;   // PLAYSND / PLAYMUZ, sound-table address
  std::vector<LiteralUse> screens;  // SETSCREEN..., one per path argument
  std::vector<LiteralUse> images;   // IMIMAGE / IMBACK, image name
  std::vector<std::string> textKeys;
  // Names the script assigns, takes as parameters or counts with FOR.
  std::set<std::string> assigned;
  bool usesStars = false;  // AddStar or ImStarsR
};

class ScriptScanner {
 public:
  explicit ScriptScanner(const platform::CodePage& cp);
  ScriptScanner(const ScriptScanner&) = delete;
  ScriptScanner& operator=(const ScriptScanner&) = delete;

  ScriptFacts Scan(const std::string& source);

 private:
  const platform::CodePage& cp_;
  script::TPasCalc calc_;
};

}  // namespace tools
