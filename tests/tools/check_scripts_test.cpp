// What `qazmir-tool check` learns from one script: preparing with the native
// table, unknown calls, bare procedure statements, statements that cannot
// run, and the literal resource names it collects.

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "scriptlib/natives.h"
#include "support/script_errors.h"
#include "tools/check_scripts.h"

namespace {

using tools::ScriptFacts;
using tools::ScriptScanner;
using Lines = std::vector<std::string>;

ScriptFacts Scan(const std::string& source) {
  static ScriptScanner scanner(platform::CodePage::Default());
  return scanner.Scan(source);
}

std::vector<std::string> Args(const std::vector<tools::LiteralUse>& uses) {
  std::vector<std::string> out;
  for (const auto& u : uses) out.push_back(u.what + " " + u.argument);
  return out;
}

// Calls: NAME( is a call whatever NAME is; only natives and procedures the
// script (or a file it includes) declares are callable.
TEST(CheckScripts, CallsOfUnknownFunctionsAndProcedures) {
  struct Case {
    const char* source;
    Lines problems;
    Lines bare;
  } cases[] = {
      {"X := Now; Y := Length('a') + Max(1, 2); Inc(X);", {}, {}},
      {"Foo(1); foo(2)", {"unknown function FOO"}, {}},
      {"QZDB.Hall.Door.Open(1)", {"unknown function QZDB.HALL.DOOR.OPEN"}, {}},
      {"X := 1 + Twice(2); FUNCTION Twice(A); BEGIN RESULT := A * 2; END;", {}, {}},
      {"PROCEDURE P(A, B); BEGIN A := B; END; P(1, 2); P(1); P",
       {"procedure P takes 2 arguments but is called with 1",
        "procedure P takes 2 arguments but is called with 0"},
       {}},
      {"PROCEDURE Q(); BEGIN END; Q; Q();", {}, {}},
      {"Bar;", {}, {"BAR"}},
      {"IF A THEN Bar ELSE Baz", {}, {"BAR", "BAZ"}},
      {"CASE X OF 1: Bar; 2, 3: Baz; 4 .. 6: Qux; ELSE Quux; END", {}, {"BAR", "BAZ", "QUX", "QUUX"}},
      // Names as CASE labels.
      {"CASE X OF One: Bar; Two, Three: Baz; Four .. Five: Qux; END", {}, {"BAR", "BAZ", "QUX"}},
      {"REPEAT Bar UNTIL X > 1; WHILE X < 3 DO Baz; BEGIN Qux END", {}, {"BAR", "BAZ", "QUX"}},
      // A label, and GOTO's target, are no statements.
      {"L1: X := 1; GOTO L1;", {}, {}},
      // "n: integer" is the label N before the statement INTEGER.
      {"n: integer;", {}, {"INTEGER"}},
      // Element paths read as statements are left alone.
      {"QZDB.Hall.X;", {}, {}},
      {"var n: integer;", {"the statement starting VAR N cannot run: found N, expected :=, (, [ or ;"}, {}},
      {"Print 'x';", {"the statement starting PRINT 'x' cannot run: found 'x', expected :=, (, [ or ;"}, {}},
      {"S := 'abc", {"the string 'abc has no closing quote"}, {}},
      {"Print(Foo(1)", {"PRINT( has no closing parenthesis", "unknown function FOO"}, {}},
      // Comments and strings hold no calls.
      {"// Foo(1)\nS := 'Bar(2)'; { Baz(3) }", {}, {}},
      // A native's name may be assigned like a variable.
      {"Date := 1; FOR I := 1 TO 3 DO Inc(I)", {}, {}},
  };
  for (const Case& c : cases) {
    ScriptFacts f = Scan(c.source);
    EXPECT_EQ(f.prepareError, "") << c.source;
    EXPECT_EQ(f.problems, c.problems) << c.source;
    EXPECT_EQ(f.bareNames, c.bare) << c.source;
  }
}

TEST(CheckScripts, AssignedNamesParametersAndLoopVariables) {
  ScriptFacts f = Scan("X := 1; A[2] := 3; PROCEDURE P(Left, Right); BEGIN END; FOR K := 1 TO 2 DO X;");
  EXPECT_EQ(f.assigned, (std::set<std::string>{"X", "A", "LEFT", "RIGHT", "K"}));
  EXPECT_EQ(f.bareNames, Lines{"X"});  // the caller keeps it: X is assigned
}

// Preparing fails with the interpreter's message and the statement it names.
TEST(CheckScripts, PrepareErrorsCarryTheInterpretersMessage) {
  struct Case {
    const char* source;
    const char* error;
  } cases[] = {
      {"PROCEDURE P(); BEGIN END; PROCEDURE P(); BEGIN END;",
       "Duplicate procedure name in \"PROCEDURE P ( )\""},
      {"PROCEDURE P(A B); BEGIN END;", "Invalid function call in \"PROCEDURE P ( A B )\""},
      {"PROCEDURE 5(); BEGIN END;", "Invalid procedure name in \"PROCEDURE 5 ( )\""},
      {"INCLUDE 'no-such-file.pas';",
       "Can't open file \"'no-such-file.pas'\", error code 2 in \"INCLUDE 'no-such-file.pas'\""},
  };
  for (const Case& c : cases) EXPECT_EQ(Scan(c.source).prepareError, c.error) << c.source;
  EXPECT_EQ(Scan("X := 1").prepareError, "");
}

TEST(CheckScripts, LiteralResourceNames) {
  ScriptFacts f = Scan(
      "PlaySnd('Snd.Click'); PlayMuz('theme'); PlaySnd(Name); PlaySnd('a' + 'b');"
      "SetScreen(QZDB.Hall, QZDB.Panel); FastSetScreen(Other); FastSetScreenNS(QZDB.X, 1);"
      "QZDB.Hall.Door.imImage := 'door.png'; imImage := 'self.png'; ImBack := 'back.jpg';"
      "imImage := 'a' + 'b'; Caption.Text := \"Menu.Start\" + GetText('Title') + GetText(K);");
  EXPECT_EQ(Args(f.sounds), (Lines{"PLAYSND Snd.Click", "PLAYMUZ theme"}));
  EXPECT_EQ(Args(f.screens),
            (Lines{"SETSCREEN QZDB.HALL", "SETSCREEN QZDB.PANEL", "FASTSETSCREEN OTHER",
                   "FASTSETSCREENNS QZDB.X"}));
  EXPECT_EQ(Args(f.images), (Lines{"IMIMAGE door.png", "IMIMAGE self.png", "IMBACK back.jpg"}));
  EXPECT_EQ(f.textKeys, (Lines{"Menu.Start", "Title"}));
  EXPECT_FALSE(f.usesStars);
  EXPECT_TRUE(Scan("AddStar(1, 2, 3, 4, 5, 6, 7, 8)").usesStars);
  EXPECT_TRUE(Scan("IF X THEN ImStarsR(1, 2, 3, 4, 5, 6, 7, 8, 9, 10)").usesStars);
}

// A procedure that shadows a native is called instead of it: its literal is no sound.
TEST(CheckScripts, DeclaredProcedureShadowsANative) {
  ScriptFacts f = Scan("PROCEDURE PlaySnd(A); BEGIN END; PlaySnd('x');");
  EXPECT_TRUE(f.sounds.empty());
  EXPECT_TRUE(f.problems.empty());
}

// Any bytes: the scan reports a prepare error exactly when the interpreter
// (with the native table) fails to prepare the text, and that failure is one
// of the interpreter's error codes.
TEST(CheckScripts, AnyTextScansWithoutTrouble) {
  std::string bytes;
  for (int i = 0; i < 4096; ++i) bytes.push_back(static_cast<char>((i * 7919) % 256));
  script::TPasCalc calc;
  scriptlib::RegisterNatives(calc);
  for (const std::string& text :
       {bytes, std::string("(((((((((("), std::string("PROCEDURE"), std::string("PROCEDURE P("),
        std::string("FUNCTION F(A,"), std::string(")))")}) {
    const ScriptFacts f = Scan(text);
    calc.PrepareScript(text);
    EXPECT_TRUE(testing_support::IsScriptErrorCode(calc.ErrorCode()))
        << calc.ErrorCode() << " " << calc.ErrorMessage();
    EXPECT_EQ(f.prepareError.empty(), calc.ErrorCode() == 0) << f.prepareError;
  }
}

}  // namespace
