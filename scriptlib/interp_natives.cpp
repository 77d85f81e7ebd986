// Interpreter access: Exec, GetVar, SetVar, and Decode.

#include "script/element_path.h"
#include "script/value_ops.h"
#include "scriptlib/handlers.h"

namespace scriptlib::natives {

// Exec(source): runs the text on the calling interpreter, sharing its
// variables. The quiet lookup flag is set first and stays set: from then on
// an unknown name fails instead of reading as 0, until a GetVar clears it.
// An error of the text stays the interpreter's error, which ends the calling
// run at its next check.
bool Exec(TPasCalc& calc, TVarList& args, TVar& result) {
  if (!CountIs(args, 1)) return false;
  std::string source = AsText(Arg(args, 0));
  script::SetQuietLookup(true);
  calc.RunSource(source);
  result.value = Value::Byte(0);
  return true;
}

// GetVar(name): a variable or element path named by text; the LongWord 0 when
// nothing answers (quietly: the flag suppresses the diagnostic line).
bool GetVar(TPasCalc& calc, TVarList& args, TVar& result) {
  script::SetQuietLookup(true);
  if (!CountIs(args, 1)) return false;  // the flag stays set
  TVar found;
  if (calc.GetVariable(AsText(Arg(args, 0)), found))
    result.value = std::move(found.value);
  else
    result.value = Value::LongWord(0);
  script::SetQuietLookup(false);
  return true;
}

// SetVar(name, value): only an existing script variable; no variable is
// created and no element property is written.
bool SetVar(TPasCalc& calc, TVarList& args, TVar&) {
  if (!CountIs(args, 2)) return false;
  return calc.SetVariable(AsText(Arg(args, 0)), Arg(args, 1));
}

// Decode(x, k1, r1, k2, r2, ..., [default]): the result of the first key equal
// to x; without a match the default, which exists when the count is even.
bool Decode(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountAtLeast(args, 3)) return false;
  size_t n = args.Count();
  for (size_t i = 1; i + 1 < n; i += 2) {
    bool equal = false;
    if (!script::CompareValues(script::Op::Eq, Arg(args, i), Arg(args, 0), equal))
      throw ScriptError("Invalid operand types for \"=\"");
    if (equal) {
      result.value = Arg(args, i + 1);
      return true;
    }
  }
  if (n % 2 != 0) return false;
  result.value = Arg(args, n - 1);
  return true;
}

}  // namespace scriptlib::natives
