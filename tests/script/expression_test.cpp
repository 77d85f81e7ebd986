// Expressions: precedence, operators on every kind pair that matters, literals,
// text keys, string indexes, array reads and the evaluator's error reports.

#include "harness.h"
#include "support/process_state.h"

namespace script_test {
namespace {

// Precedence: eight levels, left-associative, one prefix operator per primary.
TEST(Expression, PrecedenceAndAssociativity) {
  CheckValues({
      {"X := 1 + 2 * 3", "X", "Integer:7"},
      {"X := (1 + 2) * 3", "X", "Integer:9"},
      {"X := 10 - 4 - 3", "X", "Integer:3"},
      {"X := 2 ^ 3 ^ 2", "X", "Real:64"},
      {"X := -2 ^ 2", "X", "Real:4"},
      {"X := - 3 * 2", "X", "Integer:-6"},
      {"A := 2; B := 1; X := A > 1 AND B < 2", "X", "Boolean:True"},
      {"X := 1 < 2 = TRUE", "X", "Boolean:True"},
      {"X := 1 OR 2 AND 0", "X", "Integer:1"},
      {"X := +5", "X", "Integer:5"},
      {"X := (TRUE)", "X", "Boolean:True"},
      {"X := 1 + 2 Y", "X", "Integer:3"},  // one trailing token is ignored
      {"X := 8 SHR 1 + 1", "X", "Integer:5"},
  });
}

// Literals: integers strictly inside +-2147483647 are Integers; the rest Real.
TEST(Expression, NumberAndStringLiterals) {
  CheckValues({
      {"X := 2147483646", "X", "Integer:2147483646"},
      {"X := 2147483647", "X", "Real:2147483647"},
      {"X := 99999999999", "X", "Real:99999999999"},
      {"X := 3.0", "X", "Real:3"},
      {"X := 1.", "X", "Real:1"},
      {"X := 007", "X", "Integer:7"},
      {"X := 'It''s'", "X", "String:It"},
      {"X := 'a\"", "X", "String:a"},
      {"X := \"KEY\"", "X", "String:\"KEY\""},
      {"X := ''", "X", "String:"},
      {"X := 'MiXeD'", "X", "String:MiXeD"},
  });
}

// The value rules: the pair of operand classes picks the operation.
TEST(Expression, OperandClasses) {
  CheckValues({
      {"X := 7 / 2", "X", "Real:3.5"},
      {"X := 6 / 3", "X", "Real:2"},
      {"X := 2 ^ 10", "X", "Real:1024"},
      {"X := '2' + 1", "X", "Real:3"},
      {"X := '2' + '1'", "X", "String:21"},
      {"X := '6' * '2'", "X", "Real:12"},
      {"X := '6' - 1", "X", "Real:5"},
      {"X := TRUE + TRUE", "X", "Real:-2"},
      {"X := TRUE AND 6", "X", "Integer:6"},
      {"X := TRUE AND FALSE", "X", "Boolean:False"},
      {"X := TRUE XOR FALSE", "X", "Boolean:True"},
      {"X := TRUE OR 'FALSE'", "X", "Boolean:True"},
      {"X := 6 AND 3", "X", "Integer:2"},
      {"X := 6 OR 3", "X", "Integer:7"},
      {"X := 6 XOR 3", "X", "Integer:5"},
      {"X := 1 SHL 31", "X", "Integer:-2147483648"},
      {"X := 1 SHL 33", "X", "Integer:2"},
      {"X := -1 SHR 28", "X", "Integer:15"},
      {"X := 2.6 AND 7", "X", "Integer:3"},
      {"X := 1.5 + 1", "X", "Real:2.5"},
      {"X := 1 = 1.0", "X", "Boolean:True"},
      {"X := 'abc' < 'abd'", "X", "Boolean:True"},
      {"X := 'B' < 'a'", "X", "Boolean:True"},
      {"X := 'b' > 'abc'", "X", "Boolean:True"},
      {"X := '10' = 10", "X", "Boolean:True"},
      {"X := FALSE < TRUE", "X", "Boolean:True"},
      {"X := TRUE = -1", "X", "Boolean:True"},
      {"X := Now + 1", "X", "Real:2.5"},
  });
}

// 32-bit operations that overflow are redone as the real operation.
TEST(Expression, IntegerOverflowBecomesReal) {
  CheckValues({
      {"X := 2147483646 + 1", "X", "Integer:2147483647"},
      {"X := 2147483646 + 2", "X", "Real:2147483648"},
      {"X := 0 - 2147483646 - 2", "X", "Integer:-2147483648"},
      {"X := 0 - 2147483646 - 3", "X", "Real:-2147483649"},
      {"X := 65536 * 65536", "X", "Real:4294967296"},
      {"X := 0 - 2147483646 - 2; Y := -X", "Y", "Real:2147483648"},
  });
}

TEST(Expression, PrefixOperators) {
  CheckValues({
      {"X := NOT 0", "X", "Byte:1"},
      {"X := NOT TRUE", "X", "Byte:0"},
      {"X := NOT FALSE", "X", "Byte:1"},
      {"X := NOT 5", "X", "Byte:0"},
      {"X := NOT '0'", "X", "Byte:1"},
      {"X := NOT 0.0", "X", "Byte:1"},
      {"X := -TRUE", "X", "Integer:1"},
      {"X := -'2.5'", "X", "Real:-2.5"},
      {"X := Kind(NOT 1)", "X", "String:Byte"},
  });
}

// A string beginning with a double quote is a text key, translated when it is
// an operand of a binary operator; an empty translation keeps the key.
TEST(Expression, TextKeys) {
  HostSetup texts = [](FakeHost& h, script::TPasCalc&) {
    h.texts["TITLE"] = "The Game";
    h.texts["MENU.START"] = "Start";
  };
  CheckValues(
      {
          {"X := \"TITLE\" + ''", "X", "String:The Game"},
          {"X := '>' + \"MENU.START\"", "X", "String:>Start"},
          {"X := \"TITLE\"", "X", "String:\"TITLE\""},
          {"X := \"MISSING\" + ''", "X", "String:\"MISSING\""},
          {"X := \"TITLE\" = 'The Game'", "X", "Boolean:True"},
          {"X := \"TITLE\"; Y := X + ''", "Y", "String:The Game"},
      },
      texts);
}

// S[i] is the i-th character; A[i, j] names the variable "A[i,j]".
TEST(Expression, StringIndexesAndArrays) {
  CheckValues({
      {"S := 'hello'; X := S[1]", "X", "String:h"},
      {"S := 'hello'; X := S[5]", "X", "String:o"},
      {"S := 'hello'; X := S[2 + 1]", "X", "String:l"},
      {"A[2,3] := 7; X := A[1 + 1, 3]", "X", "Integer:7"},
      {"A[-1] := 4; X := A[0 - 1]", "X", "Integer:4"},
      {"A[1] := 'xyz'; X := A[1][2]", "X", "String:y"},
      {"A[1.6] := 9; X := A[2]", "X", "Integer:9"},
  });
}

TEST(Expression, Errors) {
  CheckErrors({
      {"X := 'abc' + 1", 5, "Invalid operand types for \"+\""},
      {"X := 1 / 0", 5, "Invalid operand types for \"/\""},
      {"X := 1.5 / 0", 5, "Invalid operand types for \"/\""},
      {"X := 2 ^ 'a'", 5, "Invalid operand types for \"^\""},
      {"X := 'a' AND 1", 5, "Invalid operand types for \"AND\""},
      {"X := 'a' < 1", 5, "Invalid operand types for \"<\""},
      {"X := NOT 'abc'", 5, "Invalid operand types for \"NOT\""},
      {"X := -'abc'", 5, "Invalid operand types for \"-\""},
      {"X := 1e300 * 1e300", 1, "Invalid number: 1E300"},
      {"X :=", 1, "Empty string - not expression"},
      {"X := 1.2.3", 1, "Invalid number: 1.2.3"},
      {"X := 'abc", 6, "Unterminated string: 'abc"},
      {"X := - -5", 1, "Unknown or invalid operator in expression: -"},
      {"X := NOT NOT 1", 1, "Unknown or invalid operator in expression: NOT"},
      {"X := 1 +", 1, "Unknown or invalid operator in expression: "},
      {"X := (1 + 2", 2, "')' expected"},
      {"X := 1 + 2 X Y", 1, "Error in expression"},
      {"S := 'hello'; X := S[0]", 19, "String index out of range: 0"},
      {"S := 'hello'; X := S[6]", 19, "String index out of range: 6"},
      {"S := 'hello'; X := S[1,2]", 19, "Invalid string index"},
      {"S := 'hello'; X := S[]", 19, "Empty string index"},
      {"A := 5; X := A[1]", 5, "Invalid variable type: A"},
      {"A := 1; X := A[1][1]", 24, "Variable with same name exist : A"},
      {"A[1] := 1; X := A", 24, "Array with same name exist : A"},
      {"X := A[1", 21, "] expected"},
      {"X := A['x']", 5, "Invalid index: 'x'  "},
      {"X := A[1 2 3]", 1, "Error in expression: 1 2 3  "},
      {"X := Cat(1, 2", 1, "Invalid function params: 1 , 2  "},
      {"X := Nothing(1)", 8, "Unknown function: NOTHING"},
      {"X := Inc(1, 2, 3)", 7, "Invalid parameters, function INC"},
      {"X := Boom", 7, "Invalid parameters, function BOOM : boom"},
      {"X := Cat(1 2 3)", 7,
       "Invalid expression in function params: \x7f"
       "B1\x7f"
       "B2\x7f"
       "B3"},
  });
}

// The error text is the readable form of the innermost expression evaluated.
TEST(Expression, ErrorTextIsTheInnermostExpression) {
  Outcome o = RunBoth("X := Cat(1, 'a' + 2)");
  EXPECT_EQ(o.message, "Invalid operand types for \"+\"");
  EXPECT_EQ(o.text, "'a' + 2  ");
  o = RunBoth("X := 1 + 'a'");
  EXPECT_EQ(o.text, "1 + 'a'  ");
  o = RunBoth("X := Y + ; Z := 1");
  EXPECT_EQ(o.text, "Y +  ");
}

// Operands are evaluated left to right and evaluation stops at the first error.
TEST(Expression, EvaluationOrderAndStop) {
  Outcome o = RunBoth("X := Side(1) + Side(2) * Side(3)");
  EXPECT_EQ(o.trace, (std::vector<std::string>{"1", "2", "3"}));
  o = RunBoth("X := Side(1) + 'a' * Side(2) + Side(3)");
  EXPECT_EQ(o.trace, (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(o.message, "Invalid operand types for \"*\"");
  o = RunBoth("X := Side(1) + )");
  EXPECT_EQ(o.trace, (std::vector<std::string>{"1"}));
  EXPECT_EQ(o.message, "Unknown or invalid operator in expression: )");
  // The inner expression runs before the missing ")" is noticed.
  o = RunBoth("X := (Side(7) + 1");
  EXPECT_EQ(o.trace, (std::vector<std::string>{"7"}));
  EXPECT_EQ(o.message, "')' expected");
}

// An unknown name reads as the Byte 0 with a Not-var line; with the quiet
// lookup flag set the same read fails.
TEST(Expression, UnknownNames) {
  Outcome o = RunBoth("X := FOO + 1");
  EXPECT_TRUE(o.ok);
  EXPECT_EQ(o.Var("X"), "Integer:1");
  ASSERT_EQ(o.log.size(), 1u);
  EXPECT_EQ(o.log[0], "Not var NIL FOO (in  Test");
  o = RunBoth("X := Kind(FOO)");
  EXPECT_EQ(o.Var("X"), "String:Byte");

  {
    testing_support::QuietLookupScope quiet;
    o = RunBoth("X := FOO + 1");
  }
  EXPECT_EQ(o.code, 3);
  EXPECT_EQ(o.message, "Variable not found: FOO");
  EXPECT_TRUE(o.log.size() == 1 && o.log[0].rfind("Variable not found: FOO (", 0) == 0);
}

// A name that is a function always calls it: the variable of that name
// cannot be read, and a function without parentheses is called without
// arguments.
TEST(Expression, FunctionNamesShadowVariables) {
  CheckValues({
      {"X := Now", "X", "Real:1.5"},
      {"X := NOW * 2", "X", "Real:3"},
      {"NOW := 5; X := NOW", "X", "Real:1.5"},
      {"X := Cat()", "X", "String:"},
      {"X := Cat(1, Cat(2, 3))", "X", "String:123"},
  });
  // Brackets do not protect commas: two arguments "A[1" and "2]".
  Outcome o = RunBoth("X := Cat(A[1,2])");
  EXPECT_FALSE(o.ok);
  EXPECT_EQ(o.message, "] expected");
}

}  // namespace
}  // namespace script_test
