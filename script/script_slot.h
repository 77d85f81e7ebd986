#pragma once
// One event script as an element stores it: the source text as the game file
// holds it, the prepared form made when the text is assigned, and whatever the
// interpreter caches for that prepared form (parsed statements, declared
// procedures). The cache is shared so that copying a slot is cheap.

#include <memory>
#include <string>

namespace script {

struct PreparedScript;  // the interpreter's cached form; defined in script/

struct ScriptSlot {
  std::string Source;
  // The prepared form of a slot filled by hand. A slot prepared by the
  // interpreter leaves it empty: its prepared form is in Compiled, encoded
  // only when someone asks for it (TPasCalc::PreparedText).
  std::string Prepared;
  std::shared_ptr<PreparedScript> Compiled;

  // No main program to run.
  bool Empty() const;
};

}  // namespace script
