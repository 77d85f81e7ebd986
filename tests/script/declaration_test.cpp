// The declaration pass: procedure headers, USES/INCLUDE files, cycles, the
// partial main program after an error, and procedures kept with a prepared
// script so that every run of it can call them.

#include "harness.h"

namespace script_test {
namespace {

using script::TPasCalc;

TEST(Declarations, HeaderErrors) {
  CheckErrors({
      {"PROCEDURE P(); BEGIN END; PROCEDURE P(); BEGIN END", 24, "Duplicate procedure name"},
      {"PROCEDURE P(A B); BEGIN END", 7, "Invalid function call"},
      {"PROCEDURE P(1); BEGIN END", 7, "Invalid function call"},
      {"PROCEDURE P(A", 7, "Invalid function call"},
      {"PROCEDURE 1(); BEGIN END", 4, "Invalid procedure name"},
      {"FUNCTION; BEGIN END", 4, "Invalid procedure name"},
      {"PROCEDURE P; BEGIN END", 2, "( expected"},
  });
}

TEST(Declarations, HeadersAndBodies) {
  CheckValues({
      // Tokens after ")" in the header are ignored; a label before it is skipped.
      {"PROCEDURE P() FOO BAR; BEGIN X := 1 END; P(); Y := 2", "Y", "Integer:2"},
      {"L: FUNCTION F(); BEGIN RESULT := 4 END; X := F", "X", "Integer:4"},
      // The body is the next statement, whatever it is.
      {"FUNCTION F(A); RESULT := A + 1; X := F(1)", "X", "Integer:2"},
      {"FUNCTION F(A, B,); BEGIN RESULT := A * B END; X := F(2, 3)", "X", "Integer:6"},
  });
  // A declaration at the end without a body declares an empty procedure.
  Outcome o = RunBoth("X := 1; PROCEDURE P();");
  EXPECT_TRUE(o.ok);
}

// An error in a header ends the pass: what was collected before it is the
// main program that Prepare returns; RunSource runs nothing.
TEST(Declarations, PartialMainProgram) {
  TPasCalc calc;
  std::string main = calc.Prepare("X := 1; PROCEDURE (); Y := 2");
  EXPECT_EQ(calc.ErrorCode(), 4);
  EXPECT_EQ(main,
            "\x7f"
            "AX\x7f^:=\x7f"
            "B1\x7fZ;");
  EXPECT_FALSE(calc.RunSource("X := 1; PROCEDURE (); Y := 2"));
  EXPECT_EQ(calc.Variables().Count(), 0u);
  // The same text again comes from the source cache with the same error.
  EXPECT_FALSE(calc.RunSource("X := 1; PROCEDURE (); Y := 2"));
  EXPECT_EQ(calc.ErrorMessage(), "Invalid procedure name");
  EXPECT_EQ(calc.ErrorText(), "PROCEDURE ( )  ");
}

TEST(Declarations, UsesAndInclude) {
  HostSetup files = [](FakeHost& h, TPasCalc&) {
    h.files["lib.pas"] = "function Twice(n); begin result := n * 2 end; libvar := 7;";
    h.files["outer.pas"] = "uses 'lib.pas'; procedure Outer(); begin end;";
    h.files["broken.pas"] = "procedure 1(); x := 1;";
  };
  CheckValues(
      {
          {"USES 'lib.pas'; X := Twice(4)", "X", "Integer:8"},
          {"USES 'lib.pas'; X := LIBVAR", "X", "Byte:0"},  // USES drops the main program
          {"INCLUDE 'lib.pas'; X := LIBVAR", "X", "Integer:7"},
          {"INCLUDE 'outer.pas'; X := Twice(1)", "X", "Integer:2"},
      },
      files);
  CheckErrors(
      {
          {"INCLUDE 'missing.txt'", 25,
           "Can't open file \"\x7f"
           "B'missing.txt'\", error code 2"},
          {"USES 1 +", 1, "Unknown or invalid operator in expression: "},
          {"USES 1 2 3", 1,
           "Invalid filename \"\x7f"
           "B1\x7f"
           "B2\x7f"
           "B3\" in USES statement"},
          {"INCLUDE", 1, "Empty string - not expression"},
          {"INCLUDE 'broken.pas'", 4, "Invalid procedure name"},
          // The file name is evaluated before the main program runs.
          {"F := 'lib'; USES F + '.pas'", 5, "Invalid operand types for \"+\""},
      },
      files);
  // An error inside an included file ends only that file's pass.
  TPasCalc calc;
  FakeHost host;
  host.files["broken.pas"] = "procedure 1(); x := 1;";
  calc.SetHost(&host);
  std::string main = calc.Prepare("INCLUDE 'broken.pas'; Y := 1");
  EXPECT_EQ(main,
            "\x7f"
            "AY\x7f^:=\x7f"
            "B1\x7fZ;");
}

// A file that includes itself, directly or through others, is stopped.
TEST(Declarations, IncludeCycles) {
  HostSetup files = [](FakeHost& h, TPasCalc&) {
    h.files["self.pas"] = "include 'self.pas'; procedure A(); begin end;";
    h.files["a.pas"] = "include 'b.pas';";
    h.files["b.pas"] = "include 'a.pas';";
  };
  CheckErrors({{"INCLUDE 'self.pas'", 25, "Include cycle: file \"self.pas\" is already being read"},
               {"USES 'a.pas'", 25, "Include cycle: file \"a.pas\" is already being read"}},
              files);
  // A deep chain of distinct files is bounded too.
  HostSetup chain = [](FakeHost& h, TPasCalc&) {
    for (int i = 0; i < 40; ++i)
      h.files["f" + std::to_string(i)] = "include 'f" + std::to_string(i + 1) + "';";
  };
  CheckErrors({{"INCLUDE 'f0'", 25, "Includes nested too deeply: \"f32\""}}, chain);
}

// Procedures declared in a text prepared once are kept with it: every run of
// the prepared script can call them, on any interpreter.
TEST(Declarations, PreparedScriptKeepsItsProcedures) {
  TPasCalc a, b;
  auto script = a.PrepareScript("FUNCTION F(N); BEGIN RESULT := N + 1 END; X := F(1)");
  for (int i = 0; i < 3; ++i) {
    a.ClearVariables();
    ASSERT_TRUE(a.RunPrepared(script)) << a.ErrorMessage();
    EXPECT_EQ(a.Variables().Find("X")->value.i, 2);
  }
  ASSERT_TRUE(b.RunPrepared(script)) << b.ErrorMessage();
  // The bare prepared text carries no procedures.
  EXPECT_FALSE(b.RunPrepared(script::TPasCalc::PreparedText(*script)));
  EXPECT_EQ(b.ErrorMessage(), "Unknown function: F");
  // A run of another text does not see them.
  EXPECT_FALSE(a.RunSource("X := F(1)"));
  // Prepare leaves them registered for the interpreter until the next run.
  a.Prepare("FUNCTION G(); BEGIN RESULT := 9 END;");
  script::TVar out;
  ASSERT_TRUE(a.Evaluate("G()", out));
  EXPECT_EQ(out.value.i, 9);
}

}  // namespace
}  // namespace script_test

