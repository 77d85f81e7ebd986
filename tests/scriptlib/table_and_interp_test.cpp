// The native table (all 102 names, in order, in every pool interpreter), the
// interpreter-access natives on a bare interpreter, Decode, and the argument
// rules of the element natives.

#include "harness.h"
#include "scene/script_runner.h"
#include "script/element_path.h"
#include "scriptlib/natives.h"
#include "support/process_state.h"

namespace scriptlib_test {
namespace {

const char* const kRegistrationOrder[] = {
    "Val", "Char", "IntToStr", "StrToInt", "FloatToStr", "StrToFloat", "Copy", "Poss", "Length",
    "DelLastChar", "Insert", "Delete", "Trim", "TrimLeft", "TrimRight", "UpperCase", "LowerCase",
    "Format", "Now", "Date", "Time", "DateToStr", "StrToDate", "TimeToStr", "StrToTime",
    "FormatDateTime", "DayOfWeek", "IncMonth", "DecodeDate", "DecodeTime", "EncodeDate",
    "EncodeTime", "Abs", "Int", "Frac", "Round", "Ceil", "Floor", "Trunc", "Sin", "Sign", "Cos",
    "Tan", "ArcSin", "ArcCos", "ArcTan", "Exp", "Ln", "IntPower", "Sqr", "Sqrt", "Inc", "Dec",
    "Min", "Max", "Exec", "GetVar", "SetVar", "Decode", "YearDays", "YearFrac", "Mod", "Div",
    "ListAdd", "ListDel", "AnimStart", "AnimStop", "AnimBreak", "AnimPlay", "Update", "Process",
    "MsDown", "MsMove", "Init", "Show", "SetFocus", "SetScreen", "FastSetScreen", "FastSetScreenNS",
    "Random", "GetAlpha", "GetPixel", "MoveTo", "ProcEf", "GetText", "GoToURL", "LoadIm", "Print",
    "EndLoadIm", "SaveState", "LoadState", "TimerReset", "GetIni", "SetIni", "DelFile", "ToFront",
    "PlaySnd", "PlayMuz", "StopMuz", "ExitGame", "AddStar", "ImStarsR"};

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

void ExpectFullTable(const script::TPasCalc& calc) {
  ASSERT_EQ(calc.Functions().Count(), 102u);
  for (size_t i = 0; i < 102; ++i) {
    EXPECT_EQ(calc.Functions().At(i).Name, Upper(kRegistrationOrder[i])) << i;
    EXPECT_TRUE(calc.Functions().At(i).Handler) << i;
  }
}

TEST(NativeTable, AllNamesInRegistrationOrder) {
  static_assert(std::size(kRegistrationOrder) == scriptlib::kNativeCount);
  for (size_t i = 0; i < scriptlib::kNativeCount; ++i)
    EXPECT_EQ(scriptlib::NativeName(i), kRegistrationOrder[i]) << i;
  EXPECT_EQ(scriptlib::NativeName(102), "");
  script::TPasCalc calc;
  scriptlib::RegisterNatives(calc);
  ExpectFullTable(calc);
  // Registering again replaces handlers without adding entries.
  scriptlib::RegisterNatives(calc);
  ExpectFullTable(calc);
}

TEST(NativeTable, EveryPoolInterpreterHasTheTable) {
  scriptlib::RegisterNativesInPool();
  scene::ScriptRunner& runner = scene::ScriptRunner::Instance();
  for (int i = 0; i < scene::ScriptRunner::kPoolSize; ++i) ExpectFullTable(runner.Interpreter(i));
}

// Exec runs its text on the calling interpreter: it shares its variables,
// and sets the quiet lookup flag for good.
TEST(InterpreterNatives, ExecSharesVariablesAndLeavesTheQuietFlag) {
  testing_support::ProcessStateGuard processState;
  CheckValues({
      {"Y := 2; Exec('X := Y * 5')", "X", "Integer:10"},
      {"X := Exec('Z := 1')", "X", "Byte:0"},
      {"Exec('PROCEDURE P(); BEGIN Q := 7 END; P()'); W := 1", "W", "Integer:1"},
  });
  Outcome o = RunSnippet("Exec('A := 1'); B := 2");
  ASSERT_TRUE(o.ok) << o.message;
  EXPECT_TRUE(script::QuietLookup());
  // With the flag set, an unknown name fails instead of reading as 0.
  {
    LogHost host;
    script::TPasCalc calc(&host);
    scriptlib::RegisterNatives(calc);
    EXPECT_FALSE(calc.RunSource("X := FOO"));
    EXPECT_EQ(calc.ErrorMessage(), "Variable not found: FOO");
    // A later successful GetVar clears the flag again.
    EXPECT_TRUE(calc.RunSource("V := GetVar('NOTHING'); X := FOO"));
    EXPECT_FALSE(script::QuietLookup());
    for (const std::string& line : host.log) EXPECT_EQ(line.find("NOTHING"), std::string::npos) << line;
  }
  // An error in the text ends the calling run.
  Outcome bad = RunSnippet("Exec('X := 1 +'); Y := 1");
  EXPECT_FALSE(bad.ok);
  EXPECT_EQ(bad.Var("Y"), "<none>");
  CheckErrors({{"Exec('A', 'B')", "Invalid parameters, function EXEC"}});
}

TEST(InterpreterNatives, GetVarAndSetVar) {
  testing_support::ProcessStateGuard processState;
  CheckValues({
      {"X := 3; V := GetVar('X')", "V", "Integer:3"},
      {"X := 3; V := GetVar(' x ')", "V", "Integer:3"},
      {"A[2] := 'z'; V := GetVar('A[2]')", "V", "String:z"},
      {"V := GetVar('NOSUCH')", "V", "LongWord:0"},
      {"V := GetVar('')", "V", "LongWord:0"},
      {"X := 3; SetVar('X', 'new')", "X", "String:new"},
      {"X := 3; SetVar(' x ', 4)", "X", "Integer:4"},
      {"X := 3; V := SetVar('X', 4)", "V", "Empty:"},
  });
  // An unknown name reads as the LongWord 0 without any diagnostic line.
  Outcome o = RunSnippet("V := GetVar('NOSUCH')");
  EXPECT_TRUE(o.log.empty());
  EXPECT_FALSE(script::QuietLookup());
  CheckErrors({
      {"SetVar('Y', 1)", "Invalid parameters, function SETVAR"},
      {"X := 1; SetVar('X')", "Invalid parameters, function SETVAR"},
      {"V := GetVar()", "Invalid parameters, function GETVAR"},
  });
  // No variable was created by the failed SetVar.
  EXPECT_EQ(RunSnippet("SetVar('Y', 1)").Var("Y"), "<none>");
  // A wrong count fails after setting the flag, and leaves it set.
  RunSnippet("V := GetVar('A', 'B')");
  EXPECT_TRUE(script::QuietLookup());
}

TEST(InterpreterNatives, Decode) {
  testing_support::ProcessStateGuard processState;
  CheckValues({
      {"X := Decode(2, 1, 'one', 2, 'two')", "X", "String:two"},
      {"X := Decode(3, 1, 'one', 2, 'two', 'other')", "X", "String:other"},
      {"X := Decode(1, 1, 'one', 1, 'uno')", "X", "String:one"},
      {"X := Decode('a', 'a', 5)", "X", "Integer:5"},
      {"X := Decode(2, 2.0, 'real')", "X", "String:real"},  // script equality
      {"X := Decode(1, 2, 'x', 'dflt')", "X", "String:dflt"},
  });
  CheckErrors({
      {"X := Decode(3, 1, 'one', 2, 'two')", "Invalid parameters, function DECODE"},
      {"X := Decode(1, 1)", "Invalid parameters, function DECODE"},
      {"X := Decode('abc', 1, 'x', 'y')",
       "Invalid parameters, function DECODE : Invalid operand types for \"=\""},
  });
}

// The element natives do nothing yet but already follow their argument
// rules: they never fail, except AddStar and ImStarsR.
TEST(ElementNatives, ArgumentRules) {
  CheckValues({
      {"SetScreen(); X := 1", "X", "Integer:1"},
      {"SetScreen(5, 'x'); X := 1", "X", "Integer:1"},
      {"ListAdd(1); X := 1", "X", "Integer:1"},
      {"X := GetAlpha(1, 2)", "X", "Empty:"},
      {"X := GetAlpha(1, 2, 3)", "X", "Empty:"},  // not an element reference
      {"X := GetAlpha(SELF, 2, 3)", "X", "Empty:"},
      {"E := GetVar('NOSUCH'); X := GetPixel(E, 2, 3)", "X", "Byte:0"},
      {"E := GetVar('NOSUCH'); X := MoveTo(E, 2, 3)", "X", "Byte:0"},
      {"E := GetVar('NOSUCH'); X := ProcEf(E, 1)", "X", "Byte:0"},
      {"X := AddStar(0, 1, 2, 1, 0, -0.1, 0, 0)", "X", "Byte:0"},
      {"X := AddStar(0, 1, 2, 1, 0, -0.1, 0, 0, 3, '', 5, 260)", "X", "Byte:0"},
      {"E := GetVar('NOSUCH'); ImStarsR(E, 0, 0, 1, 0, 0, 0, 0, 0, 0); X := 1", "X",
       "Integer:1"},
  });
  CheckErrors({
      {"AddStar(0, 1, 2, 1, 0, -0.1, 0)", "Invalid parameters, function ADDSTAR"},
      {"AddStar(0, 1, 2, 1, 0, -0.1, 0, 0, 3, '', 5, 260, 1)",
       "Invalid parameters, function ADDSTAR"},
      {"AddStar('a', 1, 2, 1, 0, -0.1, 0, 0)",
       "Invalid parameters, function ADDSTAR : Could not convert variant of type (String) into "
       "type (Double)"},
      {"E := GetVar('NOSUCH'); ImStarsR(E, 0, 0, 1, 0, 0, 0, 0, 0)",
       "Invalid parameters, function IMSTARSR"},
      {"ImStarsR(1, 0, 0, 1, 0, 0, 0, 0, 0, 0)", "Invalid parameters, function IMSTARSR"},
  });
}

}  // namespace
}  // namespace scriptlib_test
