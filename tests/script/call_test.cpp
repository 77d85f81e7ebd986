// Calls: script procedures and functions (snapshot scoping, parameter binding,
// by-reference write-back, RESULT), natives (VAR/VALUE arguments, write-back,
// failures and exceptions), registration, and runs nested on one interpreter.

#include "harness.h"
#include "support/process_state.h"

namespace script_test {
namespace {

using script::TPasCalc;
using script::TVar;
using script::TVarList;

TEST(Procedures, ScopingAndResults) {
  CheckValues({
      {"FUNCTION F(N); BEGIN RESULT := N * 2 END; X := F(4)", "X", "Integer:8"},
      {"X := F(4); FUNCTION F(N); BEGIN RESULT := N * 2 END", "X", "Integer:8"},
      {"FUNCTION F(N); BEGIN T := 1; RESULT := N END; X := F(4)", "T", "<none>"},
      {"PROCEDURE P(A); BEGIN A := A + 1 END; B := 1; P(B)", "B", "Integer:2"},
      {"PROCEDURE P(A); BEGIN A := A + 1 END; B := 1; P(B + 0)", "B", "Integer:1"},
      {"PROCEDURE P(A); BEGIN A := A + 1 END; B := 1; P( B )", "B", "Integer:2"},
      {"PROCEDURE P(A); BEGIN A := 7 END; B[2] := 1; P(B[1 + 1])", "B[2]", "Integer:1"},
      {"PROCEDURE P(A); BEGIN A := 7 END; B[2] := 1; P(B[2])", "B[2]", "Integer:7"},
      // A procedure sees its caller's variables; what it changes is discarded.
      {"PROCEDURE P(); BEGIN Y := X + 1 END; X := 1; P()", "Y", "<none>"},
      {"PROCEDURE P(); BEGIN X := 5 END; X := 1; P()", "X", "Integer:1"},
      {"FUNCTION F(); BEGIN RESULT := X + 1 END; X := 1; Y := F()", "Y", "Integer:2"},
      // Parameters are bound in order: a later argument sees earlier parameters.
      {"FUNCTION F(A, B); BEGIN RESULT := B END; X := F(3, A + 1)", "X", "Integer:4"},
      {"FUNCTION F(); BEGIN RESULT := 1; EXIT; RESULT := 2 END; X := F", "X", "Integer:1"},
      {"PROCEDURE P(); BEGIN X := 1; EXIT; X := 2 END; P(); Y := 3", "Y", "Integer:3"},
      {"PROCEDURE P(); BEGIN END; X := P", "X", "Empty:"},
      {"FUNCTION F(N); BEGIN IF N < 2 THEN RESULT := N ELSE RESULT := F(N - 1) + F(N - 2) END;"
       " X := F(15)",
       "X", "Integer:610"},
      // The caller's RESULT is removed inside a function and back afterwards.
      {"FUNCTION F(); BEGIN RESULT := 2 END; RESULT := 9; X := F() + RESULT", "X", "Integer:11"},
      {"PROCEDURE P(A,); BEGIN B := A END; P(1); X := 1", "X", "Integer:1"},
  });
}

TEST(Procedures, Errors) {
  CheckErrors({
      {"PROCEDURE P(A); BEGIN END; P(1, 2)", 7, "Wrong parameters amount, procedure P"},
      {"PROCEDURE P(A); BEGIN END; P", 7, "Wrong parameters amount, procedure P"},
      {"PROCEDURE P(A); BEGIN END; P(1 2 3)", 7,
       "Invalid expression in function params: \x7f"
       "B1\x7f"
       "B2\x7f"
       "B3"},
      {"PROCEDURE P($A); BEGIN END; P(1)", 24, "Duplicate variable name: $A"},
      {"PROCEDURE P(); BEGIN BREAK END; I := 0; FOR I := 1 TO 3 DO P()", 15, "BREAK outside loop"},
      {"PROCEDURE P(); BEGIN CONTINUE END; P()", 15, "CONTINUE outside loop"},
      {"PROCEDURE P(); BEGIN GOTO Q END; P()", 18, "Label Q not exist or unreacheble"},
      {"PROCEDURE P(); BEGIN P() END; P()", 31, "Procedure calls nested too deeply: P"},
      {"FUNCTION F(N); BEGIN RESULT := F(N + 1) END; X := F(1)", 31,
       "Procedure calls nested too deeply: F"},
      {"PROCEDURE P(); BEGIN X := 1 + END; P()", 1, "Unknown or invalid operator in expression: "},
  });
}

// A function that never sets RESULT reads RESULT through the element paths:
// the Byte 0 with a diagnostic, or, with the quiet lookup flag, an error.
TEST(Procedures, MissingResult) {
  Outcome o = RunBoth("FUNCTION F(); BEGIN END; X := F()");
  EXPECT_TRUE(o.ok);
  EXPECT_EQ(o.Var("X"), "Byte:0");
  EXPECT_EQ(o.log, (std::vector<std::string>{"Not var NIL RESULT (in  Test"}));
  {
    testing_support::QuietLookupScope quiet;
    o = RunBoth("FUNCTION F(); BEGIN END; X := F()");
  }
  EXPECT_EQ(o.code, 26);
  EXPECT_EQ(o.message, "Function must return result : F");
}

TEST(Natives, VarArgumentsAndWriteBack) {
  CheckValues({
      {"N := 1; Inc(N)", "N", "Integer:2"},
      {"N := 1; Inc(N, 5)", "N", "Integer:6"},
      {"N := 1; Inc(N + 0)", "N", "Integer:1"},
      {"N := 1; Inc(1)", "N", "Integer:1"},
      {"A[1] := 1; Inc(A[1])", "A[1]", "Integer:2"},
      {"N := 1; SetVar(N, 'x')", "N", "String:x"},
      {"N := 1; X := SetVar(N, 2) ; Y := N", "Y", "Integer:2"},
  });
  CheckErrors({
      {"N := 1; SetVar(N + 0, 7)", 7, "Invalid parameters, function SETVAR"},
      {"SetVar(UNKNOWN, 7)", 7, "Invalid parameters, function SETVAR"},
  });
}

TEST(Natives, HandlerSeesVarAndValueNames) {
  HostSetup setup = [](FakeHost&, TPasCalc& calc) {
    calc.RegisterFunction("Names", [](TPasCalc&, TVarList& args, TVar& r) {
      std::string s;
      for (const auto& a : args.Items()) s += a.Name + ";";
      r.value = script::Value::String(s);
      return true;
    });
  };
  CheckValues(
      {{"A := 1; X := Names(A, 1, A + 1, B, 'A')", "X", "String:VAR;VALUE;VALUE;VALUE;VALUE;"}},
      setup);
}

// Every VAR argument is copied back after a successful call, changed or not;
// a failed call copies nothing back.
TEST(Natives, WriteBackRules) {
  HostSetup setup = [](FakeHost&, TPasCalc& calc) {
    calc.RegisterFunction("Sneak", [](TPasCalc& c, TVarList&, TVar&) {
      c.SetVariable("n", script::Value::Integer(99));
      return true;
    });
    calc.RegisterFunction("Spoil", [](TPasCalc&, TVarList& args, TVar&) {
      args.At(0).value = script::Value::Integer(-1);
      return false;
    });
    calc.RegisterFunction("Shrink", [](TPasCalc&, TVarList& args, TVar&) {
      args.Clear();
      return true;
    });
  };
  CheckValues({{"N := 1; Sneak(N)", "N", "Integer:1"},
               {"N := 1; Sneak(1); X := N", "X", "Integer:99"},
               {"N := 1; Shrink(N); X := N", "X", "Integer:1"}},
              setup);
  Outcome o = RunBoth("N := 1; Spoil(N)", setup);
  EXPECT_EQ(o.Var("N"), "Integer:1");
  EXPECT_EQ(o.message, "Invalid parameters, function SPOIL");
}

TEST(Natives, Registration) {
  TPasCalc calc;
  auto one = [](TPasCalc&, TVarList&, TVar& r) {
    r.value = script::Value::Integer(1);
    return true;
  };
  auto two = [](TPasCalc&, TVarList&, TVar& r) {
    r.value = script::Value::Integer(2);
    return true;
  };
  EXPECT_TRUE(calc.RegisterFunction("  fOo ", one));
  EXPECT_EQ(calc.IndexOfFunction("FOO"), 0);
  EXPECT_EQ(calc.IndexOfFunction("foo"), -1);  // lookups are exact
  EXPECT_TRUE(calc.RegisterFunction("Foo", two));
  EXPECT_EQ(calc.Functions().Count(), 1u);  // replaced, not added
  ASSERT_TRUE(calc.RunSource("X := FOO"));
  EXPECT_EQ(calc.Variables().Find("X")->value.i, 2);
  EXPECT_FALSE(calc.RegisterFunction("1X", one));
  EXPECT_FALSE(calc.RegisterFunction("A B", one));
  EXPECT_FALSE(calc.RegisterFunction("", one));
  EXPECT_TRUE(calc.RegisterFunction("Bar", one));
  EXPECT_TRUE(calc.RegisterFunction("FOO", nullptr));  // removal
  EXPECT_EQ(calc.IndexOfFunction("FOO"), -1);
  EXPECT_EQ(calc.IndexOfFunction("BAR"), 0);
  EXPECT_TRUE(calc.RegisterFunction("NEVER", nullptr));
  EXPECT_EQ(calc.Functions().Count(), 1u);
  EXPECT_FALSE(calc.RunSource("X := FOO(1)"));
  EXPECT_EQ(calc.ErrorMessage(), "Unknown function: FOO");
}

// A parse made while a name was a function is not reused once it is not.
TEST(Natives, CachedParseFollowsTheFunctionTable) {
  for (bool cache : {true, false}) {
    TPasCalc calc;
    calc.SetCacheEnabled(cache);
    calc.RegisterFunction("Now", [](TPasCalc&, TVarList&, TVar& r) {
      r.value = script::Value::Integer(7);
      return true;
    });
    auto script = calc.PrepareScript("NOW := 'abc'; Y := NOW; Z := NOW[2]");
    // NOW is a function: "NOW[2]" is a call followed by three tokens.
    EXPECT_FALSE(calc.RunPrepared(script));
    EXPECT_EQ(calc.ErrorMessage(), "Error in expression");
    EXPECT_EQ(calc.Variables().Find("Y")->value.i, 7);
    calc.RegisterFunction("Now", nullptr);
    calc.ClearVariables();
    EXPECT_TRUE(calc.RunPrepared(script)) << cache;
    EXPECT_EQ(calc.Variables().Find("Y")->value.s, "abc");
    EXPECT_EQ(calc.Variables().Find("Z")->value.s, "b");
    calc.RegisterFunction("Now", [](TPasCalc&, TVarList&, TVar& r) {
      r.value = script::Value::Integer(8);
      return true;
    });
    calc.ClearVariables();
    EXPECT_FALSE(calc.RunPrepared(script));
    EXPECT_EQ(calc.Variables().Find("Y")->value.i, 8);
  }
}

TEST(Natives, OtherExceptionsPassThrough) {
  TPasCalc calc;
  calc.RegisterFunction("Throw", [](TPasCalc&, TVarList&, TVar&) -> bool { throw 42; });
  EXPECT_THROW(calc.RunSource("I := 0; FOR I := 1 TO 3 DO X := Throw"), int);
  EXPECT_FALSE(calc.Running());
  EXPECT_TRUE(calc.RunSource("X := 1; BREAK_ := 2"));
  EXPECT_FALSE(calc.RunSource("BREAK"));
  EXPECT_EQ(calc.ErrorMessage(), "BREAK outside loop");
}

// A native running text on the calling interpreter (as Exec does) shares its
// variables and error state; the outer run keeps its own control state and
// procedures.
TEST(Natives, NestedRunOnTheSameInterpreter) {
  CheckValues({
      {"X := 1; Exec('Y := X + 1'); Z := Y", "Z", "Integer:2"},
      {"Exec('EXIT'); X := 1", "X", "Integer:1"},
      {"FUNCTION F(); BEGIN RESULT := 5 END; Exec('Y := 1'); Z := F()", "Z", "Integer:5"},
      {"I := 0; FOR I := 1 TO 3 DO BEGIN Exec('A := I'); IF I = 2 THEN BREAK END; X := A", "X",
       "Integer:2"},
      {"Exec('FUNCTION G(); BEGIN RESULT := 3 END; Y := G()'); Z := Y", "Z", "Integer:3"},
  });
  Outcome o = RunBoth("Exec('Q := 1 +'); X := 1");
  EXPECT_FALSE(o.ok);
  EXPECT_EQ(o.Var("X"), "<none>");
  EXPECT_EQ(o.message, "Unknown or invalid operator in expression: ");
}

}  // namespace
}  // namespace script_test