namespace script_test {
namespace {

// Readable form of a prepared text: token texts joined by "|".
std::string Tokens(const std::string& prepared) {
  std::string out;
  const script::TokenArray tokens = script::ReadPreparedTokens(prepared);
  for (const script::Token& t : tokens) {
    if (!out.empty()) out += '|';
    out += tokens.Text(t);
  }
  return out;
}

// The main program is the top-level statements, each followed by ";": the
// same whether the text's own tokens can serve as the program (most event
// scripts) or it has to be put together (declarations, empty statements, a
// last statement without ";", included files).
TEST(Declarations, MainProgramShapes) {
  struct Case {
    const char* source;
    const char* main;
  };
  const Case cases[] = {
      {"A := 1; B := 2;", "A|:=|1|;|B|:=|2|;"},
      {"A := 1; B := 2", "A|:=|1|;|B|:=|2|;"},
      {"A := 1;; B := 2;", "A|:=|1|;|B|:=|2|;"},
      {";A := 1", "A|:=|1|;"},
      {"A := 1; PROCEDURE P(); BEGIN END; B := 2", "A|:=|1|;|B|:=|2|;"},
      {"A := 1; PROCEDURE P(); BEGIN END;", "A|:=|1|;"},
      {"PROCEDURE P(); BEGIN END; A := 1;", "A|:=|1|;"},
      {"BEGIN A := 1; B := 2 END", "BEGIN|A|:=|1|;|B|:=|2|END|;"},
      {"PROCEDURE P(); BEGIN END", ""},
      {";;", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    TPasCalc calc;
    EXPECT_EQ(Tokens(calc.Prepare(c.source)), c.main) << c.source;
    // A slot is empty exactly when there is no main program to run.
    script::ScriptSlot slot;
    slot.Source = c.source;
    calc.PrepareSlot(slot);
    EXPECT_EQ(slot.Empty(), std::string(c.main).empty()) << c.source;
    if (slot.Compiled) {
      EXPECT_EQ(Tokens(TPasCalc::PreparedText(*slot.Compiled)), c.main) << c.source;
    }
  }
  // A hand-made prepared text whose ";" token carries other text: the
  // program's separator is ";".
  TPasCalc calc;
  EXPECT_EQ(calc.Prepare("\x7f"
                         "AX\x7f^:=\x7f"
                         "B1\x7fZ!\x7f"
                         "AY\x7f^:=\x7f"
                         "B2"),
            "\x7f"
            "AX\x7f^:=\x7f"
            "B1\x7fZ;\x7f"
            "AY\x7f^:=\x7f"
            "B2\x7fZ;");
  // Procedures declared after the program still run from it.
  CheckValues({{"X := 1; P(); PROCEDURE P(); BEGIN Y := 5 END; X := F(); FUNCTION F(); RESULT := 3",
                "X", "Integer:3"}});
}

}  // namespace
}  // namespace script_test
