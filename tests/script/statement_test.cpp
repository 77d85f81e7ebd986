// Statements and control flow: blocks, assignments, IF/ELSE pairing, loops,
// CASE, BREAK/CONTINUE/EXIT, GOTO and the label search.

#include "harness.h"
#include "support/process_state.h"

namespace script_test {
namespace {

TEST(Statements, BlocksAndAssignments) {
  CheckValues({
      {"BEGIN A := 1;; B := 2 END", "B", "Integer:2"},
      {"BEGIN A := 1;; B := 2 END", "A", "Integer:1"},
      {";;; A := 1;;", "A", "Integer:1"},
      {"BEGIN END; A := 1", "A", "Integer:1"},
      {"BEGIN BEGIN A := 1 END; B := A + 1 END", "B", "Integer:2"},
      {"S := 'hello'; S[1] := 'J'", "S", "String:Jello"},
      {"S := 'hello'; S[5] := 33", "S", "String:hell!"},
      {"S := 'hello'; S[1] := 1.6", "S",
       "String:\x02"
       "ello"},
      {"I := 0; FOR I := 1 TO 3 DO A[I] := I * 10; X := A[2]", "X", "Integer:20"},
      {"A[1] := 'abc'; A[1][2] := 'X'", "A[1]", "String:aXc"},
      {"A[1, -2] := 5", "A[1,-2]", "Integer:5"},
      {"X := 5; X", "X", "Integer:5"},
  });
}

TEST(Statements, AssignmentErrors) {
  CheckErrors({
      {"X 1", 1, "Found 1, expected :=, (, [ or ;"},
      {"X = 1", 1, "Found =, expected :=, (, [ or ;"},
      {"$X := 1", 4, "Invalid variable name: $X"},
      {"A := 'x'; A[1][1] := 'y'", 24, "Variable with same name exist : A"},
      {"A[1] := 1; A := 2", 24, "Array with same name exist : A"},
      {"A := 1; A[1] := 2", 5, "Invalid variable type: A"},
      {"S := 'hello'; S[1] := 'ab'", 20, "Character expected: 'ab'"},
      {"S := 'hello'; S[1] := 300", 20, "Character value out of range: 300"},
      {"S := 'hello'; S[1] := TRUE", 20, "Character value out of range: -1"},
      {"S := 'hello'; S[1] := Now + 'x'", 5, "Invalid operand types for \"+\""},
      {"S := 'hello'; S[9] := 'x'", 19, "String index out of range: 9"},
      {"S := 'hello'; S[1, 2] := 'x'", 19, "Invalid string index"},
      {"S := 'hello'; S[] := 'x'", 19, "Empty string index"},
      {"T[1][1] := 'x'", 5, "Invalid variable type: T"},
      {"X := 1 +", 1, "Unknown or invalid operator in expression: "},
      {"X := 1 2 3", 1, "Error in expression"},
      {"A [1] [2] [3]", 5, "Invalid variable type: A[1]"},
      {"Cat(1) 2 3", 1, "Error in expression"},
      {"S := 'ab'; S[1] := Cat(1 2 3)", 7,
       "Invalid expression in function params: \x7f"
       "B1\x7f"
       "B2\x7f"
       "B3"},
  });
  Outcome o;
  {
    testing_support::QuietLookupScope quiet;
    o = RunBoth("T[1][1] := 'x'");
  }
  EXPECT_EQ(o.message, "Variable not found :T");
  EXPECT_EQ(o.code, 3);
}

TEST(Statements, DispatchErrors) {
  CheckErrors({
      {"END", 11, "Too many END"},
      {"ELSE X := 1", 9, "ELSE without IF"},
      {"1 + 2", 9, "Invalid operator: 1"},
      {"(X)", 9, "Invalid operator: ("},
      {"BEGIN PROCEDURE P(); END", 9, "Invalid operator: PROCEDURE"},
      {"BEGIN X := 1", 10, "END expected"},
      {"BEGIN", 10, "END expected"},
      {"X := 1 END; Y := 2", 11, "Too many END"},
      {"REPEAT X := 1", 16, "UNTIL expected"},
      {"UNTIL X", 17, "Too many UNTIL"},
  });
  // The statement being extracted is the error text. The declaration pass
  // finds it before the run, so nothing runs at all.
  Outcome o = RunBoth("X := 1; Side(5) END; Y := 2");
  EXPECT_EQ(o.text, "SIDE ( 5 ) END ; Y := 2  ");
  EXPECT_TRUE(o.trace.empty());
  EXPECT_EQ(o.Var("X"), "<none>");
}

// The condition runs up to the first THEN; the THEN branch ends at the first
// ";" or ELSE outside blocks, so a nested IF without ELSE takes the outer ELSE.
TEST(Statements, IfElsePairing) {
  CheckValues({
      {"IF 1 THEN X := 1 ELSE X := 2", "X", "Integer:1"},
      {"IF 0 THEN X := 1 ELSE X := 2", "X", "Integer:2"},
      {"IF '1' THEN X := 1", "X", "Integer:1"},
      {"A := FALSE; B := TRUE; IF A THEN IF B THEN X := 1 ELSE Y := 1", "Y", "Integer:1"},
      {"A := TRUE; B := TRUE; IF A THEN IF B THEN X := 1 ELSE Y := 1", "X", "Integer:1"},
      {"A := TRUE; B := FALSE; IF A THEN BEGIN IF B THEN X := 1 ELSE Y := 1 END", "Y", "Integer:1"},
      {"IF 1 THEN ELSE X := 2; Y := 3", "Y", "Integer:3"},
      {"IF 0 THEN ELSE X := 2", "X", "Integer:2"},
      {"IF 1 THEN BEGIN X := 1; Y := 2 END ELSE Z := 3", "Y", "Integer:2"},
  });
  // Both branches empty when THEN is missing: the condition still runs.
  Outcome o = RunBoth("IF Side(1)");
  EXPECT_TRUE(o.ok);
  EXPECT_EQ(o.trace, (std::vector<std::string>{"1"}));
  o = RunBoth("A := TRUE; B := FALSE; IF A THEN IF B THEN X := 1 ELSE Y := 1");
  EXPECT_EQ(o.Var("X"), "<none>");
  EXPECT_EQ(o.Var("Y"), "<none>");
  CheckErrors({
      {"IF 'abc' THEN X := 1", 5, "Invalid condition type"},
      {"IF THEN X := 1", 1, "Empty string - not expression"},
      {"IF 1 2 3 THEN X := 1", 1, "Error in expression"},
      {"IF 1 THEN BEGIN X := 1 ELSE Y := 2", 10, "END expected"},
  });
}

TEST(Statements, ForLoops) {
  CheckValues({
      {"I := 0; FOR I := 1 TO 3 DO S := S + 1", "S", "Integer:3"},
      {"I := 5; FOR I := 3 TO 1 DO X := 1", "I", "Integer:5"},
      {"I := 0; S := ''; FOR I := 3 DOWNTO 1 DO S := Cat(S, I)", "S", "String:321"},
      {"I := 0; FOR I := 1 TO 4 DO ; X := I", "X", "Integer:4"},
      // The bounds are evaluated once.
      {"N := 3; I := 0; FOR I := 1 TO N DO N := N + 1", "N", "Integer:6"},
      // Assigning the counter does not change the iteration.
      {"I := 0; C := 0; FOR I := 1 TO 3 DO BEGIN I := 10; C := C + 1 END", "C", "Integer:3"},
      {"I := 0; C := 0; FOR I := 1 TO 10 DO BEGIN C := C + 1; IF I = 3 THEN BREAK END; X := 1", "C",
       "Integer:3"},
      {"I := 0; C := 0; FOR I := 1 TO 5 DO BEGIN IF I = 2 THEN CONTINUE; C := C + 1 END", "C",
       "Integer:4"},
      {"I := 0; C := 0; FOR I := 1.6 TO '3' DO C := C + 1", "C", "Integer:2"},
      // A loop up to the largest integer ends.
      {"I := 0; C := 0; FOR I := 2147483646 TO 2147483647 DO C := C + 1", "C", "Integer:2"},
      {"I := 0; J := 0; C := 0; FOR I := 1 TO 3 DO FOR J := 1 TO 2 DO C := C + 1; X := C", "X",
       "Integer:6"},
  });
  CheckErrors({
      {"FOR I := 1 TO 3 DO S := S + 1", 1, "Invalid variable name: I"},
      {"FOR I := 1 DO X := 1", 12, "TO or DOWNTO expected"},
      {"FOR 1 := 1 TO 2 DO X := 1", 13, "FOR control variable expected"},
      {"FOR I = 1 TO 2 DO X := 1", 9, ":= expected after FOR control variable"},
      {"I := 0; FOR I := 1 TO 2 X := 1", 14, "DO expected"},
      {"I := 0; FOR I := 'a' TO 2 DO X := 1", 5, "Invalid loop variable value "},
      {"I := 0; FOR I := 1 TO 'b' DO X := 1", 5, "Invalid loop variable value "},
      {"I := 0; FOR I := TO 2 DO X := 1", 1, "Empty string - not expression"},
  });
  // DO expected is found after the start value was evaluated.
  Outcome o = RunBoth("I := 0; FOR I := Side(1) TO 2");
  EXPECT_EQ(o.trace, (std::vector<std::string>{"1"}));
  EXPECT_EQ(o.message, "DO expected");
}

TEST(Statements, WhileAndRepeat) {
  CheckValues({
      {"I := 0; WHILE I < 5 DO I := I + 1", "I", "Integer:5"},
      {"I := 0; WHILE TRUE DO BEGIN I := I + 1; IF I = 4 THEN BREAK END", "I", "Integer:4"},
      {"I := 0; C := 0; WHILE I < 5 DO BEGIN I := I + 1; IF I < 3 THEN CONTINUE; C := C + 1 END",
       "C", "Integer:3"},
      {"X := 0; REPEAT X := X + 1 UNTIL X = 3", "X", "Integer:3"},
      {"X := 0; REPEAT X := X + 1; IF X = 2 THEN BREAK UNTIL X >= 2; Y := 5", "Y", "Integer:5"},
      {"X := 0; REPEAT X := X + 1; IF X = 2 THEN BREAK UNTIL X >= 2; Y := 5", "X", "Integer:2"},
      {"X := 0; REPEAT X := X + 1; IF X = 2 THEN BREAK UNTIL X > 5", "X", "Integer:2"},
      {"X := 0; REPEAT X := X + 1; IF X < 3 THEN CONTINUE UNTIL X >= 3", "X", "Integer:3"},
  });
  // The REPEAT condition is evaluated even after a BREAK in the body.
  Outcome o = RunBoth("REPEAT BREAK UNTIL Side(1) = 1; X := 2");
  EXPECT_EQ(o.trace, (std::vector<std::string>{"1"}));
  EXPECT_EQ(o.Var("X"), "Integer:2");
  CheckErrors({
      {"WHILE 1", 14, "DO expected"},
      {"WHILE 'x' DO X := 1", 5, "Invalid condition type"},
      {"REPEAT X := 1 UNTIL 'x'", 5, "Invalid condition type"},
      {"REPEAT X := 1 UNTIL", 1, "Empty string - not expression"},
  });
}

TEST(Statements, CaseStatement) {
  const char* kCase = "CASE N OF 1 .. 3: X := 1; 5, 7: X := 2; ELSE X := 3; END";
  auto with = [&](const std::string& n) { return "N := " + n + "; " + kCase; };
  EXPECT_EQ(RunBoth(with("2")).Var("X"), "Integer:1");
  EXPECT_EQ(RunBoth(with("7")).Var("X"), "Integer:2");
  EXPECT_EQ(RunBoth(with("4")).Var("X"), "Integer:3");
  EXPECT_EQ(RunBoth(with("3.0")).Var("X"), "Integer:1");
  EXPECT_EQ(RunBoth(with("'a'")).Var("X"), "Integer:3");  // numeric labels skipped
  CheckValues({
      // "1..3" is the label 1 followed by the name "..3", which is ignored.
      {"N := 3; CASE N OF 1..3: X := 1; ELSE X := 2; END", "X", "Integer:2"},
      {"N := 1; CASE N OF 1..3: X := 1; ELSE X := 2; END", "X", "Integer:1"},
      {"S := 'b'; CASE S OF 'a' .. 'c': X := 1; ELSE X := 2; END", "X", "Integer:1"},
      {"S := 'b'; CASE S OF 1: X := 1; 'b': X := 2; END", "X", "Integer:2"},
      {"N := 2; CASE N OF 3 .. 1: X := 1; END", "X", "Integer:1"},
      {"N := 9; CASE N OF ELSE X := 3; 1: X := 1; END", "X", "Integer:3"},
      {"N := 1; CASE N OF 1: X := 1; 1: X := 2; END", "X", "Integer:1"},
      {"N := 1; CASE N OF 1: BEGIN X := 1; Y := 2 END; END", "Y", "Integer:2"},
      {"N := 0; CASE N OF 1: X := 1; END; Y := 1", "Y", "Integer:1"},
  });
  CheckErrors({
      {"N := 1; CASE N OF 1: X := 1 END", 11, "Too many END"},
      {"N := 1; CASE N OF ELSE X := 3; ELSE X := 4; END", 28, "Too many ELSEin CASE statement"},
      {"N := 1; CASE N OF 2 X := 1; END", 29, ": expected"},
      {"CASE 1 OF : X := 1; END", 29, "Range defininition expected"},
      {"CASE 1 OF 'a' .. 2: X := 1; END", 1, "Invalid typecast in CASE range"},
      {"CASE 1 OF 2 END: X := 1;", 1, "Error in CASE statement"},
      {"CASE 1 X END", 14, "OF expected"},
      {"CASE 1 + OF 1: X := 1; END", 1, "Unknown or invalid operator in expression: "},
      {"CASE 1 OF 1 2 3: X := 1; END", 1, "Error in expression"},
  });
}

TEST(Statements, BreakContinueExit) {
  CheckValues({
      {"X := 1; EXIT; X := 2", "X", "Integer:1"},
      {"I := 0; FOR I := 1 TO 5 DO IF I = 2 THEN EXIT; X := 1", "I", "Integer:2"},
      {"I := 0; WHILE I < 9 DO BEGIN I := I + 1; IF I = 2 THEN BREAK END; X := I", "X",
       "Integer:2"},
  });
  CheckErrors({
      {"BREAK", 15, "BREAK outside loop"},
      {"CONTINUE", 15, "CONTINUE outside loop"},
      {"IF 1 THEN BREAK", 15, "BREAK outside loop"},
      {"BEGIN CONTINUE END", 15, "CONTINUE outside loop"},
      {"EXIT 1", 1, "Invalid EXIT operator"},
      {"CONTINUE 1", 1, "Invalid CONTINUE operator"},
      {"I := 0; FOR I := 1 TO 2 DO BREAK X", 1, "Invalid BREAK operator"},
  });
  Outcome o = RunBoth("I := 0; FOR I := 1 TO 5 DO IF I = 2 THEN EXIT; X := 1");
  EXPECT_EQ(o.Var("X"), "<none>");
}

// GOTO searches the top-level statements of the text its list belongs to;
// a labelled statement reached without a jump is an ordinary statement.
TEST(Statements, GotoAndLabels) {
  CheckValues({
      {"GOTO L1; X := 1; L1: Y := 2", "Y", "Integer:2"},
      {"I := 0; GOTO L; L: I := I + 1; IF I < 3 THEN GOTO L", "I", "Integer:3"},
      {"GOTO 10; X := 1; 10: Y := 2", "Y", "Integer:2"},
      {"GOTO L; X := 1; L: BEGIN Y := 1; Z := 2 END", "Z", "Integer:2"},
      {"I := 0; GOTO L; L: FOR I := 1 TO 3 DO X := I", "X", "Integer:3"},
      {"I := 0; GOTO L; L: I := I + 1; WHILE I < 3 DO GOTO L; X := I", "X", "Integer:3"},
      // A jump out of a block is completed by the list that owns the whole text.
      {"BEGIN GOTO L END; X := 1; L: Y := 2; Z := 3", "Z", "Integer:3"},
      {"I := 0; FOR I := 1 TO 3 DO BEGIN GOTO L END; L: Y := I", "Y", "Integer:1"},
      // Labels among the statements of a WHILE body (a text of its own).
      {"I := 0; WHILE I < 1 DO BEGIN I := 1 END; X := 2", "X", "Integer:2"},
  });
  Outcome o = RunBoth("GOTO L1; X := 1; L1: Y := 2");
  EXPECT_EQ(o.Var("X"), "<none>");
  o = RunBoth("BEGIN GOTO L END; X := 1; L: Y := 2; Z := 3");
  EXPECT_EQ(o.Var("X"), "<none>");
  CheckErrors({
      {"I := 0; L: I := I + 1", 1, "Found :, expected :=, (, [ or ;"},
      {"10: X := 1", 9, "Invalid operator: 10"},
      {"GOTO L1", 18, "Label L1 not exist or unreacheble"},
      {"BEGIN GOTO L; L: X := 1 END", 18, "Label L not exist or unreacheble"},
      {"I := 0; GOTO L; FOR I := 1 TO 2 DO L: X := 1", 18, "Label L not exist or unreacheble"},
      {"I := 0; FOR I := 1 TO 2 DO L: X := 1", 1, "Found :, expected :=, (, [ or ;"},
      {"GOTO 'L'", 1, "Invalid label in GOTO"},
      {"GOTO", 1, "Invalid label in GOTO"},
      {"GOTO L X", 1, "Error in GOTO statement"},
      {"GOTO L; BEGIN X := 1; L: Y := 1", 10, "END expected"},
  });
}

TEST(Statements, LabelInsideIfBranchText) {
  // The THEN branch is a text of its own: its label search covers it only.
  Outcome o = RunBoth("X := 0; IF 1 THEN GOTO M ELSE M: X := 5");
  EXPECT_EQ(o.message, "Label M not exist or unreacheble");
}

}  // namespace
}  // namespace script_test
